#include "report/layout_figures.h"

#include <cmath>

namespace kananet::report {

namespace {

constexpr std::array<std::string_view, kRowCount> kRowNames = {"number", "top", "home", "bottom"};
constexpr std::array<Better, kRowCount> kRowBetter = {Better::kLower, Better::kNeither,
                                                      Better::kHigher, Better::kNeither};

std::string IdOf(int figure) {
  return std::string(FigureIdName(figure));
}

Figure Share(std::string id, std::string label, const Count& count, const Count& whole,
             Better better) {
  Figure figure;
  figure.Id = std::move(id);
  figure.Label = std::move(label);
  figure.Known = true;
  figure.Tally = count;
  figure.Tally.Exact = count.Exact && whole.Exact;
  figure.Percent = whole.Value > 0
                       ? 100.0 * static_cast<double>(count.Value) / static_cast<double>(whole.Value)
                       : 0;
  figure.Preferred = better;
  return figure;
}

// A figure that is a count of its own, not a share of the strokes.
Figure CountFigure(std::string id, std::string label, const Count& count, Better better) {
  Figure figure = Share(std::move(id), std::move(label), count, count, better);
  figure.IsShare = false;
  return figure;
}

Figure Unknown(std::string id, std::string label, std::string why) {
  Figure figure;
  figure.Id = std::move(id);
  figure.Label = std::move(label);
  figure.UnknownWhy = std::move(why);
  return figure;
}

std::vector<Figure> FiguresOf(const LayoutView& view, bool withLayouts) {
  const LayoutSummary& summary = view.Summary;
  const Network& network = view.Entry->Graph;
  std::vector<Figure> figures;
  figures.push_back(CountFigure(IdOf(kFigureStrokes), "strokes on the drawn keys", summary.Strokes,
                                Better::kLower));
  // Why a figure the network file cannot give is not known, for one that needs `what`.
  const auto whyUnknown = [&](const std::string& what) -> std::string {
    return !withLayouts ? "needs " + what +
                              ": run the report on the working directory (kanasample.txt and "
                              "layout/ beside result/)"
           : !view.Details              ? "no file in layout/ writes this network file"
           : !view.Details->HeaderKnown ? "the layout file could not be read"
           : view.Stale ? "the network file does not hold the counts of the text and layout now "
                          "in the directory: " +
                              StaleAdvice(view)
                        : "the sample text could not be read, or a kana of it has no key here";
  };
  // Actions and chords come from the counts made again; a file without the thumb keys is of a
  // layout without keys pressed together, which has no chords.
  const Recount* recount = view.CountsFromText ? view.Details->Recounted.get() : nullptr;
  const std::string actionsWhy = whyUnknown("the keys pressed together, which the files leave out");
  figures.push_back(recount ? CountFigure(IdOf(kFigureActions), "actions",
                                          {recount->Own.Actions, true}, Better::kLower)
                            : Unknown(IdOf(kFigureActions), "actions", actionsWhy));
  figures.push_back(recount || !network.Chords
                        ? CountFigure(IdOf(kFigureChords), "chords",
                                      {recount ? recount->Own.Chords : 0, true}, Better::kNeither)
                        : Unknown(IdOf(kFigureChords), "chords", actionsWhy));

  if (view.SplitKnown) {
    const Count left = LeftHandStrokes(network, view.LeftHandLastKey);
    const Count right = {summary.Strokes.Value - left.Value, left.Exact && summary.Strokes.Exact};
    figures.push_back(
        Share(IdOf(kFigureHandLeft), "left hand", left, summary.Strokes, Better::kNeither));
    figures.push_back(
        Share(IdOf(kFigureHandRight), "right hand", right, summary.Strokes, Better::kNeither));
  } else {
    const std::string why = "the files do not say where the hands split";
    figures.push_back(Unknown(IdOf(kFigureHandLeft), "left hand", why));
    figures.push_back(Unknown(IdOf(kFigureHandRight), "right hand", why));
  }
  for (int row = 0; row < kRowCount; ++row) {
    figures.push_back(Share(IdOf(kFigureRowNumber + row), std::string(kRowNames[row]) + " row",
                            summary.Rows[row], summary.Strokes, kRowBetter[row]));
  }
  for (int band = 0; band < kBandCount; ++band) {
    const std::string gap = band == 2 ? "2+" : std::to_string(band);
    Figure pairs = Share(IdOf(kFigureGap0 + band), "same-hand pairs, gap " + gap,
                         summary.SameHandPairs[band], summary.Strokes, Better::kNeither);
    pairs.GapFigure = true;
    figures.push_back(pairs);
  }

  const FingerFigures& fingers = view.Fingers;
  for (int finger = 0; finger < kFingerCount; ++finger) {
    const std::string name(FingerName(static_cast<Finger>(finger)));
    const std::string id = IdOf(kFigureFingerFirst + finger);
    if (static_cast<Finger>(finger) == Finger::kThumb && !fingers.ThumbKnown) {
      figures.push_back(Unknown(id, name, "the space key is not in the network files"));
    } else if (!view.SplitKnown) {
      figures.push_back(Unknown(id, name, "the files do not say where the hands split"));
    } else {
      figures.push_back(
          Share(id, name, fingers.Strokes[finger], fingers.AllStrokes, Better::kNeither));
    }
  }
  const std::string why = whyUnknown("the order of the strokes");
  const struct {
    int Id;
    const char* Label;
    const Count* Tally;
    Better Preferred;
  } pairFigures[] = {
      {kFigureSameFinger, "same-finger pairs", &fingers.SameFinger, Better::kLower},
      {kFigureRepeats, "repeats", &fingers.Repeats, Better::kLower},
      {kFigureAlternation, "hand alternation", &fingers.Alternations, Better::kHigher},
      {kFigureInwardRolls, "inward rolls", &fingers.InwardRolls, Better::kHigher},
      {kFigureOutwardRolls, "outward rolls", &fingers.OutwardRolls, Better::kNeither},
      {kFigureRowJumps, "row jumps", &fingers.RowJumps, Better::kLower},
  };
  for (const auto& pair : pairFigures) {
    figures.push_back(fingers.PairsKnown ? Share(IdOf(pair.Id), pair.Label, *pair.Tally,
                                                 fingers.AllStrokes, pair.Preferred)
                                         : Unknown(IdOf(pair.Id), pair.Label, why));
  }
  return figures;
}

}  // namespace

std::vector<LayoutView> ViewLayouts(const std::vector<ReportEntry>& entries,
                                    const std::vector<const LayoutDetails*>& details,
                                    bool withLayouts, std::uint64_t textKana) {
  std::vector<LayoutView> views;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    LayoutView& view = views.emplace_back();
    view.Entry = &entries[i];
    view.Details = i < details.size() ? details[i] : nullptr;
    view.Summary = Summarize(entries[i].Graph);
    if (view.Details && view.Details->HeaderKnown) {
      view.SplitKnown = true;
      view.LeftHandLastKey = view.Details->LeftHandLastKey;
    } else if (view.Summary.Split.Known &&
               view.Summary.Split.Lowest == view.Summary.Split.Highest) {
      view.SplitKnown = true;
      view.LeftHandLastKey = view.Summary.Split.Lowest;
    }
    const Recount* recount = view.Details ? view.Details->Recounted.get() : nullptr;
    if (recount && NetworkMatches(entries[i].Graph, *recount, view.LeftHandLastKey)) {
      view.CountsFromText = true;
      view.Fingers = FingerFiguresOfCounts(recount->Own, recount->ByStrokes, view.LeftHandLastKey);
    } else {
      view.Stale = recount != nullptr || (view.Details && view.Details->UndefinedKana);
      view.Fingers = FingerFiguresOfNetwork(entries[i].Graph, view.LeftHandLastKey);
    }
    view.Figures = FiguresOf(view, withLayouts);
    for (Figure& figure : view.Figures) {
      figure.PerKanaKnown = figure.Known && textKana > 0;
      figure.PerHundredKana =
          figure.PerKanaKnown
              ? 100.0 * static_cast<double>(figure.Tally.Value) / static_cast<double>(textKana)
              : 0;
    }
  }
  return views;
}

