#include <algorithm>
#include <string>

#include "codes/keyboard.h"
#include "report/fingers.h"
#include "report/html_text.h"
#include "report/page_tables.h"

namespace kananet::report {

namespace {

std::string FingerBars(const LayoutView& view) {
  std::string html = "<div class=\"bars\">";
  std::string values = "<div class=\"bar-values\">";
  for (int finger = 0; finger < kFingerCount; ++finger) {
    const Figure& figure = FigureOf(view, kFigureFingerFirst + finger);
    const std::string name(FingerName(static_cast<Finger>(finger)));
    if (!figure.Known) {
      html += "<span class=\"unknown\" title=\"" + EscapeHtml(name + ": " + figure.UnknownWhy) +
              "\"></span>";
      values += "<span>–</span>";
      continue;
    }
    const double height = std::clamp(figure.Percent * 2.0, 1.0, 100.0);  // 50 % fills the bar
    html += std::string("<span") +
            (static_cast<Finger>(finger) == Finger::kThumb ? " class=\"thumb\"" : "") +
            " style=\"height:" + Fixed(height, 1) + "%\" title=\"" +
            EscapeHtml(name + ": " + Fixed(figure.Percent, 1) + " % (" +
                       CountOf(figure.Tally.Value, "stroke", "strokes") + ")") +
            "\"></span>";
    // The share written under its bar, whole percent (one decimal below 10 %).
    values += "<span>" + Fixed(figure.Percent, figure.Percent < 9.95 ? 1 : 0) + "</span>";
  }
  return html + "</div>" + values + "</div>";
}

constexpr std::array<int, 6> kPairFigureIds = {kFigureSameFinger,   kFigureRepeats,
                                               kFigureAlternation,  kFigureInwardRolls,
                                               kFigureOutwardRolls, kFigureRowJumps};

}  // namespace

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
      "</tbody></table></div>\n<p class=\"notes\">The space key is the thumb's, and so are the "
      "thumb keys &lt; and &gt; of a layout with keys pressed together, each of its own hand.</p>\n"
      "<div class=\"table-box\"><table>\n<thead><tr><th>Layout</th>"
      "<th style=\"text-align:left\">Strokes per finger</th>"
      "<th>Same-finger pairs</th><th>Repeats</th><th>Hand alternation</th><th>Inward rolls</th>"
      "<th>Outward rolls</th><th>Row jumps</th></tr>\n"
      "<tr><th></th><th></th><th colspan=\"6\" style=\"text-align:center\">" +
      FigureUnitText(views) + "</th></tr></thead>\n<tbody>\n";
  for (std::size_t i = 0; i < views.size(); ++i) {
    const LayoutView& view = views[i];
    html += LayoutRowOpen(view) + "<td>" + LayoutNameHtml(view, i + 1) +
            "</td><td class=\"bars-cell\">" + FingerBars(view) + "</td>";
    for (const int id : kPairFigureIds) {
      html += FigureCellHtml(FigureOf(view, id));
    }
    html += "</tr>\n";
  }
  return html + R"(</tbody></table></div>
<div class="notes">
<p>A bar is a finger's share of all strokes, written under it in % (half of them fill it). A <b>same-finger pair</b> is
two different keys of one finger, one right after the other; a <b>repeat</b> is one key struck
twice in a row; <b>hand alternation</b> is a stroke right after a stroke of the other hand; a
<b>roll</b> is two fingers of one hand, one right after the other, <b>inward</b> when the second
is nearer the index finger, <b>outward</b> when it is farther; a <b>row jump</b> is one hand going
from the top letter row to the bottom one or back, right after the other.</p>
<p>Layouts are compared on one text, so each figure is given per 100 kana of that text (the
same for every layout): a layout that needs more strokes for the same text shows more. The
share of the layout's own strokes stands beside it (%); hover a cell for the count.</p>
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

}  // namespace kananet::report
