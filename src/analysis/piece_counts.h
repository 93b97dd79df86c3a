// The matched entries of a KanaStream counted once: how often each entry matches, and how often
// one entry's keys follow another's within a run. Layouts with the same entries' kana in the
// same order split the text into the same entries, so these counts serve every such layout,
// whatever keys its entries have: the strokes and the stroke pairs follow from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "analysis/count_table.h"
#include "analysis/entry_matcher.h"
#include "analysis/figures.h"
#include "readers/layout.h"

namespace kananet {

struct PieceCounts {
  struct Follow {
    std::uint32_t First = 0;  // slots
    std::uint32_t Second = 0;
    std::uint64_t Count = 0;
  };
  std::vector<std::uint64_t> Uses;  // by slot
  // Two entries whose keys are struck one right after the other in a run, by (First, Second).
  // An entry without keys is passed over; one that ends its run (after punctuation) has none
  // following it.
  std::vector<Follow> Follows;
  std::size_t Missing = static_cast<std::size_t>(-1);  // the first kana without definition
};

// The follows of a stretch of text that begins a run, counted as a walk meets its matched
// entries, in up to kLanes lanes that each begin a run. Tallies of parts of one text add up.
class FollowTally {
 public:
  FollowTally() = default;
  // The pieces below slots are the table's slots; the two after them (the RunBreak and the kana
  // without definition) end a run.
  FollowTally(const std::vector<LayoutEntry>& table, std::size_t slots, bool breakAfterPunctuation);

  // What a piece does to the square of a dense tally: the column it counts in, and the row of
  // the next pair, (the row before & Keep) | Set.
  struct Step {
    std::uint32_t Column = 0;
    std::uint32_t Keep = 0;
    std::uint32_t Set = 0;
  };

  // A lane of a dense tally, which a walk keeps beside its other counts so that its row stays
  // in a register: one counter per match, with no branch. A pair with no entry before it, or
  // whose entry has no keys, goes to the row or column past the slots, which is never read.
  struct DenseLane {
    std::uint64_t* Square = nullptr;
    const Step* Steps = nullptr;
    std::uint32_t Row = 0;

    [[gnu::always_inline]] void Add(std::uint32_t piece) {
      const Step& step = Steps[piece];
      ++Square[Row + step.Column];
      Row = (Row & step.Keep) | step.Set;
    }
  };

  // Whether the follows are counted in a square, whose lanes a walk may keep (a lane that
  // begins a run).
  bool Dense() const { return dense_; }
  DenseLane LaneOfRun() {
    return {square_.data(), steps_.data(), static_cast<std::uint32_t>(slots_ * (slots_ + 1))};
  }

  [[gnu::always_inline]] void Add(std::size_t lane, std::uint32_t piece) {
    if (dense_) {
      DenseLane walk{square_.data(), steps_.data(), row_[lane]};
      walk.Add(piece);
      row_[lane] = walk.Row;
      return;
    }
    std::uint32_t& previous = previous_[lane];
    if (piece >= slots_) {
      previous = kNone;
      return;
    }
    if ((kinds_[piece] & kKeyless) == 0) {
      if (previous != kNone) {
        sparse_.Add(std::uint64_t{previous} << 32 | piece);
      }
      previous = piece;
    }
    if ((kinds_[piece] & kEndsRun) != 0) {
      previous = kNone;
    }
  }

  void AddUp(const FollowTally& other);
  // By (First, Second), without the pairs never counted.
  std::vector<PieceCounts::Follow> Follows() const;

 private:
  static constexpr std::uint32_t kNone = static_cast<std::uint32_t>(-1);
  static constexpr std::uint8_t kKeyless = 1;
  static constexpr std::uint8_t kEndsRun = 2;

  std::size_t slots_ = 0;
  std::vector<std::uint8_t> kinds_;  // by slot
  std::uint32_t previous_[kLanes] = {kNone, kNone, kNone, kNone};
  bool dense_ = true;
  // When dense_: by first * (slots_ + 1) + second, with a row and a column of slots_ for the
  // pairs not counted; by piece; and each lane's row.
  std::vector<std::uint64_t> square_;
  std::vector<Step> steps_;
  std::uint32_t row_[kLanes] = {};
  CountTable sparse_;  // by first << 32 | second, when not dense_
};

// Counts the matched entries of kanaCodes with the table, as the count of the header's
// layout would match them.
PieceCounts CountPieces(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                        bool breakAfterPunctuation);

// Whether the entry ends its run: the layout breaks after punctuation and its kana begin with
// 、 or 。.
bool EndsRun(const LayoutEntry& entry, bool breakAfterPunctuation);

// How often each key (0..55) is struck and key b follows key a in a run, [a * 64 + b], for the
// keys the table's entries have now.
struct StrokeCounts {
  std::vector<std::uint64_t> Keys;   // 64
  std::vector<std::uint64_t> Pairs;  // 64 x 64
};
StrokeCounts StrokesOfPieces(const PieceCounts& pieces, const std::vector<LayoutEntry>& table);

// The figures that the strokes give, counted by strokes; the gap classes in the layout's own
// mode are left 0 unless the layout counts by strokes.
FigureCounts FiguresOfStrokes(const StrokeCounts& strokes, int leftHandLastKey, bool countByKana);

}  // namespace kananet
