#include "search/hand_sets.h"

#include <algorithm>
#include <bit>

#include "analysis/entry_matcher.h"
#include "platform/files.h"
#include "search/matched_runs.h"

namespace kananet::search {

namespace {

// The members of a run or of a stretch gathered so far, each once, in the order first struck,
// with a hash that does not depend on that order: a bit by member says whether it is in, so a
// run's members need no sorting to be compared with a set counted before, and come out sorted
// from the bits when the set is new.
class Gathered {
 public:
  explicit Gathered(std::size_t members) : bits_((members + 63) / 64), members_(members + 1) {}

  // Without a branch on whether the member is new: a run strikes its members over and over,
  // in no order a processor could foresee.
  void Add(std::uint32_t member) {
    std::uint64_t& word = bits_[member / 64];
    const std::uint64_t bit = std::uint64_t{1} << member % 64;
    const bool added = (word & bit) == 0;
    word |= bit;
    members_[size_] = member;
    size_ += added;
    // Any fixed odd multiplier spreads the members; the sum keeps the order out of the hash.
    std::uint64_t mixed = (member + std::uint64_t{1}) * 0x9E3779B97F4A7C15u;
    mixed ^= mixed >> 32;
    hash_ += mixed * 0xD6E8FEB86659FD93u & (std::uint64_t{0} - added);
  }
  bool Holds(std::uint32_t member) const { return (bits_[member / 64] >> member % 64 & 1) != 0; }
  std::size_t Size() const { return size_; }
  std::uint64_t Hash() const { return hash_ ^ size_ * 0xBF58476D1CE4E5B9u; }
  // Appends the members to sorted, in order.
  void AppendSorted(std::vector<std::uint32_t>& sorted) const {
    for (std::size_t word = 0; word < bits_.size(); ++word) {
      for (std::uint64_t bits = bits_[word]; bits != 0; bits &= bits - 1) {
        sorted.push_back(static_cast<std::uint32_t>(word * 64 + std::countr_zero(bits)));
      }
    }
  }

  void Clear() {
    for (std::size_t at = 0; at < size_; ++at) {
      bits_[members_[at] / 64] = 0;
    }
    size_ = 0;
    hash_ = 0;
  }

 private:
  std::vector<std::uint64_t> bits_;
  // Room for every member once, and the one more place Add writes to before it knows whether
  // the member is new.
  std::vector<std::uint32_t> members_;
  std::size_t size_ = 0;
  std::uint64_t hash_ = 0;
};

constexpr std::size_t kReadAhead = 8;  // sets whose pairs are read ahead in a list

// The sets of members counted, each kept once: a flat table of their hashes over the sets,
// whose members lie one after another, sorted, in a store shared with other counts. Millions of
// runs are looked up; most were counted before, and are found by testing the stored members in
// the gathered ones' bits.
class SetCounts {
 public:
  explicit SetCounts(std::vector<std::uint32_t>& members) : members_(members) {}

  // Counts the gathered set of members, if it has any, and clears it.
  void Add(Gathered& gathered) {
    if (gathered.Size() == 0) {  // a stretch of no key holds no left-hand key
      return;
    }
    std::uint64_t hash = gathered.Hash();
    hash = (hash ^ hash >> 31) * 0x9E3779B97F4A7C15u;
    for (std::size_t at = static_cast<std::size_t>(hash >> shift_);; at = (at + 1) & mask_) {
      Cell& cell = cells_[at];
      if (cell.Set == kEmpty) {
        cell = {hash, static_cast<std::uint32_t>(sets_.size())};
        sets_.push_back({static_cast<std::uint32_t>(members_.size()),
                         static_cast<std::uint32_t>(members_.size() + gathered.Size()), 1});
        gathered.AppendSorted(members_);
        if (sets_.size() * 4 > cells_.size() * 3) {
          Grow();
        }
        break;
      }
      if (cell.Hash == hash) {
        const HandSets::Set& set = sets_[cell.Set];
        if (set.End - set.Begin == gathered.Size() &&
            std::all_of(members_.begin() + set.Begin, members_.begin() + set.End,
                        [&gathered](std::uint32_t member) { return gathered.Holds(member); })) {
          ++sets_[cell.Set].Count;
          break;
        }
      }
    }
    gathered.Clear();
  }

