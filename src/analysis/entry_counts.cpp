#include "analysis/entry_counts.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>

#include "analysis/entry_matcher.h"
#include "analysis/gap_rules.h"
#include "analysis/key_pieces.h"
#include "codes/key_alphabet.h"
#include "platform/parallel.h"

namespace kananet {

namespace {

// No key uses it; what is counted there is dropped.
constexpr std::uint32_t kDroppedColumn = kKeySlots - 1;
constexpr std::uint8_t kNoState = 0xFF;

std::uint32_t PairCell(std::uint32_t gap, std::uint32_t previous, std::uint32_t key) {
  return (gap * kKeySlots + previous) * kKeySlots + key;
}

// The tally's rules for one layout.
struct TallyRules {
  std::int32_t LeftHandLastKey = 0;
  bool ByKana = false;

  ByteKind KindOf(std::uint8_t byte) const { return KindOfByte(byte, LeftHandLastKey, ByKana); }
  GapState After(GapState state, ByteKind kind) const {
    return ByKana ? AfterByKana(state, kind) : AfterByStrokes(state, kind);
  }
};

// What the tally does over the KeyStream bytes of one piece from a gap state. Every stroke adds
// one to the pair counter of its gap class, its hand's previous key and itself. Only the first
// stroke of each hand ahead of any RunBreak in the piece takes its previous key from before the
// piece: that counter is open, known but for the previous key. Every other counter is fixed by
// the piece and the state, and goes to addFixed.
struct PieceWalk {
  GapState End;
  std::uint32_t Open[2] = {kDroppedColumn, kDroppedColumn};  // the cell with previous key 0
  int Last[2] = {-1, -1};  // each hand's previous key after the piece; -1: the one before it
};

template <typename AddFixed>
PieceWalk Walk(std::string_view bytes, GapState state, const TallyRules& rules,
               AddFixed&& addFixed) {
  PieceWalk walk;
  for (char character : bytes) {
    auto byte = static_cast<std::uint8_t>(character);
    ByteKind kind = rules.KindOf(byte);
    if (kind == LeftStroke || kind == RightStroke) {
      int hand = kind == RightStroke ? kRight : kLeft;
      auto gap = static_cast<std::uint32_t>(state.Gap[hand]);
      if (walk.Last[hand] < 0) {
        walk.Open[hand] = PairCell(gap, 0, byte);
      } else {
        addFixed(PairCell(gap, static_cast<std::uint32_t>(walk.Last[hand]), byte));
      }
      walk.Last[hand] = byte;
    } else if (kind == BreakOfRun) {
      walk.Last[kLeft] = walk.Last[kRight] = 0;
    }
    state = rules.After(state, kind);
  }
  walk.End = state;
  return walk;
}

// A part's counts: the open counters, and how often each piece was matched in each state.
struct PartCounts {
  std::vector<std::uint32_t> Open;
  std::vector<std::uint32_t> Uses;  // by state * pieces + piece
  std::size_t Missing = kNoSlot;
  // Only when covering: the uses by piece, whatever the state, and the kana without definition.
  std::vector<std::uint64_t> PieceUses;
  std::array<UndefinedKana, 256> Undefined{};
};

// The conversion and the tally of one layout as one step per matched entry. At the start of a
// piece the tally's state is its gap state and each hand's previous key. Few gap states occur
// there: by strokes only the two counters change, and by kana every piece ends its unit (or its
// run), which clears both hands' marks, so there are at most 9. What a piece does to the state
// is therefore a small table: the state after it, which fits in a register, and the places of
// its open counters, for each state it may start in; how it changes the previous keys does not
// depend on the state. Counting is then three counters per matched entry, the two open ones
// and the piece's uses in its state, and the state follows by shifts alone, with no load from
// memory on the path from one entry to the next. The fixed counters follow from the uses at
// the end.
class EntryCounter {
 public:
  EntryCounter(const std::vector<LayoutEntry>& table, const LayoutHeaderValues& header)
      : matcher_(table),
        pieces_(table, header.CountByKana != 0, header.BreakAfterPunctuation != 0),
        rules_{header.LeftHandLastKey, header.CountByKana != 0} {
    std::array<std::uint8_t, 36> index;
    index.fill(kNoState);
    states_.push_back(GapState{});
    index[0] = 0;
    auto ignore = [](std::uint32_t) {};
    for (std::size_t state = 0; state < states_.size(); ++state) {
      for (std::size_t piece = 0; piece < pieces_.Count(); ++piece) {
        GapState end = Walk(BytesOf(piece), states_[state], rules_, ignore).End;
        if (index[end.Number()] == kNoState) {
          if (states_.size() == kMaxStates) {
            throw std::logic_error("more gap states between entries than the count provides for");
          }
          index[end.Number()] = static_cast<std::uint8_t>(states_.size());
          states_.push_back(end);
        }
      }
    }
    codes_.resize(pieces_.Count());
    for (std::size_t piece = 0; piece < pieces_.Count(); ++piece) {
      PieceCode& code = codes_[piece];
      std::vector<std::uint32_t> fixedFromStart;
      Walk(BytesOf(piece), states_[0], rules_,
           [&](std::uint32_t cell) { fixedFromStart.push_back(cell); });
      for (std::size_t state = 0; state < states_.size(); ++state) {
        std::vector<std::uint32_t> fixed;
        PieceWalk walk = Walk(BytesOf(piece), states_[state], rules_,
                              [&](std::uint32_t cell) { fixed.push_back(cell); });
        if (fixed != fixedFromStart) {
          code.StateMask = 0xF;
        }
        code.Next |= std::uint64_t{index[walk.End.Number()]} << (4 * state);
        for (int hand : {kLeft, kRight}) {
          code.GapKeys[hand][state] = static_cast<std::uint8_t>(
              walk.Open[hand] / kPairPlaneCells * kKeySlots + walk.Open[hand] % kKeySlots);
          if (state == 0 && walk.Last[hand] < 0) {
            code.Keep[hand] = kOpenRows - 1;
          } else if (state == 0) {
            code.Set[hand] = static_cast<std::uint16_t>(walk.Last[hand] * kOpenRow);
          }
        }
      }
    }
  }

