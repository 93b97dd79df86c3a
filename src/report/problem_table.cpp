#include <string>

#include "report/html_text.h"
#include "report/page_tables.h"

namespace kananet::report {

namespace {

constexpr std::array<std::string_view, kProblemFigures.size()> kProblemLabels = {
    "Same-finger pairs", "Repeats", "Row jumps"};

std::string PairsCell(const std::vector<ProblemPair>& pairs) {
  if (pairs.empty()) {
    return "<td class=\"pairs\">none</td>";
  }
  std::string html = "<td class=\"pairs\"><ol class=\"problems\">";
  for (const ProblemPair& pair : pairs) {
    html += "<li title=\"" +
            EscapeHtml("keys " + std::string(1, KeyName(pair.FirstKey)) + " then " +
                       std::string(1, KeyName(pair.SecondKey))) +
            "\"><span class=\"problem-kana\">" + EscapeHtml(pair.Kana) + "</span> <code>" +
            EscapeHtml(std::string(1, KeyName(pair.FirstKey)) + "→" +
                       std::string(1, KeyName(pair.SecondKey))) +
            "</code> " + Grouped(pair.Count) + "</li>";
  }
  return html + "</ol></td>";
}

}  // namespace

std::string ProblemPairsSection(const std::vector<LayoutView>& views) {
  std::string rows;
  for (std::size_t i = 0; i < views.size(); ++i) {
    const LayoutView& view = views[i];
    if (!view.Details || !view.Details->Recounted) {
      continue;
    }
    rows += LayoutRowOpen(view) + "<td>" + LayoutNameHtml(view, i + 1) + "</td>";
    for (const std::vector<ProblemPair>& pairs : view.Details->Problems) {
      rows += PairsCell(pairs);
    }
    rows += "</tr>\n";
  }
  if (rows.empty()) {
    return rows;
  }
  std::string html =
      "<section class=\"problems\"><h2>What to fix</h2>\n<p class=\"notes\">The kana behind each "
      "layout's same-finger pairs, repeats and row jumps, heaviest first: the kana of one entry, "
      "or "
      "of two entries typed one after the other, the two keys struck one right after the other "
      "(hover for them), and how often the text has them.</p>\n<div class=\"table-box\"><table>\n"
      "<thead><tr><th>Layout</th>";
  for (const std::string_view label : kProblemLabels) {
    html += "<th style=\"text-align:left\">" + std::string(label) + "</th>";
  }
  return html + "</tr></thead>\n<tbody>\n" + rows + "</tbody></table></div></section>\n";
}

}  // namespace kananet::report
