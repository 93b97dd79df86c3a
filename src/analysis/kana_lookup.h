// The first match of a layout's table at a position of the KanaStream, through an index whose
// steps are bounded by the length of the match (the plain scan is in tests/reference).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "analysis/branchless.h"
#include "readers/layout.h"

namespace kananet {

inline constexpr std::size_t kNoSlot = static_cast<std::size_t>(-1);

// Dense places for the codes that matter as the first and the second kana of a position: a
// table by pairs of codes then has a row for each code that begins an entry (row 0 for all
// others) and a column for each code that follows a first kana in some entry (column 0 for all
// others), instead of 256 x 256 places, so that the part a text uses stays in the cache.
struct PairColumns {
  std::array<std::uint16_t, 256> First{};
  std::array<std::uint16_t, 256> Second{};
  std::size_t FirstCount = 1;
  std::size_t SecondCount = 1;

  std::size_t Index(std::uint8_t first, std::uint8_t second) const {
    return First[first] * SecondCount + Second[second];
  }
  std::size_t Size() const { return FirstCount * SecondCount; }
};

// How many slots of the table a search looks at: those below LayoutSearchSlots.
inline std::size_t SearchableSlots(const std::vector<LayoutEntry>& table) {
  return table.size() < kLayoutSearchSlots ? table.size() : kLayoutSearchSlots;
}

// An index over a LayoutTable that finds the first slot below LayoutSearchSlots, in table
// order, whose non-empty kana equals the stream's bytes from a position on (NoSlot when there
// is none), in a number of steps bounded by the length of the match, however many entries the table
// has: a trie of the kana sequences that can win a first-match search. Nearly every match is
// decided within four kana, so those steps go through dense tables, without branches.
class KanaLookup {
 public:
  explicit KanaLookup(const std::vector<LayoutEntry>& table);

  std::size_t FindFirstMatch(std::string_view stream, std::size_t position) const;

  // Whether an entry of more than two kana that begins with first and second can be a first
  // match; when not, the first two kana alone decide the match.
  bool HasLongerEntries(std::uint8_t first, std::uint8_t second) const {
    return pairAnswers_[pairs_.Index(first, second)].Row != kEmptyRow;
  }

  // Whether an entry that can be a first match begins with kana and is longer (a walk from
  // the root: for building tables, not for every position).
  bool HasLongerEntries(std::string_view kana) const;

  // The places of the pair answers; a table by the first two kana can share them.
  const PairColumns& Pairs() const { return pairs_; }

 private:
  using NodeId = std::uint32_t;
  static constexpr std::uint32_t kHashedRow = std::numeric_limits<std::uint32_t>::max();
  static constexpr std::uint32_t kEmptyRow = 0;
  // A step's row with this bit set is the node whose children are in the hashed edges only.
  static constexpr std::uint32_t kHashedNode = std::uint32_t{1} << 31;
  static constexpr std::uint32_t kNoSlot32 = std::numeric_limits<std::uint32_t>::max();
  static constexpr std::size_t kCodes = 256;
  static constexpr std::uint64_t kNoEdge = 0;  // no edge starts at node 0
  static std::uint64_t EdgeKey(NodeId node, std::uint8_t code) {
    return std::uint64_t{node} << 8 | code;
  }
  struct Node {
    std::size_t Slot = kNoSlot;  // the entry whose kana ends here, when the trie holds one
    std::uint32_t Depth = 0;
    std::uint32_t Row = kHashedRow;  // where its children are in rows_, if there (FillDenseTables)
    bool HasChildren = false;
  };
  struct Edge {
    std::uint64_t Key = 0;  // parent * 256 + code; 0 marks an empty place
    NodeId Child = 0;
  };
  // A node as a step of a walk sees it, in eight bytes so that the rows stay in the cache:
  // where its children are (a row, kEmptyRow for none, or kHashedNode | the node) and its
  // entry (kNoSlot32 for none; slots are below LayoutSearchSlots).
  struct Step {
    std::uint32_t Row = kEmptyRow;
    std::uint32_t Slot = kNoSlot32;
  };

