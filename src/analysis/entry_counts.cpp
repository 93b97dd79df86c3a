#include "analysis/entry_counts.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>

#include "analysis/entry_matcher.h"
#include "analysis/gap_rules.h"
#include "analysis/key_pieces.h"
#include "analysis/piece_counts.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "platform/parallel.h"

namespace kananet {

namespace {

constexpr std::uint8_t kNoState = 0xFF;

std::uint32_t PairCell(std::uint32_t gap, std::uint32_t previous, std::uint32_t key) {
  return (gap * kKeySlots + previous) * kKeySlots + key;
}

// The keys one hand presses in one action, numbered. A key alone is its own number, so a layout
// whose every action is one key (each file without keys pressed together) numbers them as keys;
// the hand parts of two or more keys take the numbers from kKeySlots on. The last number of
// Slots() is none: its counters are dropped.
class HandParts {
 public:
  std::size_t Slots() const { return kKeySlots + multiple_.size() + (multiple_.empty() ? 0 : 1); }
  std::uint32_t None() const { return static_cast<std::uint32_t>(Slots() - 1); }

  std::uint32_t Number(std::string_view keys) {
    if (keys.size() == 1) {
      return static_cast<std::uint8_t>(keys.front());
    }
    auto [found, isNew] = numbers_.try_emplace(std::string(keys), 0);
    if (isNew) {
      if (multiple_.size() == kMaxHandParts) {
        throw std::length_error("more sets of keys one hand presses together than can be counted");
      }
      found->second = static_cast<std::uint32_t>(kKeySlots + multiple_.size());
      multiple_.push_back(found->first);
    }
    return found->second;
  }

  std::string_view KeysOf(std::uint32_t number) const {
    if (number < kKeySlots) {
      return {kSingles.data() + number, 1};
    }
    return multiple_[number - kKeySlots];
  }

 private:
  static constexpr std::array<char, kKeySlots> kSingles = [] {
    std::array<char, kKeySlots> singles{};
    for (std::size_t key = 0; key < kKeySlots; ++key) {
      singles[key] = static_cast<char>(key);
    }
    return singles;
  }();

  std::map<std::string, std::uint32_t> numbers_;
  std::vector<std::string> multiple_;
};

// The KeyStream bytes of a piece as the tally takes them: actions, each with the number of each
// hand's part (or none), the ends of units (counting by kana) and the RunBreaks.
struct Step {
  ByteKind Kind = NotCounted;  // LeftStroke stands for an action of either hand or both
  std::uint32_t Part[2] = {0, 0};
};

// The tally's rules for one layout, and its pieces as steps.
class TallyRules {
 public:
  TallyRules(const KeyPieces& pieces, const LayoutHeaderValues& header)
      : leftHandLastKey_(header.LeftHandLastKey),
        byKana_(header.CountByKana != 0),
        chords_(header.Chords) {
    std::vector<std::vector<Step>> steps(pieces.Count());
    for (std::size_t piece = 0; piece < pieces.Count(); ++piece) {
      steps[piece] = StepsOf({pieces.BytesOf(pieces[piece]), pieces[piece].Length}, piece);
    }
    const std::uint32_t none = parts_.None();
    for (std::size_t piece = 0; piece < pieces.Count(); ++piece) {
      starts_.push_back(steps_.size());
      for (Step step : steps[piece]) {
        for (std::uint32_t& part : step.Part) {
          part = part == kNoPart ? none : part;
        }
        steps_.push_back(step);
      }
    }
    starts_.push_back(steps_.size());
  }

  std::int32_t LeftHandLastKey() const { return leftHandLastKey_; }
  bool ByKana() const { return byKana_; }
  const HandParts& Parts() const { return parts_; }
  const Step* Begin(std::size_t piece) const { return steps_.data() + starts_[piece]; }
  const Step* End(std::size_t piece) const { return steps_.data() + starts_[piece + 1]; }
  // How many actions a piece has, and how many of them are chords (two keys or more).
  std::uint64_t Actions(std::size_t piece) const { return actions_[piece]; }
  std::uint64_t Chords(std::size_t piece) const { return chordActions_[piece]; }

 private:
  static constexpr std::uint32_t kNoPart = static_cast<std::uint32_t>(-1);

  std::vector<Step> StepsOf(std::string_view bytes, std::size_t piece) {
    actions_.push_back(0);
    chordActions_.push_back(0);
    std::vector<Step> steps;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const auto byte = static_cast<std::uint8_t>(bytes[i]);
      const ByteKind kind = KindOfByte(byte, leftHandLastKey_, byKana_, chords_);
      if (kind == EndOfUnit || kind == BreakOfRun) {
        steps.push_back({kind, {kNoPart, kNoPart}});
      }
      if (kind != LeftStroke && kind != RightStroke) {
        continue;
      }
      std::string hands[2];
      hands[HandOfKey(byte, leftHandLastKey_)] += static_cast<char>(byte);
      for (; i + 2 < bytes.size() && IsJoinedKey(bytes[i + 1], bytes[i + 2]); i += 2) {
        const auto joined = static_cast<std::uint8_t>(bytes[i + 2]);
        hands[HandOfKey(joined, leftHandLastKey_)] += static_cast<char>(joined);
      }
      Step step{LeftStroke, {kNoPart, kNoPart}};
      for (int hand : {kLeft, kRight}) {
        if (!hands[hand].empty()) {
          std::sort(hands[hand].begin(), hands[hand].end(), [](char a, char b) {
            return static_cast<std::uint8_t>(a) < static_cast<std::uint8_t>(b);
          });
          step.Part[hand] = parts_.Number(hands[hand]);
        }
      }
      ++actions_[piece];
      chordActions_[piece] += hands[kLeft].size() + hands[kRight].size() > 1;
      steps.push_back(step);
    }
    return steps;
  }

