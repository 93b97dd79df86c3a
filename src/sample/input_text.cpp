#include "sample/input_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace kananet::sample {

namespace {

bool IsContinuation(char byte) {
  return !BeginsUtf8Character(static_cast<std::uint8_t>(byte));
}

// The length of bytes without a UTF-8 sequence that may be cut at their end (and perhaps a byte
// more): judging the rest for well-formed UTF-8 judges the whole text's beginning.
std::size_t CompleteUtf8Prefix(std::string_view bytes) {
  std::size_t back = 0;
  while (back < 4 && back < bytes.size() && IsContinuation(bytes[bytes.size() - 1 - back])) {
    ++back;
  }
  return back < 4 && back < bytes.size() ? bytes.size() - 1 - back : bytes.size();
}

// Whether the character at bytes[at] is a sound mark that composes with the kana before it: the
// half-width ﾞ and ﾟ (one byte in Shift_JIS), or in UTF-8 also the combining U+3099 and U+309A.
bool SoundMarkAt(std::string_view bytes, std::size_t at, bool shiftJis) {
  const auto byte = [&](std::size_t i) {
    return at + i < bytes.size() ? static_cast<std::uint8_t>(bytes[at + i]) : 0;
  };
  if (shiftJis) {
    return byte(0) == 0xDE || byte(0) == 0xDF;
  }
  return (byte(0) == 0xEF && byte(1) == 0xBE && (byte(2) == 0x9E || byte(2) == 0x9F)) ||
         (byte(0) == 0xE3 && byte(1) == 0x82 && (byte(2) == 0x99 || byte(2) == 0x9A));
}

// Reads until bytes holds want more bytes or the input ends. Returns 0 or the errno; atEnd
// tells whether the input ended.
int ReadMore(int fd, std::string& bytes, std::size_t want, bool& atEnd) {
  std::size_t used = bytes.size();
  bytes.resize(used + want);
  std::size_t goal = used + want;
  int error = 0;
  while (used < goal) {
    ssize_t got = ::read(fd, bytes.data() + used, goal - used);
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      error = errno;
      break;
    }
    if (got == 0) {
      atEnd = true;
      break;
    }
    used += static_cast<std::size_t>(got);
  }
  bytes.resize(used);
  return error;
}

// Appends bytes to out with each byte that is not part of well-formed UTF-8 as U+FFFD.
void AppendSanitized(std::string_view bytes, std::string& out) {
  while (!bytes.empty()) {
    std::size_t length = Utf8SequenceLength(bytes);
    if (length == 0) {
      out.append("\xEF\xBF\xBD");
      length = 1;
    } else {
      out.append(bytes.substr(0, length));
    }
    bytes.remove_prefix(length);
  }
}

}  // namespace

int ScanInput(const std::string& path, InputScan& scan) {
  scan = InputScan{};
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    return errno;
  }
  if (S_ISDIR(status.st_mode)) {
    return EISDIR;
  }
  if (!S_ISREG(status.st_mode)) {
    // A pipe cannot be read twice, and is not even opened here: it is read like standard input.
    scan.Streamed = true;
    return 0;
  }
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) {
    return errno;
  }
  // Blocks are checked for well-formed UTF-8 up to their last byte that starts a character, so
  // no sequence is judged cut in two; the rest goes ahead of the next block.
  std::string block;
  bool atEnd = false;
  bool first = true;
  bool marked = false;
  bool high = false;
  while (!atEnd) {
    if (int error = ReadMore(file.Get(), block, InputLines::kBlock, atEnd)) {
      return error;
    }
    if (first) {
      first = false;
      if (StartsUtf16(block)) {
        scan.Encoding = TextEncoding::kUtf16;
        return 0;
      }
      marked = block.starts_with(kUtf8ByteOrderMark);
    }
    std::size_t checked = atEnd ? block.size() : CompleteUtf8Prefix(block);
    Utf8Check check = CheckUtf8(std::string_view(block.data(), checked));
    high = high || check.HighByte;
    scan.WellFormedUtf8 = scan.WellFormedUtf8 && check.WellFormed;
    block.erase(0, checked);
    if (!scan.WellFormedUtf8 && !marked) {
      break;  // Shift_JIS: nothing more to learn
    }
  }
  scan.Size = static_cast<std::uint64_t>(status.st_size);
  scan.Encoding =
      marked || (high && scan.WellFormedUtf8) ? TextEncoding::kUtf8 : TextEncoding::kShiftJis;
  return 0;
}

int InputLines::Open(const std::string& path, const InputScan& scan) {
  scan_ = scan;
  if (path == kStandardInput) {
    file_.Reset(::dup(STDIN_FILENO));
    scan_.Streamed = true;
  } else {
    file_.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  }
  if (file_.Get() < 0) {
    return errno;
  }
  decided_ = !scan_.Streamed;
  return 0;
}

