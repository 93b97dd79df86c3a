#include "search/action_stream.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "analysis/gap_rules.h"
#include "codes/key_alphabet.h"
#include "cost/layout_cost.h"
#include "search/matched_runs.h"

namespace kananet::search {

namespace {

constexpr std::int64_t kBeforeRun = -1;  // the step and unit of a run's start, where both hands
                                         // count as having struck key 0 (the space key)

// The keys of one hand in one action, ascending, as PairedKey takes them.
struct HandPart {
  std::array<char, kMaxActionKeys> Keys{};
  std::uint8_t Size = 0;
  std::string_view View() const { return {Keys.data(), Size}; }
};

void SplitByHand(std::string_view startKeys, const Places& places, int leftHandLastKey,
                 HandPart (&parts)[2]) {
  parts[kLeft].Size = parts[kRight].Size = 0;
  for (const char start : startKeys) {
    const std::uint8_t key = places[static_cast<std::uint8_t>(start)];
    HandPart& part = parts[HandOfKey(key, leftHandLastKey)];
    std::uint8_t i = part.Size++;
    for (; i > 0 && static_cast<std::uint8_t>(part.Keys[i - 1u]) > key; --i) {
      part.Keys[i] = part.Keys[i - 1u];
    }
    part.Keys[i] = static_cast<char>(key);
  }
}

void AddMask(FigureMask figures, std::int64_t sign, std::array<std::int64_t, kFigureCount>& to) {
  for (; figures != 0; figures &= figures - 1) {
    to[static_cast<std::size_t>(__builtin_ctz(figures))] += sign;
  }
}

std::size_t PairAt(std::int64_t gap, std::uint8_t first, std::uint8_t key) {
  return (static_cast<std::size_t>(gap) * 64 + first) * 64 + key;
}

// An entry's actions: a key, and each key a kKeyJoin joins to it.
std::vector<std::string> ActionsOf(std::string_view keys) {
  std::vector<std::string> actions;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (static_cast<std::uint8_t>(keys[i]) >= kKeyCountWithThumbs) {
      continue;
    }
    std::string action(1, keys[i]);
    for (; i + 2 < keys.size() && static_cast<std::uint8_t>(keys[i + 1]) == kKeyJoin &&
           static_cast<std::uint8_t>(keys[i + 2]) < kKeyCountWithThumbs;
         i += 2) {
      action += keys[i + 2];
    }
    actions.push_back(std::move(action));
  }
  return actions;
}

}  // namespace

std::size_t FirstTooLargeAction(const std::vector<LayoutEntry>& table) {
  for (std::size_t slot = 0; slot < table.size(); ++slot) {
    for (const std::string& action : ActionsOf(table[slot].Keys)) {
      if (action.size() > kMaxActionKeys) {
        return slot;
      }
    }
  }
  return table.size();
}

