#include "report/layout_figures.h"

#include <cmath>

namespace kananet::report {

namespace {

constexpr std::array<std::string_view, kRowCount> kRowIds = {"number", "top", "home", "bottom"};
constexpr std::array<Better, kRowCount> kRowBetter = {Better::kLower, Better::kNeither,
                                                      Better::kHigher, Better::kNeither};

std::string IdOf(std::string_view name) {
  std::string id(name);
  for (char& c : id) {
    c = c == ' ' ? '_' : c;
  }
  return id;
}

Figure Share(std::string id, std::string label, const Count& count, const Count& whole,
             Better better) {
  Figure figure;
  figure.id = std::move(id);
  figure.label = std::move(label);
  figure.known = true;
  figure.count = count;
  figure.count.exact = count.exact && whole.exact;
  figure.percent = whole.value > 0
                       ? 100.0 * static_cast<double>(count.value) / static_cast<double>(whole.value)
                       : 0;
  figure.better = better;
  return figure;
}

Figure Unknown(std::string id, std::string label, std::string why) {
  Figure figure;
  figure.id = std::move(id);
  figure.label = std::move(label);
  figure.unknownWhy = std::move(why);
  return figure;
}

std::vector<Figure> FiguresOf(const LayoutView& view, bool withLayouts) {
  const LayoutSummary& summary = view.summary;
  const Network& network = view.entry->network;
  std::vector<Figure> figures;
  Figure strokes = Share("strokes", "strokes on the drawn keys", summary.strokes, summary.strokes,
                         Better::kLower);
  strokes.isShare = false;
  figures.push_back(strokes);

  if (view.splitKnown) {
    Count left;
    for (int key = 1; key <= std::min(view.leftHandLastKey, kKeysPerBand); ++key) {
      left += network.keys[key].strokes;
    }
    const Count right = {summary.strokes.value - left.value, left.exact && summary.strokes.exact};
    figures.push_back(Share("hand.left", "left hand", left, summary.strokes, Better::kNeither));
    figures.push_back(Share("hand.right", "right hand", right, summary.strokes, Better::kNeither));
  } else {
    const std::string why = "the files do not say where the hands split";
    figures.push_back(Unknown("hand.left", "left hand", why));
    figures.push_back(Unknown("hand.right", "right hand", why));
  }
  for (int row = 0; row < kRowCount; ++row) {
    figures.push_back(Share("row." + std::string(kRowIds[row]), std::string(kRowIds[row]) + " row",
                            summary.rows[row], summary.strokes, kRowBetter[row]));
  }
  for (int band = 0; band < kBandCount; ++band) {
    const std::string gap = band == 2 ? "2+" : std::to_string(band);
    Figure pairs =
        Share("same_hand_pairs.gap" + std::to_string(band), "same-hand pairs, gap " + gap,
              summary.sameHandPairs[band], summary.strokes, Better::kNeither);
    pairs.gapFigure = true;
    figures.push_back(pairs);
  }

  const FingerFigures& fingers = view.fingers;
  for (int finger = 0; finger < kFingerCount; ++finger) {
    const std::string name(FingerName(static_cast<Finger>(finger)));
    if (static_cast<Finger>(finger) == Finger::kThumb && !fingers.thumbKnown) {
      figures.push_back(
          Unknown("finger." + IdOf(name), name, "the space key is not in the network files"));
    } else if (!view.splitKnown) {
      figures.push_back(
          Unknown("finger." + IdOf(name), name, "the files do not say where the hands split"));
    } else {
      figures.push_back(Share("finger." + IdOf(name), name, fingers.strokes[finger],
                              fingers.allStrokes, Better::kNeither));
    }
  }
  const std::string why =
      !withLayouts    ? "needs the order of the strokes: run the report on the working directory "
                        "(kanasample.txt and layout/ beside result/)"
      : !view.details ? "no file in layout/ writes this network file"
      : !view.details->headerKnown ? "the layout file could not be read"
      : view.stale ? "the network file does not hold the counts of the text and layout now in "
                     "the directory: run kananet again"
                   : "the sample text could not be read, or a kana of it has no key here";
  const struct {
    const char* id;
    const char* label;
    const Count* count;
    Better better;
  } pairFigures[] = {
      {"same_finger", "same-finger pairs", &fingers.sameFinger, Better::kLower},
      {"repeats", "repeats", &fingers.repeats, Better::kLower},
      {"alternation", "hand alternation", &fingers.alternations, Better::kHigher},
      {"inward_rolls", "inward rolls", &fingers.inwardRolls, Better::kHigher},
      {"outward_rolls", "outward rolls", &fingers.outwardRolls, Better::kNeither},
      {"row_jumps", "row jumps", &fingers.rowJumps, Better::kLower},
  };
  for (const auto& pair : pairFigures) {
    figures.push_back(fingers.pairsKnown
                          ? Share(pair.id, pair.label, *pair.count, fingers.allStrokes, pair.better)
                          : Unknown(pair.id, pair.label, why));
  }
  return figures;
}

}  // namespace

std::vector<LayoutView> ViewLayouts(const std::vector<ReportEntry>& entries,
                                    const std::vector<const LayoutDetails*>& details,
                                    bool withLayouts) {
  std::vector<LayoutView> views;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    LayoutView& view = views.emplace_back();
    view.entry = &entries[i];
    view.details = i < details.size() ? details[i] : nullptr;
    view.summary = Summarize(entries[i].network);
    if (view.details && view.details->headerKnown) {
      view.splitKnown = true;
      view.leftHandLastKey = view.details->leftHandLastKey;
    } else if (view.summary.split.known &&
               view.summary.split.lowest == view.summary.split.highest) {
      view.splitKnown = true;
      view.leftHandLastKey = view.summary.split.lowest;
    }
    const Recount* recount = view.details ? view.details->recount.get() : nullptr;
    if (recount && NetworkMatches(entries[i].network, *recount, view.leftHandLastKey)) {
      view.countsFromText = true;
      view.fingers = FingerFiguresOfCounts(recount->keys, recount->byStrokes, view.leftHandLastKey);
    } else {
      view.stale = recount != nullptr;
      view.fingers = FingerFiguresOfNetwork(entries[i].network, view.leftHandLastKey);
    }
    view.figures = FiguresOf(view, withLayouts);
  }
  return views;
}

std::optional<double> Difference(const Figure& figure, const Figure& baseline, bool sameMode) {
  if (!figure.known || !baseline.known || (figure.gapFigure && !sameMode)) {
    return std::nullopt;
  }
  if (figure.isShare) {
    return figure.percent - baseline.percent;
  }
  return static_cast<double>(figure.count.value) - static_cast<double>(baseline.count.value);
}

std::string CountingName(const LayoutView& view) {
  if (!view.details || !view.details->headerKnown) {
    return "";
  }
  return view.details->countByKana ? "by kana" : "by strokes";
}

std::string Grouped(std::uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) {
      grouped += ',';
    }
    grouped += digits[i];
  }
  return grouped;
}

std::string CountOf(std::uint64_t value, const std::string& singular, const std::string& plural) {
  return Grouped(value) + " " + (value == 1 ? singular : plural);
}

}  // namespace kananet::report
