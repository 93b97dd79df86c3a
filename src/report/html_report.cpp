#include "html_report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "codes/keyboard.h"
#include "layout_summary.h"

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
thead th { background: #f1f4f9; font-weight: 600; vertical-align: bottom; }
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
.keyboards { display: grid; grid-template-columns: repeat(auto-fill, minmax(460px, 1fr));
  gap: 28px 32px; }
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
.keyname { fill: #8a94a6; font-family: "DejaVu Sans Mono", monospace; }
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

std::string Grouped(std::uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) {
      grouped += ',';
    }
    grouped += digits[i];
  }
  return grouped;
}

constexpr std::string_view kApproxMark =
    R"(<span class="approx" title="beyond the six significant digits of the file">≈</span>)";

std::string CountHtml(const Count& count) {
  return (count.exact ? "" : std::string(kApproxMark)) + Grouped(count.value);
}

std::string CountText(const Count& count) {
  return (count.exact ? "" : "about ") + Grouped(count.value);
}

std::string PercentText(double part, double whole) {
  return whole > 0 ? Fixed(100 * part / whole, 1) : std::string("–");
}

std::string PercentHtml(const Count& part, const Count& whole) {
  const bool exact = part.exact && whole.exact;
  return (exact ? "" : std::string(kApproxMark)) +
         PercentText(static_cast<double>(part.value), static_cast<double>(whole.value));
}

// A key as the page names it in text: its kana, or its key character in brackets.
std::string KeyText(const Network& network, int key) {
  const std::string& label = network.keys[key].label;
  return label.empty() ? "[" + std::string(1, KeyName(key)) + "]" : label;
}

std::string KeyDescription(const Network& network, int key) {
  const std::string& label = network.keys[key].label;
  return (label.empty() ? std::string("no kana alone") : label) + ", key " +
         std::string(1, KeyName(key)) + " (" + std::to_string(key) + ")";
}

Point StandardPosition(int key, int band) {
  // Usual places: the keyboard's geometry with four rows a band.
  return {KeyX(key), KeyY(key, band, kKeyRows)};
}

struct Scales {
  double maxStrokeSize = 0;
  double maxWeight = 0;
};

Scales FindScales(const std::vector<ReportEntry>& entries) {
  Scales scales;
  for (const ReportEntry& entry : entries) {
    for (int k = 1; k <= kKeysPerBand; ++k) {
      scales.maxStrokeSize = std::max(scales.maxStrokeSize, entry.network.keys[k].strokeSize);
    }
    for (const Edge& edge : entry.network.edges) {
      scales.maxWeight = std::max(scales.maxWeight, static_cast<double>(edge.weight.value));
    }
  }
  return scales;
}

// The positions of one network as drawn, in network coordinates.
struct Placement {
  std::array<std::array<Point, kBandCount>, kKeysPerBand + 1> stroke{};
  std::array<std::array<Point, kBandCount>, kKeysPerBand + 1> repeat{};
  double cell = 1.0 / 14;  // side of a key's cell
  bool standard = false;   // the file's own positions could not be used
};

