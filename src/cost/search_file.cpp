#include "cost/search_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <toml++/toml.h>

#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "codes/number_format.h"
#include "codes/text_encoding.h"
#include "platform/files.h"
#include "platform/names.h"

namespace kananet {

namespace {

constexpr std::size_t kSettingCount = 7;
constexpr std::array<std::string_view, kSettingCount> kSettingNames = {
    "free_keys", "pin_keys", "pin_kana", "moves", "kana_lengths", "weights", "finger_targets"};

constexpr const char* kWeightRange = "-1e12 to 1e12";  // kLargestWeight

using Errors = std::vector<SearchFileError>;

std::size_t LineOf(const toml::node& node) {
  return static_cast<std::size_t>(node.source().begin.line);
}

// The mistakes in the order of the file's lines.
void InLineOrder(Errors& errors) {
  std::stable_sort(
      errors.begin(), errors.end(),
      [](const SearchFileError& a, const SearchFileError& b) { return a.Line < b.Line; });
}

void Add(Errors& errors, const toml::node& node, std::string what) {
  errors.push_back({LineOf(node), std::move(what)});
}

// The edit distance of two names (insertions, deletions and changes of one byte each).
std::size_t Distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) {
    row[j] = j;
  }
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// "; did you mean A?" (or "A or B?") for the known names nearest to a mistyped one, when any is
// near enough to be what was meant: a third of its letters or fewer differ. Else empty.
template <typename Names>
std::string Nearest(std::string_view name, const Names& known) {
  std::size_t best = std::max<std::size_t>(1, name.size() / 3) + 1;
  std::vector<std::string_view> nearest;
  for (const std::string_view candidate : known) {
    const std::size_t distance = Distance(name, candidate);
    if (distance < best) {
      best = distance;
      nearest.clear();
    }
    if (distance == best) {
      nearest.push_back(candidate);
    }
  }
  if (nearest.empty() || nearest.size() > 3) {
    return "";
  }
  std::string text = "; did you mean ";
  for (std::size_t i = 0; i < nearest.size(); ++i) {
    text += i == 0 ? "" : i + 1 == nearest.size() ? " or " : ", ";
    text += nearest[i];
  }
  return text + "?";
}

std::vector<std::string_view> FigureIds(int first, int end) {
  std::vector<std::string_view> ids;
  for (int figure = first; figure < end; ++figure) {
    ids.push_back(FigureIdName(figure));
  }
  return ids;
}

// The number a setting holds, when it lies from least to most; else an error saying what it
// must be. An integer beyond what a double holds exactly is out of range too.
std::optional<double> ReadNumber(const toml::node& node, const std::string& what, double least,
                                 double most, const char* range, Errors& errors) {
  std::string shown;
  if (const auto* integer = node.as_integer()) {
    const std::int64_t value = integer->get();
    if (static_cast<double>(value) >= least && static_cast<double>(value) <= most) {
      return static_cast<double>(value);
    }
    shown = std::to_string(value);
  } else if (const auto* real = node.as_floating_point()) {
    const double value = real->get();
    if (value >= least && value <= most) {  // false for nan
      return value;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    shown = text;
  }
  Add(errors, node,
      what + " must be a number from " + range + (shown.empty() ? "" : ", not " + shown));
  return std::nullopt;
}

// The key characters of a string, each a key of the keyboard; a character that is not is named
// whole.
void ReadKeys(const toml::node& node, std::string_view name, std::string& keys, Errors& errors) {
  const auto* text = node.as_string();
  if (!text) {
    Add(errors, node, std::string(name) + " must be a string of key characters");
    return;
  }
  std::string_view rest = text->get();
  while (!rest.empty()) {
    const std::size_t length = std::max<std::size_t>(1, Utf8SequenceLength(rest));
    if (length > 1 || (kKeyAlphabet.find(rest.front()) == std::string_view::npos &&
                       rest.front() != '<' && rest.front() != '>')) {
      Add(errors, node,
          std::string(name) + ": '" + std::string(rest.substr(0, length)) +
              "' is not a key of the keyboard");
      return;
    }
    rest.remove_prefix(length);
  }
  keys = text->get();
}

// The kana of a string, each one character (a kana and a combining voiced or semi-voiced mark
// after it are one); a character that is not a kana is named whole.
void ReadKana(const toml::node& node, std::vector<std::string>& kana, Errors& errors) {
  const auto* text = node.as_string();
  if (!text) {
    Add(errors, node, "pin_kana must be a string of kana");
    return;
  }
  std::string_view rest = text->get();
  while (!rest.empty()) {
    std::size_t length = std::max<std::size_t>(1, Utf8SequenceLength(rest));
    while (rest.substr(length).starts_with("\xE3\x82\x99") ||
           rest.substr(length).starts_with("\xE3\x82\x9A")) {
      length += 3;
    }
    const std::string shiftJis = Utf8TextToShiftJis(rest.substr(0, length));
    const std::uint8_t code = shiftJis.size() == 2
                                  ? KanaCodeOf(static_cast<std::uint8_t>(shiftJis[0]),
                                               static_cast<std::uint8_t>(shiftJis[1]))
                                  : kNotKana;
    if (code == kNotKana) {
      Add(errors, node, "pin_kana: '" + std::string(rest.substr(0, length)) + "' is not a kana");
      return;
    }
    kana.emplace_back(1, static_cast<char>(code));
    rest.remove_prefix(length);
  }
}

void ReadMoves(const toml::node& node, SearchSettings& settings, Errors& errors) {
  const auto* list = node.as_array();
  if (!list || list->empty()) {
    Add(errors, node, "moves must be a list of \"keys\" and \"kana\"");
    return;
  }
  settings.MoveKeys = settings.MoveKana = false;
  for (const toml::node& item : *list) {
    const auto* kind = item.as_string();
    if (kind && kind->get() == "keys") {
      settings.MoveKeys = true;
    } else if (kind && kind->get() == "kana") {
      settings.MoveKana = true;
    } else {
      Add(errors, item, "a move is \"keys\" or \"kana\"");
    }
  }
}

void ReadWeights(const toml::node& node, SearchSettings& settings, Errors& errors) {
  const auto* table = node.as_table();
  if (!table) {
    Add(errors, node, "weights must be a table of figure ids and numbers");
    return;
  }
  settings.Weights.fill(0);
  for (const auto& [key, value] : *table) {
    const std::string name(key.str());
    const std::optional<int> figure = FigureOfName(name);
    if (!figure) {
      Add(errors, value,
          "unknown figure id \"" + name + "\"" + Nearest(name, FigureIds(0, kFigureCount)));
      continue;
    }
    if (const std::optional<double> weight =
            ReadNumber(value, "the weight of " + name, -kLargestWeight, kLargestWeight,
                       kWeightRange, errors)) {
      settings.Weights[static_cast<std::size_t>(*figure)] = *weight;
      settings.WeightLines[static_cast<std::size_t>(*figure)] = LineOf(value);
    }
  }
}

void ReadFingerTargets(const toml::node& node, SearchSettings& settings, Errors& errors) {
  const auto* table = node.as_table();
  if (!table) {
    Add(errors, node, "finger_targets must be a table of finger ids and shares, and a weight");
    return;
  }
  settings.FingerTargetsLine = LineOf(node);
  settings.FingerTargetWeight = 1;
  for (const auto& [key, value] : *table) {
    const std::string name(key.str());
    if (name == "weight") {
      settings.FingerTargetWeight = ReadNumber(value, "finger_targets: weight", -kLargestWeight,
                                               kLargestWeight, kWeightRange, errors)
                                        .value_or(0);
      continue;
    }
    const std::optional<int> figure = FigureOfName(name);
    if (!figure || *figure < kFigureFingerFirst || *figure >= kFigureFingerFirst + kFingerCount) {
      std::vector<std::string_view> known =
          FigureIds(kFigureFingerFirst, kFigureFingerFirst + kFingerCount);
      known.push_back("weight");
      Add(errors, value,
          "finger_targets: \"" + name + "\" is not a finger id (finger.left_index ...)" +
              Nearest(name, known));
      continue;
    }
    settings.FingerTargets[static_cast<std::size_t>(*figure - kFigureFingerFirst)] =
        ReadNumber(value, "finger_targets: the share of " + name, 0, 1, "0 to 1", errors);
  }
}

SearchFileError TooLarge(std::uintmax_t size) {
  return {1, "the search file holds " + Grouped(size) + " bytes, more than the " +
                 Grouped(kLargestSearchFile) + " a search file may"};
}

// The line of the first key or table header nested deeper than kDeepestKey, from the text alone,
// so that the parser, which recurses once a level, never sees one: table headers and dotted keys
// add a level a part, arrays and inline tables a level each.
std::optional<std::size_t> TooDeep(std::string_view text) {
  struct Open {
    char Bracket;       // '[' or '{'
    std::size_t Depth;  // the depth of a value inside it
  };
  std::vector<Open> open;
  std::size_t line = 1, header = 0, depth = 0, parts = 0;
  bool key = true, lineStart = true;
  const auto deeper = [](std::size_t reached) { return reached > kDeepestKey; };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      if (open.empty()) {
        key = lineStart = true;
        parts = 0;
      }
      continue;
    }
    if (c == '#') {
      i = std::min(text.find('\n', i), text.size()) - 1;
      continue;
    }
    if (c == '"' || c == '\'') {
      // A string, or a quoted key part: skipped whole, escapes and all, counting its lines.
      const bool triple = text.substr(i, 3) == std::string(3, c);
      std::size_t end = i + (triple ? 3 : 1);
      for (bool escaped = false; end < text.size(); ++end) {
        if (!escaped && (triple ? text.substr(end, 3) == std::string(3, c) : text[end] == c)) {
          break;
        }
        if (text[end] == '\n' && !triple) {
          break;  // unended: the parser says so
        }
        line += text[end] == '\n';
        escaped = !escaped && c == '"' && text[end] == '\\';
      }
      parts += key && parts == 0;
      i = end < text.size() && text[end] == '\n' ? end - 1
                                                 : std::min(end + (triple ? 2 : 0), text.size());
      lineStart = false;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r') {
      continue;
    }
    if (lineStart && c == '[') {
      // A table header: a level a dotted part, one more for an array of tables.
      header = 1;
      const std::size_t end = std::min(text.find('\n', i), text.size());
      for (; i < end && text[i] != ']'; ++i) {
        if (text[i] == '"' || text[i] == '\'') {
          i = std::min(text.find(text[i], i + 1), end);
        } else {
          header += text[i] == '.' || text[i] == '[';
        }
        if (deeper(header)) {
          return line;
        }
      }
      i = end - 1;
      lineStart = false;
      continue;
    }
    lineStart = false;
    if (key) {
      if (c == '.' || parts == 0) {
        ++parts;
      }
      if (c == '=') {
        depth = (open.empty() ? header : open.back().Depth) + parts;
        key = false;
        parts = 0;
      } else if (c == '}' && !open.empty()) {  // an empty inline table
        open.pop_back();
        key = false;
      }
      if (deeper((open.empty() ? header : open.back().Depth) + parts)) {
        return line;
      }
      continue;
    }
    if (c == '[' || c == '{') {
      depth += c == '[';  // an array's values lie a level deeper; a table's keys add their parts
      open.push_back({c, depth});
      key = c == '{';
      parts = 0;
      if (deeper(depth)) {
        return line;
      }
    } else if ((c == ']' || c == '}') && !open.empty()) {
      open.pop_back();
      depth = open.empty() ? header : open.back().Depth;
    } else if (c == ',' && !open.empty()) {
      key = open.back().Bracket == '{';
      parts = 0;
      depth = open.back().Depth;
    }
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

std::vector<SearchFileError> ReadSearchFile(const std::string& text, SearchSettings& settings) {
  settings = DefaultSettings();
  if (text.size() > kLargestSearchFile) {
    return {TooLarge(text.size())};
  }
  if (const std::optional<std::size_t> line = TooDeep(text)) {
    return {{*line, "keys nest more than " + std::to_string(kDeepestKey) +
                        " levels deep here; a search file's nest two"}};
  }
  toml::table file;
  try {
    file = toml::parse(text);
  } catch (const toml::parse_error& error) {
    return {
        {static_cast<std::size_t>(error.source().begin.line), std::string(error.description())}};
  }
  Errors errors;
  for (const auto& [key, value] : file) {
    const std::string_view name = key.str();
    if (name == "free_keys") {
      std::string keys;
      ReadKeys(value, name, keys, errors);
      settings.FreeKeys = keys;
      settings.FreeKeysLine = LineOf(value);
    } else if (name == "pin_keys") {
      ReadKeys(value, name, settings.PinKeys, errors);
      settings.PinKeysLine = LineOf(value);
    } else if (name == "pin_kana") {
      ReadKana(value, settings.PinKana, errors);
      settings.PinKanaLine = LineOf(value);
    } else if (name == "moves") {
      ReadMoves(value, settings, errors);
    } else if (name == "kana_lengths") {
      const auto* lengths = value.as_string();
      if (!lengths || (lengths->get() != "same" && lengths->get() != "any")) {
        Add(errors, value, "kana_lengths is \"same\" or \"any\"");
      } else {
        settings.AnyKanaLengths = lengths->get() == "any";
      }
    } else if (name == "weights") {
      ReadWeights(value, settings, errors);
    } else if (name == "finger_targets") {
      ReadFingerTargets(value, settings, errors);
    } else {
      Add(errors, value,
          "unknown setting \"" + std::string(name) + "\"" + Nearest(name, kSettingNames));
    }
  }
  InLineOrder(errors);  // the table is in the order of its keys
  return errors;
}

std::string SearchFileErrorLine(const std::string& path, const SearchFileError& error) {
  return EscapeControlBytes(path) + ":" + std::to_string(error.Line) +
         ": error: " + EscapeControlBytes(error.What) + "\n";
}

std::string SearchFileErrorLines(const std::string& path,
                                 const std::vector<SearchFileError>& errors) {
  std::string lines;
  for (const SearchFileError& error : errors) {
    lines += SearchFileErrorLine(path, error);
  }
  return lines;
}

std::optional<std::string> LoadSearchFile(const std::string& path, std::string_view program,
                                          SearchSettings& settings) {
  std::error_code unknown;
  if (const std::uintmax_t size = std::filesystem::file_size(path, unknown);
      !unknown && size > kLargestSearchFile) {
    return SearchFileErrorLine(path, TooLarge(size));  // unread: it might not even fit in memory
  }
  std::string text;
  if (const ReadResult read = ReadWholeFile(path, text); read.Outcome != ReadOutcome::kOk) {
    return std::string(program) + ": cannot read " + EscapeControlBytes(path) + ": " +
           std::strerror(read.Error) + "\n";
  }
  if (const std::string lines = SearchFileErrorLines(path, ReadSearchFile(text, settings));
      !lines.empty()) {
    return lines;
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

std::vector<SearchFileError> ResolveMovable(const SearchSettings& settings,
                                            const std::vector<LayoutEntry>& table,
                                            std::size_t slots, Movable& movable) {
  std::vector<SearchFileError> errors;
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
  const auto thumbUnused = [&used, &errors](std::string_view keys, std::size_t line,
                                            std::string_view name) {
    for (const char character : keys) {
      if (IsThumbKey(ChordKeyIndex(character)) && !used[ChordKeyIndex(character)]) {
        errors.push_back({line, std::string(name) + ": '" + character +
                                    "' is a thumb key, which no entry of the layout presses"});
      }
    }
  };
  thumbUnused(settings.FreeKeys.value_or(""), settings.FreeKeysLine, "free_keys");
  thumbUnused(settings.PinKeys, settings.PinKeysLine, "pin_keys");
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
    if (!used[key] && !IsThumbKey(key)) {
      errors.push_back(
          {settings.PinKeysLine,
           std::string("pin_keys: no entry of the layout uses the key '") + character + "'"});
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
      errors.push_back({settings.PinKanaLine,
                        "pin_kana: the layout has no entry for " +
                            ShiftJisTextToUtf8(KanaText(static_cast<std::uint8_t>(kana[0])))});
    }
  }
  movable.Keys.clear();
  for (int key = 1; key < kKeyCountWithThumbs; ++key) {
    if (free[static_cast<std::size_t>(key)]) {
      movable.Keys.push_back(key);
    }
  }
  InLineOrder(errors);
  return errors;
}

}  // namespace kananet
