// Each layout's network drawn as a keyboard in inline SVG: one band of key cells per gap class,
// each key's stroke box, repeat box and kana, and the same-hand pairs as lines between keys.
#pragma once

#include <string>
#include <vector>

#include "report/html_report.h"
#include "report/layout_figures.h"

namespace kananet::report {

// The largest box and line of all the page's networks, so that every keyboard of the page is
// drawn to one scale and the drawings compare.
struct Scales {
  double MaxStrokeSize = 0;
  double MaxWeight = 0;
};

Scales FindScales(const std::vector<ReportEntry>& entries);

// Whether the file places some keys at positions that are not finite numbers, so that every
// key is drawn at its usual place instead.
bool DrawnAtUsualPlaces(const Network& network);

// The keyboard of views's layout; the keys whose kana differ from the baseline's (if any) are
// outlined. index numbers the layout on the page (its heading is layout-INDEX-title).
std::string KeyboardSvg(const LayoutView& view, const LayoutView* baseline, const Scales& scales,
                        int index);

// Beside the kana each key types alone, a small keyboard of each layer of the layout (the kana
// typed with a key held or after a prefix key), at the keys' usual places; empty for a layout
// without layers or without its layout file.
std::string LayersHtml(const LayoutView& view);

// What the boxes, lines and bands of the keyboards mean.
std::string KeyboardLegend();

}  // namespace kananet::report
