// Helpers of the report's tests: network files made from chosen counts, written line for line as
// kananet writes them, so the reader can be tried on exact files and on damaged copies of them;
// and small text look-ups.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "analysis/statistics.h"

namespace kananet::report::testing {

struct NetworkCounts {
  int LeftHandLastKey = 24;              // the rows are always four
  std::array<std::string, 56> Labels{};  // Shift_JIS label of each key's stroke vertex
  std::array<std::uint32_t, 56> StrokeCounts{};
  std::array<std::array<std::array<std::uint32_t, 56>, 56>, 3> PairTallies{};
};

std::string NetworkText(const NetworkCounts& counts);

// The counts of the small example that documents the file format: key 7 types あ and is struck
// 400 times, follows itself 16 times at gap 0 and 10 times at gap 1; keys 7 and 15 follow each
// other 42 times at gap 0, keys 26 and 31 five times at gap 1.
NetworkCounts SmallExample();

// The network file of a layout with keys pressed together (342 vertices), written by kananet's own
// writer from these counts (the thumb keys 56 and 57 included); `thumbLabel`, Shift_JIS, is what
// the left thumb key types alone.
std::string ChordNetworkText(const KeyCountTable& keys, const PairCountTable& pairs,
                             const std::string& thumbLabel = "", int leftHandLastKey = 24);

// Replaces the first occurrence of `from` in `text`; fails the test when there is none.
std::string Replaced(std::string text, const std::string& from, const std::string& to);

// How often `part` occurs in `text`, overlaps included.
std::size_t Occurrences(const std::string& text, const std::string& part);

// The whole file's bytes, empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

}  // namespace kananet::report::testing
