// Every figure the page shows of a layout, as one list that the page, the differences from a
// baseline and the CSV and JSON exports all read, so that they cannot disagree.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "report/fingers.h"
#include "report/html_report.h"
#include "report/layout_details.h"
#include "report/layout_summary.h"

namespace kananet::report {

enum class Better { kNeither, kLower, kHigher };

struct Figure {
  std::string Id;     // stable name for scripts: "strokes", "row.home", "finger.left_index", ...
  std::string Label;  // as the page names it
  bool Known = false;
  Count Tally;          // the count behind it
  bool IsShare = true;  // a share of the strokes; else the count itself is the figure
  double Percent = 0;   // count as % of the strokes, when IsShare
  Better Preferred = Better::kNeither;
  bool GapFigure = false;  // a gap class share: comparable only between layouts of one mode
  std::string UnknownWhy;  // when not known
};

struct LayoutView {
  const ReportEntry* Entry = nullptr;
  const LayoutDetails* Details = nullptr;  // null without the working directory's layout
  LayoutSummary Summary;
  int LeftHandLastKey = 0;  // from the header, else from the edges when they fix it
  bool SplitKnown = false;
  bool CountsFromText = false;  // the figures of pairs come from counts made again
  bool Stale = false;           // the network file does not hold those counts
  FingerFigures Fingers;
  std::vector<Figure> Figures;
};

// details[i] belongs to entries[i] (null or missing: no layout file); withLayouts tells whether
// the working directory's layout/ was read at all.
std::vector<LayoutView> ViewLayouts(const std::vector<ReportEntry>& entries,
                                    const std::vector<const LayoutDetails*>& details,
                                    bool withLayouts = false);

// The difference of a known figure from the baseline's, in percentage points for a share;
// nothing when either is unknown or they are not comparable.
std::optional<double> Difference(const Figure& figure, const Figure& baseline, bool sameMode);

// The figure with this id, or null.
const Figure* FindFigure(const LayoutView& view, std::string_view id);

// "by strokes", "by kana", or empty when the header is not known.
std::string CountingName(const LayoutView& view);

// A count with its digits grouped by thousands (1,234,567).
std::string Grouped(std::uint64_t value);
// "1 time", "2 times": count and noun, grouped digits.
std::string CountOf(std::uint64_t value, const std::string& singular, const std::string& plural);

}  // namespace kananet::report
