// The line kananet-search writes after the header of a layout it found: how it was found, and
// each kana whose keys changed. The search writes it and kananet-report reads it back.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kananet {

// The line begins with this; the search replaces a line of the start that does.
inline constexpr std::string_view kFoundMark = "kananet-search:";
// Then, after the cost and the seed, this and the moves: "か t->x, が t@->x@", or "none".
inline constexpr std::string_view kKeysChangedMark = ", keys changed: ";

// An entry whose keys changed: its kana as the file writes them, and its key characters before
// and after.
struct KanaMove {
  std::string Kana, From, To;
  friend bool operator==(const KanaMove&, const KanaMove&) = default;
};

// Appends a move to the list after kKeysChangedMark: "kana from->to", after ", " if the list
// has one already. The kana hold no ASCII space; no key character is '>' or a byte above 0x7F.
void AppendKanaMove(std::string& list, std::string_view kana, std::string_view from,
                    std::string_view to);

// The moves of a found layout's line after its header (without its line end), its kana in the
// file's encoding (each a byte above 0x7F first); nothing when the line is no such line.
std::optional<std::vector<KanaMove>> KanaMovesOf(std::string_view line);

}  // namespace kananet