  // Moves the sets to sets, as runs or as stretches.
  void ListInto(bool bothHands, HandSets& sets) {
    cells_ = std::vector<Cell>();
    for (HandSets::Set& set : sets_) {
      set.BothHands = bothHands;
    }
    if (sets.Sets.empty()) {
      sets.Sets = std::move(sets_);  // not copied: there may be millions
    } else {
      sets.Sets.insert(sets.Sets.end(), sets_.begin(), sets_.end());
    }
    sets_ = std::vector<HandSets::Set>();
  }

 private:
  static constexpr std::uint32_t kEmpty = ~std::uint32_t{0};
  static constexpr int kFirstBits = 12;
  struct Cell {
    std::uint64_t Hash = 0;
    std::uint32_t Set = kEmpty;
  };

  // The cells are found by the hash's top bits.
  void Grow() {
    std::vector<Cell> old(cells_.size() * 2);
    old.swap(cells_);
    --shift_;
    mask_ = cells_.size() - 1;
    for (const Cell& cell : old) {
      if (cell.Set != kEmpty) {
        std::size_t at = static_cast<std::size_t>(cell.Hash >> shift_);
        while (cells_[at].Set != kEmpty) {
          at = (at + 1) & mask_;
        }
        cells_[at] = cell;
      }
    }
  }

  std::vector<Cell> cells_ = std::vector<Cell>(std::size_t{1} << kFirstBits);
  int shift_ = 64 - kFirstBits;
  std::size_t mask_ = (std::size_t{1} << kFirstBits) - 1;
  std::vector<HandSets::Set> sets_;
  std::vector<std::uint32_t>& members_;
};

// What a lane knows of the run it is in: its members, and those since the last space stroke.
// Where no slot strikes the space key, no stretch is ever counted and none is gathered.
struct RunSoFar {
  Gathered Members, SinceSpace;
  std::uint64_t Spaces = 0;
  bool Stretches;

  RunSoFar(std::size_t members, bool stretches)
      : Members(members), SinceSpace(stretches ? members : 0), Stretches(stretches) {}

  void Strike(std::uint8_t key, SetCounts& stretches) {
    Members.Add(key);
    if (key == 0) {
      stretches.Add(SinceSpace);  // first space: the keys before it; else those between
      ++Spaces;
    } else if (Stretches) {
      SinceSpace.Add(key);
    }
  }

  void Unit(std::uint32_t member) {
    Members.Add(member);
    if (Stretches) {
      SinceSpace.Add(member);
    }
  }

