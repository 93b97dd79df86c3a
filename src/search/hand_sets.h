// Every same-hand pair of a layout whose kana move as well as its keys, for any keys of its
// entries and places of its keys, from the text's runs counted once.
//
// Within a run every stroke of a hand but its first makes a pair with that hand's stroke before
// it, and pairs with the space key (key 0, the left hand's, never moved) are no figure, so the
// pairs are the strokes, less the hands each run uses, less one for each space stroke after a
// run's first, less the left-hand neighbours of the space strokes: one for each stretch of keys
// struck between two space strokes, or between one and the run's ends, that holds a left-hand
// key. What a run or stretch strikes is a set of members: the keys a unit (a kana that moves)
// holds now, struck by the unit and the entries that follow it, and the start keys of every other
// key struck, which only key exchanges move. A set uses a hand when one of its members does.
//
// A move changes the keys of a few members: a kana exchange those of its two units, a key
// exchange the hands of its two keys and so of the units that strike them. A set keeps a hand
// through any one move when two of its members that use the hand could not both lose it: they
// differ (a kana exchange changes only one of them, or gives each the other's keys) and they are
// not both struck on that hand with the same single key (a key exchange takes one key from the
// hand); or it holds a key on that hand that never moves. Each set keeps such a pair for each
// hand it may lose, with two more members on the hand as spares, so that a broken pair is most
// often mended without reading the set; a move looks again only at the sets whose pairs it
// touched. A set for which no pair can be found is watched: listed by each of its members, it
// keeps how many of them use each hand, and a move that makes a member take up or leave a hand
// changes those counts.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "readers/layout.h"
#include "search/unit_gaps.h"

namespace kananet::search {

// What a slot strikes: the keys its unit holds now (Unit, or -1 when it moves with no unit)
// between fixed start keys, Before and After; with no unit, Before holds all its keys.
struct SlotShape {
  std::string Before, After;
  std::int32_t Unit = -1;
};

struct HandSets {
  // Members below kUnitMembers are start keys; kUnitMembers + u holds the keys of unit u.
  static constexpr std::uint32_t kUnitMembers = 64;
  struct Set {
    std::uint32_t Begin = 0, End = 0;  // its members in Members, sorted
    std::uint64_t Count = 0;
    bool BothHands = true;  // a run: counts its hands; else a stretch: its left hand only
  };
  std::vector<std::uint32_t> Members;
  std::vector<Set> Sets;
  std::uint64_t FixedStrokes = 0;  // every stroke but those of the units' keys
  std::uint64_t SpacePairs = 0;    // every space stroke after a run's first
  // By unit: its slot, its start keys, and how often the text strikes its keys.
  std::vector<std::uint32_t> UnitSlots;
  std::vector<std::string> UnitStartKeys;
  std::vector<std::uint64_t> UnitUses;
  std::vector<std::int32_t> UnitOfSlot;  // by slot: the unit it is, or -1 (followers too)
};

// Counts the matched entries of kanaCodes with the table as a layout that breaks after
// punctuation or not would, each slot struck as its shape (by slot of the table's first ones).
HandSets CountHandSets(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                       bool breakAfterPunctuation, const std::vector<SlotShape>& shapes);

// Every same-hand pair of drawn keys when each slot types keys[slot] (by place) and the start key
// k is at places[k].
std::int64_t AllPairsAt(const HandSets& sets, const std::vector<std::string>& keys,
                        const std::array<std::uint8_t, 64>& places, int leftHandLastKey);

// Every same-hand pair of one layout of the search, and its changes by key and kana exchanges;
// it starts with each unit holding its own keys.
class HandSetState {
 public:
  HandSetState(const HandSets& sets, const std::vector<int>& freeKeys, int leftHandLastKey,
               const std::array<std::uint8_t, 64>& places);

  std::int64_t KeyDelta(int a, int b) const;
  void ExchangeKeys(int a, int b);
  // The units retype (keys by place); slots that are no unit are left to their units.
  std::int64_t Delta(const std::vector<Retyped>& retyped) const;
  // A retyping is two units exchanging their keys, as a kana exchange.
  void Retype(const std::vector<Retyped>& retyped);
  std::int64_t Now() const { return now_; }

