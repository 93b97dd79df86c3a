// A layout's cost under a search file: each weighted figure's count per 100 kana times its
// weight, summed. kananet-search minimises it and kananet-report shows it with its terms, so
// both give the same number for the same layout.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "analysis/figures.h"
#include "cost/search_file.h"

namespace kananet {

struct LayoutCost {
  FigureCounts Counts{};
  std::array<double, kFigureCount> PerHundredKana{};
  std::array<double, kFigureCount> Terms{};  // by figure; 0 for a figure of no weight
  double FingerTargets = 0;                  // the term of the finger targets
  double Total = 0;
};

// The term of the finger targets: their weight times the sum, over the fingers with a target,
// of the squared difference between the finger's share of all strokes and its target, in
// percentage points. Squared, so that one finger far off costs more than several a little off.
// fingerStrokes are the strokes of each finger, by Finger.
double FingerTargetCost(const std::array<double, kFingerCount>& fingerStrokes,
                        const SearchSettings& settings);
// The same from a layout's figures: the strokes of each finger are among them.
double FingerTargetCostOf(const FigureCounts& counts, const SearchSettings& settings);
inline bool HasFingerTargets(const SearchSettings& settings) {
  return settings.FingerTargetWeight != 0 &&
         std::any_of(settings.FingerTargets.begin(), settings.FingerTargets.end(),
                     [](const std::optional<double>& target) { return target.has_value(); });
}

LayoutCost CostOfLayout(const FigureCounts& counts, const SearchSettings& settings,
                        std::uint64_t kana);

}  // namespace kananet