  // A kKeyJoin followed by a key: that key belongs to the action of the key before.
  bool IsJoinedKey(char join, char key) const {
    const ByteKind kind =
        KindOfByte(static_cast<std::uint8_t>(key), leftHandLastKey_, byKana_, chords_);
    return KindOfByte(static_cast<std::uint8_t>(join), leftHandLastKey_, byKana_, chords_) ==
               Joins &&
           (kind == LeftStroke || kind == RightStroke);
  }

  std::int32_t leftHandLastKey_;
  bool byKana_;
  bool chords_;
  HandParts parts_;
  std::vector<Step> steps_;
  std::vector<std::size_t> starts_;  // by piece, then the end
  std::vector<std::uint64_t> actions_, chordActions_;
};

// What the tally does over the actions of one piece from a gap state. Every stroke adds one to
// the pair counter of its gap class, the key it pairs with in its hand's previous action and
// itself. Only the first action of each hand ahead of any RunBreak in the piece takes its hand's
// previous action from before the piece: its counters are open, known but for that action, and
// are kept as one counter of the previous part, the gap class and the hand's part. Every other
// counter is fixed by the piece and the state, and goes to addFixed.
struct PieceWalk {
  GapState End;
  std::uint32_t OpenGap[2] = {0, 0};
  std::uint32_t OpenPart[2] = {0, 0};  // none when the hand has no open counter
  std::int64_t Last[2] = {-1, -1};     // each hand's part after the piece; -1: the one before it
};

template <typename AddFixed>
PieceWalk Walk(std::size_t piece, GapState state, const TallyRules& rules, AddFixed&& addFixed) {
  const HandParts& parts = rules.Parts();
  PieceWalk walk;
  walk.OpenPart[kLeft] = walk.OpenPart[kRight] = parts.None();
  for (const Step* step = rules.Begin(piece); step != rules.End(piece); ++step) {
    if (step->Kind == BreakOfRun) {
      walk.Last[kLeft] = walk.Last[kRight] = 0;
      state = GapState{};
      continue;
    }
    if (step->Kind == EndOfUnit) {
      state = AfterByKana(state, EndOfUnit);
      continue;
    }
    bool struck[2] = {false, false};
    for (int hand : {kLeft, kRight}) {
      const std::uint32_t part = step->Part[hand];
      if (part == parts.None()) {
        continue;
      }
      struck[hand] = true;
      auto gap = static_cast<std::uint32_t>(state.Gap[hand]);
      if (walk.Last[hand] < 0) {
        walk.OpenGap[hand] = gap;
        walk.OpenPart[hand] = part;
      } else {
        const std::string_view previous = parts.KeysOf(static_cast<std::uint32_t>(walk.Last[hand]));
        for (const char key : parts.KeysOf(part)) {
          const auto stroke = static_cast<std::uint8_t>(key);
          addFixed(PairCell(gap, PairedKey(stroke, previous, rules.LeftHandLastKey()), stroke));
        }
      }
      walk.Last[hand] = part;
    }
    state = AfterAction(state, struck, rules.ByKana());
  }
  walk.End = state;
  return walk;
}

// One counting mode's counts of a part: the open counters, and how often each piece was matched
// in each state.
struct ModeCounts {
  std::vector<std::uint32_t> Open;
  std::vector<std::uint32_t> Uses;  // by state * pieces + piece
};

// The widths of the numbers in a piece's code: a part number with its gap class, and the place
// of a row of open counters. Narrow when every part is one key, wide when a hand presses keys
// together, so that the files without them are counted with the narrower code they always were.
struct NarrowParts {
  using GapPart = std::uint8_t;
  using Row = std::uint16_t;
};
struct WideParts {
  using GapPart = std::uint16_t;
  using Row = std::uint32_t;
};

// What a tally keeps while a walk counts with it: where its counters are, its gap state and
// each hand's previous part's row of the open counters.
template <typename Code>
struct TallyCursor {
  std::uint32_t* Open = nullptr;
  std::uint32_t* Uses = nullptr;
  const Code* Codes = nullptr;
  std::size_t PieceCount = 0;
  std::uint64_t State = 0;
  std::uint32_t Previous[2] = {0, 0};

