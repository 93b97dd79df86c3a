// The page's figures for scripts: CSV and JSON, UTF-8.
//
// CSV: one header line, then one row per figure, key and key pair, with the columns
//   layout,record,figure,key,other_key,gap,count,percent,exact,difference,per_100_kana,
//   difference_per_100_kana,kana
// and records "problem" (figure: same_finger, repeats or row_jumps; key, other_key: the two
// strokes; count; kana: the kana behind them), the heaviest of each figure first.
// A field that begins with =, +, -, @, TAB or CR gets a leading ' so that spreadsheets keep it
// as text.
// record is "figure" (figure: its id), "key" (key: the key character; count: strokes),
// "repeat" (key; gap: 0, 1 or 2; count: the key after itself) or "pair" (key, other_key; gap;
// count: the two keys after each other in either order, as the network file has them).
//
// JSON (version 1): {"format": "kananet-report", "version": 1, "source", "baseline",
// "sampleText": {"name", "bytes", "kana", "runs"} or null, "fingers": {"left": [14 finger
// names by column], "right": [...]}, "layouts": [{"name", "networkFile", "layoutFile",
// "counting": "by strokes" | "by kana" | null, "header", "leftHandLastKey", "countsFromText",
// "stale", "moves": [{"kana", "from", "to"}] (a layout kananet-search found: each kana whose
// keys changed from its start, as the line after its header lists them) or null, "figures":
// [{"id", "label", "known", "count", "percent", "exact", "difference", "per100Kana",
// "differencePer100Kana"}], "problemPairs": {"same_finger": [{"kana", "keys":
// [a, b], "count"}], "repeats": [...], "row_jumps": [...]} or null,
// "findings": [{"severity", "location", "message"}], "keys": [{"index", "key", "label",
// "kanaAlone", "kanaWithKeys", "finger", "strokes", "exact", "repeats": [3 counts]}],
// "pairs": [{"gap", "keys": [a, b], "count", "exact"}]}]}. Unknown values are null.
// With a search file (--cost), "costFile" follows "baseline", and each layout has "cost":
// {"total", "strokesPer100Kana", "terms": [{"id", "weight", "count", "per100Kana", "cost"}]} or
// null after "moves"; the CSV has two more columns, weight and cost, and records "cost": one
// per weighted figure (figure, count, per_100_kana, weight, cost: its term), then the total
// (figure empty).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/layout_details.h"
#include "report/layout_figures.h"

namespace kananet::report {

struct ExportInput {
  std::string Source;  // UTF-8
  const WorkingDirectory* Working = nullptr;
  const std::vector<LayoutView>* Views = nullptr;
  std::optional<std::size_t> Baseline;   // index into views
  const SearchSettings* Cost = nullptr;  // with --cost: the views' costs are written too
  std::string CostFile;                  // its name, UTF-8
};

std::string ExportCsv(const ExportInput& input);
std::string ExportJson(const ExportInput& input);

// The difference of figure `index` of views[layout] from the baseline's, if any.
std::optional<double> DifferenceFromBaseline(const std::vector<LayoutView>& views,
                                             std::optional<std::size_t> baseline,
                                             std::size_t layout, std::size_t index);
// The same per 100 kana of the text.
std::optional<double> DifferencePerHundredKanaFromBaseline(const std::vector<LayoutView>& views,
                                                           std::optional<std::size_t> baseline,
                                                           std::size_t layout, std::size_t index);

}  // namespace kananet::report