  PartCounts EmptyPart(bool covering) const {
    PartCounts part;
    part.Open.resize(kPairCells);
    part.Uses.resize(codes_.size() * states_.size());
    part.PieceUses.resize(covering ? codes_.size() : 0);
    return part;
  }

  std::size_t MatchingSlots() const { return matcher_.RunBreakPiece(); }

  // Where parts may begin: at RunBreaks of the KanaStream, about evenly apart, at most jobs
  // parts and each at least minBytes long. A RunBreak in an entry's kana would let a match
  // span one, so such a table keeps the stream whole. Returns each part's start, then the end.
  std::vector<std::size_t> PartBounds(std::string_view kanaCodes, unsigned jobs,
                                      std::size_t minBytes) const {
    std::size_t parts =
        std::min<std::size_t>(jobs, kanaCodes.size() / std::max<std::size_t>(minBytes, 1));
    std::vector<std::size_t> bounds(std::max<std::size_t>(parts, 1) + 1);
    bounds.resize(CutAtRunBreaks(kanaCodes, 0, kanaCodes.size(),
                                 matcher_.SplitsAtRunBreaks() ? parts : 1, bounds.data()) +
                  1);
    return bounds;
  }

  // Counts the positions from begin, the start of a run, up to end into part; returns kNoSlot,
  // or the first position whose kana has no definition. Each lane of the walk counts with a
  // tally of its own into the same counters; lane 0 goes on with the tally of the blocks.
  std::size_t CountPart(std::string_view kanaCodes, std::size_t begin, std::size_t end,
                        PartCounts& part) const {
    Tally tallies[kLanes];
    for (Tally& tally : tallies) {
      tally = {part.Open.data(), part.Uses.data(), codes_.data(), codes_.size()};
    }
    // A kana without definition is tallied too, harmlessly: its advance of 0 ends the walk, and
    // the tables are then not used.
    return WalkMatches(
        matcher_, kanaCodes, begin, end, true,
        [&](std::size_t lane, std::size_t, EntryMatcher::Match match)
            __attribute__((always_inline)) {
              tallies[lane].Add(match.Piece);
              return std::size_t{match.Advance};
            });
  }

