#include "report/problem_pairs.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "analysis/gap_rules.h"
#include "analysis/piece_counts.h"
#include "report/kana_text.h"
#include "report/layers.h"

namespace kananet::report {

namespace {

using PairKey = std::tuple<std::string, int, int>;  // kana, first key, second key

// Adds count to every listed figure the two strokes count in.
void AddPair(int first, int second, const std::string& kana, std::uint64_t count,
             int leftHandLastKey, std::array<std::map<PairKey, std::uint64_t>, 3>& tallies) {
  const FigureMask figures = PairFigures(first, second, leftHandLastKey);
  for (std::size_t f = 0; f < kProblemFigures.size(); ++f) {
    if (figures >> kProblemFigures[f] & 1) {
      tallies[f][{kana, first, second}] += count;
    }
  }
}

// Adds the pairs of one action after the action right before it: each key pairs with the key of
// its hand's part of the previous action that PairedKey names, as the count pairs them at gap 0
// by strokes; a key whose hand has no key in the previous action makes no pair of these figures.
void AddActionPairs(const std::string& previous, const std::string& next, const std::string& kana,
                    std::uint64_t count, int leftHandLastKey,
                    std::array<std::map<PairKey, std::uint64_t>, 3>& tallies) {
  for (const char key : next) {
    const auto stroke = static_cast<std::uint8_t>(key);
    std::string hand;
    for (const char other : previous) {
      if (HandOfKey(static_cast<std::uint8_t>(other), leftHandLastKey) ==
          HandOfKey(stroke, leftHandLastKey)) {
        hand += other;
      }
    }
    if (!hand.empty()) {
      AddPair(PairedKey(stroke, hand, leftHandLastKey), stroke, kana, count, leftHandLastKey,
              tallies);
    }
  }
}

}  // namespace

ProblemPairs FindProblemPairs(const PieceCounts& pieces, const std::vector<LayoutEntry>& table,
                              const LayoutHeaderValues& header, std::size_t shown) {
  const int leftHand = header.LeftHandLastKey;
  std::array<std::map<PairKey, std::uint64_t>, 3> tallies;
  std::vector<std::vector<std::string>> actions;
  for (const LayoutEntry& entry : table) {
    actions.push_back(ActionsOf(entry.Keys));
  }
  for (std::size_t slot = 0; slot < pieces.Uses.size() && slot < table.size(); ++slot) {
    const std::vector<std::string>& steps = actions[slot];
    if (pieces.Uses[slot] == 0 || steps.size() < 2) {
      continue;
    }
    const std::string kana = KanaCodesUtf8(table[slot].Kana);
    for (std::size_t i = 0; i + 1 < steps.size(); ++i) {
      AddActionPairs(steps[i], steps[i + 1], kana, pieces.Uses[slot], leftHand, tallies);
    }
  }
  for (const PieceCounts::Follow& follow : pieces.Follows) {
    const std::vector<std::string>& first = actions[follow.First];
    const std::vector<std::string>& second = actions[follow.Second];
    if (follow.Count == 0 || first.empty() || second.empty()) {
      continue;
    }
    AddActionPairs(first.back(), second.front(),
                   KanaCodesUtf8(table[follow.First].Kana + table[follow.Second].Kana),
                   follow.Count, leftHand, tallies);
  }
  ProblemPairs pairs;
  for (std::size_t f = 0; f < kProblemFigures.size(); ++f) {
    for (const auto& [pairKey, count] : tallies[f]) {
      pairs[f].push_back({std::get<0>(pairKey), std::get<1>(pairKey), std::get<2>(pairKey), count});
    }
    std::stable_sort(pairs[f].begin(), pairs[f].end(),
                     [](const ProblemPair& a, const ProblemPair& b) { return a.Count > b.Count; });
    pairs[f].resize(std::min(pairs[f].size(), shown));
  }
  return pairs;
}

}  // namespace kananet::report
