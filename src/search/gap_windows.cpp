#include "search/gap_windows.h"

#include <algorithm>
#include <bit>
#include <unordered_map>

#include "analysis/entry_matcher.h"
#include "analysis/piece_counts.h"
#include "codes/key_alphabet.h"
#include "codes/keyboard.h"

namespace kananet::search {

namespace {

using KeySetCounts = std::unordered_map<std::uint64_t, std::uint64_t>;

// What a lane knows of the run it is in.
struct RunSoFar {
  int Before[2] = {-1, -1};  // the last two keys struck, the latest last; -1 for none
  std::uint64_t Keys = 0;
  std::uint64_t SinceSpace = 0;  // the keys struck since the last space stroke, or the start
  std::uint64_t Spaces = 0;
  bool Struck = false;

  void Strike(int key, std::vector<std::uint64_t>& triples, KeySetCounts& neighbours) {
    if (Before[0] >= 0) {
      ++triples[(static_cast<std::size_t>(Before[0]) * kKeyCount +
                 static_cast<std::size_t>(Before[1])) *
                    kKeyCount +
                static_cast<std::size_t>(key)];
    }
    Before[0] = Before[1];
    Before[1] = key;
    Struck = true;
    Keys |= std::uint64_t{1} << key;
    if (key == 0) {
      ++neighbours[SinceSpace];  // first space: the keys before it; else the keys between
      ++Spaces;
      SinceSpace = 0;
    } else {
      SinceSpace |= std::uint64_t{1} << key;
    }
  }

