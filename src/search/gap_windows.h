// The same-hand pairs at gap classes 1 and 2+ of a layout counted by strokes, for any places of
// its keys, from the start's strokes counted once.
//
// Class 1 is a stroke, one stroke of the other hand, then a stroke of the first hand again:
// three strokes in a row of a run, counted by the keys of the three. Class 2+ is every other
// same-hand pair: all the same-hand pairs, less those of classes 0 and 1. Within a run every
// stroke of a hand but its first makes a pair with that hand's stroke before it, so the run
// makes its strokes less the number of hands it uses pairs; the hands it uses depend only on
// the set of keys it strikes and where they are. Pairs with the space key (key 0, always the
// left hand's, never moved) are no figure: they are the left-hand neighbours of each space
// stroke, which again depend only on whether the keys struck between two space strokes (or
// between one and the run's ends) hold a left-hand key.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "readers/layout.h"

namespace kananet::search {

struct GapWindows {
  struct Triple {
    std::uint8_t Keys[3];
    std::uint64_t Count;
  };
  // A set of start keys (bit k for key k) and how often a term of it is counted.
  struct KeySet {
    std::uint64_t Keys;
    std::uint64_t Count;
  };
  std::vector<Triple> Triples;  // three strokes in a row of a run, by the start's keys
  std::uint64_t Strokes = 0;    // every stroke, the space key's too
  // Runs, by the keys they strike: each uses the hands of its keys.
  std::vector<KeySet> Runs;
  // The keys struck before a run's first space stroke, after its last and between two: each
  // that holds a left-hand key gives one pair with a space stroke.
  std::vector<KeySet> SpaceNeighbours;
  std::uint64_t SpacePairs = 0;  // every space stroke after a run's first is paired before it
};

// Counts the matched entries of kanaCodes with the table (the entries that can match) as the
// count of a layout that breaks after punctuation or not would, by the start's keys.
GapWindows CountGapWindows(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                           bool breakAfterPunctuation);

// The same-hand pairs of two drawn keys at class 1, and at every class, with the start key k
// at places[k].
struct GapPairs {
  std::int64_t ClassOne = 0;
  std::int64_t All = 0;
};
GapPairs GapPairsAt(const GapWindows& windows, int leftHandLastKey,
                    const std::array<std::uint8_t, 64>& places);

// The gap pairs of one layout of the search, and their changes when the keys at two places
// exchange. Only an exchange between the hands changes them; it touches the triples that hold
// one of the two keys, and the key sets that hold one of them and have at most one key on a
// hand (a set with two or more on each hand uses both hands whichever one key moves). Sets
// whose hands no exchange can change, given the keys that never move, are left out.
class GapState {
 public:
  GapState(const GapWindows& windows, const std::vector<int>& freeKeys, int leftHandLastKey,
           const std::array<std::uint8_t, 64>& places);

  GapPairs Delta(int a, int b) const;
  void Exchange(int a, int b);
  const GapPairs& Now() const { return now_; }

 private:
  struct Term {
    std::uint64_t Keys;
    std::int64_t Count;
    std::uint8_t Size;
    bool BothHands;  // a run: counts its hands; else a space's neighbours: their left hand only
    bool Listed = false;  // in the edge lists of its keys
  };
  bool Left(int place) const { return place <= leftHandLastKey_; }
  std::int64_t PairsLost(const Term& term, int left) const;
  // Whether moving one key of the term to the other hand can change the pairs it loses.
  bool OnEdge(const Term& term, int left) const {
    return left <= 1 || (term.BothHands && term.Size - left <= 1);
  }
  void List(std::uint32_t term);
  template <typename Visit>
  void ForTermsOf(int a, int b, bool all, bool triples, Visit&& visit) const;
  // Adds sign times what the triple gives to flipOne_ and flipBoth_ at the places now.
  void CountFlips(const GapWindows::Triple& triple, std::int64_t sign);

  const GapWindows& windows_;
  int leftHandLastKey_;
  std::array<std::uint8_t, 64> places_;
  std::array<std::uint8_t, 64> occupant_{};
  std::vector<Term> terms_;
  std::vector<std::uint8_t> left_;  // by term: how many of its keys are left-hand keys now
  std::uint64_t free_ = 0;
  std::array<std::vector<std::uint32_t>, 64> triplesOf_, termsOf_;  // by start key
  // By start key, the terms on the edge, and some that were once: they stay listed.
  std::array<std::vector<std::uint32_t>, 64> edgeOf_;
  // The change of the class 1 pairs when one start key goes to the other hand, and what two
  // keys going over together change besides, [first * 64 + second]: an exchange between the
  // hands is both at once.
  std::array<std::int64_t, 64> flipOne_{};
  std::vector<std::int64_t> flipBoth_ = std::vector<std::int64_t>(64 * 64);
  GapPairs now_;
};

}  // namespace kananet::search
