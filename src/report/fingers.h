// The figures of a layout that depend on its fingers, as the page shows them; which finger
// strikes each key is analysis/figures.h's.
#pragma once

#include <array>

#include "analysis/figures.h"
#include "analysis/statistics.h"
#include "report/network_file.h"

namespace kananet::report {

// The figures of one layout that follow the fingers. Strokes per finger come from the key
// counts; everything else needs the directed counts of the layout counted by strokes
// (PairsKnown), where a pair at gap class 0 is two strokes one right after the other.
struct FingerFigures {
  std::array<Count, kFingerCount> Strokes{};
  bool ThumbKnown = false;  // the space key's strokes, which the network files leave out
  bool PairsKnown = false;
  Count AllStrokes;  // on every key, the space key included when ThumbKnown
  Count SameFinger;  // two different keys of one finger, one right after the other
  Count Repeats;     // a drawn key struck twice in a row
  Count Alternations;
  Count InwardRolls;  // two fingers of one hand in a row, the second nearer the index finger
  Count OutwardRolls;
  Count RowJumps;  // top letter row to bottom letter row or back, one hand, in a row
};

// The finger of a key as the page names it: "left thumb" and "right thumb" for the thumb keys of a
// layout with keys pressed together, each of its own hand; else FingerName's.
std::string_view KeyFingerName(int key, int leftHandLastKey);

// Only what the network file allows without knowing its counting mode: strokes per finger.
FingerFigures FingerFiguresOfNetwork(const Network& network, int leftHandLastKey);

// Everything, from the layout's counts and its pairs counted by strokes.
FingerFigures FingerFiguresOfCounts(const LayoutCounts& own, const PairCountTable& byStrokes,
                                    int leftHandLastKey);

}  // namespace kananet::report
