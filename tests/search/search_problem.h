// Random layouts and texts for the search's tests, and the batch's own count of their figures.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "analysis/entry_matcher.h"
#include "analysis/figures.h"
#include "codes/keyboard.h"
#include "readers/layout.h"
#include "search/key_search.h"

namespace kananet::search {

struct Problem {
  std::vector<LayoutEntry> Table;
  LayoutHeaderValues Header;
  std::string Text;
};

// A layout of single kana (codes 1, 2 and 8 on, some struck with a second key as a voiced mark
// is, one with no keys, one on the space key) behind a few two-kana sequences, and a text of
// runs of those kana (shortestRun to longestRun each) ending as every sample text ends. The voiced
// ga (18) is typed as ka (17) with the space key and a mark key after it, gi (20) as ki (19) with
// a shift key before it.
inline Problem RandomProblem(unsigned seed, bool byKana, bool breaks, int leftHandLastKey,
                             std::size_t kana, std::size_t kanaKinds = 14,
                             std::size_t longestRun = 12, std::size_t shortestRun = 1) {
  std::mt19937 rng(seed);
  Problem problem;
  problem.Table.resize(std::max<std::size_t>(64, kanaKinds + 8));
  problem.Header = {leftHandLastKey, breaks ? 1 : 0, 4, byKana ? 1 : 0};
  std::vector<char> codes = {1, 2, 0x20};
  for (std::size_t code = 8; code < 8 + kanaKinds; ++code) {
    codes.push_back(static_cast<char>(code));
  }
  auto key = [&rng] { return static_cast<char>(1 + rng() % kKeysDrawn); };
  auto anyCode = [&] { return codes[3 + rng() % kanaKinds]; };
  std::size_t slot = 0;
  for (int sequence = 0; sequence < 4; ++sequence) {
    problem.Table[slot++] = {std::string{anyCode(), anyCode()}, std::string{key(), key(), key()}};
  }
  for (const char code : codes) {
    std::string keys(1, key());
    if (rng() % 4 == 0) {
      keys += key();  // a two-stroke kana
    }
    problem.Table[slot++] = {std::string(1, code), keys};
  }
  problem.Table[slot - 1].Keys = "";     // a kana typed with no keys
  problem.Table[slot - 6].Keys += '\0';  // and one that ends on the space key
  problem.Table[4 + 3 + 10].Keys = problem.Table[4 + 3 + 9].Keys + std::string("\0\x2d", 2);
  problem.Table[4 + 3 + 12].Keys = '\x04' + problem.Table[4 + 3 + 11].Keys;
  while (problem.Text.size() < kana) {
    problem.Text += static_cast<char>(kRunBreak);
    for (std::size_t length = shortestRun + rng() % (longestRun - shortestRun + 1); length > 0;
         --length) {
      problem.Text += codes[rng() % codes.size()];
    }
  }
  problem.Text += "\x20\x20\x20";
  return problem;
}

// Adds 1,100 two-kana entries the text never types: a table too large for the narrow cells of
// the counts.
inline void Widen(Problem& problem) {
  std::erase_if(problem.Table, [](const LayoutEntry& entry) { return entry.Kana.empty(); });
  for (int entry = 0; entry < 1100; ++entry) {
    problem.Table.push_back(
        {{static_cast<char>(40 + entry % 50), static_cast<char>(40 + entry / 50)},
         {static_cast<char>(1 + entry % kKeysDrawn),
          static_cast<char>(1 + entry / kKeysDrawn % kKeysDrawn), '\x07'}});
  }
}

inline Places MovedPlaces(const Places& places, int a, int b) {
  Places moved = places;
  for (std::uint8_t& place : moved) {
    place = place == a   ? static_cast<std::uint8_t>(b)
            : place == b ? static_cast<std::uint8_t>(a)
                         : place;
  }
  return moved;
}

// The batch's count of the problem's layout with each slot typing keys[slot] (by place).
inline FigureCounts CountedWith(const Problem& problem, const std::vector<std::string>& keys) {
  std::vector<LayoutEntry> table = problem.Table;
  for (std::size_t slot = 0; slot < keys.size(); ++slot) {
    table[slot].Keys = keys[slot];
  }
  return *CountFigures(problem.Text, table, problem.Header, 1);
}

// The slots' start keys.
inline std::vector<std::string> StartKeys(const Problem& problem) {
  std::vector<std::string> keys;
  for (std::size_t slot = 0; slot < MatchingSlots(problem.Table); ++slot) {
    keys.push_back(problem.Table[slot].Keys);
  }
  return keys;
}

}  // namespace kananet::search
