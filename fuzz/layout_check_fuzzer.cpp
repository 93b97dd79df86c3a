// The layout check on arbitrary layout bytes: the header sources it reports give exactly the
// header the reader stored, every line a item names lies in the file, an entry is only ever
// shadowed by an earlier one, and without an undefined kana the keystrokes counted are those of
// the batch's conversion.
#include <algorithm>
#include <cstdint>
#include <string>

#include "check/layout_check.h"
#include "codes/key_alphabet.h"
#include "fuzz_checks.h"
#include "readers/sample_text.h"
#include "reference/key_stream.h"

using namespace kananet;
using namespace kananet::fuzz;

namespace {

std::string stream;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // かな / きゃくき、。ー in Shift_JIS.
  AppendKanaStream("\x82\xa9\x82\xc8\n\x82\xab\x82\xe1\x82\xad\x82\xab\x81\x41\x81\x42\x81\x5b\n",
                   stream);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static LayoutChecker checker(&stream);
  std::string_view file = BytesOf(data, size);
  LayoutCheck layout = checker.CheckBytes("fuzz.txt", file);

  const LayoutHeaderValues& header = layout.Header;
  FUZZ_CHECK(KeyIndexTable[layout.Sources[0].Byte] == header.LeftHandLastKey);
  FUZZ_CHECK(KeyIndexTable[layout.Sources[1].Byte] == header.BreakAfterPunctuation);
  FUZZ_CHECK(static_cast<std::int8_t>(layout.Sources[2].Byte) - 48 == header.RowCount);
  FUZZ_CHECK(static_cast<std::int8_t>(layout.Sources[3].Byte) - 48 == header.CountByKana);

  auto lines = static_cast<std::size_t>(std::count(file.begin(), file.end(), '\n')) + 1;
  bool undefined = false;
  for (const Finding& item : layout.Findings) {
    FUZZ_CHECK(item.Line <= std::max<std::size_t>(lines, kHeaderLines));
    // An earlier entry, but for the header line that looks like an entry, which line 1 names.
    FUZZ_CHECK(item.OtherLine < item.Line || item.OtherLine == 0 ||
               (item.Kind == FindingKind::kHeaderMissing && item.OtherLine <= kHeaderLines));
    undefined = undefined || item.Kind == FindingKind::kUndefinedKana;
  }
  if (!undefined) {
    LayoutHeaderValues ignored;
    static std::vector<LayoutEntry> table(kLayoutTableSlots);
    FillLayout(file, ignored, table);
    std::string keys;
    FUZZ_CHECK(AppendKeyStream(stream, table, false, false, keys) == kNoSlot);
    FUZZ_CHECK(layout.Keystrokes ==
               static_cast<std::uint64_t>(std::count_if(keys.begin(), keys.end(), [](char key) {
                 return static_cast<std::uint8_t>(key) < kKeyJoin;  // no marker is a stroke
               })));
  }
  return 0;
}