  // After the piece's open counters: its uses in the state it starts in, then the state and the
  // previous parts after it.
  [[gnu::always_inline]] void Follow(const Code& code, std::uint32_t piece) {
    ++Uses[(State & code.StateMask) * PieceCount + piece];
    Previous[kLeft] = (Previous[kLeft] & code.Keep[kLeft]) | code.Set[kLeft];
    Previous[kRight] = (Previous[kRight] & code.Keep[kRight]) | code.Set[kRight];
    State = code.Next >> (4 * State) & 0xF;
  }
};

template <typename Width>
class PairedTally;

// The tally of one layout in one counting mode as one step per matched entry. At the start of a
// piece the tally's state is its gap state and each hand's previous part. Few gap states occur
// there: by strokes only the two counters change, and by kana every piece ends its unit (or its
// run), which clears both hands' marks, so there are at most 9. What a piece does to the state
// is therefore a small table: the state after it, which fits in a register, and the places of
// its open counters, for each state it may start in; how it changes the previous parts does not
// depend on the state. Counting is then three counters per matched entry, the two open ones
// and the piece's uses in its state, and the state follows by shifts alone, with no load from
// memory on the path from one entry to the next. The fixed counters follow from the uses at
// the end, and the open ones from their previous part's keys paired with their part's.
template <typename Width>
class ModeTally {
  friend class PairedTally<Width>;

 private:
  using GapPart = typename Width::GapPart;
  using Row = typename Width::Row;

  // What a piece does, by the state it starts in.
  static constexpr std::size_t kMaxStates = 16;  // 4 bits of Next each
  struct PieceCode {
    std::uint64_t Next = 0;  // the state after it: 4 bits per state
    // Each hand's open counter: its gap class * Slots() + its part, by state.
    GapPart GapParts[2][kMaxStates] = {};
    // 0 when the piece's fixed counters are the same whatever state it starts in (always so
    // by strokes, where a hand's second action in a piece has its gap from the piece alone):
    // its uses are then counted as if in the start state, so that they stay in few places.
    std::uint8_t StateMask = 0;
    // Each hand's previous part's row after the piece: (the row before & Keep) | Set.
    Row Keep[2] = {};
    Row Set[2] = {};
  };

 public:
  ModeTally(const std::vector<LayoutEntry>& table, const LayoutHeaderValues& header)
      : pieces_(table, header.CountByKana != 0, header.BreakAfterPunctuation != 0),
        rules_(pieces_, header),
        slots_(rules_.Parts().Slots()) {
    if (std::is_same_v<Width, NarrowParts> && slots_ != kKeySlots) {
      throw std::logic_error("keys pressed together by one hand counted with narrow numbers");
    }
    std::array<std::uint8_t, 36> index;
    index.fill(kNoState);
    states_.push_back(GapState{});
    index[0] = 0;
    auto ignore = [](std::uint32_t) {};
    for (std::size_t state = 0; state < states_.size(); ++state) {
      for (std::size_t piece = 0; piece < pieces_.Count(); ++piece) {
        GapState end = Walk(piece, states_[state], rules_, ignore).End;
        if (index[end.Number()] == kNoState) {
          if (states_.size() == kMaxStates) {
            throw std::logic_error("more gap states between entries than the count provides for");
          }
          index[end.Number()] = static_cast<std::uint8_t>(states_.size());
          states_.push_back(end);
        }
      }
    }
    codes_.resize(pieces_.Count());
    for (std::size_t piece = 0; piece < pieces_.Count(); ++piece) {
      PieceCode& code = codes_[piece];
      std::vector<std::uint32_t> fixedFromStart;
      Walk(piece, states_[0], rules_, [&](std::uint32_t cell) { fixedFromStart.push_back(cell); });
      for (std::size_t state = 0; state < states_.size(); ++state) {
        std::vector<std::uint32_t> fixed;
        PieceWalk walk =
            Walk(piece, states_[state], rules_, [&](std::uint32_t cell) { fixed.push_back(cell); });
        if (fixed != fixedFromStart) {
          code.StateMask = 0xF;
        }
        code.Next |= std::uint64_t{index[walk.End.Number()]} << (4 * state);
        for (int hand : {kLeft, kRight}) {
          code.GapParts[hand][state] =
              static_cast<GapPart>(walk.OpenGap[hand] * slots_ + walk.OpenPart[hand]);
          if (state == 0 && walk.Last[hand] < 0) {
            code.Keep[hand] = static_cast<Row>(~Row{0});
          } else if (state == 0) {
            code.Set[hand] = static_cast<Row>(walk.Last[hand] * OpenRow());
          }
        }
      }
    }
  }

  ModeCounts Empty() const {
    return {std::vector<std::uint32_t>(slots_ * OpenRow()),
            std::vector<std::uint32_t>(codes_.size() * states_.size())};
  }

  // The counting of one matched entry: its two open counters and its uses in the state it
  // starts in; then the state and the previous parts after it.
  struct Tally : TallyCursor<PieceCode> {
    [[gnu::always_inline]] void Add(std::uint32_t piece) {
      const PieceCode& code = this->Codes[piece];
      ++this->Open[this->Previous[kLeft] + code.GapParts[kLeft][this->State]];
      ++this->Open[this->Previous[kRight] + code.GapParts[kRight][this->State]];
      this->Follow(code, piece);
    }
  };

