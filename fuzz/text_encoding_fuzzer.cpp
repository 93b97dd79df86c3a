// The UTF-8 to CP932 conversion on arbitrary bytes: cut into pieces at sizes drawn from the first
// byte, it must give the same bytes as the whole text at once; MakeShiftJis must agree with the
// detection and, for UTF-8, with that conversion, whole or cut into pieces as the readers cut a
// large file; and CP932 to UTF-8 must give well-formed UTF-8.
#include <cstdint>
#include <functional>
#include <string>

#include "codes/text_encoding.h"
#include "fuzz_checks.h"
#include "readers/text_file.h"

using namespace kananet;
using namespace kananet::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  std::uint8_t cuts = data[0];
  std::string_view text = BytesOf(data + 1, size - 1);
  const std::string whole = Utf8TextToShiftJis(text);

  Utf8ToShiftJis converter;
  std::string pieces;
  for (std::size_t position = 0, step = 0; position < text.size(); ++step) {
    // A cycle of four sizes from 0 to 3 bytes, the first at least 1.
    std::size_t length = ((cuts >> (step % 4 * 2)) & 3) + (step % 4 == 0 ? 1 : 0);
    converter.Convert(text.substr(position, length), pieces);
    position += length;
  }
  converter.Finish(pieces);
  FUZZ_CHECK(pieces == whole);

  std::string file(text);
  TextEncoding encoding = MakeShiftJis(file);
  FUZZ_CHECK(encoding == DetectTextEncoding(text));
  FUZZ_CHECK(encoding == TextEncoding::kUtf8 ? file == whole : file == text);
  std::string inPieces(text);
  FUZZ_CHECK(MakeTextShiftJis(inPieces, cuts % 8 + 2, 1,
                              [](std::size_t parts, const std::function<void(std::size_t)>& work) {
                                for (std::size_t part = 0; part < parts; ++part) {
                                  work(part);
                                }
                              }) == (encoding != TextEncoding::kUtf16));
  FUZZ_CHECK(inPieces == file);

  FUZZ_CHECK(IsWellFormedUtf8(ShiftJisTextToUtf8(text)));
  return 0;
}
