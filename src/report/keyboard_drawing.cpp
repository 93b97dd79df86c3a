#include "report/keyboard_drawing.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <set>

#include "codes/keyboard.h"
#include "report/fingers.h"
#include "report/html_text.h"

namespace kananet::report {

namespace {

// Network coordinates span about 0..1; the drawing uses this many SVG units for one.
constexpr double kUnit = 1000;

Point StandardPosition(int key, int band) {
  // Usual places: the keyboard's geometry with four rows a band.
  if (IsThumbKey(key)) {
    return {ThumbX(key), ThumbY(band, kKeyRows)};
  }
  return {KeyX(key), KeyY(key, band, kKeyRows)};
}

// The positions of one network as drawn, in network coordinates.
struct Placement {
  std::array<std::array<Point, kBandCount>, kKeySlotCount> Stroke{};
  std::array<std::array<Point, kBandCount>, kKeySlotCount> Repeat{};
  double Cell = 1.0 / 14;  // side of a key's cell
  bool Standard = false;   // the file's own positions could not be used
};

struct Extent {
  double Low = std::numeric_limits<double>::infinity();
  double High = -std::numeric_limits<double>::infinity();
  void Add(double v) {
    Low = std::min(Low, v);
    High = std::max(High, v);
  }
};

bool Finite(const Point& p) {
  return std::isfinite(p.X) && std::isfinite(p.Y);
}

void PlaceAtUsualPlaces(Placement& placement, int last) {
  placement.Standard = true;
  for (int k = 1; k <= last; ++k) {
    for (int band = 0; band < kBandCount; ++band) {
      placement.Stroke[k][band] = placement.Repeat[k][band] = StandardPosition(k, band);
    }
  }
}

// The cell's size and, with the thumb keys, room for them.
void FinishPlacement(Placement& placement, bool thumbs, int last) {
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
  if (thumbs && rowPitch > 1e-6) {
    // The files put the thumb keys half a row below the bottom row, where the next band begins:
    // drawn a whole row below it, with each band moved down by a row to make room.
    for (int k = 1; k <= last; ++k) {
      for (int band = 0; band < kBandCount; ++band) {
        const double down = band * rowPitch + (IsThumbKey(k) ? rowPitch / 2 : 0);
        placement.Stroke[k][band].Y += down;
        placement.Repeat[k][band].Y += down;
      }
    }
  }
}

Placement PlaceKeys(const Network& network) {
  Placement placement;
  bool finite = true;
  const int last = network.LastKey();
  for (int k = 1; k <= last; ++k) {
    for (int band = 0; band < kBandCount; ++band) {
      placement.Stroke[k][band] = network.Keys[k].StrokeAt[band];
      placement.Repeat[k][band] = network.Keys[k].RepeatAt[band];
      finite = finite && Finite(placement.Stroke[k][band]) && Finite(placement.Repeat[k][band]);
    }
  }
  if (!finite) {
    PlaceAtUsualPlaces(placement, last);
  }
  FinishPlacement(placement, network.Chords, last);
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

// Whether the layout types mostly the same kana by single keys as the baseline, so that a key
// whose kana differs from the baseline's tells of a kana that moved. A layout of another kind
// (romaji against kana) differs on nearly every key, and outlining them all says nothing.
bool ComparableWithBaseline(const LayoutView& view, const LayoutView* baseline) {
  if (!baseline || baseline == &view) {
    return false;
  }
  std::multiset<std::string> mine;
  std::multiset<std::string> theirs;
  for (int k = 1; k < kKeySlotCount; ++k) {
    if (!view.Entry->Graph.Keys[k].Label.empty()) {
      mine.insert(view.Entry->Graph.Keys[k].Label);
    }
    if (!baseline->Entry->Graph.Keys[k].Label.empty()) {
      theirs.insert(baseline->Entry->Graph.Keys[k].Label);
    }
  }
  std::vector<std::string> shared;
  std::set_intersection(mine.begin(), mine.end(), theirs.begin(), theirs.end(),
                        std::back_inserter(shared));
  return 2 * shared.size() > std::max(mine.size(), theirs.size());
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
  if (view.SplitKnown || IsThumbKey(k)) {
    text += "\nfinger: " + std::string(KeyFingerName(k, view.LeftHandLastKey));
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

// The key's cell; it carries the tooltip, since the marks above let the pointer through.
std::string KeyCell(const LayoutView& view, const LayoutView* baseline, const Placement& placement,
                    int k, int band) {
  const double cell = placement.Cell;
  const Point at = placement.Stroke[k][band];
  return "<g class=\"key\">" + KeyTitle(view, baseline, k, band) +
         Rect("cell", at, 0.97 * cell, " rx=\"" + Coord(0.08 * cell) + "\"") + "</g>\n";
}

// The key's name in its cell's corner, drawn above every box so that none hides it.
std::string KeyNameText(const Placement& placement, int k, int band) {
  const double cell = placement.Cell;
  const Point at = placement.Stroke[k][band];
  return "<text class=\"keyname\" x=\"" + Coord(at.X - 0.4 * cell) + "\" y=\"" +
         Coord(at.Y - 0.25 * cell) + "\" font-size=\"" + Coord(0.21 * cell) + "\" stroke-width=\"" +
         Coord(0.04 * cell) + "\">" + EscapeHtml(std::string(1, KeyName(k))) + "</text>";
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

// The stroke box and the repeat box of one key in one band.
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
  return svg.empty() ? svg : svg + "\n";
}

// The kana of a key in the middle of its cell, smaller when there are several.
std::string KanaText(const std::string& kana, const Placement& placement, int k, int band) {
  if (kana.empty()) {
    return "";
  }
  const auto characters = static_cast<double>(
      std::count_if(kana.begin(), kana.end(), [](char c) { return (c & 0xC0) != 0x80; }));
  const double cell = placement.Cell;
  const Point at = placement.Stroke[k][band];
  return "<text class=\"kana\" x=\"" + Coord(at.X) + "\" y=\"" + Coord(at.Y) + "\" font-size=\"" +
         Coord(0.42 * cell * std::min(1.0, 1.6 / characters)) + "\" stroke-width=\"" +
         Coord(0.05 * cell) + "\">" + EscapeHtml(kana) + "</text>";
}

// The layers drawn beside the kana typed alone; the others are named.
constexpr std::size_t kLayersDrawn = 8;

// One layer's keyboard (or the kana typed alone): each key's cell, kana and name in the first
// band of the placement, the layer's own key marked.
std::string LayerFigure(const Placement& placement, int last,
                        const std::array<std::string, kKeySlotCount>& kana, int marked,
                        const std::string& caption) {
  const double cell = placement.Cell;
  Extent xs;
  Extent ys;
  for (int k = 1; k <= last; ++k) {
    xs.Add(placement.Stroke[k][0].X);
    ys.Add(placement.Stroke[k][0].Y);
  }
  std::string svg = "<figure class=\"layer\"><figcaption>" + EscapeHtml(caption) +
                    "</figcaption><svg class=\"layer-keyboard\" viewBox=\"" +
                    Coord(xs.Low - cell / 2) + " " + Coord(ys.Low - cell / 2) + " " +
                    Coord(xs.High - xs.Low + cell) + " " + Coord(ys.High - ys.Low + cell) +
                    "\" role=\"img\" aria-label=\"" + EscapeHtml(caption) + "\">\n";
  for (int k = 1; k <= last; ++k) {
    const std::string title = KeyReference(k) + (kana[k].empty() ? "" : ": " + kana[k]);
    svg += "<g class=\"key\"><title>" + EscapeHtml(title) + "</title>" +
           Rect(k == marked ? "cell layer-key" : "cell", placement.Stroke[k][0], 0.97 * cell,
                " rx=\"" + Coord(0.08 * cell) + "\"") +
           "</g>" + KanaText(kana[k], placement, k, 0) + KeyNameText(placement, k, 0) + "\n";
  }
  return svg + "</svg></figure>\n";
}

}  // namespace

Scales FindScales(const std::vector<ReportEntry>& entries) {
  Scales scales;
  for (const ReportEntry& entry : entries) {
    for (int k = 1; k <= entry.Graph.LastKey(); ++k) {
      scales.MaxStrokeSize = std::max(scales.MaxStrokeSize, entry.Graph.Keys[k].StrokeSize);
    }
    for (const Edge& edge : entry.Graph.Edges) {
      scales.MaxWeight = std::max(scales.MaxWeight, static_cast<double>(edge.Weight.Value));
    }
  }
  return scales;
}

bool DrawnAtUsualPlaces(const Network& network) {
  return PlaceKeys(network).Standard;
}

std::string KeyboardSvg(const LayoutView& view, const LayoutView* baseline, const Scales& scales,
                        int index) {
  const Network& network = view.Entry->Graph;
  const Placement placement = PlaceKeys(network);
  const double cell = placement.Cell;
  Extent xs;
  std::array<Extent, kBandCount> bandYs;
  for (int k = 1; k <= network.LastKey(); ++k) {
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
    for (int k = 1; k <= network.LastKey(); ++k) {
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
  const bool comparable = ComparableWithBaseline(view, baseline);
  for (int band = 0; band < kBandCount; ++band) {
    for (int k = 1; k <= network.LastKey(); ++k) {
      if (comparable && Moved(view, baseline, k)) {
        svg += Rect("moved-mark", placement.Stroke[k][band], 0.9 * cell,
                    " stroke-width=\"" + Coord(0.05 * cell) + "\"") +
               "\n";
      }
    }
  }
  for (int band = 0; band < kBandCount; ++band) {
    for (int k = 1; k <= network.LastKey(); ++k) {
      svg += KeyMarks(network, placement, k, band, scales);
    }
  }
  // The words last, above every box and line.
  for (int band = 0; band < kBandCount; ++band) {
    for (int k = 1; k <= network.LastKey(); ++k) {
      svg += KanaText(network.Keys[k].Label, placement, k, band) + KeyNameText(placement, k, band) +
             "\n";
    }
  }
  return svg + "</g>\n</svg>\n";
}

std::string LayersHtml(const LayoutView& view) {
  if (!view.Details || view.Details->Layers.empty()) {
    return "";
  }
  const std::vector<Layer>& layers = view.Details->Layers;
  const bool thumbs = view.Entry->Graph.Chords;
  const int last = thumbs ? kRightThumbKey : kKeysPerBand;
  Placement placement;
  PlaceAtUsualPlaces(placement, last);
  FinishPlacement(placement, thumbs, last);
  std::array<std::string, kKeySlotCount> alone;
  for (int k = 1; k <= last; ++k) {
    const std::string& kana = view.Details->KanaAlone[k];
    alone[k] = kana.substr(0, kana.find(' '));
  }
  std::string html = "<div class=\"layers\">\n" + LayerFigure(placement, last, alone, 0, "alone");
  std::string more;
  for (std::size_t i = 0; i < layers.size(); ++i) {
    const Layer& layer = layers[i];
    const std::string name(1, KeyName(layer.Key));
    const std::string caption = layer.Prefix ? "after " + name : "with " + name + " held";
    if (i < kLayersDrawn) {
      html += LayerFigure(placement, last, layer.Kana, layer.Key, caption);
    } else {
      more += (more.empty() ? "" : ", ") + caption;
    }
  }
  html += "</div>\n";
  if (!more.empty()) {
    html += "<p class=\"note\">Layers not drawn: " + EscapeHtml(more) + ".</p>\n";
  }
  return html;
}

std::string KeyboardLegend() {
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

}  // namespace kananet::report
