#include "search/gap_windows.h"

#include <algorithm>
#include <bit>

#include "analysis/count_table.h"
#include "analysis/entry_matcher.h"
#include "codes/key_alphabet.h"
#include "codes/keyboard.h"
#include "search/matched_runs.h"

namespace kananet::search {

namespace {

// A key's place in the triples, kNoKey standing for no stroke (before a run's first two).
constexpr int kNoKey = kKeyCount;
constexpr std::size_t kTripleKeys = kKeyCount + 1;

// The triples of keys struck in a row, by (first * kTripleKeys + middle) * kTripleKeys + last.
// Those with no stroke among them are counted like the others, so that a lane counts without
// branching on them, and are left out at the end.
class TripleCounts {
 public:
  static std::size_t Of(int first, int middle, int last) {
    return (static_cast<std::size_t>(first) * kTripleKeys + static_cast<std::size_t>(middle)) *
               kTripleKeys +
           static_cast<std::size_t>(last);
  }
  void Add(std::size_t triple, std::uint64_t count = 1) { counts_[triple] += count; }
  std::vector<GapWindows::Triple> Listed() const {
    std::vector<GapWindows::Triple> triples;
    for (std::size_t at = 0; at < counts_.size(); ++at) {
      const std::size_t keys[3] = {at / (kTripleKeys * kTripleKeys), at / kTripleKeys % kTripleKeys,
                                   at % kTripleKeys};
      if (counts_[at] != 0 && keys[0] != kNoKey && keys[1] != kNoKey && keys[2] != kNoKey) {
        triples.push_back({{static_cast<std::uint8_t>(keys[0]), static_cast<std::uint8_t>(keys[1]),
                            static_cast<std::uint8_t>(keys[2])},
                           counts_[at]});
      }
    }
    return triples;
  }

 private:
  std::vector<std::uint64_t> counts_ =
      std::vector<std::uint64_t>(kTripleKeys * kTripleKeys * kTripleKeys);
};

// What a lane strikes for an entry. Its triples within itself are the same at every use, so
// only its uses are counted (Uses, by the walk) and its own triples added once at the end; a
// lane counts each use's two triples that reach back before it, and takes its last two keys.
struct EntryKeys {
  int First = kNoKey, Second = kNoKey;  // its first two keys
  int Last[2] = {kNoKey, kNoKey};       // its last two keys, the latest last
  // All ones where it strikes two keys or more, one, or none: the lane's last two keys after it
  // are chosen by them without a branch.
  int Two = 0, One = 0, None = 0;
  std::size_t Size = 0;
  std::uint64_t Set = 0;
  bool Space = false;  // it strikes the space key: struck stroke by stroke
  const char* Keys = nullptr;
  std::vector<std::size_t> Inner;  // its own triples, when not struck stroke by stroke
  std::uint64_t Uses = 0;
};

// What a lane knows of the run it is in.
struct RunSoFar {
  int Before[2] = {kNoKey, kNoKey};  // the last two keys struck, the latest last
  std::uint64_t Keys = 0;
  std::uint64_t SinceSpace = 0;  // the keys struck since the last space stroke, or the start
  std::uint64_t Spaces = 0;
  bool Struck = false;

  void Strike(int key, TripleCounts& triples, CountTable& neighbours) {
    triples.Add(TripleCounts::Of(Before[0], Before[1], key));
    Before[0] = Before[1];
    Before[1] = key;
    Struck = true;
    Keys |= std::uint64_t{1} << key;
    if (key == 0) {
      neighbours.Add(SinceSpace);  // first space: the keys before it; else the keys between
      ++Spaces;
      SinceSpace = 0;
    } else {
      SinceSpace |= std::uint64_t{1} << key;
    }
  }

