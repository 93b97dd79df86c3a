// The indexed kana lookup against the plain first-match scan, on tables and streams drawn
// from a four-kana alphabet so that sequences overlap, share first kana and repeat. A quarter
// of the inputs place their entries at the end of a full 100,000-slot table, across the last
// searchable slot; their streams are kept short, as each scan there visits every slot.
#include <cstdint>
#include <string>
#include <vector>

#include "codes/key_alphabet.h"
#include "fuzz_checks.h"
#include "readers/layout.h"
#include "reference/key_stream.h"
#include "reference/plain_rules.h"

using namespace kananet;
using namespace kananet::fuzz;

namespace {

constexpr char kAlphabet[] = {'\x08', '\x0a', '\x49', '\x01'};  // a, i, small ya, comma

// Consumes the input byte by byte; 0 once it runs out.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return position_ >= size_; }
  std::uint8_t Next() { return Empty() ? 0 : data_[position_++]; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::vector<LayoutEntry> fullTable(kLayoutTableSlots);
  Reader input(data, size);
  std::uint8_t shape = input.Next();
  bool atTableEnd = (shape & 3) == 0;
  std::size_t entries = 1 + (input.Next() % 24);

  std::vector<LayoutEntry> smallTable(entries);
  std::vector<LayoutEntry>& table = atTableEnd ? fullTable : smallTable;
  // At the table's end the entries end at slot 99,999 or just before or after it.
  std::size_t first = atTableEnd ? kLayoutTableSlots - entries - (shape >> 2) % 3 : 0;
  for (std::size_t i = 0; i < entries; ++i) {
    std::uint8_t entryBits = input.Next();
    std::string& kana = table[first + i].Kana;
    kana.clear();
    for (int length = entryBits % 4; length > 0; --length) {
      kana += kAlphabet[(entryBits >> (2 * length)) % 4];
    }
  }

  std::size_t maxStream = atTableEnd ? 6 : 4096;
  std::string stream;
  while (!input.Empty() && stream.size() < maxStream) {
    std::uint8_t byte = input.Next();
    stream += (byte & 0x0F) == 0x0F ? static_cast<char>(kRunBreak) : kAlphabet[byte % 4];
  }

  KanaLookup lookup(table);
  for (std::size_t position = 0; position < stream.size(); ++position) {
    if (static_cast<std::uint8_t>(stream[position]) == kRunBreak) {
      continue;
    }
    std::size_t found = lookup.FindFirstMatch(stream, position);
    FUZZ_CHECK(found == reference::FindFirstMatchByScan(table, stream, position));
    FUZZ_CHECK(found == kNoSlot || found < kLayoutSearchSlots);
  }

  if (atTableEnd) {
    for (std::size_t i = 0; i < entries; ++i) {
      fullTable[first + i].Kana.clear();
    }
  }
  return 0;
}
