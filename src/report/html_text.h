// The small pieces of text that the page's parts share: escaping, numbers and counts as the
// page writes them, keys by their kana and names, and a layout's counting mode.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "report/layout_figures.h"
#include "report/layout_summary.h"
#include "report/network_file.h"

namespace kananet::report {

inline constexpr std::array<std::string_view, kRowCount> kRowNames = {"number", "top", "home",
                                                                      "bottom"};
inline constexpr std::array<std::string_view, kBandCount> kBandNames = {"gap 0", "gap 1", "gap 2+"};

// Marks a count that the file's six significant digits may have rounded.
inline constexpr std::string_view kApproxMark =
    R"(<span class="approx" title="beyond the six significant digits of the file">≈</span>)";

// Text made safe for HTML element content and attribute values.
std::string EscapeHtml(std::string_view text);

// value with `digits` digits after the point, independent of the locale.
std::string Fixed(double value, int digits);

// A count with grouped digits: marked ≈ (html) or "about" (text) when it is not exact.
std::string CountHtml(const Count& count);
std::string CountText(const Count& count);
// "about 3 times" / "1 time".
std::string TimesText(const Count& count);
// part as % of whole with one decimal; "–" when whole is 0.
std::string PercentText(double part, double whole);
std::string PercentHtml(const Count& part, const Count& whole);

// A key as the page names it in text: its kana, or its key character in brackets.
std::string KeyText(const Network& network, int key);
// Its kana, key character and index, for tooltips.
std::string KeyDescription(const Network& network, int key);
// "key a (12)".
std::string KeyReference(int key);

// A known figure as the page gives it: per 100 kana of the text when those are known, with its
// share of the layout's strokes beside it (labelled), else the share or the count alone; the
// count and label in the tooltip. cellClass may be empty.
std::string FigureCellHtml(const Figure& figure, const std::string& cellClass = "");

// What FigureCellHtml gives for these views: "per 100 kana of the text · % of the strokes" or
// "% of the strokes".
std::string FigureUnitText(const std::vector<LayoutView>& views);

// The layout's name as the tables give it: a link to its keyboard (layout-INDEX) when that is
// drawn and index is not 0, and a "stale" tag when its network file does not hold the counts of the
// text and layout now in the directory.
std::string LayoutNameHtml(const LayoutView& view, std::size_t index);
// The opening tag of the layout's table row, marked when it is stale.
std::string LayoutRowOpen(const LayoutView& view);

// The layout's counting mode as a coloured badge, with what it means on hover.
std::string ModeHtml(const LayoutView& view);

}  // namespace kananet::report
