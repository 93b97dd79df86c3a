#include "analysis/kana_lookup.h"

#include <algorithm>
#include <new>

namespace kananet {

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
  }
  // What a walk reads of a child goes into its edge.
  for (Edge& edge : edges_) {
    if (edge.Key != kNoEdge) {
      const Node& child = nodes_[edge.Child];
      edge.Slot = child.Slot == kNoSlot ? kNoSlot32 : static_cast<std::uint32_t>(child.Slot);
      edge.ChildHasChildren = child.HasChildren;
    }
  }
  FillPairs();
}

void KanaLookup::FillPairs() {
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
}

KanaLookup::NodeId KanaLookup::NodeOf(std::string_view kana) const {
  NodeId node = kRoot;
  for (std::size_t i = 0; i < kana.size() && node != kNoNode; ++i) {
    node = nodes_[node].HasChildren ? ChildOf(node, static_cast<std::uint8_t>(kana[i])) : kNoNode;
  }
  return node;
}

bool KanaLookup::HasLongerEntries(std::string_view kana) const {
  NodeId node = NodeOf(kana);
  return node != kNoNode && nodes_[node].HasChildren;
}

KanaLookup::NodeId KanaLookup::AddChild(NodeId node, std::uint8_t code) {
  if (nodes_.size() >= std::numeric_limits<NodeId>::max()) {
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
