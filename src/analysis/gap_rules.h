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
enum ByteKind : std::uint8_t { LeftStroke, RightStroke, EndOfUnit, BreakOfRun, NotCounted, Joins };

// A key is a left-hand key when it is at most leftHandLastKey, so key 0 always is; each thumb
// key has its own hand.
inline int HandOfKey(int key, std::int32_t leftHandLastKey) {
  if (IsThumbKey(key)) {
    return key == kLeftThumbKey ? kLeft : kRight;
  }
  return key > leftHandLastKey ? kRight : kLeft;
}

// A UnitEnd counts only when counting by kana. The thumb keys are keys, and a kKeyJoin joins
// the keys on both sides of it into one action, only in a file with keys pressed together. Any
// other byte that is not a key is passed over.
inline ByteKind KindOfByte(std::uint8_t byte, std::int32_t leftHandLastKey, bool unitEndCounts,
                           bool chords = false) {
  if (byte < (chords ? kKeyCountWithThumbs : kKeyCount)) {
    return HandOfKey(byte, leftHandLastKey) == kRight ? RightStroke : LeftStroke;
  }
  if (byte == kRunBreak) {
    return BreakOfRun;
  }
  if (chords && byte == kKeyJoin) {
    return Joins;
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

// After an action, a set of keys pressed together, that the hands with struck set took part in:
// by strokes a hand that took part is at 0 and the other one up, as after a single stroke; by
// kana a hand that took part has struck in the unit.
inline GapState AfterAction(GapState state, const bool struck[2], bool byKana) {
  for (int hand : {kLeft, kRight}) {
    if (byKana) {
      state.Struck[hand] = state.Struck[hand] || struck[hand];
    } else {
      state.Gap[hand] = struck[hand] ? 0 : OneMore(state.Gap[hand]);
    }
  }
  return state;
}

}  // namespace kananet
