// The sample text reader on arbitrary bytes. The KanaStream must hold only kana codes and
// RunBreaks, each RunBreak opening a run with at least one code, and end in the three 0x20
// bytes; the same text with CR LF line ends, and the text read in pieces on threads, must give
// the same stream.
#include <cstdint>
#include <string>

#include "codes/key_alphabet.h"
#include "fuzz_checks.h"
#include "readers/sample_text.h"

using namespace kananet;
using namespace kananet::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text = BytesOf(data, size);
  std::string stream = "\x01";  // the reader appends: what was there stays
  AppendKanaStream(std::string(text), stream);

  FUZZ_CHECK(stream.size() >= 4 && stream.front() == '\x01');
  FUZZ_CHECK(stream.compare(stream.size() - 3, 3, "   ") == 0);
  std::string_view body = std::string_view(stream).substr(1, stream.size() - 4);
  FUZZ_CHECK(body.empty() || static_cast<std::uint8_t>(body.front()) == kRunBreak);
  for (std::size_t i = 0; i < body.size(); ++i) {
    auto byte = static_cast<std::uint8_t>(body[i]);
    if (byte == kRunBreak) {
      FUZZ_CHECK(i + 1 < body.size() && IsKanaCode(static_cast<std::uint8_t>(body[i + 1])));
    } else {
      FUZZ_CHECK(IsKanaCode(byte));
    }
  }
  // Every kana is two bytes of the text, so the stream cannot outgrow it.
  FUZZ_CHECK(body.size() <= size);

  std::string crLfStream = "\x01";
  AppendKanaStream(WithCrLf(text), crLfStream);
  FUZZ_CHECK(crLfStream == stream);

  std::string inPieces = "\x01";
  AppendKanaStream(std::string(text), inPieces, 3, 1);
  FUZZ_CHECK(inPieces == stream);
  return 0;
}
