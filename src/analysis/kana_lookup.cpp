#include "analysis/kana_lookup.h"

#include <algorithm>
#include <limits>
#include <new>

#include "analysis/branchless.h"

namespace kananet {

namespace {

constexpr std::uint32_t kNoNode = 0;
constexpr std::uint32_t kRoot = 1;
constexpr std::size_t kCodes = 256;
constexpr std::uint64_t kNoEdge = 0;  // no edge starts at node 0
constexpr std::uint32_t kEmptyRow = 0;

std::uint64_t EdgeKey(std::uint32_t node, std::uint8_t code) {
  return std::uint64_t{node} << 8 | code;
}

}  // namespace

// The first match at a position is the earliest entry among those whose kana the stream
// begins with, which are the entries on the trie path that the stream spells. Entries that
// can never be first are left out: one whose kana begins with (or equals) the kana of an
// earlier entry loses to that entry wherever it matches.
KanaLookup::KanaLookup(const std::vector<LayoutEntry>& table) : nodes_(2), edges_(256) {
  for (std::size_t slot = 0; slot < SearchableSlots(table); ++slot) {
    const std::string& kana = table[slot].Kana;
    NodeId node = kRoot;
    std::size_t depth = 0;
    for (; depth < kana.size() && nodes_[node].Slot == kNoSlot; ++depth) {
      NodeId child = ChildOf(node, static_cast<std::uint8_t>(kana[depth]));
      if (child == kNoNode) {
        break;
      }
      node = child;
    }
    if (kana.empty() || nodes_[node].Slot != kNoSlot) {
      continue;  // never matches, or an earlier entry always matches first
    }
    for (; depth < kana.size(); ++depth) {
      node = AddChild(node, static_cast<std::uint8_t>(kana[depth]));
    }
    nodes_[node].Slot = slot;
    longestKana_ = std::max(longestKana_, kana.size());
  }
  FillDenseTables();
}

// Rows of children for the nodes with children from the second level on, up to a limit that
// bounds the memory of a huge table (the nodes past it, and the root and the first level, which
// the pair answers cover, keep their children in the hashed edges only); then the answers for
// the first two kana.
void KanaLookup::FillDenseTables() {
  constexpr std::size_t kMaxRows = 4096;
  rows_.assign(kCodes, Step{});
  for (Node& node : nodes_) {
    if (!node.HasChildren) {
      node.Row = kEmptyRow;
    } else if (node.Depth >= 2 && rows_.size() / kCodes < kMaxRows) {
      node.Row = static_cast<std::uint32_t>(rows_.size() / kCodes);
      rows_.resize(rows_.size() + kCodes);
    }
  }
  for (const Edge& edge : edges_) {
    std::uint32_t row = nodes_[edge.Key >> 8].Row;
    if (edge.Key != kNoEdge && row != kHashedRow) {
      rows_[row * kCodes + (edge.Key & 0xFF)] = StepOf(edge.Child);
    }
  }

  singleAnswers_.assign(kCodes, kNoSlot);
  pairAnswers_.assign(kCodes * kCodes, PairAnswer{});
  for (std::size_t first = 0; first < kCodes; ++first) {
    NodeId firstNode = ChildOf(kRoot, static_cast<std::uint8_t>(first));
    if (firstNode == kNoNode) {
      continue;
    }
    std::size_t firstSlot = nodes_[firstNode].Slot;
    singleAnswers_[first] = firstSlot;
    for (std::size_t second = 0; second < kCodes; ++second) {
      NodeId secondNode = nodes_[firstNode].HasChildren
                              ? ChildOf(firstNode, static_cast<std::uint8_t>(second))
                              : kNoNode;
      pairAnswers_[first * kCodes + second] = {std::min(firstSlot, nodes_[secondNode].Slot),
                                               secondNode, nodes_[secondNode].Row};
    }
  }
}

KanaLookup::Step KanaLookup::StepOf(NodeId node) const {
  return {node, nodes_[node].Row, nodes_[node].Slot};
}

std::size_t KanaLookup::FindFirstMatch(std::string_view stream, std::size_t position) const {
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
std::size_t KanaLookup::FindPastPair(const PairAnswer& answer, std::string_view stream,
                                     std::size_t next) const {
  std::size_t last = stream.size() - 1;
  std::size_t found = answer.Slot;
  Step step{answer.Node, answer.Row, answer.Slot};
  for (std::size_t end = next + 2; next < end; ++next) {
    if (step.Row == kHashedRow) {
      return FindLonger(step.Node, stream, next, found);
    }
    std::size_t place = step.Row * kCodes + static_cast<std::uint8_t>(stream[std::min(next, last)]);
    step = rows_[Choose(next <= last, place, std::size_t{0})];
    found = std::min(found, step.Slot);
  }
  return step.Row == kEmptyRow ? found : FindLonger(step.Node, stream, next, found);
}

// Node 0 has no entry and no children, so a step that finds no child ends the walk at the same
// test as a step onto a leaf.
std::size_t KanaLookup::FindLonger(NodeId node, std::string_view stream, std::size_t next,
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

KanaLookup::NodeId KanaLookup::ChildOf(NodeId node, std::uint8_t code) const {
  std::uint32_t row = nodes_[node].Row;
  if (row == kHashedRow) {
    return edges_[EdgePlace(node, code)].Child;
  }
  return rows_[row * kCodes + code].Node;
}

KanaLookup::NodeId KanaLookup::AddChild(NodeId node, std::uint8_t code) {
  if (nodes_.size() > std::numeric_limits<NodeId>::max() - 1) {
    throw std::bad_alloc();
  }
  auto child = static_cast<NodeId>(nodes_.size());
  nodes_.emplace_back();
  nodes_[child].Depth = nodes_[node].Depth + 1;
  nodes_[node].HasChildren = true;
  edges_[EdgePlace(node, code)] = {EdgeKey(node, code), child};
  // A quarter full at most, so that a search nearly always ends at its first place.
  if (++edgeCount_ * 4 > edges_.size()) {
    GrowEdges();
  }
  return child;
}

// The place of the node's edge for code, or the empty place where it would go.
std::size_t KanaLookup::EdgePlace(NodeId node, std::uint8_t code) const {
  std::uint64_t key = EdgeKey(node, code);
  std::size_t mask = edges_.size() - 1;
  std::size_t place = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;
  while (edges_[place].Key != key && edges_[place].Key != kNoEdge) {
    place = (place + 1) & mask;
  }
  return place;
}

void KanaLookup::GrowEdges() {
  std::vector<Edge> old(edges_.size() * 2);
  old.swap(edges_);
  for (const Edge& edge : old) {
    if (edge.Key != kNoEdge) {
      edges_[EdgePlace(static_cast<NodeId>(edge.Key >> 8), static_cast<std::uint8_t>(edge.Key))] =
          edge;
    }
  }
}

}  // namespace kananet