ActionText::ActionText(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                       std::size_t slots, const LayoutHeaderValues& header, const Movable& movable,
                       bool moveKeys, bool moveKana, const SearchSettings& settings,
                       std::uint64_t kana)
    : freeKeys_(moveKeys ? movable.Keys : std::vector<int>{}),
      leftHandLastKey_(header.LeftHandLastKey),
      byKana_(header.CountByKana != 0),
      settings_(settings),
      kana_(kana) {
  if (FirstTooLargeAction(table) < slots) {
    throw std::length_error("an action of more keys than the search counts");
  }
  std::map<std::string, std::uint32_t> kinds;
  std::vector<std::vector<std::uint32_t>> slotActions(slots);
  for (std::size_t slot = 0; slot < slots; ++slot) {
    for (const std::string& action : ActionsOf(table[slot].Keys)) {
      auto [found, isNew] = kinds.try_emplace(action, static_cast<std::uint32_t>(actions_.size()));
      if (isNew) {
        for (const char key : action) {
          holding_[static_cast<std::uint8_t>(key)].push_back(found->second);
        }
        actions_.push_back(action);
      }
      slotActions[slot].push_back(found->second);
    }
  }
  // The units: entries that may type other keys, found used below.
  std::vector<std::int32_t> unitOf(slots, -1);
  for (std::size_t slot = 0; slot < slots && moveKana; ++slot) {
    const std::string& keys = table[slot].Keys;
    const bool free = std::all_of(keys.begin(), keys.end(), [&](char key) {
      return static_cast<std::uint8_t>(key) == kKeyJoin ||
             std::find(movable.Keys.begin(), movable.Keys.end(), static_cast<std::uint8_t>(key)) !=
                 movable.Keys.end();
    });
    if (!movable.PinnedEntries[slot] && !slotActions[slot].empty() && !table[slot].Kana.empty() &&
        free) {
      unitOf[slot] = static_cast<std::int32_t>(units_.size());
      units_.push_back(static_cast<std::uint32_t>(slot));
    }
  }
  unitActions_.resize(units_.size());
  unitUses_.resize(units_.size());
  for (std::size_t unit = 0; unit < units_.size(); ++unit) {
    unitActions_[unit] = slotActions[units_[unit]];
  }
  // The matched entries lane by lane, each lane's runs whole, then as one stream.
  std::vector<std::vector<std::int32_t>> lanes(kLanes);  // slots, and -1 at each run's end
  ForEachMatchedEntry(
      kanaCodes, table, header.BreakAfterPunctuation != 0,
      [&](std::size_t lane, std::size_t slot) {
        lanes[lane].push_back(static_cast<std::int32_t>(slot));
      },
      [&](std::size_t lane) { lanes[lane].push_back(-1); });
  for (const std::vector<std::int32_t>& lane : lanes) {
    std::size_t runStart = stream_.size();
    std::uint32_t unit = 0;
    for (const std::int32_t slot : lane) {
      if (slot < 0) {
        runEnd_.resize(stream_.size(), static_cast<std::uint32_t>(stream_.size()));
        runStart = stream_.size();
        unit = 0;
        continue;
      }
      if (unitOf[static_cast<std::size_t>(slot)] >= 0) {
        unitUses_[static_cast<std::size_t>(unitOf[static_cast<std::size_t>(slot)])].push_back(
            static_cast<std::uint32_t>(stream_.size()));
      }
      for (const std::uint32_t action : slotActions[static_cast<std::size_t>(slot)]) {
        stream_.push_back({static_cast<std::uint32_t>(stream_.size() - runStart), unit});
        kinds_.push_back(action);
        for (const char key : actions_[action]) {
          struck_[static_cast<std::uint8_t>(key)] = true;
        }
      }
      ++unit;
    }
  }
  runEnd_.resize(stream_.size(), static_cast<std::uint32_t>(stream_.size()));
  // A unit the text never matches moves nothing.
  for (std::size_t unit = units_.size(); unit-- > 0;) {
    if (unitUses_[unit].empty()) {
      units_.erase(units_.begin() + static_cast<std::ptrdiff_t>(unit));
      unitActions_.erase(unitActions_.begin() + static_cast<std::ptrdiff_t>(unit));
      unitUses_.erase(unitUses_.begin() + static_cast<std::ptrdiff_t>(unit));
    }
  }
  // Each counter's figures, from counts of 1, for the keys that can be pressed (those pressed
  // and the free ones, wherever they go) and key 0, which a run starts from. The figures are
  // sums of counters, so one count of the figures reads off several counters' at once: the
  // cells of kProbed keys after one first key, in the three gap classes by strokes and in the
  // layout's own mode, each hold their own power of two.
  std::vector<std::uint8_t> pressable(1, 0);
  for (std::uint8_t key = 1; key < kKeyCountWithThumbs; ++key) {
    if (struck_[key] || std::find(freeKeys_.begin(), freeKeys_.end(), key) != freeKeys_.end()) {
      pressable.push_back(key);
    }
  }
  auto keys = std::make_unique<KeyCountTable>();
  auto own = std::make_unique<PairCountTable>();
  auto strokes = std::make_unique<PairCountTable>();
  auto masks = [](const FigureCounts& figures, int bit) {
    FigureMask mask = 0;
    for (int figure = 0; figure < kFigureCount; ++figure) {
      mask |= static_cast<FigureMask>(figures[static_cast<std::size_t>(figure)] >> bit & 1)
              << figure;
    }
    return mask;
  };
  for (const std::uint8_t key : pressable) {
    (*keys)[key] = 1;
    keyFigures_[key] = masks(FiguresOfCounts(*keys, *own, *strokes, leftHandLastKey_), 0) &
                       ~(FigureMask{1} << kFigureActions | FigureMask{1} << kFigureChords);
    (*keys)[key] = 0;
  }
  constexpr std::size_t kProbed = 5;  // 6 bits each in 32-bit counters
  strokePairFigures_.assign(3 * 64 * 64, 0);
  ownPairFigures_.assign(3 * 64 * 64, 0);
  for (const std::uint8_t first : pressable) {
    for (std::size_t from = 0; from < pressable.size(); from += kProbed) {
      const std::size_t to = std::min(pressable.size(), from + kProbed);
      for (int write = 1; write >= 0; --write) {
        for (std::size_t i = from; i < to; ++i) {
          for (std::size_t gap = 0; gap < 3; ++gap) {
            const std::size_t bit = 6 * (i - from) + gap;
            (*strokes)[gap][first][pressable[i]] = static_cast<std::uint32_t>(write) << bit;
            (*own)[gap][first][pressable[i]] = static_cast<std::uint32_t>(write) << (bit + 3);
          }
        }
        if (write == 0) {
          break;
        }
        const FigureCounts figures = FiguresOfCounts(*keys, *own, *strokes, leftHandLastKey_);
        for (std::size_t i = from; i < to; ++i) {
          for (std::size_t gap = 0; gap < 3; ++gap) {
            const int bit = static_cast<int>(6 * (i - from) + gap);
            const std::size_t cell = PairAt(static_cast<std::int64_t>(gap), first, pressable[i]);
            strokePairFigures_[cell] = masks(figures, bit);
            ownPairFigures_[cell] = masks(figures, bit + 3);
          }
        }
      }
    }
  }
}

