// What every fuzz target needs: a failed check aborts, so libFuzzer keeps the input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

namespace kananet::fuzz {

inline std::string_view BytesOf(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The same text with every line end written as CR LF; line ends that already are stay.
inline std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
      out += '\r';
    }
    out += text[i];
  }
  return out;
}

// True for the codes a kana character can have: 1, 2, 3, 5 and the hiragana 7..89, of which
// 84, 86 and 87 are folded away.
inline bool IsKanaCode(std::uint8_t code) {
  return code == 1 || code == 2 || code == 3 || code == 5 ||
         (code >= 7 && code <= 89 && code != 84 && code != 86 && code != 87);
}

}  // namespace kananet::fuzz
