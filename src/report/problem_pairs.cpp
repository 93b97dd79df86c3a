#include "report/problem_pairs.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "analysis/piece_counts.h"
#include "report/kana_text.h"

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

}  // namespace

ProblemPairs FindProblemPairs(const PieceCounts& pieces, const std::vector<LayoutEntry>& table,
                              const LayoutHeaderValues& header, std::size_t shown) {
  const int leftHand = header.LeftHandLastKey;
  std::array<std::map<PairKey, std::uint64_t>, 3> tallies;
  const auto key = [](char code) { return static_cast<int>(static_cast<std::uint8_t>(code)); };
  for (std::size_t slot = 0; slot < pieces.Uses.size() && slot < table.size(); ++slot) {
    const std::string& keys = table[slot].Keys;
    if (pieces.Uses[slot] == 0 || keys.size() < 2) {
      continue;
    }
    const std::string kana = KanaCodesUtf8(table[slot].Kana);
    for (std::size_t i = 0; i + 1 < keys.size(); ++i) {
      AddPair(key(keys[i]), key(keys[i + 1]), kana, pieces.Uses[slot], leftHand, tallies);
    }
  }
  for (const PieceCounts::Follow& follow : pieces.Follows) {
    const LayoutEntry& first = table[follow.First];
    const LayoutEntry& second = table[follow.Second];
    if (follow.Count == 0 || first.Keys.empty() || second.Keys.empty()) {
      continue;
    }
    AddPair(key(first.Keys.back()), key(second.Keys.front()),
            KanaCodesUtf8(first.Kana + second.Kana), follow.Count, leftHand, tallies);
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