unsigned ActionText::HandsOf(std::uint32_t action, const Places& places) const {
  unsigned hands = 0;
  for (const char key : actions_[action]) {
    hands |= 1u << HandOfKey(places[static_cast<std::uint8_t>(key)], leftHandLastKey_);
  }
  return hands;
}

bool ActionText::Feasible(std::uint32_t action, const Places& places, int a, int b) const {
  HandPart keys;
  for (const char start : actions_[action]) {
    const int key = places[static_cast<std::uint8_t>(start)];
    keys.Keys[keys.Size++] = static_cast<char>(key == a ? b : key == b ? a : key);
  }
  for (std::size_t i = 0; i < keys.Size; ++i) {
    const auto key = static_cast<std::uint8_t>(keys.Keys[i]);
    for (std::size_t j = 0; j < i && key != 0; ++j) {
      const auto other = static_cast<std::uint8_t>(keys.Keys[j]);
      if (other != 0 && FingerOf(other, leftHandLastKey_) == FingerOf(key, leftHandLastKey_) &&
          HandOfKey(other, leftHandLastKey_) == HandOfKey(key, leftHandLastKey_)) {
        return false;
      }
    }
  }
  return true;
}

std::size_t ActionText::WindowEnd(std::size_t position, const std::uint32_t* kindsBefore,
                                  const Places& before, const std::uint32_t* kindsAfter,
                                  const Places& after) const {
  // Counted by strokes, a hand's next action is the last whose pairs change; by kana, the gap
  // classes of all that hand's actions in the next unit it strikes in do.
  const std::uint32_t unit = stream_[position].Unit;
  unsigned waiting = 0xF;  // bit (places * 2 + hand): that hand's next action not yet seen
  std::uint32_t lastUnit = unit;
  const std::size_t end = runEnd_[position];
  for (std::size_t next = position + 1; next < end; ++next) {
    const Position& at = stream_[next];
    if (waiting == 0 && at.Unit > lastUnit) {
      return next;
    }
    const unsigned hands = HandsOf(kindsBefore[next], before) | HandsOf(kindsAfter[next], after)
                                                                    << 2;
    if (byKana_ && at.Unit == unit) {
      continue;
    }
    if ((waiting & hands) != 0 && byKana_) {
      lastUnit = at.Unit;
    }
    waiting &= ~hands;
    if (waiting == 0 && !byKana_) {
      return next + 1;
    }
  }
  return end;
}

