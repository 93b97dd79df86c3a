#include <charconv>
#include <string>

#include "report/html_text.h"
#include "report/page_tables.h"

namespace kananet::report {

namespace {

std::string HandShareHtml(const LayoutSummary& summary, bool left) {
  if (!summary.Split.Known) {
    return "<td title=\"the edges do not show where the hands split\">–</td>";
  }
  const Count& total = summary.Strokes;
  // The left hand's share is smallest with the lowest split, the right hand's with the highest.
  const Count& fewer = left ? summary.LeftWithLowestSplit : summary.LeftWithHighestSplit;
  const Count& more = left ? summary.LeftWithHighestSplit : summary.LeftWithLowestSplit;
  const auto strokesOfHand = [&](const Count& leftStrokes) {
    return left ? leftStrokes.Value : total.Value - leftStrokes.Value;
  };
  const std::string low =
      PercentText(static_cast<double>(strokesOfHand(fewer)), static_cast<double>(total.Value));
  const std::string high =
      PercentText(static_cast<double>(strokesOfHand(more)), static_cast<double>(total.Value));
  const bool exact = fewer.Exact && more.Exact && total.Exact;
  const std::string splitText = summary.Split.Lowest == summary.Split.Highest
                                    ? "the left hand ends at " + KeyReference(summary.Split.Lowest)
                                    : "the left hand ends somewhere from " +
                                          KeyReference(summary.Split.Lowest) + " to " +
                                          KeyReference(summary.Split.Highest);
  return "<td title=\"" + EscapeHtml(splitText) + "\">" + (exact ? "" : std::string(kApproxMark)) +
         (low == high ? low : low + "–" + high) + "</td>";
}

std::string PairsHtml(const Network& network, const LayoutSummary& summary) {
  if (summary.HeaviestPairs.empty()) {
    return "<td class=\"pairs\">–</td>";
  }
  std::string html = "<td class=\"pairs\"><ol class=\"pairs\">";
  for (const KeyPair& pair : summary.HeaviestPairs) {
    const std::string keys =
        pair.FirstKey == pair.SecondKey
            ? std::string("key ") + KeyName(pair.FirstKey) + " twice"
            : std::string("keys ") + KeyName(pair.FirstKey) + " and " + KeyName(pair.SecondKey);
    html += "<li title=\"" + EscapeHtml(keys) + "\">" +
            EscapeHtml(KeyText(network, pair.FirstKey) + "–" + KeyText(network, pair.SecondKey)) +
            " " + CountHtml(pair.Weight) + "</li> ";
  }
  html.pop_back();
  return html + "</ol></td>";
}

constexpr std::string_view kNotes = R"(<div class="notes">
<p>The figures of this table are read back from the network files. A key's strokes are the
square of its box size, rounded; a key struck again right after itself counts the square of
half its repeat box size; a pair of keys counts its edge weight. The files keep six significant digits, so counts
above about 250,000 (edge weights from 1,000,000) may be off by a little: such figures are marked
<span class="approx">≈</span>. Strokes of the space key are not in the files; the thumb keys'
of a layout with keys pressed together are, and count in the strokes and hands but in no row.</p>
<p>An <b>action</b> is the keys pressed together at once, a key struck alone being one; a
<b>chord</b> is an action of two keys or more. They come from the counts made again from the text
(the network files do not hold them); a layout without <code>%chords</code> has no chords, and its
actions are its strokes, the space key's included.</p>
<p>The files do not say which keys belong to which hand. Edges only ever join keys of one hand,
so the split is taken from them; where unused keys leave it open, a share is given as a range.
A same-hand pair is a stroke together with the previous stroke of the same hand; its gap is how
many strokes of the other hand lie between for a layout counted <b>by strokes</b>, how many kana
for one counted <b>by kana</b> (the Counting column): 0, 1, or 2 and more. The gap columns of
the two modes measure different things and do not compare. Each stroke makes at most one pair, so the three shares add up to at most
100 %; the rest are the first strokes of a hand after a break.</p>
</div>
)";

std::string UnknownCell(const std::string& why) {
  return "<td class=\"unknown-figure\" title=\"" + EscapeHtml(why) + "\">–</td>";
}

// A count figure per `kana` kana of the text (100 or 1), with `digits` decimals.
std::string PerKanaHtml(const Figure& figure, int kana, int digits) {
  if (!figure.PerKanaKnown) {
    return UnknownCell(figure.Known ? "needs the sample text beside the results"
                                    : figure.UnknownWhy);
  }
  return "<td title=\"" +
         EscapeHtml(CountText(figure.Tally) + " " + figure.Label + " per " + std::to_string(kana) +
                    " kana of the text") +
         "\">" + (figure.Tally.Exact ? "" : std::string(kApproxMark)) +
         Fixed(figure.PerHundredKana * kana / 100, digits) + "</td>";
}

// A count figure as a count; chords with their share of the actions on hover.
std::string CountCellHtml(const Figure& figure, const Figure& actions) {
  if (!figure.Known) {
    return UnknownCell(figure.UnknownWhy);
  }
  std::string title = CountText(figure.Tally) + " " + figure.Label;
  if (&figure != &actions && actions.Known) {
    title += ", " +
             PercentText(static_cast<double>(figure.Tally.Value),
                         static_cast<double>(actions.Tally.Value)) +
             " % of the actions";
  }
  return "<td title=\"" + EscapeHtml(title) + "\">" + CountHtml(figure.Tally) + "</td>";
}

std::string ComparisonTable(const std::vector<LayoutView>& views) {
  std::string html = R"(<div class="table-box"><table>
<thead>
<tr><th rowspan="2">Layout</th><th rowspan="2">Counting</th><th rowspan="2">Strokes</th><th rowspan="2">Strokes per 100 kana</th>
<th rowspan="2">Actions</th><th rowspan="2">Actions per kana</th><th rowspan="2">Chords</th><th colspan="2">Hand, % of strokes</th>
<th colspan="4">Row, % of strokes</th><th colspan="3">Same-hand pairs, % of strokes</th>
<th rowspan="2" style="text-align:left">Heaviest same-hand pairs, gap 0</th></tr>
<tr><th>left</th><th>right</th><th>number</th><th>top</th><th>home</th><th>bottom</th>
<th>gap 0</th><th>gap 1</th><th>gap 2+</th></tr>
</thead>
<tbody>
)";
  for (std::size_t i = 0; i < views.size(); ++i) {
    const ReportEntry& entry = *views[i].Entry;
    const LayoutSummary& summary = views[i].Summary;
    html += LayoutRowOpen(views[i]) + "<td>" + LayoutNameHtml(views[i], i + 1) + "</td><td>" +
            ModeHtml(views[i]) + "</td><td>" + CountHtml(summary.Strokes) + "</td>" +
            PerKanaHtml(FigureOf(views[i], kFigureStrokes), 100, 1);
    const Figure& actions = FigureOf(views[i], kFigureActions);
    html += CountCellHtml(actions, actions) + PerKanaHtml(actions, 1, 2) +
            CountCellHtml(FigureOf(views[i], kFigureChords), actions);
    html += HandShareHtml(summary, true) + HandShareHtml(summary, false);
    for (int row = 0; row < kRowCount; ++row) {
      html += "<td title=\"" + EscapeHtml(CountText(summary.Rows[row])) + " strokes on the " +
              std::string(kRowNames[row]) + " row\">" +
              PercentHtml(summary.Rows[row], summary.Strokes) + "</td>";
    }
    for (int band = 0; band < kBandCount; ++band) {
      html += "<td title=\"" + EscapeHtml(CountText(summary.SameHandPairs[band])) +
              " same-hand pairs at " + std::string(kBandNames[band]) + "\">" +
              PercentHtml(summary.SameHandPairs[band], summary.Strokes) + "</td>";
    }
    html += PairsHtml(entry.Graph, summary) + "</tr>\n";
  }
  return html + "</tbody>\n</table></div>\n";
}

