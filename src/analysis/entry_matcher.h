// The matching engine: the first match at every position of a KanaStream, as a piece (the slot
// of the matching entry, or one of two pieces past the slots, a RunBreak and a kana without
// definition, each with the KanaStream bytes it covers), and the one walk over a stretch of the
// stream that the count, the check and the conversion to keystrokes follow the matches with.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/kana_lookup.h"
#include "codes/key_alphabet.h"
#include "readers/layout.h"

namespace kananet {

// The slots whose entries can be a first match and have kana: those below LayoutSearchSlots up
// to the last with kana. The pieces of a table are these slots, then the RunBreak, then the
// kana without definition.
std::size_t MatchingSlots(const std::vector<LayoutEntry>& table);

// begin..end of kanaCodes, begin the start of a stretch, cut at RunBreaks into up to parts
// stretches about evenly long: writes each stretch's start, then end, to bounds (room for
// parts + 1) and returns how many stretches there are. Allocates nothing, so that a thread may
// call it.
std::size_t CutAtRunBreaks(std::string_view kanaCodes, std::size_t begin, std::size_t end,
                           std::size_t parts, std::size_t* bounds);

// Lanes: stretches of the stream followed side by side, one step of each in turn, so that the
// processor keeps their searches in flight together. step(lane) takes one step of a lane and
// says whether the lane goes on; every lane steps in each round while all go on, then each goes
// on alone to its end.
inline constexpr std::size_t kLanes = 4;

template <typename Step>
[[gnu::always_inline]] inline void FollowLanes(Step&& step) {
  static_assert(kLanes == 4, "a round steps four lanes");
  for (bool going = true; going;) {
    going = step(0);
    going = step(1) && going;
    going = step(2) && going;
    going = step(3) && going;
  }
  for (std::size_t lane = 0; lane < kLanes; ++lane) {
    while (step(lane)) {
    }
  }
}

// The one table that finds the first match at a position: a dense table by the first two kana,
// and rows by the third and fourth where longer entries begin, whose places hold the final
// match (piece and length), the next row, or where the trie goes on past the fourth kana;
// positions near the end of the stream go through the trie from its root.
class EntryMatcher {
 public:
  struct Match {
    std::uint32_t Piece;
    std::uint32_t Advance;  // the KanaStream bytes it covers; 0 for a kana without definition
  };

  explicit EntryMatcher(const std::vector<LayoutEntry>& table);

  std::size_t RunBreakPiece() const { return runBreak_; }
  std::size_t MissingPiece() const { return runBreak_ + 1; }
  std::size_t PieceCount() const { return runBreak_ + 2; }
  std::uint32_t AdvanceOf(std::size_t piece) const { return advances_[piece]; }
  // Whether the stream's stretches between RunBreaks can be followed apart: no entry's kana
  // holds a RunBreak, so no match spans one, and the tally starts afresh at each.
  bool SplitsAtRunBreaks() const { return splitsAtRunBreaks_; }

  // The matches at the positions from..to of a block that begins at start, into matches by
  // their place in the block; returns how many of them the first two kana do not decide. The
  // loop keeps what it reads from the tables in registers and leaves the longer searches to a
  // call, so that a block of short matches goes at the speed of its loads.
  std::size_t FindBlock(std::string_view kanaCodes, std::size_t start, std::size_t from,
                        std::size_t to, Match* matches) const;

  // The match at position p.
  [[gnu::always_inline]] Match MatchAt(std::string_view kanaCodes, std::size_t p) const {
    std::uint32_t match = kLonger;
    if (p + 1 < kanaCodes.size()) {
      match = pairMatches_[pairs_.Index(static_cast<std::uint8_t>(kanaCodes[p]),
                                        static_cast<std::uint8_t>(kanaCodes[p + 1]))];
      if (match < kLaterRow) {
        return {match & kPieceMask, match >> kAdvanceShift};
      }
    }
    return FollowLonger(kanaCodes, p, match);
  }

 private:
  // A place of the tables: a piece and the kana it covers (at most four), kLaterRow + the row
  // of laterMatches_ by the next kana when a longer entry may match, kPastRows + the place in
  // pastRows_ where the trie goes on, or kLonger for the walk from the trie's root.
  static constexpr std::uint32_t kLonger = 0xFFFFFFFF;
  static constexpr std::uint32_t kLaterRow = 0x80000000;
  static constexpr std::uint32_t kPastRows = 0xC0000000;
  static constexpr int kAdvanceShift = 24;
  static constexpr std::uint32_t kPieceMask = (1u << kAdvanceShift) - 1;
  // The later rows stop at this many places (4 MB); past them the lookup decides.
  static constexpr std::size_t kMaxLaterPlaces = std::size_t{1} << 20;

  [[gnu::noinline]] Match LongerMatch(std::string_view kanaCodes, std::size_t p,
                                      std::uint32_t match) const;

