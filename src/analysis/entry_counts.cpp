#include "analysis/entry_counts.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>
#include <thread>

#include "analysis/conversion.h"
#include "analysis/gap_rules.h"
#include "analysis/kana_lookup.h"
#include "analysis/key_pieces.h"
#include "codes/key_alphabet.h"
#include "platform/console.h"
#include "readers/sample_text.h"

namespace kananet {

namespace {

constexpr std::size_t kPairCells = 4 * 64 * 64;
constexpr std::uint32_t kDroppedColumn = 63;  // no key uses it; what is counted there is dropped
constexpr std::uint8_t kNoState = 0xFF;

std::uint32_t PairCell(std::uint32_t gap, std::uint32_t previous, std::uint32_t key) {
  return (gap * 64 + previous) * 64 + key;
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
      : lookup_(table),
        pieces_(table, header.CountByKana != 0, header.BreakAfterPunctuation != 0),
        rules_{header.LeftHandLastKey, header.CountByKana != 0} {
    // The pieces end at the last slot with kana that a search can find (the rest of a table
    // is empty slots).
    for (std::size_t slot = 0; slot + 2 < pieces_.Count(); ++slot) {
      const std::string& kana = table[slot].Kana;
      splittable_ = splittable_ && kana.find(static_cast<char>(kRunBreak)) == std::string::npos;
    }
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
    FillPairMatches(table);
    codes_.resize(pieces_.Count());
    for (std::size_t piece = 0; piece < pieces_.Count(); ++piece) {
      PieceCode& code = codes_[piece];
      code.Advance = static_cast<std::uint32_t>(pieces_[piece].Advance);
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
          code.GapKeys[hand][state] =
              static_cast<std::uint8_t>(walk.Open[hand] / 4096 * 64 + walk.Open[hand] % 64);
          if (state == 0 && walk.Last[hand] < 0) {
            code.Keep[hand] = kOpenRows - 1;
          } else if (state == 0) {
            code.Set[hand] = static_cast<std::uint16_t>(walk.Last[hand] * kOpenRow);
          }
        }
      }
    }
  }

  PartCounts EmptyPart() const {
    return {std::vector<std::uint32_t>(kPairCells),
            std::vector<std::uint32_t>(codes_.size() * states_.size()), kNoSlot};
  }

  // Where parts may begin: at RunBreaks of the KanaStream, about evenly apart, at most jobs
  // parts and each at least minBytes long. A RunBreak in an entry's kana would let a match
  // span one, so such a table keeps the stream whole. Returns each part's start, then the end.
  std::vector<std::size_t> PartBounds(std::string_view kanaCodes, unsigned jobs,
                                      std::size_t minBytes) const {
    return RunBounds(
        kanaCodes, 0, kanaCodes.size(),
        std::min<std::size_t>(jobs, kanaCodes.size() / std::max<std::size_t>(minBytes, 1)));
  }

  // Up to parts stretches of begin..end, the start of a run, each from a RunBreak on, about
  // evenly apart; one when the table keeps the stream whole. Each start, then end.
  std::vector<std::size_t> RunBounds(std::string_view kanaCodes, std::size_t begin, std::size_t end,
                                     std::size_t parts) const {
    std::vector<std::size_t> bounds{begin};
    parts = splittable_ ? std::max<std::size_t>(parts, 1) : 1;
    for (std::size_t part = 1; part < parts; ++part) {
      std::size_t found =
          kanaCodes.find(static_cast<char>(kRunBreak), begin + (end - begin) * part / parts);
      if (found >= end) {
        break;
      }
      if (found > bounds.back()) {
        bounds.push_back(found);
      }
    }
    bounds.push_back(end);
    return bounds;
  }

