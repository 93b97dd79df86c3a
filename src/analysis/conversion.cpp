#include "analysis/conversion.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "analysis/branchless.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "platform/console.h"
#include "readers/sample_text.h"

namespace kananet {

KeyBytes KeyStream;

namespace {

bool MatchesAt(std::string_view kana, std::string_view stream, std::size_t position) {
  return !kana.empty() && kana.size() <= stream.size() - position &&
         stream.compare(position, kana.size(), kana) == 0;
}

std::size_t SearchableSlots(const std::vector<LayoutEntry>& table) {
  return table.size() < LayoutSearchSlots ? table.size() : LayoutSearchSlots;
}

}  // namespace

std::size_t FindFirstMatchByScan(const std::vector<LayoutEntry>& table, std::string_view stream,
                                 std::size_t position) {
  for (std::size_t slot = 0; slot < SearchableSlots(table); ++slot) {
    const std::string& kana = table[slot].Kana;
    if (!kana.empty() && kana.front() == stream[position] && MatchesAt(kana, stream, position)) {
      return slot;
    }
  }
  return NoSlot;
}

namespace {

constexpr std::uint32_t NoNode = 0;
constexpr std::uint32_t Root = 1;
constexpr std::size_t Codes = 256;
constexpr std::uint64_t NoEdge = 0;  // no edge starts at node 0
constexpr std::uint32_t EmptyRow = 0;

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
    NodeId node = Root;
    std::size_t depth = 0;
    for (; depth < kana.size() && nodes_[node].Slot == NoSlot; ++depth) {
      NodeId child = ChildOf(node, static_cast<std::uint8_t>(kana[depth]));
      if (child == NoNode) {
        break;
      }
      node = child;
    }
    if (kana.empty() || nodes_[node].Slot != NoSlot) {
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
  constexpr std::size_t MaxRows = 4096;
  rows_.assign(Codes, Step{});
  for (Node& node : nodes_) {
    if (!node.HasChildren) {
      node.Row = EmptyRow;
    } else if (node.Depth >= 2 && rows_.size() / Codes < MaxRows) {
      node.Row = static_cast<std::uint32_t>(rows_.size() / Codes);
      rows_.resize(rows_.size() + Codes);
    }
  }
  for (const Edge& edge : edges_) {
    std::uint32_t row = nodes_[edge.Key >> 8].Row;
    if (edge.Key != NoEdge && row != HashedRow) {
      rows_[row * Codes + (edge.Key & 0xFF)] = StepOf(edge.Child);
    }
  }

  singleAnswers_.assign(Codes, NoSlot);
  pairAnswers_.assign(Codes * Codes, PairAnswer{});
  for (std::size_t first = 0; first < Codes; ++first) {
    NodeId firstNode = ChildOf(Root, static_cast<std::uint8_t>(first));
    if (firstNode == NoNode) {
      continue;
    }
    std::size_t firstSlot = nodes_[firstNode].Slot;
    singleAnswers_[first] = firstSlot;
    for (std::size_t second = 0; second < Codes; ++second) {
      NodeId secondNode = nodes_[firstNode].HasChildren
                              ? ChildOf(firstNode, static_cast<std::uint8_t>(second))
                              : NoNode;
      pairAnswers_[first * Codes + second] = {std::min(firstSlot, nodes_[secondNode].Slot),
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
      pairAnswers_[first * Codes + static_cast<std::uint8_t>(stream[position + 1])];
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
    if (step.Row == HashedRow) {
      return FindLonger(step.Node, stream, next, found);
    }
    std::size_t place = step.Row * Codes + static_cast<std::uint8_t>(stream[std::min(next, last)]);
    step = rows_[Choose(next <= last, place, std::size_t{0})];
    found = std::min(found, step.Slot);
  }
  return step.Row == EmptyRow ? found : FindLonger(step.Node, stream, next, found);
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
  if (row == HashedRow) {
    return edges_[EdgePlace(node, code)].Child;
  }
  return rows_[row * Codes + code].Node;
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
  while (edges_[place].Key != key && edges_[place].Key != NoEdge) {
    place = (place + 1) & mask;
  }
  return place;
}

void KanaLookup::GrowEdges() {
  std::vector<Edge> old(edges_.size() * 2);
  old.swap(edges_);
  for (const Edge& edge : old) {
    if (edge.Key != NoEdge) {
      edges_[EdgePlace(static_cast<NodeId>(edge.Key >> 8), static_cast<std::uint8_t>(edge.Key))] =
          edge;
    }
  }
}

namespace {

// What the conversion adds to the KeyStream at a position: for a slot that a search can find,
// its keys, then a UnitEnd when counting by kana, then a RunBreak when the layout breaks after
// punctuation and the entry begins with 、 or 。; for a RunBreak of the KanaStream, that
// RunBreak. The pieces share one buffer, padded so that any piece can be read with a copy of
// a fixed width.
class KeyPieces {
 public:
  static constexpr std::size_t CopyWidth = 16;

  struct Piece {
    std::size_t Offset = 0;
    std::size_t Length = 0;
    std::size_t Advance = 0;  // KanaStream bytes that the piece stands for; 0 for none
  };

  KeyPieces(const std::vector<LayoutEntry>& table, bool countByKana, bool breakAfterPunctuation) {
    std::size_t slots = SearchableSlots(table);
    while (slots > 0 && table[slots - 1].Kana.empty()) {
      --slots;
    }
    pieces_.resize(slots + 2);
    for (std::size_t slot = 0; slot < slots; ++slot) {
      const std::string& kana = table[slot].Kana;
      if (kana.empty()) {
        continue;
      }
      auto first = static_cast<std::uint8_t>(kana.front());
      bool breaks = breakAfterPunctuation && (first == KanaComma || first == KanaFullStop);
      Add(slot, table[slot].Keys, countByKana, breaks, kana.size());
    }
    runBreak_ = slots;
    Add(runBreak_, "", false, true, 1);
    missing_ = slots + 1;
    bytes_.append(CopyWidth, '\0');
  }

  // The piece at a position of the KanaStream that holds code and whose first match is slot.
  std::size_t At(std::uint8_t code, std::size_t slot) const {
    if (slot == NoSlot) {
      slot = missing_;
    }
    return Choose(code == RunBreak, runBreak_, slot);
  }
  bool IsMissing(std::size_t piece) const { return piece == missing_; }
  const Piece& operator[](std::size_t piece) const { return pieces_[piece]; }
  const char* BytesOf(const Piece& piece) const { return bytes_.data() + piece.Offset; }

 private:
  void Add(std::size_t index, std::string_view keys, bool unitEnd, bool runBreak,
           std::size_t advance) {
    Piece& piece = pieces_[index];
    piece.Offset = bytes_.size();
    bytes_ += keys;
    if (unitEnd) {
      bytes_ += static_cast<char>(UnitEnd);
    }
    if (runBreak) {
      bytes_ += static_cast<char>(RunBreak);
    }
    piece.Length = bytes_.size() - piece.Offset;
    piece.Advance = advance;
  }

  std::vector<Piece> pieces_;
  std::string bytes_;
  std::size_t runBreak_ = 0;
  std::size_t missing_ = 0;
};

// Appends pieces through a pointer: the buffer keeps room for a fixed-width copy ahead of the
// pointer, so that appending a short piece is one copy of that width. The room grows by half of
// what is written (or by the piece, for a longer one) whenever it runs short, so it follows what
// the text needs, whatever the table holds; at the end the buffer takes the bytes written.
class KeyStreamWriter {
 public:
  KeyStreamWriter(KeyBytes& out, std::size_t expected) : out_(out) {
    std::size_t written = out_.Size();
    out_.Reserve(written + std::max(expected, KeyPieces::CopyWidth));
    next_ = out_.Data() + written;
  }
  ~KeyStreamWriter() { out_.SetWrittenSize(Written()); }

  void Append(const char* bytes, std::size_t length) {
    std::size_t needed = std::max(length, KeyPieces::CopyWidth);
    if (out_.Capacity() - Written() < needed) {
      std::size_t written = Written();
      out_.Reserve(out_.Capacity() + std::max(written / 2, needed));
      next_ = out_.Data() + written;
    }
    if (length <= KeyPieces::CopyWidth) {
      std::memcpy(next_, bytes, KeyPieces::CopyWidth);
    } else {
      std::memcpy(next_, bytes, length);
    }
    next_ += length;
  }

 private:
  std::size_t Written() const { return static_cast<std::size_t>(next_ - out_.Data()); }

  KeyBytes& out_;
  char* next_ = nullptr;
};

}  // namespace

std::size_t AppendKeyStream(std::string_view kanaStream, const std::vector<LayoutEntry>& table,
                            bool countByKana, bool breakAfterPunctuation, KeyBytes& keyStream) {
  const KanaLookup lookup(table);
  const KeyPieces pieces(table, countByKana, breakAfterPunctuation);
  // Room at first for two bytes of keys per kana, about what a layout of one or two keys per
  // kana needs; the writer grows it as the text needs more.
  KeyStreamWriter writer(keyStream, kanaStream.size() * 2);
  // Each block of positions is looked up whole before its matches are followed: the lookups
  // do not wait for each other, so the processor overlaps them, and only the step from one
  // match to the next waits for the match before.
  constexpr std::size_t BlockSize = 256;
  struct Match {
    std::size_t Piece;
    std::size_t Advance;
  };
  Match matches[BlockSize];
  std::size_t position = 0;
  for (std::size_t start = 0; start < kanaStream.size(); start += BlockSize) {
    std::size_t end = std::min(start + BlockSize, kanaStream.size());
    for (std::size_t p = std::max(start, position); p < end; ++p) {
      std::size_t piece =
          pieces.At(static_cast<std::uint8_t>(kanaStream[p]), lookup.FindFirstMatch(kanaStream, p));
      matches[p - start] = {piece, pieces[piece].Advance};
    }
    while (position < end) {
      const Match& match = matches[position - start];
      if (pieces.IsMissing(match.Piece)) {
        return position;
      }
      const KeyPieces::Piece& piece = pieces[match.Piece];
      writer.Append(pieces.BytesOf(piece), piece.Length);
      position += match.Advance;
    }
  }
  return NoSlot;
}

std::size_t AppendKeyStream(std::string_view kanaStream, const std::vector<LayoutEntry>& table,
                            bool countByKana, bool breakAfterPunctuation, std::string& keyStream) {
  KeyBytes converted;
  std::size_t missing =
      AppendKeyStream(kanaStream, table, countByKana, breakAfterPunctuation, converted);
  keyStream += converted.View();
  return missing;
}

std::string MissingDefinitionMessage(std::uint8_t kanaCode) {
  // "「" kana "」の定義が不足しているようです." in Shift_JIS, ending in an ASCII full stop.
  return "\x81\x75" + KanaText(kanaCode) +
         "\x81\x76\x82\xcc\x92\xe8\x8b\x60\x82\xaa\x95\x73\x91\xab\x82\xb5\x82\xc4\x82\xa2\x82\xe9"
         "\x82\xe6\x82\xa4\x82\xc5\x82\xb7.\n";
}

void ConvertKanaStream() {
  KeyStream.Clear();
  std::size_t missing = AppendKeyStream(KanaStream, LayoutTable, LayoutHeader.CountByKana != 0,
                                        LayoutHeader.BreakAfterPunctuation != 0, KeyStream);
  if (missing != NoSlot) {
    StopRun(MissingDefinitionMessage(static_cast<std::uint8_t>(KanaStream[missing])));
  }
}

}  // namespace kananet
