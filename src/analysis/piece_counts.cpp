#include "analysis/piece_counts.h"

#include <algorithm>
#include <unordered_map>

#include "analysis/entry_matcher.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"

namespace kananet {

namespace {

// Up to this many slots the follows are counted in a square table, beyond it in a map.
constexpr std::size_t kDenseSlots = 1024;
constexpr std::uint32_t kNone = static_cast<std::uint32_t>(-1);

}  // namespace

bool EndsRun(const LayoutEntry& entry, bool breakAfterPunctuation) {
  if (!breakAfterPunctuation || entry.Kana.empty()) {
    return false;
  }
  const auto first = static_cast<std::uint8_t>(entry.Kana.front());
  return first == kKanaComma || first == kKanaFullStop;
}

PieceCounts CountPieces(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                        bool breakAfterPunctuation) {
  const EntryMatcher matcher(table);
  const std::size_t slots = matcher.RunBreakPiece();
  PieceCounts counts;
  counts.Uses.assign(slots, 0);
  std::vector<bool> ends(slots), keyless(slots);
  for (std::size_t slot = 0; slot < slots; ++slot) {
    ends[slot] = EndsRun(table[slot], breakAfterPunctuation);
    keyless[slot] = table[slot].Keys.empty();
  }
  const bool dense = slots <= kDenseSlots;
  std::vector<std::uint64_t> square(dense ? slots * slots : 0);
  std::unordered_map<std::uint64_t, std::uint64_t> sparse;

  // The entry whose keys come last in each lane's run so far: lanes begin at RunBreaks, where
  // a run begins too.
  std::uint32_t previous[kLanes] = {kNone, kNone, kNone, kNone};
  const std::size_t missing =
      WalkMatches(matcher, kanaCodes, 0, kanaCodes.size(), true,
                  [&](std::size_t lane, std::size_t, EntryMatcher::Match match) -> std::size_t {
                    if (match.Piece == matcher.MissingPiece()) {
                      return 0;
                    }
                    if (match.Piece == matcher.RunBreakPiece()) {
                      previous[lane] = kNone;
                      return match.Advance;
                    }
                    ++counts.Uses[match.Piece];
                    if (!keyless[match.Piece]) {
                      if (previous[lane] != kNone) {
                        if (dense) {
                          ++square[previous[lane] * slots + match.Piece];
                        } else {
                          ++sparse[std::uint64_t{previous[lane]} << 32 | match.Piece];
                        }
                      }
                      previous[lane] = match.Piece;
                    }
                    if (ends[match.Piece]) {
                      previous[lane] = kNone;
                    }
                    return match.Advance;
                  });
  if (missing != kNoSlot) {
    counts.Missing = missing;
    return counts;
  }
  if (dense) {
    for (std::size_t first = 0; first < slots; ++first) {
      for (std::size_t second = 0; second < slots; ++second) {
        if (square[first * slots + second] != 0) {
          counts.Follows.push_back({static_cast<std::uint32_t>(first),
                                    static_cast<std::uint32_t>(second),
                                    square[first * slots + second]});
        }
      }
    }
  } else {
    for (const auto& [pair, count] : sparse) {
      counts.Follows.push_back(
          {static_cast<std::uint32_t>(pair >> 32), static_cast<std::uint32_t>(pair), count});
    }
    std::sort(counts.Follows.begin(), counts.Follows.end(), [](const auto& a, const auto& b) {
      return std::pair(a.First, a.Second) < std::pair(b.First, b.Second);
    });
  }
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
