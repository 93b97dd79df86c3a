#include "analysis/entry_counts.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>

#include "analysis/entry_matcher.h"
#include "analysis/gap_rules.h"
#include "analysis/key_pieces.h"
#include "analysis/piece_counts.h"
#include "codes/kana_code.h"
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

// One counting mode's counts of a part: the open counters, and how often each piece was matched
// in each state.
struct ModeCounts {
  std::vector<std::uint32_t> Open;
  std::vector<std::uint32_t> Uses;  // by state * pieces + piece
};

// The tally of one layout in one counting mode as one step per matched entry. At the start of a
// piece the tally's state is its gap state and each hand's previous key. Few gap states occur
// there: by strokes only the two counters change, and by kana every piece ends its unit (or its
// run), which clears both hands' marks, so there are at most 9. What a piece does to the state
// is therefore a small table: the state after it, which fits in a register, and the places of
// its open counters, for each state it may start in; how it changes the previous keys does not
// depend on the state. Counting is then three counters per matched entry, the two open ones
// and the piece's uses in its state, and the state follows by shifts alone, with no load from
// memory on the path from one entry to the next. The fixed counters follow from the uses at
// the end.
class ModeTally {
 private:
  // What a piece does, by the state it starts in.
  static constexpr std::size_t kMaxStates = 16;  // 4 bits of Next each
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

 public:
  ModeTally(const std::vector<LayoutEntry>& table, const LayoutHeaderValues& header)
      : pieces_(table, header.CountByKana != 0, header.BreakAfterPunctuation != 0),
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

  ModeCounts Empty() const {
    return {std::vector<std::uint32_t>(kPairCells),
            std::vector<std::uint32_t>(codes_.size() * states_.size())};
  }

  // The counting of one matched entry: its two open counters and its uses in the state it
  // starts in; then the state and the previous keys after it.
  struct Tally {
    std::uint32_t* Open = nullptr;
    std::uint32_t* Uses = nullptr;
    const PieceCode* Codes = nullptr;
    std::size_t PieceCount = 0;
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

  // A tally that starts a run, into counts.
  Tally Into(ModeCounts& counts) const {
    return {counts.Open.data(), counts.Uses.data(), codes_.data(), codes_.size()};
  }

  // The tables from the parts' counts summed (32-bit sums wrap, so their order does not
  // matter): the open counters, plus each piece's fixed counters as often as it was used.
  void Finish(const ModeCounts& total, KeyCountTable& strokeCounts,
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
  // The open counters are kept by the hand's previous key first, then gap class and key, so
  // that a counter's place is the previous key's row plus one byte that the piece and the state
  // fix.
  static constexpr std::uint32_t kOpenRow = kGapPlanes * kKeySlots;
  static constexpr std::uint32_t kOpenRows = kKeySlots * kOpenRow;
  static std::uint32_t OpenPlace(std::uint32_t cell) {
    return cell / kKeySlots % kKeySlots * kOpenRow + cell / kPairPlaneCells * kKeySlots +
           cell % kKeySlots;
  }

  std::string_view BytesOf(std::size_t piece) const {
    return {pieces_.BytesOf(pieces_[piece]), pieces_[piece].Length};
  }

  KeyPieces pieces_;
  TallyRules rules_;
  std::vector<GapState> states_;  // [0] is the zero state, a run's start
  std::vector<PieceCode> codes_;  // by piece
};

void AddUp(ModeCounts& total, const ModeCounts& part) {
  for (std::size_t i = 0; i < total.Open.size(); ++i) {
    total.Open[i] += part.Open[i];
  }
  for (std::size_t i = 0; i < total.Uses.size(); ++i) {
    total.Uses[i] += part.Uses[i];
  }
}

// What a part's walk does: count the layout; cover the text (the uses of the pieces and the
// kana without definition) alone; or cover it and count the layout, by strokes too when it
// counts by kana, and the follows of its entries.
enum class PartWork { kCount, kCover, kCoverAndCount };

// A part's counts: the layout's own mode's, by strokes (when covering and counting a layout that
// counts by kana), where a kana without definition stops the count, and, when covering, the uses
// by piece, whatever the state, the kana without definition and the follows of the entries.
struct PartCounts {
  ModeCounts Own;
  ModeCounts Strokes;
  std::size_t Missing = kNoSlot;
  std::vector<std::uint64_t> PieceUses;
  std::array<UndefinedKana, 256> Undefined{};
  FollowTally Follows;
};

LayoutHeaderValues ByStrokes(LayoutHeaderValues header) {
  header.CountByKana = 0;
  return header;
}

// The conversion and the tally of one layout, one matched entry at a time: the matcher's walk
// with what each part's work does per match.
class EntryCounter {
 public:
  EntryCounter(const std::vector<LayoutEntry>& table, const LayoutHeaderValues& header,
               PartWork work)
      : matcher_(table), own_(table, header), work_(work) {
    if (work == PartWork::kCoverAndCount) {
      follows_ = FollowTally(table, matcher_.RunBreakPiece(), header.BreakAfterPunctuation != 0);
      if (header.CountByKana != 0) {
        strokes_.emplace(table, ByStrokes(header));
      }
    }
  }

