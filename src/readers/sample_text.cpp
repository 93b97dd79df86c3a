#include "readers/sample_text.h"

#include <cstdint>
#include <cstring>

#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "platform/console.h"
#include "platform/files.h"

namespace kananet {

std::string KanaStream;

namespace {

// Twelve full-width spaces behind the joined lines, so that the scan can always read the
// second byte of a two-byte character without looking past the text.
constexpr std::string_view Trailer =
    "\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40\x81\x40\x81"
    "\x40";
constexpr std::size_t ScanStopsShortOfEnd = 6;

// Turns the file's bytes, in place, into its lines joined with one space behind each line:
// a line ends in LF or CR LF (the CR dropped), and a last line without a line end still gets
// its space. A line end at the very end does not start another, empty line.
void JoinLines(std::string& text) {
  std::size_t size = text.size();
  std::size_t out = 0;
  for (std::size_t in = 0; in < size; ++in) {
    char byte = text[in];
    if (byte == '\r' && in + 1 < size && text[in + 1] == '\n') {
      continue;
    }
    text[out++] = byte == '\n' ? ' ' : byte;
  }
  bool lastLineOpen = size != 0 && text[size - 1] != '\n';
  text.resize(out);
  if (lastLineOpen) {
    text += ' ';
  }
}

// 0x00-0x7F and 0xA1-0xDF are one-byte characters; every other byte starts a two-byte one.
bool StartsOneByteCharacter(std::uint8_t byte) {
  return byte < 0x80 || (byte >= 0xA1 && byte <= 0xDF);
}

}  // namespace

void AppendKanaStream(std::string fileBytes, std::string& kanaStream) {
  std::string& joined = fileBytes;
  JoinLines(joined);
  joined += Trailer;

  const auto* bytes = reinterpret_cast<const std::uint8_t*>(joined.data());
  std::size_t limit = joined.size() - ScanStopsShortOfEnd;
  bool inRun = false;
  std::size_t p = 0;
  while (p < limit) {
    std::uint8_t lead = bytes[p];
    if (StartsOneByteCharacter(lead)) {
      ++p;
      inRun = false;
      continue;
    }
    std::uint8_t code = KanaCodeOf(lead, bytes[p + 1]);
    p += 2;
    if (code == NotKana) {
      inRun = false;
      continue;
    }
    if (!inRun) {
      kanaStream += static_cast<char>(RunBreak);
      inRun = true;
    }
    kanaStream += static_cast<char>(code);
  }
  kanaStream.append(3, '\x20');
}

void ReadSampleText() {
  std::string contents;
  ReadResult read = ReadWholeFile(SampleTextPath, contents);
  if (read.Outcome == ReadOutcome::CannotOpen) {
    StopRun("File is not exist.\n");
  }
  if (read.Outcome == ReadOutcome::ReadError) {
    StopRun(std::string("Cannot read ") + SampleTextPath + ": " + std::strerror(read.Error) + "\n");
  }
  AppendKanaStream(std::move(contents), KanaStream);
}

}  // namespace kananet