bool Finite(const Point& p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

Placement PlaceKeys(const Network& network) {
  Placement placement;
  bool finite = true;
  for (int k = 1; k <= kKeysPerBand; ++k) {
    for (int band = 0; band < kBandCount; ++band) {
      placement.stroke[k][band] = network.keys[k].strokeAt[band];
      placement.repeat[k][band] = network.keys[k].repeatAt[band];
      finite = finite && Finite(placement.stroke[k][band]) && Finite(placement.repeat[k][band]);
    }
  }
  if (!finite) {
    placement.standard = true;
    for (int k = 1; k <= kKeysPerBand; ++k) {
      for (int band = 0; band < kBandCount; ++band) {
        placement.stroke[k][band] = placement.repeat[k][band] = StandardPosition(k, band);
      }
    }
  }
  // A cell is as large as the distance to the next column and to the next row allow.
  const double columnPitch = std::abs(placement.stroke[5][0].x - placement.stroke[1][0].x);
  const double rowPitch = std::abs(placement.stroke[2][0].y - placement.stroke[1][0].y);
  double cell = 0;
  for (const double pitch : {columnPitch, rowPitch}) {
    if (pitch > 1e-6 && (cell == 0 || pitch < cell)) {
      cell = pitch;
    }
  }
  if (cell > 0) {
    placement.cell = cell;
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
  return "<rect class=\"" + cls + "\" x=\"" + Coord(centre.x - side / 2) + "\" y=\"" +
         Coord(centre.y - side / 2) + "\" width=\"" + Coord(side) + "\" height=\"" + Coord(side) +
         "\"" + extra + "/>";
}

std::string EdgePath(const Network& network, const Placement& placement, const Edge& edge,
                     double maxWeight) {
  const Point a = placement.stroke[edge.firstKey][edge.band];
  const Point b = placement.stroke[edge.secondKey][edge.band];
  // A slight bend keeps the edges of keys in one row apart from each other.
  const Point control = {(a.x + b.x) / 2 - (b.y - a.y) * 0.18,
                         (a.y + b.y) / 2 + (b.x - a.x) * 0.18};
  const double t = maxWeight > 0 ? static_cast<double>(edge.weight.value) / maxWeight : 0;
  const double width = placement.cell * kUnit * (0.015 + 0.16 * t);
  return "<path class=\"edge\" d=\"M" + Coord(a.x) + " " + Coord(a.y) + "Q" + Coord(control.x) +
         " " + Coord(control.y) + " " + Coord(b.x) + " " + Coord(b.y) + "\" stroke-width=\"" +
         Fixed(width, 2) + "\" stroke-opacity=\"" + Fixed(0.25 + 0.7 * t, 3) + "\"><title>" +
         EscapeHtml(KeyText(network, edge.firstKey) + " – " + KeyText(network, edge.secondKey) +
                    " (keys " + KeyName(edge.firstKey) + " and " + KeyName(edge.secondKey) + "), " +
                    std::string(kBandNames[edge.band]) + ": " + CountText(edge.weight) + " times") +
         "</title></path>\n";
}

std::string KeyTitle(const Network& network, int k, int band) {
  const Key& key = network.keys[k];
  return "<title>" +
         EscapeHtml(KeyDescription(network, k) + "\nstruck " + CountText(key.strokes) +
                    " times\nagain right after itself at " + std::string(kBandNames[band]) + ": " +
                    CountText(key.repeats[band]) + " times") +
         "</title>";
}

// The key's cell with its name; it carries the tooltip, since the marks above let the pointer
// through.
std::string KeyCell(const Network& network, const Placement& placement, int k, int band) {
  const double cell = placement.cell;
  const Point at = placement.stroke[k][band];
  return "<g class=\"key\">" + KeyTitle(network, k, band) +
         Rect("cell", at, 0.97 * cell, " rx=\"" + Coord(0.08 * cell) + "\"") +
         "<text class=\"keyname\" x=\"" + Coord(at.x - 0.4 * cell) + "\" y=\"" +
         Coord(at.y - 0.27 * cell) + "\" font-size=\"" + Coord(0.19 * cell) + "\">" +
         EscapeHtml(std::string(1, KeyName(k))) + "</text></g>\n";
}

// The stroke box, the repeat box and the kana of one key in one band.
std::string KeyMarks(const Network& network, const Placement& placement, int k, int band,
                     const Scales& scales) {
  const Key& key = network.keys[k];
  const double cell = placement.cell;
  const Point at = placement.stroke[k][band];
  const double boxScale = scales.maxStrokeSize > 0 ? 0.92 * cell / scales.maxStrokeSize : 0;
  std::string svg;
  const double strokeSide = key.strokeSize * boxScale;
  if (strokeSide > 0) {
    const double shade = key.strokeSize / scales.maxStrokeSize;
    svg += Rect("stroke", at, strokeSide, " fill=\"" + StrokeFill(shade) + "\"");
  }
  const double repeatSide = std::min(key.repeatSize[band] * boxScale, 0.97 * cell);
  if (repeatSide > 0) {
    svg += Rect("repeat", placement.repeat[k][band], repeatSide, "");
  }
  if (!key.label.empty()) {
    svg += "<text class=\"kana\" x=\"" + Coord(at.x) + "\" y=\"" + Coord(at.y) + "\" font-size=\"" +
           Coord(0.42 * cell) + "\" stroke-width=\"" + Coord(0.05 * cell) + "\">" +
           EscapeHtml(key.label) + "</text>";
  }
  return svg.empty() ? svg : svg + "\n";
}

struct Extent {
  double low = std::numeric_limits<double>::infinity();
  double high = -std::numeric_limits<double>::infinity();
  void Add(double v) {
    low = std::min(low, v);
    high = std::max(high, v);
  }
};

std::string KeyboardSvg(const ReportEntry& entry, const Scales& scales, int index) {
  const Network& network = entry.network;
  const Placement placement = PlaceKeys(network);
  const double cell = placement.cell;
  Extent xs;
  std::array<Extent, kBandCount> bandYs;
  for (int k = 1; k <= kKeysPerBand; ++k) {
    for (int band = 0; band < kBandCount; ++band) {
      xs.Add(placement.stroke[k][band].x);
      bandYs[band].Add(placement.stroke[k][band].y);
    }
  }
  Extent ys;
  for (const Extent& band : bandYs) {
    ys.Add(band.low);
    ys.Add(band.high);
  }
  const double gutter = 0.55 * cell;  // room for the band captions on the left
  const double left = xs.low - cell / 2 - gutter;
  const double top = ys.low - cell / 2;
  const double width = xs.high - xs.low + cell + gutter + cell * 0.1;
  const double height = ys.high - ys.low + cell;

  std::string svg = "<svg class=\"keyboard\" viewBox=\"" + Coord(left) + " " + Coord(top) + " " +
                    Coord(width) + " " + Coord(height) +
                    "\" role=\"img\" aria-labelledby=\"layout-" + std::to_string(index) +
                    "-title\">\n";
  for (int band = 0; band < kBandCount; ++band) {
    const double middle = (bandYs[band].low + bandYs[band].high) / 2;
    const double x = left + gutter / 2;
    svg += "<text class=\"band-caption\" x=\"" + Coord(x) + "\" y=\"" + Coord(middle) +
           "\" font-size=\"" + Coord(0.26 * cell) + "\" transform=\"rotate(-90 " + Coord(x) + " " +
           Coord(middle) + ")\">" + std::string(kBandNames[band]) + "</text>\n";
    if (band > 0 && bandYs[band].low - bandYs[band - 1].high > cell) {
      const double y = (bandYs[band].low + bandYs[band - 1].high) / 2;
      svg += "<line class=\"band-line\" x1=\"" + Coord(left) + "\" y1=\"" + Coord(y) + "\" x2=\"" +
             Coord(left + width) + "\" y2=\"" + Coord(y) + "\"/>\n";
    }
  }
  for (int band = 0; band < kBandCount; ++band) {
    for (int k = 1; k <= kKeysPerBand; ++k) {
      svg += KeyCell(network, placement, k, band);
    }
  }
  // Light edges first, so the heavy ones stay on top.
  std::vector<const Edge*> edges;
  for (const Edge& edge : network.edges) {
    if (edge.weight.value > 0) {
      edges.push_back(&edge);
    }
  }
  std::stable_sort(edges.begin(), edges.end(),
                   [](const Edge* a, const Edge* b) { return a->weight.value < b->weight.value; });
  for (const Edge* edge : edges) {
    svg += EdgePath(network, placement, *edge, scales.maxWeight);
  }
  svg += "<g class=\"marks\">\n";
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
  if (!summary.split.known) {
    return "<td title=\"the edges do not show where the hands split\">–</td>";
  }
  const Count& total = summary.strokes;
  // The left hand's share is smallest with the lowest split, the right hand's with the highest.
  const Count& fewer = left ? summary.leftWithLowestSplit : summary.leftWithHighestSplit;
  const Count& more = left ? summary.leftWithHighestSplit : summary.leftWithLowestSplit;
  const auto strokesOfHand = [&](const Count& leftStrokes) {
    return left ? leftStrokes.value : total.value - leftStrokes.value;
  };
  const std::string low =
      PercentText(static_cast<double>(strokesOfHand(fewer)), static_cast<double>(total.value));
  const std::string high =
      PercentText(static_cast<double>(strokesOfHand(more)), static_cast<double>(total.value));
  const bool exact = fewer.exact && more.exact && total.exact;
  const std::string splitText = summary.split.lowest == summary.split.highest
                                    ? "the left hand ends at " + KeyReference(summary.split.lowest)
                                    : "the left hand ends somewhere from " +
                                          KeyReference(summary.split.lowest) + " to " +
                                          KeyReference(summary.split.highest);
  return "<td title=\"" + EscapeHtml(splitText) + "\">" + (exact ? "" : std::string(kApproxMark)) +
         (low == high ? low : low + "–" + high) + "</td>";
}

std::string PairsHtml(const Network& network, const LayoutSummary& summary) {
  if (summary.heaviestPairs.empty()) {
    return "<td class=\"pairs\">–</td>";
  }
  std::string html = "<td class=\"pairs\"><ol class=\"pairs\">";
  for (const KeyPair& pair : summary.heaviestPairs) {
    const std::string keys =
        pair.firstKey == pair.secondKey
            ? std::string("key ") + KeyName(pair.firstKey) + " twice"
            : std::string("keys ") + KeyName(pair.firstKey) + " and " + KeyName(pair.secondKey);
    html += "<li title=\"" + EscapeHtml(keys) + "\">" +
            EscapeHtml(KeyText(network, pair.firstKey) + "–" + KeyText(network, pair.secondKey)) +
            " " + CountHtml(pair.weight) + "</li> ";
  }
  html.pop_back();
  return html + "</ol></td>";
}

std::string ComparisonTable(const std::vector<ReportEntry>& entries) {
  std::string html = R"(<div class="table-box"><table>
<thead>
<tr><th rowspan="2">Layout</th><th rowspan="2">Strokes</th><th colspan="2">Hand, % of strokes</th>
<th colspan="4">Row, % of strokes</th><th colspan="3">Same-hand pairs, % of strokes</th>
<th rowspan="2" style="text-align:left">Heaviest same-hand pairs, gap 0</th></tr>
<tr><th>left</th><th>right</th><th>number</th><th>top</th><th>home</th><th>bottom</th>
<th>gap 0</th><th>gap 1</th><th>gap 2+</th></tr>
</thead>
<tbody>
)";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const ReportEntry& entry = entries[i];
    const LayoutSummary summary = Summarize(entry.network);
    html += "<tr><td><a href=\"#layout-" + std::to_string(i + 1) + "\">" + EscapeHtml(entry.name) +
            "</a></td><td>" + CountHtml(summary.strokes) + "</td>";
    html += HandShareHtml(summary, true) + HandShareHtml(summary, false);
    for (int row = 0; row < kRowCount; ++row) {
      html += "<td title=\"" + EscapeHtml(CountText(summary.rows[row])) + " strokes on the " +
              std::string(kRowNames[row]) + " row\">" +
              PercentHtml(summary.rows[row], summary.strokes) + "</td>";
    }
    for (int band = 0; band < kBandCount; ++band) {
      html += "<td title=\"" + EscapeHtml(CountText(summary.sameHandPairs[band])) +
              " same-hand pairs at " + std::string(kBandNames[band]) + "\">" +
              PercentHtml(summary.sameHandPairs[band], summary.strokes) + "</td>";
    }
    html += PairsHtml(entry.network, summary) + "</tr>\n";
  }
  return html + "</tbody>\n</table></div>\n";
}