  // Covers the positions as CountPart counts them, except that each kana without definition is
  // recorded and passed over; the counts are then of no use, but the uses of the pieces are.
  // Without kTally only the uses and the kana without definition are recorded.
  template <bool kTally>
  void CoverPart(std::string_view kanaCodes, std::size_t begin, std::size_t end,
                 PartCounts& part) const {
    Tally tallies[kLanes];
    for (Tally& tally : tallies) {
      tally = {part.Open.data(), part.Uses.data(), codes_.data(), codes_.size()};
    }
    WalkMatches(
        matcher_, kanaCodes, begin, end, true,
        [&](std::size_t lane, std::size_t position,
            EntryMatcher::Match match) __attribute__((always_inline)) {
          ++part.PieceUses[match.Piece];
          if (match.Piece != matcher_.MissingPiece()) {
            if constexpr (kTally) {
              tallies[lane].Add(match.Piece);
            }
            return std::size_t{match.Advance};
          }
          UndefinedKana& undefined = part.Undefined[static_cast<std::uint8_t>(kanaCodes[position])];
          if (undefined.Count++ == 0 || position < undefined.First) {
            undefined.First = position;  // lanes go side by side: keep the earliest
          }
          return std::size_t{1};
        });
  }

  // The tables from the parts' counts summed (32-bit sums wrap, so their order does not
  // matter): the open counters, plus each piece's fixed counters as often as it was used.
  void Finish(const PartCounts& total, KeyCountTable& strokeCounts,
              PairCountTable& pairTallies) const {
    std::vector<std::uint32_t> cells(kPairCells);
    for (std::uint32_t cell = 0; cell < kPairCells; ++cell) {
      cells[cell] = total.Open[OpenPlace(cell)];
    }
    for (std::size_t piece = 0; piece < codes_.size(); ++piece) {
      for (std::size_t state = 0; state < states_.size(); ++state) {
        std::uint32_t uses = total.Uses[state * codes_.size() + piece];
        if (uses != 0) {
          Walk(BytesOf(piece), states_[state], rules_,
               [&](std::uint32_t cell) { cells[cell] += uses; });
        }
      }
    }
    FillCountTables(cells.data(), strokeCounts, pairTallies);
  }

 private:
  static constexpr std::size_t kMaxStates = 16;  // 4 bits of Next each

  // The open counters are kept by the hand's previous key first, then gap class and key, so
  // that a counter's place is the previous key's row plus one byte that the piece and the state
  // fix.
  static constexpr std::uint32_t kOpenRow = kGapPlanes * kKeySlots;
  static constexpr std::uint32_t kOpenRows = kKeySlots * kOpenRow;
  static std::uint32_t OpenPlace(std::uint32_t cell) {
    return cell / kKeySlots % kKeySlots * kOpenRow + cell / kPairPlaneCells * kKeySlots +
           cell % kKeySlots;
  }

  // What a piece does, by the state it starts in.
  struct PieceCode {
    std::uint64_t Next = 0;  // the state after it: 4 bits per state
    // Each hand's open counter: its gap class * kKeySlots + its key, by state.
    std::uint8_t GapKeys[2][kMaxStates] = {};
    // 0 when the piece's fixed counters are the same whatever state it starts in (always so
    // by strokes, where a hand's second stroke in a piece has its gap from the piece alone):
    // its uses are then counted as if in the start state, so that they stay in few places.
    std::uint8_t StateMask = 0;
    // Each hand's previous key's row after the piece: (the row before & Keep) | Set.
    std::uint16_t Keep[2] = {};
    std::uint16_t Set[2] = {};
  };

  // The counting of one matched entry: its two open counters and its uses in the state it
  // starts in; then the state and the previous keys after it.
  struct Tally {
    std::uint32_t* Open;
    std::uint32_t* Uses;
    const PieceCode* Codes;
    std::size_t PieceCount;
    std::uint64_t State = 0;
    std::uint32_t Previous[2] = {0, 0};  // each hand's previous key's row of the open counters

    [[gnu::always_inline]] void Add(std::uint32_t piece) {
      const PieceCode& code = Codes[piece];
      ++Open[Previous[kLeft] + code.GapKeys[kLeft][State]];
      ++Open[Previous[kRight] + code.GapKeys[kRight][State]];
      ++Uses[(State & code.StateMask) * PieceCount + piece];
      Previous[kLeft] = (Previous[kLeft] & code.Keep[kLeft]) | code.Set[kLeft];
      Previous[kRight] = (Previous[kRight] & code.Keep[kRight]) | code.Set[kRight];
      State = code.Next >> (4 * State) & 0xF;
    }
  };

  std::string_view BytesOf(std::size_t piece) const {
    return {pieces_.BytesOf(pieces_[piece]), pieces_[piece].Length};
  }