  // An entry's strokes. Without a space stroke among them, its keys join the run's sets at once,
  // and the lane goes on without a branch on its keys: entries of one, two and three keys follow
  // each other in no order a processor could foresee.
  void StrikeAll(EntryKeys& entry, TripleCounts& triples, CountTable& neighbours) {
    ++entry.Uses;
    if (entry.Space) {
      for (std::size_t at = 0; at < entry.Size; ++at) {
        Strike(static_cast<std::uint8_t>(entry.Keys[at]), triples, neighbours);
      }
      return;
    }
    const int first = Before[0], second = Before[1];
    triples.Add(TripleCounts::Of(first, second, entry.First));
    triples.Add(TripleCounts::Of(second, entry.First, entry.Second));
    Before[0] = (entry.Last[0] & entry.Two) | (second & entry.One) | (first & entry.None);
    Before[1] = (entry.Last[1] & ~entry.None) | (second & entry.None);
    Keys |= entry.Set;
    SinceSpace |= entry.Set;
    Struck |= entry.Size != 0;
  }

  void End(GapWindows& windows, CountTable& runs, CountTable& neighbours) {
    if (Struck) {
      runs.Add(Keys);
    }
    if (Spaces > 0) {
      neighbours.Add(SinceSpace);  // the keys after the last space stroke
      windows.SpacePairs += Spaces - 1;
    }
    *this = RunSoFar();
  }
};

// The key sets in order. There are fewer keys than 64, so no set is the table's empty key.
static_assert(kKeyCount < 64);
std::vector<GapWindows::KeySet> Listed(CountTable& counts) {
  std::vector<GapWindows::KeySet> sets;
  for (const CountTable::Cell& cell : std::move(counts).Sorted()) {
    sets.push_back({cell.Key, cell.Count});
  }
  return sets;
}

// The number of keys in a set. std::popcount is a library call where the build does not assume
// the processor's own instruction, and the search counts keys for every set it looks at again.
int KeysIn(std::uint64_t keys) {
  keys -= keys >> 1 & 0x5555555555555555u;
  keys = (keys & 0x3333333333333333u) + (keys >> 2 & 0x3333333333333333u);
  keys = (keys + (keys >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<int>((keys * 0x0101010101010101u) >> 56);
}

// Adds 1 to the bit-sliced counts of the terms in more, and takes 1 from those in less.
void Count(std::uint64_t (&counts)[6], std::uint64_t more, std::uint64_t less) {
  for (std::uint64_t& bit : counts) {
    const std::uint64_t carry = bit & more, borrow = ~bit & less;
    bit ^= more | less;
    more = carry;
    less = borrow;
  }
}

// Turns a square of 64 by 64 bits: bit j of word i goes to bit i of word j.
void Transpose(std::array<std::uint64_t, 64>& words) {
  std::uint64_t mask = 0x00000000FFFFFFFFu;
  for (int width = 32; width != 0; width >>= 1, mask ^= mask << width) {
    for (int i = 0; i < 64; i = ((i | width) + 1) & ~width) {
      const std::uint64_t swapped = (words[i] >> width ^ words[i | width]) & mask;
      words[i | width] ^= swapped;
      words[i] ^= swapped << width;
    }
  }
}

// Whether the three places, struck in a row, make a pair of drawn keys at class 1.
bool ClassOne(int first, int middle, int last, int leftHandLastKey) {
  const bool left = first <= leftHandLastKey;
  return IsDrawnKey(first) && IsDrawnKey(last) && left == (last <= leftHandLastKey) &&
         left != (middle <= leftHandLastKey);
}

}  // namespace

GapWindows CountGapWindows(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                           bool breakAfterPunctuation) {
  GapWindows windows;
  TripleCounts triples;
  CountTable runs, neighbours;
  std::vector<EntryKeys> entries(MatchingSlots(table));
  for (std::size_t slot = 0; slot < entries.size(); ++slot) {
    EntryKeys& entry = entries[slot];
    const std::string& keys = table[slot].Keys;
    std::vector<int> struck(keys.begin(), keys.end());
    for (int& key : struck) {
      key = static_cast<std::uint8_t>(key);
      entry.Set |= std::uint64_t{1} << key;
    }
    entry.Keys = keys.data();
    entry.Size = keys.size();
    entry.Space = (entry.Set & 1) != 0;
    entry.First = !struck.empty() ? struck[0] : kNoKey;
    entry.Second = struck.size() > 1 ? struck[1] : kNoKey;
    entry.Last[0] = struck.size() > 1 ? struck[struck.size() - 2] : kNoKey;
    entry.Last[1] = !struck.empty() ? struck.back() : kNoKey;
    entry.Two = struck.size() > 1 ? -1 : 0;
    entry.One = struck.size() == 1 ? -1 : 0;
    entry.None = struck.empty() ? -1 : 0;
    for (std::size_t at = 2; at < struck.size() && !entry.Space; ++at) {
      entry.Inner.push_back(TripleCounts::Of(struck[at - 2], struck[at - 1], struck[at]));
    }
  }
  RunSoFar lanes[kLanes];
  ForEachMatchedEntry(
      kanaCodes, table, breakAfterPunctuation,
      [&](std::size_t lane, std::size_t slot) {
        lanes[lane].StrikeAll(entries[slot], triples, neighbours);
      },
      [&](std::size_t lane) { lanes[lane].End(windows, runs, neighbours); });
  for (const EntryKeys& entry : entries) {
    for (const std::size_t triple : entry.Inner) {
      triples.Add(triple, entry.Uses);
    }
    windows.Strokes += entry.Uses * entry.Size;
  }
  windows.Triples = triples.Listed();
  windows.Runs = Listed(runs);
  windows.SpaceNeighbours = Listed(neighbours);
  return windows;
}

GapPairs GapPairsAt(const GapWindows& windows, int leftHandLastKey,
                    const std::array<std::uint8_t, 64>& places) {
  GapPairs pairs;
  for (const GapWindows::Triple& triple : windows.Triples) {
    if (ClassOne(places[triple.Keys[0]], places[triple.Keys[1]], places[triple.Keys[2]],
                 leftHandLastKey)) {
      pairs.ClassOne += static_cast<std::int64_t>(triple.Count);
    }
  }
  std::uint64_t leftKeys = 0, rightKeys = 0;
  for (int key = 0; key < kKeyCount; ++key) {
    (places[static_cast<std::size_t>(key)] <= leftHandLastKey ? leftKeys : rightKeys) |=
        std::uint64_t{1} << key;
  }
  std::uint64_t lost = windows.SpacePairs;
  for (const GapWindows::KeySet& run : windows.Runs) {
    lost += run.Count * (((run.Keys & leftKeys) != 0) + ((run.Keys & rightKeys) != 0));
  }
  for (const GapWindows::KeySet& between : windows.SpaceNeighbours) {
    lost += between.Count * ((between.Keys & leftKeys) != 0);
  }
  pairs.All = static_cast<std::int64_t>(windows.Strokes - lost);
  return pairs;
}

GapWindowState::GapWindowState(const GapWindows& windows, const std::vector<int>& freeKeys,
                               int leftHandLastKey, const std::array<std::uint8_t, 64>& places)
    : leftHandLastKey_(leftHandLastKey), places_(places) {
  std::uint64_t fixedLeft = 0, fixedRight = 0;
  for (std::size_t key = 0; key < places.size(); ++key) {
    occupant_[places[key]] = static_cast<std::uint8_t>(key);
    (Left(places[key]) ? leftKeys_ : fixedRight) |= std::uint64_t{1} << key;
  }
  now_ = GapPairsAt(windows, leftHandLastKey, places);
  int freeLeft = 0;
  for (const int key : freeKeys) {
    free_ |= std::uint64_t{1} << key;
    freeLeft += Left(key);
  }
  const int freeRight = static_cast<int>(freeKeys.size()) - freeLeft;
  fixedLeft = leftKeys_ & ~free_;
  fixedRight &= ~free_;

  const auto sign = [this](int key) -> std::int64_t {
    return (leftKeys_ >> key & 1) != 0 ? 1 : -1;
  };
  for (const GapWindows::Triple& triple : windows.Triples) {
    const auto& keys = triple.Keys;
    if (!IsDrawnKey(places_[keys[0]]) || !IsDrawnKey(places_[keys[2]])) {
      continue;
    }
    // (1 - xy + xz - yz) / 4: a pair of one key twice is a constant.
    const auto weight = static_cast<std::int64_t>(triple.Count);
    static constexpr struct { int I, J, Factor; } kPairs[] = {{0, 1, -1}, {0, 2, 1}, {1, 2, -1}};
    for (const auto [i, j, factor] : kPairs) {
      if (keys[i] != keys[j]) {
        coupling_[keys[i] * 64u + keys[j]] += factor * weight;
        coupling_[keys[j] * 64u + keys[i]] += factor * weight;
      }
    }
  }
  for (int key = 0; key < 64; ++key) {
    for (int other = 0; other < 64; ++other) {
      field_[static_cast<std::size_t>(key)] +=
          coupling_[static_cast<std::size_t>(key * 64 + other)] * sign(other);
    }
  }

  // A key set whose hands no exchange can change is left out: on each hand it holds a key
  // that never moves there, or more free keys than the other hand has places for.
  const auto add = [&](const GapWindows::KeySet& set, bool bothHands) {
    const int freeCount = KeysIn(set.Keys & free_);
    const bool leftKnown = (set.Keys & fixedLeft) != 0 || freeCount == 0 || freeCount > freeRight;
    const bool rightKnown =
        !bothHands || (set.Keys & fixedRight) != 0 || freeCount == 0 || freeCount > freeLeft;
    if (leftKnown && rightKnown) {
      return;
    }
    terms_.push_back({set.Keys, static_cast<std::int64_t>(set.Count), 0,
                      static_cast<std::uint8_t>(KeysIn(set.Keys)),
                      static_cast<std::uint8_t>((leftKnown ? 0 : 1) | (rightKnown ? 0 : 2)),
                      bothHands});
  };
  for (const GapWindows::KeySet& run : windows.Runs) {
    add(run, true);
  }
  for (const GapWindows::KeySet& between : windows.SpaceNeighbours) {
    add(between, false);
  }
  // The counts and the holders of the keys, 64 terms at a time: the holders are the terms' free
  // keys turned by a quarter, a key to a word.
  const std::size_t words = (terms_.size() + 63) / 64;
  counts_.resize(words);
  for (std::uint64_t keys = free_; keys != 0; keys &= keys - 1) {
    holders_[static_cast<std::size_t>(std::countr_zero(keys))].resize(words);
  }
  for (std::size_t word = 0; word < words; ++word) {
    std::array<std::uint64_t, 64> block{};
    Counts& counts = counts_[word];
    for (std::size_t i = 0; i < 64 && word * 64 + i < terms_.size(); ++i) {
      const Term& term = terms_[word * 64 + i];
      block[i] = term.Keys & free_;
      const int left = KeysIn(block[i] & leftKeys_), right = KeysIn(block[i]) - left;
      const std::uint64_t bit = std::uint64_t{1} << i;
      for (int place = 0; place < 6; ++place) {
        counts.Left[place] |= (left >> place & 1) != 0 ? bit : 0;
        counts.Right[place] |= (right >> place & 1) != 0 ? bit : 0;
      }
      counts.LeftSide |= (term.Sides & 1) != 0 ? bit : 0;
      counts.RightSide |= (term.Sides & 2) != 0 ? bit : 0;
      if (OnEdge(term.Keys, term.Size, term.Sides)) {
        List(static_cast<std::uint32_t>(word * 64 + i));
      }
    }
    Transpose(block);
    for (std::uint64_t keys = free_; keys != 0; keys &= keys - 1) {
      const auto key = static_cast<std::size_t>(std::countr_zero(keys));
      holders_[key][word] = block[key];
    }
  }
}

bool GapWindowState::OnEdge(std::uint64_t keys, int size, int sides) const {
  const int left = KeysIn(keys & leftKeys_);
  return ((sides & 1) != 0 && left <= 1) || ((sides & 2) != 0 && size - left <= 1);
}

void GapWindowState::List(std::uint32_t term) {
  Term& listed = terms_[term];
  for (std::uint64_t keys = listed.Keys & free_ & ~listed.Listed; keys != 0; keys &= keys - 1) {
    edgeOf_[static_cast<std::size_t>(std::countr_zero(keys))].push_back(
        {listed.Keys, listed.Count, term, listed.Size, listed.Sides, listed.BothHands});
  }
  listed.Listed = listed.Keys & free_;
}

void GapWindowState::Prune(int key) {
  std::vector<Edge>& edges = edgeOf_[static_cast<std::size_t>(key)];
  std::erase_if(edges, [&](const Edge& edge) {
    if (OnEdge(edge.Keys, edge.Size, edge.Sides)) {
      return false;
    }
    terms_[edge.Term].Listed &= ~(std::uint64_t{1} << key);
    return true;
  });
}

GapPairs GapWindowState::Delta(int a, int b) const {
  GapPairs delta;
  if (Left(a) == Left(b)) {
    return delta;
  }
  const std::uint8_t first = occupant_[static_cast<std::size_t>(a)];
  const std::uint8_t second = occupant_[static_cast<std::size_t>(b)];
  // Both keys go over to the other hand: the class 1 pairs change by four times
  // -2 x field(x) - 2 y field(y) + 4 xy weight(x, y), and xy is -1.
  const std::int64_t changed = (leftKeys_ >> first & 1) != 0 ? field_[second] - field_[first]
                                                             : field_[first] - field_[second];
  delta.ClassOne = (2 * changed - 4 * coupling_[first * 64u + second]) / 4;
  // Each set on the edge that holds one of the keys; a set that holds both, or is off the
  // edge, keeps its hands and adds nothing.
  const std::uint64_t before = leftKeys_;
  const std::uint64_t after = before ^ (std::uint64_t{1} << first | std::uint64_t{1} << second);
  const auto lost = [](const Edge& edge, std::uint64_t left) -> std::int64_t {
    return ((edge.Keys & left) != 0) + (edge.BothHands && (edge.Keys & ~left) != 0);
  };
  for (const std::uint8_t key : {first, second}) {
    for (const Edge& edge : edgeOf_[key]) {
      delta.All -= edge.Count * (lost(edge, after) - lost(edge, before));
    }
  }
  return delta;
}

void GapWindowState::Exchange(int a, int b) {
  const std::uint8_t first = occupant_[static_cast<std::size_t>(a)];
  const std::uint8_t second = occupant_[static_cast<std::size_t>(b)];
  if (Left(a) != Left(b)) {
    const GapPairs delta = Delta(a, b);
    now_.ClassOne += delta.ClassOne;
    now_.All += delta.All;
    const std::int64_t firstSign = (leftKeys_ >> first & 1) != 0 ? 1 : -1;
    const std::int64_t* firstRow = &coupling_[first * 64u];
    const std::int64_t* secondRow = &coupling_[second * 64u];
    for (std::size_t key = 0; key < 64; ++key) {
      field_[key] -= 2 * firstSign * (firstRow[key] - secondRow[key]);
    }
    leftKeys_ ^= std::uint64_t{1} << first | std::uint64_t{1} << second;
    // The sets that hold the key going to the right hand and not the other have one key fewer
    // on the left, and those that hold only the other one more; those that reach the edge are
    // listed.
    const std::vector<std::uint64_t>& goingRight = holders_[firstSign > 0 ? first : second];
    const std::vector<std::uint64_t>& goingLeft = holders_[firstSign > 0 ? second : first];
    for (std::size_t word = 0; word < counts_.size(); ++word) {
      const std::uint64_t fewer = goingRight[word] & ~goingLeft[word];
      const std::uint64_t more = goingLeft[word] & ~goingRight[word];
      Counts& counts = counts_[word];
      Count(counts.Left, more, fewer);
      Count(counts.Right, fewer, more);
      std::uint64_t twoLeft = 0, twoRight = 0;  // at least two keys on the hand
      for (int place = 1; place < 6; ++place) {
        twoLeft |= counts.Left[place];
        twoRight |= counts.Right[place];
      }
      for (std::uint64_t edge =
               (fewer | more) & ((counts.LeftSide & ~twoLeft) | (counts.RightSide & ~twoRight));
           edge != 0; edge &= edge - 1) {
        const auto term = static_cast<std::uint32_t>(word * 64 + std::countr_zero(edge));
        if (terms_[term].Listed != (terms_[term].Keys & free_)) {
          List(term);
        }
      }
    }
    Prune(first);
    Prune(second);
  }
  std::swap(occupant_[static_cast<std::size_t>(a)], occupant_[static_cast<std::size_t>(b)]);
  places_[first] = static_cast<std::uint8_t>(b);
  places_[second] = static_cast<std::uint8_t>(a);
}

}  // namespace kananet::search
