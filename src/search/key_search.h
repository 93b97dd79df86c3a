// The search over key exchanges: a layout's keys given new places, scored from the strokes of
// the starting layout counted once. Exchanging two keys changes only the counts of the rows
// and columns of those two keys, so a candidate is scored by its change alone.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/figures.h"
#include "analysis/piece_counts.h"
#include "cost/search_file.h"
#include "search/gap_windows.h"
#include "search/hand_sets.h"
#include "search/unit_gaps.h"

namespace kananet::search {

// Where each key of the starting layout is now: Place[start key] = key.
using Places = std::array<std::uint8_t, 64>;
Places StartPlaces();
// Each slot's keys with the start key k at places[k].
std::vector<std::string> KeysAt(std::vector<std::string> keys, const Places& places);

// What the search needs of a problem: the starting layout's strokes, which keys may change
// places, and each figure's weight per stroke of a key or pair of keys. With the start's gap
// windows (when only keys move and gap class 1 or 2+ has a weight), the figures and cost of
// places take in those classes too: counted by kana, only every same-hand pair from them, and
// the classes 0 and 1 from the unit windows, which a layout counted by kana needs for any
// weight on its gap classes. Counted by strokes, unit windows counted so (where kana move)
// give class 1 in place of the gap windows. Where kana move, every same-hand pair comes from the
// hand sets, beside the unit windows. With finger targets, the cost takes in their term.
// How large the terms of the cost of figures under weights can be, whatever their signs: every
// weight times the largest count per 100 kana, and the finger targets' term at its largest. A
// change of cost a tiny fraction of this is rounding.
double CostScaleOf(const FigureCounts& figures, const FigureWeights& weights, std::uint64_t kana,
                   const SearchSettings* fingerTargets);

class KeyProblem {
 public:
  KeyProblem(const StrokeCounts& start, std::vector<int> freeKeys, const FigureWeights& weights,
             int leftHandLastKey, bool countByKana, std::uint64_t kana,
             const GapWindows* windows = nullptr, const SearchSettings* fingerTargets = nullptr,
             const UnitWindows* units = nullptr, const HandSets* hands = nullptr);

  const std::vector<int>& FreeKeys() const { return freeKeys_; }
  const StrokeCounts& Start() const { return start_; }
  // The figures and cost of the start with its keys moved to places.
  FigureCounts FiguresAt(const Places& places) const;
  // The same for other strokes of the start's keys, such as those of its kana moved.
  FigureCounts FiguresAt(const StrokeCounts& strokes, const Places& places) const;
  double CostOf(const FigureCounts& figures) const;
  // Whether the figures and cost take in figure. Counted by strokes, gap class 0 always is,
  // classes 1 and 2+ with the gap windows or the hand sets, and class 1 with the unit windows.
  // Counted by kana, classes 0 and 1 are with the unit windows, and class 2+ with those and the
  // gap windows or the hand sets. Every other figure is.
  bool Scores(int figure) const;
  // How large the terms of the cost of figures can be (CostScaleOf).
  double CostScale(const FigureCounts& figures) const {
    return CostScaleOf(figures, weights_, kana_, fingerTargets_);
  }
  // Whether the cost takes in gap classes from the unit windows.
  bool HasUnitGaps() const { return units_ != nullptr; }
  // Sets the gap classes from the unit windows of a layout whose slots type keys, with the
  // start keys at places.
  void UnitGapsInto(FigureCounts& figures, const std::vector<std::string>& keys,
                    const Places& places) const;
  // The cost of one stroke of key, and of key second right after key first.
  double KeyWeight(int key) const { return keyWeight_[static_cast<std::size_t>(key)]; }
  double PairWeight(int first, int second) const {
    return pairWeight_[static_cast<std::size_t>(first * 64 + second)];
  }
  bool HasFingerTargets() const { return fingerTargets_ != nullptr; }
  // The finger that strikes key, as an index of strokes by finger.
  std::size_t FingerAt(int key) const { return fingerAt_[static_cast<std::size_t>(key)]; }

 private:
  friend class KeyState;
  StrokeCounts start_;
  std::vector<int> freeKeys_;
  FigureWeights weights_;
  int leftHandLastKey_;
  bool countByKana_;
  std::uint64_t kana_;
  const GapWindows* windows_;
  const SearchSettings* fingerTargets_;
  const UnitWindows* units_;
  const HandSets* hands_;
  // Class 2+ is every same-hand pair less those of classes 0 and 1: its weight moves onto
  // those two classes (less) and onto every same-hand pair (more).
  double classOneWeight_ = 0;
  double allPairsWeight_ = 0;
  // The weights of the classes from the unit windows (0 and 1 counted by kana, 1 by strokes)
  // less that of class 2+, which goes on every same-hand pair.
  double unitZeroWeight_ = 0;
  double unitOneWeight_ = 0;
  std::array<double, 64> keyWeight_{};
  std::array<std::uint8_t, 64> fingerAt_{};
  std::array<double, 64 * 64> pairWeight_{};   // [first * 64 + second]
  std::array<double, 64 * 64> pairWeightT_{};  // [second * 64 + first]
};

// One layout of the search: the strokes by the keys' places now, and the changes of cost.
class KeyState {
 public:
  KeyState(const KeyProblem& problem, const Places& places);

  // The change of cost when keys a and b exchange places.
  double Delta(int a, int b) const;
  void Exchange(int a, int b);
  // The change of the finger targets' term when the strokes by finger change by moved.
  double FingerDelta(const std::array<double, kFingerCount>& moved) const;
  // Adds count strokes of key, or of key second right after key first, as when a kana takes
  // other keys.
  void AddStrokes(int key, double count);
  void AddPairs(int first, int second, double count);
  // The change of cost when units retype (their keys by place), and taking it; with no gap
  // classes from the unit windows, nothing.
  double RetypeDelta(const std::vector<Retyped>& retyped) const;
  void Retype(const std::vector<Retyped>& retyped);
  const Places& PlacesNow() const { return places_; }
  const KeyProblem& Problem() const { return problem_; }
  double Cost() const { return cost_; }  // kept by adding the changes

 private:
  const KeyProblem& problem_;
  Places places_;
  std::array<std::uint8_t, 64> occupant_{};  // the start key now at each key
  std::array<double, 64> strokes_{};
  std::array<double, 64 * 64> pairs_{};
  std::array<double, 64 * 64> pairsT_{};
  // The change of cost when keys a and b exchange places, but for the gap classes counted by
  // kana, whose state gives its change as it takes the exchange.
  double DeltaOfKeys(int a, int b) const;
  std::array<double, kFingerCount> FingersAfter(int a, int b) const;
  double FingerCostAfter(int a, int b) const;
  std::optional<GapWindowState> gaps_;
  std::optional<UnitGapState> units_;
  std::optional<HandSetState> hands_;
  std::array<double, kFingerCount> fingers_{};  // strokes by finger, with finger targets
  double fingerCost_ = 0;
  double cost_ = 0;
};

// The moves from the start to places, as exchanges of two keys each.
std::vector<std::pair<int, int>> ExchangesTo(const Places& places);

// A small deterministic random source, the same on every machine.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  std::size_t Below(std::size_t bound) { return static_cast<std::size_t>(Next() % bound); }

 private:
  std::uint64_t state_;
};

}  // namespace kananet::search