  // Counts the positions from begin, the start of a run, up to end into part; returns kNoSlot,
  // or the first position whose kana has no definition. Each block of positions is looked up
  // whole before its matches are followed: the lookups do not wait for each other, so the
  // processor overlaps them, and only the step from one match to the next waits. Where a block
  // shows that many positions need more than two kana, the rest of the part goes by lanes,
  // which search only where a match begins.
  std::size_t CountPart(std::string_view kanaCodes, std::size_t begin, std::size_t end,
                        PartCounts& part) const {
    constexpr std::size_t kBlockSize = 256;
    Match matches[kBlockSize];
    Tally tally{part.Open.data(), part.Uses.data(), codes_.data(), codes_.size()};
    std::size_t position = begin;
    for (std::size_t start = begin; start < end; start += kBlockSize) {
      std::size_t blockEnd = std::min(start + kBlockSize, end);
      std::size_t longer =
          FindBlock(kanaCodes, start, std::max(start, position), blockEnd, matches);
      // The walk from one match to the next counts within the block, so that it waits for one
      // load and one addition.
      std::size_t at = position - start;
      for (const std::size_t blockLength = blockEnd - start; at < blockLength;
           at += matches[at].Advance) {
        if (pieces_.IsMissing(matches[at].Piece)) {
          return start + at;
        }
        tally.Add(matches[at].Piece);
      }
      position = start + at;
      if (longer * 4 > blockEnd - start && position < end) {
        return CountLanes(kanaCodes, position, end, tally);
      }
    }
    return kNoSlot;
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
    strokeCounts.fill(0);
    for (std::size_t gap = 0; gap < pairTallies.size(); ++gap) {
      for (std::size_t previous = 0; previous < 64; ++previous) {
        for (std::size_t key = 0; key < 64; ++key) {
          std::uint32_t count = key < kKeyCount ? cells[PairCell(gap, previous, key)] : 0;
          pairTallies[gap][previous][key] = count;
          strokeCounts[key] += count;
        }
      }
    }
  }

 private:
  static constexpr std::size_t kMaxStates = 16;  // 4 bits of Next each

  // The open counters are kept by the hand's previous key first, then gap class and key, so
  // that a counter's place is the previous key's row plus one byte that the piece and the state
  // fix.
  static constexpr std::uint32_t kOpenRow = 4 * 64;
  static constexpr std::uint32_t kOpenRows = 64 * kOpenRow;
  static std::uint32_t OpenPlace(std::uint32_t cell) {
    return cell / 64 % 64 * kOpenRow + cell / 4096 * 64 + cell % 64;
  }

  // What a piece does, by the state it starts in.
  struct PieceCode {
    std::uint64_t Next = 0;  // the state after it: 4 bits per state
    // Each hand's open counter: its gap class * 64 + its key, by state.
    std::uint8_t GapKeys[2][kMaxStates] = {};
    // 0 when the piece's fixed counters are the same whatever state it starts in (always so
    // by strokes, where a hand's second stroke in a piece has its gap from the piece alone):
    // its uses are then counted as if in the start state, so that they stay in few places.
    std::uint8_t StateMask = 0;
    // Each hand's previous key's row after the piece: (the row before & Keep) | Set.
    std::uint16_t Keep[2] = {};
    std::uint16_t Set[2] = {};
    // The KanaStream bytes it stands for, here too so that the match's next step needs no
    // other load.
    std::uint32_t Advance = 0;
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

  // Lanes: the part cut at RunBreaks into kLanes stretches that are followed side by side, one
  // match of each in turn, each with its own state. A match decided by a third or fourth kana
  // waits for several loads from tables that a large layout cannot keep in the nearest cache;
  // the lanes' searches do not wait for each other, so the processor overlaps them, and no
  // search is made at a position that no match begins at.
  static constexpr std::size_t kLanes = 4;  // as many as the round below steps
  struct Lane {
    std::size_t Position;
    std::size_t End;
    Tally Counts;
  };

  // One match of a lane; false when the lane is at its end or at a kana without definition.
  [[gnu::always_inline]] bool Step(std::string_view kanaCodes, Lane& lane) const {
    std::size_t position = lane.Position;
    if (position >= lane.End) {
      return false;
    }
    std::size_t longer = 0;
    Match match = MatchAt(kanaCodes, position, longer);
    if (pieces_.IsMissing(match.Piece)) {
      return false;
    }
    lane.Counts.Add(match.Piece);
    lane.Position = position + match.Advance;
    return true;
  }

