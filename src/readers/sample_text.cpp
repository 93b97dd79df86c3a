#include "readers/sample_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "codes/text_encoding.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/parallel.h"
#include "readers/text_file.h"

namespace kananet {

namespace {

// KanaCodeOf and the character length as tables, so that decoding a character is a few loads.
// Only the lead bytes 0x81, 0x82 and 0x83 start kana; every other lead byte uses row 0, which
// holds no kana.
class CharacterTable {
 public:
  CharacterTable() {
    for (int lead = 0; lead < 256; ++lead) {
      length_[lead] = StartsTwoByteCharacter(static_cast<std::uint8_t>(lead)) ? 2 : 1;
      row_[lead] = lead >= kFirstKanaLead && lead <= kLastKanaLead ? lead - kFirstKanaLead + 1 : 0;
    }
    for (int lead = kFirstKanaLead; lead <= kLastKanaLead; ++lead) {
      for (int trail = 0; trail < 256; ++trail) {
        codes_[row_[lead]][trail] =
            KanaCodeOf(static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail));
      }
    }
  }

  std::size_t Length(std::uint8_t lead) const { return length_[lead]; }
  std::uint8_t KanaCode(std::uint8_t lead, std::uint8_t trail) const {
    return codes_[row_[lead]][trail];
  }

 private:
  static constexpr int kFirstKanaLead = 0x81;
  static constexpr int kLastKanaLead = 0x83;
  std::uint8_t length_[256];
  std::uint8_t row_[256];
  std::uint8_t codes_[kLastKanaLead - kFirstKanaLead + 2][256] = {};
};

// The kana runs of text[0..size) written from stream on, which may be text itself: a kana takes
// two bytes of text and gives at most two bytes of stream (a RunBreak and its code), so writing
// never overtakes reading. Kana and other characters alternate unpredictably, so each character
// is written without a branch: a RunBreak is put down and kept only when a run starts, a code
// is put down and kept only when it is a kana. Returns the end of what was written.
char* PutKanaRuns(const std::uint8_t* text, std::size_t size, char* stream) {
  static const CharacterTable characters;
  bool inRun = false;
  for (std::size_t p = 0; p < size;) {
    std::uint8_t lead = text[p];
    std::size_t length = characters.Length(lead);
    std::uint8_t code = length == 2 ? characters.KanaCode(lead, text[p + 1]) : kNotKana;
    p += length;
    bool isKana = code != kNotKana;
    *stream = static_cast<char>(kRunBreak);
    stream += isKana && !inRun;
    *stream = static_cast<char>(code);
    stream += isKana;
    inRun = isKana;
  }
  return stream;
}

// PutKanaRuns, a line at a time, putting the stream's length from stream on at each LF to
// lineEnds. An LF byte always ends a character, alone or as the second byte that a lead byte
// takes, and is no kana, so the byte after it begins a character outside any run: each line is
// written as if it stood alone, and memchr finds the LFs far quicker than a test of every
// character would.
char* PutKanaRunsByLine(const std::uint8_t* text, std::size_t size, char* stream,
                        std::size_t* lineEnds) {
  char* const streamStart = stream;
  for (std::size_t p = 0; p < size;) {
    const void* lineFeed = std::memchr(text + p, '\n', size - p);
    const std::size_t lineEnd =
        lineFeed == nullptr
            ? size
            : static_cast<std::size_t>(static_cast<const std::uint8_t*>(lineFeed) - text) + 1;
    stream = PutKanaRuns(text + p, lineEnd - p, stream);
    if (lineFeed != nullptr) {
      *lineEnds++ = static_cast<std::size_t>(stream - streamStart);
    }
    p = lineEnd;
  }
  return stream;
}

}  // namespace