void ActionText::CountWindow(std::size_t begin, std::size_t end, const std::uint32_t* kinds,
                             const Places& places, std::int64_t sign,
                             std::array<std::int64_t, kFigureCount>& figures) const {
  // Each hand's previous action before the window, and counting by kana the last unit before
  // that action's that the hand strikes in, where it lies in the window's unit.
  struct Hand {
    HandPart Last;
    std::int64_t Step = kBeforeRun, LastUnit = kBeforeRun, UnitBefore = kBeforeRun;
    bool Found = false, Settled = false;
  } hands[2];
  for (Hand& hand : hands) {
    hand.Last.Size = 1;  // key 0
  }
  const std::size_t runStart = begin - stream_[begin].Step;
  const std::int64_t firstUnit = stream_[begin].Unit;
  HandPart parts[2];
  for (std::size_t position = begin; position > runStart;) {
    const Position& at = stream_[--position];
    SplitByHand(actions_[kinds[position]], places, leftHandLastKey_, parts);
    bool settled = true;
    for (int side : {kLeft, kRight}) {
      Hand& hand = hands[side];
      if (parts[side].Size != 0 && !hand.Found) {
        hand = {parts[side], at.Step, at.Unit, kBeforeRun, true, !byKana_ || at.Unit != firstUnit};
      } else if (hand.Found && !hand.Settled &&
                 ((parts[side].Size != 0 && at.Unit < hand.LastUnit) ||
                  at.Unit + 3 <= hand.LastUnit)) {
        hand.UnitBefore = at.Unit;  // that far back the gap class is 2 anyway
        hand.Settled = true;
      }
      settled = settled && hand.Found && hand.Settled;
    }
    if (settled) {
      break;
    }
  }
  for (std::size_t position = begin; position < end; ++position) {
    const Position& at = stream_[position];
    const std::string& action = actions_[kinds[position]];
    SplitByHand(action, places, leftHandLastKey_, parts);
    figures[kFigureActions] += sign;
    figures[kFigureChords] += action.size() > 1 ? sign : 0;
    for (int side : {kLeft, kRight}) {
      Hand& hand = hands[side];
      const HandPart& part = parts[side];
      if (part.Size == 0) {
        continue;
      }
      const std::int64_t strokeGap = std::min<std::int64_t>(2, at.Step - hand.Step - 1);
      if (at.Unit > hand.LastUnit) {
        hand.UnitBefore = hand.LastUnit;
        hand.LastUnit = at.Unit;
      }
      const std::int64_t ownGap =
          byKana_ ? std::min<std::int64_t>(2, at.Unit - hand.UnitBefore - 1) : strokeGap;
      for (std::size_t i = 0; i < part.Size; ++i) {
        const auto key = static_cast<std::uint8_t>(part.Keys[i]);
        const std::uint8_t paired = PairedKey(key, hand.Last.View(), leftHandLastKey_);
        AddMask(keyFigures_[key], sign, figures);
        AddMask(strokePairFigures_[PairAt(strokeGap, paired, key)], sign, figures);
        AddMask(ownPairFigures_[PairAt(ownGap, paired, key)], sign, figures);
      }
      hand.Last = part;
      hand.Step = at.Step;
    }
  }
}

std::vector<std::uint32_t> ActionText::KindsOf(const std::vector<std::uint16_t>& holds) const {
  std::vector<std::uint32_t> kinds = kinds_;
  for (std::size_t unit = 0; unit < holds.size(); ++unit) {
    for (const std::uint32_t use : unitUses_[unit]) {
      const std::vector<std::uint32_t>& typed = unitActions_[holds[unit]];
      std::copy(typed.begin(), typed.end(), kinds.begin() + use);
    }
  }
  return kinds;
}

bool ActionText::AnyMayExchange() const {
  std::vector<std::size_t> counts;
  for (const std::vector<std::uint32_t>& actions : unitActions_) {
    counts.push_back(actions.size());
  }
  return AnyTwoEqual(std::move(counts));
}

FigureCounts ActionText::FiguresAt(const Arrangement& at) const {
  const std::vector<std::uint32_t> kinds = KindsOf(at.Holds);
  std::array<std::int64_t, kFigureCount> counts{};
  for (std::size_t position = 0; position < stream_.size(); position = runEnd_[position]) {
    CountWindow(position, runEnd_[position], kinds.data(), at.At, 1, counts);
  }
  FigureCounts figures{};
  for (std::size_t figure = 0; figure < figures.size(); ++figure) {
    figures[figure] = static_cast<std::uint64_t>(counts[figure]);
  }
  return figures;
}

