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

FingerFigures FingerFiguresOfCounts(const LayoutCounts& own, const PairCountTable& byStrokes,
                                    int leftHandLastKey) {
  FingerFigures figures;
  figures.ThumbKnown = true;
  figures.PairsKnown = true;
  const FigureCounts counts = FiguresOfCounts(own, byStrokes, leftHandLastKey);
  // Every key's strokes count for its finger, the space key's and the thumb keys' too.
  for (int finger = 0; finger < kFingerCount; ++finger) {
    figures.Strokes[finger] = Exact(counts[static_cast<std::size_t>(kFigureFingerFirst + finger)]);
    figures.AllStrokes += figures.Strokes[finger];
  }
  figures.SameFinger = Exact(counts[kFigureSameFinger]);
  figures.Repeats = Exact(counts[kFigureRepeats]);
  figures.Alternations = Exact(counts[kFigureAlternation]);
  figures.InwardRolls = Exact(counts[kFigureInwardRolls]);
  figures.OutwardRolls = Exact(counts[kFigureOutwardRolls]);
  figures.RowJumps = Exact(counts[kFigureRowJumps]);
  return figures;
}

}  // namespace kananet::report
