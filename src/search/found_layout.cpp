#include "search/found_layout.h"

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "codes/key_alphabet.h"
#include "platform/files.h"

namespace kananet::search {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kHeaderLines = 4;

// Whether a layout file's line after the header is this program's.
bool WrittenBySearch(std::string_view bytes) {
  std::size_t position = 0;
  for (std::size_t line = 0; line < kHeaderLines && position != std::string_view::npos; ++line) {
    position = bytes.find('\n', position);
    position += position != std::string_view::npos;
  }
  return position != std::string_view::npos && bytes.substr(position).starts_with(kFoundMark);
}

}  // namespace

std::string MovedLayoutFile(std::string_view startBytes, const Places& places,
                            const std::vector<std::string>& retyped, std::string_view remark) {
  const std::string lineEnd = startBytes.find("\r\n") != std::string_view::npos &&
                                      startBytes.find("\r\n") + 1 == startBytes.find('\n')
                                  ? "\r\n"
                                  : "\n";
  std::string header, entries, changes;
  std::size_t lines = 0;
  std::size_t position = 0;
  std::size_t slot = 0;  // the entry of the line: every line after the header with a TAB
  while (position < startBytes.size()) {
    std::size_t end = startBytes.find('\n', position);
    end = end == std::string_view::npos ? startBytes.size() : end + 1;
    std::string line(startBytes.substr(position, end - position));
    position = end;
    ++lines;
    if (lines <= kHeaderLines) {
      header += line;
      continue;
    }
    if (lines == kHeaderLines + 1 && line.starts_with(kFoundMark)) {
      continue;  // the remark of an earlier search, replaced below
    }
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos) {
      const std::string before = line.substr(0, tab);
      if (slot < retyped.size() && !retyped[slot].empty()) {
        std::string keys;
        for (const char key : retyped[slot]) {
          keys += kKeyAlphabet[static_cast<std::uint8_t>(key)];
        }
        line.replace(0, tab, keys);
      } else {
        for (std::size_t i = 0; i < tab; ++i) {
          const std::uint8_t key = KeyIndexTable[static_cast<std::uint8_t>(line[i])];
          if (places[key] != key) {
            line[i] = kKeyAlphabet[places[key]];
          }
        }
      }
      const std::size_t keysEnd = line.find('\t');
      if (line.compare(0, keysEnd, before) != 0) {
        const std::size_t kana = keysEnd + 1;
        AppendKanaMove(changes, line.substr(kana, line.find_first_of(" \t\r\n", kana) - kana),
                       before, line.substr(0, keysEnd));
      }
      ++slot;
    }
    entries += line;
  }
  if (lines < kHeaderLines) {
    return header;
  }
  if (!header.ends_with('\n')) {
    header += lineEnd;
  }
  return header + std::string(remark) + std::string(kKeysChangedMark) +
         (changes.empty() ? "none" : changes) + lineEnd + entries;
}

std::string FoundName(const std::string& directory, const std::string& stem, std::size_t place) {
  return (fs::path(directory) / (stem + "-" + std::to_string(place) + ".txt")).string();
}

int RemoveEarlierFound(const std::string& directory, const std::string& stem, std::size_t from,
                       std::string& failed) {
  std::error_code error;
  std::vector<std::string> earlier;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= stem.size() + 5 || !name.starts_with(stem + "-") ||
        !name.ends_with(".txt")) {
      continue;
    }
    const std::string_view digits(name.data() + stem.size() + 1, name.size() - stem.size() - 5);
    std::size_t place = 0;
    const char* last = digits.data() + digits.size();
    const auto [stop, parsed] = std::from_chars(digits.data(), last, place);
    if (parsed == std::errc() && stop == last && digits[0] != '0' && place >= from) {
      earlier.push_back(it->path().string());
    }
  }
  if (error && error != std::errc::no_such_file_or_directory) {
    failed = directory;
    return error.value();
  }
  for (const std::string& name : earlier) {
    std::string bytes;
    if (ReadWholeFile(name, bytes).Outcome == ReadOutcome::kOk && WrittenBySearch(bytes) &&
        !fs::remove(name, error) && error) {
      failed = name;
      return error.value();
    }
  }
  return 0;
}

}  // namespace kananet::search
