// The search-file reader and the cost on arbitrary bytes: it never crashes or recurses without
// bound, names each mistake on a line of the file, in order, with no control byte that could
// forge a line, and takes no file the parser nests deeper than it allows; a file it takes has
// weights and shares within their bounds, key characters that are keys, and gives a finite cost
// for any counts.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "codes/key_alphabet.h"
#include "codes/text_encoding.h"
#include "cost/layout_cost.h"
#include "cost/search_file.h"
#include "fuzz_checks.h"

#include <toml++/toml.h>

using namespace kananet;
using namespace kananet::fuzz;

namespace {

// The depth of a parsed node's deepest value: a table's and an array's values a level below it.
std::size_t Depth(const toml::node& node) {
  std::size_t deepest = 0;
  if (const auto* table = node.as_table()) {
    for (const auto& [key, value] : *table) {
      deepest = std::max(deepest, 1 + Depth(value));
    }
  } else if (const auto* array = node.as_array()) {
    for (const toml::node& value : *array) {
      deepest = std::max(deepest, 1 + Depth(value));
    }
  }
  return deepest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(BytesOf(data, size));
  SearchSettings settings;
  const std::vector<SearchFileError> errors = ReadSearchFile(text, settings);

  const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  std::size_t previous = 0;
  for (const SearchFileError& error : errors) {
    FUZZ_CHECK(error.Line >= 1 && error.Line <= lines);
    FUZZ_CHECK(error.Line >= previous);
    previous = error.Line;
    const std::string line = SearchFileErrorLine("f", error);
    FUZZ_CHECK(line.back() == '\n');
    FUZZ_CHECK(std::none_of(line.begin(), line.end() - 1, [](char byte) {
      return IsControlByte(static_cast<std::uint8_t>(byte));
    }));
  }
  // The reader's scan of the text never takes a file for shallower than the parser makes it.
  if (errors.size() != 1 || errors[0].What.find(" levels deep") == std::string::npos) {
    try {
      FUZZ_CHECK(Depth(toml::parse(text)) <= kDeepestKey);
    } catch (const toml::parse_error&) {
    }
  }
  if (!errors.empty()) {
    return 0;
  }
  for (const double weight : settings.Weights) {
    FUZZ_CHECK(std::abs(weight) <= kLargestWeight);
  }
  FUZZ_CHECK(std::abs(settings.FingerTargetWeight) <= kLargestWeight);
  for (const std::optional<double>& share : settings.FingerTargets) {
    FUZZ_CHECK(!share || (*share >= 0 && *share <= 1));
  }
  const auto keysOnly = [](const std::string& keys) {
    return std::all_of(keys.begin(), keys.end(),
                       [](char key) { return kKeyAlphabet.find(key) != std::string_view::npos; });
  };
  FUZZ_CHECK(keysOnly(settings.PinKeys));
  FUZZ_CHECK(!settings.FreeKeys || keysOnly(*settings.FreeKeys));
  // Counts from none to the most a text of 2^40 kana can give, per that many kana or one.
  for (const std::uint64_t count : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{1} << 44}) {
    FigureCounts counts{};
    counts.fill(count);
    counts[kFigureFingerFirst] = count / 2;
    for (const std::uint64_t kana : {std::uint64_t{1}, std::uint64_t{1} << 40}) {
      FUZZ_CHECK(std::isfinite(CostOfLayout(counts, settings, kana).Total));
    }
  }
  return 0;
}