  // A tally that starts a run, into counts.
  Tally Into(ModeCounts& counts) const {
    return {{counts.Open.data(), counts.Uses.data(), codes_.data(), codes_.size()}};
  }

  // Whether every piece counts its uses as if in the start state (always so by strokes), so that
  // they are the number of its matches, which another tally over the same matches knows.
  bool UsesByPieceAlone() const {
    return std::all_of(codes_.begin(), codes_.end(),
                       [](const PieceCode& code) { return code.StateMask == 0; });
  }

  // Each piece's matches from counts of this tally: its uses summed over the states, exact as
  // long as no counter can wrap (CountBound).
  std::vector<std::uint64_t> MatchesOf(const ModeCounts& counts) const {
    std::vector<std::uint64_t> matches(codes_.size());
    for (std::size_t state = 0; state < states_.size(); ++state) {
      for (std::size_t piece = 0; piece < codes_.size(); ++piece) {
        matches[piece] += counts.Uses[state * codes_.size() + piece];
      }
    }
    return matches;
  }

  // The uses of a tally whose uses were not counted (UsesByPieceAlone), from each piece's matches.
  void SetUses(const std::vector<std::uint64_t>& matches, ModeCounts& counts) const {
    for (std::size_t piece = 0; piece < codes_.size(); ++piece) {
      counts.Uses[piece] = static_cast<std::uint32_t>(matches[piece]);
    }
  }

  // The tables from the parts' counts summed (32-bit sums wrap, so their order does not
  // matter): the open counters, each for the keys of its part paired with its previous part's,
  // plus each piece's fixed counters as often as it was used; and the actions and chords.
  void Finish(const ModeCounts& total, LayoutCounts& counts) const {
    std::vector<std::uint32_t> cells(kPairCells);
    const HandParts& parts = rules_.Parts();
    for (std::uint32_t previous = 0; previous < parts.None(); ++previous) {
      for (std::uint32_t gap = 0; gap < kGapPlanes; ++gap) {
        const std::uint32_t* row = &total.Open[previous * OpenRow() + gap * slots_];
        for (std::uint32_t part = 0; part < parts.None(); ++part) {
          if (row[part] == 0) {
            continue;
          }
          for (const char key : parts.KeysOf(part)) {
            const auto stroke = static_cast<std::uint8_t>(key);
            cells[PairCell(gap, PairedKey(stroke, parts.KeysOf(previous), rules_.LeftHandLastKey()),
                           stroke)] += row[part];
          }
        }
      }
    }
    counts.Actions = counts.Chords = 0;
    for (std::size_t piece = 0; piece < codes_.size(); ++piece) {
      for (std::size_t state = 0; state < states_.size(); ++state) {
        std::uint32_t uses = total.Uses[state * codes_.size() + piece];
        if (uses != 0) {
          Walk(piece, states_[state], rules_, [&](std::uint32_t cell) { cells[cell] += uses; });
          counts.Actions += uses * rules_.Actions(piece);
          counts.Chords += uses * rules_.Chords(piece);
        }
      }
    }
    FillCountTables(cells.data(), counts.Keys, counts.Pairs);
  }

 private:
  // The open counters are kept by the hand's previous part first, then gap class and part, so
  // that a counter's place is the previous part's row plus a number that the piece and the
  // state fix.
  std::size_t OpenRow() const { return kGapPlanes * slots_; }

  KeyPieces pieces_;
  TallyRules rules_;
  std::size_t slots_;
  std::vector<GapState> states_;  // [0] is the zero state, a run's start
  std::vector<PieceCode> codes_;  // by piece
};

void AddUp(ModeCounts& total, const ModeCounts& part) {
  for (std::size_t i = 0; i < total.Open.size(); ++i) {
    total.Open[i] += part.Open[i];
  }
  for (std::size_t i = 0; i < total.Uses.size(); ++i) {
    total.Uses[i] += part.Uses[i];
  }
}

// What a part's walk does: count the layout; cover the text (the uses of the pieces and the
// kana without definition) alone; or cover it and count the layout, by strokes too when it
// counts by kana, and the follows of its entries.
enum class PartWork { kCount, kCover, kCoverAndCount };

// A part's counts: the layout's own mode's (paired with those by strokes when covering and
// counting a layout that counts by kana), where a kana without definition stops the count, and,
// when covering, the kana without definition, the follows of the entries and, when not counting
// (the tally's uses hold them then), the uses by piece, whatever the state.
struct PartCounts {
  ModeCounts Own;
  std::size_t Missing = kNoSlot;
  std::vector<std::uint64_t> PieceUses;
  std::array<UndefinedKana, 256> Undefined{};
  FollowTally Follows;
};

LayoutHeaderValues ByStrokes(LayoutHeaderValues header) {
  header.CountByKana = 0;
  return header;
}

// A layout that counts by kana, counted by strokes too in the same walk. Both modes see the
// same actions, so each hand's previous part and each piece's open parts are the same in both,
// and only the gap classes differ: the open counters of both are kept as one, by the previous
// part, the gap class in each mode and the part, and one counter per hand and match counts both.
// The uses by strokes are each piece's matches (a piece's counters by strokes do not depend on
// the state it starts in), which the uses by kana give. So a match costs the tally by kana's
// three counters, and by strokes only its gap state.
template <typename Width>
class PairedTally {
  using Row = typename Width::Row;
  static constexpr std::size_t kMaxStates = ModeTally<Width>::kMaxStates;
  static constexpr std::size_t kClasses = kGapClasses;  // the gap classes of one mode

