// The search over both kinds of move: keys exchanging places, and kana exchanging their key
// sequences, with the entries that follow a kana (its voiced, semi-voiced or small form, typed
// as its keys with more keys before or after) moving along with it. Entries' kana and order
// never change, so the text splits into the same pieces for every layout of the search: a
// kana move is scored from the counts of the pieces and of the pieces that follow each other.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "analysis/piece_counts.h"
#include "readers/layout.h"
#include "search/key_search.h"

namespace kananet::search {

// A layout of the search: where each start key is now, and for each kana unit the unit whose
// start keys it types now (empty when kana do not move). Kana moves are taken first, then the
// keys are moved: every entry types places applied to its unit's keys.
struct Arrangement {
  Places At = StartPlaces();
  std::vector<std::uint16_t> Holds;
  friend auto operator<=>(const Arrangement&, const Arrangement&) = default;
};

// The longest key sequence a kana move gives or takes.
inline constexpr std::size_t kLongestMoved = 10;

// Whether two of sizes are equal.
bool AnyTwoEqual(std::vector<std::size_t> sizes);

// The kana that move, each with the entries that follow it, and the counts of the pieces.
class KanaUnits {
 public:
  // A unit is an entry of the first slots that is used (no earlier entry's kana begins its
  // own), has keys, is not pinned, types only free keys, and follows no other unit.
  KanaUnits(const std::vector<LayoutEntry>& table, std::size_t slots, const PieceCounts& pieces,
            const std::vector<bool>& pinned, const std::vector<int>& freeKeys);

  std::size_t Size() const { return units_.size(); }
  // From now on, two units exchange their keys only when these are of equal length, so that no
  // kana move changes the strokes (by default any two may).
  void KeepLengths() { keepLengths_ = true; }
  // Whether a kana move may change the strokes: two units' keys differ in length, and lengths
  // are not kept.
  bool LengthsMayChange() const;
  // Whether any two units may exchange their keys: two at all, of keys of equal length where
  // lengths are kept.
  bool AnyMayExchange() const;
  std::vector<std::uint16_t> StartHolds() const;
  // The table's first slots entries with the keys of holds, start keys.
  std::vector<LayoutEntry> TableOf(const std::vector<std::uint16_t>& holds) const;
  StrokeCounts StrokesOf(const std::vector<std::uint16_t>& holds) const;
  // What each slot strikes: a unit's keys (those it holds now) for the units and the entries
  // that follow them, start keys for every other slot.
  std::vector<SlotShape> Shapes() const;

 private:
  friend class LayoutState;
  struct Follower {
    std::uint32_t Slot = 0;
    std::string Before, After;  // the keys around the unit's own
  };
  struct Unit {
    std::uint32_t Slot = 0;
    std::vector<Follower> Followers;
  };
  struct Link {
    std::uint32_t Other = 0;
    std::uint64_t Count = 0;
  };
  std::vector<LayoutEntry> table_;  // the first slots of the start
  PieceCounts pieces_;
  std::vector<Unit> units_;
  std::vector<bool> counted_;  // the entries whose keys no other may take
  bool keepLengths_ = false;
  // The follows by slot: after[afterStart[s] .. afterStart[s + 1]) follow s, before[...] precede.
  std::vector<std::uint32_t> afterStart_, beforeStart_;
  std::vector<Link> after_, before_;
};

// A layout of the search with its strokes and cost, changed move by move.
class LayoutState {
 public:
  // kana may be null: then only keys move.
  LayoutState(const KeyProblem& keys, const KanaUnits* kana, const Places& places);

  double KeyDelta(int a, int b) const { return keys_.Delta(a, b); }
  void ExchangeKeys(int a, int b);
  // The change of cost when units u and w exchange their keys; nothing when that would give
  // two entries the same keys or an entry more than kLongestMoved keys.
  std::optional<double> KanaDelta(std::size_t u, std::size_t w) const;
  void ExchangeKana(std::size_t u, std::size_t w);
  double Cost() const { return keys_.Cost(); }
  // The scale of the cost now (KeyProblem::CostScale), from the figures counted afresh.
  double CostScale() const;
  Arrangement Now() const { return {keys_.PlacesNow(), holds_}; }

