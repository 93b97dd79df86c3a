// Counts by a key in one flat table, with open addressing: the text's pairs and windows of
// matched entries are counted tens of millions of times over up to a few million keys, where a
// node-based map spends most of its time allocating and chasing pointers. Where keys and counts
// are known to fit 32 bits, cells of half the size keep more of the table in the nearer caches.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kananet {

template <typename KeyType, typename CountType>
class BasicCountTable {
 public:
  // The one key that cannot be counted: it marks an empty cell.
  static constexpr KeyType kEmpty = static_cast<KeyType>(~KeyType{0});
  struct Cell {
    KeyType Key = kEmpty;
    CountType Count = 0;
  };

  [[gnu::always_inline]] void Add(KeyType key, CountType count = 1) {
    if (cells_.empty()) {
      Grow();
    }
    Cell* cell = Find(key);
    if (cell->Key == kEmpty) {
      cell->Key = key;
      if (++used_ * 4 > cells_.size() * 3) {
        Grow();
        cell = Find(key);
      }
    }
    cell->Count += count;
  }

  // Calls visit(key, count) for every key counted, in no order.
  template <typename Visit>
  void ForEach(Visit&& visit) const {
    for (const Cell& cell : cells_) {
      if (cell.Key != kEmpty) {
        visit(cell.Key, cell.Count);
      }
    }
  }

  // The keys and their counts sorted by key, in the table's own cells, which it gives up: with
  // millions of keys, a copy would double the memory the count needs.
  std::vector<Cell> Sorted() && {
    std::erase_if(cells_, [](const Cell& cell) { return cell.Key == kEmpty; });
    std::sort(cells_.begin(), cells_.end(),
              [](const Cell& a, const Cell& b) { return a.Key < b.Key; });
    used_ = 0;
    return std::move(cells_);
  }

 private:
  static constexpr std::size_t kFirstSize = std::size_t{1} << 12;

  // A cell by the top bits of the key times an odd constant: they depend on every bit of the
  // key, where the low bits of the product depend only on the key's low bits, which would
  // crowd keys that differ only in a high field (a unit packed above two others) into a run of
  // cells.
  Cell* Find(KeyType key) {
    const std::size_t mask = cells_.size() - 1;
    std::size_t at = static_cast<std::size_t>((key * std::uint64_t{0x9E3779B97F4A7C15u}) >> shift_);
    while (cells_[at].Key != kEmpty && cells_[at].Key != key) {
      at = (at + 1) & mask;
    }
    return &cells_[at];
  }

  [[gnu::noinline]] void Grow() {
    std::vector<Cell> old(std::max(kFirstSize, cells_.size() * 2));
    old.swap(cells_);
    shift_ = 64 - std::countr_zero(cells_.size());
    for (const Cell& cell : old) {
      if (cell.Key != kEmpty) {
        *Find(cell.Key) = cell;
      }
    }
  }

  std::vector<Cell> cells_;
  std::size_t used_ = 0;
  int shift_ = 64;  // 64 less the bits of a cell's index, set by Grow before any Find
};

using CountTable = BasicCountTable<std::uint64_t, std::uint64_t>;

}  // namespace kananet
