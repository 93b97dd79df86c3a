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

std::string KanaStream;

namespace {

// 0x00-0x7F and 0xA1-0xDF are one-byte characters; every other byte starts a two-byte one.
bool StartsOneByteCharacter(std::uint8_t byte) {
  return byte < 0x80 || (byte >= 0xA1 && byte <= 0xDF);
}

// KanaCodeOf and the character length as tables, so that decoding a character is a few loads.
// Only the lead bytes 0x81, 0x82 and 0x83 start kana; every other lead byte uses row 0, which
// holds no kana.
class CharacterTable {
 public:
  CharacterTable() {
    for (int lead = 0; lead < 256; ++lead) {
      length_[lead] = StartsOneByteCharacter(static_cast<std::uint8_t>(lead)) ? 1 : 2;
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

}  // namespace

// The lines need not be joined: the space behind each line and the LF (or CR LF) that it
// stands for are both one-byte characters that are not kana, so each ends the run it stands in
// and nothing else, and a lead byte in front of either takes it as a second byte that makes no
// kana. A lead byte at the very end of the text takes the string's terminating zero instead,
// with the same result, so no trailer is needed either. An LF ends a character and any run
// whichever it is, so the text is cut after LFs into pieces that threads read on their own,
// each writing over its own bytes; the pieces' streams are then moved together.
void AppendKanaStream(std::string fileBytes, std::string& kanaCodes, unsigned jobs,
                      std::size_t minBytesPerThread) {
  const std::size_t size = fileBytes.size();
  std::size_t parts = TextParts(size, jobs, minBytesPerThread);
  std::vector<std::size_t> cuts{0};
  for (std::size_t part = 1; part < parts; ++part) {
    std::size_t lineEnd = fileBytes.find('\n', std::max(cuts.back(), size * part / parts));
    if (lineEnd == std::string::npos || lineEnd + 1 >= size) {
      break;
    }
    cuts.push_back(lineEnd + 1);
  }
  cuts.push_back(size);
  std::vector<std::size_t> ends(cuts.size() - 1);
  char* const bytes = fileBytes.data();
  RunParts(ends.size(), [&](std::size_t piece) {
    char* start = bytes + cuts[piece];
    ends[piece] = static_cast<std::size_t>(PutKanaRuns(reinterpret_cast<const std::uint8_t*>(start),
                                                       cuts[piece + 1] - cuts[piece], start) -
                                           bytes);
  });
  std::size_t written = JoinPieces(bytes, cuts, ends);
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

void ReadSampleText(unsigned jobs) {
  std::string contents;
  ReadResult read = ReadWholeFile(kSampleTextPath, contents);
  if (read.Outcome == ReadOutcome::kCannotOpen) {
    StopRun("File is not exist.\n");
  }
  if (read.Outcome == ReadOutcome::kReadError) {
    StopRun(std::string("Cannot read ") + kSampleTextPath + ": " + std::strerror(read.Error) +
            "\n");
  }
  MakeReadableText(kSampleTextPath, contents, jobs);
  AppendKanaStream(std::move(contents), KanaStream, jobs);
}

}  // namespace kananet
