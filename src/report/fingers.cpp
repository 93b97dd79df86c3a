#include "report/fingers.h"

namespace kananet::report {

namespace {

Count Exact(std::uint64_t value) {
  return {value, true};
}

}  // namespace

std::string_view KeyFingerName(int key, int leftHandLastKey) {
  return key == kLeftThumbKey    ? "left thumb"
         : key == kRightThumbKey ? "right thumb"
                                 : FingerName(FingerOf(key, leftHandLastKey));
}

FingerFigures FingerFiguresOfNetwork(const Network& network, int leftHandLastKey) {
  FingerFigures figures;
  for (int key = 1; key <= network.LastKey(); ++key) {
    figures.Strokes[static_cast<int>(FingerOf(key, leftHandLastKey))] += network.Keys[key].Strokes;
    figures.AllStrokes += network.Keys[key].Strokes;
  }
  return figures;
}

FingerFigures FingerFiguresOfCounts(const KeyCountTable& keyCounts,
                                    const PairCountTable& pairCounts, int leftHandLastKey) {
  FingerFigures figures;
  figures.ThumbKnown = true;
  figures.PairsKnown = true;
  for (int key = 0; key <= kKeysPerBand; ++key) {
    figures.Strokes[static_cast<int>(FingerOf(key, leftHandLastKey))] += Exact(keyCounts[key]);
    figures.AllStrokes += Exact(keyCounts[key]);
  }
  const FigureCounts counts = FiguresOfCounts(keyCounts, pairCounts, pairCounts, leftHandLastKey);
  figures.SameFinger = Exact(counts[kFigureSameFinger]);
  figures.Repeats = Exact(counts[kFigureRepeats]);
  figures.Alternations = Exact(counts[kFigureAlternation]);
  figures.InwardRolls = Exact(counts[kFigureInwardRolls]);
  figures.OutwardRolls = Exact(counts[kFigureOutwardRolls]);
  figures.RowJumps = Exact(counts[kFigureRowJumps]);
  return figures;
}

}  // namespace kananet::report
