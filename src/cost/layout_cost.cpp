#include "cost/layout_cost.h"

namespace kananet {

LayoutCost CostOfLayout(const FigureCounts& counts, const SearchSettings& settings,
                        std::uint64_t kana) {
  LayoutCost cost;
  cost.Counts = counts;
  for (std::size_t figure = 0; figure < counts.size(); ++figure) {
    cost.PerHundredKana[figure] = WeightedFigure(counts[figure], 1, kana);
    cost.Terms[figure] = WeightedFigure(counts[figure], settings.Weights[figure], kana);
  }
  cost.Total = CostOf(counts, settings.Weights, kana);
  if (HasFingerTargets(settings)) {
    cost.FingerTargets = FingerTargetCostOf(counts, settings);
    cost.Total += cost.FingerTargets;
  }
  return cost;
}

double FingerTargetCostOf(const FigureCounts& counts, const SearchSettings& settings) {
  std::array<double, kFingerCount> fingers{};
  for (std::size_t finger = 0; finger < fingers.size(); ++finger) {
    fingers[finger] = static_cast<double>(counts[kFigureFingerFirst + finger]);
  }
  return FingerTargetCost(fingers, settings);
}

double FingerTargetCost(const std::array<double, kFingerCount>& fingerStrokes,
                        const SearchSettings& settings) {
  double all = 0;
  for (const double strokes : fingerStrokes) {
    all += strokes;
  }
  double sum = 0;
  for (std::size_t finger = 0; finger < fingerStrokes.size(); ++finger) {
    if (settings.FingerTargets[finger]) {
      const double share = all > 0 ? fingerStrokes[finger] / all : 0;
      const double off = 100 * (share - *settings.FingerTargets[finger]);
      sum += off * off;
    }
  }
  return settings.FingerTargetWeight * sum;
}

}  // namespace kananet
