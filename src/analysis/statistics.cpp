#include "analysis/statistics.h"

#include "codes/key_alphabet.h"

namespace kananet {

void FillCountTables(const std::uint32_t* cells, KeyCountTable& strokeCounts,
                     PairCountTable& pairTallies) {
  strokeCounts.fill(0);
  for (std::size_t gap = 0; gap < kGapPlanes; ++gap) {
    for (std::size_t previous = 0; previous < kKeySlots; ++previous) {
      for (std::size_t key = 0; key < kKeySlots; ++key) {
        std::uint32_t count =
            key < kKeyCountWithThumbs ? cells[(gap * kKeySlots + previous) * kKeySlots + key] : 0;
        pairTallies[gap][previous][key] = count;
        strokeCounts[key] += count;
      }
    }
  }
}

}  // namespace kananet
