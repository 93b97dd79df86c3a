#include "readers/text_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include "codes/text_encoding.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/parallel.h"
#include "readers/sample_text.h"

namespace kananet {

namespace {

// The first position of text from place on whose byte passes begins, or text's end.
template <typename Begins>
std::size_t FirstFrom(std::string_view text, std::size_t place, Begins&& begins) {
  while (place < text.size() && !begins(static_cast<std::uint8_t>(text[place]))) {
    ++place;
  }
  return place;
}

}  // namespace

// MakeShiftJis cut into up to parts pieces on threads: the same bytes and the same answer
// whatever the number of pieces. The UTF-8 check's pieces begin where a character begins, the
// conversion's before an ASCII byte, which neither continues a character nor is a combining mark.
bool MakeTextShiftJis(std::string& fileBytes, unsigned jobs, std::size_t minBytesPerThread,
                      const PartRunner& runParts) {
  std::string_view text = fileBytes;
  std::size_t parts = TextParts(text.size(), jobs, minBytesPerThread);
  if (parts <= 1 || StartsUtf16(text)) {
    return MakeShiftJis(fileBytes) != TextEncoding::kUtf16;
  }
  std::vector<std::size_t> cuts = CutPieces(text.size(), parts, [&](std::size_t place) {
    return FirstFrom(text, place, BeginsUtf8Character);
  });
  std::vector<Utf8Check> checks(cuts.size() - 1);
  runParts(checks.size(), [&](std::size_t piece) {
    checks[piece] = CheckUtf8(text.substr(cuts[piece], cuts[piece + 1] - cuts[piece]));
  });
  bool wellFormed =
      std::all_of(checks.begin(), checks.end(), [](const Utf8Check& c) { return c.WellFormed; });
  bool highByte =
      std::any_of(checks.begin(), checks.end(), [](const Utf8Check& c) { return c.HighByte; });
  if (!text.starts_with(kUtf8ByteOrderMark) && !(wellFormed && highByte)) {
    return true;  // Shift_JIS, read as it is
  }
  if (!wellFormed) {
    fileBytes = Utf8TextToShiftJis(text);  // a stray byte becomes two: a buffer of its own
    return true;
  }
  // Each piece in place over its own bytes, then the pieces moved together.
  cuts = CutPieces(text.size(), parts, [&](std::size_t place) {
    return FirstFrom(text, place, [](std::uint8_t byte) { return byte < 0x80; });
  });
  std::vector<std::size_t> ends(cuts.size() - 1);
  char* bytes = fileBytes.data();
  runParts(ends.size(), [&](std::size_t piece) {
    ends[piece] = cuts[piece] +
                  ConvertWellFormedUtf8InPlace(bytes + cuts[piece], cuts[piece + 1] - cuts[piece]);
  });
  fileBytes.resize(JoinPieces(bytes, cuts, ends));
  return true;
}

void StopAtUnopenedFile(const std::string& path, int error) {
  std::error_code ignored;
  std::string folder = std::filesystem::current_path(ignored).string();
  std::string reason = ReadFailureReason(error);
  bool sampleText = path == kSampleTextPath;
  StopRun(ConsoleText("File is not exist.\nCannot read ")
              .Name(path)
              .Text(" in ")
              .Name(folder.empty() ? "." : folder)
              .Text(": " + reason +
                    (sampleText ? "; run kananet in the folder that holds kanasample.txt and "
                                  "layout/, or give that folder: kananet DIR.\n"
                                : "; fix or replace that file.\n")));
}

void MakeReadableText(const std::string& path, std::string& fileBytes, unsigned jobs) {
  if (!MakeTextShiftJis(fileBytes, jobs)) {
    StopRun(ConsoleText("Cannot read ")
                .Name(path)
                .Text(": it is saved as UTF-16; save it as UTF-8 or Shift_JIS and run again.\n"));
  }
}

}  // namespace kananet
