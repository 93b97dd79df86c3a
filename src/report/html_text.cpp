#include "report/html_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace kananet::report {

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

std::string Fixed(double value, int digits) {
  // Room for any double: 309 digits before the point, the sign, the point and the decimals.
  std::array<char, std::numeric_limits<double>::max_exponent10 + 3 + 64> buffer;
  const auto [end, failed] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                           std::chars_format::fixed, digits);
  return failed == std::errc() ? std::string(buffer.data(), end) : std::string("?");
}

std::string CountHtml(const Count& count) {
  return (count.Exact ? "" : std::string(kApproxMark)) + Grouped(count.Value);
}

std::string CountText(const Count& count) {
  return (count.Exact ? "" : "about ") + Grouped(count.Value);
}

std::string TimesText(const Count& count) {
  return (count.Exact ? "" : "about ") + CountOf(count.Value, "time", "times");
}

std::string PercentText(double part, double whole) {
  return whole > 0 ? Fixed(100 * part / whole, 1) : std::string("–");
}

std::string PercentHtml(const Count& part, const Count& whole) {
  const bool exact = part.Exact && whole.Exact;
  return (exact ? "" : std::string(kApproxMark)) +
         PercentText(static_cast<double>(part.Value), static_cast<double>(whole.Value));
}

std::string KeyText(const Network& network, int key) {
  const std::string& label = network.Keys[key].Label;
  return label.empty() ? std::string{'[', KeyName(key), ']'} : label;
}

std::string KeyDescription(const Network& network, int key) {
  const std::string& label = network.Keys[key].Label;
  return (label.empty() ? std::string("no kana alone") : label) + ", key " +
         std::string(1, KeyName(key)) + " (" + std::to_string(key) + ")";
}

std::string KeyReference(int key) {
  return std::string("key ") + KeyName(key) + " (" + std::to_string(key) + ")";
}
std::string ModeHtml(const LayoutView& view) {
  const std::string name = CountingName(view);
  if (name.empty()) {
    return "<span title=\"without the layout file the counting mode is not known\">–</span>";
  }
  const bool kana = view.Details->CountByKana;
  return std::string("<span class=\"mode ") + (kana ? "kana" : "strokes") + "\" title=\"" +
         (kana ? "gaps are counted in kana: its gap columns do not compare with a layout counted "
                 "by strokes"
               : "gaps are counted in strokes of the other hand") +
         "\">" + name + "</span>";
}

std::string FigureCellHtml(const Figure& figure, const std::string& cellClass) {
  const std::string open = "<td data-figure=\"" + figure.Id + "\"";
  if (!figure.Known) {
    return open + " class=\"unknown-figure\" title=\"" + EscapeHtml(figure.UnknownWhy) +
           "\">–</td>";
  }
  const std::string share =
      figure.IsShare ? Fixed(figure.Percent, 1) + " % of the strokes" : std::string();
  std::string value;
  if (figure.PerKanaKnown) {
    value = Fixed(figure.PerHundredKana, 1);
    if (figure.IsShare) {
      value += "<span class=\"share\">" + Fixed(figure.Percent, 1) + " %</span>";
    }
  } else {
    value = figure.IsShare ? Fixed(figure.Percent, 1) + " %" : Grouped(figure.Tally.Value);
  }
  return open + (cellClass.empty() ? "" : " class=\"" + cellClass + "\"") + " title=\"" +
         EscapeHtml(
             CountText(figure.Tally) + " " + figure.Label +
             (figure.PerKanaKnown ? ", " + Fixed(figure.PerHundredKana, 2) + " per 100 kana" : "") +
             (share.empty() ? "" : ", " + share)) +
         "\">" + (figure.Tally.Exact ? "" : std::string(kApproxMark)) + value + "</td>";
}

std::string FigureUnitText(const std::vector<LayoutView>& views) {
  const bool perKana = std::any_of(views.begin(), views.end(), [](const LayoutView& view) {
    return !view.Figures.empty() && view.Figures.front().PerKanaKnown;
  });
  return perKana ? "per 100 kana of the text, then % of the layout's strokes"
                 : "% of the layout's strokes";
}

std::string LayoutNameHtml(const LayoutView& view, std::size_t index) {
  const std::string name = EscapeHtml(view.Entry->Name);
  std::string html = view.KeyboardDrawn && index > 0
                         ? "<a href=\"#layout-" + std::to_string(index) + "\">" + name + "</a>"
                         : name;
  if (view.Stale) {
    html +=
        " <span class=\"stale-tag\" title=\"this network file does not hold the counts of the "
        "text and layout now in the directory: " +
        EscapeHtml(StaleAdvice(view)) + "\">stale</span>";
  }
  return html;
}

std::string LayoutRowOpen(const LayoutView& view) {
  return view.Stale ? "<tr class=\"stale-row\">" : "<tr>";
}

}  // namespace kananet::report
