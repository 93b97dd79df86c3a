#include "cost/found_remark.h"

namespace kananet {

void AppendKanaMove(std::string& list, std::string_view kana, std::string_view from,
                    std::string_view to) {
  if (!list.empty()) {
    list += ", ";
  }
  list.append(kana).append(" ").append(from).append("->").append(to);
}

std::optional<std::vector<KanaMove>> KanaMovesOf(std::string_view line) {
  const std::size_t mark = line.find(kKeysChangedMark);
  if (!line.starts_with(kFoundMark) || mark == std::string_view::npos) {
    return std::nullopt;
  }
  std::string_view rest = line.substr(mark + kKeysChangedMark.size());
  std::vector<KanaMove> moves;
  if (rest == "none") {
    return moves;
  }
  while (!rest.empty()) {
    // The kana end at a space, the keys before at "->" (no key is '>'), and the keys after at
    // ", " before the next kana's first byte, or at the line's end: keys may hold ',' and ' '.
    const std::size_t space = rest.find(' ');
    const std::size_t arrow = rest.find("->", space == std::string_view::npos ? 0 : space + 1);
    if (space == 0 || space == std::string_view::npos || arrow == std::string_view::npos) {
      return std::nullopt;
    }
    std::size_t end = arrow + 2;
    while ((end = rest.find(", ", end)) != std::string_view::npos &&
           !(end + 2 < rest.size() && static_cast<unsigned char>(rest[end + 2]) > 0x7F)) {
      ++end;
    }
    end = end == std::string_view::npos ? rest.size() : end;
    moves.push_back({std::string(rest.substr(0, space)),
                     std::string(rest.substr(space + 1, arrow - space - 1)),
                     std::string(rest.substr(arrow + 2, end - arrow - 2))});
    rest = end == rest.size() ? std::string_view() : rest.substr(end + 2);
  }
  return moves;
}

}  // namespace kananet
