#include "search/layout_search.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_set>

#include "codes/kana_forms.h"
#include "codes/key_alphabet.h"
#include "search/action_stream.h"

namespace kananet::search {

namespace {

// Changes of cost smaller than this share of the cost's scale are rounding, not improvement:
// a change is scored as a sum of a few hundred terms at most, each rounded to a few parts in
// 1e16 of the scale. An absolute bound let rounding pass for improvement under large weights,
// and the polish exchanged two keys back and forth for ever.
constexpr double kLeast = 1e-10;
// The greedy polish ends after this many steps of a free key or unit, whatever happens: it
// takes a handful of steps after the annealing, but a round must end.
constexpr std::uint64_t kMostPolishSteps = 64;

// The kana that kana is a form of (its first kana voiced, semi-voiced or small), or empty.
std::string PlainForm(const std::string& kana) {
  if (kana.empty() || PlainKanaCode(static_cast<std::uint8_t>(kana[0])) == 0) {
    return "";
  }
  return static_cast<char>(PlainKanaCode(static_cast<std::uint8_t>(kana[0]))) + kana.substr(1);
}

// A key sequence of up to kLongestMoved keys as one number, keys from 1, different for
// different sequences.
std::uint64_t CodeOf(const std::string& keys) {
  std::uint64_t code = 0;
  for (std::size_t i = keys.size(); i-- > 0;) {
    code = code << 6 | (static_cast<std::uint8_t>(keys[i]) + 1u);
  }
  return code;
}

}  // namespace

KanaUnits::KanaUnits(const std::vector<LayoutEntry>& table, std::size_t slots,
                     const PieceCounts& pieces, const std::vector<bool>& pinned,
                     const std::vector<int>& freeKeys)
    : table_(table.begin(), table.begin() + static_cast<std::ptrdiff_t>(slots)),
      pieces_(pieces),
      counted_(slots) {
  // The entries a first match can reach: no earlier entry's kana begins their own.
  std::unordered_set<std::string> earlier;
  std::unordered_map<std::string, std::size_t> slotOf;
  for (std::size_t slot = 0; slot < slots; ++slot) {
    const std::string& kana = table_[slot].Kana;
    bool shadowed = kana.empty();
    for (std::size_t length = 1; length <= kana.size() && !shadowed; ++length) {
      shadowed = earlier.contains(kana.substr(0, length));
    }
    earlier.insert(kana);
    const std::size_t keys = table_[slot].Keys.size();
    counted_[slot] = !shadowed && keys > 0 && keys <= kLongestMoved;
    if (counted_[slot]) {
      slotOf.emplace(kana, slot);
    }
  }
  std::array<bool, 64> free{};
  for (const int key : freeKeys) {
    free[static_cast<std::size_t>(key)] = true;
  }
  auto movable = [&](std::size_t slot) {
    const std::string& keys = table_[slot].Keys;
    return counted_[slot] && !pinned[slot] && std::all_of(keys.begin(), keys.end(), [&](char key) {
             return free[static_cast<std::uint8_t>(key)];
           });
  };
  // An entry typed as the keys of the kana it is a form of, with keys before or after, follows
  // that kana; it never moves alone.
  std::vector<std::size_t> leader(slots, slots);
  std::vector<Follower> following(slots);
  for (std::size_t slot = 0; slot < slots; ++slot) {
    const auto plain = slotOf.find(PlainForm(table_[slot].Kana));
    if (!counted_[slot] || pinned[slot] || plain == slotOf.end()) {
      continue;
    }
    const std::string& own = table_[slot].Keys;
    const std::string& its = table_[plain->second].Keys;
    if (own.size() > its.size() && own.starts_with(its)) {
      following[slot] = {static_cast<std::uint32_t>(slot), "", own.substr(its.size())};
    } else if (own.size() > its.size() && own.ends_with(its)) {
      following[slot] = {static_cast<std::uint32_t>(slot), own.substr(0, own.size() - its.size()),
                         ""};
    } else {
      continue;
    }
    leader[slot] = plain->second;
  }
  std::vector<std::size_t> unitOf(slots, slots);
  for (std::size_t slot = 0; slot < slots && units_.size() < 0xFFFF; ++slot) {
    if (leader[slot] == slots && movable(slot)) {
      unitOf[slot] = units_.size();
      units_.push_back({static_cast<std::uint32_t>(slot), {}});
    }
  }
  for (std::size_t slot = 0; slot < slots; ++slot) {
    if (leader[slot] != slots && unitOf[leader[slot]] != slots) {
      units_[unitOf[leader[slot]]].Followers.push_back(following[slot]);
    }
  }

  afterStart_.assign(slots + 1, 0);
  beforeStart_.assign(slots + 1, 0);
  for (const PieceCounts::Follow& follow : pieces.Follows) {
    ++afterStart_[follow.First + 1];
    ++beforeStart_[follow.Second + 1];
  }
  for (std::size_t slot = 0; slot < slots; ++slot) {
    afterStart_[slot + 1] += afterStart_[slot];
    beforeStart_[slot + 1] += beforeStart_[slot];
  }
  after_.resize(pieces.Follows.size());
  before_.resize(pieces.Follows.size());
  std::vector<std::uint32_t> afterAt(afterStart_.begin(), afterStart_.end() - 1);
  std::vector<std::uint32_t> beforeAt(beforeStart_.begin(), beforeStart_.end() - 1);
  for (const PieceCounts::Follow& follow : pieces.Follows) {
    after_[afterAt[follow.First]++] = {follow.Second, follow.Count};
    before_[beforeAt[follow.Second]++] = {follow.First, follow.Count};
  }
}

bool KanaUnits::LengthsMayChange() const {
  return !keepLengths_ && std::any_of(units_.begin(), units_.end(), [this](const Unit& unit) {
    return table_[unit.Slot].Keys.size() != table_[units_[0].Slot].Keys.size();
  });
}

bool AnyTwoEqual(std::vector<std::size_t> sizes) {
  std::sort(sizes.begin(), sizes.end());
  return std::adjacent_find(sizes.begin(), sizes.end()) != sizes.end();
}

bool KanaUnits::AnyMayExchange() const {
  std::vector<std::size_t> lengths;
  for (const Unit& unit : units_) {
    lengths.push_back(table_[unit.Slot].Keys.size());
  }
  return keepLengths_ ? AnyTwoEqual(std::move(lengths)) : lengths.size() >= 2;
}

std::vector<std::uint16_t> KanaUnits::StartHolds() const {
  std::vector<std::uint16_t> holds(units_.size());
  for (std::size_t unit = 0; unit < holds.size(); ++unit) {
    holds[unit] = static_cast<std::uint16_t>(unit);
  }
  return holds;
}

std::vector<LayoutEntry> KanaUnits::TableOf(const std::vector<std::uint16_t>& holds) const {
  std::vector<LayoutEntry> table = table_;
  for (std::size_t unit = 0; unit < units_.size(); ++unit) {
    const std::string& keys = table_[units_[holds[unit]].Slot].Keys;
    table[units_[unit].Slot].Keys = keys;
    for (const Follower& follower : units_[unit].Followers) {
      table[follower.Slot].Keys = follower.Before + keys + follower.After;
    }
  }
  return table;
}

std::vector<SlotShape> KanaUnits::Shapes() const {
  std::vector<SlotShape> shapes(table_.size());
  for (std::size_t slot = 0; slot < table_.size(); ++slot) {
    shapes[slot].Before = table_[slot].Keys;
  }
  for (std::size_t unit = 0; unit < units_.size(); ++unit) {
    shapes[units_[unit].Slot] = {"", "", static_cast<std::int32_t>(unit)};
    for (const Follower& follower : units_[unit].Followers) {
      shapes[follower.Slot] = {follower.Before, follower.After, static_cast<std::int32_t>(unit)};
    }
  }
  return shapes;
}

double LayoutState::CostScale() const {
  return keys_.Problem().CostScale(FiguresAt(keys_.Problem(), kana_, Now()));
}

StrokeCounts KanaUnits::StrokesOf(const std::vector<std::uint16_t>& holds) const {
  return StrokesOfPieces(pieces_, TableOf(holds));
}

LayoutState::LayoutState(const KeyProblem& keys, const KanaUnits* kana, const Places& places)
    : keys_(keys, places), kana_(kana) {
  if (kana == nullptr) {
    return;
  }
  holds_ = kana->StartHolds();
  const std::size_t slots = kana->table_.size();
  now_.resize(slots);
  first_.resize(slots);
  last_.resize(slots);
  for (std::size_t slot = 0; slot < slots; ++slot) {
    const std::string& start = kana->table_[slot].Keys;
    if (start.empty()) {
      continue;
    }
    first_[slot] = places[static_cast<std::uint8_t>(start.front())];
    last_[slot] = places[static_cast<std::uint8_t>(start.back())];
    if (kana->counted_[slot]) {
      ++taken_[CodeOf(start)];
      now_[slot].Size = static_cast<std::uint8_t>(start.size());
      for (std::size_t i = 0; i < start.size(); ++i) {
        now_[slot].Keys[i] = places[static_cast<std::uint8_t>(start[i])];
      }
    }
  }
  for (std::size_t key = 0; key < places.size(); ++key) {
    startKey_[places[key]] = static_cast<std::uint8_t>(key);
  }
}

void LayoutState::ExchangeKeys(int a, int b) {
  keys_.Exchange(a, b);
  if (kana_ == nullptr) {
    return;
  }
  auto moved = [a, b](std::uint8_t& key) {
    key = key == a ? static_cast<std::uint8_t>(b) : key == b ? static_cast<std::uint8_t>(a) : key;
  };
  for (std::size_t slot = 0; slot < now_.size(); ++slot) {
    moved(first_[slot]);
    moved(last_[slot]);
    for (std::size_t i = 0; i < now_[slot].Size; ++i) {
      moved(now_[slot].Keys[i]);
    }
  }
  std::swap(startKey_[static_cast<std::size_t>(a)], startKey_[static_cast<std::size_t>(b)]);
}

bool LayoutState::Changes(std::size_t u, std::size_t w, std::vector<Change>& changes) const {
  changes.clear();
  if (kana_->keepLengths_ && now_[kana_->units_[u].Slot].Size != now_[kana_->units_[w].Slot].Size) {
    return false;
  }
  auto code = [this](const Sequence& keys) {
    std::uint64_t value = 0;
    for (std::size_t i = keys.Size; i-- > 0;) {
      value = value << 6 | (startKey_[keys.Keys[i]] + 1u);
    }
    return value;
  };
  for (const auto& [mine, other] : {std::pair(u, w), std::pair(w, u)}) {
    const KanaUnits::Unit& unit = kana_->units_[mine];
    const Sequence& took = now_[kana_->units_[other].Slot];
    changes.push_back({unit.Slot, now_[unit.Slot], took});
    for (const KanaUnits::Follower& follower : unit.Followers) {
      const Sequence& before = now_[follower.Slot];
      const std::size_t size = follower.Before.size() + took.Size + follower.After.size();
      if (size > kLongestMoved) {
        return false;
      }
      Sequence after;
      after.Size = static_cast<std::uint8_t>(size);
      std::copy_n(before.Keys.begin(), follower.Before.size(), after.Keys.begin());
      std::copy_n(took.Keys.begin(), took.Size, after.Keys.begin() + follower.Before.size());
      std::copy_n(before.Keys.begin() + (before.Size - follower.After.size()),
                  follower.After.size(), after.Keys.begin() + (size - follower.After.size()));
      changes.push_back({follower.Slot, before, after});
    }
  }
  for (Change& change : changes) {
    change.CodeBefore = code(change.Before);
    change.CodeAfter = code(change.After);
  }
  return true;
}

// Every sequence a move gives is typed by no other entry: a sequence that two entries of the
// start share stays with them.
bool LayoutState::Distinct(const std::vector<Change>& changes) const {
  for (const Change& change : changes) {
    const auto found = taken_.find(change.CodeAfter);
    int count = found == taken_.end() ? 0 : found->second;
    for (const Change& other : changes) {
      count += (other.CodeAfter == change.CodeAfter) - (other.CodeBefore == change.CodeAfter);
    }
    if (count > 1) {
      return false;
    }
  }
  return true;
}

template <typename Add>
void LayoutState::ForEachFollow(const std::vector<Change>& changes, Add add) const {
  auto changed = [&changes](std::uint32_t slot) -> const Change* {
    for (const Change& change : changes) {
      if (change.Slot == slot) {
        return &change;
      }
    }
    return nullptr;
  };
  for (const Change& change : changes) {
    for (std::uint32_t i = kana_->afterStart_[change.Slot]; i < kana_->afterStart_[change.Slot + 1];
         ++i) {
      const KanaUnits::Link& link = kana_->after_[i];
      const Change* next = changed(link.Other);
      add(change.Before.Back(), next ? next->Before.Front() : first_[link.Other],
          change.After.Back(), next ? next->After.Front() : first_[link.Other], link.Count);
    }
    for (std::uint32_t i = kana_->beforeStart_[change.Slot];
         i < kana_->beforeStart_[change.Slot + 1]; ++i) {
      const KanaUnits::Link& link = kana_->before_[i];
      if (changed(link.Other) == nullptr) {  // else counted among the follows after it
        add(last_[link.Other], change.Before.Front(), last_[link.Other], change.After.Front(),
            link.Count);
      }
    }
  }
}

double LayoutState::SelfCost(const Sequence& keys) const {
  const KeyProblem& problem = keys_.Problem();
  double cost = problem.KeyWeight(keys.Keys[0]);
  for (std::size_t i = 1; i < keys.Size; ++i) {
    cost += problem.KeyWeight(keys.Keys[i]) + problem.PairWeight(keys.Keys[i - 1], keys.Keys[i]);
  }
  return cost;
}

std::optional<double> LayoutState::KanaDelta(std::size_t u, std::size_t w) const {
  if (!Changes(u, w, scratch_) || !Distinct(scratch_)) {
    return std::nullopt;
  }
  const KeyProblem& problem = keys_.Problem();
  double delta = 0;
  for (const Change& change : scratch_) {
    delta += static_cast<double>(kana_->pieces_.Uses[change.Slot]) *
             (SelfCost(change.After) - SelfCost(change.Before));
  }
  ForEachFollow(scratch_, [&](int from, int to, int fromAfter, int toAfter, std::uint64_t count) {
    delta += static_cast<double>(count) *
             (problem.PairWeight(fromAfter, toAfter) - problem.PairWeight(from, to));
  });
  if (problem.HasFingerTargets()) {
    // Each changed entry's strokes move from the fingers of its keys before to those after.
    std::array<double, kFingerCount> moved{};
    for (const Change& change : scratch_) {
      const auto uses = static_cast<double>(kana_->pieces_.Uses[change.Slot]);
      for (const auto& [keys, sign] :
           {std::pair(&change.Before, -uses), std::pair(&change.After, uses)}) {
        for (std::size_t i = 0; i < keys->Size; ++i) {
          if (keys->Keys[i] < kKeyCount) {
            moved[problem.FingerAt(keys->Keys[i])] += sign;
          }
        }
      }
    }
    delta += keys_.FingerDelta(moved);
  }
  if (problem.HasUnitGaps()) {
    delta += keys_.RetypeDelta(RetypedOf(scratch_));
  }
  return delta;
}

const std::vector<Retyped>& LayoutState::RetypedOf(const std::vector<Change>& changes) const {
  retyped_.clear();
  for (const Change& change : changes) {
    retyped_.push_back({change.Slot, change.After.Keys.data(), change.After.Size});
  }
  return retyped_;
}

void LayoutState::ExchangeKana(std::size_t u, std::size_t w) {
  Changes(u, w, scratch_);
  for (const Change& change : scratch_) {
    const auto uses = static_cast<double>(kana_->pieces_.Uses[change.Slot]);
    for (const auto& [keys, sign] :
         {std::pair(&change.Before, -1.0), std::pair(&change.After, 1.0)}) {
      for (std::size_t i = 0; i < keys->Size; ++i) {
        keys_.AddStrokes(keys->Keys[i], sign * uses);
        if (i > 0) {
          keys_.AddPairs(keys->Keys[i - 1], keys->Keys[i], sign * uses);
        }
      }
    }
  }
  ForEachFollow(scratch_, [&](int from, int to, int fromAfter, int toAfter, std::uint64_t count) {
    keys_.AddPairs(from, to, -static_cast<double>(count));
    keys_.AddPairs(fromAfter, toAfter, static_cast<double>(count));
  });
  if (keys_.Problem().HasUnitGaps()) {
    keys_.Retype(RetypedOf(scratch_));
  }
  for (const Change& change : scratch_) {
    --taken_[change.CodeBefore];
  }
  for (const Change& change : scratch_) {
    ++taken_[change.CodeAfter];
    now_[change.Slot] = change.After;
    first_[change.Slot] = change.After.Front();
    last_[change.Slot] = change.After.Back();
  }
  std::swap(holds_[u], holds_[w]);
}

Random RandomOfRound(std::uint64_t seed, std::uint64_t round) {
  return Random(seed * 0x2545F4914F6CDD1Du ^ round);
}

Places StartPlacesOfRound(const std::vector<int>& keys, std::uint64_t round, Random& random) {
  Places start = StartPlaces();
  if (round > 0) {
    std::vector<int> shuffled = keys;
    for (std::size_t i = shuffled.size(); i > 1; --i) {
      std::swap(shuffled[i - 1], shuffled[random.Below(i)]);
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
      start[static_cast<std::size_t>(keys[i])] = static_cast<std::uint8_t>(shuffled[i]);
    }
  }
  return start;
}

LayoutState StartOfRound(const KeyProblem& problem, const KanaUnits* kana, std::uint64_t seed,
                         std::uint64_t round) {
  Random random = RandomOfRound(seed, round);
  LayoutState state(problem, kana, StartPlacesOfRound(problem.FreeKeys(), round, random));
  for (std::size_t i = round > 0 && kana != nullptr ? kana->Size() : 0; i > 1; --i) {
    const std::size_t j = random.Below(i);
    if (j != i - 1 && state.KanaDelta(i - 1, j)) {
      state.ExchangeKana(i - 1, j);
    }
  }
  return state;
}

template <typename State>
bool Improve(State& state, const std::vector<int>& keys, std::size_t units,
             std::atomic<std::uint64_t>& candidates, const std::atomic<bool>& stop,
             const std::type_identity_t<std::function<void(const State&)>>& accepted) {
  bool whole = true;
  const double least = kLeast * (1 + state.CostScale());
  for (std::uint64_t step = 0; step < kMostPolishSteps * (keys.size() + units + 1); ++step) {
    if (stop.load(std::memory_order_relaxed)) {
      whole = false;
      break;
    }
    double best = -least;
    int bestA = -1, bestB = -1;
    for (std::size_t i = 0; i < keys.size(); ++i) {
      for (std::size_t j = i + 1; j < keys.size(); ++j) {
        const std::optional<double> delta = state.KeyDelta(keys[i], keys[j]);
        if (delta && *delta < best) {
          best = *delta;
          bestA = keys[i];
          bestB = keys[j];
        }
      }
    }
    candidates.fetch_add(keys.size() * (keys.size() - 1) / 2, std::memory_order_relaxed);
    std::size_t bestU = 0, bestW = 0;
    // A step over thousands of units scores millions of pairs: the progress and a stop are
    // seen within it, row by row.
    for (std::size_t u = 0; u < units && whole; ++u) {
      candidates.fetch_add(units - u - 1, std::memory_order_relaxed);
      whole = !stop.load(std::memory_order_relaxed);
      for (std::size_t w = u + 1; w < units; ++w) {
        const std::optional<double> delta = state.KanaDelta(u, w);
        if (delta && *delta < best) {
          best = *delta;
          bestU = u;
          bestW = w;
          bestA = -1;
        }
      }
    }
    if (!whole) {
      break;
    }
    if (bestA >= 0) {
      state.ExchangeKeys(bestA, bestB);
    } else if (bestU != bestW) {
      state.ExchangeKana(bestU, bestW);
    } else {
      break;
    }
    if (accepted) {
      accepted(state);
    }
  }
  return whole;
}

std::uint64_t AnnealingSteps(std::size_t keys, std::size_t units) {
  return 50 * (keys * keys + units * units) / 2;
}

template <typename State>
bool Anneal(State& state, const std::vector<int>& keys, std::size_t units, std::uint64_t seed,
            std::uint64_t round, std::uint64_t steps, std::atomic<std::uint64_t>& candidates,
            const std::atomic<bool>& stop,
            const std::type_identity_t<std::function<void(const State&)>>& accepted) {
  Random random(seed * 0x9E3779B97F4A7C15u + round);
  const auto keyPairs = static_cast<double>(keys.size() * (keys.size() - 1) / 2);
  const auto unitPairs = static_cast<double>(units * (units - 1) / 2);
  if (keyPairs + unitPairs == 0) {
    return true;
  }
  auto uniform = [&random] { return static_cast<double>(random.Next() >> 11) * 0x1.0p-53; };
  struct Move {
    bool Keys = true;
    std::size_t A = 0, B = 0;
  };
  auto pick = [&] {
    Move move;
    move.Keys = uniform() * (keyPairs + unitPairs) < keyPairs;
    const std::size_t size = move.Keys ? keys.size() : units;
    move.A = random.Below(size);
    move.B = (move.A + 1 + random.Below(size - 1)) % size;
    return move;
  };
  auto delta = [&](const Move& move) -> std::optional<double> {
    return move.Keys ? std::optional(state.KeyDelta(keys[move.A], keys[move.B]))
                     : state.KanaDelta(move.A, move.B);
  };
  // The temperature falls geometrically from the mean rise of cost of random moves, where
  // about a third of the typical rises are taken, to a thousandth of it, where nearly none is.
  double rise = 0;
  int rises = 0;
  for (int i = 0; i < 200; ++i) {
    if (const std::optional<double> change = delta(pick()); change && *change > 0) {
      rise += *change;
      ++rises;
    }
  }
  const double hot = rises > 0 ? rise / rises : 1, cooling = std::log(1e-3);
  candidates.fetch_add(200, std::memory_order_relaxed);
  bool whole = true;
  std::uint64_t step = 0, counted = 0;  // counted: the steps added to candidates so far
  for (; step < steps; ++step) {
    // A step of a large layout with the gap classes weighted takes many microseconds: a stop
    // is seen within a few dozen of them.
    if (step % 64 == 0) {
      if (step % 4096 == 0) {
        candidates.fetch_add(step - counted, std::memory_order_relaxed);
        counted = step;
      }
      if (stop.load(std::memory_order_relaxed)) {
        whole = false;
        break;
      }
    }
    const double temperature =
        hot * std::exp(cooling * static_cast<double>(step) / static_cast<double>(steps));
    const Move move = pick();
    const std::optional<double> change = delta(move);
    if (change && (*change <= 0 || uniform() < std::exp(-*change / temperature))) {
      if (move.Keys) {
        state.ExchangeKeys(keys[move.A], keys[move.B]);
      } else {
        state.ExchangeKana(move.A, move.B);
      }
      if (accepted) {
        accepted(state);
      }
    }
  }
  candidates.fetch_add(step - counted, std::memory_order_relaxed);
  return whole;
}

template bool Improve(LayoutState&, const std::vector<int>&, std::size_t,
                      std::atomic<std::uint64_t>&, const std::atomic<bool>&,
                      const std::function<void(const LayoutState&)>&);
template bool Improve(ActionState&, const std::vector<int>&, std::size_t,
                      std::atomic<std::uint64_t>&, const std::atomic<bool>&,
                      const std::function<void(const ActionState&)>&);
template bool Anneal(LayoutState&, const std::vector<int>&, std::size_t, std::uint64_t,
                     std::uint64_t, std::uint64_t, std::atomic<std::uint64_t>&,
                     const std::atomic<bool>&, const std::function<void(const LayoutState&)>&);
template bool Anneal(ActionState&, const std::vector<int>&, std::size_t, std::uint64_t,
                     std::uint64_t, std::uint64_t, std::atomic<std::uint64_t>&,
                     const std::atomic<bool>&, const std::function<void(const ActionState&)>&);

RoundResult RunRound(const KeyProblem& problem, const KanaUnits* kana, std::uint64_t seed,
                     std::uint64_t round, std::atomic<std::uint64_t>& candidates,
                     const std::atomic<bool>& stop,
                     const std::function<void(const LayoutState&)>& accepted) {
  LayoutState state = StartOfRound(problem, kana, seed, round);
  const std::vector<int>& keys = problem.FreeKeys();
  const std::size_t units = kana != nullptr ? kana->Size() : 0;
  RoundResult result;
  result.Whole = Anneal(state, keys, units, seed, round, AnnealingSteps(keys.size(), units),
                        candidates, stop, accepted) &&
                 Improve(state, keys, units, candidates, stop, accepted);
  result.At = state.Now();
  result.Figures = FiguresAt(problem, kana, result.At);
  result.Cost = problem.CostOf(result.Figures);
  if (!CostsAgree(state.Cost(), result.Cost)) {
    char message[160];
    std::snprintf(message, sizeof message, "round %llu kept cost %.9f but its layout costs %.9f",
                  static_cast<unsigned long long>(round), state.Cost(), result.Cost);
    throw CostDrifted(message);
  }
  return result;
}

bool CostsAgree(double kept, double scored) {
  return std::abs(kept - scored) <= 1e-6 * (1 + std::abs(scored));
}

FigureCounts FiguresAt(const KeyProblem& keys, const KanaUnits* kana, const Arrangement& at) {
  if (kana == nullptr || at.Holds.empty()) {
    return keys.FiguresAt(at.At);
  }
  FigureCounts figures = keys.FiguresAt(kana->StrokesOf(at.Holds), at.At);
  if (keys.HasUnitGaps()) {
    std::vector<std::string> typed;
    for (const LayoutEntry& entry : kana->TableOf(at.Holds)) {
      typed.push_back(entry.Keys);
    }
    keys.UnitGapsInto(figures, KeysAt(std::move(typed), at.At), at.At);
  }
  return figures;
}

std::vector<std::pair<std::size_t, std::size_t>> ExchangesTo(
    const std::vector<std::uint16_t>& holds) {
  // Give each unit in turn the keys it ends with, taking them from the unit that has them now.
  std::vector<std::pair<std::size_t, std::size_t>> exchanges;
  std::vector<std::size_t> now(holds.size()), holder(holds.size());
  for (std::size_t unit = 0; unit < holds.size(); ++unit) {
    now[unit] = holder[unit] = unit;
  }
  for (std::size_t unit = 0; unit < holds.size(); ++unit) {
    if (now[unit] != holds[unit]) {
      const std::size_t other = holder[holds[unit]];
      exchanges.emplace_back(unit, other);
      std::swap(now[unit], now[other]);
      holder[now[unit]] = unit;
      holder[now[other]] = other;
    }
  }
  return exchanges;
}

std::vector<LayoutEntry> TableAt(const std::vector<LayoutEntry>& table, std::size_t slots,
                                 const KanaUnits* kana, const Arrangement& at) {
  std::vector<LayoutEntry> moved =
      kana != nullptr && !at.Holds.empty()
          ? kana->TableOf(at.Holds)
          : std::vector<LayoutEntry>(table.begin(),
                                     table.begin() + static_cast<std::ptrdiff_t>(slots));
  for (LayoutEntry& entry : moved) {
    for (char& key : entry.Keys) {
      if (static_cast<std::uint8_t>(key) < at.At.size()) {  // not a kKeyJoin
        key = static_cast<char>(at.At[static_cast<std::uint8_t>(key)]);
      }
    }
  }
  return moved;
}

}  // namespace kananet::search