  void End(GapWindows& windows, KeySetCounts& runs, KeySetCounts& neighbours) {
    if (Struck) {
      ++runs[Keys];
    }
    if (Spaces > 0) {
      ++neighbours[SinceSpace];  // the keys after the last space stroke
      windows.SpacePairs += Spaces - 1;
    }
    *this = RunSoFar();
  }
};

std::vector<GapWindows::KeySet> Listed(const KeySetCounts& counts) {
  std::vector<GapWindows::KeySet> sets;
  for (const auto& [keys, count] : counts) {
    sets.push_back({keys, count});
  }
  std::sort(sets.begin(), sets.end(), [](const auto& a, const auto& b) { return a.Keys < b.Keys; });
  return sets;
}

bool Drawn(int place) {
  return place >= 1 && place <= kKeysDrawn;
}

// Whether the three places, struck in a row, make a pair of drawn keys at class 1.
bool ClassOne(int first, int middle, int last, int leftHandLastKey) {
  const bool left = first <= leftHandLastKey;
  return Drawn(first) && Drawn(last) && left == (last <= leftHandLastKey) &&
         left != (middle <= leftHandLastKey);
}

}  // namespace

GapWindows CountGapWindows(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                           bool breakAfterPunctuation) {
  const EntryMatcher matcher(table);
  const std::size_t slots = matcher.RunBreakPiece();
  std::vector<bool> ends(slots);
  for (std::size_t slot = 0; slot < slots; ++slot) {
    ends[slot] = EndsRun(table[slot], breakAfterPunctuation);
  }
  GapWindows windows;
  std::vector<std::uint64_t> triples(std::size_t{kKeyCount} * kKeyCount * kKeyCount);
  KeySetCounts runs, neighbours;
  RunSoFar lanes[kLanes];
  WalkMatches(matcher, kanaCodes, 0, kanaCodes.size(), true,
              [&](std::size_t lane, std::size_t, EntryMatcher::Match match) -> std::size_t {
                if (match.Piece == matcher.MissingPiece()) {
                  return 0;
                }
                RunSoFar& run = lanes[lane];
                if (match.Piece == matcher.RunBreakPiece()) {
                  run.End(windows, runs, neighbours);
                  return match.Advance;
                }
                for (const char key : table[match.Piece].Keys) {
                  run.Strike(static_cast<std::uint8_t>(key), triples, neighbours);
                  ++windows.Strokes;
                }
                if (ends[match.Piece]) {
                  run.End(windows, runs, neighbours);
                }
                return match.Advance;
              });
  for (RunSoFar& run : lanes) {
    run.End(windows, runs, neighbours);
  }
  for (std::size_t at = 0; at < triples.size(); ++at) {
    if (triples[at] != 0) {
      windows.Triples.push_back({{static_cast<std::uint8_t>(at / (kKeyCount * kKeyCount)),
                                  static_cast<std::uint8_t>(at / kKeyCount % kKeyCount),
                                  static_cast<std::uint8_t>(at % kKeyCount)},
                                 triples[at]});
    }
  }
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

GapState::GapState(const GapWindows& windows, const std::vector<int>& freeKeys, int leftHandLastKey,
                   const std::array<std::uint8_t, 64>& places)
    : windows_(windows), leftHandLastKey_(leftHandLastKey), places_(places) {
  for (std::size_t key = 0; key < places.size(); ++key) {
    occupant_[places[key]] = static_cast<std::uint8_t>(key);
  }
  now_ = GapPairsAt(windows, leftHandLastKey, places);
  std::uint64_t& free = free_;
  int freeLeft = 0;
  for (const int key : freeKeys) {
    free |= std::uint64_t{1} << key;
    freeLeft += Left(key);
  }
  const int freeRight = static_cast<int>(freeKeys.size()) - freeLeft;
  for (std::uint32_t at = 0; at < windows.Triples.size(); ++at) {
    const auto& keys = windows.Triples[at].Keys;
    for (int i = 0; i < 3; ++i) {
      if ((free >> keys[i] & 1) != 0 && std::find(keys, keys + i, keys[i]) == keys + i) {
        triplesOf_[keys[i]].push_back(at);
      }
    }
    CountFlips(windows.Triples[at], 1);
  }
  // A key set whose hands no exchange can change is left out: it holds a key that never moves
  // on that hand, or more free keys than the other hand has places for.
  auto add = [&](const GapWindows::KeySet& set, bool bothHands) {
    bool fixedLeft = false, fixedRight = false;
    for (int key = 0; key < kKeyCount; ++key) {
      if ((set.Keys >> key & 1) != 0 && (free >> key & 1) == 0) {
        (Left(places_[static_cast<std::size_t>(key)]) ? fixedLeft : fixedRight) = true;
      }
    }
    const int freeCount = std::popcount(set.Keys & free);
    const bool leftKnown = fixedLeft || freeCount == 0 || freeCount > freeRight;
    const bool rightKnown = fixedRight || freeCount == 0 || freeCount > freeLeft;
    if (leftKnown && (rightKnown || !bothHands)) {
      return;
    }
    const auto index = static_cast<std::uint32_t>(terms_.size());
    std::uint8_t left = 0;
    for (int key = 0; key < kKeyCount; ++key) {
      if ((set.Keys >> key & 1) != 0) {
        left += Left(places_[static_cast<std::size_t>(key)]);
        if ((free >> key & 1) != 0) {
          termsOf_[static_cast<std::size_t>(key)].push_back(index);
        }
      }
    }
    terms_.push_back({set.Keys, static_cast<std::int64_t>(set.Count),
                      static_cast<std::uint8_t>(std::popcount(set.Keys)), bothHands});
    left_.push_back(left);
    if (OnEdge(terms_.back(), left)) {
      List(index);
    }
  };
  for (const GapWindows::KeySet& run : windows.Runs) {
    add(run, true);
  }
  for (const GapWindows::KeySet& between : windows.SpaceNeighbours) {
    add(between, false);
  }
}

void GapState::List(std::uint32_t term) {
  terms_[term].Listed = true;
  for (std::uint64_t keys = terms_[term].Keys & free_; keys != 0; keys &= keys - 1) {
    edgeOf_[static_cast<std::size_t>(std::countr_zero(keys))].push_back(term);
  }
}

std::int64_t GapState::PairsLost(const Term& term, int left) const {
  return term.Count * ((left > 0) + (term.BothHands && term.Size - left > 0));
}

void GapState::CountFlips(const GapWindows::Triple& triple, std::int64_t sign) {
  const auto& keys = triple.Keys;
  // The triple's value with the keys of flipped (bit i: keys[i]) on the other hand.
  const auto value = [&](unsigned flipped) -> std::int64_t {
    bool left[3];
    for (int i = 0; i < 3; ++i) {
      left[i] = Left(places_[keys[i]]) != ((flipped >> i & 1) != 0);
    }
    return Drawn(places_[keys[0]]) && Drawn(places_[keys[2]]) && left[0] == left[2] &&
           left[1] != left[0];
  };
  // Bits of the positions each distinct free key holds.
  unsigned positions[3] = {};
  std::uint8_t distinct[3] = {};
  int count = 0;
  for (int i = 0; i < 3; ++i) {
    if ((free_ >> keys[i] & 1) == 0) {
      continue;
    }
    int j = 0;
    while (j < count && distinct[j] != keys[i]) {
      ++j;
    }
    distinct[j] = keys[i];
    positions[j] |= 1u << i;
    count = std::max(count, j + 1);
  }
  const std::int64_t weight = sign * static_cast<std::int64_t>(triple.Count);
  const std::int64_t none = value(0);
  for (int i = 0; i < count; ++i) {
    flipOne_[distinct[i]] += weight * (value(positions[i]) - none);
    for (int j = 0; j < count; ++j) {
      if (j != i) {
        flipBoth_[distinct[i] * 64u + distinct[j]] +=
            weight *
            (value(positions[i] | positions[j]) - value(positions[i]) - value(positions[j]) + none);
      }
    }
  }
}

// Calls visit(triple or term index, isTriple) once for each triple (with triples) and each
// term on the edge (or every term, with all) that holds the key at a or at b.
template <typename Visit>
void GapState::ForTermsOf(int a, int b, bool all, bool triples, Visit&& visit) const {
  const std::uint8_t first = occupant_[static_cast<std::size_t>(a)];
  const std::uint8_t second = occupant_[static_cast<std::size_t>(b)];
  if (triples) {
    for (const std::uint32_t at : triplesOf_[first]) {
      visit(at, true);
    }
    for (const std::uint32_t at : triplesOf_[second]) {
      const auto& keys = windows_.Triples[at].Keys;
      if (keys[0] != first && keys[1] != first && keys[2] != first) {
        visit(at, true);
      }
    }
  }
  // A key set holding both keys keeps its hands.
  const auto& terms = all ? termsOf_ : edgeOf_;
  for (const std::uint32_t at : terms[first]) {
    if ((terms_[at].Keys >> second & 1) == 0 && (all || OnEdge(terms_[at], left_[at]))) {
      visit(at, false);
    }
  }
  for (const std::uint32_t at : terms[second]) {
    if ((terms_[at].Keys >> first & 1) == 0 && (all || OnEdge(terms_[at], left_[at]))) {
      visit(at, false);
    }
  }
}

GapPairs GapState::Delta(int a, int b) const {
  GapPairs delta;
  if (Left(a) == Left(b)) {
    return delta;
  }
  const std::uint8_t first = occupant_[static_cast<std::size_t>(a)];
  const std::uint8_t second = occupant_[static_cast<std::size_t>(b)];
  // Both keys go over to the other hand.
  delta.ClassOne = flipOne_[first] + flipOne_[second] + flipBoth_[first * 64u + second];
  ForTermsOf(a, b, false, false, [&](std::uint32_t at, bool) {
    {
      const Term& term = terms_[at];
      const bool holdsFirst = (term.Keys >> first & 1) != 0;
      const int left = left_[at] + ((holdsFirst ? Left(a) : Left(b)) ? -1 : 1);
      delta.All -= PairsLost(term, left) - PairsLost(term, left_[at]);
    }
  });
  return delta;
}

void GapState::Exchange(int a, int b) {
  const GapPairs delta = Delta(a, b);
  now_.ClassOne += delta.ClassOne;
  now_.All += delta.All;
  std::vector<std::uint32_t> triples;
  if (Left(a) != Left(b)) {
    const std::uint8_t first = occupant_[static_cast<std::size_t>(a)];
    ForTermsOf(a, b, true, true, [&](std::uint32_t at, bool triple) {
      if (triple) {
        triples.push_back(at);
        CountFlips(windows_.Triples[at], -1);
      } else {
        const bool holdsFirst = (terms_[at].Keys >> first & 1) != 0;
        left_[at] =
            static_cast<std::uint8_t>(left_[at] + ((holdsFirst ? Left(a) : Left(b)) ? -1 : 1));
        if (!terms_[at].Listed && OnEdge(terms_[at], left_[at])) {
          List(at);
        }
      }
    });
  }
  const std::uint8_t first = occupant_[static_cast<std::size_t>(a)];
  const std::uint8_t second = occupant_[static_cast<std::size_t>(b)];
  std::swap(occupant_[static_cast<std::size_t>(a)], occupant_[static_cast<std::size_t>(b)]);
  places_[first] = static_cast<std::uint8_t>(b);
  places_[second] = static_cast<std::uint8_t>(a);
  for (const std::uint32_t at : triples) {
    CountFlips(windows_.Triples[at], 1);
  }
}

}  // namespace kananet::search
