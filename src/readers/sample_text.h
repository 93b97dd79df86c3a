// The sample text reader: kanasample.txt becomes its KanaStream, read once for the batch, the
// check, the report and the search.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/files.h"
#include "readers/text_file.h"

namespace kananet {

inline constexpr char kSampleTextPath[] = "kanasample.txt";
// The KanaStream ends in three bytes 0x20, the code of zu, that stand for no kana of the text.
inline constexpr std::size_t kClosingZu = 3;

// The sample text as read, once.
struct SampleText {
  // KanaCodes of the text's kana, a RunBreak ahead of every run of consecutive kana, then the
  // closing zu.
  std::string KanaStream;
  std::size_t FileBytes = 0;  // the file's size, as Shift_JIS
  // Where each line of the text ends in the KanaStream: the KanaStream's size at each of its
  // line ends (an LF byte, also one taken as the second byte of a character), in order; kept
  // only when asked for, so that a line number needs no second read.
  std::vector<std::size_t> LineEnds;

  // The line of the text, from 1, that holds the KanaStream position (LineEnds must be kept);
  // 0 for the closing zu.
  std::size_t LineOf(std::size_t position) const;
};

// The batch's step: reads kanasample.txt with up to jobs threads. Ends the run when the file
// cannot be opened ("File is not exist.") or a read fails part-way.
SampleText ReadSampleText(unsigned jobs = 1);

// A sample text read from disk: the text, or why there is none.
struct SampleTextFile {
  ReadResult Read{ReadOutcome::kOk, 0};
  bool Utf16 = false;  // the file is UTF-16, which no reader accepts
  SampleText Text;

  bool Ok() const { return Read.Outcome == ReadOutcome::kOk && !Utf16; }
};

// Reads the sample text at path with up to jobs threads, keeping its line ends when asked to.
SampleTextFile ReadSampleTextFile(const std::string& path, unsigned jobs, bool keepLineEnds);

// Appends to kanaCodes the kana runs of the sample text whose file bytes are given, and the
// three closing bytes, with up to jobs threads (pieces of at least minBytesPerThread bytes).
// The buffer is taken over and reused for the stream as it is made. With lineEnds, appends
// there where each line ends in kanaCodes.
void AppendKanaStream(std::string fileBytes, std::string& kanaCodes, unsigned jobs = 1,
                      std::size_t minBytesPerThread = kMinTextBytesPerThread,
                      std::vector<std::size_t>* lineEnds = nullptr);

}  // namespace kananet