  // The match at p where the first two kana (or the end of the stream) do not decide it; match
  // is the place of the first two kana, or kLonger.
  [[gnu::always_inline]] Match FollowLonger(std::string_view kanaCodes, std::size_t p,
                                            std::uint32_t match) const {
    std::size_t next = p + 2;
    if (match < kPastRows && p + 3 < kanaCodes.size()) {
      match = LaterMatch(match, kanaCodes[p + 2]);
      next = p + 3;
      if (match >= kLaterRow && match < kPastRows) {
        match = LaterMatch(match, kanaCodes[p + 3]);
        next = p + 4;
      }
    }
    if (match < kLaterRow) {
      return {match & kPieceMask, match >> kAdvanceShift};
    }
    std::size_t slot = kNoSlot;
    if (match >= kPastRows && match != kLonger) {
      const PastRows& past = pastRows_[match - kPastRows];
      slot = lookup_.FindFrom(past.Node, past.Found, kanaCodes, next);
    } else {
      slot = lookup_.FindFirstMatch(kanaCodes, p);
    }
    std::size_t piece = PieceOf(static_cast<std::uint8_t>(kanaCodes[p]), slot);
    return {static_cast<std::uint32_t>(piece), advances_[piece]};
  }

  // The piece at a position that holds code and whose first match is slot.
  std::size_t PieceOf(std::uint8_t code, std::size_t slot) const {
    if (code == kRunBreak) {
      return runBreak_;
    }
    return slot == kNoSlot ? MissingPiece() : slot;
  }

  std::uint32_t MatchOf(std::string_view kana) const;
  void FillPairMatches(const std::vector<LayoutEntry>& table);
  std::uint32_t LaterRow(std::string& kana, const std::array<char, 256>& codeOf);
  std::uint32_t PastRowsOf(std::string_view kana);

  std::uint32_t LaterMatch(std::uint32_t row, char code) const {
    return laterMatches_[(row - kLaterRow) * laterWidth_ +
                         laterColumns_[static_cast<std::uint8_t>(code)]];
  }

  // Where the trie goes on past the rows: the node the kana so far lead to, and the first match
  // among the entries that end on the way there.
  struct PastRows {
    KanaLookup::NodeId Node;
    std::size_t Found;
  };

  KanaLookup lookup_;
  std::size_t runBreak_;
  bool splitsAtRunBreaks_ = true;
  std::vector<std::uint32_t> advances_;  // by piece
  PairColumns pairs_;
  std::vector<std::uint32_t> pairMatches_;  // by pairs_
  std::array<std::uint16_t, 256> laterColumns_{};
  std::size_t laterWidth_ = 1;
  std::vector<std::uint32_t> laterMatches_;  // rows of laterWidth_ places
  std::vector<PastRows> pastRows_;
};

// What a walk does at each match: take(lane, position, match) returns how many KanaStream bytes
// the walk goes on by, 0 to end the walk there. A walk in blocks calls it with lane 0 only.
inline constexpr std::size_t kMatchBlock = 256;

// Follows the matches from begin, the start of a run, up to end with take. Each block of
// positions is looked up whole before its matches are followed: the lookups do not wait for
// each other, so the processor overlaps them, and only the step from one match to the next
// waits. Where a block shows that many positions need more than two kana and byLanes allows,
// the rest goes by lanes cut at RunBreaks (when the table lets matches be followed apart
// there), which search only where a match begins; lane 0 goes on from where the blocks
// stopped, the others start at RunBreaks. Returns the first position where take ended the
// walk, or kNoSlot when it reached end.
template <typename Take>
[[gnu::always_inline]] inline std::size_t WalkMatches(const EntryMatcher& matcher,
                                                      std::string_view kanaCodes, std::size_t begin,
                                                      std::size_t end, bool byLanes, Take&& take) {
  EntryMatcher::Match matches[kMatchBlock];
  std::size_t position = begin;
  const bool lanesAllowed = byLanes && matcher.SplitsAtRunBreaks();
  for (std::size_t start = begin; start < end; start += kMatchBlock) {
    std::size_t blockEnd = std::min(start + kMatchBlock, end);
    std::size_t longer =
        matcher.FindBlock(kanaCodes, start, std::max(start, position), blockEnd, matches);
    // The walk from one match to the next stays within the block, so that it waits for one
    // load and one addition.
    std::size_t at = position - start;
    for (const std::size_t blockLength = blockEnd - start; at < blockLength;) {
      std::size_t advance = take(std::size_t{0}, start + at, matches[at]);
      if (advance == 0) {
        return start + at;
      }
      at += advance;
    }
    position = start + at;
    if (lanesAllowed && longer * 4 > blockEnd - start && position < end) {
      std::size_t bounds[kLanes + 1];
      std::size_t stretches = CutAtRunBreaks(kanaCodes, position, end, kLanes, bounds);
      std::fill(bounds + stretches + 1, bounds + kLanes + 1, end);  // empty lanes
      std::size_t at[kLanes];
      std::copy_n(bounds, kLanes, at);
      // Inlined, so that each lane's step stays in the round rather than behind a call.
      FollowLanes([&](std::size_t lane) __attribute__((always_inline)) {
        if (at[lane] >= bounds[lane + 1]) {
          return false;
        }
        std::size_t advance = take(lane, at[lane], matcher.MatchAt(kanaCodes, at[lane]));
        at[lane] += advance;
        return advance != 0;
      });
      for (std::size_t lane = 0; lane < kLanes; ++lane) {
        if (at[lane] < bounds[lane + 1]) {
          return at[lane];  // the lanes are in stream order, so this is the first
        }
      }
      return kNoSlot;
    }
  }
  return kNoSlot;
}

}  // namespace kananet
