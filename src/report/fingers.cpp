#include "report/fingers.h"

namespace kananet::report {

namespace {

constexpr std::array<std::string_view, kFingerCount> kFingerNames = {
    "left little", "left ring",    "left middle", "left index",  "thumb",
    "right index", "right middle", "right ring",  "right little"};

constexpr int kTopRow = 1;
constexpr int kBottomRow = 3;

int ColumnOf(int key) {
  return (key - 1) / kKeyRows;
}

int RowOf(int key) {
  return (key - 1) % kKeyRows;
}

// How far a finger lies from the index finger of its hand: 0 for the index, 3 for the little.
int DistanceFromIndex(Finger finger) {
  const int position = static_cast<int>(finger);
  const int thumb = static_cast<int>(Finger::kThumb);
  return position < thumb ? thumb - 1 - position : position - thumb - 1;
}

Count Exact(std::uint64_t value) {
  return {value, true};
}

}  // namespace

Finger FingerOf(int key, int leftHandLastKey) {
  if (key <= 0) {
    return Finger::kThumb;
  }
  const int column = ColumnOf(key);
  if (key <= leftHandLastKey) {
    return column <= 1   ? Finger::kLeftLittle
           : column == 2 ? Finger::kLeftRing
           : column == 3 ? Finger::kLeftMiddle
                         : Finger::kLeftIndex;
  }
  return column <= 7   ? Finger::kRightIndex
         : column == 8 ? Finger::kRightMiddle
         : column == 9 ? Finger::kRightRing
                       : Finger::kRightLittle;
}

std::string_view FingerName(Finger finger) {
  return kFingerNames[static_cast<int>(finger)];
}

FingerFigures FingerFiguresOfNetwork(const Network& network, int leftHandLastKey) {
  FingerFigures figures;
  for (int key = 1; key <= kKeysPerBand; ++key) {
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
  // Counted by strokes, a stroke is at gap class 1 or 2 exactly when the stroke right before
  // it in its run is of the other hand; at class 0 its previous key is the stroke right before
  // it, unless that key is 0, which stands for the space key and for the start of a run alike.
  std::uint64_t alternations = 0;
  for (int gap = 1; gap <= 2; ++gap) {
    for (const auto& row : pairCounts[gap]) {
      for (const std::uint32_t count : row) {
        alternations += count;
      }
    }
  }
  figures.Alternations = Exact(alternations);
  std::uint64_t sameFinger = 0, repeats = 0, inward = 0, outward = 0, rowJumps = 0;
  for (int previous = 1; previous <= kKeysPerBand; ++previous) {
    for (int key = 1; key <= kKeysPerBand; ++key) {
      const std::uint64_t count = pairCounts[0][previous][key];
      const Finger from = FingerOf(previous, leftHandLastKey);
      const Finger to = FingerOf(key, leftHandLastKey);
      if (key == previous) {
        repeats += count;
      } else if (from == to) {
        sameFinger += count;
      } else if (DistanceFromIndex(to) < DistanceFromIndex(from)) {
        inward += count;
      } else {
        outward += count;
      }
      const int rows = RowOf(previous) + RowOf(key);
      if (RowOf(previous) != RowOf(key) && rows == kTopRow + kBottomRow) {
        rowJumps += count;
      }
    }
  }
  figures.SameFinger = Exact(sameFinger);
  figures.Repeats = Exact(repeats);
  figures.InwardRolls = Exact(inward);
  figures.OutwardRolls = Exact(outward);
  figures.RowJumps = Exact(rowJumps);
  return figures;
}

}  // namespace kananet::report