  // Counts from position up to end, the first lane going on with the tally that reached
  // position; the other lanes start at RunBreaks, where a tally starts afresh.
  std::size_t CountLanes(std::string_view kanaCodes, std::size_t position, std::size_t end,
                         const Tally& reached) const {
    std::vector<std::size_t> bounds = RunBounds(kanaCodes, position, end, kLanes);
    Tally fresh{reached.Open, reached.Uses, reached.Codes, reached.PieceCount};
    Lane lanes[kLanes];
    std::size_t laneCount = bounds.size() - 1;
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
      std::size_t from = lane < laneCount ? bounds[lane] : end;
      std::size_t to = lane < laneCount ? bounds[lane + 1] : end;
      lanes[lane] = {from, to, lane == 0 ? reached : fresh};
    }
    // Every lane takes its step in each round, while all of them go on.
    for (bool going = true; going;) {
      going = Step(kanaCodes, lanes[0]);
      going = Step(kanaCodes, lanes[1]) && going;
      going = Step(kanaCodes, lanes[2]) && going;
      going = Step(kanaCodes, lanes[3]) && going;
    }
    for (Lane& lane : lanes) {
      while (Step(kanaCodes, lane)) {
      }
      if (lane.Position < lane.End) {
        return lane.Position;  // the lanes are in stream order, so this is the first
      }
    }
    return kNoSlot;
  }

  struct Match {
    std::uint32_t Piece;
    std::uint32_t Advance;
  };

  // The matches at the positions from..to of the block that begins at start, into matches by
  // their place in the block; returns how many of them the first two kana do not decide. The
  // loop keeps what it reads from the tables in registers and leaves the longer searches to a
  // call, so that a block of short matches goes at the speed of its loads.
  std::size_t FindBlock(std::string_view kanaCodes, std::size_t start, std::size_t from,
                        std::size_t to, Match* matches) const {
    const std::uint32_t* const pairMatches = pairMatches_.data();
    const std::uint16_t* const firstPlaces = pairs_.First.data();
    const std::uint16_t* const secondPlaces = pairs_.Second.data();
    const std::size_t secondCount = pairs_.SecondCount;
    const auto* const codes = reinterpret_cast<const std::uint8_t*>(kanaCodes.data());
    const std::size_t pairEnd = std::min(to, kanaCodes.size() - 1);  // a second kana follows
    std::size_t longer = 0;
    std::size_t p = from;
    for (; p < pairEnd; ++p) {
      std::uint32_t match =
          pairMatches[firstPlaces[codes[p]] * secondCount + secondPlaces[codes[p + 1]]];
      if (match < kLaterRow) {
        matches[p - start] = {match & kPieceMask, match >> kAdvanceShift};
      } else {
        ++longer;
        matches[p - start] = LongerMatch(kanaCodes, p, match);
      }
    }
    for (; p < to; ++p) {
      ++longer;
      matches[p - start] = LongerMatch(kanaCodes, p, kLonger);
    }
    return longer;
  }

  // The match at a position of the KanaStream, through the dense tables where the first four
  // kana decide it, else through the lookup. Adds one to longer when the first two kana do not
  // decide it.
  [[gnu::always_inline]] Match MatchAt(std::string_view kanaCodes, std::size_t p,
                                       std::size_t& longer) const {
    std::uint32_t match = kLonger;
    if (p + 1 < kanaCodes.size()) {
      match = pairMatches_[pairs_.Index(static_cast<std::uint8_t>(kanaCodes[p]),
                                        static_cast<std::uint8_t>(kanaCodes[p + 1]))];
      if (match < kLaterRow) {
        return {match & kPieceMask, match >> kAdvanceShift};
      }
    }
    ++longer;
    return FollowLonger(kanaCodes, p, match);
  }

