// A standard stream for the programs that build their console lines in UTF-8 with iostreams
// (kananet-report): each piece up to a line end or a carriage return goes out in the console's
// character set (see Utf8ConsoleLine).
#pragma once

#include <cstddef>
#include <cstdio>
#include <streambuf>
#include <string>

namespace kananet {

class ConsoleStreamBuffer : public std::streambuf {
 public:
  // stream is stdout or stderr; its character set is CharsetOf(stream) when a piece goes out.
  explicit ConsoleStreamBuffer(std::FILE* stream) : stream_(stream) {}
  ~ConsoleStreamBuffer() override { sync(); }
  // The errno of the first write that failed, 0 while none has.
  int Error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* bytes, std::streamsize count) override;
  int sync() override;

 private:
  // Writes the first length bytes pending, whole lines unless the stream is flushed, so that
  // a line is judged and converted as a whole; false once the stream has failed.
  bool Emit(std::size_t length);

  std::FILE* stream_;
  std::string pending_;
  bool failed_ = false;
  int error_ = 0;
};

}  // namespace kananet