std::vector<LayoutEntry> ActionText::TableAt(const std::vector<LayoutEntry>& table,
                                             std::size_t slots, const Arrangement& at) const {
  std::vector<LayoutEntry> moved(table.begin(), table.begin() + static_cast<std::ptrdiff_t>(slots));
  for (std::size_t unit = 0; unit < at.Holds.size(); ++unit) {
    moved[units_[unit]].Keys = table[units_[at.Holds[unit]]].Keys;
  }
  return search::TableAt(moved, slots, nullptr, {at.At, {}});
}

std::vector<bool> ActionText::Retyped(std::size_t slots, const Arrangement& at) const {
  std::vector<bool> retyped(slots);
  for (std::size_t unit = 0; unit < at.Holds.size(); ++unit) {
    retyped[units_[unit]] = at.Holds[unit] != unit;
  }
  return retyped;
}

double ActionText::CostOf(const FigureCounts& figures) const {
  return CostOfLayout(figures, settings_, kana_).Total;
}

ActionState::ActionState(const ActionText& text, const Places& places)
    : text_(text), places_(places), holds_(text.Units()), kinds_(text.kinds_), after_(text.kinds_) {
  for (std::size_t key = 0; key < places.size(); ++key) {
    occupant_[places[key]] = static_cast<std::uint8_t>(key);
  }
  for (std::size_t unit = 0; unit < holds_.size(); ++unit) {
    holds_[unit] = static_cast<std::uint16_t>(unit);
  }
  for (std::size_t position = 0; position < kinds_.size(); ++position) {
    for (const char key : text.actions_[kinds_[position]]) {
      uses_[static_cast<std::uint8_t>(key)].push_back(static_cast<std::uint32_t>(position));
    }
  }
  figures_ = text.FiguresAt(Now());
  cost_ = text.CostOf(figures_);
}

FigureCounts ActionState::Changed(const std::vector<std::uint32_t>& positions, const Places& before,
                                  const Places& after) const {
  // Each changed position opens a window of the actions whose pairs change; windows that meet
  // are counted as one.
  std::array<std::int64_t, kFigureCount> delta{};
  for (std::size_t i = 0; i < positions.size();) {
    const std::size_t begin = positions[i];
    std::size_t end = begin;
    for (; i < positions.size() && positions[i] < std::max(end, begin + 1); ++i) {
      end =
          std::max(end, text_.WindowEnd(positions[i], kinds_.data(), before, after_.data(), after));
    }
    text_.CountWindow(begin, end, kinds_.data(), before, -1, delta);
    text_.CountWindow(begin, end, after_.data(), after, 1, delta);
  }
  FigureCounts figures = figures_;
  for (std::size_t figure = 0; figure < figures.size(); ++figure) {
    figures[figure] =
        static_cast<std::uint64_t>(static_cast<std::int64_t>(figures[figure]) + delta[figure]);
  }
  return figures;
}

std::optional<FigureCounts> ActionState::FiguresAfter(int a, int b) const {
  const std::uint8_t startA = occupant_[static_cast<std::size_t>(a)];
  const std::uint8_t startB = occupant_[static_cast<std::size_t>(b)];
  for (const std::uint8_t start : {startA, startB}) {
    for (const std::uint32_t action : text_.holding_[start]) {
      if (!text_.Feasible(action, places_, a, b)) {
        return std::nullopt;
      }
    }
  }
  Places after = places_;
  std::swap(after[startA], after[startB]);
  std::vector<std::uint32_t> positions;
  positions.reserve(uses_[startA].size() + uses_[startB].size());
  std::set_union(uses_[startA].begin(), uses_[startA].end(), uses_[startB].begin(),
                 uses_[startB].end(), std::back_inserter(positions));
  return Changed(positions, places_, after);
}

