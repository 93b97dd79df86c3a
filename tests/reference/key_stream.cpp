#include "reference/key_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "analysis/entry_matcher.h"
#include "analysis/gap_rules.h"
#include "analysis/key_pieces.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"

namespace kananet {

namespace {

constexpr std::uint32_t kByteKinds = 8;  // room for the byte kinds, a power of two

// The 36 gap states as table offsets (state number * ByteKinds), with what each kind of byte
// turns them into and each hand's gap class in them, so that the counting loop follows a table
// instead of branching on bytes whose order no branch predictor can guess.
class GapAutomaton {
 public:
  static constexpr std::uint32_t kStates = 3 * 3 * 2 * 2;

  explicit GapAutomaton(GapState (*after)(GapState, ByteKind)) {
    for (std::uint32_t number = 0; number < kStates; ++number) {
      GapState state = StateOf(number);
      std::uint32_t offset = number * kByteKinds;
      for (ByteKind kind : {LeftStroke, RightStroke, EndOfUnit, BreakOfRun, NotCounted}) {
        next_[offset + kind] =
            static_cast<std::uint16_t>(NumberOf(after(state, kind)) * kByteKinds);
      }
      gap_[offset + kLeft] = static_cast<std::uint8_t>(state.Gap[kLeft]);
      gap_[offset + kRight] = static_cast<std::uint8_t>(state.Gap[kRight]);
    }
  }

  static constexpr std::uint32_t kStart = 0;
  std::uint32_t Next(std::uint32_t state, ByteKind kind) const { return next_[state + kind]; }
  std::uint32_t GapOf(std::uint32_t state, int hand) const { return gap_[state + hand]; }

 private:
  static std::uint32_t NumberOf(const GapState& state) { return state.Number(); }
  static GapState StateOf(std::uint32_t number) {
    GapState state;
    state.Struck[kRight] = number % 2 != 0;
    state.Struck[kLeft] = number / 2 % 2 != 0;
    state.Gap[kRight] = static_cast<int>(number / 4 % 3);
    state.Gap[kLeft] = static_cast<int>(number / 12);
    return state;
  }

  std::uint16_t next_[kStates * kByteKinds] = {};
  std::uint8_t gap_[kStates * kByteKinds] = {};
};

// A column that no key uses: what is counted there is dropped.
constexpr std::uint8_t kDroppedColumn = kKeySlots - 1;

// What a byte does besides the gap state: the hand and column of its pair counter, and how it
// changes each hand's previous key, as masks so that no branch is needed. A byte that is not a
// key counts in the dropped column.
struct ByteEffect {
  ByteKind Kind = NotCounted;
  std::uint8_t Hand = kLeft;
  std::uint8_t Column = kDroppedColumn;
  std::uint32_t FromLeft = ~0u;  // picks the previous key of the byte's hand
  std::uint32_t FromRight = 0;
  std::uint32_t KeepLeft = ~0u;  // previous key of the left hand = (it & KeepLeft) | SetLeft
  std::uint32_t SetLeft = 0;
  std::uint32_t KeepRight = ~0u;
  std::uint32_t SetRight = 0;
};

// A key is a left-hand key when it is at most leftHandLastKey, so key 0 always is.
std::array<ByteEffect, 256> ByteEffects(std::int32_t leftHandLastKey, bool unitEndCounts) {
  std::array<ByteEffect, 256> effects{};
  for (std::uint32_t byte = 0; byte < kKeyCount; ++byte) {
    ByteEffect& effect = effects[byte];
    bool right = static_cast<std::int32_t>(byte) > leftHandLastKey;
    effect.Kind = right ? RightStroke : LeftStroke;
    effect.Hand = right ? kRight : kLeft;
    effect.Column = static_cast<std::uint8_t>(byte);
    effect.FromLeft = right ? 0 : ~0u;
    effect.FromRight = right ? ~0u : 0;
    (right ? effect.KeepRight : effect.KeepLeft) = 0;
    (right ? effect.SetRight : effect.SetLeft) = byte;
  }
  ByteEffect& runBreak = effects[kRunBreak];
  runBreak.Kind = BreakOfRun;
  runBreak.KeepLeft = runBreak.KeepRight = 0;
  if (unitEndCounts) {
    effects[kUnitEnd].Kind = EndOfUnit;
  }
  return effects;
}

// One pass over the stream; every byte adds one to a counter, those that are not keys to the
// dropped column.
void Count(std::string_view keyCodes, const GapAutomaton& automaton,
           const std::array<ByteEffect, 256>& effects, KeyCountTable& strokeCounts,
           PairCountTable& pairTallies) {
  auto counts = std::make_unique<std::uint32_t[]>(kPairCells);
  std::uint32_t state = GapAutomaton::kStart;
  std::uint32_t previousLeft = 0;
  std::uint32_t previousRight = 0;
  for (char character : keyCodes) {
    const ByteEffect& effect = effects[static_cast<std::uint8_t>(character)];
    std::uint32_t previous = (previousLeft & effect.FromLeft) | (previousRight & effect.FromRight);
    ++counts[(automaton.GapOf(state, effect.Hand) * kKeySlots + previous) * kKeySlots +
             effect.Column];
    previousLeft = (previousLeft & effect.KeepLeft) | effect.SetLeft;
    previousRight = (previousRight & effect.KeepRight) | effect.SetRight;
    state = automaton.Next(state, effect.Kind);
  }

  FillCountTables(counts.get(), strokeCounts, pairTallies);
}

// Appends pieces through a pointer: the buffer keeps room for a fixed-width copy ahead of the
// pointer, so that appending a short piece is one copy of that width. The room grows by half of
// what is written (or by the piece, for a longer one) whenever it runs short, so it follows what
// the text needs, whatever the table holds; at the end the buffer takes the bytes written.
class KeyStreamWriter {
 public:
  KeyStreamWriter(KeyBytes& out, std::size_t expected) : out_(out) {
    std::size_t written = out_.Size();
    out_.Reserve(written + std::max(expected, KeyPieces::kCopyWidth));
    next_ = out_.Data() + written;
    end_ = out_.Data() + out_.Capacity();
  }
  ~KeyStreamWriter() { out_.SetWrittenSize(Written()); }