  void End(HandSets& sets, SetCounts& runs, SetCounts& stretches) {
    runs.Add(Members);
    if (Spaces > 0) {
      stretches.Add(SinceSpace);  // the keys after the last space stroke
      sets.SpacePairs += Spaces - 1;
    }
    SinceSpace.Clear();
    Spaces = 0;
  }
};

std::uint64_t KeysOf(std::string_view keys) {
  std::uint64_t mask = 0;
  for (const char key : keys) {
    mask |= std::uint64_t{1} << static_cast<std::uint8_t>(key);
  }
  return mask;
}

// The hands a set of keys by place uses: bit 0 the left, bit 1 the right.
std::uint8_t HandsOfPlaces(std::string_view keys, int leftHandLastKey) {
  std::uint8_t hands = 0;
  for (const char key : keys) {
    hands |= static_cast<std::uint8_t>(static_cast<std::uint8_t>(key) > leftHandLastKey ? 2 : 1);
  }
  return hands;
}

std::int64_t Lost(std::uint8_t uses, bool bothHands) {
  return (uses & 1) + (bothHands ? uses >> 1 & 1 : 0);
}

}  // namespace

HandSets CountHandSets(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                       bool breakAfterPunctuation, const std::vector<SlotShape>& shapes) {
  const std::size_t slots = MatchingSlots(table);
  HandSets sets;
  sets.UnitOfSlot.assign(slots, -1);
  for (std::size_t slot = 0; slot < slots; ++slot) {
    const SlotShape& shape = shapes[slot];
    if (shape.Unit >= 0 && shape.Before.empty() && shape.After.empty()) {
      const auto unit = static_cast<std::size_t>(shape.Unit);
      if (sets.UnitSlots.size() <= unit) {
        sets.UnitSlots.resize(unit + 1);
        sets.UnitStartKeys.resize(unit + 1);
      }
      sets.UnitSlots[unit] = static_cast<std::uint32_t>(slot);
      sets.UnitStartKeys[unit] = table[slot].Keys;
      sets.UnitOfSlot[slot] = shape.Unit;
    }
  }
  sets.UnitUses.assign(sets.UnitSlots.size(), 0);
  // The members of the sets go straight to their place. Room for one per four bytes of text
  // (more than measured texts need, and untouched room costs no memory) spares the copies of
  // growing. Millions of members are written to fresh memory, in huge pages where the kernel
  // can.
  sets.Members.reserve(kanaCodes.size() / 4);
  AdviseLargeBuffer(sets.Members.data(), sets.Members.capacity() * sizeof(std::uint32_t));
  SetCounts runs(sets.Members), stretches(sets.Members);
  const std::size_t members = HandSets::kUnitMembers + sets.UnitSlots.size();
  const bool spaces =
      std::any_of(shapes.begin(), shapes.begin() + slots, [](const SlotShape& shape) {
        return shape.Before.find('\0') != std::string::npos ||
               shape.After.find('\0') != std::string::npos;
      });
  RunSoFar lanes[kLanes] = {RunSoFar(members, spaces), RunSoFar(members, spaces),
                            RunSoFar(members, spaces), RunSoFar(members, spaces)};
  ForEachMatchedEntry(
      kanaCodes, table, breakAfterPunctuation,
      [&](std::size_t lane, std::size_t slot) {
        const SlotShape& shape = shapes[slot];
        for (const char key : shape.Before) {
          lanes[lane].Strike(static_cast<std::uint8_t>(key), stretches);
        }
        if (shape.Unit >= 0) {
          lanes[lane].Unit(HandSets::kUnitMembers + static_cast<std::uint32_t>(shape.Unit));
          ++sets.UnitUses[static_cast<std::size_t>(shape.Unit)];
        }
        for (const char key : shape.After) {
          lanes[lane].Strike(static_cast<std::uint8_t>(key), stretches);
        }
        sets.FixedStrokes += shape.Before.size() + shape.After.size();
      },
      [&](std::size_t lane) { lanes[lane].End(sets, runs, stretches); });
  runs.ListInto(true, sets);
  stretches.ListInto(false, sets);
  return sets;
}

std::int64_t AllPairsAt(const HandSets& sets, const std::vector<std::string>& keys,
                        const std::array<std::uint8_t, 64>& places, int leftHandLastKey) {
  auto strokes = static_cast<std::int64_t>(sets.FixedStrokes);
  for (std::size_t unit = 0; unit < sets.UnitSlots.size(); ++unit) {
    strokes += static_cast<std::int64_t>(sets.UnitUses[unit] * keys[sets.UnitSlots[unit]].size());
  }
  std::int64_t lost = static_cast<std::int64_t>(sets.SpacePairs);
  for (const HandSets::Set& set : sets.Sets) {
    std::uint8_t uses = 0;
    for (std::uint32_t at = set.Begin; at < set.End; ++at) {
      const std::uint32_t member = sets.Members[at];
      uses |= member < HandSets::kUnitMembers
                  ? (places[member] > leftHandLastKey ? 2 : 1)
                  : HandsOfPlaces(keys[sets.UnitSlots[member - HandSets::kUnitMembers]],
                                  leftHandLastKey);
    }
    lost += static_cast<std::int64_t>(set.Count) * Lost(uses, set.BothHands);
  }
  return strokes - lost;
}

HandSetState::HandSetState(const HandSets& sets, const std::vector<int>& freeKeys,
                           int leftHandLastKey, const std::array<std::uint8_t, 64>& places)
    : sets_(sets), leftHandLastKey_(leftHandLastKey) {
  for (const int key : freeKeys) {
    free_ |= std::uint64_t{1} << key;
  }
  for (std::size_t key = 0; key < places.size(); ++key) {
    occupant_[places[key]] = static_cast<std::uint8_t>(key);
    leftKeys_ |= static_cast<std::uint64_t>(places[key] <= leftHandLastKey) << key;
  }
  const std::size_t units = sets.UnitSlots.size();
  const std::size_t members = HandSets::kUnitMembers + units;
  keys_.resize(members);
  for (std::uint32_t key = 0; key < HandSets::kUnitMembers; ++key) {
    keys_[key] = std::uint64_t{1} << key;
  }
  strokes_ = static_cast<std::int64_t>(sets.FixedStrokes);
  lengths_.resize(units);
  for (std::size_t unit = 0; unit < units; ++unit) {
    const std::uint64_t keys = KeysOf(sets.UnitStartKeys[unit]);
    keys_[HandSets::kUnitMembers + unit] = keys;
    for (std::uint64_t rest = keys; rest != 0; rest &= rest - 1) {
      unitsWith_[static_cast<std::size_t>(std::countr_zero(rest))].push_back(
          static_cast<std::uint32_t>(unit));
    }
    lengths_[unit] = static_cast<std::uint8_t>(sets.UnitStartKeys[unit].size());
    strokes_ += static_cast<std::int64_t>(sets.UnitUses[unit] * lengths_[unit]);
  }
  const std::size_t count = sets.Sets.size();
  for (const std::uint32_t member : sets.Members) {
    struck_ |= member < HandSets::kUnitMembers ? std::uint64_t{1} << member : 0;
  }
  pairs_.resize(count);
  for (std::uint32_t set = 0; set < count; ++set) {
    if (!sets.Sets[set].BothHands) {
      pairs_[set].Of[1][0] = kOneHand;  // a stretch counts its left hand only
    }
  }
  pairedIn_.resize(2 * members);
  listBound_.assign(2 * members, 64);
  watchedBy_.resize(members);
  memberStamp_.assign(members, 0);
  keysAfter_.assign(members, 0);
  now_ = strokes_ - static_cast<std::int64_t>(sets.SpacePairs);
  for (std::uint32_t set = 0; set < count; ++set) {
    const HandSets::Set& counted = sets.Sets[set];
    now_ -= static_cast<std::int64_t>(counted.Count) * Lost(UsesNow(set), counted.BothHands);
    PairOrWatch(set);
  }
}

bool HandSetState::AloneOn(std::uint32_t member, std::uint64_t key, int hand) const {
  const auto start = static_cast<std::size_t>(std::countr_zero(key));
  if ((struck_ & key) != 0 && member != start) {
    return false;
  }
  for (const std::uint32_t unit : unitsWith_[start]) {
    if (HandSets::kUnitMembers + unit != member &&
        HandKeys(HandSets::kUnitMembers + unit, hand) == key) {
      return false;
    }
  }
  return true;
}

bool HandSetState::StaysOnHand(std::uint32_t first, std::uint32_t second, int hand) const {
  const std::uint64_t a = HandKeys(first, hand);
  if (first == second) {  // a key that never moves
    return first < HandSets::kUnitMembers && a != 0 && (a & free_) == 0;
  }
  const std::uint64_t b = HandKeys(second, hand);
  return a != 0 && b != 0 && !(a == b && (a & (a - 1)) == 0);
}

bool HandSetState::RepairFromSpares(std::uint32_t set, int hand) {
  std::uint32_t* pair = pairs_[set].Of[hand];
  // The first two of the pair and its spares that hold together, the pair's own first.
  for (std::size_t first = 0; first + 1 < kKept; ++first) {
    for (std::size_t second = first + 1; second < kKept; ++second) {
      if (pair[first] == kNone || pair[second] == kNone ||
          !StaysOnHand(pair[first], pair[second], hand)) {
        continue;
      }
      std::uint32_t old[kKept];
      std::copy(pair, pair + kKept, old);
      std::fill(pair, pair + kKept, kNone);
      pair[0] = old[first];
      pair[1] = old[second];
      std::uint32_t* spare = pair + 2;
      for (std::size_t other = 0; other < kKept; ++other) {
        if (other != first && other != second && old[other] != kNone &&
            HandKeys(old[other], hand) != 0) {
          *spare++ = old[other];
        }
      }
      for (const std::size_t paired : {first, second}) {
        if (paired >= 2) {  // a spare is listed once it pairs
          List(old[paired] * 2 + static_cast<std::uint32_t>(hand), set);
        }
      }
      return true;
    }
  }
  return false;
}

bool HandSetState::FindPair(std::uint32_t set, int hand) {
  const HandSets::Set& counted = sets_.Sets[set];
  const std::uint32_t* members = &sets_.Members[counted.Begin];
  const std::uint32_t size = counted.End - counted.Begin;
  std::uint32_t* pair = pairs_[set].Of[hand];
  // A key on the hand that never moves is a pair that lasts, so only a set's first look finds
  // one; the start keys come first.
  std::uint32_t found[kKept];
  std::fill(found, found + kKept, kNone);
  for (std::uint32_t at = 0; pair[0] == kNone && at < size && members[at] < HandSets::kUnitMembers;
       ++at) {
    if (StaysOnHand(members[at], members[at], hand)) {
      pair[0] = pair[1] = members[at];
      return true;
    }
  }
  // Else the first two members from a place of the set's own that hold together, and the next
  // ones on the hand as spares, to pair without a scan when the pair breaks: taking the first
  // found keeps the scan short, and starting at its own place spreads the pairs over the
  // members, so that no member holds most of them.
  const std::uint32_t offset = ScanStart(set, counted);
  std::size_t got = 0;
  for (std::uint32_t i = 0, at = offset; i < size && got < kKept;
       ++i, at = at + 1 == size ? 0 : at + 1) {
    const std::uint32_t member = members[at];
    if (HandKeys(member, hand) != 0 && (got != 1 || StaysOnHand(found[0], member, hand))) {
      found[got++] = member;
    }
  }
  if (got < 2) {
    return false;
  }
  // A member of the old pair is still listed with it.
  const std::uint32_t old[2] = {pair[0], pair[1]};
  std::copy(found, found + kKept, pair);
  for (const std::uint32_t paired : {found[0], found[1]}) {
    if (paired != old[0] && paired != old[1]) {
      List(paired * 2 + static_cast<std::uint32_t>(hand), set);
    }
  }
  return true;
}

void HandSetState::List(std::uint32_t list, std::uint32_t set) {
  std::vector<std::uint32_t>& sets = pairedIn_[list];
  sets.push_back(set);
  // Old pairs leave a list when its member's pairs are looked at again; a list that grows
  // past twice what it held when last cleared is cleared of them at once, and of the sets it
  // holds twice: a member that leaves a pair and comes back is listed again.
  if (sets.size() > listBound_[list]) {
    const std::uint32_t member = list / 2;
    const std::size_t hand = list % 2;
    std::sort(sets.begin(), sets.end());
    sets.erase(std::unique(sets.begin(), sets.end()), sets.end());
    std::erase_if(sets, [&](std::uint32_t held) {
      const std::uint32_t* pair = pairs_[held].Of[hand];
      return pair[0] != member && pair[1] != member;
    });
    listBound_[list] = static_cast<std::uint32_t>(2 * sets.size() + 64);
  }
}

bool HandSetState::RepairBothHands(std::uint32_t set) {
  for (int hand = 0; hand < 2; ++hand) {
    const std::uint32_t* pair = pairs_[set].Of[hand];
    if (pair[0] == kOneHand || (pair[0] != kNone && StaysOnHand(pair[0], pair[1], hand))) {
      continue;
    }
    if (pair[0] == kNone || !RepairFromSpares(set, hand)) {
      return false;
    }
  }
  return true;
}

void HandSetState::PairOrWatch(std::uint32_t set) {
  for (int hand = 0; hand < 2; ++hand) {
    const std::uint32_t* pair = pairs_[set].Of[hand];
    if (pair[0] == kOneHand || (pair[0] != kNone && StaysOnHand(pair[0], pair[1], hand))) {
      continue;
    }
    if ((pair[0] == kNone || !RepairFromSpares(set, hand)) && !FindPair(set, hand)) {
      const HandSets::Set& counted = sets_.Sets[set];
      for (std::uint32_t* kept : pairs_[set].Of) {
        std::fill(kept, kept + kKept, kNone);
        kept[0] = kept[1] = kWatched;
      }
      Watched& watched = watchedSets_.emplace_back();
      watched.Set = set;
      watched.Count = static_cast<std::int64_t>(counted.Count);
      watched.BothHands = counted.BothHands;
      const auto index = static_cast<std::uint32_t>(watchedSets_.size() - 1);
      for (std::uint32_t at = counted.Begin; at < counted.End; ++at) {
        const std::uint32_t member = sets_.Members[at];
        const std::uint8_t hands = HandsOf(keys_[member], leftKeys_);
        watched.Users[0] += hands & 1;
        watched.Users[1] += hands >> 1;
        watchedBy_[member].push_back(index);
      }
      return;
    }
  }
}

void HandSetState::Unwatch(std::uint32_t index) {
  Watched& watched = watchedSets_[index];
  const Pairs was = pairs_[watched.Set];
  pairs_[watched.Set] = Pairs();
  if (!watched.BothHands) {
    pairs_[watched.Set].Of[1][0] = kOneHand;
  }
  for (int hand = 0; hand < 2; ++hand) {
    if (pairs_[watched.Set].Of[hand][0] != kOneHand && !FindPair(watched.Set, hand)) {
      pairs_[watched.Set] = was;  // a pair found for the other hand is an old one in its lists
      return;
    }
  }
  watched.Count = 0;  // it changes nothing from now on, wherever it is still listed
  ++unwatched_;
}

void HandSetState::ListWatched() {
  std::erase_if(watchedSets_, [](const Watched& watched) { return watched.Count == 0; });
  unwatched_ = 0;
  for (std::vector<std::uint32_t>& list : watchedBy_) {
    list.clear();
  }
  for (std::uint32_t index = 0; index < watchedSets_.size(); ++index) {
    const HandSets::Set& counted = sets_.Sets[watchedSets_[index].Set];
    for (std::uint32_t at = counted.Begin; at < counted.End; ++at) {
      watchedBy_[sets_.Members[at]].push_back(index);
    }
  }
}

std::uint8_t HandSetState::UsesNow(std::uint32_t set) const {
  const HandSets::Set& counted = sets_.Sets[set];
  std::uint64_t keys = 0;
  for (std::uint32_t at = counted.Begin; at < counted.End; ++at) {
    keys |= keys_[sets_.Members[at]];
  }
  return HandsOf(keys, leftKeys_);
}

void HandSetState::NextStamp() const {
  // A round may score more moves than a stamp counts: when it comes round again, the old stamps
  // are cleared, so that none is taken for the new move's.
  if (++stamp_ == 0) {
    std::fill(memberStamp_.begin(), memberStamp_.end(), 0);
    for (const Watched& watched : watchedSets_) {
      watched.Stamp = 0;
    }
    stamp_ = 1;
  }
}

bool HandSetState::MarkKeys(int a, int b) const {
  const bool leftA = a <= leftHandLastKey_, leftB = b <= leftHandLastKey_;
  NextStamp();
  changed_.clear();
  newLengths_.clear();
  strokesChange_ = 0;
  if (leftA == leftB) {
    return false;
  }
  auto mark = [this](std::uint32_t member) {
    if (memberStamp_[member] != stamp_) {
      memberStamp_[member] = stamp_;
      keysAfter_[member] = keys_[member];
      changed_.push_back(member);
    }
  };
  for (const std::uint8_t key :
       {occupant_[static_cast<std::size_t>(a)], occupant_[static_cast<std::size_t>(b)]}) {
    mark(key);
    for (const std::uint32_t unit : unitsWith_[key]) {
      mark(HandSets::kUnitMembers + unit);
    }
  }
  return true;
}

void HandSetState::MarkRetyped(const std::vector<Retyped>& retyped) const {
  NextStamp();
  changed_.clear();
  newLengths_.clear();
  strokesChange_ = 0;
  for (const Retyped& slot : retyped) {
    const std::int32_t unit = sets_.UnitOfSlot[slot.Slot];
    if (unit < 0) {
      continue;
    }
    const std::uint32_t member = HandSets::kUnitMembers + static_cast<std::uint32_t>(unit);
    std::uint64_t keys = 0;
    for (std::size_t i = 0; i < slot.Size; ++i) {
      keys |= std::uint64_t{1} << occupant_[slot.Keys[i]];
    }
    memberStamp_[member] = stamp_;
    keysAfter_[member] = keys;
    changed_.push_back(member);
    newLengths_.emplace_back(unit, static_cast<std::uint8_t>(slot.Size));
    strokesChange_ += static_cast<std::int64_t>(sets_.UnitUses[static_cast<std::size_t>(unit)]) *
                      (static_cast<std::int64_t>(slot.Size) -
                       static_cast<std::int64_t>(lengths_[static_cast<std::size_t>(unit)]));
  }
}

std::int64_t HandSetState::Change(std::uint64_t left) const {
  std::int64_t change = strokesChange_;
  // Only a member that takes up or leaves a hand changes what its watched sets use: the change
  // of each such set's users by hand is summed first, as two changed members may share a set.
  touched_.clear();
  for (const std::uint32_t member : changed_) {
    const std::uint8_t before = HandsOf(keys_[member], leftKeys_);
    const std::uint8_t after = HandsOf(keysAfter_[member], left);
    if (before == after) {
      continue;
    }
    const int leftMoved = (after & 1) - (before & 1), rightMoved = (after >> 1) - (before >> 1);
    for (const std::uint32_t index : watchedBy_[member]) {
      const Watched& watched = watchedSets_[index];
      if (watched.Stamp != stamp_) {
        watched.Stamp = stamp_;
        watched.Change = {0, 0};
        touched_.push_back(index);
      }
      watched.Change[0] += leftMoved;
      watched.Change[1] += rightMoved;
    }
  }
  for (const std::uint32_t index : touched_) {
    const Watched& watched = watchedSets_[index];
    const auto uses = [](std::int64_t leftUsers, std::int64_t rightUsers) {
      return static_cast<std::uint8_t>((leftUsers > 0) | (rightUsers > 0) << 1);
    };
    change -= watched.Count * (Lost(uses(std::int64_t{watched.Users[0]} + watched.Change[0],
                                         std::int64_t{watched.Users[1]} + watched.Change[1]),
                                    watched.BothHands) -
                               Lost(uses(watched.Users[0], watched.Users[1]), watched.BothHands));
  }
  return change;
}

void HandSetState::Take(std::uint64_t left) {
  now_ += Change(left);
  strokes_ += strokesChange_;
  // The members take their keys, and the units their places in the lists by key.
  for (const std::uint32_t member : changed_) {
    if (member >= HandSets::kUnitMembers && keysAfter_[member] != keys_[member]) {
      const std::uint32_t unit = member - HandSets::kUnitMembers;
      for (std::uint64_t rest = keys_[member]; rest != 0; rest &= rest - 1) {
        std::erase(unitsWith_[static_cast<std::size_t>(std::countr_zero(rest))], unit);
      }
      for (std::uint64_t rest = keysAfter_[member]; rest != 0; rest &= rest - 1) {
        unitsWith_[static_cast<std::size_t>(std::countr_zero(rest))].push_back(unit);
      }
    }
  }
  for (const auto& [unit, length] : newLengths_) {
    lengths_[unit] = length;
  }
  for (const std::uint32_t member : changed_) {
    keys_[member] = keysAfter_[member];
  }
  leftKeys_ = left;
  // The watched sets that hold a changed member take their hands; the pairs of the changed
  // members are looked at again, and a set whose pair no longer holds finds another.
  // A watched set that comes to have two members on each hand it counts may be paired again,
  // and leaves the lists of its members as they change; a set watched only for a while would
  // otherwise be looked at by every move of its members to the end of the round.
  const auto pairable = [](const Watched& watched, std::int64_t left, std::int64_t right) {
    return left >= 2 && (!watched.BothHands || right >= 2);
  };
  for (const std::uint32_t index : touched_) {
    Watched& watched = watchedSets_[index];
    const bool before = pairable(watched, watched.Users[0], watched.Users[1]);
    for (std::size_t hand = 0; hand < 2; ++hand) {
      watched.Users[hand] = static_cast<std::uint32_t>(
          static_cast<std::int64_t>(watched.Users[hand]) + watched.Change[hand]);
    }
    if (watched.Count != 0 && !before && pairable(watched, watched.Users[0], watched.Users[1])) {
      Unwatch(index);
    }
  }
  for (const std::uint32_t member : changed_) {
    if (unwatched_ == 0) {
      break;  // no set has been paired again since the lists were made
    }
    std::erase_if(watchedBy_[member],
                  [this](std::uint32_t index) { return watchedSets_[index].Count == 0; });
  }
  if (unwatched_ > 4096 && unwatched_ > watchedSets_.size() / 2) {
    ListWatched();
  }
  scan_.clear();
  for (const std::uint32_t member : changed_) {
    // A pair breaks only where one of its members has no key left on the hand, or its one key
    // there is the other's only one too.
    for (int hand = 0; hand < 2; ++hand) {
      if (const std::uint64_t keys = HandKeys(member, hand);
          (keys & (keys - 1)) != 0 || (keys != 0 && AloneOn(member, keys, hand))) {
        continue;
      }
      // The sets' pairs are read ahead: they lie all over memory, and the list is long. A broken
      // pair is mended from the spares at once, while they are at hand; the sets that cannot be
      // are looked at whole below.
      std::vector<std::uint32_t>& list = pairedIn_[member * 2 + static_cast<std::uint32_t>(hand)];
      std::size_t kept = 0;
      for (std::size_t at = 0; at < list.size(); ++at) {
        if (at + kReadAhead < list.size()) {
          __builtin_prefetch(&pairs_[list[at + kReadAhead]]);
        }
        const std::uint32_t set = list[at];
        const std::uint32_t* pair = pairs_[set].Of[hand];
        if (pair[0] != member && pair[1] != member) {
          continue;  // an old pair, or the set is watched now
        }
        if (!StaysOnHand(pair[0], pair[1], hand)) {
          if (!RepairBothHands(set)) {
            scan_.push_back(set);
          } else if (pair[0] != member && pair[1] != member) {
            continue;  // mended without the member
          }
        }
        list[kept++] = set;
      }
      list.resize(kept);
      if (list.capacity() > 4 * kept + 1024) {
        list.shrink_to_fit();  // a list that held a kana's pairs on the hand it left
      }
    }
  }
  // Their places and members are read ahead.
  const std::vector<std::uint32_t>& scan = scan_;
  for (std::size_t at = 0; at < scan.size(); ++at) {
    if (at + 2 * kReadAhead < scan.size()) {
      __builtin_prefetch(&sets_.Sets[scan[at + 2 * kReadAhead]]);
    }
    if (at + kReadAhead < scan.size()) {
      const std::uint32_t ahead = scan[at + kReadAhead];
      const HandSets::Set& counted = sets_.Sets[ahead];
      __builtin_prefetch(&sets_.Members[counted.Begin + ScanStart(ahead, counted)]);
    }
    if (pairs_[scan[at]].Of[0][0] != kWatched) {
      PairOrWatch(scan[at]);
    }
  }
}

std::int64_t HandSetState::KeyDelta(int a, int b) const {
  if (!MarkKeys(a, b)) {
    return 0;
  }
  const std::uint64_t left =
      leftKeys_ ^ (std::uint64_t{1} << occupant_[static_cast<std::size_t>(a)] |
                   std::uint64_t{1} << occupant_[static_cast<std::size_t>(b)]);
  return Change(left);
}

void HandSetState::ExchangeKeys(int a, int b) {
  if (MarkKeys(a, b)) {
    Take(leftKeys_ ^ (std::uint64_t{1} << occupant_[static_cast<std::size_t>(a)] |
                      std::uint64_t{1} << occupant_[static_cast<std::size_t>(b)]));
  }
  std::swap(occupant_[static_cast<std::size_t>(a)], occupant_[static_cast<std::size_t>(b)]);
}

std::int64_t HandSetState::Delta(const std::vector<Retyped>& retyped) const {
  MarkRetyped(retyped);
  return Change(leftKeys_);
}

void HandSetState::Retype(const std::vector<Retyped>& retyped) {
  MarkRetyped(retyped);
  Take(leftKeys_);
}

}  // namespace kananet::search