  EntryMatcher matcher_;
  KeyPieces pieces_;
  TallyRules rules_;
  std::vector<GapState> states_;  // [0] is the zero state, a run's start
  std::vector<PieceCode> codes_;  // by piece
};

// What a part's walk does: count the layout, cover the text (the uses of the pieces and the kana
// without definition) and count it too, or cover it alone.
enum class PartWork { kCount, kCoverAndCount, kCover };

// The parts of kanaCodes counted (or covered) on up to jobs threads, then summed into the first.
std::vector<PartCounts> CountParts(const EntryCounter& counter, std::string_view kanaCodes,
                                   unsigned jobs, std::size_t minBytesPerThread, PartWork work) {
  const std::vector<std::size_t> bounds = counter.PartBounds(kanaCodes, jobs, minBytesPerThread);
  // Everything the threads write is made here, so a thread neither allocates nor throws.
  std::vector<PartCounts> parts(bounds.size() - 1, counter.EmptyPart(work != PartWork::kCount));
  RunParts(parts.size(), [&](std::size_t part) {
    if (work == PartWork::kCoverAndCount) {
      counter.CoverPart<true>(kanaCodes, bounds[part], bounds[part + 1], parts[part]);
    } else if (work == PartWork::kCover) {
      counter.CoverPart<false>(kanaCodes, bounds[part], bounds[part + 1], parts[part]);
    } else {
      parts[part].Missing =
          counter.CountPart(kanaCodes, bounds[part], bounds[part + 1], parts[part]);
    }
  });
  PartCounts& total = parts[0];
  for (std::size_t part = 1; part < parts.size(); ++part) {
    for (std::size_t i = 0; i < kPairCells; ++i) {
      total.Open[i] += parts[part].Open[i];
    }
    for (std::size_t i = 0; i < total.Uses.size(); ++i) {
      total.Uses[i] += parts[part].Uses[i];
    }
    for (std::size_t i = 0; i < total.PieceUses.size(); ++i) {
      total.PieceUses[i] += parts[part].PieceUses[i];
    }
    for (std::size_t code = 0; code < total.Undefined.size(); ++code) {
      const UndefinedKana& more = parts[part].Undefined[code];
      UndefinedKana& undefined = total.Undefined[code];
      if (more.Count != 0 && (undefined.Count == 0 || more.First < undefined.First)) {
        undefined.First = more.First;
      }
      undefined.Count += more.Count;
    }
  }
  return parts;
}

}  // namespace

std::size_t CountKanaStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                            const LayoutHeaderValues& header, unsigned jobs,
                            KeyCountTable& strokeCounts, PairCountTable& pairTallies,
                            std::size_t minBytesPerThread) {
  const EntryCounter counter(table, header);
  std::vector<PartCounts> parts =
      CountParts(counter, kanaCodes, jobs, minBytesPerThread, PartWork::kCount);
  for (const PartCounts& part : parts) {
    if (part.Missing != kNoSlot) {
      return part.Missing;
    }
  }
  counter.Finish(parts[0], strokeCounts, pairTallies);
  return kNoSlot;
}

bool LayoutCoverage::HasUndefined() const {
  return std::any_of(Undefined.begin(), Undefined.end(),
                     [](const UndefinedKana& kana) { return kana.Count != 0; });
}

LayoutCoverage CoverKanaStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                               const LayoutHeaderValues& header, bool counts, unsigned jobs,
                               std::size_t minBytesPerThread) {
  const EntryCounter counter(table, header);
  std::vector<PartCounts> parts = CountParts(counter, kanaCodes, jobs, minBytesPerThread,
                                             counts ? PartWork::kCoverAndCount : PartWork::kCover);
  LayoutCoverage coverage;
  coverage.Undefined = parts[0].Undefined;
  coverage.Uses.assign(
      parts[0].PieceUses.begin(),
      parts[0].PieceUses.begin() + static_cast<std::ptrdiff_t>(counter.MatchingSlots()));
  coverage.Counted = counts && !coverage.HasUndefined();
  if (coverage.Counted) {
    counter.Finish(parts[0], coverage.Counts.Keys, coverage.Counts.Pairs);
  }
  return coverage;
}

LayoutCount ConvertAndTallyKanaStream(std::string_view kanaCodes, const LayoutDefinition& layout,
                                      unsigned jobs) {
  LayoutCount count;
  count.Missing = CountKanaStream(kanaCodes, layout.Table, layout.Header, jobs, count.Counts.Keys,
                                  count.Counts.Pairs);
  return count;
}

}  // namespace kananet
