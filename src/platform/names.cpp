#include "platform/names.h"

#include <iconv.h>

#include <cstdint>

namespace kananet {

namespace {

// Length of the valid UTF-8 sequence at the start of text, or 0 when it is not valid
// (overlong forms, surrogates and code points above U+10FFFF are invalid).
std::size_t Utf8SequenceLength(std::string_view text) {
  auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  auto continuation = [&](std::size_t i) { return i < text.size() && (byte(i) & 0xC0) == 0x80; };
  std::uint8_t lead = byte(0);
  if (lead < 0x80) {
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    return continuation(1) ? 2 : 0;
  }
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (!continuation(1) || !continuation(2)) {
      return 0;
    }
    std::uint8_t second = byte(1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0)) {
      return 0;
    }
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (!continuation(1) || !continuation(2) || !continuation(3)) {
      return 0;
    }
    std::uint8_t second = byte(1);
    if ((lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90)) {
      return 0;
    }
    return 4;
  }
  return 0;
}

// One UTF-8 character to CP932 through iconv; empty when CP932 has no form for it.
std::string ToCp932(std::string_view character) {
  static iconv_t converter = ::iconv_open("CP932", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    return {};
  }
  ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
  std::string in(character);
  char output[8];
  char* inPointer = in.data();
  std::size_t inLeft = in.size();
  char* outPointer = output;
  std::size_t outLeft = sizeof(output);
  if (::iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) ==
          static_cast<std::size_t>(-1) ||
      inLeft != 0) {
    return {};
  }
  return std::string(output, sizeof(output) - outLeft);
}

}  // namespace

std::string ConsoleName(std::string_view utf8Name) {
  std::string result;
  result.reserve(utf8Name.size());
  while (!utf8Name.empty()) {
    std::size_t length = Utf8SequenceLength(utf8Name);
    if (length == 1) {
      result += utf8Name.front();
    } else if (length == 0) {
      result += '?';
      length = 1;
    } else {
      std::string converted = ToCp932(utf8Name.substr(0, length));
      result += converted.empty() ? std::string("?") : converted;
    }
    utf8Name.remove_prefix(length);
  }
  return result;
}

std::string Utf8ConsoleName(std::string_view utf8Name) {
  std::string result;
  result.reserve(utf8Name.size());
  while (!utf8Name.empty()) {
    std::size_t length = Utf8SequenceLength(utf8Name);
    result += length == 0 ? std::string_view("?") : utf8Name.substr(0, length);
    utf8Name.remove_prefix(length == 0 ? 1 : length);
  }
  return result;
}

}  // namespace kananet
