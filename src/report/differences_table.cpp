#include <cmath>
#include <string>

#include "report/html_text.h"
#include "report/page_tables.h"

namespace kananet::report {

namespace {

std::string Signed(double difference, int digits) {
  const double shown = digits == 0 ? std::round(difference) : difference;
  const double unit = digits == 0 ? 1 : 0.1;
  if (std::abs(shown) < unit / 2) {
    return "±" + Fixed(0, digits);
  }
  // Built by appending: g++ 12 warns falsely (-Wrestrict) on a literal plus a temporary string.
  std::string text(shown > 0 ? "+" : "-");
  text += digits == 0 ? Grouped(static_cast<std::uint64_t>(std::llround(std::abs(shown))))
                      : Fixed(std::abs(shown), digits);
  return text;
}

std::string DifferenceCell(const Figure& figure, const Figure& base, bool sameMode) {
  const std::optional<double> share = Difference(figure, base, sameMode);
  if (!share) {
    const std::string why = !figure.Known ? figure.UnknownWhy
                            : figure.GapFigure
                                ? "counted in another mode than the baseline: not comparable"
                                : "not known for the baseline";
    return "<td class=\"unknown-figure\" data-figure=\"" + figure.Id + "\" title=\"" +
           EscapeHtml(why) + "\">–</td>";
  }
  const std::optional<double> perKana = DifferencePerHundredKana(figure, base, sameMode);
  std::string value;
  std::string title = figure.Label;
  if (perKana) {
    value = Signed(*perKana, 1);
    title += ": per 100 kana";
    if (figure.IsShare) {
      value += "<span class=\"share\">" + Signed(*share, 1) + " pp</span>";
      title += ", then in percentage points of the layout's strokes";
    }
  } else {
    value = Signed(*share, figure.IsShare ? 1 : 0);
    title += figure.IsShare ? ", percentage points of the layout's strokes" : ", strokes";
  }
  const Judgement judgement = Judge(figure, base, sameMode);
  std::string cls;
  if (judgement.Known) {
    cls = judgement.Better ? "better" : "worse";
    value += judgement.Better ? " ▲ better" : " ▼ worse";
    title += judgement.OnShare ? "; judged on the share of the strokes"
             : perKana         ? "; judged per 100 kana"
                               : "; judged on the counts";
  }
  return "<td data-figure=\"" + figure.Id + "\"" + (cls.empty() ? "" : " class=\"" + cls + "\"") +
         " title=\"" + EscapeHtml(title) + "\">" + value + "</td>";
}

}  // namespace

std::string DifferencesSection(const std::vector<LayoutView>& views, std::size_t baseline) {
  const LayoutView& base = views[baseline];
  std::string html =
      "<section class=\"differences\"><h2>Differences from " + EscapeHtml(base.Entry->Name) +
      "</h2>\n<p class=\"notes\">Every figure of every other layout minus the "
      "baseline's: per 100 kana of the text when it is known (every layout counted "
      "the same text), with the share of the layout's strokes in percentage points "
      "(pp) beside it. Marked better or worse where a direction is clear: fewer "
      "strokes, actions, same-finger pairs, repeats, row jumps and number-row strokes per "
      "100 kana (on the counts without the text) are better, and so is a larger "
      "share of the strokes on the home row, in hand alternation and in inward "
      "rolls. On the keyboards, a dashed outline marks each key whose kana moved, "
      "for a layout that shares most of its kana with the baseline.</p>\n"
      "<div class=\"table-box\"><table class=\"differences\">\n"
      "<thead><tr><th>Figure</th><th>" +
      EscapeHtml(base.Entry->Name) + " (baseline)</th>";
  for (std::size_t i = 0; i < views.size(); ++i) {
    if (i != baseline) {
      html += std::string(views[i].Stale ? "<th class=\"stale-row\">" : "<th>") +
              LayoutNameHtml(views[i], i + 1) + "</th>";
    }
  }
  html += "</tr></thead>\n<tbody>\n";
  for (std::size_t f = 0; f < base.Figures.size(); ++f) {
    const Figure& figure = base.Figures[f];
    html += "<tr><td>" + EscapeHtml(figure.Label) + "</td>" + FigureCellHtml(figure);
    for (std::size_t i = 0; i < views.size(); ++i) {
      if (i != baseline) {
        html += DifferenceCell(views[i].Figures[f], figure, SameMode(views[i], base));
      }
    }
    html += "</tr>\n";
  }
  return html + "</tbody></table></div></section>\n";
}

}  // namespace kananet::report
