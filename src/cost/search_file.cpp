#include "cost/search_file.h"

#include <algorithm>
#include <cstring>

#include <toml++/toml.h>

#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "codes/text_encoding.h"
#include "platform/files.h"

namespace kananet {

namespace {

std::size_t LineOf(const toml::node& node) {
  return static_cast<std::size_t>(node.source().begin.line);
}

SearchFileError At(const toml::node& node, std::string what) {
  return {LineOf(node), std::move(what)};
}

// The key characters of a string, each a key of the keyboard.
std::optional<SearchFileError> ReadKeys(const toml::node& node, std::string_view name,
                                        std::string& keys) {
  const auto* text = node.as_string();
  if (!text) {
    return At(node, std::string(name) + " must be a string of key characters");
  }
  for (const char character : text->get()) {
    if (kKeyAlphabet.find(character) == std::string_view::npos && character != '<' &&
        character != '>') {
      return At(node, std::string(name) + ": '" + character + "' is not a key of the keyboard");
    }
  }
  keys = text->get();
  return std::nullopt;
}

std::optional<SearchFileError> ReadKana(const toml::node& node, std::vector<std::string>& kana) {
  const auto* text = node.as_string();
  if (!text) {
    return At(node, "pin_kana must be a string of kana");
  }
  const std::string shiftJis = Utf8TextToShiftJis(text->get());
  for (std::size_t i = 0; i < shiftJis.size(); i += 2) {
    const std::uint8_t code = i + 1 < shiftJis.size()
                                  ? KanaCodeOf(static_cast<std::uint8_t>(shiftJis[i]),
                                               static_cast<std::uint8_t>(shiftJis[i + 1]))
                                  : kNotKana;
    if (code == kNotKana) {
      return At(node, "pin_kana holds a character that is not a kana");
    }
    kana.emplace_back(1, static_cast<char>(code));
  }
  return std::nullopt;
}

std::optional<SearchFileError> ReadMoves(const toml::node& node, SearchSettings& settings) {
  const auto* list = node.as_array();
  if (!list || list->empty()) {
    return At(node, "moves must be a list of \"keys\" and \"kana\"");
  }
  settings.MoveKeys = settings.MoveKana = false;
  for (const toml::node& item : *list) {
    const auto* kind = item.as_string();
    if (kind && kind->get() == "keys") {
      settings.MoveKeys = true;
    } else if (kind && kind->get() == "kana") {
      settings.MoveKana = true;
    } else {
      return At(item, "a move is \"keys\" or \"kana\"");
    }
  }
  return std::nullopt;
}

std::optional<SearchFileError> ReadWeights(const toml::node& node, SearchSettings& settings) {
  const auto* table = node.as_table();
  if (!table) {
    return At(node, "weights must be a table of figure ids and numbers");
  }
  settings.Weights.fill(0);
  for (const auto& [key, value] : *table) {
    const std::optional<int> figure = FigureOfName(key.str());
    if (!figure) {
      return At(value, "unknown figure id \"" + std::string(key.str()) + "\"");
    }
    const std::optional<double> weight = value.value<double>();
    if (!weight || !value.is_number()) {
      return At(value, "the weight of " + std::string(key.str()) + " must be a number");
    }
    settings.Weights[static_cast<std::size_t>(*figure)] = *weight;
    settings.WeightLines[static_cast<std::size_t>(*figure)] = LineOf(value);
  }
  return std::nullopt;
}

std::optional<SearchFileError> ReadFingerTargets(const toml::node& node, SearchSettings& settings) {
  const auto* table = node.as_table();
  if (!table) {
    return At(node, "finger_targets must be a table of finger ids and shares, and a weight");
  }
  settings.FingerTargetsLine = LineOf(node);
  settings.FingerTargetWeight = 1;
  for (const auto& [key, value] : *table) {
    const std::string name(key.str());
    const std::optional<double> number = value.value<double>();
    if (!number || !value.is_number()) {
      return At(value, "finger_targets: " + name + " must be a number");
    }
    if (name == "weight") {
      settings.FingerTargetWeight = *number;
      continue;
    }
    const std::optional<int> figure = FigureOfName(name);
    if (!figure || *figure < kFigureFingerFirst || *figure >= kFigureFingerFirst + kFingerCount) {
      return At(value,
                "finger_targets: \"" + name + "\" is not a finger id (finger.left_index ...)");
    }
    if (*number < 0 || *number > 1) {
      return At(value, "finger_targets: the share of " + name + " must lie from 0 to 1");
    }
    settings.FingerTargets[static_cast<std::size_t>(*figure - kFigureFingerFirst)] = *number;
  }
  return std::nullopt;
}

}  // namespace

SearchSettings DefaultSettings() {
  SearchSettings settings;
  const std::pair<int, double> weights[] = {
      {kFigureSameFinger, 1.0},      {kFigureRowJumps, 0.5},        {kFigureAlternation, -0.2},
      {kFigureInwardRolls, -0.2},    {kFigureRowNumber, 0.5},       {kFigureRowBottom, 0.2},
      {kFigureRowHome, -0.2},        {kFigureFingerFirst + 0, 0.3}, {kFigureFingerFirst + 8, 0.3},
      {kFigureFingerFirst + 1, 0.1}, {kFigureFingerFirst + 7, 0.1}, {kFigureStrokes, 0.5},
  };
  for (const auto& [figure, weight] : weights) {
    settings.Weights[static_cast<std::size_t>(figure)] = weight;
  }
  return settings;
}

std::optional<SearchFileError> ReadSearchFile(const std::string& text, SearchSettings& settings) {
  toml::table file;
  try {
    file = toml::parse(text);
  } catch (const toml::parse_error& error) {
    return SearchFileError{static_cast<std::size_t>(error.source().begin.line),
                           std::string(error.description())};
  }
  settings = DefaultSettings();
  for (const auto& [key, value] : file) {
    const std::string_view name = key.str();
    std::optional<SearchFileError> error;
    if (name == "free_keys") {
      std::string keys;
      error = ReadKeys(value, name, keys);
      settings.FreeKeys = keys;
      settings.FreeKeysLine = LineOf(value);
    } else if (name == "pin_keys") {
      error = ReadKeys(value, name, settings.PinKeys);
      settings.PinKeysLine = LineOf(value);
    } else if (name == "pin_kana") {
      error = ReadKana(value, settings.PinKana);
      settings.PinKanaLine = LineOf(value);
    } else if (name == "moves") {
      error = ReadMoves(value, settings);
    } else if (name == "kana_lengths") {
      const auto* lengths = value.as_string();
      if (!lengths || (lengths->get() != "same" && lengths->get() != "any")) {
        error = At(value, "kana_lengths is \"same\" or \"any\"");
      } else {
        settings.AnyKanaLengths = lengths->get() == "any";
      }
    } else if (name == "weights") {
      error = ReadWeights(value, settings);
    } else if (name == "finger_targets") {
      error = ReadFingerTargets(value, settings);
    } else {
      error = At(value, "unknown setting \"" + std::string(name) + "\"");
    }
    if (error) {
      return error;
    }
  }
  return std::nullopt;
}

std::string SearchFileErrorLine(const std::string& path, const SearchFileError& error) {
  return path + ":" + std::to_string(error.Line) + ": error: " + error.What + "\n";
}

std::optional<std::string> LoadSearchFile(const std::string& path, std::string_view program,
                                          SearchSettings& settings) {
  std::string text;
  const ReadResult read = ReadWholeFile(path, text);
  if (read.Outcome != ReadOutcome::kOk) {
    return std::string(program) + ": cannot read " + path + ": " + std::strerror(read.Error) + "\n";
  }
  if (auto error = ReadSearchFile(text, settings)) {
    return SearchFileErrorLine(path, *error);
  }
  return std::nullopt;
}

namespace {

// A key that only ever starts an entry of several actions, as the JIS layout's shift keys do:
// in its first action, never in a later one nor in an entry of one action (keys pressed
// together are one action; in other files each key is one).
bool IsPrefixKey(const std::vector<LayoutEntry>& table, std::size_t slots, int key) {
  bool starts = false;
  for (std::size_t slot = 0; slot < slots; ++slot) {
    const std::string& keys = table[slot].Keys;
    const auto joins =
        static_cast<std::size_t>(std::count(keys.begin(), keys.end(), static_cast<char>(kKeyJoin)));
    const std::size_t actions = keys.size() - 2 * joins;
    std::size_t action = 0;
    for (std::size_t i = 0; i < keys.size(); ++i) {
      const bool joined = static_cast<std::uint8_t>(keys[i]) == kKeyJoin ||
                          (i > 0 && static_cast<std::uint8_t>(keys[i - 1]) == kKeyJoin);
      action += i > 0 && !joined ? 1 : 0;
      if (static_cast<std::uint8_t>(keys[i]) == key) {
        if (action > 0 || actions == 1) {
          return false;
        }
        starts = true;
      }
    }
  }
  return starts;
}

}  // namespace

std::optional<SearchFileError> ResolveMovable(const SearchSettings& settings,
                                              const std::vector<LayoutEntry>& table,
                                              std::size_t slots, Movable& movable) {
  // The thumb keys are keys of a layout with keys pressed together only: they move when
  // free_keys names them and an entry presses them.
  std::array<bool, kKeyCountWithThumbs> used{}, free{};
  for (std::size_t slot = 0; slot < slots; ++slot) {
    for (const char key : table[slot].Keys) {
      if (static_cast<std::uint8_t>(key) < kKeyCountWithThumbs) {  // not a kKeyJoin
        used[static_cast<std::uint8_t>(key)] = true;
      }
    }
  }
  const auto thumbUnused = [&used](std::string_view keys, std::size_t line,
                                   std::string_view name) -> std::optional<SearchFileError> {
    for (const char character : keys) {
      if (IsThumbKey(ChordKeyIndex(character)) && !used[ChordKeyIndex(character)]) {
        return SearchFileError{line, std::string(name) + ": '" + character +
                                         "' is a thumb key, which no entry of the layout presses"};
      }
    }
    return std::nullopt;
  };
  if (auto error =
          thumbUnused(settings.FreeKeys.value_or(""), settings.FreeKeysLine, "free_keys")) {
    return error;
  }
  if (auto error = thumbUnused(settings.PinKeys, settings.PinKeysLine, "pin_keys")) {
    return error;
  }
  if (settings.FreeKeys) {
    for (const char character : *settings.FreeKeys) {
      free[ChordKeyIndex(character)] = true;
    }
  } else {
    free = used;
    free[kLeftThumbKey] = free[kRightThumbKey] = false;
    // Held and prefix keys stay where they are unless free_keys names them: a shift key moved to
    // a kana types it alone, and a letter key moved to a shift key becomes a tapped prefix.
    for (const char character : kHeldKeys) {
      free[KeyIndexTable[static_cast<std::uint8_t>(character)]] = false;
    }
    for (int key = 1; key < kKeyCount; ++key) {
      free[static_cast<std::size_t>(key)] =
          free[static_cast<std::size_t>(key)] && !IsPrefixKey(table, slots, key);
    }
  }
  free[0] = false;  // the space key has no place on the keyboard to trade
  for (const char character : settings.PinKeys) {
    const std::uint8_t key = ChordKeyIndex(character);
    if (!used[key]) {
      return SearchFileError{
          settings.PinKeysLine,
          std::string("pin_keys: no entry of the layout uses the key '") + character + "'"};
    }
    free[key] = false;
  }
  movable.PinnedEntries.assign(slots, false);
  for (const std::string& kana : settings.PinKana) {
    bool found = false;
    for (std::size_t slot = 0; slot < slots; ++slot) {
      if (table[slot].Kana == kana) {
        found = true;
        movable.PinnedEntries[slot] = true;
        for (const char key : table[slot].Keys) {
          if (static_cast<std::uint8_t>(key) < kKeyCountWithThumbs) {
            free[static_cast<std::uint8_t>(key)] = false;
          }
        }
      }
    }
    if (!found) {
      return SearchFileError{settings.PinKanaLine,
                             "pin_kana: the layout has no entry for " +
                                 ShiftJisTextToUtf8(KanaText(static_cast<std::uint8_t>(kana[0])))};
    }
  }
  movable.Keys.clear();
  for (int key = 1; key < kKeyCountWithThumbs; ++key) {
    if (free[static_cast<std::size_t>(key)]) {
      movable.Keys.push_back(key);
    }
  }
  return std::nullopt;
}

}  // namespace kananet