std::vector<LayoutView> ViewPage(const std::vector<ReportEntry>& entries,
                                 const PageContext& context) {
  const WorkingDirectory* working = context.Working;
  std::vector<LayoutView> views =
      ViewLayouts(entries, context.Details, working != nullptr,
                  working && working->Text.Read ? working->Text.Kana : 0);
  for (std::size_t i = 0; i < views.size(); ++i) {
    views[i].KeyboardDrawn = i < context.Keyboards || i == context.Baseline;
  }
  if (context.Cost) {
    for (LayoutView& view : views) {
      const Recount* recount = view.Details ? view.Details->Recounted.get() : nullptr;
      if (working && working->Text.Read && recount && view.CountsFromText) {
        // The search's own figures and cost of the layout's counts, so that both agree.
        view.Cost =
            CostOfLayout(FiguresOfCounts(recount->Own, recount->ByStrokes, view.LeftHandLastKey),
                         *context.Cost, working->Text.Kana);
      } else {
        view.CostUnknownWhy = FigureOf(view, kFigureSameFinger).UnknownWhy;
      }
    }
  }
  return views;
}

std::string StaleAdvice(const LayoutView& view) {
  if (view.Details && view.Details->UndefinedKana) {
    return "kananet stops at a kana of kanasample.txt that layout/" + view.Details->LayoutFile +
           " does not define: define it (kananet --check names it), then run kananet again";
  }
  return "run kananet again";
}

