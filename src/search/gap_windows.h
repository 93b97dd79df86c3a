// The same-hand pairs at gap classes 1 and 2+ of a layout counted by strokes, for any places of
// its keys, from the start's strokes counted once.
//
// Class 1 is a stroke, one stroke of the other hand, then a stroke of the first hand again:
// three strokes in a row of a run, counted by the keys of the three. Class 2+ is every other
// same-hand pair: all the same-hand pairs, less those of classes 0 and 1. Within a run every
// stroke of a hand but its first makes a pair with that hand's stroke before it, so the run
// makes its strokes less the number of hands it uses pairs; the hands it uses depend only on
// the set of keys it strikes and where they are. Pairs with the space key (key 0, always the
// left hand's, never moved) are no figure: they are the left-hand neighbours of each space
// stroke, which again depend only on whether the keys struck between two space strokes (or
// between one and the run's ends) hold a left-hand key.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "readers/layout.h"

namespace kananet::search {

struct GapWindows {
  struct Triple {
    std::uint8_t Keys[3];
    std::uint64_t Count;
  };
  // A set of start keys (bit k for key k) and how often a term of it is counted.
  struct KeySet {
    std::uint64_t Keys;
    std::uint64_t Count;
  };
  std::vector<Triple> Triples;  // three strokes in a row of a run, by the start's keys
  std::uint64_t Strokes = 0;    // every stroke, the space key's too
  // Runs, by the keys they strike: each uses the hands of its keys.
  std::vector<KeySet> Runs;
  // The keys struck before a run's first space stroke, after its last and between two: each
  // that holds a left-hand key gives one pair with a space stroke.
  std::vector<KeySet> SpaceNeighbours;
  std::uint64_t SpacePairs = 0;  // every space stroke after a run's first is paired before it
};

// Counts the matched entries of kanaCodes with the table (the entries that can match) as the
// count of a layout that breaks after punctuation or not would, by the start's keys.
GapWindows CountGapWindows(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                           bool breakAfterPunctuation);

// The same-hand pairs of two drawn keys at class 1, and at every class, with the start key k
// at places[k].
struct GapPairs {
  std::int64_t ClassOne = 0;
  std::int64_t All = 0;
};
GapPairs GapPairsAt(const GapWindows& windows, int leftHandLastKey,
                    const std::array<std::uint8_t, 64>& places);

// The gap pairs of one layout of the search, and their changes when the keys at two places
// exchange. Only an exchange between the hands changes them, and it flips the hands of both
// keys. The free keys are keys of the drawn keyboard (the space key never moves), so a triple's
// drawn ends never change.
//
// Class 1: with each start key's sign +1 on the left hand and -1 on the right, a triple of drawn
// ends x, y, z gives a class 1 pair when x and z have one sign and y the other, that is
// (1 - xy + xz - yz) / 4 of the signs. The class 1 pairs are therefore a constant plus a sum
// over pairs of keys of a weight times their signs' product, and flipping two keys changes it
// by their fields (each key's weights times the signs of the keys it pairs with) and their own
// pair's weight: an exchange is scored in a few steps and taken in one pass over the keys.
//
// The key sets: a set loses a pair for each hand it uses, so an exchange changes it only when
// it holds one of the two keys and one of its hands has at most one key (it is on the edge).
// Sets whose hands no exchange can change, given the keys that never move, are left out. A set
// with k keys on a hand that it may lose is at least k - 1 exchanges from the edge, since an
// exchange moves at most one of its keys over: each set is either in the edge lists of all its
// free keys, or due to be looked at again when enough exchanges have passed to bring it there.
// Sets that leave the edge drop out of the moved keys' lists, so the lists stay short.
class GapState {
 public:
  GapState(const GapWindows& windows, const std::vector<int>& freeKeys, int leftHandLastKey,
           const std::array<std::uint8_t, 64>& places);

  GapPairs Delta(int a, int b) const;
  void Exchange(int a, int b);
  const GapPairs& Now() const { return now_; }

 private:
  struct Term {
    std::uint64_t Keys;
    std::int64_t Count;
    std::uint64_t Listed = 0;  // the free keys in whose edge lists it stands
    std::uint8_t Size;
    std::uint8_t Sides;  // the hands it may lose: bit 0 the left, bit 1 the right
    bool BothHands;      // a run: counts its hands; else a space's neighbours: their left hand only
    bool Due = false;    // waiting in due_
  };
  // A term in an edge list, with what scoring and pruning read of it.
  struct Edge {
    std::uint64_t Keys;
    std::int64_t Count;
    std::uint32_t Term;
    std::uint8_t Size;
    std::uint8_t Sides;
    bool BothHands;
  };
  // A term waiting in due_, with what its distance takes.
  struct Waiting {
    std::uint64_t Keys;
    std::uint32_t Term;
    std::uint8_t Size;
    std::uint8_t Sides;
  };
  static constexpr std::size_t kDueSlots = 64;  // more than any set's distance from the edge
  bool Left(int place) const { return place <= leftHandLastKey_; }
  // How many exchanges at least until a set can be on the edge; 0 on it.
  int Distance(std::uint64_t keys, int size, int sides) const;
  void List(std::uint32_t term);
  void CheckLater(const Waiting& waiting, int distance);
  // Drops from key's edge list the terms that left the edge.
  void Prune(int key);

  int leftHandLastKey_;
  std::array<std::uint8_t, 64> places_;
  std::array<std::uint8_t, 64> occupant_{};
  std::uint64_t free_ = 0;
  std::uint64_t leftKeys_ = 0;  // the start keys on the left hand now
  // Class 1: four times the weight of each pair of start keys [x * 64 + y], and each key's
  // field, the sum of its weights times the other keys' signs.
  std::vector<std::int64_t> coupling_ = std::vector<std::int64_t>(64 * 64);
  std::array<std::int64_t, 64> field_{};
  std::vector<Term> terms_;
  std::array<std::vector<Edge>, 64> edgeOf_;  // by start key
  // Terms to look at again, by the count of exchanges between the hands when they are due.
  std::array<std::vector<Waiting>, kDueSlots> due_;
  std::vector<Waiting> dueNow_;
  std::uint64_t exchanges_ = 0;  // exchanges between the hands so far
  GapPairs now_;
};

}  // namespace kananet::search
