#include <cmath>
#include <string>

#include "report/exports.h"
#include "report/html_text.h"
#include "report/page_tables.h"

namespace kananet::report {

namespace {

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

}  // namespace

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

}  // namespace kananet::report
