// The page's tables, one section each: the comparison of the layouts, their finger figures, and
// the differences of every figure from a baseline.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "report/layout_figures.h"

namespace kananet::report {

// Strokes, hands, rows, same-hand pairs by gap class and the heaviest pairs, with notes on how
// they are read back from the network files.
std::string ComparisonSection(const std::vector<LayoutView>& views);

// Each layout's cost under the search file named file, as kananet-search scores it, and its
// terms: every weighted figure per 100 kana times its weight.
std::string CostSection(const std::vector<LayoutView>& views, const SearchSettings& settings,
                        const std::string& file);

// Which finger strikes each column, then each layout's strokes per finger and the figures that
// need the order of the strokes.
std::string FingersSection(const std::vector<LayoutView>& views);

// The kana behind each layout's same-finger pairs, repeats and row jumps; empty without them.
std::string ProblemPairsSection(const std::vector<LayoutView>& views);

// Every figure of every layout minus views[baseline]'s, marked better or worse.
std::string DifferencesSection(const std::vector<LayoutView>& views, std::size_t baseline);

}  // namespace kananet::report
