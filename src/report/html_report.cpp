#include "report/html_report.h"

#include "report/html_text.h"
#include "report/keyboard_drawing.h"
#include "report/layout_figures.h"
#include "report/page_style.h"
#include "report/page_tables.h"

namespace kananet::report {

namespace {

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

std::string RenderReport(std::string_view source, const std::vector<ReportEntry>& entries,
                         const std::vector<ReportFailure>& failures, const PageContext& context) {
  const Scales scales = FindScales(entries);
  const std::vector<LayoutView> views = ViewPage(entries, context);
  const bool hasBaseline = context.Baseline && *context.Baseline < views.size();
  const std::size_t baseline = hasBaseline ? *context.Baseline : 0;
  const LayoutView* const baselineView = hasBaseline ? &views[baseline] : nullptr;
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>kananet report: " +
      EscapeHtml(source) + "</title>\n<style>" + std::string(PageStyle()) +
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
    html += ComparisonSection(views) + FingersSection(views);
    if (hasBaseline) {
      html += DifferencesSection(views, baseline);
    } else if (views.size() > 1) {
      html +=
          "<p class=\"notes\">To see every figure as a difference from one layout, with the kana "
          "that moved marked on the keyboards, run <code>kananet-report --baseline "
          "NAME</code>.</p>\n";
    }
    html += "<section><h2>Keyboards</h2>\n" + KeyboardLegend() +
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
      if (DrawnAtUsualPlaces(entry.Graph)) {
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