// A weight as written in a search file: the shortest form that reads back the same.
std::string WeightText(double weight) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, weight).ptr;
  return std::string(text, end);
}

}  // namespace

std::string CostSection(const std::vector<LayoutView>& views, const SearchSettings& settings,
                        const std::string& file) {
  const bool targets = HasFingerTargets(settings);
  std::vector<int> weighted;
  for (int figure = 0; figure < kFigureCount; ++figure) {
    if (settings.Weights[static_cast<std::size_t>(figure)] != 0) {
      weighted.push_back(figure);
    }
  }
  std::string html =
      "<section class=\"cost\"><h2>Cost</h2>\n<p class=\"notes\">The cost of each layout "
      "under <code>" +
      EscapeHtml(file) +
      "</code>, as kananet-search scores it: each weighted figure per 100 kana of the text "
      "times its weight, summed" +
      (targets ? ", and the squared differences of the fingers' shares from their targets, in "
                 "percentage points, times their weight"
               : "") +
      ". Lower is better.</p>\n<div class=\"table-box\"><table>\n"
      "<thead><tr><th>Layout</th><th>Cost</th>";
  for (const int figure : weighted) {
    html += "<th>" + EscapeHtml(std::string(FigureIdName(figure))) + "<br>× " +
            WeightText(settings.Weights[static_cast<std::size_t>(figure)]) + "</th>";
  }
  if (targets) {
    html += "<th>finger targets<br>× " + WeightText(settings.FingerTargetWeight) + "</th>";
  }
  html += "</tr></thead>\n<tbody>\n";
  for (std::size_t i = 0; i < views.size(); ++i) {
    const LayoutView& view = views[i];
    html += LayoutRowOpen(view) + "<td>" + LayoutNameHtml(view, i + 1) + "</td>";
    if (!view.Cost) {
      html += "<td class=\"unknown-figure\" colspan=\"" +
              std::to_string(weighted.size() + 1 + targets) + "\" title=\"" +
              EscapeHtml(view.CostUnknownWhy) + "\">–</td></tr>\n";
      continue;
    }
    html += "<td><b>" + Fixed(view.Cost->Total, 4) + "</b></td>";
    for (const int figure : weighted) {
      html += "<td title=\"" +
              EscapeHtml(Fixed(view.Cost->PerHundredKana[static_cast<std::size_t>(figure)], 2) +
                         " per 100 kana") +
              "\">" + Fixed(view.Cost->Terms[static_cast<std::size_t>(figure)], 4) + "</td>";
    }
    if (targets) {
      html += "<td>" + Fixed(view.Cost->FingerTargets, 4) + "</td>";
    }
    html += "</tr>\n";
  }
  return html + "</tbody>\n</table></div>\n</section>\n";
}

std::string ComparisonSection(const std::vector<LayoutView>& views) {
  return "<section class=\"comparison\"><h2>Comparison</h2>\n" + ComparisonTable(views) +
         std::string(kNotes) + "</section>\n";
}

}  // namespace kananet::report
