// The search file: which keys and kana may move, which kinds of move, and the cost, a weight
// for each figure by its id. TOML; every mistake names its line. kananet-search searches with
// it and kananet-report shows the cost it defines, both through this one reader.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/figures.h"
#include "readers/layout.h"

namespace kananet {

// The shift keys, which are held, not struck: they move only when free_keys names them.
inline constexpr std::string_view kHeldKeys = "LR";

// A mistake in the search file: "LINE: error: WHAT" once the file name is put in front.
struct SearchFileError {
  std::size_t Line = 0;
  std::string What;
};

struct SearchSettings {
  // Key characters; none: every key an entry uses but the held keys (kHeldKeys) and the keys
  // that only ever start an entry of several keys.
  std::optional<std::string> FreeKeys;
  std::size_t FreeKeysLine = 0;
  std::string PinKeys;
  std::size_t PinKeysLine = 0;
  std::vector<std::string> PinKana;  // KanaCodes of each pinned kana
  std::size_t PinKanaLine = 0;
  bool MoveKeys = true;
  bool MoveKana = false;
  // kana_lengths = "any": a kana move may exchange key sequences of different lengths, which
  // changes the strokes; by default ("same") it exchanges sequences of equal length only.
  bool AnyKanaLengths = false;
  std::array<double, kFigureCount> Weights{};
  std::array<std::size_t, kFigureCount> WeightLines{};
  // [finger_targets]: a share of all strokes (0 to 1) for some fingers, by Finger, and the
  // weight of the squared differences from them (see FingerTargetCost).
  std::array<std::optional<double>, kFingerCount> FingerTargets{};
  double FingerTargetWeight = 0;
  std::size_t FingerTargetsLine = 0;
};

// The weights when no search file is given: the commented default file says why.
SearchSettings DefaultSettings();

// The most a search file may hold, which is refused before it is read: it needs a few lines.
inline constexpr std::size_t kLargestSearchFile = 1 << 20;
// The deepest its keys may nest (table headers and dotted keys a level a part, arrays and inline
// tables a level each), found before the file is parsed: the parser recurses once a level.
inline constexpr std::size_t kDeepestKey = 100;
// A weight lies from -kLargestWeight to kLargestWeight, so that no product of a weight and a
// count can overflow and the search can still tell changes of cost from rounding.
inline constexpr double kLargestWeight = 1e12;

// Reads a search file's UTF-8 text; the errors name every mistake, in the order of the lines
// (none when the file is fine). A file too large or nested too deep gives that error alone, and
// so does one the parser refuses.
std::vector<SearchFileError> ReadSearchFile(const std::string& text, SearchSettings& settings);

// The line a program prints for a mistake in the search file named path:
// "PATH:LINE: error: WHAT", control bytes escaped (EscapeControlBytes).
std::string SearchFileErrorLine(const std::string& path, const SearchFileError& error);
// Those lines of each error in turn.
std::string SearchFileErrorLines(const std::string& path,
                                 const std::vector<SearchFileError>& errors);

// Reads the search file at path. On mistakes, the lines to print on stderr: the file's mistakes
// as SearchFileErrorLine gives them, or "PROGRAM: cannot read PATH: REASON".
std::optional<std::string> LoadSearchFile(const std::string& path, std::string_view program,
                                          SearchSettings& settings);

// What may move in a layout: the keys (0..55, and the thumb keys 56 and 57 of a layout that
// presses them together with others) free to be exchanged, and the entries that keep
// their keys. The errors name the line of each pinned key or kana the layout does not have.
struct Movable {
  std::vector<int> Keys;
  std::vector<bool> PinnedEntries;  // by slot
};
std::vector<SearchFileError> ResolveMovable(const SearchSettings& settings,
                                            const std::vector<LayoutEntry>& table,
                                            std::size_t slots, Movable& movable);

}  // namespace kananet
