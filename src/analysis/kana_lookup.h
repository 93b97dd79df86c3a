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
    return nodes_[pairAnswers_[first * kCodes + second].Node].HasChildren;
  }

 private:
  using NodeId = std::uint32_t;
  static constexpr std::uint32_t kHashedRow = std::numeric_limits<std::uint32_t>::max();
  static constexpr std::uint32_t kEmptyRow = 0;
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
  // A node as a step of a walk sees it: where its children are and its entry, in one place.
  struct Step {
    NodeId Node = 0;
    std::uint32_t Row = 0;
    std::size_t Slot = kNoSlot;
  };
  // What the first two kana decide: the first match among the entries of at most two kana,
  // and the node that they lead to with its row.
  struct PairAnswer {
    std::size_t Slot = kNoSlot;
    NodeId Node = 0;
    std::uint32_t Row = 0;
  };

  NodeId ChildOf(NodeId node, std::uint8_t code) const;
  Step StepOf(NodeId node) const;
  NodeId AddChild(NodeId node, std::uint8_t code);
  std::size_t EdgePlace(NodeId node, std::uint8_t code) const;
  void GrowEdges();
  void FillDenseTables();
  std::size_t FindPastPair(const PairAnswer& answer, std::string_view stream,
                           std::size_t next) const;
  std::size_t FindLonger(NodeId node, std::string_view stream, std::size_t next,
                         std::size_t found) const;

  std::vector<Node> nodes_;  // [0] stands for no node, [1] is the root
  std::vector<Edge> edges_;  // every link of the trie; open addressing, a power of two in size
  std::size_t edgeCount_ = 0;
  std::size_t longestKana_ = 0;
  std::vector<std::size_t> singleAnswers_;  // by the last kana of a stream
  std::vector<PairAnswer> pairAnswers_;     // by the first kana * 256 + the second
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
  const PairAnswer& answer =
      pairAnswers_[first * kCodes + static_cast<std::uint8_t>(stream[position + 1])];
  return longestKana_ <= 2 ? answer.Slot : FindPastPair(answer, stream, position + 2);
}

// The third and fourth kana through the rows, without a branch: a node without children has
// the empty row, and a step past the end of the stream takes the empty row's first place.
[[gnu::always_inline]] inline std::size_t KanaLookup::FindPastPair(const PairAnswer& answer,
                                                                   std::string_view stream,
                                                                   std::size_t next) const {
  std::size_t last = stream.size() - 1;
  std::size_t found = answer.Slot;
  Step step{answer.Node, answer.Row, answer.Slot};
  for (std::size_t end = next + 2; next < end; ++next) {
    if (step.Row == kHashedRow) {
      return FindLonger(step.Node, stream, next, found);
    }
    std::size_t place =
        step.Row * rowWidth_ + columns_[static_cast<std::uint8_t>(stream[std::min(next, last)])];
    step = rows_[Choose(next <= last, place, std::size_t{0})];
    found = std::min(found, step.Slot);
  }
  return step.Row == kEmptyRow ? found : FindLonger(step.Node, stream, next, found);
}

// Node 0 has no entry and no children, so a step that finds no child ends the walk at the same
// test as a step onto a leaf.
inline std::size_t KanaLookup::FindLonger(NodeId node, std::string_view stream, std::size_t next,
                                          std::size_t found) const {
  for (; next < stream.size(); ++next) {
    node = ChildOf(node, static_cast<std::uint8_t>(stream[next]));
    found = std::min(found, nodes_[node].Slot);
    if (!nodes_[node].HasChildren) {
      break;
    }
  }
  return found;
}

inline KanaLookup::NodeId KanaLookup::ChildOf(NodeId node, std::uint8_t code) const {
  std::uint32_t row = nodes_[node].Row;
  if (row == kHashedRow) {
    return edges_[EdgePlace(node, code)].Child;
  }
  return rows_[row * rowWidth_ + columns_[code]].Node;
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