bool InputLines::Fill() {
  if (consumed_ > 0) {
    pending_.erase(0, consumed_);
    consumed_ = 0;
  }
  std::size_t before = pending_.size();
  error_ = ReadMore(file_.Get(), pending_, kBlock, atEnd_);
  bytesRead_ += pending_.size() - before;
  if (error_ != 0) {
    return false;
  }
  if (!decided_ && (atStart_ && StartsUtf16(pending_))) {
    scan_.Encoding = TextEncoding::kUtf16;
    error_ = EILSEQ;
    return false;
  }
  if (!decided_ &&
      (CheckUtf8(pending_).HighByte || (atStart_ && pending_.starts_with(kUtf8ByteOrderMark)))) {
    // Standard input: this block decides, as a whole file would. A sequence cut at the block's
    // end does not count against UTF-8; whatever is not well-formed later becomes U+FFFD.
    std::string_view judged = pending_;
    judged = judged.substr(0, atEnd_ ? judged.size() : CompleteUtf8Prefix(judged));
    bool utf8 = (atStart_ && pending_.starts_with(kUtf8ByteOrderMark)) || IsWellFormedUtf8(judged);
    scan_.Encoding = utf8 ? TextEncoding::kUtf8 : TextEncoding::kShiftJis;
    scan_.WellFormedUtf8 = false;
    decided_ = true;
  }
  if (atStart_ && decided_ && scan_.Encoding == TextEncoding::kUtf8 &&
      pending_.starts_with(kUtf8ByteOrderMark)) {
    consumed_ = kUtf8ByteOrderMark.size();
  }
  atStart_ = atStart_ && pending_.empty();
  return true;
}

std::size_t InputLines::CutPoint() const {
  // Everything pending from here on, to see the character after the cut, of which at most
  // kMaxLine bytes go out. A cut never parts a kana from the sound mark that composes with it.
  std::string_view after(pending_.data() + consumed_, pending_.size() - consumed_);
  std::string_view rest = after.substr(0, kMaxLine);
  std::size_t cut = 0;
  std::size_t nice = 0;  // after a full stop or a space
  if (decided_ && scan_.Encoding == TextEncoding::kShiftJis) {
    for (std::size_t p = 0; p < rest.size();) {
      auto lead = static_cast<std::uint8_t>(rest[p]);
      std::size_t length = IsShiftJisLeadByte(lead) ? 2 : 1;  // as ShiftJisTextToUtf8 reads it
      if (p + length > rest.size()) {
        break;
      }
      bool stop = lead == ' ' ||
                  (length == 2 && lead == 0x81 && (rest[p + 1] == '\x42' || rest[p + 1] == '\x40'));
      p += length;
      cut = SoundMarkAt(after, p, true) ? cut : p;
      nice = stop ? p : nice;
    }
  } else {
    cut = rest.size();
    while (cut > 0 && cut < after.size() &&
           (IsContinuation(after[cut]) || SoundMarkAt(after, cut, false))) {
      --cut;
    }
    std::size_t stop = rest.rfind("\xE3\x80\x82");  // 。
    std::size_t space = rest.rfind(' ');
    nice = stop != std::string_view::npos ? stop + 3 : 0;
    nice = space != std::string_view::npos && space + 1 > nice ? space + 1 : nice;
  }
  return nice > rest.size() / 2 ? nice : cut > 0 ? cut : rest.size();
}

void InputLines::Decode(std::string_view bytes, std::string& line) {
  line.clear();
  if (!decided_ || (scan_.Encoding == TextEncoding::kUtf8 && scan_.WellFormedUtf8)) {
    line.append(bytes);
  } else if (scan_.Encoding == TextEncoding::kUtf8) {
    AppendSanitized(bytes, line);
  } else {
    line = ShiftJisTextToUtf8(bytes);
  }
}

bool InputLines::Next(std::string& line, bool& lineEnd) {
  for (;;) {
    std::string_view rest(pending_.data() + consumed_, pending_.size() - consumed_);
    // A line longer than kMaxLine is cut whether or not its end is pending already.
    const void* found = std::memchr(rest.data(), '\n', std::min(rest.size(), kMaxLine + 1));
    if (found != nullptr) {
      std::size_t length = static_cast<const char*>(found) - rest.data();
      consumed_ += length + 1;
      if (length > 0 && rest[length - 1] == '\r') {
        --length;
      }
      lineEnd = true;
      Decode(rest.substr(0, length), line);
      return true;
    }
    if (rest.size() >= kMaxLine || (atEnd_ && !rest.empty())) {
      std::size_t length = rest.size() >= kMaxLine ? CutPoint() : rest.size();
      consumed_ += length;
      lineEnd = false;
      Decode(rest.substr(0, length), line);
      return true;
    }
    if (atEnd_ || !Fill()) {
      return false;
    }
  }
}

}  // namespace kananet::sample
