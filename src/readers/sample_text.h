// The sample text reader: kanasample.txt becomes the KanaStream.
#pragma once

#include <cstddef>
#include <string>

#include "readers/text_file.h"

namespace kananet {

inline constexpr char kSampleTextPath[] = "kanasample.txt";

// KanaCodes of the sample text's kana, a RunBreak ahead of every run of consecutive kana,
// then three bytes 0x20 (the code of zu). Filled once per run, read by every conversion.
extern std::string KanaStream;

// Reads kanasample.txt and appends its KanaStream, with up to jobs threads. Ends the run when
// the file cannot be opened ("File is not exist.") or a read fails part-way.
void ReadSampleText(unsigned jobs = 1);

// Appends to kanaCodes the kana runs of the sample text whose file bytes are given, and the
// three closing bytes, with up to jobs threads (pieces of at least minBytesPerThread bytes).
// The buffer is taken over and reused for the stream as it is made.
void AppendKanaStream(std::string fileBytes, std::string& kanaCodes, unsigned jobs = 1,
                      std::size_t minBytesPerThread = kMinTextBytesPerThread);

}  // namespace kananet