// The lines need not be joined: the space behind each line and the LF (or CR LF) that it
// stands for are both one-byte characters that are not kana, so each ends the run it stands in
// and nothing else, and a lead byte in front of either takes it as a second byte that makes no
// kana. A lead byte at the very end of the text takes the string's terminating zero instead,
// with the same result, so no trailer is needed either. An LF ends a character and any run
// whichever it is, so the text is cut after LFs into pieces that threads read on their own,
// each writing over its own bytes; the pieces' streams are then moved together.
void AppendKanaStream(std::string fileBytes, std::string& kanaCodes, unsigned jobs,
                      std::size_t minBytesPerThread, std::vector<std::size_t>* lineEnds) {
  const std::size_t size = fileBytes.size();
  std::size_t parts = TextParts(size, jobs, minBytesPerThread);
  std::vector<std::size_t> cuts = CutPieces(size, parts, [&](std::size_t place) {
    std::size_t lineEnd = fileBytes.find('\n', place - 1);  // a piece begins after an LF
    return lineEnd == std::string::npos ? size : lineEnd + 1;
  });
  std::vector<std::size_t> ends(cuts.size() - 1);
  char* const bytes = fileBytes.data();
  // Each piece's line ends go to a place of their own, made here: a thread allocates nothing.
  std::vector<std::size_t> pieceLines;
  std::vector<std::size_t> linesFrom(cuts.size(), 0);
  if (lineEnds != nullptr) {
    // Each piece's LFs counted on the threads that then read it.
    RunParts(ends.size(), [&](std::size_t piece) {
      linesFrom[piece + 1] =
          static_cast<std::size_t>(std::count(bytes + cuts[piece], bytes + cuts[piece + 1], '\n'));
    });
    for (std::size_t piece = 0; piece + 1 < cuts.size(); ++piece) {
      linesFrom[piece + 1] += linesFrom[piece];
    }
    pieceLines.resize(linesFrom.back());
  }
  RunParts(ends.size(), [&](std::size_t piece) {
    auto* start = reinterpret_cast<const std::uint8_t*>(bytes + cuts[piece]);
    std::size_t length = cuts[piece + 1] - cuts[piece];
    char* end = lineEnds == nullptr ? PutKanaRuns(start, length, bytes + cuts[piece])
                                    : PutKanaRunsByLine(start, length, bytes + cuts[piece],
                                                        pieceLines.data() + linesFrom[piece]);
    ends[piece] = static_cast<std::size_t>(end - bytes);
  });
  std::size_t written = JoinPieces(bytes, cuts, ends);
  if (lineEnds != nullptr) {
    // A piece's line ends count from its own start: add where its stream lands.
    std::size_t landed = kanaCodes.size();
    for (std::size_t piece = 0; piece + 1 < cuts.size(); ++piece) {
      for (std::size_t line = linesFrom[piece]; line < linesFrom[piece + 1]; ++line) {
        lineEnds->push_back(pieceLines[line] + landed);
      }
      landed += ends[piece] - cuts[piece];
    }
  }
  // An empty stream takes the buffer over, as it is: a copy would cost the stream's size in
  // fresh pages.
  fileBytes.resize(written);
  if (kanaCodes.empty()) {
    kanaCodes = std::move(fileBytes);
  } else {
    kanaCodes += fileBytes;
  }
  kanaCodes.append(3, '\x20');
}

std::size_t SampleText::LineOf(std::size_t position) const {
  if (position + kClosingZu >= KanaStream.size()) {
    return 0;
  }
  return 1 + static_cast<std::size_t>(std::upper_bound(LineEnds.begin(), LineEnds.end(), position) -
                                      LineEnds.begin());
}

SampleTextFile ReadSampleTextFile(const std::string& path, unsigned jobs, bool keepLineEnds) {
  SampleTextFile file;
  std::string contents;
  file.Read = ReadWholeFile(path, contents);
  if (file.Read.Outcome != ReadOutcome::kOk) {
    return file;
  }
  file.Utf16 = !MakeTextShiftJis(contents, jobs);
  if (!file.Utf16) {
    file.Text.FileBytes = contents.size();
    AppendKanaStream(std::move(contents), file.Text.KanaStream, jobs, kMinTextBytesPerThread,
                     keepLineEnds ? &file.Text.LineEnds : nullptr);
  }
  return file;
}

SampleText ReadSampleText(unsigned jobs) {
  std::string contents;
  ReadResult read = ReadWholeFile(kSampleTextPath, contents);
  if (read.Outcome == ReadOutcome::kCannotOpen) {
    StopAtUnopenedFile(kSampleTextPath, read.Error);
  }
  if (read.Outcome == ReadOutcome::kReadError) {
    StopRun(std::string("Cannot read ") + kSampleTextPath + ": " + std::strerror(read.Error) +
            "\n");
  }
  MakeReadableText(kSampleTextPath, contents, jobs);
  SampleText text;
  text.FileBytes = contents.size();
  AppendKanaStream(std::move(contents), text.KanaStream, jobs);
  return text;
}

}  // namespace kananet