std::optional<double> Difference(const Figure& figure, const Figure& baseline, bool sameMode) {
  if (!figure.Known || !baseline.Known || (figure.GapFigure && !sameMode)) {
    return std::nullopt;
  }
  if (figure.IsShare) {
    return figure.Percent - baseline.Percent;
  }
  return static_cast<double>(figure.Tally.Value) - static_cast<double>(baseline.Tally.Value);
}

std::optional<double> DifferencePerHundredKana(const Figure& figure, const Figure& baseline,
                                               bool sameMode) {
  if (!figure.PerKanaKnown || !baseline.PerKanaKnown || (figure.GapFigure && !sameMode)) {
    return std::nullopt;
  }
  return figure.PerHundredKana - baseline.PerHundredKana;
}

Judgement Judge(const Figure& figure, const Figure& baseline, bool sameMode) {
  Judgement judgement;
  if (figure.Preferred == Better::kNeither || !figure.Known || !baseline.Known ||
      (figure.GapFigure && !sameMode)) {
    return judgement;
  }
  // Differences below the last digit the page shows are no difference.
  double difference = 0;
  double tiny = 0.05;
  if (figure.Preferred == Better::kHigher && figure.IsShare) {
    judgement.OnShare = true;
    difference = figure.Percent - baseline.Percent;
  } else if (figure.PerKanaKnown && baseline.PerKanaKnown) {
    difference = figure.PerHundredKana - baseline.PerHundredKana;
  } else {
    // Without the text's kana the counts still compare: every layout counted the same text.
    difference =
        static_cast<double>(figure.Tally.Value) - static_cast<double>(baseline.Tally.Value);
    tiny = 0.5;
  }
  judgement.Known = std::abs(difference) >= tiny;
  judgement.Better = (figure.Preferred == Better::kHigher) == (difference > 0);
  return judgement;
}

bool SameMode(const LayoutView& a, const LayoutView& b) {
  return CountingName(a) == CountingName(b) && !CountingName(a).empty();
}

std::string CountingName(const LayoutView& view) {
  if (!view.Details || !view.Details->HeaderKnown) {
    return "";
  }
  return view.Details->CountByKana ? "by kana" : "by strokes";
}

std::string CountOf(std::uint64_t value, const std::string& singular, const std::string& plural) {
  return Grouped(value) + " " + (value == 1 ? singular : plural);
}

const Figure* FindFigure(const LayoutView& view, std::string_view id) {
  for (const Figure& figure : view.Figures) {
    if (figure.Id == id) {
      return &figure;
    }
  }
  return nullptr;
}

const Figure& FigureOf(const LayoutView& view, int figure) {
  return *FindFigure(view, FigureIdName(figure));
}

}  // namespace kananet::report
