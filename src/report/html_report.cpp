#include "report/html_report.h"

#include "report/html_text.h"
#include "report/keyboard_drawing.h"
#include "report/layout_figures.h"
#include "report/page_style.h"
#include "report/page_tables.h"

namespace kananet::report {

namespace {

// The check's findings as a list, each with its place and severity.
std::string FindingsList(const std::vector<CheckLine>& findings) {
  if (findings.empty()) {
    return "";
  }
  std::string html = "<ul class=\"findings\">\n";
  for (const CheckLine& line : findings) {
    html += "<li><code>" + EscapeHtml(line.Location) + "</code>: <span class=\"sev-" +
            EscapeHtml(line.Severity) + "\">" + EscapeHtml(line.Severity) +
            "</span>: " + EscapeHtml(line.Message) + "</li>\n";
  }
  return html + "</ul>\n";
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
        "layout file as they are now: " +
        EscapeHtml(StaleAdvice(view)) +
        ". Figures that need the order of strokes are left out.</p>\n";
  }
  return html + FindingsList(details.Findings);
}

// A banner at the top naming every layout whose network file is older than its text or layout,
// so that an old result is not taken for a current one.
std::string StaleBanner(const std::vector<LayoutView>& views) {
  std::string names;
  for (std::size_t i = 0; i < views.size(); ++i) {
    if (views[i].Stale) {
      names += "<li>" + LayoutNameHtml(views[i], i + 1) + " <code>" +
               EscapeHtml(views[i].Entry->FileName) + "</code></li>\n";
    }
  }
  if (names.empty()) {
    return names;
  }
  return "<section class=\"stale-banner\"><h2>Stale results</h2>\n<p>These network files do not "
         "hold the counts of kanasample.txt and their layout file as they are now: a layout or "
         "the text changed after the batch. Their figures are of the old files. Run kananet "
         "again, then this report.</p>\n<ul>\n" +
         names + "</ul></section>\n";
}

std::string SampleTextLine(const WorkingDirectory& working) {
  if (!working.Text.Read) {
    return "<p class=\"source\">No sample text could be read from <code>" +
           EscapeHtml(working.Path) + "</code>.</p>\n" + FindingsList(working.Text.Findings);
  }
  return "<p class=\"source\">Sample text <code>" + EscapeHtml(working.Text.Name) +
         "</code>: " + CountOf(working.Text.Bytes, "byte", "bytes") + ", " +
         CountOf(working.Text.Kana, "kana", "kana") + " in " +
         CountOf(working.Text.Runs, "run", "runs") + "; layouts from <code>" +
         EscapeHtml(working.Path) + "/layout/</code></p>\n" + FindingsList(working.Text.Findings);
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
  html += "</header>\n" + StaleBanner(views);
  if (!failures.empty()) {
    html += "<section class=\"failures\"><h2>Files not shown</h2>\n<ul>\n";
    for (const ReportFailure& failure : failures) {
      html += "<li><code>" + EscapeHtml(failure.Location) +
              "</code>: " + EscapeHtml(failure.Message) + "</li>\n";
    }
    html += "</ul></section>\n";
  }
  if (!entries.empty()) {
    html += ComparisonSection(views);
    if (context.Cost) {
      html += CostSection(views, *context.Cost, context.CostFile);
    }
    html += FingersSection(views) + ProblemPairsSection(views);
    if (hasBaseline) {
      html += DifferencesSection(views, baseline);
    } else if (views.size() > 1) {
      html +=
          "<p class=\"notes\">To see every figure as a difference from one layout, with the kana "
          "that moved marked on the keyboards, run <code>kananet-report --baseline "
          "NAME</code>.</p>\n";
    }
    std::size_t drawn = 0;
    for (const LayoutView& view : views) {
      drawn += view.KeyboardDrawn ? 1 : 0;
    }
    html += "<section><h2>Keyboards</h2>\n";
    if (drawn < views.size()) {
      html += "<p class=\"notes\">" + CountOf(drawn, "keyboard", "keyboards") + " of " +
              CountOf(views.size(), "layout", "layouts") +
              " drawn: the baseline and the first in the tables' order (<code>--keyboards "
              "all</code> draws every one). The tables and exports hold every layout.</p>\n";
    }
    html += KeyboardLegend() +
            "<input type=\"checkbox\" id=\"all-edges\"><label class=\"edge-switch\" "
            "for=\"all-edges\"> show every line (by default only the heaviest lines that carry "
            "90 % of each band's weight)</label>\n<div class=\"keyboards\">\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (!views[i].KeyboardDrawn) {
        continue;
      }
      const ReportEntry& entry = entries[i];
      const int index = static_cast<int>(i + 1);
      std::string id = "layout-";
      id += std::to_string(index);
      html += "<article class=\"layout" + std::string(views[i].Stale ? " stale-layout" : "") +
              "\" id=\"" + id + "\"><h3 id=\"" + id + "-title\">" + LayoutNameHtml(views[i], 0) +
              "</h3>\n<p class=\"file\">" + EscapeHtml(entry.FileName) + "</p>\n";
      if (DrawnAtUsualPlaces(entry.Graph)) {
        html +=
            "<p class=\"note\">The file places some keys at positions that are not finite "
            "numbers; all keys are drawn at their usual places.</p>\n";
      }
      html += LayoutFacts(views[i]);
      html += KeyboardSvg(views[i], baselineView, scales, index) + LayersHtml(views[i]);
      html += "</article>\n";
    }
    html += "</div></section>\n";
  }
  return html + "</body>\n</html>\n";
}

}  // namespace kananet::report
