#include "analysis/statistics.h"

#include "analysis/conversion.h"
#include "codes/key_alphabet.h"
#include "readers/layout.h"

namespace kananet {

KeyCountTable KeyCounts{};
PairCountTable PairCounts{};

namespace {

constexpr int Left = 0;
constexpr int Right = 1;

struct HandState {
  std::uint8_t PreviousKey = 0;  // 0 at the start of a run
  std::uint32_t Gap = 0;         // saturates at 2: only the class is ever used
  bool StruckInUnit = false;     // count-by-kana only
};

std::uint32_t GapClassOf(std::uint32_t gap) {
  return gap < 2 ? gap : 2;
}

// Hand of every KeyIndex: a key is a left-hand key when it is at most leftHandLastKey, so key 0
// always is.
std::array<std::uint8_t, KeyCount> HandTable(std::int32_t leftHandLastKey) {
  std::array<std::uint8_t, KeyCount> hands{};
  for (int key = 0; key < KeyCount; ++key) {
    hands[key] = key <= leftHandLastKey ? Left : Right;
  }
  return hands;
}

void ClearCounts(KeyCountTable& keyCounts, PairCountTable& pairCounts) {
  keyCounts.fill(0);
  for (auto& plane : pairCounts) {
    for (auto& row : plane) {
      row.fill(0);
    }
  }
}

// The common handling of one stroke: returns the striking hand.
int CountStroke(std::uint8_t key, const std::array<std::uint8_t, KeyCount>& hands,
                HandState (&state)[2], KeyCountTable& keyCounts, PairCountTable& pairCounts) {
  int hand = hands[key];
  HandState& striking = state[hand];
  ++keyCounts[key];
  ++pairCounts[GapClassOf(striking.Gap)][striking.PreviousKey][key];
  striking.PreviousKey = key;
  return hand;
}

}  // namespace

void CountByStrokes(std::string_view keyStream, std::int32_t leftHandLastKey,
                    KeyCountTable& keyCounts, PairCountTable& pairCounts) {
  ClearCounts(keyCounts, pairCounts);
  const auto hands = HandTable(leftHandLastKey);
  HandState state[2];
  for (char byte : keyStream) {
    auto key = static_cast<std::uint8_t>(byte);
    if (key == RunBreak) {
      state[Left] = state[Right] = HandState{};
      continue;
    }
    if (key >= KeyCount) {
      continue;  // not a KeyIndex: never produced by the conversion in this mode
    }
    int hand = CountStroke(key, hands, state, keyCounts, pairCounts);
    state[hand].Gap = 0;
    HandState& other = state[1 - hand];
    other.Gap = GapClassOf(other.Gap + 1);
  }
}

void CountByKana(std::string_view keyStream, std::int32_t leftHandLastKey, KeyCountTable& keyCounts,
                 PairCountTable& pairCounts) {
  ClearCounts(keyCounts, pairCounts);
  const auto hands = HandTable(leftHandLastKey);
  HandState state[2];
  for (char byte : keyStream) {
    auto key = static_cast<std::uint8_t>(byte);
    if (key == RunBreak) {
      state[Left] = state[Right] = HandState{};
      continue;
    }
    if (key == UnitEnd) {
      for (HandState& hand : state) {
        hand.Gap = hand.StruckInUnit ? 0 : GapClassOf(hand.Gap + 1);
        hand.StruckInUnit = false;
      }
      continue;
    }
    if (key >= KeyCount) {
      continue;  // not a KeyIndex: never produced by the conversion
    }
    int hand = CountStroke(key, hands, state, keyCounts, pairCounts);
    state[hand].StruckInUnit = true;
  }
}

void TallyByStrokes() {
  CountByStrokes(KeyStream, LayoutHeader.LeftHandLastKey, KeyCounts, PairCounts);
}

void TallyByKana() {
  CountByKana(KeyStream, LayoutHeader.LeftHandLastKey, KeyCounts, PairCounts);
}

}  // namespace kananet
