#include "report/html_report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "codes/keyboard.h"
#include "report/exports.h"
#include "report/fingers.h"
#include "report/layout_figures.h"
#include "report/layout_summary.h"

namespace kananet::report {

namespace {

// Network coordinates span about 0..1; the drawing uses this many SVG units for one.
constexpr double kUnit = 1000;

constexpr std::array<std::string_view, kRowCount> kRowNames = {"number", "top", "home", "bottom"};
constexpr std::array<std::string_view, kBandCount> kBandNames = {"gap 0", "gap 1", "gap 2+"};

constexpr std::string_view kStyle = R"(
:root { color-scheme: light; }
body { margin: 24px; color: #1d2430; background: #fff; line-height: 1.45;
  font-family: "DejaVu Sans", "Segoe UI", "Helvetica Neue", Arial, "Noto Sans CJK JP",
    "IPAPGothic", "Hiragino Sans", "Yu Gothic", "Meiryo", sans-serif; }
h1 { font-size: 1.6rem; margin: 0; }
h2 { font-size: 1.15rem; margin: 28px 0 8px; }
h3 { font-size: 1.05rem; margin: 0 0 4px; }
.source { color: #5b6678; margin: 2px 0 0; }
code { font-family: "DejaVu Sans Mono", ui-monospace, monospace; font-size: 0.92em; }
.failures { border-left: 4px solid #c0392b; background: #fdf0ee; padding: 6px 16px; margin-top: 16px; }
.failures h2 { margin-top: 6px; color: #a12a1f; }
.failures li { margin: 2px 0; }
.table-box { overflow-x: auto; }
table { border-collapse: collapse; font-variant-numeric: tabular-nums; width: 100%; }
th, td { padding: 4px 8px; border-bottom: 1px solid #dde3ec; text-align: right; white-space: nowrap; }
th:first-child, td:first-child, td.pairs { text-align: left; }
td.pairs { white-space: normal; min-width: 14rem; }
ol.pairs li { white-space: nowrap; }
thead th { background: #f1f4f9; font-weight: 600; vertical-align: bottom; white-space: normal; }
table.differences { width: auto; }
thead tr:first-child th { border-bottom: none; }
tbody tr:hover { background: #f7f9fc; }
a { color: #1c4fb8; }
.approx { color: #b4420e; font-weight: 700; }
ol.pairs { list-style: none; margin: 0; padding: 0; }
ol.pairs li { display: inline; }
ol.pairs li + li::before { content: " \B7  "; color: #8a94a6; }
.notes { color: #4a5566; max-width: 72rem; font-size: 0.92rem; }
.notes p { margin: 6px 0; }
.legend { display: flex; flex-wrap: wrap; gap: 8px 28px; align-items: center; font-size: 0.92rem;
  color: #4a5566; margin: 4px 0 12px; }
.legend div { display: flex; align-items: center; gap: 8px; max-width: 30rem; }
.legend svg { flex: none; }
.keyboards { display: grid; grid-template-columns: repeat(auto-fill, minmax(880px, 1fr));
  gap: 28px 32px; }
.mode { display: inline-block; padding: 0 6px; border-radius: 4px; font-size: 0.85rem;
  font-weight: 600; }
.mode.strokes { background: #e3ecfb; color: #173f91; }
.mode.kana { background: #fbe9d7; color: #8a3f00; }
.header-line { font-size: 0.9rem; margin: 0 0 4px; }
ul.findings { font-size: 0.9rem; margin: 0 0 8px; padding-left: 18px; }
.sev-error { color: #a12a1f; font-weight: 700; }
.sev-warning { color: #8a5a00; font-weight: 700; }
.sev-note { color: #4a5566; font-weight: 700; }
.stale { color: #a12a1f; font-size: 0.9rem; }
.bars { display: flex; align-items: flex-end; gap: 3px; height: 48px; }
.bars span { display: inline-block; width: 14px; background: #5477c4; }
.bars span.thumb { background: #8a94a6; }
.bars span.unknown { background: repeating-linear-gradient(45deg, #d3d9e3 0 3px, #fff 3px 6px);
  height: 100%; }
td.bars-cell { padding-bottom: 2px; }
.better { color: #1e7b34; font-weight: 600; }
.worse { color: #b3261e; font-weight: 600; }
.unknown-figure { color: #8a94a6; }
table.fingers-of-columns td, table.fingers-of-columns th { text-align: center; font-size: 0.85rem; }
.edge-switch { font-size: 0.95rem; margin: 4px 0 12px; display: inline-block; }
.edge.minor { display: none; }
#all-edges:checked ~ .keyboards .edge.minor { display: inline; }
.moved-mark { fill: none; stroke: #9c27b0; stroke-dasharray: 8 5; }
.layout .file { color: #5b6678; font-size: 0.85rem; margin: 0 0 6px; }
.layout .note { color: #b4420e; font-size: 0.85rem; margin: 0 0 6px; }
svg.keyboard { width: 100%; height: auto; display: block; }
.cell { fill: #f3f5f9; stroke: #d3d9e3; }
.stroke { stroke: #173f91; stroke-opacity: 0.35; }
.repeat { fill: #7a8c24; fill-opacity: 0.9; }
.marks { pointer-events: none; }
.kana { font-family: "Noto Sans CJK JP", "IPAPGothic", "IPAGothic", "Hiragino Sans",
  "Yu Gothic", "Meiryo", sans-serif; fill: #111a29; stroke: #fff; paint-order: stroke; text-anchor: middle;
  dominant-baseline: central; }
.keyname { fill: #5b6678; font-family: "DejaVu Sans Mono", monospace; }
.band-caption { fill: #5b6678; text-anchor: middle; dominant-baseline: central; }
.band-line { stroke: #c5ccd8; stroke-dasharray: 6 6; }
.edge { fill: none; stroke: #e8590c; stroke-linecap: round; }
.key:hover .cell { stroke: #1d2430; stroke-width: 3; }
.edge:hover { stroke: #8f2d00; stroke-opacity: 1; }
)";

std::string Fixed(double value, int digits) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits);
  return std::string(buffer, result.ptr);
}

constexpr std::string_view kApproxMark =
    R"(<span class="approx" title="beyond the six significant digits of the file">≈</span>)";

std::string CountHtml(const Count& count) {
  return (count.Exact ? "" : std::string(kApproxMark)) + Grouped(count.Value);
}

std::string CountText(const Count& count) {
  return (count.Exact ? "" : "about ") + Grouped(count.Value);
}

std::string TimesText(const Count& count) {
  return (count.Exact ? "" : "about ") + CountOf(count.Value, "time", "times");
}

std::string PercentText(double part, double whole) {
  return whole > 0 ? Fixed(100 * part / whole, 1) : std::string("–");
}

std::string PercentHtml(const Count& part, const Count& whole) {
  const bool exact = part.Exact && whole.Exact;
  return (exact ? "" : std::string(kApproxMark)) +
         PercentText(static_cast<double>(part.Value), static_cast<double>(whole.Value));
}

// A key as the page names it in text: its kana, or its key character in brackets.
std::string KeyText(const Network& network, int key) {
  const std::string& label = network.Keys[key].Label;
  return label.empty() ? "[" + std::string(1, KeyName(key)) + "]" : label;
}

std::string KeyDescription(const Network& network, int key) {
  const std::string& label = network.Keys[key].Label;
  return (label.empty() ? std::string("no kana alone") : label) + ", key " +
         std::string(1, KeyName(key)) + " (" + std::to_string(key) + ")";
}

Point StandardPosition(int key, int band) {
  // Usual places: the keyboard's geometry with four rows a band.
  return {KeyX(key), KeyY(key, band, kKeyRows)};
}

struct Scales {
  double MaxStrokeSize = 0;
  double MaxWeight = 0;
};

Scales FindScales(const std::vector<ReportEntry>& entries) {
  Scales scales;
  for (const ReportEntry& entry : entries) {
    for (int k = 1; k <= kKeysPerBand; ++k) {
      scales.MaxStrokeSize = std::max(scales.MaxStrokeSize, entry.Graph.Keys[k].StrokeSize);
    }
    for (const Edge& edge : entry.Graph.Edges) {
      scales.MaxWeight = std::max(scales.MaxWeight, static_cast<double>(edge.Weight.Value));
    }
  }
  return scales;
}

// The positions of one network as drawn, in network coordinates.
struct Placement {
  std::array<std::array<Point, kBandCount>, kKeysPerBand + 1> Stroke{};
  std::array<std::array<Point, kBandCount>, kKeysPerBand + 1> Repeat{};
  double Cell = 1.0 / 14;  // side of a key's cell
  bool Standard = false;   // the file's own positions could not be used
};

bool Finite(const Point& p) {
  return std::isfinite(p.X) && std::isfinite(p.Y);
}

Placement PlaceKeys(const Network& network) {
  Placement placement;
  bool finite = true;
  for (int k = 1; k <= kKeysPerBand; ++k) {
    for (int band = 0; band < kBandCount; ++band) {
      placement.Stroke[k][band] = network.Keys[k].StrokeAt[band];
      placement.Repeat[k][band] = network.Keys[k].RepeatAt[band];
      finite = finite && Finite(placement.Stroke[k][band]) && Finite(placement.Repeat[k][band]);
    }
  }
  if (!finite) {
    placement.Standard = true;
    for (int k = 1; k <= kKeysPerBand; ++k) {
      for (int band = 0; band < kBandCount; ++band) {
        placement.Stroke[k][band] = placement.Repeat[k][band] = StandardPosition(k, band);
      }
    }
  }
  // A cell is as large as the distance to the next column and to the next row allow.
  const double columnPitch = std::abs(placement.Stroke[5][0].X - placement.Stroke[1][0].X);
  const double rowPitch = std::abs(placement.Stroke[2][0].Y - placement.Stroke[1][0].Y);
  double cell = 0;
  for (const double pitch : {columnPitch, rowPitch}) {
    if (pitch > 1e-6 && (cell == 0 || pitch < cell)) {
      cell = pitch;
    }
  }
  if (cell > 0) {
    placement.Cell = cell;
  }
  return placement;
}

std::string Coord(double value) {
  return Fixed(value * kUnit, 1);
}

// Light to dark blue as t goes from 0 to 1.
std::string StrokeFill(double t) {
  const auto mix = [t](int from, int to) {
    return static_cast<int>(std::lround(from + (to - from) * std::clamp(t, 0.0, 1.0)));
  };
  return "rgb(" + std::to_string(mix(220, 28)) + "," + std::to_string(mix(232, 79)) + "," +
         std::to_string(mix(251, 184)) + ")";
}

std::string Rect(const std::string& cls, Point centre, double side, const std::string& extra) {
  return "<rect class=\"" + cls + "\" x=\"" + Coord(centre.X - side / 2) + "\" y=\"" +
         Coord(centre.Y - side / 2) + "\" width=\"" + Coord(side) + "\" height=\"" + Coord(side) +
         "\"" + extra + "/>";
}

std::string EdgePath(const Network& network, const Placement& placement, const Edge& edge,
                     double maxWeight, bool major) {
  const Point a = placement.Stroke[edge.FirstKey][edge.Band];
  const Point b = placement.Stroke[edge.SecondKey][edge.Band];
  // A slight bend keeps the edges of keys in one row apart from each other.
  const Point control = {(a.X + b.X) / 2 - (b.Y - a.Y) * 0.18,
                         (a.Y + b.Y) / 2 + (b.X - a.X) * 0.18};
  const double t = maxWeight > 0 ? static_cast<double>(edge.Weight.Value) / maxWeight : 0;
  const double width = placement.Cell * kUnit * (0.015 + 0.16 * t);
  return std::string(major ? "<path class=\"edge\" d=\"M" : "<path class=\"edge minor\" d=\"M") +
         Coord(a.X) + " " + Coord(a.Y) + "Q" + Coord(control.X) + " " + Coord(control.Y) + " " +
         Coord(b.X) + " " + Coord(b.Y) + "\" stroke-width=\"" + Fixed(width, 2) +
         "\" stroke-opacity=\"" + Fixed(0.25 + 0.7 * t, 3) + "\"><title>" +
         EscapeHtml(KeyText(network, edge.FirstKey) + " – " + KeyText(network, edge.SecondKey) +
                    " (keys " + KeyName(edge.FirstKey) + " and " + KeyName(edge.SecondKey) + "), " +
                    std::string(kBandNames[edge.Band]) + ": " + TimesText(edge.Weight)) +
         "</title></path>\n";
}

// Whether the key types something else alone than the baseline's key in its place.
bool Moved(const LayoutView& view, const LayoutView* baseline, int k) {
  return baseline && baseline != &view &&
         view.Entry->Graph.Keys[k].Label != baseline->Entry->Graph.Keys[k].Label;
}

std::string KeyTitle(const LayoutView& view, const LayoutView* baseline, int k, int band) {
  const Network& network = view.Entry->Graph;
  const Key& key = network.Keys[k];
  std::string text = KeyDescription(network, k) + "\nstruck " + TimesText(key.Strokes) +
                     "\nagain right after itself at " + std::string(kBandNames[band]) + ": " +
                     TimesText(key.Repeats[band]);
  if (view.SplitKnown) {
    text += "\nfinger: " + std::string(FingerName(FingerOf(k, view.LeftHandLastKey)));
  }
  if (view.Details) {
    const std::string& alone = view.Details->KanaAlone[k];
    const std::string& with = view.Details->KanaWithKeys[k];
    text += "\ntypes alone: " + (alone.empty() ? std::string("nothing") : alone);
    if (!with.empty()) {
      text += "\nwith other keys: " + with;
    }
  }
  if (Moved(view, baseline, k)) {
    const std::string& before = baseline->Entry->Graph.Keys[k].Label;
    text += "\nin " + baseline->Entry->Name + " this key types " +
            (before.empty() ? std::string("no kana alone") : before);
  }
  return "<title>" + EscapeHtml(text) + "</title>";
}

// The key's cell with its name; it carries the tooltip, since the marks above let the pointer
// through.
std::string KeyCell(const LayoutView& view, const LayoutView* baseline, const Placement& placement,
                    int k, int band) {
  const double cell = placement.Cell;
  const Point at = placement.Stroke[k][band];
  return "<g class=\"key\">" + KeyTitle(view, baseline, k, band) +
         Rect("cell", at, 0.97 * cell, " rx=\"" + Coord(0.08 * cell) + "\"") +
         "<text class=\"keyname\" x=\"" + Coord(at.X - 0.4 * cell) + "\" y=\"" +
         Coord(at.Y - 0.25 * cell) + "\" font-size=\"" + Coord(0.21 * cell) + "\">" +
         EscapeHtml(std::string(1, KeyName(k))) + "</text></g>\n";
}

// The edges that carry 90 % of each band's weight, heaviest first; the rest are minor.
std::vector<bool> MajorEdges(const Network& network) {
  std::vector<bool> major(network.Edges.size(), false);
  for (int band = 0; band < kBandCount; ++band) {
    std::vector<std::size_t> order;
    double total = 0;
    for (std::size_t i = 0; i < network.Edges.size(); ++i) {
      if (network.Edges[i].Band == band) {
        order.push_back(i);
        total += static_cast<double>(network.Edges[i].Weight.Value);
      }
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return network.Edges[a].Weight.Value > network.Edges[b].Weight.Value;
    });
    double carried = 0;
    for (const std::size_t i : order) {
      if (carried >= 0.9 * total) {
        break;
      }
      major[i] = true;
      carried += static_cast<double>(network.Edges[i].Weight.Value);
    }
  }
  return major;
}

// The stroke box, the repeat box and the kana of one key in one band.
std::string KeyMarks(const Network& network, const Placement& placement, int k, int band,
                     const Scales& scales) {
  const Key& key = network.Keys[k];
  const double cell = placement.Cell;
  const Point at = placement.Stroke[k][band];
  const double boxScale = scales.MaxStrokeSize > 0 ? 0.92 * cell / scales.MaxStrokeSize : 0;
  std::string svg;
  const double strokeSide = key.StrokeSize * boxScale;
  if (strokeSide > 0) {
    const double shade = key.StrokeSize / scales.MaxStrokeSize;
    svg += Rect("stroke", at, strokeSide, " fill=\"" + StrokeFill(shade) + "\"");
  }
  const double repeatSide = std::min(key.RepeatSize[band] * boxScale, 0.97 * cell);
  if (repeatSide > 0) {
    svg += Rect("repeat", placement.Repeat[k][band], repeatSide, "");
  }
  if (!key.Label.empty()) {
    svg += "<text class=\"kana\" x=\"" + Coord(at.X) + "\" y=\"" + Coord(at.Y) + "\" font-size=\"" +
           Coord(0.42 * cell) + "\" stroke-width=\"" + Coord(0.05 * cell) + "\">" +
           EscapeHtml(key.Label) + "</text>";
  }
  return svg.empty() ? svg : svg + "\n";
}

struct Extent {
  double Low = std::numeric_limits<double>::infinity();
  double High = -std::numeric_limits<double>::infinity();
  void Add(double v) {
    Low = std::min(Low, v);
    High = std::max(High, v);
  }
};

std::string KeyboardSvg(const LayoutView& view, const LayoutView* baseline, const Scales& scales,
                        int index) {
  const Network& network = view.Entry->Graph;
  const Placement placement = PlaceKeys(network);
  const double cell = placement.Cell;
  Extent xs;
  std::array<Extent, kBandCount> bandYs;
  for (int k = 1; k <= kKeysPerBand; ++k) {
    for (int band = 0; band < kBandCount; ++band) {
      xs.Add(placement.Stroke[k][band].X);
      bandYs[band].Add(placement.Stroke[k][band].Y);
    }
  }
  Extent ys;
  for (const Extent& band : bandYs) {
    ys.Add(band.Low);
    ys.Add(band.High);
  }
  const double gutter = 0.55 * cell;  // room for the band captions on the left
  const double left = xs.Low - cell / 2 - gutter;
  const double top = ys.Low - cell / 2;
  const double width = xs.High - xs.Low + cell + gutter + cell * 0.1;
  const double height = ys.High - ys.Low + cell;

  std::string svg = "<svg class=\"keyboard\" viewBox=\"" + Coord(left) + " " + Coord(top) + " " +
                    Coord(width) + " " + Coord(height) +
                    "\" role=\"img\" aria-labelledby=\"layout-" + std::to_string(index) +
                    "-title\">\n";
  for (int band = 0; band < kBandCount; ++band) {
    const double middle = (bandYs[band].Low + bandYs[band].High) / 2;
    const double x = left + gutter / 2;
    svg += "<text class=\"band-caption\" x=\"" + Coord(x) + "\" y=\"" + Coord(middle) +
           "\" font-size=\"" + Coord(0.26 * cell) + "\" transform=\"rotate(-90 " + Coord(x) + " " +
           Coord(middle) + ")\">" + std::string(kBandNames[band]) + "</text>\n";
    if (band > 0 && bandYs[band].Low - bandYs[band - 1].High > cell) {
      const double y = (bandYs[band].Low + bandYs[band - 1].High) / 2;
      svg += "<line class=\"band-line\" x1=\"" + Coord(left) + "\" y1=\"" + Coord(y) + "\" x2=\"" +
             Coord(left + width) + "\" y2=\"" + Coord(y) + "\"/>\n";
    }
  }
  for (int band = 0; band < kBandCount; ++band) {
    for (int k = 1; k <= kKeysPerBand; ++k) {
      svg += KeyCell(view, baseline, placement, k, band);
    }
  }
  // Light edges first, so the heavy ones stay on top.
  const std::vector<bool> major = MajorEdges(network);
  std::vector<std::size_t> edges;
  for (std::size_t i = 0; i < network.Edges.size(); ++i) {
    if (network.Edges[i].Weight.Value > 0) {
      edges.push_back(i);
    }
  }
  std::stable_sort(edges.begin(), edges.end(), [&](std::size_t a, std::size_t b) {
    return network.Edges[a].Weight.Value < network.Edges[b].Weight.Value;
  });
  for (const std::size_t i : edges) {
    svg += EdgePath(network, placement, network.Edges[i], scales.MaxWeight, major[i]);
  }
  svg += "<g class=\"marks\">\n";
  for (int band = 0; band < kBandCount; ++band) {
    for (int k = 1; k <= kKeysPerBand; ++k) {
      if (Moved(view, baseline, k)) {
        svg += Rect("moved-mark", placement.Stroke[k][band], 0.9 * cell,
                    " stroke-width=\"" + Coord(0.05 * cell) + "\"") +
               "\n";
      }
    }
  }
  for (int band = 0; band < kBandCount; ++band) {
    for (int k = 1; k <= kKeysPerBand; ++k) {
      svg += KeyMarks(network, placement, k, band, scales);
    }
  }
  return svg + "</g>\n</svg>\n";
}

std::string KeyReference(int key) {
  return std::string("key ") + KeyName(key) + " (" + std::to_string(key) + ")";
}

std::string HandShareHtml(const LayoutSummary& summary, bool left) {
  if (!summary.Split.Known) {
    return "<td title=\"the edges do not show where the hands split\">–</td>";
  }
  const Count& total = summary.Strokes;
  // The left hand's share is smallest with the lowest split, the right hand's with the highest.
  const Count& fewer = left ? summary.LeftWithLowestSplit : summary.LeftWithHighestSplit;
  const Count& more = left ? summary.LeftWithHighestSplit : summary.LeftWithLowestSplit;
  const auto strokesOfHand = [&](const Count& leftStrokes) {
    return left ? leftStrokes.Value : total.Value - leftStrokes.Value;
  };
  const std::string low =
      PercentText(static_cast<double>(strokesOfHand(fewer)), static_cast<double>(total.Value));
  const std::string high =
      PercentText(static_cast<double>(strokesOfHand(more)), static_cast<double>(total.Value));
  const bool exact = fewer.Exact && more.Exact && total.Exact;
  const std::string splitText = summary.Split.Lowest == summary.Split.Highest
                                    ? "the left hand ends at " + KeyReference(summary.Split.Lowest)
                                    : "the left hand ends somewhere from " +
                                          KeyReference(summary.Split.Lowest) + " to " +
                                          KeyReference(summary.Split.Highest);
  return "<td title=\"" + EscapeHtml(splitText) + "\">" + (exact ? "" : std::string(kApproxMark)) +
         (low == high ? low : low + "–" + high) + "</td>";
}

std::string PairsHtml(const Network& network, const LayoutSummary& summary) {
  if (summary.HeaviestPairs.empty()) {
    return "<td class=\"pairs\">–</td>";
  }
  std::string html = "<td class=\"pairs\"><ol class=\"pairs\">";
  for (const KeyPair& pair : summary.HeaviestPairs) {
    const std::string keys =
        pair.FirstKey == pair.SecondKey
            ? std::string("key ") + KeyName(pair.FirstKey) + " twice"
            : std::string("keys ") + KeyName(pair.FirstKey) + " and " + KeyName(pair.SecondKey);
    html += "<li title=\"" + EscapeHtml(keys) + "\">" +
            EscapeHtml(KeyText(network, pair.FirstKey) + "–" + KeyText(network, pair.SecondKey)) +
            " " + CountHtml(pair.Weight) + "</li> ";
  }
  html.pop_back();
  return html + "</ol></td>";
}

std::string ModeHtml(const LayoutView& view) {
  const std::string name = CountingName(view);
  if (name.empty()) {
    return "<span title=\"without the layout file the counting mode is not known\">–</span>";
  }
  const bool kana = view.Details->CountByKana;
  return std::string("<span class=\"mode ") + (kana ? "kana" : "strokes") + "\" title=\"" +
         (kana ? "gaps are counted in kana: its gap columns do not compare with a layout counted "
                 "by strokes"
               : "gaps are counted in strokes of the other hand") +
         "\">" + name + "</span>";
}

std::string ComparisonTable(const std::vector<LayoutView>& views) {
  std::string html = R"(<div class="table-box"><table>
<thead>
<tr><th rowspan="2">Layout</th><th rowspan="2">Counting</th><th rowspan="2">Strokes</th><th colspan="2">Hand, % of strokes</th>
<th colspan="4">Row, % of strokes</th><th colspan="3">Same-hand pairs, % of strokes</th>
<th rowspan="2" style="text-align:left">Heaviest same-hand pairs, gap 0</th></tr>
<tr><th>left</th><th>right</th><th>number</th><th>top</th><th>home</th><th>bottom</th>
<th>gap 0</th><th>gap 1</th><th>gap 2+</th></tr>
</thead>
<tbody>
)";
  for (std::size_t i = 0; i < views.size(); ++i) {
    const ReportEntry& entry = *views[i].Entry;
    const LayoutSummary& summary = views[i].Summary;
    html += "<tr><td><a href=\"#layout-" + std::to_string(i + 1) + "\">" + EscapeHtml(entry.Name) +
            "</a></td><td>" + ModeHtml(views[i]) + "</td><td>" + CountHtml(summary.Strokes) +
            "</td>";
    html += HandShareHtml(summary, true) + HandShareHtml(summary, false);
    for (int row = 0; row < kRowCount; ++row) {
      html += "<td title=\"" + EscapeHtml(CountText(summary.Rows[row])) + " strokes on the " +
              std::string(kRowNames[row]) + " row\">" +
              PercentHtml(summary.Rows[row], summary.Strokes) + "</td>";
    }
    for (int band = 0; band < kBandCount; ++band) {
      html += "<td title=\"" + EscapeHtml(CountText(summary.SameHandPairs[band])) +
              " same-hand pairs at " + std::string(kBandNames[band]) + "\">" +
              PercentHtml(summary.SameHandPairs[band], summary.Strokes) + "</td>";
    }
    html += PairsHtml(entry.Graph, summary) + "</tr>\n";
  }
  return html + "</tbody>\n</table></div>\n";
}

constexpr std::string_view kNotes = R"(<div class="notes">
<p>The figures of this table are read back from the network files. A key's strokes are the
square of its box size, rounded; a key struck again right after itself counts the square of
half its repeat box size; a pair of keys counts its edge weight. The files keep six significant digits, so counts
above about 250,000 (edge weights from 1,000,000) may be off by a little: such figures are marked
<span class="approx">≈</span>. Strokes of the space key are not in the files.</p>
<p>The files do not say which keys belong to which hand. Edges only ever join keys of one hand,
so the split is taken from them; where unused keys leave it open, a share is given as a range.
A same-hand pair is a stroke together with the previous stroke of the same hand; its gap is how
many strokes of the other hand lie between for a layout counted <b>by strokes</b>, how many kana
for one counted <b>by kana</b> (the Counting column): 0, 1, or 2 and more. The gap columns of
the two modes measure different things and do not compare. Each stroke makes at most one pair, so the three shares add up to at most
100 %; the rest are the first strokes of a hand after a break.</p>
</div>
)";

std::string Legend() {
  const std::string light = StrokeFill(0.35);
  const std::string dark = StrokeFill(1);
  return R"(<div class="legend">
<div><svg width="74" height="40" viewBox="0 0 74 40" aria-hidden="true">
<rect class="cell" x="1" y="1" width="34" height="34" rx="3"/><rect class="stroke" x="10" y="10" width="16" height="16" fill=")" +
         light + R"("/>
<rect class="cell" x="39" y="1" width="34" height="34" rx="3"/><rect class="stroke" x="41" y="3" width="30" height="30" fill=")" +
         dark + R"("/></svg>
<span><b>Key box</b>: area and shade grow with how often the key is struck; the kana is what the
key types alone, the grey letter names the key.</span></div>
<div><svg width="40" height="40" viewBox="0 0 40 40" aria-hidden="true">
<rect class="cell" x="1" y="1" width="34" height="34" rx="3"/><rect class="stroke" x="4" y="4" width="28" height="28" fill=")" +
         dark + R"("/><rect class="repeat" x="11" y="11" width="14" height="14"/></svg>
<span><b>Repeat box</b>: the key struck again right after itself at the band's gap; it fills the
key box when a quarter of the key's strokes are repeats.</span></div>
<div><svg width="60" height="40" viewBox="0 0 60 40" aria-hidden="true">
<path class="edge" d="M4 30Q30 0 56 30" stroke-width="1.5" stroke-opacity="0.3"/>
<path class="edge" d="M4 36Q30 12 56 36" stroke-width="6" stroke-opacity="0.95"/></svg>
<span><b>Line</b>: two keys of one hand struck one after the other, in either order; thicker and
darker means more often.</span></div>
<div><span><b>Bands</b>, top to bottom: the keyboard at gap 0, gap 1 and gap 2+ (the gap of a
same-hand pair, see above).</span></div>
</div>
)";
}

std::string FigureCell(const Figure& figure) {
  if (!figure.Known) {
    return "<td class=\"unknown-figure\" data-figure=\"" + figure.Id + "\" title=\"" +
           EscapeHtml(figure.UnknownWhy) + "\">–</td>";
  }
  const std::string value = figure.IsShare ? Fixed(figure.Percent, 1) : Grouped(figure.Tally.Value);
  return "<td data-figure=\"" + figure.Id + "\" title=\"" +
         EscapeHtml(CountText(figure.Tally) + " (" + figure.Label + ")") + "\">" +
         (figure.Tally.Exact ? "" : std::string(kApproxMark)) + value + "</td>";
}

const Figure* FindFigure(const LayoutView& view, std::string_view id) {
  for (const Figure& figure : view.Figures) {
    if (figure.Id == id) {
      return &figure;
    }
  }
  return nullptr;
}

std::string FingerBars(const LayoutView& view) {
  std::string html = "<div class=\"bars\">";
  for (int finger = 0; finger < kFingerCount; ++finger) {
    const Figure& figure = *FindFigure(
        view, "finger." + [&] {
          std::string id(FingerName(static_cast<Finger>(finger)));
          std::replace(id.begin(), id.end(), ' ', '_');
          return id;
        }());
    const std::string name(FingerName(static_cast<Finger>(finger)));
    if (!figure.Known) {
      html += "<span class=\"unknown\" title=\"" + EscapeHtml(name + ": " + figure.UnknownWhy) +
              "\"></span>";
      continue;
    }
    const double height = std::clamp(figure.Percent * 2.0, 1.0, 100.0);  // 50 % fills the bar
    html += std::string("<span") +
            (static_cast<Finger>(finger) == Finger::kThumb ? " class=\"thumb\"" : "") +
            " style=\"height:" + Fixed(height, 1) + "%\" title=\"" +
            EscapeHtml(name + ": " + Fixed(figure.Percent, 1) + " % (" +
                       CountOf(figure.Tally.Value, "stroke", "strokes") + ")") +
            "\"></span>";
  }
  return html + "</div>";
}

constexpr std::array<std::string_view, 6> kPairFigureIds = {
    "same_finger", "repeats", "alternation", "inward_rolls", "outward_rolls", "row_jumps"};

std::string FingersSection(const std::vector<LayoutView>& views) {
  std::string html =
      "<section class=\"fingers\"><h2>Fingers</h2>\n"
      "<p class=\"notes\">Each key's finger follows from its column and the layout's hand split "
      "(the header's last left-hand key):</p>\n<div class=\"table-box\"><table "
      "class=\"fingers-of-columns\"><thead><tr><th>column</th>";
  for (int column = 0; column < kKeyColumns; ++column) {
    html += "<th>" + std::to_string(column) + "</th>";
  }
  html += "</tr></thead><tbody>\n";
  for (const bool left : {true, false}) {
    html += std::string("<tr><th>") + (left ? "left hand" : "right hand") + "</th>";
    for (int column = 0; column < kKeyColumns; ++column) {
      html += "<td>" +
              std::string(FingerName(FingerOf(column * kKeyRows + 1, left ? kKeysPerBand : 0))
                              .substr(left ? 5 : 6)) +
              "</td>";
    }
    html += "</tr>\n";
  }
  html +=
      "</tbody></table></div>\n<p class=\"notes\">The space key is the thumb's.</p>\n"
      "<div class=\"table-box\"><table>\n<thead><tr><th>Layout</th>"
      "<th style=\"text-align:left\">Strokes per finger</th>"
      "<th>Same-finger pairs</th><th>Repeats</th><th>Hand alternation</th><th>Inward rolls</th>"
      "<th>Outward rolls</th><th>Row jumps</th></tr>\n"
      "<tr><th></th><th></th><th colspan=\"6\" style=\"text-align:center\">% of all strokes"
      "</th></tr></thead>\n<tbody>\n";
  for (std::size_t i = 0; i < views.size(); ++i) {
    const LayoutView& view = views[i];
    html += "<tr><td><a href=\"#layout-" + std::to_string(i + 1) + "\">" +
            EscapeHtml(view.Entry->Name) + "</a></td><td class=\"bars-cell\">" + FingerBars(view) +
            "</td>";
    for (const std::string_view id : kPairFigureIds) {
      html += FigureCell(*FindFigure(view, id));
    }
    html += "</tr>\n";
  }
  return html + R"(</tbody></table></div>
<div class="notes">
<p>A bar is a finger's share of all strokes (half of them fill it). A <b>same-finger pair</b> is
two different keys of one finger, one right after the other; a <b>repeat</b> is one key struck
twice in a row; <b>hand alternation</b> is a stroke right after a stroke of the other hand; a
<b>roll</b> is two fingers of one hand, one right after the other, <b>inward</b> when the second
is nearer the index finger, <b>outward</b> when it is farther; a <b>row jump</b> is one hand going
from the top letter row to the bottom one or back, right after the other.</p>
<p>These come from the layout's strokes counted by strokes, which the report counts again from
kanasample.txt and layout/ when it is run on the working directory, and checks against the
network file. They are exact for both counting modes. The network files alone give the strokes
per finger (the space key aside), but not the order of strokes that the other figures need: a
layout counted by kana keeps at gap 0 pairs that other strokes separate, and no file keeps the
direction of a pair. Such figures show as –, with the reason on hover.</p>
</div>
</section>
)";
}

std::string DifferenceCell(const Figure& figure, const std::optional<double>& difference) {
  if (!difference) {
    const std::string why = !figure.Known ? figure.UnknownWhy
                            : figure.GapFigure
                                ? "counted in another mode than the baseline: not comparable"
                                : "not known for the baseline";
    return "<td class=\"unknown-figure\" data-figure=\"" + figure.Id + "\" title=\"" +
           EscapeHtml(why) + "\">–</td>";
  }
  const bool tiny = std::abs(*difference) < (figure.IsShare ? 0.05 : 0.5);
  const bool up = *difference > 0;
  std::string cls;
  std::string word;
  if (!tiny && figure.Preferred != Better::kNeither) {
    const bool better = (figure.Preferred == Better::kHigher) == up;
    cls = better ? "better" : "worse";
    word = better ? " ▲ better" : " ▼ worse";
  }
  const std::string value =
      figure.IsShare ? Fixed(std::abs(*difference), 1)
                     : Grouped(static_cast<std::uint64_t>(std::llround(std::abs(*difference))));
  const std::string sign = tiny ? "±" : up ? "+" : "-";
  return "<td data-figure=\"" + figure.Id + "\"" + (cls.empty() ? "" : " class=\"" + cls + "\"") +
         " title=\"" + EscapeHtml(figure.Label + (figure.IsShare ? ", percentage points" : "")) +
         "\">" + sign + (tiny ? (figure.IsShare ? "0.0" : "0") : value) + word + "</td>";
}

std::string DifferencesSection(const std::vector<LayoutView>& views, std::size_t baseline) {
  const LayoutView& base = views[baseline];
  std::string html = "<section class=\"differences\"><h2>Differences from " +
                     EscapeHtml(base.Entry->Name) +
                     "</h2>\n<p class=\"notes\">Every figure of every other layout minus the "
                     "baseline's: shares in percentage points, counts in strokes. Marked better or "
                     "worse where a direction is clear (fewer strokes, same-finger pairs, repeats, "
                     "row jumps and number-row strokes, more home-row strokes, alternation and "
                     "inward rolls). On the keyboards, a dashed outline marks each key whose kana "
                     "moved.</p>\n<div class=\"table-box\"><table class=\"differences\">\n"
                     "<thead><tr><th>Figure</th><th>" +
                     EscapeHtml(base.Entry->Name) + " (baseline)</th>";
  for (std::size_t i = 0; i < views.size(); ++i) {
    if (i != baseline) {
      html += "<th><a href=\"#layout-" + std::to_string(i + 1) + "\">" +
              EscapeHtml(views[i].Entry->Name) + "</a></th>";
    }
  }
  html += "</tr></thead>\n<tbody>\n";
  for (std::size_t f = 0; f < base.Figures.size(); ++f) {
    const Figure& figure = base.Figures[f];
    html += "<tr><td>" + EscapeHtml(figure.Label) + (figure.IsShare ? ", %" : "") + "</td><td>" +
            (!figure.Known    ? std::string("–")
             : figure.IsShare ? Fixed(figure.Percent, 1)
                              : Grouped(figure.Tally.Value)) +
            "</td>";
    for (std::size_t i = 0; i < views.size(); ++i) {
      if (i != baseline) {
        html += DifferenceCell(views[i].Figures[f], DifferenceFromBaseline(views, baseline, i, f));
      }
    }
    html += "</tr>\n";
  }
  return html + "</tbody></table></div></section>\n";
}

std::string LayoutFacts(const LayoutView& view) {
  std::string html;
  if (!view.Details) {
    return html;
  }
  const LayoutDetails& details = *view.Details;
  html += "<p class=\"header-line\">" + ModeHtml(view) + " <code>layout/" +
          EscapeHtml(details.LayoutFile) + "</code>";
  if (details.HeaderKnown) {
    html += ": " + EscapeHtml(details.Header);
  }
  html += "</p>\n";
  if (view.Stale) {
    html +=
        "<p class=\"stale\">This network file does not hold the counts of kanasample.txt and this "
        "layout file as they are now: run kananet again. Figures that need the order of strokes "
        "are left out.</p>\n";
  }
  if (!details.Findings.empty()) {
    html += "<ul class=\"findings\">\n";
    for (const CheckLine& line : details.Findings) {
      html += "<li><code>" + EscapeHtml(line.Location) + "</code>: <span class=\"sev-" +
              EscapeHtml(line.Severity) + "\">" + EscapeHtml(line.Severity) +
              "</span>: " + EscapeHtml(line.Message) + "</li>\n";
    }
    html += "</ul>\n";
  }
  return html;
}

std::string SampleTextLine(const WorkingDirectory& working) {
  if (!working.Text.Read) {
    return "<p class=\"source\">No sample text could be read from <code>" +
           EscapeHtml(working.Path) + "</code>.</p>\n";
  }
  return "<p class=\"source\">Sample text <code>" + EscapeHtml(working.Text.Name) +
         "</code>: " + CountOf(working.Text.Bytes, "byte", "bytes") + ", " +
         CountOf(working.Text.Kana, "kana", "kana") + " in " +
         CountOf(working.Text.Runs, "run", "runs") + "; layouts from <code>" +
         EscapeHtml(working.Path) + "/layout/</code></p>\n";
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string RenderReport(std::string_view source, const std::vector<ReportEntry>& entries,
                         const std::vector<ReportFailure>& failures, const PageContext& context) {
  const Scales scales = FindScales(entries);
  const std::vector<LayoutView> views =
      ViewLayouts(entries, context.Details, context.Working != nullptr);
  const bool hasBaseline = context.Baseline && *context.Baseline < views.size();
  const std::size_t baseline = hasBaseline ? *context.Baseline : 0;
  const LayoutView* const baselineView = hasBaseline ? &views[baseline] : nullptr;
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>kananet report: " +
      EscapeHtml(source) + "</title>\n<style>" + std::string(kStyle) +
      "</style>\n</head>\n<body>\n<header><h1>kananet report</h1>\n<p class=\"source\">" +
      std::to_string(entries.size()) + (entries.size() == 1 ? " layout" : " layouts") +
      " from <code>" + EscapeHtml(source) + "</code></p>\n";
  if (context.Working) {
    html += SampleTextLine(*context.Working);
  }
  html += "</header>\n";
  if (!failures.empty()) {
    html += "<section class=\"failures\"><h2>Files not shown</h2>\n<ul>\n";
    for (const ReportFailure& failure : failures) {
      html += "<li><code>" + EscapeHtml(failure.Location) +
              "</code>: " + EscapeHtml(failure.Message) + "</li>\n";
    }
    html += "</ul></section>\n";
  }
  if (!entries.empty()) {
    html += "<section class=\"comparison\"><h2>Comparison</h2>\n" + ComparisonTable(views) +
            std::string(kNotes) + "</section>\n" + FingersSection(views);
    if (hasBaseline) {
      html += DifferencesSection(views, baseline);
    } else if (views.size() > 1) {
      html +=
          "<p class=\"notes\">To see every figure as a difference from one layout, with the kana "
          "that moved marked on the keyboards, run <code>kananet-report --baseline "
          "NAME</code>.</p>\n";
    }
    html += "<section><h2>Keyboards</h2>\n" + Legend() +
            "<input type=\"checkbox\" id=\"all-edges\"><label class=\"edge-switch\" "
            "for=\"all-edges\"> show every line (by default only the heaviest lines that carry "
            "90 % of each band's weight)</label>\n<div class=\"keyboards\">\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const ReportEntry& entry = entries[i];
      const int index = static_cast<int>(i + 1);
      std::string id = "layout-";
      id += std::to_string(index);
      html += "<article class=\"layout\" id=\"" + id + "\"><h3 id=\"" + id + "-title\">" +
              EscapeHtml(entry.Name) + "</h3>\n<p class=\"file\">" + EscapeHtml(entry.FileName) +
              "</p>\n";
      if (PlaceKeys(entry.Graph).Standard) {
        html +=
            "<p class=\"note\">The file places some keys at positions that are not finite "
            "numbers; all keys are drawn at their usual places.</p>\n";
      }
      html += LayoutFacts(views[i]);
      html += KeyboardSvg(views[i], baselineView, scales, index);
      html += "</article>\n";
    }
    html += "</div></section>\n";
  }
  return html + "</body>\n</html>\n";
}

}  // namespace kananet::report