  void Append(const char* bytes, std::size_t length) {
    std::size_t needed = std::max(length, KeyPieces::kCopyWidth);
    if (static_cast<std::size_t>(end_ - next_) < needed) {
      Grow(needed);
    }
    if (length <= KeyPieces::kCopyWidth) {
      std::memcpy(next_, bytes, KeyPieces::kCopyWidth);
    } else {
      std::memcpy(next_, bytes, length);
    }
    next_ += length;
  }

 private:
  std::size_t Written() const { return static_cast<std::size_t>(next_ - out_.Data()); }

  // Rare, so kept out of the loop that appends.
  [[gnu::noinline]] void Grow(std::size_t needed) {
    std::size_t written = Written();
    out_.Reserve(out_.Capacity() + std::max(written / 2, needed));
    next_ = out_.Data() + written;
    end_ = out_.Data() + out_.Capacity();
  }

  KeyBytes& out_;
  char* next_ = nullptr;
  char* end_ = nullptr;
};

}  // namespace

std::size_t AppendKeyStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                            bool countByKana, bool breakAfterPunctuation, KeyBytes& keyCodes) {
  const EntryMatcher matcher(table);
  const KeyPieces pieces(table, countByKana, breakAfterPunctuation);
  // Room at first for two bytes of keys per kana, about what a layout of one or two keys per
  // kana needs; the writer grows it as the text needs more.
  KeyStreamWriter writer(keyCodes, kanaCodes.size() * 2);
  // In blocks only: the keys go out in the stream's order.
  return WalkMatches(matcher, kanaCodes, 0, kanaCodes.size(), false,
                     [&](std::size_t, std::size_t, EntryMatcher::Match match) {
                       const KeyPieces::Piece& piece = pieces[match.Piece];
                       writer.Append(pieces.BytesOf(piece), piece.Length);
                       return match.Advance;
                     });
}

std::size_t AppendKeyStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                            bool countByKana, bool breakAfterPunctuation, std::string& keyCodes) {
  KeyBytes converted;
  std::size_t missing =
      AppendKeyStream(kanaCodes, table, countByKana, breakAfterPunctuation, converted);
  keyCodes += converted.View();
  return missing;
}

void CountByStrokes(std::string_view keyCodes, std::int32_t leftHandLastKey,
                    KeyCountTable& strokeCounts, PairCountTable& pairTallies) {
  static const GapAutomaton automaton(AfterByStrokes);
  Count(keyCodes, automaton, ByteEffects(leftHandLastKey, false), strokeCounts, pairTallies);
}

void CountByKana(std::string_view keyCodes, std::int32_t leftHandLastKey,
                 KeyCountTable& strokeCounts, PairCountTable& pairTallies) {
  static const GapAutomaton automaton(AfterByKana);
  Count(keyCodes, automaton, ByteEffects(leftHandLastKey, true), strokeCounts, pairTallies);
}

}  // namespace kananet