  // The match at p where the first two kana (or the end of the stream) do not decide it; match
  // is the place of the first two kana, or kLonger.
  [[gnu::noinline]] Match LongerMatch(std::string_view kanaCodes, std::size_t p,
                                      std::uint32_t match) const {
    return FollowLonger(kanaCodes, p, match);
  }

  [[gnu::always_inline]] Match FollowLonger(std::string_view kanaCodes, std::size_t p,
                                            std::uint32_t match) const {
    if (match != kLonger && p + 3 < kanaCodes.size()) {
      match = LaterMatch(match, kanaCodes[p + 2]);
      if (match >= kLaterRow && match != kLonger) {
        match = LaterMatch(match, kanaCodes[p + 3]);
      }
    }
    if (match < kLaterRow) {
      return {match & kPieceMask, match >> kAdvanceShift};
    }
    auto first = static_cast<std::uint8_t>(kanaCodes[p]);
    std::size_t piece = pieces_.At(first, lookup_.FindFirstMatch(kanaCodes, p));
    return {static_cast<std::uint32_t>(piece), codes_[piece].Advance};
  }

  std::uint32_t LaterMatch(std::uint32_t row, char code) const {
    return laterMatches_[(row - kLaterRow) * laterWidth_ +
                         laterColumns_[static_cast<std::uint8_t>(code)]];
  }

  // A match in the dense tables: its piece and the kana it covers (at most four), kLaterRow +
  // the row of laterMatches_ by the next kana when a longer entry may match, or kLonger when
  // only the lookup can tell.
  static constexpr std::uint32_t kLonger = 0xFFFFFFFF;
  static constexpr std::uint32_t kLaterRow = 0x80000000;
  static constexpr int kAdvanceShift = 24;
  static constexpr std::uint32_t kPieceMask = (1u << kAdvanceShift) - 1;
  // The later rows stop at this many places (4 MB); past them the lookup decides.
  static constexpr std::size_t kMaxLaterPlaces = std::size_t{1} << 20;

  std::uint32_t MatchOf(std::string_view kana) const {
    std::size_t piece =
        pieces_.At(static_cast<std::uint8_t>(kana[0]), lookup_.FindFirstMatch(kana, 0));
    return static_cast<std::uint32_t>(piece | pieces_[piece].Advance << kAdvanceShift);
  }

  // The places are the lookup's, with a row of its own for the RunBreak: codes that begin no
  // entry match nothing, alone or with any second kana, and a RunBreak is a piece of its own.
  // Where a longer entry begins with the first two kana, a row by the third kana follows, and
  // by the fourth where one begins with the first three.
  void FillPairMatches(const std::vector<LayoutEntry>& table) {
    pairs_ = lookup_.Pairs();
    if (pairs_.First[kRunBreak] == 0) {
      pairs_.First[kRunBreak] = static_cast<std::uint16_t>(pairs_.FirstCount++);
    }
    // The third and fourth kana of the entries have columns; any other code shares column 0.
    std::array<char, 256> codeOf{};
    for (std::size_t slot = 0; slot + 2 < pieces_.Count(); ++slot) {
      const std::string& kana = table[slot].Kana;
      for (std::size_t i = 2; i < std::min<std::size_t>(kana.size(), 4); ++i) {
        auto code = static_cast<std::uint8_t>(kana[i]);
        if (laterColumns_[code] == 0) {
          laterColumns_[code] = static_cast<std::uint16_t>(laterWidth_);
          codeOf[laterWidth_++] = kana[i];
        }
      }
    }
    for (std::size_t code = 0; code < 256; ++code) {
      if (laterColumns_[code] == 0) {
        codeOf[0] = static_cast<char>(code);
        break;
      }
    }
    pairMatches_.resize(pairs_.Size());
    std::string kana(2, '\0');
    for (std::size_t first = 0; first < 256; ++first) {
      auto code = static_cast<std::uint8_t>(first);
      for (std::size_t second = 0; second < 256; ++second) {
        std::uint32_t& match = pairMatches_[pairs_.Index(code, static_cast<std::uint8_t>(second))];
        if (match != 0 && pairs_.Second[second] == 0) {
          continue;  // the same place as an earlier code of column 0
        }
        kana[0] = static_cast<char>(first);
        kana[1] = static_cast<char>(second);
        match =
            code != kRunBreak && lookup_.HasLongerEntries(code, static_cast<std::uint8_t>(second))
                ? LaterRow(kana, codeOf)
                : MatchOf(kana);
      }
    }
  }

