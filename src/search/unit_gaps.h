// The same-hand pairs at gap classes 0 and 1 of a layout counted by kana, and at class 1 of one
// counted by strokes, for any keys of its entries, from the text's matched entries counted once.
//
// Counted by kana, a stroke's pair with its hand's stroke before it takes the class of how many
// units (matched entries, those without keys too) went by before the stroke's own unit since the
// hand last struck: 0 when it struck in the unit right before (or the unit begins the run), 1
// when it struck in the one before that but not in between (or the run began there), else 2+.
// So a pair of class 0 or 1 lies inside the stroke's unit r or reaches back to the unit o right
// before r (class 0) or to the one before that, past a unit q (class 1). The pairs of hand h
// that r makes, with what came before it, are
//   class 0, o right before r:  Last_h(o) * First_h(r) + Uses_h(o) * Within_h(r)
//   class 1, o, q, r in a row:  (1 - Uses_h(q)) * (the same of o and r)
// where Uses_h is whether the unit strikes with h, First_h and Last_h whether its first and last
// strokes of h are drawn keys, and Within_h how many pairs of drawn keys of h it holds itself. A
// run's start is a unit that uses both hands with no drawn key. Class 2+ is every same-hand pair
// less these (GapPairs::All).
//
// Counted by strokes, a class 1 pair is three strokes in a row x y z of a run, x and z drawn keys
// of one hand and y of the other. The units are then the matched entries with keys (the others
// strike nothing), and the three strokes lie in one unit r, in r and the unit o right before it,
// or one in each of o, q, r when q is a single stroke. The class 1 pairs of hand h that r makes
// with what came before it are
//   o right before r:   Inner_h(r) + Last_h(o) * Bounce_h(r) + Bounced_h(o) * First_h(r)
//   o, q, r in a row:   Single_h(q) * Last_h(o) * First_h(r)
// where First_h and Last_h are whether the unit's first and last strokes are drawn keys of h,
// Bounce_h whether it begins with a stroke of the other hand and then a drawn key of h, Bounced_h
// whether it ends with a drawn key of h and then a stroke of the other hand, Inner_h how many
// class 1 pairs of h it holds itself, and Single_h whether it is one stroke of the other hand.
// A run's start is a unit of no strokes, and the term of it and the run's first unit counts
// that unit's Inner pairs like every other term before a unit.
//
// Both are sums, over pairs of units o before r, of products of a feature of o and one of r,
// each product counted with how often r comes right after o (Next), with how often a unit that
// lets the hand's pairs through lies between them (Apart), or both.
//
// The features of a unit depend only on its keys, so a move that retypes a few units (two keys
// exchanged between the hands, or two kana exchanging keys) changes only the terms of those
// units and, where a retyped unit is the middle of three, the weight of the outer two.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "readers/layout.h"

