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
  return cost;
}

}  // namespace kananet
