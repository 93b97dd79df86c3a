#include "search/unit_gaps.h"

#include <algorithm>
#include <limits>
#include <tuple>

#include "analysis/count_table.h"
#include "analysis/entry_matcher.h"
#include "codes/keyboard.h"
#include "search/matched_runs.h"

namespace kananet::search {

namespace {

constexpr int kUnitBits = 21;  // a table has fewer slots than this many bits count
constexpr int kSmallUnitBits = 10;

std::uint64_t Pack(std::uint64_t first, std::uint64_t last) {
  return first << kUnitBits | last;
}

int Bit(std::uint8_t bits, int hand) {
  return bits >> hand & 1;
}

// The items of order stably sorted by unitOf(item), a unit below units, in one counting pass,
// with where each unit's part begins: items in order by the rest of a key come out in order by
// the whole key, with no comparison sort of millions of items.
template <typename UnitOf>
UnitIndex StablyBy(const std::vector<std::uint32_t>& order, std::size_t units, UnitOf&& unitOf) {
  UnitIndex index;
  index.Start.assign(units + 1, 0);
  for (const std::uint32_t item : order) {
    ++index.Start[unitOf(item) + 1];
  }
  for (std::size_t unit = 0; unit < units; ++unit) {
    index.Start[unit + 1] += index.Start[unit];
  }
  std::vector<std::uint32_t> next(index.Start.begin(), index.Start.end() - 1);
  index.Items.resize(order.size());
  for (const std::uint32_t item : order) {
    index.Items[next[unitOf(item)]++] = item;
  }
  return index;
}

// 0, 1, ... count - 1.
std::vector<std::uint32_t> InOrder(std::size_t count) {
  std::vector<std::uint32_t> items(count);
  for (std::size_t at = 0; at < count; ++at) {
    items[at] = static_cast<std::uint32_t>(at);
  }
  return items;
}

// Puts at each place of items the item that was at from[place], in place, cycle by cycle.
template <typename Item>
void Permute(std::vector<Item>& items, const std::vector<std::uint32_t>& from) {
  std::vector<bool> placed(items.size());
  for (std::size_t start = 0; start < items.size(); ++start) {
    if (placed[start]) {
      continue;
    }
    const Item held = items[start];
    for (std::size_t at = start;;) {
      placed[at] = true;
      const std::size_t source = from[at];
      if (source == start) {
        items[at] = held;
        break;
      }
      items[at] = items[source];
      at = source;
    }
  }
}

// Sorts the windows by their middle units and indexes them and the terms by their units. The
// terms come in order by (First, Last), and the windows by (First, Last, Middle), so each order
// wanted is one or two stable passes by a unit away.
void IndexWindows(UnitWindows& windows) {
  const std::size_t units = windows.Slots + 1;
  const auto& outers = windows.Outers;
  auto& all = windows.Windows;
  {
    const UnitIndex byMiddle = StablyBy(
        StablyBy(InOrder(all.size()), units, [&all](std::uint32_t w) { return all[w].Last; }).Items,
        units, [&all](std::uint32_t w) { return all[w].Middle; });
    Permute(all, byMiddle.Items);
    windows.WindowsStart = byMiddle.Start;
  }
  windows.OutersStart = StablyBy(InOrder(outers.size()), units, [&outers](std::uint32_t t) {
                          return outers[t].First;
                        }).Start;
  windows.OutersByLast = StablyBy(InOrder(outers.size()), units,
                                  [&outers](std::uint32_t t) { return outers[t].Last; });
  const std::vector<std::uint32_t> sorted = InOrder(all.size());
  const UnitIndex byFirst =
      StablyBy(sorted, units, [&all](std::uint32_t w) { return all[w].First; });
  for (const std::uint32_t w : byFirst.Items) {
    windows.ByFirst.push_back({all[w].Last, all[w].Count});
  }
  windows.ByLast = StablyBy(sorted, units, [&all](std::uint32_t w) { return all[w].Last; });
  // A window's middle comes right after its first, and its last right after its middle, so
  // both pairs are terms; walked in the terms' order, each term's windows follow each other.
  auto startsByTerm = [&outers](std::size_t count, auto pairOf) {
    std::vector<std::uint32_t> start(outers.size() + 1);
    std::uint32_t at = 0;
    for (std::size_t t = 0; t < outers.size(); ++t) {
      start[t] = at;
      while (at < count && pairOf(at) == Pack(outers[t].First, outers[t].Last)) {
        ++at;
      }
    }
    start[outers.size()] = at;
    return start;
  };
  windows.WindowsAfter = startsByTerm(
      all.size(), [&all](std::uint32_t w) { return Pack(all[w].Middle, all[w].Last); });
  windows.WindowsBefore = startsByTerm(all.size(), [&all, &byFirst](std::uint32_t at) {
    return Pack(all[byFirst.Items[at]].First, all[byFirst.Items[at]].Middle);
  });
}

// Counts the pairs of units of a run right after each other and the windows of three in tables
// of Table, a unit in bits bits, into the outer pairs and windows of windows, in order.
template <typename Table>
void CountWindows(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                  bool breakAfterPunctuation, bool countByKana, int bits, UnitWindows& windows) {
  using Key = decltype(Table::Cell::Key);
  const auto start = static_cast<Key>(windows.Slots);
  // The windows of three, and how often each unit begins a run: every other pair of units right
  // after each other is the middle and last of windows, and is added up from them at the end
  // rather than counted at every entry.
  Table between;
  std::vector<std::uint64_t> firsts(windows.Slots);
  struct Before {
    Key Two, One;  // the units two before and right before; start at a run's start
  };
  Before lanes[kLanes];
  std::fill(std::begin(lanes), std::end(lanes), Before{start, start});
  ForEachMatchedEntry(
      kanaCodes, table, breakAfterPunctuation,
      [&](std::size_t lane, std::size_t slot) {
        if (!countByKana && table[slot].Keys.empty()) {
          return;  // strikes nothing
        }
        Before& before = lanes[lane];
        const auto unit = static_cast<Key>(slot);
        if (before.One != start) {
          between.Add(
              static_cast<Key>((static_cast<Key>(before.Two << bits) | unit) << bits | before.One));
        } else {
          ++firsts[slot];
        }
        before = {before.One, unit};
      },
      [&](std::size_t lane) {
        lanes[lane] = {start, start};
      });
  // The outer pairs, those right after each other and those with one unit between them, in
  // order, each with its windows: the two counts sorted and walked side by side.
  const std::uint64_t unitMask = (std::uint64_t{1} << bits) - 1;
  const std::vector<typename Table::Cell> betweens = std::move(between).Sorted();
  Table next;
  for (std::size_t unit = 0; unit < firsts.size(); ++unit) {
    if (firsts[unit] != 0) {
      next.Add(static_cast<Key>(start << bits | unit),
               static_cast<decltype(Table::Cell::Count)>(firsts[unit]));
    }
  }
  for (const typename Table::Cell& window : betweens) {
    next.Add(static_cast<Key>((window.Key & unitMask) << bits | (window.Key >> bits & unitMask)),
             window.Count);
  }
  const std::vector<typename Table::Cell> nexts = std::move(next).Sorted();
  windows.Windows.reserve(betweens.size());
  std::size_t i = 0, j = 0;
  while (i < nexts.size() || j < betweens.size()) {
    const std::uint64_t pair =
        std::min(i < nexts.size() ? std::uint64_t{nexts[i].Key} : ~std::uint64_t{0},
                 j < betweens.size() ? std::uint64_t{betweens[j].Key} >> bits : ~std::uint64_t{0});
    const auto outer = static_cast<std::uint32_t>(windows.Outers.size());
    const auto first = static_cast<std::uint32_t>(pair >> bits);
    const auto last = static_cast<std::uint32_t>(pair & unitMask);
    windows.Outers.push_back(
        {first, last, i < nexts.size() && nexts[i].Key == pair ? nexts[i++].Count : 0});
    for (; j < betweens.size() && std::uint64_t{betweens[j].Key} >> bits == pair; ++j) {
      windows.Windows.push_back({first, static_cast<std::uint32_t>(betweens[j].Key & unitMask),
                                 last, outer, betweens[j].Count});
    }
  }
}

}  // namespace

std::size_t FirstTooLongUnit(const std::vector<LayoutEntry>& table) {
  return static_cast<std::size_t>(
      std::find_if(table.begin(), table.end(),
                   [](const LayoutEntry& entry) { return entry.Keys.size() > kMaxUnitKeys; }) -
      table.begin());
}

UnitWindows CountUnitWindows(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                             bool breakAfterPunctuation, bool countByKana) {
  UnitWindows windows;
  windows.Slots = MatchingSlots(table);
  windows.ByStrokes = !countByKana;
  for (std::size_t slot = 0; slot < windows.Slots; ++slot) {
    windows.StartKeys.push_back(table[slot].Keys);
  }
  // Units packed in 10 bits and counts of 32 bits fit cells of half the size, which keep more of
  // the tables in the nearer caches: a text has fewer matched entries than bytes.
  if (windows.Slots < (std::size_t{1} << kSmallUnitBits) &&
      kanaCodes.size() < std::numeric_limits<std::uint32_t>::max()) {
    CountWindows<BasicCountTable<std::uint32_t, std::uint32_t>>(
        kanaCodes, table, breakAfterPunctuation, countByKana, kSmallUnitBits, windows);
  } else {
    CountWindows<CountTable>(kanaCodes, table, breakAfterPunctuation, countByKana, kUnitBits,
                             windows);
  }
  IndexWindows(windows);
  return windows;
}

namespace {

using Features = UnitFeatures;

// The products of the features, as the header tells them.
enum : std::size_t { kLastFirst, kUsesWithin, kLastBounce = 1, kBouncedFirst, kOneInner };

// Whether each product is counted with Next, and with Apart.
// The products a counting mode uses (Count), which of them are counted with Next and with
// Apart, and how many are counted with Apart, all of those first.
struct ByKana {
  static constexpr std::size_t Count = 2, Apart = 2;
  static constexpr std::array<std::int64_t, kUnitProducts> WithNext{1, 1, 0, 0};
  static constexpr std::array<std::int64_t, kUnitProducts> WithApart{1, 1, 0, 0};
};
struct ByStrokes {
  static constexpr std::size_t Count = 4, Apart = 1;
  static constexpr std::array<std::int64_t, kUnitProducts> WithNext{0, 1, 1, 1};
  static constexpr std::array<std::int64_t, kUnitProducts> WithApart{1, 0, 0, 0};
};

// A run's start: counted by kana, both hands struck and no drawn key before it; by strokes, no
// stroke (but one term before each unit, which counts the pairs inside it).
constexpr Features RunStart(bool byStrokes) {
  Features features;
  features.AsFirst[byStrokes ? kOneInner : kUsesWithin] = {1, 1};
  return features;
}

template <typename Key>
Features FeaturesByKana(std::size_t size, int leftHandLastKey, Key&& key) {
  std::uint8_t uses = 0, first = 0;
  bool lastDrawn[2] = {false, false};
  std::array<std::uint16_t, 2> within{};
  for (std::size_t i = 0; i < size; ++i) {
    const int stroke = key(i);
    const int hand = stroke > leftHandLastKey ? 1 : 0;
    const bool drawn = IsDrawnKey(stroke);
    if ((uses >> hand & 1) == 0) {
      first |= static_cast<std::uint8_t>(drawn << hand);
    } else if (lastDrawn[hand] && drawn) {
      ++within[static_cast<std::size_t>(hand)];
    }
    uses |= static_cast<std::uint8_t>(1 << hand);
    lastDrawn[hand] = drawn;
  }
  Features features;
  features.Through = static_cast<std::uint8_t>(~uses & 3);
  for (std::size_t hand = 0; hand < 2; ++hand) {
    features.AsFirst[kLastFirst][hand] = lastDrawn[hand];
    features.AsLast[kLastFirst][hand] = first >> hand & 1;
    features.AsFirst[kUsesWithin][hand] = uses >> hand & 1;
  }
  features.AsLast[kUsesWithin] = within;
  return features;
}

template <typename Key>
Features FeaturesByStrokes(std::size_t size, int leftHandLastKey, Key&& key) {
  Features features;
  if (size == 0) {
    return features;
  }
  const auto handOf = [&](std::size_t i) { return key(i) > leftHandLastKey ? 1 : 0; };
  // Whether stroke i is a drawn key of hand.
  const auto drawn = [&](std::size_t i, int hand) {
    return IsDrawnKey(key(i)) && handOf(i) == hand;
  };
  for (int hand = 0; hand < 2; ++hand) {
    const auto h = static_cast<std::size_t>(hand);
    features.AsFirst[kLastFirst][h] = features.AsFirst[kLastBounce][h] = drawn(size - 1, hand);
    features.AsLast[kLastFirst][h] = features.AsLast[kBouncedFirst][h] = drawn(0, hand);
    features.AsFirst[kOneInner][h] = 1;
    if (size >= 2) {
      features.AsFirst[kBouncedFirst][h] = drawn(size - 2, hand) && handOf(size - 1) != hand;
      features.AsLast[kLastBounce][h] = handOf(0) != hand && drawn(1, hand);
    }
  }
  for (std::size_t i = 0; i + 2 < size; ++i) {
    const int hand = handOf(i);
    if (drawn(i, hand) && handOf(i + 1) != hand && drawn(i + 2, hand)) {
      ++features.AsLast[kOneInner][static_cast<std::size_t>(hand)];
    }
  }
  features.Through = size == 1 ? static_cast<std::uint8_t>(1 << (1 - handOf(0))) : 0;
  return features;
}

template <typename Key>
Features FeaturesOf(bool byStrokes, std::size_t size, int leftHandLastKey, Key&& key) {
  return byStrokes ? FeaturesByStrokes(size, leftHandLastKey, key)
                   : FeaturesByKana(size, leftHandLastKey, key);
}

Features FeaturesOf(bool byStrokes, std::string_view keys, int leftHandLastKey) {
  return FeaturesOf(byStrokes, keys.size(), leftHandLastKey,
                    [keys](std::size_t i) { return static_cast<std::uint8_t>(keys[i]); });
}

// The pairs of hand that the unit last makes with the unit first before it, by the products
// counted with: the products' sums.
template <std::size_t Products = kUnitProducts>
std::int64_t PairsOf(const Features& first, const Features& last, int hand,
                     const std::array<std::int64_t, kUnitProducts>& with) {
  const auto h = static_cast<std::size_t>(hand);
  std::int64_t pairs = 0;
  for (std::size_t product = 0; product < Products; ++product) {
    pairs += with[product] * first.AsFirst[product][h] * last.AsLast[product][h];
  }
  return pairs;
}

std::vector<Features> FeaturesOfAll(const UnitWindows& windows,
                                    const std::vector<std::string>& keys, int leftHandLastKey) {
  std::vector<Features> features(windows.Slots + 1, RunStart(windows.ByStrokes));
  for (std::size_t slot = 0; slot < windows.Slots; ++slot) {
    features[slot] = FeaturesOf(windows.ByStrokes, keys[slot], leftHandLastKey);
  }
  return features;
}

}  // namespace

UnitGapPairs UnitGapPairsAt(const UnitWindows& windows, const std::vector<std::string>& keys,
                            int leftHandLastKey) {
  const std::vector<Features> features = FeaturesOfAll(windows, keys, leftHandLastKey);
  const auto& next = windows.ByStrokes ? ByStrokes::WithNext : ByKana::WithNext;
  const auto& apart = windows.ByStrokes ? ByStrokes::WithApart : ByKana::WithApart;
  UnitGapPairs pairs;
  std::int64_t& nextPairs = windows.ByStrokes ? pairs.ClassOne : pairs.ClassZero;
  for (const UnitWindows::Outer& outer : windows.Outers) {
    for (int hand = 0; hand < 2; ++hand) {
      nextPairs += static_cast<std::int64_t>(outer.Next) *
                   PairsOf(features[outer.First], features[outer.Last], hand, next);
    }
  }
  for (const UnitWindows::Window& window : windows.Windows) {
    for (int hand = 0; hand < 2; ++hand) {
      if ((features[window.Middle].Through >> hand & 1) != 0) {
        pairs.ClassOne += static_cast<std::int64_t>(window.Count) *
                          PairsOf(features[window.First], features[window.Last], hand, apart);
      }
    }
  }
  return pairs;
}

UnitGapState::UnitGapState(const UnitWindows& windows, const std::vector<std::string>& keys,
                           int leftHandLastKey, double classZeroWeight, double classOneWeight)
    : windows_(windows),
      leftHandLastKey_(leftHandLastKey),
      nextWeight_(windows.ByStrokes ? classOneWeight : classZeroWeight),
      apartWeight_(classOneWeight),
      withNext_(windows.ByStrokes ? ByStrokes::WithNext : ByKana::WithNext),
      withApart_(windows.ByStrokes ? ByStrokes::WithApart : ByKana::WithApart),
      keys_(keys),
      features_(FeaturesOfAll(windows, keys, leftHandLastKey)),
      apart_(windows.Outers.size()) {
  const std::size_t units = windows.Slots + 1;
  for (const Window& window : windows.Windows) {
    for (int hand = 0; hand < 2; ++hand) {
      if (Bit(features_[window.Middle].Through, hand) != 0) {
        apart_[window.Outer][static_cast<std::size_t>(hand)] +=
            static_cast<std::int64_t>(window.Count);
      }
    }
  }
  sums_.resize(units);
  middleSums_.resize(units);
  for (std::uint32_t t = 0; t < windows.Outers.size(); ++t) {
    const Outer& outer = windows.Outers[t];
    if (windows.ByStrokes) {
      AddToSums<ByStrokes>(t, features_[outer.First], features_[outer.Last], 1);
    } else {
      AddToSums<ByKana>(t, features_[outer.First], features_[outer.Last], 1);
    }
    AddPairs(static_cast<std::int64_t>(outer.Next), apart_[t], features_[outer.First],
             features_[outer.Last], 1, now_);
  }
  for (const Window& window : windows.Windows) {
    for (int hand = 0; hand < 2; ++hand) {
      middleSums_[window.Middle][static_cast<std::size_t>(hand)] +=
          static_cast<std::int64_t>(window.Count) *
          PairsOf(features_[window.First], features_[window.Last], hand, withApart_);
    }
  }
  for (std::uint32_t slot = 0; slot < windows.Slots; ++slot) {
    SetKeys(slot, keys_[slot]);
  }
  unitStamp_.resize(units);
  newFeatures_.resize(units);
  termStamp_.resize(windows.Outers.size());
}

double UnitGapState::Cost() const {
  return CostOf(now_);
}

void UnitGapState::AddPairs(std::int64_t next, const std::array<std::int64_t, 2>& apart,
                            const UnitFeatures& first, const UnitFeatures& last, std::int64_t sign,
                            Pairs& pairs) const {
  for (int hand = 0; hand < 2; ++hand) {
    pairs.Next += sign * next * PairsOf(first, last, hand, withNext_);
    pairs.Apart +=
        sign * apart[static_cast<std::size_t>(hand)] * PairsOf(first, last, hand, withApart_);
  }
}

template <typename Mode>
void UnitGapState::AddToSums(std::uint32_t term, const UnitFeatures& first,
                             const UnitFeatures& last, std::int64_t sign) {
  const Outer& outer = windows_.Outers[term];
  const auto next = static_cast<std::int64_t>(outer.Next);
  const auto& apart = apart_[term];
  auto add = [&](Sum& sum, std::size_t product, std::size_t hand, std::int64_t feature) {
    if (feature != 0) {
      sum.Next[hand] += sign * Mode::WithNext[product] * next * feature;
      sum.Apart[hand] += sign * Mode::WithApart[product] * apart[hand] * feature;
    }
  };
  for (std::size_t product = 0; product < Mode::Count; ++product) {
    for (std::size_t hand = 0; hand < 2; ++hand) {
      add(sums_[outer.First][product], product, hand, last.AsLast[product][hand]);
      add(sums_[outer.Last][kUnitProducts + product], product, hand, first.AsFirst[product][hand]);
    }
  }
}

template <typename Mode>
void UnitGapState::AddApart(const Window& window, const std::array<std::int64_t, 2>& apart) {
  const UnitFeatures& first = features_[window.First];
  const UnitFeatures& last = features_[window.Last];
  for (std::size_t product = 0; product < Mode::Apart; ++product) {
    for (std::size_t hand = 0; hand < 2; ++hand) {
      const std::int64_t added = Mode::WithApart[product] * apart[hand];
      sums_[window.First][product].Apart[hand] += added * last.AsLast[product][hand];
      sums_[window.Last][kUnitProducts + product].Apart[hand] +=
          added * first.AsFirst[product][hand];
    }
  }
}

// A term list is walked whole while it is short beside the retyped units; else each retyped
// unit's term is searched for, which costs a few dozen steps of the walk.
constexpr std::size_t kWalkPerRetyped = 32;

template <typename Visit>
void UnitGapState::ForTermsFrom(std::uint32_t first, Visit&& visit) const {
  const auto& outers = windows_.Outers;
  const std::uint32_t from = windows_.OutersStart[first], to = windows_.OutersStart[first + 1];
  if (to - from <= kWalkPerRetyped * changedUnits_.size()) {
    for (std::uint32_t t = from; t < to; ++t) {
      if (Retyping(outers[t].Last)) {
        visit(t);
      }
    }
    return;
  }
  for (const std::uint32_t last : changedUnits_) {
    const auto found =
        std::partition_point(outers.begin() + from, outers.begin() + to,
                             [last](const Outer& outer) { return outer.Last < last; });
    if (found != outers.begin() + to && found->Last == last) {
      visit(static_cast<std::uint32_t>(found - outers.begin()));
    }
  }
}

void UnitGapState::Begin() const {
  if (++stamp_ == 0) {
    std::fill(unitStamp_.begin(), unitStamp_.end(), 0);
    stamp_ = 1;
  }
  changedUnits_.clear();
}

void UnitGapState::Mark(std::uint32_t unit, const UnitFeatures& features) const {
  if (features == features_[unit]) {
    return;
  }
  if (unitStamp_[unit] != stamp_) {
    unitStamp_[unit] = stamp_;
    changedUnits_.push_back(unit);
  }
  newFeatures_[unit] = features;
}

namespace {

using ProductFeatures = decltype(UnitFeatures::AsFirst);
using ByProduct = std::array<std::array<std::int64_t, 2>, kUnitProducts>;

// By product and hand: with times scale (by hand) times the change of the features.
template <std::size_t Products>
ByProduct Changed(const ProductFeatures& was, const ProductFeatures& now,
                  const std::array<std::int64_t, kUnitProducts>& with,
                  const std::array<std::int64_t, 2>& scale) {
  ByProduct changed{};
  for (std::size_t product = 0; product < Products; ++product) {
    for (std::size_t hand = 0; hand < 2; ++hand) {
      changed[product][hand] =
          with[product] * scale[hand] * (now[product][hand] - was[product][hand]);
    }
  }
  return changed;
}

// The features of hand times the coefficients, summed over the products.
template <std::size_t Products>
std::int64_t Times(const ProductFeatures& features, const ByProduct& by, std::size_t hand) {
  std::int64_t sum = 0;
  for (std::size_t product = 0; product < Products; ++product) {
    sum += features[product][hand] * by[product][hand];
  }
  return sum;
}

}  // namespace

template <typename Mode>
UnitGapState::Pairs UnitGapState::ChangeOf() const {
  Pairs change;
  // Each retyped unit's features' change times the sums of its terms.
  for (const std::uint32_t unit : changedUnits_) {
    const UnitFeatures& before = Before(unit);
    const UnitFeatures& after = After(unit);
    const Sums& sums = sums_[unit];
    for (std::size_t product = 0; product < Mode::Count; ++product) {
      for (std::size_t hand = 0; hand < 2; ++hand) {
        const std::int64_t asFirst = after.AsFirst[product][hand] - before.AsFirst[product][hand];
        const std::int64_t asLast = after.AsLast[product][hand] - before.AsLast[product][hand];
        const Sum& ofFirst = sums[product];
        const Sum& ofLast = sums[kUnitProducts + product];
        change.Next += asFirst * ofFirst.Next[hand] + asLast * ofLast.Next[hand];
        change.Apart += asFirst * ofFirst.Apart[hand] + asLast * ofLast.Apart[hand];
      }
    }
  }
  // A unit that changes the hands it lets through changes how often the units around it are
  // apart: by hand, +1 where it now lets the hand through, -1 where it no longer does.
  auto through = [&](std::uint32_t unit) {
    const std::uint8_t before = Before(unit).Through, after = After(unit).Through;
    return std::array<std::int64_t, 2>{Bit(after, 0) - Bit(before, 0),
                                       Bit(after, 1) - Bit(before, 1)};
  };
  for (const std::uint32_t middle : changedUnits_) {
    const std::array<std::int64_t, 2> more = through(middle);
    change.Apart += more[0] * middleSums_[middle][0] + more[1] * middleSums_[middle][1];
  }
  const auto& outers = windows_.Outers;
  const auto& all = windows_.Windows;
  // What the changes of the two units of a term make together.
  auto cross = [&](std::uint32_t term) {
    const Outer& outer = outers[term];
    const UnitFeatures &oldFirst = Before(outer.First), &newFirst = After(outer.First);
    const UnitFeatures &oldLast = Before(outer.Last), &newLast = After(outer.Last);
    for (std::size_t product = 0; product < Mode::Count; ++product) {
      for (std::size_t hand = 0; hand < 2; ++hand) {
        const std::int64_t both =
            (newFirst.AsFirst[product][hand] - oldFirst.AsFirst[product][hand]) *
            (newLast.AsLast[product][hand] - oldLast.AsLast[product][hand]);
        change.Next += Mode::WithNext[product] * static_cast<std::int64_t>(outer.Next) * both;
        change.Apart += Mode::WithApart[product] * apart_[term][hand] * both;
      }
    }
  };
  // The windows whose middle and last units are the term's, the middle changing the hands it
  // lets through. Where the first is kept, the change of a window's pairs is the first's
  // features times the last's change, worked out once for the term.
  auto windowsAfter = [&](std::uint32_t t, const std::array<std::int64_t, 2>& more) {
    const UnitFeatures &lastBefore = Before(outers[t].Last), &lastAfter = After(outers[t].Last);
    const ByProduct by =
        Changed<Mode::Apart>(lastBefore.AsLast, lastAfter.AsLast, Mode::WithApart, more);
    std::int64_t pairs = 0;
    for (std::uint32_t w = windows_.WindowsAfter[t]; w < windows_.WindowsAfter[t + 1]; ++w) {
      const Window& window = all[w];
      const UnitFeatures& first = features_[window.First];
      std::int64_t made = 0;
      for (int hand = 0; hand < 2; ++hand) {
        const auto h = static_cast<std::size_t>(hand);
        made += Retyping(window.First)
                    ? more[h] * (PairsOf<Mode::Apart>(newFeatures_[window.First], lastAfter, hand,
                                                      Mode::WithApart) -
                                 PairsOf<Mode::Apart>(first, lastBefore, hand, Mode::WithApart))
                    : Times<Mode::Apart>(first.AsFirst, by, h);
      }
      pairs += made * static_cast<std::int64_t>(window.Count);
    }
    change.Apart += pairs;
  };
  // The windows whose first and middle units are the term's, the middle changing the hands it
  // lets through, and whose last is kept: the last's features times the first's change.
  auto windowsBefore = [&](std::uint32_t t, const std::array<std::int64_t, 2>& more) {
    const UnitFeatures &firstBefore = Before(outers[t].First), &firstAfter = After(outers[t].First);
    const ByProduct by =
        Changed<Mode::Apart>(firstBefore.AsFirst, firstAfter.AsFirst, Mode::WithApart, more);
    std::int64_t pairs = 0;
    const auto& byFirst = windows_.ByFirst;
    for (std::uint32_t at = windows_.WindowsBefore[t]; at < windows_.WindowsBefore[t + 1]; ++at) {
      if (!Retyping(byFirst[at].Last)) {
        const UnitFeatures& last = features_[byFirst[at].Last];
        pairs += static_cast<std::int64_t>(byFirst[at].Count) *
                 (Times<Mode::Apart>(last.AsLast, by, 0) + Times<Mode::Apart>(last.AsLast, by, 1));
      }
    }
    change.Apart += pairs;
  };
  // Every term between two retyped units, found from its first, which changes what it gives
  // the units after it or the hands it lets through (else the term and its windows change with
  // the last alone, through the sums, or not at all).
  for (const std::uint32_t first : changedUnits_) {
    const std::array<std::int64_t, 2> firstMore = through(first);
    const bool firstLets = firstMore[0] != 0 || firstMore[1] != 0;
    if (!ChangesAsFirst(first) && !firstLets) {
      continue;
    }
    ForTermsFrom(first, [&](std::uint32_t t) {
      cross(t);
      if (firstLets) {
        windowsAfter(t, firstMore);
      }
      if (const std::array<std::int64_t, 2> lastMore = through(outers[t].Last);
          lastMore[0] != 0 || lastMore[1] != 0) {
        windowsBefore(t, lastMore);
      }
    });
  }
  change_ = change;
  return change;
}

template <typename Mode>
void UnitGapState::ApplyOf() {
  // The terms with a retyped unit: their shares of the sums are taken out, changed and put in
  // again.
  if (++termRound_ == 0) {
    std::fill(termStamp_.begin(), termStamp_.end(), 0);
    termRound_ = 1;
  }
  affected_.clear();
  auto affect = [this](std::uint32_t term) {
    if (termStamp_[term] != termRound_) {
      termStamp_[term] = termRound_;
      affected_.push_back(term);
    }
  };
  const UnitIndex& byLast = windows_.OutersByLast;
  for (const std::uint32_t unit : changedUnits_) {
    for (std::uint32_t t = windows_.OutersStart[unit];
         ChangesAsFirst(unit) && t < windows_.OutersStart[unit + 1]; ++t) {
      affect(t);
    }
    for (std::uint32_t at = byLast.Start[unit]; ChangesAsLast(unit) && at < byLast.Start[unit + 1];
         ++at) {
      affect(byLast.Items[at]);
    }
  }
  const auto& outers = windows_.Outers;
  for (const std::uint32_t t : affected_) {
    AddToSums<Mode>(t, Before(outers[t].First), Before(outers[t].Last), -1);
  }
  const auto& all = windows_.Windows;
  for (const std::uint32_t unit : changedUnits_) {
    // A unit that changes the hands it lets through changes how often the units around it are
    // apart; the sums of a term not taken out above change by that alone.
    const std::uint8_t before = Before(unit).Through, after = After(unit).Through;
    const std::array<std::int64_t, 2> apartBy = {Bit(after, 0) - Bit(before, 0),
                                                 Bit(after, 1) - Bit(before, 1)};
    for (std::uint32_t at = windows_.WindowsStart[unit];
         before != after && at < windows_.WindowsStart[unit + 1]; ++at) {
      const Window& window = all[at];
      const auto count = static_cast<std::int64_t>(window.Count);
      const std::array<std::int64_t, 2> apart = {apartBy[0] * count, apartBy[1] * count};
      apart_[window.Outer][0] += apart[0];
      apart_[window.Outer][1] += apart[1];
      if (!ChangesAsFirst(window.First) && !ChangesAsLast(window.Last)) {
        AddApart<Mode>(window, apart);
      }
    }
    // The windows around the unit: their pairs by middle. Where the unit is the first and the
    // last is kept, or the unit the last and the first keeps what it gives the units after it,
    // a window's pairs change by the other's features times the unit's change.
    const UnitFeatures &was = Before(unit), &now = After(unit);
    if (ChangesAsFirst(unit)) {
      const ByProduct by = Changed<Mode::Apart>(was.AsFirst, now.AsFirst, Mode::WithApart, {1, 1});
      for (std::uint32_t t = windows_.OutersStart[unit]; t < windows_.OutersStart[unit + 1]; ++t) {
        std::array<std::int64_t, 2> pairs{};
        for (std::uint32_t at = windows_.WindowsBefore[t]; at < windows_.WindowsBefore[t + 1];
             ++at) {
          const UnitWindows::Ahead ahead = windows_.ByFirst[at];
          const auto count = static_cast<std::int64_t>(ahead.Count);
          const UnitFeatures& last = features_[ahead.Last];
          for (int hand = 0; hand < 2; ++hand) {
            const auto h = static_cast<std::size_t>(hand);
            pairs[h] += count * (Retyping(ahead.Last)
                                     ? PairsOf<Mode::Apart>(now, newFeatures_[ahead.Last], hand,
                                                            Mode::WithApart) -
                                           PairsOf<Mode::Apart>(was, last, hand, Mode::WithApart)
                                     : Times<Mode::Apart>(last.AsLast, by, h));
          }
        }
        middleSums_[outers[t].Last][0] += pairs[0];
        middleSums_[outers[t].Last][1] += pairs[1];
      }
    }
    if (ChangesAsLast(unit)) {
      const ByProduct by = Changed<Mode::Apart>(was.AsLast, now.AsLast, Mode::WithApart, {1, 1});
      const UnitIndex& windowsByLast = windows_.ByLast;
      for (std::uint32_t at = windowsByLast.Start[unit]; at < windowsByLast.Start[unit + 1]; ++at) {
        const Window& window = all[windowsByLast.Items[at]];
        if (!ChangesAsFirst(window.First)) {
          const UnitFeatures& first = features_[window.First];
          for (std::size_t h = 0; h < 2; ++h) {
            middleSums_[window.Middle][h] +=
                static_cast<std::int64_t>(window.Count) * Times<Mode::Apart>(first.AsFirst, by, h);
          }
        }
      }
    }
  }
  for (const std::uint32_t t : affected_) {
    AddToSums<Mode>(t, After(outers[t].First), After(outers[t].Last), 1);
  }
  for (const std::uint32_t unit : changedUnits_) {
    features_[unit] = newFeatures_[unit];
  }
  now_.Next += change_.Next;
  now_.Apart += change_.Apart;
  changedUnits_.clear();
}

UnitGapState::Pairs UnitGapState::Change() const {
  return windows_.ByStrokes ? ChangeOf<ByStrokes>() : ChangeOf<ByKana>();
}

void UnitGapState::Apply() {
  if (windows_.ByStrokes) {
    ApplyOf<ByStrokes>();
  } else {
    ApplyOf<ByKana>();
  }
}

double UnitGapState::KeyDelta(int a, int b) const {
  Begin();
  if ((a <= leftHandLastKey_) == (b <= leftHandLastKey_) && IsDrawnKey(a) == IsDrawnKey(b)) {
    return 0;  // every unit keeps its hands and drawn keys
  }
  for (const int key : {a, b}) {
    for (const std::uint32_t slot : slotsOf_[static_cast<std::size_t>(key)]) {
      const std::string& keys = keys_[slot];
      Mark(slot, FeaturesOf(windows_.ByStrokes, keys.size(), leftHandLastKey_, [&](std::size_t i) {
             const int stroke = static_cast<std::uint8_t>(keys[i]);
             return stroke == a ? b : stroke == b ? a : stroke;
           }));
    }
  }
  return CostOf(Change());
}

double UnitGapState::ExchangeKeys(int a, int b) {
  const double change = KeyDelta(a, b);
  if (!changedUnits_.empty()) {  // else no unit changes its features
    Apply();
  }
  const auto ua = static_cast<std::size_t>(a), ub = static_cast<std::size_t>(b);
  auto exchange = [&](std::uint32_t slot) {
    for (char& stroke : keys_[slot]) {
      const auto was = static_cast<std::uint8_t>(stroke);
      stroke = static_cast<char>(was == ua ? ub : was == ub ? ua : was);
    }
  };
  for (const std::uint32_t slot : slotsOf_[ua]) {
    exchange(slot);
  }
  for (const std::uint32_t slot : slotsOf_[ub]) {
    if (std::find(slotsOf_[ua].begin(), slotsOf_[ua].end(), slot) == slotsOf_[ua].end()) {
      exchange(slot);
    }
  }
  std::swap(slotsOf_[ua], slotsOf_[ub]);
  return change;
}

double UnitGapState::Delta(const std::vector<Retyped>& retyped) const {
  Begin();
  for (const Retyped& unit : retyped) {
    Mark(unit.Slot, FeaturesOf(windows_.ByStrokes, unit.Size, leftHandLastKey_,
                               [&unit](std::size_t i) { return unit.Keys[i]; }));
  }
  return CostOf(Change());
}

void UnitGapState::Retype(const std::vector<Retyped>& retyped) {
  Delta(retyped);
  Apply();
  for (const Retyped& unit : retyped) {
    SetKeys(unit.Slot, std::string(unit.Keys, unit.Keys + unit.Size));
  }
}

void UnitGapState::SetKeys(std::uint32_t slot, std::string keys) {
  for (const char stroke : keys_[slot]) {
    std::erase(slotsOf_[static_cast<std::uint8_t>(stroke)], slot);
  }
  keys_[slot] = std::move(keys);
  for (const char stroke : keys_[slot]) {
    auto& slots = slotsOf_[static_cast<std::uint8_t>(stroke)];
    if (std::find(slots.begin(), slots.end(), slot) == slots.end()) {
      slots.push_back(slot);
    }
  }
}

}  // namespace kananet::search
