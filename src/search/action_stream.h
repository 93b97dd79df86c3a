// The search over key exchanges for a layout that presses keys together (a %chords file). Which
// key of a hand's previous action a key pairs with depends on the fingers of both actions, and
// an exchange can move a key to the other hand, which changes what the previous action of each
// hand is: no table of key pairs permuted by places scores that. So the text is kept as the
// stream of its actions, and an exchange is scored by counting again only the actions whose
// pairs it changes: those holding the two keys, and after each of them the actions up to the
// next one of each hand (counting by kana, to the end of the next unit each hand strikes in).
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

// The text's actions under the start's keys, counted once; shared by every round.
class ActionText {
 public:
  // The matched entries of kanaCodes with the table's first slots entries, as the count of a
  // layout with header matches them. freeKeys are the keys that may be exchanged; settings
  // gives the cost, per 100 of kana.
  ActionText(std::string_view kanaCodes, const std::vector<LayoutEntry>& table, std::size_t slots,
             const LayoutHeaderValues& header, std::vector<int> freeKeys,
             const SearchSettings& settings, std::uint64_t kana);

  const std::vector<int>& FreeKeys() const { return freeKeys_; }
  // The figures of the start with its keys at places, counted over the whole stream.
  FigureCounts FiguresAt(const Places& places) const;
  double CostOf(const FigureCounts& figures) const;
  // The start keys that some action of the text presses.
  const std::array<bool, 64>& Struck() const { return struck_; }

 private:
  friend class ActionState;
  // One action of the stream: its kind (an index into actions_), its place in its run (counted
  // in actions) and its unit's (counted in matched entries, which counting by kana needs).
  struct Position {
    std::uint32_t Action = 0;
    std::uint32_t Step = 0;
    std::uint32_t Unit = 0;
  };
  // Adds each stroke's figures of the actions from begin up to end (one run) at places, times
  // sign, into figures.
  void CountWindow(std::size_t begin, std::size_t end, const Places& places, std::int64_t sign,
                   std::array<std::int64_t, kFigureCount>& figures) const;
  // Where the actions whose pairs change when the action at position may change end: the last
  // of the next action of each hand (or its unit's end, by kana), at either places.
  std::size_t WindowEnd(std::size_t position, const Places& before, const Places& after) const;
  // The hands (bit 0 left, bit 1 right) an action presses keys of at places.
  unsigned HandsOf(std::uint32_t action, const Places& places) const;
  // Whether an action still has no two keys of one finger once start keys ka and kb exchange
  // places a and b.
  bool Feasible(std::uint32_t action, const Places& places, int a, int b) const;

  std::vector<std::string> actions_;  // the start keys of each kind of action
  std::vector<Position> stream_;
  std::vector<std::uint32_t> runEnd_;                 // by position: the end of its run
  std::array<std::vector<std::uint32_t>, 64> uses_;   // by start key: the positions pressing it
  std::array<std::vector<std::uint32_t>, 64> kinds_;  // by start key: the actions holding it
  std::array<bool, 64> struck_{};
  std::vector<int> freeKeys_;
  int leftHandLastKey_;
  bool byKana_;
  std::uint64_t actionCount_ = 0, chordCount_ = 0;
  // The figures one stroke of key counts in, and one pair (paired key, key) in each gap class
  // counted by strokes and in the layout's own mode: read off the figures' one definition.
  std::array<FigureMask, 64> keyFigures_{};
  std::vector<FigureMask> strokePairFigures_, ownPairFigures_;  // [(gap * 64 + first) * 64 + key]
  SearchSettings settings_;
  std::uint64_t kana_;
};

// One layout of a round: the keys' places, its figures and cost, changed exchange by exchange.
class ActionState {
 public:
  ActionState(const ActionText& text, const Places& places);

  // The change of cost when keys a and b exchange places; nothing when an action would then
  // have two keys of one finger.
  std::optional<double> KeyDelta(int a, int b) const;
  void ExchangeKeys(int a, int b);
  // No kana move is searched in these files.
  std::optional<double> KanaDelta(std::size_t, std::size_t) const { return std::nullopt; }
  void ExchangeKana(std::size_t, std::size_t) {}
  double Cost() const { return cost_; }
  const FigureCounts& Figures() const { return figures_; }
  Arrangement Now() const { return {places_, {}}; }

 private:
  // The figures after keys a and b exchange places, or nothing.
  std::optional<FigureCounts> FiguresAfter(int a, int b) const;

  const ActionText& text_;
  Places places_;
  std::array<std::uint8_t, 64> occupant_{};  // the start key now at each key
  FigureCounts figures_{};
  double cost_ = 0;
};

// One round of the search of a layout that presses keys together, as RunRound is for other
// layouts: from a random arrangement of the free keys (reached by exchanges that keep every
// action pressable), annealed, then improved while an exchange lowers the cost; the cost kept
// is checked against the layout's figures counted from scratch (throws CostDrifted).
RoundResult RunActionRound(const ActionText& text, std::uint64_t seed, std::uint64_t round,
                           std::atomic<std::uint64_t>& candidates, const std::atomic<bool>& stop,
                           const std::function<void(const ActionState&)>& accepted);

}  // namespace kananet::search