  // What a piece does, by the state of each mode it starts in: the open counter of each hand is
  // at its previous part's row + ByKana[hand][state by kana] + ByStrokes[hand][state by strokes].
  struct PieceCode {
    std::uint64_t Next = 0;  // the state by kana after it: 4 bits per state
    std::uint64_t NextByStrokes = 0;
    std::uint16_t ByKana[2][kMaxStates] = {};     // its gap class by kana * kClasses * Slots + part
    std::uint16_t ByStrokes[2][kMaxStates] = {};  // its gap class by strokes * Slots
    std::uint8_t StateMask = 0;                   // as the tally by kana's
    Row Keep[2] = {};
    Row Set[2] = {};
  };

 public:
  PairedTally(const std::vector<LayoutEntry>& table, const LayoutHeaderValues& header)
      : byKana_(table, header), byStrokes_(table, ByStrokes(header)), slots_(byKana_.slots_) {
    bool paired = byStrokes_.slots_ == slots_ && byStrokes_.UsesByPieceAlone();
    codes_.resize(byKana_.codes_.size());
    for (std::size_t piece = 0; piece < codes_.size(); ++piece) {
      const auto& kana = byKana_.codes_[piece];
      const auto& strokes = byStrokes_.codes_[piece];
      PieceCode& code = codes_[piece];
      code.Next = kana.Next;
      code.NextByStrokes = strokes.Next;
      code.StateMask = kana.StateMask;
      for (int hand : {kLeft, kRight}) {
        const std::size_t part = kana.GapParts[hand][0] % slots_;
        for (std::size_t state = 0; state < byKana_.states_.size(); ++state) {
          code.ByKana[hand][state] = static_cast<std::uint16_t>(
              kana.GapParts[hand][state] / slots_ * kClasses * slots_ + part);
          paired = paired && kana.GapParts[hand][state] % slots_ == part;
        }
        for (std::size_t state = 0; state < byStrokes_.states_.size(); ++state) {
          code.ByStrokes[hand][state] =
              static_cast<std::uint16_t>(strokes.GapParts[hand][state] / slots_ * slots_);
          paired = paired && strokes.GapParts[hand][state] % slots_ == part;
        }
        code.Keep[hand] = kana.Keep[hand];
        code.Set[hand] = static_cast<Row>(kana.Set[hand] / byKana_.OpenRow() * OpenRow());
      }
    }
    if (!paired) {
      throw std::logic_error("the counts by kana and by strokes do not pair");
    }
  }

  ModeCounts Empty() const {
    return {std::vector<std::uint32_t>(slots_ * OpenRow()), byKana_.Empty().Uses};
  }

  struct Tally : TallyCursor<PieceCode> {
    std::uint64_t StateByStrokes = 0;

    [[gnu::always_inline]] void Add(std::uint32_t piece) {
      const PieceCode& code = this->Codes[piece];
      for (int hand : {kLeft, kRight}) {
        ++this->Open[this->Previous[hand] + code.ByKana[hand][this->State] +
                     code.ByStrokes[hand][StateByStrokes]];
      }
      StateByStrokes = code.NextByStrokes >> (4 * StateByStrokes) & 0xF;
      this->Follow(code, piece);
    }
  };

  Tally Into(ModeCounts& counts) const {
    return {{counts.Open.data(), counts.Uses.data(), codes_.data(), codes_.size()}};
  }

  const ModeTally<Width>& ByKana() const { return byKana_; }

  // The counts by kana and by strokes from the parts' counts summed: the open counters of each
  // mode are those of both summed over the other mode's gap classes.
  void Finish(const ModeCounts& total, LayoutCounts& byKana, LayoutCounts& byStrokes) const {
    ModeCounts kana{std::vector<std::uint32_t>(slots_ * byKana_.OpenRow()), total.Uses};
    ModeCounts strokes = byStrokes_.Empty();
    for (std::size_t previous = 0; previous < slots_; ++previous) {
      for (std::size_t kanaGap = 0; kanaGap < kClasses; ++kanaGap) {
        for (std::size_t strokesGap = 0; strokesGap < kClasses; ++strokesGap) {
          const std::uint32_t* row =
              &total.Open[previous * OpenRow() + (kanaGap * kClasses + strokesGap) * slots_];
          std::uint32_t* kanaRow = &kana.Open[previous * byKana_.OpenRow() + kanaGap * slots_];
          std::uint32_t* strokesRow =
              &strokes.Open[previous * byStrokes_.OpenRow() + strokesGap * slots_];
          for (std::size_t part = 0; part < slots_; ++part) {
            kanaRow[part] += row[part];
            strokesRow[part] += row[part];
          }
        }
      }
    }
    byStrokes_.SetUses(byKana_.MatchesOf(total), strokes);
    byKana_.Finish(kana, byKana);
    byStrokes_.Finish(strokes, byStrokes);
  }