namespace kananet::search {

// Terms or windows sorted by one of their units, with where each unit's part begins.
struct UnitIndex {
  std::vector<std::uint32_t> Items;
  std::vector<std::uint32_t> Start;  // by unit, and one past the last
};

// The text's units counted once, and indexed for the search: every layout of a search, on
// every thread, reads the same.
struct UnitWindows {
  // Two units of a run, the first of them possibly the run's start (Slots), and how often the
  // second comes right after the first.
  struct Outer {
    std::uint32_t First = 0;
    std::uint32_t Last = 0;
    std::uint64_t Next = 0;
  };
  // Three units in a row, and how often; Outer is the index of the first and last in Outers.
  struct Window {
    std::uint32_t First = 0, Middle = 0, Last = 0, Outer = 0;
    std::uint64_t Count = 0;
  };
  std::size_t Slots = 0;
  std::vector<std::string> StartKeys;                    // by slot
  std::vector<Outer> Outers;                             // by (First, Last)
  std::vector<Window> Windows;                           // by (Middle, Last, First)
  std::vector<std::uint32_t> OutersStart, WindowsStart;  // by First, by Middle
  UnitIndex OutersByLast;                                // by (Last, First)
  UnitIndex ByLast;                                      // Windows by (Last, Middle, First)
  // Windows by (First, Middle, Last), each with its last unit and its count: a move reads
  // these for many windows in a row, so they sit together rather than behind the window's index.
  struct Ahead {
    std::uint32_t Last = 0;
    std::uint64_t Count = 0;
  };
  std::vector<Ahead> ByFirst;
  // By term, and one past the last: where the windows whose middle and last units are the
  // term's first and last begin in Windows, and where those whose first and middle units are
  // its first and last begin in ByFirst. Both orders follow the terms' own, so a term's
  // windows are found without a search.
  std::vector<std::uint32_t> WindowsAfter, WindowsBefore;
  bool ByStrokes = false;  // units are the entries with keys, for class 1 by strokes
};

// Counts the matched entries of kanaCodes with the table (its first slots entries can match) as
// a layout that breaks after punctuation or not would match them: every one counted by kana, and
// those with keys counted by strokes.
UnitWindows CountUnitWindows(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                             bool breakAfterPunctuation, bool countByKana);

struct UnitGapPairs {
  std::int64_t ClassZero = 0;
  std::int64_t ClassOne = 0;
};
// The pairs of drawn keys at classes 0 and 1 when each slot types keys[slot]; counted by strokes,
// class 1 alone.
UnitGapPairs UnitGapPairsAt(const UnitWindows& windows, const std::vector<std::string>& keys,
                            int leftHandLastKey);

// A unit typed with other keys.
struct Retyped {
  std::uint32_t Slot = 0;
  const std::uint8_t* Keys = nullptr;
  std::size_t Size = 0;
};

// What the pairs of a unit need of its keys, by hand (bit 0 the left, bit 1 the right): its
// features as the earlier and as the later unit of a term, by product, and whether it lets the
// hand's pairs through as the unit between two. Counted by kana, the products are Last * First
// and Uses * Within, each counted with Next and Apart, and a unit lets through the hands it does
// not use; by strokes, Last * First with Apart alone, then Last * Bounce, Bounced * First and
// 1 * Inner with Next alone, and Single lets its hand through.
inline constexpr std::size_t kUnitProducts = 4;
// The most keys of an entry the features count: the pairs within a unit are 16-bit counters, and
// an entry of n keys holds up to n - 1 of them.
inline constexpr std::size_t kMaxUnitKeys = std::numeric_limits<std::uint16_t>::max();
// The first slot of the table whose entry has more keys than kMaxUnitKeys; table.size() if none.
std::size_t FirstTooLongUnit(const std::vector<LayoutEntry>& table);
struct UnitFeatures {
  std::uint8_t Through = 0;
  std::array<std::array<std::uint16_t, 2>, kUnitProducts> AsFirst{}, AsLast{};
  friend bool operator==(const UnitFeatures&, const UnitFeatures&) = default;
};

// The weighted gap pairs of one layout of the search, and their changes.
//
// The pairs are kept as counts, so the cost never drifts. A move's change is worked out from
// sums kept by unit: for each unit, hand and product, what its terms as the later unit weigh the
// earlier units' features, and as the earlier unit the later units' features. So the terms of a
// retyped unit change by its own features' change times these sums; only terms between two
// retyped units, and windows whose middle unit changes the hands it lets through, are looked at
// one by one.
class UnitGapState {
 public:
  UnitGapState(const UnitWindows& windows, const std::vector<std::string>& keys,
               int leftHandLastKey, double classZeroWeight, double classOneWeight);

  // The change of cost when the keys a and b exchange places in every unit.
  double KeyDelta(int a, int b) const;
  // Takes the exchange and gives its change of cost.
  double ExchangeKeys(int a, int b);
  // The change of cost when the units retype, each slot once.
  double Delta(const std::vector<Retyped>& retyped) const;
  void Retype(const std::vector<Retyped>& retyped);
  double Cost() const;