 private:
  static constexpr std::uint32_t kNone = ~std::uint32_t{0};
  static constexpr std::uint32_t kOneHand = kNone - 1, kWatched = kNone - 2;
  // The keys of a member on a hand (0 the left) when the left hand's start keys are left.
  static std::uint64_t HandKeys(std::uint64_t keys, std::uint64_t left, int hand) {
    return hand == 0 ? keys & left : keys & ~left;
  }
  // The hands a member's keys use: bit 0 the left, bit 1 the right.
  static std::uint8_t HandsOf(std::uint64_t keys, std::uint64_t left) {
    return static_cast<std::uint8_t>(((keys & left) != 0) | ((keys & ~left) != 0) << 1);
  }
  std::uint64_t HandKeys(std::uint32_t member, int hand) const {
    return HandKeys(keys_[member], leftKeys_, hand);
  }
  // Whether no other member has key (one key, on the hand) as its only key there.
  bool AloneOn(std::uint32_t member, std::uint64_t key, int hand) const;
  // Whether the pair keeps the hand through any one move.
  bool StaysOnHand(std::uint32_t first, std::uint32_t second, int hand) const;
  // Finds a pair for each hand the set may lose, or watches it.
  void PairOrWatch(std::uint32_t set);
  bool FindPair(std::uint32_t set, int hand);
  // Pairs each hand from what the set keeps; false when a hand needs a look at the set.
  bool RepairBothHands(std::uint32_t set);
  // Where a look at the set's members starts: a place of its own.
  static std::uint32_t ScanStart(std::uint32_t set, const HandSets::Set& counted) {
    return static_cast<std::uint32_t>((set * 2654435761u) >> 7) % (counted.End - counted.Begin);
  }
  // Pairs the set from the members its pair and spares keep, when two of them hold.
  bool RepairFromSpares(std::uint32_t set, int hand);
  // Lists the set in pairedIn_[list] (member * 2 + hand).
  void List(std::uint32_t list, std::uint32_t set);
  // Pairs the watched set again if it can; then it is no longer watched.
  void Unwatch(std::uint32_t index);
  // Lists the sets still watched afresh, without those paired again.
  void ListWatched();
  // The hands a set uses now.
  std::uint8_t UsesNow(std::uint32_t set) const;
  // The change of the pairs when the members marked in the scratch change their keys and left
  // is the left hand's keys after.
  std::int64_t Change(std::uint64_t left) const;
  // Starts a move's scratch.
  void NextStamp() const;
  // Marks the members a key exchange changes, or a retyping; false when nothing changes.
  bool MarkKeys(int a, int b) const;
  void MarkRetyped(const std::vector<Retyped>& retyped) const;
  // Takes the marked change: members' keys, the unit lists, and the pairs of the sets touched.
  void Take(std::uint64_t left);

  const HandSets& sets_;
  int leftHandLastKey_;
  std::uint64_t free_ = 0;
  std::uint64_t struck_ = 0;                 // the start keys that are members of a set
  std::uint64_t leftKeys_ = 0;               // the start keys on the left hand now
  std::array<std::uint8_t, 64> occupant_{};  // the start key at each key
  std::vector<std::uint64_t> keys_;          // by member: its start keys now
  std::vector<std::uint8_t> lengths_;        // by unit: how many keys it holds now
  std::array<std::vector<std::uint32_t>, 64> unitsWith_;  // by start key: the units holding it
  // By set and hand: a pair, then up to two spares, which are not listed and may no longer be
  // on the hand; kOneHand for the right hand of a stretch, kWatched for both of a watched set.
  static constexpr std::size_t kKept = 8;  // a pair and its spares, a cache line a set
  struct alignas(64) Pairs {
    Pairs() { std::fill(&Of[0][0], &Of[0][0] + 2 * kKept, kNone); }
    std::uint32_t Of[2][kKept];
  };
  std::vector<Pairs> pairs_;
  std::vector<std::vector<std::uint32_t>> pairedIn_;  // by member * 2 + hand: the sets it pairs
  std::vector<std::uint32_t> listBound_;              // the same: the size at which it is cleared
  // The watched sets, side by side in the order they were first watched, so that a move's
  // look at them stays in the cache: each set's count, its members by hand, and a move's change.
  struct Watched {
    std::uint32_t Set = 0;
    std::int64_t Count = 0;  // 0 once the set is paired again
    std::array<std::uint32_t, 2> Users{};
    bool BothHands = true;
    mutable std::uint32_t Stamp = 0;
    mutable std::array<std::int32_t, 2> Change{};
  };
  std::vector<Watched> watchedSets_;
  std::size_t unwatched_ = 0;                          // those paired again
  std::vector<std::vector<std::uint32_t>> watchedBy_;  // by member: its watched sets' indices
  std::int64_t strokes_ = 0;
  std::int64_t now_ = 0;
  // A move's scratch: the changed members with their keys after, and the sets looked at.
  // It starts a little before it comes round, so that every state passes that early on, and the
  // tests with it.
  mutable std::uint32_t stamp_ = ~std::uint32_t{0} - 64;
  mutable std::vector<std::uint32_t> memberStamp_;
  mutable std::vector<std::uint64_t> keysAfter_;
  mutable std::vector<std::uint32_t> changed_;
  mutable std::vector<std::pair<std::uint32_t, std::uint8_t>> newLengths_;  // by unit
  mutable std::vector<std::uint32_t> touched_;  // the watched sets whose users change
  mutable std::int64_t strokesChange_ = 0;
  std::vector<std::uint32_t> scan_;  // Take's: the sets whose pairs are found by looking at them
};

}  // namespace kananet::search
