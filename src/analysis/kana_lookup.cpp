#include "analysis/kana_lookup.h"

#include <algorithm>
#include <limits>
#include <new>

#include "analysis/branchless.h"

namespace kananet {

namespace {

constexpr std::uint32_t kNoNode = 0;
constexpr std::uint32_t kRoot = 1;

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
  std::size_t rows = 1;
  for (Node& node : nodes_) {
    if (!node.HasChildren) {
      node.Row = kEmptyRow;
    } else if (node.Depth >= 2 && rows < kMaxRows) {
      node.Row = static_cast<std::uint32_t>(rows++);
    }
  }
  // Only the codes that a row holds a child for get a column, so that rows stay short: a
  // layout's kana use far fewer than 256 codes.
  columns_.fill(0);
  rowWidth_ = 1;
  for (const Edge& edge : edges_) {
    std::uint32_t row = nodes_[edge.Key >> 8].Row;
    if (edge.Key != kNoEdge && row != kHashedRow && row != kEmptyRow &&
        columns_[edge.Key & 0xFF] == 0) {
      columns_[edge.Key & 0xFF] = static_cast<std::uint16_t>(rowWidth_++);
    }
  }
  rows_.assign(rows * rowWidth_, Step{});
  for (const Edge& edge : edges_) {
    std::uint32_t row = nodes_[edge.Key >> 8].Row;
    if (edge.Key != kNoEdge && row != kHashedRow) {
      rows_[row * rowWidth_ + columns_[edge.Key & 0xFF]] = StepOf(edge.Child);
    }
  }

  pairs_ = PairColumns{};
  for (const Edge& edge : edges_) {
    if (edge.Key == kNoEdge) {
      continue;
    }
    auto code = static_cast<std::uint8_t>(edge.Key & 0xFF);
    std::uint32_t parentDepth = nodes_[edge.Key >> 8].Depth;
    if (parentDepth == 0 && pairs_.First[code] == 0) {
      pairs_.First[code] = static_cast<std::uint16_t>(pairs_.FirstCount++);
    } else if (parentDepth == 1 && pairs_.Second[code] == 0) {
      pairs_.Second[code] = static_cast<std::uint16_t>(pairs_.SecondCount++);
    }
  }
  singleAnswers_.assign(kCodes, kNoSlot);
  pairAnswers_.assign(pairs_.Size(), Step{});
  for (std::size_t first = 0; first < kCodes; ++first) {
    NodeId firstNode = ChildOf(kRoot, static_cast<std::uint8_t>(first));
    if (firstNode == kNoNode) {
      continue;
    }
    std::uint32_t firstSlot = StepOf(firstNode).Slot;
    singleAnswers_[first] = nodes_[firstNode].Slot;
    for (std::size_t second = 0; second < kCodes; ++second) {
      NodeId secondNode = nodes_[firstNode].HasChildren
                              ? ChildOf(firstNode, static_cast<std::uint8_t>(second))
                              : kNoNode;
      Step answer = StepOf(secondNode);
      answer.Slot = std::min(answer.Slot, firstSlot);
      pairAnswers_[pairs_.Index(static_cast<std::uint8_t>(first),
                                static_cast<std::uint8_t>(second))] = answer;
    }
  }
}

bool KanaLookup::HasLongerEntries(std::string_view kana) const {
  NodeId node = kRoot;
  for (char code : kana) {
    node = ChildOf(node, static_cast<std::uint8_t>(code));
    if (node == kNoNode) {
      return false;
    }
  }
  return nodes_[node].HasChildren;
}

// Only the construction looks for children by node: the hashed edges hold every link.
KanaLookup::NodeId KanaLookup::ChildOf(NodeId node, std::uint8_t code) const {
  return edges_[EdgePlace(node, code)].Child;
}

KanaLookup::NodeId KanaLookup::AddChild(NodeId node, std::uint8_t code) {
  if (nodes_.size() >= kHashedNode) {
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
