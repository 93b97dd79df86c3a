#include "analysis/piece_counts.h"

#include <algorithm>

#include "analysis/entry_matcher.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"

namespace kananet {

namespace {

// Up to this many slots the follows are counted in a square table, beyond it in a map.
constexpr std::size_t kDenseSlots = 1024;

}  // namespace

bool EndsRun(const LayoutEntry& entry, bool breakAfterPunctuation) {
  if (!breakAfterPunctuation || entry.Kana.empty()) {
    return false;
  }
  const auto first = static_cast<std::uint8_t>(entry.Kana.front());
  return first == kKanaComma || first == kKanaFullStop;
}

FollowTally::FollowTally(const std::vector<LayoutEntry>& table, std::size_t slots,
                         bool breakAfterPunctuation)
    : slots_(slots), kinds_(slots), dense_(slots <= kDenseSlots) {
  for (std::size_t slot = 0; slot < slots; ++slot) {
    kinds_[slot] =
        static_cast<std::uint8_t>((table[slot].Keys.empty() ? kKeyless : 0) |
                                  (EndsRun(table[slot], breakAfterPunctuation) ? kEndsRun : 0));
  }
  if (!dense_) {
    return;
  }
  const auto side = static_cast<std::uint32_t>(slots + 1);
  const std::uint32_t none = static_cast<std::uint32_t>(slots) * side;  // the row of no entry
  square_.resize(std::size_t{side} * side);
  std::fill(std::begin(row_), std::end(row_), none);
  steps_.assign(slots + 2, {static_cast<std::uint32_t>(slots), 0, none});  // each ends a run
  for (std::size_t slot = 0; slot < slots; ++slot) {
    Step& step = steps_[slot];
    if ((kinds_[slot] & kKeyless) == 0) {
      step.Column = static_cast<std::uint32_t>(slot);
      step.Set = static_cast<std::uint32_t>(slot) * side;
    } else {
      step.Keep = ~std::uint32_t{0};
      step.Set = 0;
    }
    if ((kinds_[slot] & kEndsRun) != 0) {
      step.Keep = 0;
      step.Set = none;
    }
  }
}

void FollowTally::AddUp(const FollowTally& other) {
  for (std::size_t i = 0; i < square_.size(); ++i) {
    square_[i] += other.square_[i];
  }
  other.sparse_.ForEach(
      [this](std::uint64_t pair, std::uint64_t count) { sparse_.Add(pair, count); });
}

std::vector<PieceCounts::Follow> FollowTally::Follows() const {
  std::vector<PieceCounts::Follow> follows;
  if (dense_) {
    for (std::size_t first = 0; first < slots_; ++first) {
      for (std::size_t second = 0; second < slots_; ++second) {
        const std::uint64_t count = square_[first * (slots_ + 1) + second];
        if (count != 0) {
          follows.push_back(
              {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(second), count});
        }
      }
    }
    return follows;
  }
  sparse_.ForEach([&follows](std::uint64_t pair, std::uint64_t count) {
    follows.push_back(
        {static_cast<std::uint32_t>(pair >> 32), static_cast<std::uint32_t>(pair), count});
  });
  std::sort(follows.begin(), follows.end(), [](const auto& a, const auto& b) {
    return std::pair(a.First, a.Second) < std::pair(b.First, b.Second);
  });
  return follows;
}

PieceCounts CountPieces(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                        bool breakAfterPunctuation) {
  const EntryMatcher matcher(table);
  const std::size_t slots = matcher.RunBreakPiece();
  PieceCounts counts;
  counts.Uses.assign(slots, 0);
  // Lanes begin at RunBreaks, where a run begins too.
  FollowTally follows(table, slots, breakAfterPunctuation);
  const std::size_t missing =
      WalkMatches(matcher, kanaCodes, 0, kanaCodes.size(), true,
                  [&](std::size_t lane, std::size_t, EntryMatcher::Match match) -> std::size_t {
                    if (match.Piece == matcher.MissingPiece()) {
                      return 0;
                    }
                    if (match.Piece < slots) {
                      ++counts.Uses[match.Piece];
                    }
                    follows.Add(lane, match.Piece);
                    return match.Advance;
                  });
  if (missing != kNoSlot) {
    counts.Missing = missing;
    return counts;
  }
  counts.Follows = follows.Follows();
  return counts;
}

StrokeCounts StrokesOfPieces(const PieceCounts& pieces, const std::vector<LayoutEntry>& table) {
  StrokeCounts strokes{std::vector<std::uint64_t>(64), std::vector<std::uint64_t>(64 * 64)};
  for (std::size_t slot = 0; slot < pieces.Uses.size(); ++slot) {
    const std::string& keys = table[slot].Keys;
    const std::uint64_t uses = pieces.Uses[slot];
    for (std::size_t i = 0; i < keys.size(); ++i) {
      strokes.Keys[static_cast<std::uint8_t>(keys[i])] += uses;
      if (i > 0) {
        strokes.Pairs[static_cast<std::uint8_t>(keys[i - 1]) * 64u +
                      static_cast<std::uint8_t>(keys[i])] += uses;
      }
    }
  }
  for (const PieceCounts::Follow& follow : pieces.Follows) {
    strokes.Pairs[static_cast<std::uint8_t>(table[follow.First].Keys.back()) * 64u +
                  static_cast<std::uint8_t>(table[follow.Second].Keys.front())] += follow.Count;
  }
  return strokes;
}

FigureCounts FiguresOfStrokes(const StrokeCounts& strokes, int leftHandLastKey, bool countByKana) {
  FigureCounts counts{};
  auto add = [&counts](FigureMask figures, std::uint64_t count) {
    AddToFigures(figures, count, counts);
  };
  for (int key = 0; key < kKeyCount; ++key) {
    add(KeyFigures(key, leftHandLastKey), strokes.Keys[static_cast<std::size_t>(key)]);
  }
  const FigureMask gapZero = countByKana ? ~(FigureMask{1} << kFigureGap0) : ~FigureMask{0};
  for (int first = 0; first < kKeyCount; ++first) {
    for (int second = 0; second < kKeyCount; ++second) {
      add(PairFigures(first, second, leftHandLastKey) & gapZero,
          strokes.Pairs[static_cast<std::size_t>(first * 64 + second)]);
    }
  }
  return counts;
}

}  // namespace kananet
