// The search of a layout that presses keys together (a %chords file): key exchanges, and kana
// exchanging their actions. Which key of a hand's previous action a key pairs with depends on
// the fingers of both actions, and an exchange can move a key to the other hand, which changes
// what the previous action of each hand is: no table of key pairs permuted by places scores
// that. So the text is kept as the stream of its actions, and a move is scored by counting
// again only the actions whose pairs it changes: those it changes, and after each of them the
// actions up to the next one of each hand (counting by kana, to the end of the next unit each
// hand strikes in).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/figures.h"
#include "cost/search_file.h"
#include "readers/layout.h"
#include "search/key_search.h"
#include "search/layout_search.h"

namespace kananet::search {

// The most keys of one action the search counts (the space key may stand in one several times;
// else no action of a layout without check errors has more than 13), and the first slot of the
// table with an action of more; table.size() if none.
inline constexpr std::size_t kMaxActionKeys = 16;
std::size_t FirstTooLargeAction(const std::vector<LayoutEntry>& table);

// The text's actions under the start's keys, counted once; shared by every round.
class ActionText {
 public:
  // The matched entries of kanaCodes with the table's first slots entries, as the count of a
  // layout with header matches them. With moveKeys, the free keys of movable may be exchanged;
  // with moveKana, the kana move that are units: each entry used and not pinned that presses
  // only free keys. settings gives the cost, per 100 of kana.
  ActionText(std::string_view kanaCodes, const std::vector<LayoutEntry>& table, std::size_t slots,
             const LayoutHeaderValues& header, const Movable& movable, bool moveKeys, bool moveKana,
             const SearchSettings& settings, std::uint64_t kana);

  const std::vector<int>& FreeKeys() const { return freeKeys_; }
  std::size_t Units() const { return units_.size(); }
  std::size_t UnitSlot(std::size_t unit) const { return units_[unit]; }
  // Whether any two units may exchange their actions: two of as many actions.
  bool AnyMayExchange() const;
  // The figures of the start moved to an arrangement, counted over the whole stream.
  FigureCounts FiguresAt(const Arrangement& at) const;
  double CostOf(const FigureCounts& figures) const;
  // The start keys that some action of the text presses.
  const std::array<bool, 64>& Struck() const { return struck_; }
  // The table's first slots entries with the keys of an arrangement, as the layout file writes
  // them; and which of them a kana move retyped.
  std::vector<LayoutEntry> TableAt(const std::vector<LayoutEntry>& table, std::size_t slots,
                                   const Arrangement& at) const;
  std::vector<bool> Retyped(std::size_t slots, const Arrangement& at) const;

 private:
  friend class ActionState;
  // One action of the stream: its place in its run (counted in actions) and its unit's
  // (counted in matched entries, which counting by kana needs).
  struct Position {
    std::uint32_t Step = 0;
    std::uint32_t Unit = 0;
  };
  // Adds each stroke's figures of the actions from begin up to end (one run), kinds by
  // position, at places, times sign, into figures.
  void CountWindow(std::size_t begin, std::size_t end, const std::uint32_t* kinds,
                   const Places& places, std::int64_t sign,
                   std::array<std::int64_t, kFigureCount>& figures) const;
  // Where the actions whose pairs change when the action at position may change end: the last
  // of the next action of each hand (or its unit's end, by kana), before and after.
  std::size_t WindowEnd(std::size_t position, const std::uint32_t* kindsBefore,
                        const Places& before, const std::uint32_t* kindsAfter,
                        const Places& after) const;
  // The hands (bit 0 left, bit 1 right) an action presses keys of at places.
  unsigned HandsOf(std::uint32_t action, const Places& places) const;
  // Whether an action still has no two keys of one finger once keys a and b exchange places.
  bool Feasible(std::uint32_t action, const Places& places, int a, int b) const;
  // The kinds of the stream's actions with each unit typing the actions of the unit it holds.
  std::vector<std::uint32_t> KindsOf(const std::vector<std::uint16_t>& holds) const;

