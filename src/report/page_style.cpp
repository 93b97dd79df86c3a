#include "report/page_style.h"

namespace kananet::report {

namespace {

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
ol.problems { margin: 0; padding-left: 1.4em; white-space: nowrap; }
.problem-kana { font-weight: 600; }
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
.stale-banner { border-left: 4px solid #c0392b; background: #fdf0ee; padding: 6px 16px;
  margin-top: 16px; }
.stale-banner h2 { margin-top: 6px; color: #a12a1f; }
.stale-tag { background: #c0392b; color: #fff; border-radius: 4px; padding: 0 5px;
  font-size: 0.8rem; font-weight: 700; }
tr.stale-row td, th.stale-row { background: #fdf0ee; }
article.stale-layout { outline: 3px solid #c0392b; outline-offset: 6px; }
.bars { display: flex; align-items: flex-end; gap: 3px; height: 48px; }
.bars span { display: inline-block; width: 24px; background: #5477c4; }
.bar-values { display: flex; gap: 3px; font-size: 0.68rem; color: #4a5566; }
.bar-values span { display: inline-block; width: 24px; text-align: center; }
.bars span.thumb { background: #8a94a6; }
.bars span.unknown { background: repeating-linear-gradient(45deg, #d3d9e3 0 3px, #fff 3px 6px);
  height: 100%; }
td.bars-cell { padding-bottom: 2px; }
.better { color: #1e7b34; font-weight: 600; }
.worse { color: #b3261e; font-weight: 600; }
.unknown-figure { color: #8a94a6; }
.share { color: #6b7587; font-size: 0.85em; margin-left: 6px; font-weight: 400; }
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
.keyname { fill: #3d4757; font-family: "DejaVu Sans Mono", monospace; stroke: #fff;
  stroke-opacity: 0.85; paint-order: stroke; }
.band-caption { fill: #5b6678; text-anchor: middle; dominant-baseline: central; }
.band-line { stroke: #c5ccd8; stroke-dasharray: 6 6; }
.edge { fill: none; stroke: #e8590c; stroke-linecap: round; }
.key:hover .cell { stroke: #1d2430; stroke-width: 3; }
.layers { display: flex; flex-wrap: wrap; gap: 8px 16px; margin-top: 10px; }
.layers figure { margin: 0; width: 300px; }
.layers figcaption { font-size: 0.85rem; color: #4a5566; }
svg.layer-keyboard { width: 100%; height: auto; display: block; }
.cell.layer-key { fill: #fde7c8; stroke: #b4420e; stroke-width: 3; }
.edge:hover { stroke: #8f2d00; stroke-opacity: 1; }
)";

}  // namespace

std::string_view PageStyle() {
  return kStyle;
}

}  // namespace kananet::report