constexpr std::string_view kNotes = R"(<div class="notes">
<p>All figures are read back from the network files. A key's strokes are the square of its box
size, rounded; a key struck again right after itself counts the square of half its repeat box
size; a pair of keys counts its edge weight. The files keep six significant digits, so counts
above about 250,000 (edge weights from 1,000,000) may be off by a little: such figures are marked
<span class="approx">≈</span>. Strokes of the space key are not in the files.</p>
<p>The files do not say which keys belong to which hand. Edges only ever join keys of one hand,
so the split is taken from them; where unused keys leave it open, a share is given as a range.
A same-hand pair is a stroke together with the previous stroke of the same hand; its gap is how
many strokes of the other hand lie between (or, for a layout counted by kana, how many kana):
0, 1, or 2 and more. Each stroke makes at most one pair, so the three shares add up to at most
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
                         const std::vector<ReportFailure>& failures) {
  const Scales scales = FindScales(entries);
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>kananet report: " +
      EscapeHtml(source) + "</title>\n<style>" + std::string(kStyle) +
      "</style>\n</head>\n<body>\n<header><h1>kananet report</h1>\n<p class=\"source\">" +
      std::to_string(entries.size()) + (entries.size() == 1 ? " layout" : " layouts") +
      " from <code>" + EscapeHtml(source) + "</code></p></header>\n";
  if (!failures.empty()) {
    html += "<section class=\"failures\"><h2>Files not shown</h2>\n<ul>\n";
    for (const ReportFailure& failure : failures) {
      html += "<li><code>" + EscapeHtml(failure.location) +
              "</code>: " + EscapeHtml(failure.message) + "</li>\n";
    }
    html += "</ul></section>\n";
  }
  if (!entries.empty()) {
    html += "<section class=\"comparison\"><h2>Comparison</h2>\n" + ComparisonTable(entries) +
            std::string(kNotes) + "</section>\n";
    html += "<section><h2>Keyboards</h2>\n" + Legend() + "<div class=\"keyboards\">\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const ReportEntry& entry = entries[i];
      const int index = static_cast<int>(i + 1);
      const std::string id = "layout-" + std::to_string(index);
      html += "<article class=\"layout\" id=\"" + id + "\"><h3 id=\"" + id + "-title\">" +
              EscapeHtml(entry.name) + "</h3>\n<p class=\"file\">" + EscapeHtml(entry.fileName) +
              "</p>\n";
      if (PlaceKeys(entry.network).standard) {
        html +=
            "<p class=\"note\">The file places some keys at positions that are not finite "
            "numbers; all keys are drawn at their usual places.</p>\n";
      }
      html += KeyboardSvg(entry, scales, index) + "</article>\n";
    }
    html += "</div></section>\n";
  }
  return html + "</body>\n</html>\n";
}

}  // namespace kananet::report