 private:
  // A row of open counters: kClasses * kClasses gap planes of the parts.
  std::size_t OpenRow() const { return kClasses * kClasses * slots_; }

  ModeTally<Width> byKana_;
  ModeTally<Width> byStrokes_;
  std::size_t slots_;
  std::vector<PieceCode> codes_;  // by piece
};

// The conversion and the tally of one layout, one matched entry at a time: the matcher's walk
// with what each part's work does per match.
template <typename Width>
class EntryCounter {
  using Tally = typename ModeTally<Width>::Tally;
  using PairedCount = typename PairedTally<Width>::Tally;

 public:
  EntryCounter(const std::vector<LayoutEntry>& table, const LayoutHeaderValues& header,
               PartWork work)
      : matcher_(table), work_(work) {
    if (work == PartWork::kCoverAndCount) {
      follows_ = FollowTally(table, matcher_.RunBreakPiece(), header.BreakAfterPunctuation != 0);
    }
    if (work == PartWork::kCoverAndCount && header.CountByKana != 0) {
      paired_.emplace(table, header);
    } else if (work != PartWork::kCover) {
      own_.emplace(table, header);
    }
  }

  PartCounts EmptyPart() const {
    PartCounts part;
    if (own_) {
      part.Own = own_->Empty();
    }
    if (paired_) {
      part.Own = paired_->Empty();
    }
    if (work_ == PartWork::kCover) {
      part.PieceUses.resize(matcher_.PieceCount());
    }
    part.Follows = follows_;
    return part;
  }

  std::size_t MatchingSlots() const { return matcher_.RunBreakPiece(); }
  // The tally of the layout's own mode, and the one paired with it by strokes, or null.
  const ModeTally<Width>& Own() const { return paired_ ? paired_->ByKana() : *own_; }
  const PairedTally<Width>* Paired() const { return paired_ ? &*paired_ : nullptr; }

  // Where parts may begin: at RunBreaks of the KanaStream, about evenly apart, at most jobs
  // parts and each at least minBytes long. A RunBreak in an entry's kana would let a match
  // span one, so such a table keeps the stream whole. Returns each part's start, then the end.
  std::vector<std::size_t> PartBounds(std::string_view kanaCodes, unsigned jobs,
                                      std::size_t minBytes) const {
    std::size_t parts =
        std::min<std::size_t>(jobs, kanaCodes.size() / std::max<std::size_t>(minBytes, 1));
    std::vector<std::size_t> bounds(std::max<std::size_t>(parts, 1) + 1);
    bounds.resize(CutAtRunBreaks(kanaCodes, 0, kanaCodes.size(),
                                 matcher_.SplitsAtRunBreaks() ? parts : 1, bounds.data()) +
                  1);
    return bounds;
  }

  // The part's work on the positions from begin, the start of a run, up to end.
  void DoPart(std::string_view kanaCodes, std::size_t begin, std::size_t end,
              PartCounts& part) const {
    if (work_ == PartWork::kCount) {
      part.Missing = CountPart(kanaCodes, begin, end, part);
    } else if (work_ == PartWork::kCover) {
      CoverPart<false, false, false>(kanaCodes, begin, end, part);
    } else if (paired_) {
      part.Follows.Dense() ? CoverPart<true, true, true>(kanaCodes, begin, end, part)
                           : CoverPart<true, true, false>(kanaCodes, begin, end, part);
    } else {
      part.Follows.Dense() ? CoverPart<true, false, true>(kanaCodes, begin, end, part)
                           : CoverPart<true, false, false>(kanaCodes, begin, end, part);
    }
  }

 private:
  // Counts the positions from begin up to end into part; returns kNoSlot, or the first position
  // whose kana has no definition. Each lane of the walk counts with a tally of its own into the
  // same counters; lane 0 goes on with the tally of the blocks.
  std::size_t CountPart(std::string_view kanaCodes, std::size_t begin, std::size_t end,
                        PartCounts& part) const {
    Tally tallies[kLanes];
    for (Tally& tally : tallies) {
      tally = own_->Into(part.Own);
    }
    // A kana without definition is tallied too, harmlessly: its advance of 0 ends the walk, and
    // the tables are then not used.
    return WalkMatches(
        matcher_, kanaCodes, begin, end, true,
        [&](std::size_t lane, std::size_t, EntryMatcher::Match match)
            __attribute__((always_inline)) {
              tallies[lane].Add(match.Piece);
              return std::size_t{match.Advance};
            });
  }