 private:
  struct Sequence {
    std::uint8_t Size = 0;
    std::array<std::uint8_t, kLongestMoved> Keys{};
    std::uint8_t Front() const { return Keys[0]; }
    std::uint8_t Back() const { return Keys[Size - 1u]; }
  };
  struct Change {
    std::uint32_t Slot = 0;
    Sequence Before, After;  // keys now and after the move
    std::uint64_t CodeBefore = 0, CodeAfter = 0;
  };
  // The entries units u and w move and their keys before and after; false when a sequence
  // would grow too long, or change its length where lengths are kept.
  bool Changes(std::size_t u, std::size_t w, std::vector<Change>& changes) const;
  bool Distinct(const std::vector<Change>& changes) const;
  // Calls add(first, second, count) for each follow a changed entry takes part in, with the
  // keys of the two ends before and after the move.
  template <typename Add>
  void ForEachFollow(const std::vector<Change>& changes, Add add) const;
  double SelfCost(const Sequence& keys) const;

  KeyState keys_;
  const KanaUnits* kana_;
  std::vector<std::uint16_t> holds_;
  std::vector<Sequence> now_;  // the keys of each entry that moves or follows one, by slot
  std::vector<std::uint8_t> first_, last_;        // the first and last key of every entry now
  Places startKey_{};                             // the start key now at each key
  std::unordered_map<std::uint64_t, int> taken_;  // the start keys of the counted entries
  // The changes as units retyped, for the gap classes from the unit windows.
  const std::vector<Retyped>& RetypedOf(const std::vector<Change>& changes) const;

  mutable std::vector<Change> scratch_;
  mutable std::vector<Retyped> retyped_;
};

// Where a round of the search starts: round 0 from the starting layout, the others from a
// random arrangement of the free keys (and of the units, when kana move).
LayoutState StartOfRound(const KeyProblem& keys, const KanaUnits* kana, std::uint64_t seed,
                         std::uint64_t round);
// The places a round starts from: round 0 the start's, the others a random arrangement of the
// free keys, drawn from random.
Places StartPlacesOfRound(const std::vector<int>& keys, std::uint64_t round, Random& random);
// The source of a round's random start.
Random RandomOfRound(std::uint64_t seed, std::uint64_t round);

// Takes the best move (an exchange of two of keys or of two of the first units) while one
// lowers the cost by more than rounding, a fraction of the cost's scale, whatever the weights.
// candidates counts the moves scored; stop, checked between steps, ends it early (false);
// accepted, when given, sees every layout moved to. State is a LayoutState, or an ActionState
// (action_stream.h) for a layout that presses keys together.
template <typename State>
bool Improve(State& state, const std::vector<int>& keys, std::size_t units,
             std::atomic<std::uint64_t>& candidates, const std::atomic<bool>& stop,
             const std::type_identity_t<std::function<void(const State&)>>& accepted);

// Simulated annealing: steps random exchanges of two of keys or of two of the first units, a
// rise of cost taken with chance exp(-rise / T) as T falls, from the seed and round alone.
template <typename State>
bool Anneal(State& state, const std::vector<int>& keys, std::size_t units, std::uint64_t seed,
            std::uint64_t round, std::uint64_t steps, std::atomic<std::uint64_t>& candidates,
            const std::atomic<bool>& stop,
            const std::type_identity_t<std::function<void(const State&)>>& accepted);
// The steps of a round's annealing for so many free keys and units: 50 per pair of each.
std::uint64_t AnnealingSteps(std::size_t keys, std::size_t units);

// Whether the cost a layout keeps, changed move by move, agrees with the cost scored from
// scratch, up to the rounding of the changes added up.
bool CostsAgree(double kept, double scored);

// A round whose kept cost disagrees with its layout's cost from scratch: a change was scored
// wrong, an internal error.
struct CostDrifted : std::logic_error {
  using std::logic_error::logic_error;
};

// One round of the search: from StartOfRound, annealed, then improved while a move lowers the
// cost (the greedy polish). At its end, even when stopped early, the cost kept is checked
// against the layout's cost from scratch (throws CostDrifted on a difference).
struct RoundResult {
  Arrangement At{};
  FigureCounts Figures{};
  double Cost = 0;
  bool Whole = true;
};
RoundResult RunRound(const KeyProblem& keys, const KanaUnits* kana, std::uint64_t seed,
                     std::uint64_t round, std::atomic<std::uint64_t>& candidates,
                     const std::atomic<bool>& stop,
                     const std::function<void(const LayoutState&)>& accepted);

// The figures of the start moved to an arrangement, from the counts alone.
FigureCounts FiguresAt(const KeyProblem& keys, const KanaUnits* kana, const Arrangement& at);

// The moves from the start to holds, as exchanges of two units each.
std::vector<std::pair<std::size_t, std::size_t>> ExchangesTo(
    const std::vector<std::uint16_t>& holds);

// The first slots of table with the keys of an arrangement.
std::vector<LayoutEntry> TableAt(const std::vector<LayoutEntry>& table, std::size_t slots,
                                 const KanaUnits* kana, const Arrangement& at);

}  // namespace kananet::search
