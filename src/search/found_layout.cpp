#include "search/found_layout.h"

#include "codes/key_alphabet.h"
#include "codes/text_encoding.h"

namespace kananet::search {

namespace {

constexpr std::size_t kHeaderLines = 4;

}  // namespace

std::string MovedLayoutFile(std::string_view startBytes, const Places& places,
                            const std::vector<std::string>& retyped, std::string_view remark) {
  const std::string lineEnd = startBytes.find("\r\n") != std::string_view::npos &&
                                      startBytes.find("\r\n") + 1 == startBytes.find('\n')
                                  ? "\r\n"
                                  : "\n";
  const std::string remarkLine =
      (DetectTextEncoding(startBytes) == TextEncoding::kUtf8 ? ShiftJisTextToUtf8(remark)
                                                             : std::string(remark)) +
      lineEnd;
  std::string file;
  std::size_t lines = 0;
  std::size_t position = 0;
  std::size_t slot = 0;  // the entry of the line: every line after the header with a TAB
  while (position < startBytes.size()) {
    std::size_t end = startBytes.find('\n', position);
    end = end == std::string_view::npos ? startBytes.size() : end + 1;
    std::string line(startBytes.substr(position, end - position));
    position = end;
    ++lines;
    if (lines == kHeaderLines + 1 && line.starts_with(kFoundMark)) {
      continue;  // the remark of an earlier search, replaced below
    }
    const std::size_t tab = line.find('\t');
    if (lines > kHeaderLines && tab != std::string::npos && slot < retyped.size() &&
        !retyped[slot].empty()) {
      std::string keys;
      for (const char key : retyped[slot]) {
        keys += kKeyAlphabet[static_cast<std::uint8_t>(key)];
      }
      line.replace(0, tab, keys);
    } else if (lines > kHeaderLines && tab != std::string::npos) {
      for (std::size_t i = 0; i < tab; ++i) {
        const std::uint8_t key = KeyIndexTable[static_cast<std::uint8_t>(line[i])];
        if (places[key] != key) {
          line[i] = kKeyAlphabet[places[key]];
        }
      }
    }
    slot += lines > kHeaderLines && tab != std::string::npos;
    file += line;
    if (lines == kHeaderLines) {
      if (!file.ends_with('\n')) {
        file += lineEnd;
      }
      file += remarkLine;
    }
  }
  return file;
}

}  // namespace kananet::search
