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
// exchange. Only an exchange between the hands changes them, and it flips the hands of both
// keys. The free keys are keys of the drawn keyboard (the space key never moves), so a triple's
// drawn ends never change.
//
// Class 1: with each start key's sign +1 on the left hand and -1 on the right, a triple of drawn
// ends x, y, z gives a class 1 pair when x and z have one sign and y the other, that is
// (1 - xy + xz - yz) / 4 of the signs. The class 1 pairs are therefore a constant plus a sum
// over pairs of keys of a weight times their signs' product, and flipping two keys changes it
// by their fields (each key's weights times the signs of the keys it pairs with) and their own
// pair's weight: an exchange is scored in a few steps and taken in one pass over the keys.
//
// The key sets: a set loses a pair for each hand it uses, so an exchange changes it only when
// it holds one of the two keys and one of its hands has at most one key (it is on the edge).
// Sets whose hands no exchange can change, given the keys that never move, are left out. Each
// free key lists the sets on the edge that hold it. The number of each set's keys on each hand
// is kept for 64 sets at once, a bit of each count in a word, so an exchange updates them all in
// a pass of bit operations and lists the sets it brings to the edge; sets that leave the edge
// drop out of the moved keys' lists, so the lists stay short.
class GapWindowState {
 public:
  GapWindowState(const GapWindows& windows, const std::vector<int>& freeKeys, int leftHandLastKey,
                 const std::array<std::uint8_t, 64>& places);

  GapPairs Delta(int a, int b) const;
  void Exchange(int a, int b);
  const GapPairs& Now() const { return now_; }

 private:
  struct Term {
    std::uint64_t Keys;
    std::int64_t Count;
    std::uint64_t Listed = 0;  // the free keys in whose edge lists it stands
    std::uint8_t Size;
    std::uint8_t Sides;  // the hands it may lose: bit 0 the left, bit 1 the right
    bool BothHands;      // a run: counts its hands; else a space's neighbours: their left hand only
  };
  // A term in an edge list, with what scoring and pruning read of it.
  struct Edge {
    std::uint64_t Keys;
    std::int64_t Count;
    std::uint32_t Term;
    std::uint8_t Size;
    std::uint8_t Sides;
    bool BothHands;
  };
  // For 64 terms, bit i for term i: the number of their free keys on each hand (bit b of the
  // counts in Left[b] and Right[b]), and the terms that may lose each hand. Only free keys count: a
  // set that holds a key that never moves on a hand never loses that hand.
  struct Counts {
    std::uint64_t Left[6], Right[6];
    std::uint64_t LeftSide, RightSide;
  };
  bool Left(int place) const { return place <= leftHandLastKey_; }
  // Whether a set of size keys that may lose the hands of sides has at most one key on one of
  // them now.
  bool OnEdge(std::uint64_t keys, int size, int sides) const;
  void List(std::uint32_t term);
  // Drops from key's edge list the terms that left the edge.
  void Prune(int key);

  int leftHandLastKey_;
  std::array<std::uint8_t, 64> places_;
  std::array<std::uint8_t, 64> occupant_{};
  std::uint64_t free_ = 0;
  std::uint64_t leftKeys_ = 0;  // the start keys on the left hand now
  // Class 1: four times the weight of each pair of start keys [x * 64 + y], and each key's
  // field, the sum of its weights times the other keys' signs.
  std::vector<std::int64_t> coupling_ = std::vector<std::int64_t>(64 * 64);
  std::array<std::int64_t, 64> field_{};
  std::vector<Term> terms_;
  std::array<std::vector<Edge>, 64> edgeOf_;  // by start key
  std::vector<Counts> counts_;                // by 64 terms
  // By free start key, the terms that hold it: bit i of word w for term 64 w + i.
  std::array<std::vector<std::uint64_t>, 64> holders_;
  GapPairs now_;
};

}  // namespace kananet::search