std::optional<FigureCounts> ActionState::FiguresAfterKana(std::size_t u, std::size_t w, bool take) {
  const std::vector<std::uint32_t>& typedU = text_.unitActions_[holds_[u]];
  const std::vector<std::uint32_t>& typedW = text_.unitActions_[holds_[w]];
  if (u == w || typedU.size() != typedW.size()) {
    return std::nullopt;
  }
  positions_.clear();
  for (const auto& [unit, typed] : {std::pair(u, &typedW), std::pair(w, &typedU)}) {
    for (const std::uint32_t use : text_.unitUses_[unit]) {
      for (std::uint32_t i = 0; i < typed->size(); ++i) {
        positions_.push_back(use + i);
        after_[use + i] = (*typed)[i];
      }
    }
  }
  std::sort(positions_.begin(), positions_.end());
  const FigureCounts figures = Changed(positions_, places_, places_);
  for (const std::uint32_t position : positions_) {
    if (take) {
      kinds_[position] = after_[position];
    } else {
      after_[position] = kinds_[position];
    }
  }
  return figures;
}

std::optional<double> ActionState::KanaDelta(std::size_t u, std::size_t w) {
  const std::optional<FigureCounts> after = FiguresAfterKana(u, w, false);
  if (!after) {
    return std::nullopt;
  }
  return text_.CostOf(*after) - cost_;
}

void ActionState::ExchangeKana(std::size_t u, std::size_t w) {
  const std::optional<FigureCounts> after = FiguresAfterKana(u, w, true);
  if (!after) {
    throw std::logic_error("a kana move between sequences of different numbers of actions");
  }
  figures_ = *after;
  cost_ = text_.CostOf(figures_);
  std::swap(holds_[u], holds_[w]);
  for (std::vector<std::uint32_t>& uses : uses_) {
    uses.clear();
  }
  for (std::size_t position = 0; position < kinds_.size(); ++position) {
    for (const char key : text_.actions_[kinds_[position]]) {
      uses_[static_cast<std::uint8_t>(key)].push_back(static_cast<std::uint32_t>(position));
    }
  }
}

std::optional<double> ActionState::KeyDelta(int a, int b) const {
  const std::optional<FigureCounts> after = FiguresAfter(a, b);
  if (!after) {
    return std::nullopt;
  }
  return text_.CostOf(*after) - cost_;
}

void ActionState::ExchangeKeys(int a, int b) {
  const std::optional<FigureCounts> after = FiguresAfter(a, b);
  if (!after) {
    throw std::logic_error("a key exchange that puts two keys of one finger in one action");
  }
  figures_ = *after;
  cost_ = text_.CostOf(figures_);
  const std::uint8_t startA = occupant_[static_cast<std::size_t>(a)];
  const std::uint8_t startB = occupant_[static_cast<std::size_t>(b)];
  std::swap(places_[startA], places_[startB]);
  std::swap(occupant_[static_cast<std::size_t>(a)], occupant_[static_cast<std::size_t>(b)]);
}

RoundResult RunActionRound(const ActionText& text, std::uint64_t seed, std::uint64_t round,
                           std::atomic<std::uint64_t>& candidates, const std::atomic<bool>& stop,
                           const std::function<void(const ActionState&)>& accepted) {
  // The random arrangement as a walk of exchanges, each taken only where every action stays
  // pressable: a shuffle of the free keys may put two keys of one finger in one action.
  const std::vector<int>& keys = text.FreeKeys();
  Random random = RandomOfRound(seed, round);
  const Places shuffled = StartPlacesOfRound(keys, round, random);
  ActionState state(text, StartPlaces());
  for (const int key : keys) {
    const int there = shuffled[static_cast<std::size_t>(key)];
    const int now = state.Now().At[static_cast<std::size_t>(key)];
    if (there != now && state.KeyDelta(now, there)) {
      state.ExchangeKeys(now, there);
    }
  }
  const std::size_t units = text.Units();
  for (std::size_t i = round > 0 ? units : 0; i > 1; --i) {
    const std::size_t j = random.Below(i);
    if (j != i - 1 && state.KanaDelta(i - 1, j)) {
      state.ExchangeKana(i - 1, j);
    }
  }
  RoundResult result;
  result.Whole = Anneal(state, keys, units, seed, round, AnnealingSteps(keys.size(), units),
                        candidates, stop, accepted) &&
                 Improve(state, keys, units, candidates, stop, accepted);
  result.At = state.Now();
  result.Figures = text.FiguresAt(result.At);
  result.Cost = text.CostOf(result.Figures);
  if (result.Figures != state.Figures() || !CostsAgree(state.Cost(), result.Cost)) {
    throw CostDrifted("round " + std::to_string(round) +
                      ": the figures kept differ from its layout's figures counted again");
  }
  return result;
}

}  // namespace kananet::search
