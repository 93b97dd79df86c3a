// A layout's cost under a search file: each weighted figure's count per 100 kana times its
// weight, summed. kananet-search minimises it and kananet-report shows it with its terms, so
// both give the same number for the same layout.
#pragma once

#include <array>
#include <cstdint>

#include "analysis/figures.h"
#include "cost/search_file.h"

namespace kananet {

struct LayoutCost {
  FigureCounts Counts{};
  std::array<double, kFigureCount> PerHundredKana{};
  std::array<double, kFigureCount> Terms{};  // by figure; 0 for a figure of no weight
  double Total = 0;
};

LayoutCost CostOfLayout(const FigureCounts& counts, const SearchSettings& settings,
                        std::uint64_t kana);

}  // namespace kananet
