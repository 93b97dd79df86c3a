// Stroke statistics: how often each key is struck and how often a key follows the previous
// key of the same hand, by gap class (how far back that previous key lies).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kananet {

inline constexpr int kGapClasses = 3;  // 0, 1, and 2 or more

// The tables' shape: a column for every KeyIndex (kKeyCount of them) and room to spare, a power
// of two so that a counter's place is shifts; and a plane for each gap class and one more.
inline constexpr std::size_t kKeySlots = 64;
inline constexpr std::size_t kGapPlanes = 4;
inline constexpr std::size_t kPairPlaneCells = kKeySlots * kKeySlots;
inline constexpr std::size_t kPairCells = kGapPlanes * kPairPlaneCells;

using KeyCountTable = std::array<std::uint32_t, kKeySlots>;
// [gap class][previous key][current key]; plane 3 is never counted and stays 0.
using PairCountTable =
    std::array<std::array<std::array<std::uint32_t, kKeySlots>, kKeySlots>, kGapPlanes>;

// A layout's counts over a sample text: how often each key is struck, and each same-hand pair.
struct LayoutCounts {
  KeyCountTable Keys{};
  PairCountTable Pairs{};
  // Actions: the sets of keys pressed together, a key struck alone being one; chords: the
  // actions of two keys or more.
  std::uint64_t Actions = 0;
  std::uint64_t Chords = 0;
};

// The tables from every pair counter, by (gap class * kKeySlots + previous key) * kKeySlots
// + key, counted for every byte: the columns past the keys are dropped, and a key's strokes are
// the sum of its pair counters, since every stroke adds one to exactly one of them.
void FillCountTables(const std::uint32_t* cells, KeyCountTable& strokeCounts,
                     PairCountTable& pairTallies);

}  // namespace kananet