  PartCounts EmptyPart() const {
    PartCounts part;
    if (work_ != PartWork::kCover) {
      part.Own = own_.Empty();
    }
    if (strokes_) {
      part.Strokes = strokes_->Empty();
    }
    if (work_ != PartWork::kCount) {
      part.PieceUses.resize(matcher_.PieceCount());
    }
    part.Follows = follows_;
    return part;
  }

  std::size_t MatchingSlots() const { return matcher_.RunBreakPiece(); }
  const ModeTally& Own() const { return own_; }
  const ModeTally* Strokes() const { return strokes_ ? &*strokes_ : nullptr; }

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

  // The part's work on the positions from begin, the start of a run, up to end.
  void DoPart(std::string_view kanaCodes, std::size_t begin, std::size_t end,
              PartCounts& part) const {
    if (work_ == PartWork::kCount) {
      part.Missing = CountPart(kanaCodes, begin, end, part);
    } else if (work_ == PartWork::kCover) {
      CoverPart<false, false>(kanaCodes, begin, end, part);
    } else if (strokes_) {
      CoverPart<true, true>(kanaCodes, begin, end, part);
    } else {
      CoverPart<true, false>(kanaCodes, begin, end, part);
    }
  }

 private:
  // Counts the positions from begin up to end into part; returns kNoSlot, or the first position
  // whose kana has no definition. Each lane of the walk counts with a tally of its own into the
  // same counters; lane 0 goes on with the tally of the blocks.
  std::size_t CountPart(std::string_view kanaCodes, std::size_t begin, std::size_t end,
                        PartCounts& part) const {
    ModeTally::Tally tallies[kLanes];
    for (ModeTally::Tally& tally : tallies) {
      tally = own_.Into(part.Own);
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
  // With kCount the walk counts the layout and the follows of its entries too, and with
  // kStrokes also counts it by strokes.
  template <bool kCount, bool kStrokes>
  void CoverPart(std::string_view kanaCodes, std::size_t begin, std::size_t end,
                 PartCounts& part) const {
    ModeTally::Tally own[kLanes];
    ModeTally::Tally strokes[kLanes];
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
      if constexpr (kCount) {
        own[lane] = own_.Into(part.Own);
      }
      if constexpr (kStrokes) {
        strokes[lane] = strokes_->Into(part.Strokes);
      }
    }
    WalkMatches(
        matcher_, kanaCodes, begin, end, true,
        [&](std::size_t lane, std::size_t position,
            EntryMatcher::Match match) __attribute__((always_inline)) {
          ++part.PieceUses[match.Piece];
          if constexpr (kCount) {
            part.Follows.Add(lane, match.Piece);
          }
          if (match.Piece != matcher_.MissingPiece()) {
            if constexpr (kCount) {
              own[lane].Add(match.Piece);
            }
            if constexpr (kStrokes) {
              strokes[lane].Add(match.Piece);
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

  EntryMatcher matcher_;
  ModeTally own_;
  PartWork work_;
  std::optional<ModeTally> strokes_;  // by strokes beside a layout that counts by kana
  FollowTally follows_;
};

// The parts of kanaCodes counted (or covered) on up to jobs threads, then summed into the first.
std::vector<PartCounts> CountParts(const EntryCounter& counter, std::string_view kanaCodes,
                                   unsigned jobs, std::size_t minBytesPerThread) {
  const std::vector<std::size_t> bounds = counter.PartBounds(kanaCodes, jobs, minBytesPerThread);
  // Everything the threads write is made here, so a thread neither allocates nor throws.
  std::vector<PartCounts> parts(bounds.size() - 1, counter.EmptyPart());
  RunParts(parts.size(), [&](std::size_t part) {
    counter.DoPart(kanaCodes, bounds[part], bounds[part + 1], parts[part]);
  });
  PartCounts& total = parts[0];
  for (std::size_t part = 1; part < parts.size(); ++part) {
    AddUp(total.Own, parts[part].Own);
    AddUp(total.Strokes, parts[part].Strokes);
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
    total.Follows.AddUp(parts[part].Follows);
  }
  return parts;
}

}  // namespace

std::size_t CountKanaStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                            const LayoutHeaderValues& header, unsigned jobs,
                            KeyCountTable& strokeCounts, PairCountTable& pairTallies,
                            std::size_t minBytesPerThread) {
  const EntryCounter counter(table, header, PartWork::kCount);
  std::vector<PartCounts> parts = CountParts(counter, kanaCodes, jobs, minBytesPerThread);
  for (const PartCounts& part : parts) {
    if (part.Missing != kNoSlot) {
      return part.Missing;
    }
  }
  counter.Own().Finish(parts[0].Own, strokeCounts, pairTallies);
  return kNoSlot;
}

bool LayoutCoverage::HasUndefined() const {
  return std::any_of(Undefined.begin(), Undefined.end(),
                     [](const UndefinedKana& kana) { return kana.Count != 0; });
}

LayoutCoverage CoverKanaStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                               const LayoutHeaderValues& header, bool counts, unsigned jobs,
                               std::size_t minBytesPerThread) {
  const EntryCounter counter(table, header, counts ? PartWork::kCoverAndCount : PartWork::kCover);
  std::vector<PartCounts> parts = CountParts(counter, kanaCodes, jobs, minBytesPerThread);
  LayoutCoverage coverage;
  coverage.Undefined = parts[0].Undefined;
  coverage.Pieces.Uses.assign(
      parts[0].PieceUses.begin(),
      parts[0].PieceUses.begin() + static_cast<std::ptrdiff_t>(counter.MatchingSlots()));
  coverage.Counted = counts && !coverage.HasUndefined();
  if (coverage.Counted) {
    counter.Own().Finish(parts[0].Own, coverage.Counts.Keys, coverage.Counts.Pairs);
    if (counter.Strokes() != nullptr) {
      KeyCountTable keys;
      counter.Strokes()->Finish(parts[0].Strokes, keys, coverage.ByStrokes);
    } else {
      coverage.ByStrokes = coverage.Counts.Pairs;
    }
    coverage.Pieces.Follows = parts[0].Follows.Follows();
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

std::string MissingDefinitionMessage(std::uint8_t kanaCode) {
  // "「" kana "」の定義が不足しているようです." in Shift_JIS, ending in an ASCII full stop.
  return "\x81\x75" + KanaText(kanaCode) +
         "\x81\x76\x82\xcc\x92\xe8\x8b\x60\x82\xaa\x95\x73\x91\xab\x82\xb5\x82\xc4\x82\xa2\x82\xe9"
         "\x82\xe6\x82\xa4\x82\xc5\x82\xb7.\n";
}

}  // namespace kananet