  NodeId ChildOf(NodeId node, std::uint8_t code) const;
  Step StepOf(NodeId node) const;
  Step ChildStep(Step step, std::uint8_t code) const;
  NodeId AddChild(NodeId node, std::uint8_t code);
  std::size_t EdgePlace(NodeId node, std::uint8_t code) const;
  void GrowEdges();
  void FillDenseTables();
  std::size_t FindPastPair(Step step, std::string_view stream, std::size_t next) const;
  std::size_t FindLonger(Step step, std::string_view stream, std::size_t next,
                         std::uint32_t found) const;
  static std::size_t SlotOf(std::uint32_t slot) { return slot == kNoSlot32 ? kNoSlot : slot; }

  std::vector<Node> nodes_;  // [0] stands for no node, [1] is the root
  std::vector<Edge> edges_;  // every link of the trie; open addressing, a power of two in size
  std::size_t edgeCount_ = 0;
  std::size_t longestKana_ = 0;
  std::vector<std::size_t> singleAnswers_;  // by the last kana of a stream
  // What the first two kana decide, by pairs_: the first match among the entries of at most
  // two kana, and the step to the node that they lead to.
  PairColumns pairs_;
  std::vector<Step> pairAnswers_;
  // Rows of children by column: a row has a column for each code that some node with a row has
  // a child for, and column 0, which stays empty, for every other code. Row 0 is empty.
  std::array<std::uint16_t, kCodes> columns_{};
  std::size_t rowWidth_ = 1;
  std::vector<Step> rows_;
};

// The lookup of every position is defined here, so that the conversion's loop can inline it.
[[gnu::always_inline]] inline std::size_t KanaLookup::FindFirstMatch(std::string_view stream,
                                                                     std::size_t position) const {
  auto first = static_cast<std::uint8_t>(stream[position]);
  if (position + 1 == stream.size()) {
    return singleAnswers_[first];
  }
  const Step& answer =
      pairAnswers_[pairs_.Index(first, static_cast<std::uint8_t>(stream[position + 1]))];
  return longestKana_ <= 2 ? SlotOf(answer.Slot) : FindPastPair(answer, stream, position + 2);
}

// The third and fourth kana through the rows, without a branch: a node without children has
// the empty row, and a step past the end of the stream takes the empty row's first place.
[[gnu::always_inline]] inline std::size_t KanaLookup::FindPastPair(Step step,
                                                                   std::string_view stream,
                                                                   std::size_t next) const {
  std::size_t last = stream.size() - 1;
  std::uint32_t found = step.Slot;
  for (std::size_t end = next + 2; next < end; ++next) {
    if ((step.Row & kHashedNode) != 0) {
      return FindLonger(step, stream, next, found);
    }
    std::size_t place =
        step.Row * rowWidth_ + columns_[static_cast<std::uint8_t>(stream[std::min(next, last)])];
    step = rows_[Choose(next <= last, place, std::size_t{0})];
    found = std::min(found, step.Slot);
  }
  return step.Row == kEmptyRow ? SlotOf(found) : FindLonger(step, stream, next, found);
}

// Node 0 has no entry and no children, so a step that finds no child ends the walk at the same
// test as a step onto a leaf.
inline std::size_t KanaLookup::FindLonger(Step step, std::string_view stream, std::size_t next,
                                          std::uint32_t found) const {
  for (; next < stream.size() && step.Row != kEmptyRow; ++next) {
    step = ChildStep(step, static_cast<std::uint8_t>(stream[next]));
    found = std::min(found, step.Slot);
  }
  return SlotOf(found);
}

inline KanaLookup::Step KanaLookup::ChildStep(Step step, std::uint8_t code) const {
  if ((step.Row & kHashedNode) != 0) {
    return StepOf(edges_[EdgePlace(step.Row & ~kHashedNode, code)].Child);
  }
  return rows_[step.Row * rowWidth_ + columns_[code]];
}

inline KanaLookup::Step KanaLookup::StepOf(NodeId node) const {
  const Node& found = nodes_[node];
  return {found.Row == kHashedRow ? kHashedNode | node : found.Row,
          found.Slot == kNoSlot ? kNoSlot32 : static_cast<std::uint32_t>(found.Slot)};
}

// The place of the node's edge for code, or the empty place where it would go.
inline std::size_t KanaLookup::EdgePlace(NodeId node, std::uint8_t code) const {
  std::uint64_t key = EdgeKey(node, code);
  std::size_t mask = edges_.size() - 1;
  std::size_t place = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;
  while (edges_[place].Key != key && edges_[place].Key != kNoEdge) {
    place = (place + 1) & mask;
  }
  return place;
}

}  // namespace kananet
