// The first match of a layout's table at a position of the KanaStream, through a trie of the
// kana sequences that can win a first-match search (the plain scan is in tests/reference). The
// matcher decides nearly every match by its dense tables of the first four kana and goes on
// here only past them.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

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

// A trie over a LayoutTable that finds the first slot below LayoutSearchSlots, in table order,
// whose non-empty kana equals the stream's bytes from a position on (NoSlot when there is none),
// in a number of steps bounded by the length of the match, however many entries the table has.
// Its links are kept in one hashed table, so that a huge table costs memory by its entries.
class KanaLookup {
 public:
  using NodeId = std::uint32_t;
  static constexpr NodeId kNoNode = 0;

  explicit KanaLookup(const std::vector<LayoutEntry>& table);

  // The walk from the root.
  std::size_t FindFirstMatch(std::string_view stream, std::size_t position) const {
    return FindFrom(kRoot, kNoSlot, stream, position);
  }

  // The walk from node on, with the stream from next: found is the first match among the
  // entries that end on the way to node (kNoSlot for none).
  std::size_t FindFrom(NodeId node, std::size_t found, std::string_view stream,
                       std::size_t next) const;

  // The node that kana leads to from the root; kNoNode when no entry that can be a first match
  // begins with it.
  NodeId NodeOf(std::string_view kana) const;

  // Whether an entry that can be a first match begins with kana and is longer.
  bool HasLongerEntries(std::string_view kana) const;

  // The codes that begin an entry and those that follow a first kana in some entry.
  const PairColumns& Pairs() const { return pairs_; }

 private:
  static constexpr NodeId kRoot = 1;
  static constexpr std::uint32_t kNoSlot32 = std::numeric_limits<std::uint32_t>::max();
  static constexpr std::uint64_t kNoEdge = 0;  // no edge starts at node 0
  static std::uint64_t EdgeKey(NodeId node, std::uint8_t code) {
    return std::uint64_t{node} << 8 | code;
  }
  struct Node {
    std::size_t Slot = kNoSlot;  // the entry whose kana ends here, when the trie holds one
    std::uint32_t Depth = 0;
    bool HasChildren = false;
  };
  // A link with what a walk needs of its child, so that a step reads one place.
  struct Edge {
    std::uint64_t Key = kNoEdge;  // parent * 256 + code
    NodeId Child = kNoNode;
    std::uint32_t Slot = kNoSlot32;  // the child's entry (slots are below LayoutSearchSlots)
    bool ChildHasChildren = false;
  };
  NodeId ChildOf(NodeId node, std::uint8_t code) const {
    return edges_[EdgePlace(node, code)].Child;
  }
  NodeId AddChild(NodeId node, std::uint8_t code);
  std::size_t EdgePlace(NodeId node, std::uint8_t code) const;
  void GrowEdges();
  void FillPairs();

  std::vector<Node> nodes_;  // [0] stands for no node, [1] is the root
  std::vector<Edge> edges_;  // every link of the trie; open addressing, a power of two in size
  std::size_t edgeCount_ = 0;
  PairColumns pairs_;
};

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

inline std::size_t KanaLookup::FindFrom(NodeId node, std::size_t found, std::string_view stream,
                                        std::size_t next) const {
  for (bool more = node != kNoNode && nodes_[node].HasChildren; more && next < stream.size();
       ++next) {
    const Edge& edge = edges_[EdgePlace(node, static_cast<std::uint8_t>(stream[next]))];
    if (edge.Key == kNoEdge) {
      break;
    }
    if (edge.Slot != kNoSlot32) {
      found = std::min<std::size_t>(found, edge.Slot);
    }
    node = edge.Child;
    more = edge.ChildHasChildren;
  }
  return found;
}

}  // namespace kananet
