// Every figure the page shows of a layout, as one list that the page, the differences from a
// baseline and the CSV and JSON exports all read, so that they cannot disagree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codes/number_format.h"
#include "cost/layout_cost.h"
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
  // The count per 100 kana of the text, which is the same for every layout of a batch, so that
  // layouts that need more strokes for the same text do not look better for it.
  bool PerKanaKnown = false;
  double PerHundredKana = 0;
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
  bool KeyboardDrawn = true;    // the page draws its keyboard
  FingerFigures Fingers;
  std::vector<Figure> Figures;
  // The cost under the page's search file, from the counts made again from the text; without
  // them, nothing and the reason.
  std::optional<LayoutCost> Cost;
  std::string CostUnknownWhy;
};

// details[i] belongs to entries[i] (null or missing: no layout file); withLayouts tells whether
// the working directory's layout/ was read at all; textKana is the sample text's kana (0: not
// known).
std::vector<LayoutView> ViewLayouts(const std::vector<ReportEntry>& entries,
                                    const std::vector<const LayoutDetails*>& details,
                                    bool withLayouts = false, std::uint64_t textKana = 0);

// The views of a page's layouts, with the working directory's text and layouts if any, and
// their costs when the context has a search file.
std::vector<LayoutView> ViewPage(const std::vector<ReportEntry>& entries,
                                 const PageContext& context);

// The difference of a known figure from the baseline's, in percentage points for a share;
// nothing when either is unknown or they are not comparable.
std::optional<double> Difference(const Figure& figure, const Figure& baseline, bool sameMode);

// The figure with this id, or null.
const Figure* FindFigure(const LayoutView& view, std::string_view id);
// The figure of this FigureId; a view holds every figure.
const Figure& FigureOf(const LayoutView& view, int figure);

// The difference of a known figure per 100 kana from the baseline's; nothing when either is
// unknown, the kana are not known or they are not comparable.
std::optional<double> DifferencePerHundredKana(const Figure& figure, const Figure& baseline,
                                               bool sameMode);

// Whether the figure is better or worse than the baseline's. Figures that are better fewer are
// judged per 100 kana (more strokes for the same text are more work; without the text's kana,
// on their counts, which are of the same text); shares that are better higher (home row,
// alternation, inward rolls) on the share of the strokes, where a layout that needs more
// strokes would otherwise gain from them. Not known without a direction or a difference.
struct Judgement {
  bool Known = false;
  bool Better = false;
  bool OnShare = false;  // judged on the share of the strokes
};
Judgement Judge(const Figure& figure, const Figure& baseline, bool sameMode);

// Whether the two layouts count in one known mode, so that their gap figures compare.
bool SameMode(const LayoutView& a, const LayoutView& b);

// What to do about a stale network file: run kananet again, or first define the kana of the
// text that stops the batch at this layout.
std::string StaleAdvice(const LayoutView& view);

// "by strokes", "by kana", or empty when the header is not known.
std::string CountingName(const LayoutView& view);

// "1 time", "2 times": count and noun, grouped digits.
std::string CountOf(std::uint64_t value, const std::string& singular, const std::string& plural);

}  // namespace kananet::report