  std::vector<std::string> actions_;  // the start keys of each kind of action
  std::vector<Position> stream_;
  std::vector<std::uint32_t> kinds_;                     // the start's, by position
  std::vector<std::uint32_t> runEnd_;                    // by position: the end of its run
  std::array<std::vector<std::uint32_t>, 64> holding_;   // by start key: the kinds holding it
  std::vector<std::uint32_t> units_;                     // the slot of each unit
  std::vector<std::vector<std::uint32_t>> unitActions_;  // its kinds of action
  std::vector<std::vector<std::uint32_t>> unitUses_;     // the positions of its first action
  std::array<bool, 64> struck_{};
  std::vector<int> freeKeys_;
  int leftHandLastKey_;
  bool byKana_;
  // The figures one stroke of key counts in, and one pair (paired key, key) in each gap class
  // counted by strokes and in the layout's own mode: read off the figures' one definition.
  std::array<FigureMask, 64> keyFigures_{};
  std::vector<FigureMask> strokePairFigures_, ownPairFigures_;  // [(gap * 64 + first) * 64 + key]
  SearchSettings settings_;
  std::uint64_t kana_;
};

// One layout of a round: the keys' places, which unit's actions each unit types, its figures
// and cost, changed move by move.
class ActionState {
 public:
  ActionState(const ActionText& text, const Places& places);

  // The change of cost when keys a and b exchange places; nothing when an action would then
  // have two keys of one finger.
  std::optional<double> KeyDelta(int a, int b) const;
  void ExchangeKeys(int a, int b);
  // The change of cost when units u and w exchange their actions; nothing when their numbers
  // of actions differ (the actions are exchanged in place in the stream).
  std::optional<double> KanaDelta(std::size_t u, std::size_t w);
  void ExchangeKana(std::size_t u, std::size_t w);
  double Cost() const { return cost_; }
  // The scale of the cost now (CostScaleOf).
  double CostScale() const {
    return CostScaleOf(figures_, text_.settings_.Weights, text_.kana_, &text_.settings_);
  }
  const FigureCounts& Figures() const { return figures_; }
  Arrangement Now() const { return {places_, holds_}; }

 private:
  // The figures after keys a and b exchange places, or nothing.
  std::optional<FigureCounts> FiguresAfter(int a, int b) const;
  // The figures after units u and w exchange their actions, or nothing; with take, taken.
  std::optional<FigureCounts> FiguresAfterKana(std::size_t u, std::size_t w, bool take);
  // The figures after the actions at positions (in order) change from kinds_ to after_.
  FigureCounts Changed(const std::vector<std::uint32_t>& positions, const Places& before,
                       const Places& after) const;

  const ActionText& text_;
  Places places_;
  std::array<std::uint8_t, 64> occupant_{};          // the start key now at each key
  std::vector<std::uint16_t> holds_;                 // by unit: the unit whose actions it types
  std::vector<std::uint32_t> kinds_, after_;         // by position; after_ is kinds_ but mid-score
  std::array<std::vector<std::uint32_t>, 64> uses_;  // by start key: the positions pressing it
  std::vector<std::uint32_t> positions_;             // scratch
  FigureCounts figures_{};
  double cost_ = 0;
};

// One round of the search of a layout that presses keys together, as RunRound is for other
// layouts: from a random arrangement of the free keys (reached by exchanges that keep every
// action pressable) and of the units, annealed, then improved while a move lowers the cost;
// the cost kept is checked against the layout's figures counted from scratch (throws
// CostDrifted).
RoundResult RunActionRound(const ActionText& text, std::uint64_t seed, std::uint64_t round,
                           std::atomic<std::uint64_t>& candidates, const std::atomic<bool>& stop,
                           const std::function<void(const ActionState&)>& accepted);

}  // namespace kananet::search
