// Fingers: which finger strikes each key, and the figures of a layout that depend on it.
#pragma once

#include <array>
#include <string_view>

#include "analysis/statistics.h"
#include "report/network_file.h"

namespace kananet::report {

// Left to right as the hands lie on the keyboard; the space key is the thumb's.
enum class Finger {
  kLeftLittle,
  kLeftRing,
  kLeftMiddle,
  kLeftIndex,
  kThumb,
  kRightIndex,
  kRightMiddle,
  kRightRing,
  kRightLittle,
};
inline constexpr int kFingerCount = 9;

// The usual touch-typing assignment by column (0..13), with the hand from the layout's split:
// left hand columns 0-1 little, 2 ring, 3 middle, 4 and up index; right hand columns up to 7
// index, 8 middle, 9 ring, 10 and up little. Key 0, the space key, is the thumb's.
Finger FingerOf(int key, int leftHandLastKey);
std::string_view FingerName(Finger finger);

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

// Only what the network file allows without knowing its counting mode: strokes per finger.
FingerFigures FingerFiguresOfNetwork(const Network& network, int leftHandLastKey);

// Everything, from the counts of the layout's keystrokes counted by strokes.
FingerFigures FingerFiguresOfCounts(const KeyCountTable& keyCounts,
                                    const PairCountTable& pairCounts, int leftHandLastKey);

}  // namespace kananet::report