  // Covers the positions as CountPart counts them, except that each kana without definition is
  // recorded and passed over; the counts are then of no use, but the uses of the pieces are.
  // With kCount the walk counts the layout and the follows of its entries too, whose uses are
  // then the pieces' uses, and with kPaired counts it by kana and by strokes together. With
  // kDense the follows are counted in lanes of the walk's own (not so for a table of many
  // entries, whose follows go to a flat table).
  template <bool kCount, bool kPaired, bool kDense>
  void CoverPart(std::string_view kanaCodes, std::size_t begin, std::size_t end,
                 PartCounts& part) const {
    std::conditional_t<kPaired, PairedCount, Tally> own[kLanes];
    FollowTally::DenseLane follows[kLanes];
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
      if constexpr (kPaired) {
        own[lane] = paired_->Into(part.Own);
      } else if constexpr (kCount) {
        own[lane] = own_->Into(part.Own);
      }
      if constexpr (kDense) {
        follows[lane] = part.Follows.LaneOfRun();
      }
    }
    // Kept here, as the counters written in the walk could be anything to the compiler.
    const std::size_t missing = matcher_.MissingPiece();
    WalkMatches(
        matcher_, kanaCodes, begin, end, true,
        [&](std::size_t lane, std::size_t position,
            EntryMatcher::Match match) __attribute__((always_inline)) {
          if constexpr (kDense) {
            follows[lane].Add(match.Piece);
          } else if constexpr (kCount) {
            part.Follows.Add(lane, match.Piece);
          } else {
            ++part.PieceUses[match.Piece];
          }
          if (match.Piece != missing) {
            if constexpr (kCount) {
              own[lane].Add(match.Piece);
            }
            return std::size_t{match.Advance};
          }
          UndefinedKana& undefined = part.Undefined[static_cast<std::uint8_t>(kanaCodes[position])];
          if (undefined.Count++ == 0 || position < undefined.First) {
            undefined.First = position;  // lanes go side by side: keep the earliest
          }
          return std::size_t{1};
        });
  }

  EntryMatcher matcher_;
  // The layout's own mode, unless only covering the text or counting it paired.
  std::optional<ModeTally<Width>> own_;
  PartWork work_;
  std::optional<PairedTally<Width>> paired_;  // by kana and by strokes, covering and counting
  FollowTally follows_;
};

// The parts of kanaCodes counted (or covered) on up to jobs threads, then summed into the first.
template <typename Width>
std::vector<PartCounts> CountParts(const EntryCounter<Width>& counter, std::string_view kanaCodes,
                                   unsigned jobs, std::size_t minBytesPerThread) {
  const std::vector<std::size_t> bounds = counter.PartBounds(kanaCodes, jobs, minBytesPerThread);
  // Everything the threads write is made here, so a thread neither allocates nor throws.
  std::vector<PartCounts> parts(bounds.size() - 1, counter.EmptyPart());
  RunParts(parts.size(), [&](std::size_t part) {
    counter.DoPart(kanaCodes, bounds[part], bounds[part + 1], parts[part]);
  });
  PartCounts& total = parts[0];
  for (std::size_t part = 1; part < parts.size(); ++part) {
    AddUp(total.Own, parts[part].Own);
    for (std::size_t i = 0; i < total.PieceUses.size(); ++i) {
      total.PieceUses[i] += parts[part].PieceUses[i];
    }
    for (std::size_t code = 0; code < total.Undefined.size(); ++code) {
      const UndefinedKana& more = parts[part].Undefined[code];
      UndefinedKana& undefined = total.Undefined[code];
      if (more.Count != 0 && (undefined.Count == 0 || more.First < undefined.First)) {
        undefined.First = more.First;
      }
      undefined.Count += more.Count;
    }
    total.Follows.AddUp(parts[part].Follows);
  }
  return parts;
}

// Whether a hand presses two keys or more together in an action of the table, so that the
// tally numbers the hands' parts beyond the keys.
bool HandPressesKeysTogether(const std::vector<LayoutEntry>& table,
                             const LayoutHeaderValues& header) {
  if (!header.Chords) {
    return false;
  }
  for (const LayoutEntry& entry : table) {
    const std::string& keys = entry.Keys;
    bool hands[2] = {false, false};
    for (std::size_t i = 0; i < keys.size(); ++i) {
      const auto key = static_cast<std::uint8_t>(keys[i]);
      if (key == kKeyJoin) {
        continue;
      }
      if (i == 0 || static_cast<std::uint8_t>(keys[i - 1]) != kKeyJoin) {
        hands[kLeft] = hands[kRight] = false;
      }
      bool& pressed = hands[HandOfKey(key, header.LeftHandLastKey)];
      if (pressed) {
        return true;
      }
      pressed = true;
    }
  }
  return false;
}

template <typename Width>
std::size_t CountWith(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                      const LayoutHeaderValues& header, unsigned jobs, LayoutCounts& counts,
                      std::size_t minBytesPerThread) {
  const EntryCounter<Width> counter(table, header, PartWork::kCount);
  std::vector<PartCounts> parts = CountParts(counter, kanaCodes, jobs, minBytesPerThread);
  for (const PartCounts& part : parts) {
    if (part.Missing != kNoSlot) {
      return part.Missing;
    }
  }
  counter.Own().Finish(parts[0].Own, counts);
  return kNoSlot;
}

