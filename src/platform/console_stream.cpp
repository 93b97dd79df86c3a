#include "platform/console_stream.h"

#include <cerrno>

#include "platform/console_text.h"

namespace kananet {

namespace {

bool EndsPiece(char c) {
  return c == '\n' || c == '\r';
}

}  // namespace

ConsoleStreamBuffer::int_type ConsoleStreamBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) {
    return traits_type::not_eof(c);
  }
  pending_ += traits_type::to_char_type(c);
  if (EndsPiece(pending_.back()) && !Emit(pending_.size())) {
    return traits_type::eof();
  }
  return c;
}

std::streamsize ConsoleStreamBuffer::xsputn(const char* bytes, std::streamsize count) {
  pending_.append(bytes, static_cast<std::size_t>(count));
  std::size_t end = pending_.find_last_of("\r\n");
  if (end != std::string::npos && !Emit(end + 1)) {
    return 0;
  }
  return count;
}

int ConsoleStreamBuffer::sync() {
  return Emit(pending_.size()) ? 0 : -1;
}

bool ConsoleStreamBuffer::Emit(std::size_t length) {
  std::string bytes =
      Utf8ConsoleLine(std::string_view(pending_).substr(0, length), CharsetOf(stream_));
  pending_.erase(0, length);
  errno = 0;
  if (!bytes.empty()) {
    failed_ = std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size() || failed_;
  }
  failed_ = std::fflush(stream_) != 0 || failed_;
  if (failed_ && error_ == 0) {
    error_ = errno != 0 ? errno : EIO;
  }
  return !failed_;
}

}  // namespace kananet
