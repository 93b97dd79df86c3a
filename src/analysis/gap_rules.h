// The rules of both tallies as one step per KeyStream byte: what kind of byte it is and how it
// changes the gap state. Shared by the per-byte count and the per-entry count.
#pragma once

#include <algorithm>
#include <cstdint>

#include "codes/key_alphabet.h"

namespace kananet {

inline constexpr int kLeft = 0;
inline constexpr int kRight = 1;

// What a byte of the KeyStream is to the tallies.
enum ByteKind : std::uint8_t { LeftStroke, RightStroke, EndOfUnit, BreakOfRun, NotCounted };

// A key is a left-hand key when it is at most leftHandLastKey, so key 0 always is. A UnitEnd
// counts only when counting by kana; any other byte that is not a key is passed over.
inline ByteKind KindOfByte(std::uint8_t byte, std::int32_t leftHandLastKey, bool unitEndCounts) {
  if (byte < kKeyCount) {
    return static_cast<std::int32_t>(byte) > leftHandLastKey ? RightStroke : LeftStroke;
  }
  if (byte == kRunBreak) {
    return BreakOfRun;
  }
  return unitEndCounts && byte == kUnitEnd ? EndOfUnit : NotCounted;
}

// The part of the counting state that the rules of the two modes change: each hand's gap
// counter, capped at 2 (the only value used), and, counting by kana, whether the hand struck
// in the current unit. The start of a run is the zero state.
struct GapState {
  int Gap[2] = {0, 0};
  bool Struck[2] = {false, false};

  // 0 to 35; the zero state is 0.
  std::uint32_t Number() const {
    return static_cast<std::uint32_t>(((Gap[kLeft] * 3 + Gap[kRight]) * 2 + Struck[kLeft]) * 2 +
                                      Struck[kRight]);
  }
};

inline int OneMore(int gap) {
  return std::min(gap + 1, 2);
}

// By strokes: a stroke sets its hand's counter to 0 and adds one to the other hand's.
inline GapState AfterByStrokes(GapState state, ByteKind kind) {
  switch (kind) {
    case LeftStroke:
    case RightStroke: {
      int hand = kind == RightStroke ? kRight : kLeft;
      state.Gap[hand] = 0;
      state.Gap[1 - hand] = OneMore(state.Gap[1 - hand]);
      return state;
    }
    case BreakOfRun:
      return GapState{};
    default:  // a UnitEnd is not produced in this mode; like any byte that is not a key, it is
              // passed over
      return state;
  }
}

// By kana: a stroke marks its hand as having struck in the unit; at the end of a unit each
// hand's counter goes to 0 if it struck, else one up.
inline GapState AfterByKana(GapState state, ByteKind kind) {
  switch (kind) {
    case LeftStroke:
    case RightStroke:
      state.Struck[kind == RightStroke ? kRight : kLeft] = true;
      return state;
    case EndOfUnit:
      for (int hand : {kLeft, kRight}) {
        state.Gap[hand] = state.Struck[hand] ? 0 : OneMore(state.Gap[hand]);
        state.Struck[hand] = false;
      }
      return state;
    case BreakOfRun:
      return GapState{};
    default:
      return state;
  }
}

}  // namespace kananet
