// Small helpers shared by the unit tests: Shift_JIS test data written as readable text, and a
// scratch directory that removes itself.
#pragma once

#include <gtest/gtest.h>
#include <iconv.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kananet::testing {

// Text recoded with iconv, from one character set to another.
inline std::string Recode(const char* to, const char* from, std::string_view text) {
  iconv_t converter = ::iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    throw std::runtime_error(std::string("no converter to ") + to);
  }
  std::string in(text);
  std::string out(in.size() * 3 + 1, '\0');
  char* inPointer = in.data();
  std::size_t inLeft = in.size();
  char* outPointer = out.data();
  std::size_t outLeft = out.size();
  std::size_t result = ::iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
  ::iconv_close(converter);
  if (result == static_cast<std::size_t>(-1)) {
    throw std::runtime_error(std::string("test text has no ") + to + " form: " + in);
  }
  out.resize(out.size() - outLeft);
  return out;
}

// The UTF-8 text as Shift_JIS (CP932) bytes, so test data can be written as "あい\nう".
inline std::string Sjis(std::string_view utf8) {
  return Recode("CP932", "UTF-8", utf8);
}

// A fresh directory under the system's temporary directory, removed with its contents.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kananet-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  const std::filesystem::path& Path() const { return path_; }
  // The full path of name inside the directory, as a string.
  std::string operator/(std::string_view name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(file.good()) << path;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace kananet::testing
