#include "analysis/figures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "analysis/entry_counts.h"
#include "analysis/gap_rules.h"
#include "analysis/kana_lookup.h"

#include "codes/key_alphabet.h"
#include "codes/keyboard.h"

namespace kananet {

namespace {

constexpr std::array<std::string_view, kFingerCount> kFingerNames = {
    "left little", "left ring",    "left middle", "left index",  "thumb",
    "right index", "right middle", "right ring",  "right little"};

constexpr std::array<std::string_view, kFigureCount> kFigureIds = {
    "strokes",
    "hand.left",
    "hand.right",
    "row.number",
    "row.top",
    "row.home",
    "row.bottom",
    "same_hand_pairs.gap0",
    "same_hand_pairs.gap1",
    "same_hand_pairs.gap2",
    "finger.left_little",
    "finger.left_ring",
    "finger.left_middle",
    "finger.left_index",
    "finger.thumb",
    "finger.right_index",
    "finger.right_middle",
    "finger.right_ring",
    "finger.right_little",
    "same_finger",
    "repeats",
    "alternation",
    "inward_rolls",
    "outward_rolls",
    "row_jumps",
    "actions",
    "chords",
};

constexpr int kTopRow = 1;
constexpr int kBottomRow = 3;

int ColumnOf(int key) {
  return (key - 1) / kKeyRows;
}

// How far a finger lies from the index finger of its hand: 0 for the index, 3 for the little.
int DistanceFromIndex(Finger finger) {
  const int position = static_cast<int>(finger);
  const int thumb = static_cast<int>(Finger::kThumb);
  return position < thumb ? thumb - 1 - position : position - thumb - 1;
}

constexpr FigureMask Bit(int figure) {
  return FigureMask{1} << figure;
}

}  // namespace

Finger FingerOf(int key, int leftHandLastKey) {
  if (key <= 0 || IsThumbKey(key)) {
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

std::uint8_t PairedKey(std::uint8_t key, std::string_view previous, int leftHandLastKey) {
  if (previous.size() == 1 || previous.find(static_cast<char>(key)) != std::string_view::npos) {
    return previous.size() == 1 ? static_cast<std::uint8_t>(previous.front()) : key;
  }
  const int finger = DistanceFromIndex(FingerOf(key, leftHandLastKey));
  std::uint8_t paired = 0;
  int nearest = kFingerCount;
  for (const char other : previous) {  // ascending, so the first of the nearest is the lowest
    const auto candidate = static_cast<std::uint8_t>(other);
    const int distance = std::abs(DistanceFromIndex(FingerOf(candidate, leftHandLastKey)) - finger);
    if (distance < nearest) {
      nearest = distance;
      paired = candidate;
    }
  }
  return paired;
}

std::string_view FingerName(Finger finger) {
  return kFingerNames[static_cast<int>(finger)];
}

std::string_view FigureIdName(int figure) {
  return kFigureIds[static_cast<std::size_t>(figure)];
}

std::optional<int> FigureOfName(std::string_view name) {
  for (int figure = 0; figure < kFigureCount; ++figure) {
    if (kFigureIds[static_cast<std::size_t>(figure)] == name) {
      return figure;
    }
  }
  return std::nullopt;
}

FigureMask KeyFigures(int key, int leftHandLastKey) {
  FigureMask figures = Bit(kFigureFingerFirst + static_cast<int>(FingerOf(key, leftHandLastKey))) |
                       Bit(kFigureActions);
  if (IsFigureKey(key)) {
    figures |= Bit(kFigureStrokes) |
               Bit(HandOfKey(key, leftHandLastKey) == kLeft ? kFigureHandLeft : kFigureHandRight);
  }
  if (IsDrawnKey(key)) {
    figures |= Bit(kFigureRowNumber + RowOfKey(key));
  }
  return figures;
}

FigureMask PairFigures(int first, int second, int leftHandLastKey) {
  if (HandOfKey(first, leftHandLastKey) != HandOfKey(second, leftHandLastKey)) {
    return Bit(kFigureAlternation);
  }
  if (!IsFigureKey(first) || !IsFigureKey(second)) {
    return 0;
  }
  FigureMask figures = Bit(kFigureGap0);
  const Finger from = FingerOf(first, leftHandLastKey);
  const Finger to = FingerOf(second, leftHandLastKey);
  if (first == second) {
    figures |= Bit(kFigureRepeats);
  } else if (from == to) {
    figures |= Bit(kFigureSameFinger);
  } else if (DistanceFromIndex(to) < DistanceFromIndex(from)) {
    figures |= Bit(kFigureInwardRolls);
  } else {
    figures |= Bit(kFigureOutwardRolls);
  }
  if (IsDrawnKey(first) && IsDrawnKey(second) && RowOfKey(first) != RowOfKey(second) &&
      RowOfKey(first) + RowOfKey(second) == kTopRow + kBottomRow) {
    figures |= Bit(kFigureRowJumps);
  }
  return figures;
}

FigureCounts FiguresOfCounts(const KeyCountTable& keys, const PairCountTable& ownMode,
                             const PairCountTable& byStrokes, int leftHandLastKey) {
  FigureCounts counts{};
  auto add = [&counts](FigureMask figures, std::uint64_t count) {
    AddToFigures(figures, count, counts);
  };
  for (int key = 0; key < kKeyCountWithThumbs; ++key) {
    add(KeyFigures(key, leftHandLastKey), keys[static_cast<std::size_t>(key)]);
  }
  // Counted by strokes, a pair at gap class 0 of two keys of figures is two strokes of one hand
  // one right after the other (key 0 stands for the space key and the start of a run alike),
  // and a stroke is at gap class 1 or 2 exactly when the stroke right before it is of the other
  // hand; with keys pressed together, when the action right before it has no key of its hand.
  for (int first = 1; first < kKeyCountWithThumbs; ++first) {
    for (int second = 1; second < kKeyCountWithThumbs; ++second) {
      if (IsFigureKey(first) && IsFigureKey(second)) {
        add(PairFigures(first, second, leftHandLastKey) & ~Bit(kFigureGap0),
            byStrokes[0][static_cast<std::size_t>(first)][static_cast<std::size_t>(second)]);
      }
    }
  }
  for (int gap = 1; gap <= 2; ++gap) {
    for (const auto& row : byStrokes[static_cast<std::size_t>(gap)]) {
      for (const std::uint32_t count : row) {
        counts[kFigureAlternation] += count;
      }
    }
  }
  // The gap classes in the layout's own mode: pairs of keys of figures of one hand.
  for (int gap = 0; gap < 3; ++gap) {
    for (int first = 1; first < kKeyCountWithThumbs; ++first) {
      for (int second = 1; second < kKeyCountWithThumbs; ++second) {
        if (IsFigureKey(first) && IsFigureKey(second) &&
            HandOfKey(first, leftHandLastKey) == HandOfKey(second, leftHandLastKey)) {
          counts[static_cast<std::size_t>(kFigureGap0 + gap)] +=
              ownMode[static_cast<std::size_t>(gap)][static_cast<std::size_t>(first)]
                     [static_cast<std::size_t>(second)];
        }
      }
    }
  }
  return counts;
}

FigureCounts FiguresOfCounts(const LayoutCounts& own, const PairCountTable& byStrokes,
                             int leftHandLastKey) {
  FigureCounts counts = FiguresOfCounts(own.Keys, own.Pairs, byStrokes, leftHandLastKey);
  counts[kFigureActions] = own.Actions;
  counts[kFigureChords] = own.Chords;
  return counts;
}

std::optional<FigureCounts> CountFigures(std::string_view kanaCodes,
                                         const std::vector<LayoutEntry>& table,
                                         const LayoutHeaderValues& header, unsigned jobs) {
  auto own = std::make_unique<LayoutCounts>();
  auto byStrokes = std::make_unique<LayoutCounts>();
  if (CountKanaStream(kanaCodes, table, header, jobs, *own) != kNoSlot) {
    return std::nullopt;
  }
  if (header.CountByKana != 0) {
    LayoutHeaderValues strokesHeader = header;
    strokesHeader.CountByKana = 0;
    CountKanaStream(kanaCodes, table, strokesHeader, jobs, *byStrokes);
  } else {
    byStrokes->Pairs = own->Pairs;
  }
  return FiguresOfCounts(*own, byStrokes->Pairs, header.LeftHandLastKey);
}

double CostOf(const FigureCounts& counts, const FigureWeights& weights, std::uint64_t kana) {
  double cost = 0;
  for (std::size_t figure = 0; figure < counts.size(); ++figure) {
    cost += WeightedFigure(counts[figure], weights[figure], kana);
  }
  return cost;
}

std::uint64_t KanaOfStream(std::string_view kanaCodes) {
  const std::uint64_t kana = MatchedKanaOf(kanaCodes);
  return kana - std::min<std::uint64_t>(kana, 3);
}

double StrokeReward(const FigureWeights& weights, int leftHandLastKey) {
  auto weightOf = [&weights](FigureMask figures) {
    double sum = 0;
    for (int figure = 0; figure < kFigureCount; ++figure) {
      sum += (figures >> figure & 1) * weights[static_cast<std::size_t>(figure)];
    }
    return sum;
  };
  double key = INFINITY, pair = INFINITY;
  for (int first = 1; first <= kKeysDrawn; ++first) {
    key = std::min(key, weightOf(KeyFigures(first, leftHandLastKey)));
    for (int second = 1; second <= kKeysDrawn; ++second) {
      pair = std::min(pair, weightOf(PairFigures(first, second, leftHandLastKey)));
    }
  }
  return -(key + pair);
}

}  // namespace kananet