 private:
  using Outer = UnitWindows::Outer;
  using Window = UnitWindows::Window;
  // The pairs of products counted with Next, and those counted with Apart.
  struct Pairs {
    std::int64_t Next = 0, Apart = 0;
  };
  // A sum over terms (pairs of outer units) of how often the later comes right after the
  // earlier (Next) and, by hand, with a unit between that lets the hand through (Apart), each
  // times a feature of the other unit, for the products counted so.
  struct Sum {
    std::array<std::int64_t, 2> Next{}, Apart{};
  };
  // By unit: [product] its terms as the earlier unit, [kUnitProducts + product] as the later.
  using Sums = std::array<Sum, 2 * kUnitProducts>;

  const UnitFeatures& Before(std::uint32_t unit) const { return features_[unit]; }
  const UnitFeatures& After(std::uint32_t unit) const {
    return unitStamp_[unit] == stamp_ ? newFeatures_[unit] : features_[unit];
  }
  bool Retyping(std::uint32_t unit) const { return unitStamp_[unit] == stamp_; }
  // Whether a retyped unit changes what it gives the units after it, and those before it.
  bool ChangesAsFirst(std::uint32_t unit) const {
    return Retyping(unit) && Before(unit).AsFirst != After(unit).AsFirst;
  }
  bool ChangesAsLast(std::uint32_t unit) const {
    return Retyping(unit) && Before(unit).AsLast != After(unit).AsLast;
  }
  // Adds what the term with the counts next and apart gives at the features of its ends.
  void AddPairs(std::int64_t next, const std::array<std::int64_t, 2>& apart,
                const UnitFeatures& first, const UnitFeatures& last, std::int64_t sign,
                Pairs& pairs) const;
  // Adds the sums' terms of the term, its counts and the features of its ends, times sign.
  template <typename Mode>
  void AddToSums(std::uint32_t term, const UnitFeatures& first, const UnitFeatures& last,
                 std::int64_t sign);
  // Adds apart, by hand, to the Apart sums of a term whose ends keep their features.
  template <typename Mode>
  void AddApart(const Window& window, const std::array<std::int64_t, 2>& apart);
  // Calls visit(term) for each term beginning at first whose last unit is retyped.
  template <typename Visit>
  void ForTermsFrom(std::uint32_t first, Visit&& visit) const;
  // A move: Begin, then Mark each unit it retypes; Change gives the change of the pairs, Apply
  // takes it.
  void Begin() const;
  void Mark(std::uint32_t unit, const UnitFeatures& features) const;
  Pairs Change() const;
  void Apply();
  // The same with the products of a counting mode known to the compiler.
  template <typename Mode>
  Pairs ChangeOf() const;
  template <typename Mode>
  void ApplyOf();
  double CostOf(const Pairs& pairs) const {
    return nextWeight_ * static_cast<double>(pairs.Next) +
           apartWeight_ * static_cast<double>(pairs.Apart);
  }
  void SetKeys(std::uint32_t slot, std::string keys);

  const UnitWindows& windows_;
  int leftHandLastKey_;
  // Counted by kana, the pairs with Next are class 0 and those with Apart class 1; by strokes,
  // both are class 1.
  double nextWeight_, apartWeight_;
  // Whether each product is counted with Next and with Apart, by product.
  std::array<std::int64_t, kUnitProducts> withNext_{}, withApart_{};
  std::vector<std::string> keys_;       // by slot, now
  std::vector<UnitFeatures> features_;  // by unit, the run's start last
  // By term (UnitWindows::Outers): by hand, how often its units come with a unit between that
  // lets the hand through, with the features now.
  std::vector<std::array<std::int64_t, 2>> apart_;
  std::vector<Sums> sums_;                               // by unit
  std::vector<std::array<std::int64_t, 2>> middleSums_;  // by unit: its windows' pairs, by hand
  std::array<std::vector<std::uint32_t>, 64> slotsOf_;   // by key: the slots that strike it
  Pairs now_;
  // A move's scratch: the units it retypes with their new features.
  mutable std::uint32_t stamp_ = 0;
  mutable std::vector<std::uint32_t> unitStamp_;
  mutable std::vector<UnitFeatures> newFeatures_;
  mutable std::vector<std::uint32_t> changedUnits_;
  mutable Pairs change_;
  // Apply's: the terms it changes.
  std::uint32_t termRound_ = 0;
  std::vector<std::uint32_t> termStamp_, affected_;
};

}  // namespace kananet::search