  // The row by the next kana for kana, which a longer entry begins with.
  std::uint32_t LaterRow(std::string& kana, const std::array<char, 256>& codeOf) {
    std::size_t row = laterMatches_.size() / laterWidth_;
    if (kana.size() >= 4 || laterMatches_.size() + laterWidth_ > kMaxLaterPlaces) {
      return kLonger;
    }
    laterMatches_.resize(laterMatches_.size() + laterWidth_);
    for (std::size_t column = 0; column < laterWidth_; ++column) {
      kana.push_back(codeOf[column]);
      std::uint32_t match = lookup_.HasLongerEntries(kana) ? LaterRow(kana, codeOf) : MatchOf(kana);
      laterMatches_[row * laterWidth_ + column] = match;
      kana.pop_back();
    }
    return kLaterRow + static_cast<std::uint32_t>(row);
  }

  std::string_view BytesOf(std::size_t piece) const {
    return {pieces_.BytesOf(pieces_[piece]), pieces_[piece].Length};
  }

  KanaLookup lookup_;
  KeyPieces pieces_;
  TallyRules rules_;
  bool splittable_ = true;
  std::vector<GapState> states_;  // [0] is the zero state, a run's start
  std::vector<PieceCode> codes_;  // by piece
  PairColumns pairs_;
  std::vector<std::uint32_t> pairMatches_;  // by pairs_
  std::array<std::uint16_t, 256> laterColumns_{};
  std::size_t laterWidth_ = 1;
  std::vector<std::uint32_t> laterMatches_;  // rows of laterWidth_ places
};

}  // namespace

std::size_t CountKanaStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                            const LayoutHeaderValues& header, unsigned jobs,
                            KeyCountTable& strokeCounts, PairCountTable& pairTallies,
                            std::size_t minBytesPerThread) {
  const EntryCounter counter(table, header);
  const std::vector<std::size_t> bounds = counter.PartBounds(kanaCodes, jobs, minBytesPerThread);
  // Everything the threads write is made here, so a thread neither allocates nor throws.
  std::vector<PartCounts> parts(bounds.size() - 1, counter.EmptyPart());
  auto countPart = [&](std::size_t part) {
    parts[part].Missing = counter.CountPart(kanaCodes, bounds[part], bounds[part + 1], parts[part]);
  };
  std::vector<std::thread> threads;
  threads.reserve(parts.size());
  for (std::size_t part = 1; part < parts.size(); ++part) {
    try {
      threads.emplace_back(countPart, part);
    } catch (const std::exception&) {
      countPart(part);  // no thread to be had: this one counts the part
    }
  }
  countPart(0);
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (const PartCounts& part : parts) {
    if (part.Missing != kNoSlot) {
      return part.Missing;
    }
  }
  for (std::size_t part = 1; part < parts.size(); ++part) {
    for (std::size_t i = 0; i < kPairCells; ++i) {
      parts[0].Open[i] += parts[part].Open[i];
    }
    for (std::size_t i = 0; i < parts[0].Uses.size(); ++i) {
      parts[0].Uses[i] += parts[part].Uses[i];
    }
  }
  counter.Finish(parts[0], strokeCounts, pairTallies);
  return kNoSlot;
}

void ConvertAndTallyKanaStream(unsigned jobs) {
  std::size_t missing =
      CountKanaStream(KanaStream, LayoutTable, LayoutHeader, jobs, KeyCounts, PairCounts);
  if (missing != kNoSlot) {
    StopRun(MissingDefinitionMessage(static_cast<std::uint8_t>(KanaStream[missing])));
  }
}

}  // namespace kananet