template <typename Width>
LayoutCoverage CoverWith(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                         const LayoutHeaderValues& header, bool counts, unsigned jobs,
                         std::size_t minBytesPerThread) {
  const EntryCounter<Width> counter(table, header,
                                    counts ? PartWork::kCoverAndCount : PartWork::kCover);
  std::vector<PartCounts> parts = CountParts(counter, kanaCodes, jobs, minBytesPerThread);
  LayoutCoverage coverage;
  coverage.Undefined = parts[0].Undefined;
  // Counting, the own tally's uses are the matches of the pieces, but of the kana without
  // definition, which are not kept.
  std::vector<std::uint64_t> uses =
      counts ? counter.Own().MatchesOf(parts[0].Own) : std::move(parts[0].PieceUses);
  coverage.Counted = counts && !coverage.HasUndefined();
  if (coverage.Counted) {
    if (counter.Paired() != nullptr) {
      auto strokes = std::make_unique<LayoutCounts>();
      counter.Paired()->Finish(parts[0].Own, coverage.Counts, *strokes);
      coverage.ByStrokes = strokes->Pairs;
    } else {
      counter.Own().Finish(parts[0].Own, coverage.Counts);
      coverage.ByStrokes = coverage.Counts.Pairs;
    }
    coverage.Pieces.Follows = parts[0].Follows.Follows();
  }
  uses.resize(counter.MatchingSlots());
  coverage.Pieces.Uses = std::move(uses);
  return coverage;
}

}  // namespace

std::size_t CountKanaStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                            const LayoutHeaderValues& header, unsigned jobs, LayoutCounts& counts,
                            std::size_t minBytesPerThread) {
  return HandPressesKeysTogether(table, header)
             ? CountWith<WideParts>(kanaCodes, table, header, jobs, counts, minBytesPerThread)
             : CountWith<NarrowParts>(kanaCodes, table, header, jobs, counts, minBytesPerThread);
}

std::size_t CountKanaStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                            const LayoutHeaderValues& header, unsigned jobs,
                            KeyCountTable& strokeCounts, PairCountTable& pairTallies,
                            std::size_t minBytesPerThread) {
  auto counts = std::make_unique<LayoutCounts>();
  const std::size_t missing =
      CountKanaStream(kanaCodes, table, header, jobs, *counts, minBytesPerThread);
  strokeCounts = counts->Keys;
  pairTallies = counts->Pairs;
  return missing;
}

bool LayoutCoverage::HasUndefined() const {
  return std::any_of(Undefined.begin(), Undefined.end(),
                     [](const UndefinedKana& kana) { return kana.Count != 0; });
}

LayoutCoverage CoverKanaStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                               const LayoutHeaderValues& header, bool counts, unsigned jobs,
                               std::size_t minBytesPerThread) {
  return HandPressesKeysTogether(table, header)
             ? CoverWith<WideParts>(kanaCodes, table, header, counts, jobs, minBytesPerThread)
             : CoverWith<NarrowParts>(kanaCodes, table, header, counts, jobs, minBytesPerThread);
}

LayoutCount ConvertAndTallyKanaStream(std::string_view kanaCodes, const LayoutDefinition& layout,
                                      unsigned jobs) {
  LayoutCount count;
  count.Missing = CountKanaStream(kanaCodes, layout.Table, layout.Header, jobs, count.Counts);
  return count;
}

bool CountBound::CountFits(std::uint64_t kana, std::uint64_t strokes) {
  return kana <= kMaxCount / std::max<std::uint64_t>(strokes, 1);
}

std::uint64_t MatchedKanaOf(std::string_view kanaCodes) {
  return kanaCodes.size() - static_cast<std::uint64_t>(std::count(
                                kanaCodes.begin(), kanaCodes.end(), static_cast<char>(kRunBreak)));
}

CountBound BoundOfCount(std::uint64_t kana, const std::vector<LayoutEntry>& table) {
  CountBound bound;
  bound.Kana = kana;
  for (std::size_t slot = 0; slot < table.size(); ++slot) {
    const std::uint64_t strokes = table[slot].Strokes();
    if (strokes > bound.Strokes) {
      bound.Strokes = strokes;
      bound.Slot = slot;
    }
  }
  return bound;
}

std::string MissingDefinitionMessage(std::uint8_t kanaCode) {
  // "「" kana "」の定義が不足しているようです." in Shift_JIS, ending in an ASCII full stop.
  return "\x81\x75" + KanaText(kanaCode) +
         "\x81\x76\x82\xcc\x92\xe8\x8b\x60\x82\xaa\x95\x73\x91\xab\x82\xb5\x82\xc4\x82\xa2\x82\xe9"
         "\x82\xe6\x82\xa4\x82\xc5\x82\xb7.\n";
}

}  // namespace kananet
