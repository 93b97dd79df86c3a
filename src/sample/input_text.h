// The input files of kananet-sample, read block by block with bounded memory and handed out as
// well-formed UTF-8 lines, whether the file is UTF-8 or Shift_JIS.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "codes/text_encoding.h"
#include "platform/replacing_file.h"

namespace kananet::sample {

inline constexpr std::string_view kStandardInput = "-";

// What a pass over a whole file found: its encoding by the sample text reader's rules (a UTF-8
// byte-order mark, or well-formed UTF-8 holding a byte from 0x80 up; else Shift_JIS; a UTF-16
// byte-order mark is refused), and whether its bytes are well-formed UTF-8.
struct InputScan {
  TextEncoding Encoding = TextEncoding::kShiftJis;
  bool WellFormedUtf8 = true;
  std::uint64_t Size = 0;
  bool Streamed = false;  // not a regular file: read once, like standard input
};

// Reads the file at path once. Returns 0, else the errno of the failure.
int ScanInput(const std::string& path, InputScan& scan);

// The lines of one input. A line is handed out without its line end (LF or CR LF); a line
// longer than kMaxLine bytes is handed out in pieces of at most kMaxLine bytes, cut after a full
// stop or a space where one is near and never between a kana and its sound mark, so that the
// analysis never sees more than kMaxLine bytes at once.
class InputLines {
 public:
  static constexpr std::size_t kBlock = 1 << 20;
  static constexpr std::size_t kMaxLine = 1 << 15;

  // Opens a file whose scan is given, or standard input for kStandardInput. Standard input
  // cannot be read twice, so its encoding is decided by the first block that holds a byte from
  // 0x80 up (see docs/kananet-sample.md); a byte that is then not part of well-formed UTF-8 becomes
  // U+FFFD. Returns 0 or the errno.
  int Open(const std::string& path, const InputScan& scan);

  // The next line or piece into line, and whether a line end followed it. False at the end of
  // the input or on a read error (then Error() is nonzero).
  bool Next(std::string& line, bool& lineEnd);
  int Error() const { return error_; }
  // kUtf16 when standard input was refused for its UTF-16 byte-order mark (Error() is EILSEQ).
  TextEncoding Encoding() const { return scan_.Encoding; }
  // Bytes of the file read so far.
  std::uint64_t BytesRead() const { return bytesRead_; }

 private:
  bool Fill();
  std::size_t CutPoint() const;
  void Decode(std::string_view bytes, std::string& line);

  FileDescriptor file_;
  bool decided_ = false;  // standard input: whether its encoding is known yet
  bool atStart_ = true;
  bool atEnd_ = false;
  InputScan scan_;
  std::string pending_;
  std::size_t consumed_ = 0;  // bytes of pending_ already handed out
  std::uint64_t bytesRead_ = 0;
  int error_ = 0;
};

}  // namespace kananet::sample
