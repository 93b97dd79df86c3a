#include "platform/names.h"

#include <iconv.h>

#include <cstdint>

#include "codes/text_encoding.h"

namespace kananet {

namespace {

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

// The name character by character: a control byte escaped, each byte that is not part of
// well-formed UTF-8 as "?", every other character as show gives it.
template <typename ShowCharacter>
std::string ShowName(std::string_view utf8Name, ShowCharacter&& show) {
  std::string result;
  result.reserve(utf8Name.size());
  while (!utf8Name.empty()) {
    std::size_t length = Utf8SequenceLength(utf8Name);
    std::string escaped = length == 1 ? EscapedControlByte(utf8Name.front()) : std::string();
    if (length == 0) {
      result += '?';
      length = 1;
    } else {
      result += escaped.empty() ? show(utf8Name.substr(0, length)) : escaped;
    }
    utf8Name.remove_prefix(length);
  }
  return result;
}

}  // namespace

std::string EscapedControlByte(char byte) {
  auto code = static_cast<std::uint8_t>(byte);
  if (!IsControlByte(code)) {
    return {};
  }
  switch (byte) {
    case '\t':
      return "\\t";
    case '\n':
      return "\\n";
    case '\r':
      return "\\r";
    default: {
      static constexpr char kHex[] = "0123456789abcdef";
      return {'\\', 'x', kHex[code >> 4], kHex[code & 0xF]};
    }
  }
}

std::string EscapeControlBytes(std::string_view name) {
  std::string shown;
  for (char byte : name) {
    std::string escaped = EscapedControlByte(byte);
    shown += escaped.empty() ? std::string(1, byte) : escaped;
  }
  return shown;
}

std::string ConsoleName(std::string_view utf8Name) {
  return ShowName(utf8Name, [](std::string_view character) {
    std::string converted = character.size() == 1 ? std::string(character) : ToCp932(character);
    return converted.empty() ? std::string("?") : converted;
  });
}

std::string Utf8ConsoleName(std::string_view utf8Name) {
  return ShowName(utf8Name, [](std::string_view character) { return std::string(character); });
}

}  // namespace kananet
