// The check's rules on a layout file's own lines: the header, each entry line's keys and kana
// part, the entries a first-match search never reaches, and the split between the hands.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "check/layout_check.h"
#include "readers/layout.h"

namespace kananet {

struct FileLine {
  std::size_t Number = 0;
  std::string_view Text;
};

struct EntryLine {
  FileLine Line;
  std::size_t Tab = 0;
};

// What the rules leave for the check of the text: the entry lines, and which of the searchable
// slots an earlier entry shadows.
struct RulesCheck {
  std::vector<EntryLine> Entries;
  std::vector<bool> Shadowed;  // one per slot a search looks at
};

// Applies the rules to a layout, adding their warnings and filling layout.Sources.
RulesCheck CheckRules(const LayoutDefinition& definition, LayoutCheck& layout,
                      std::vector<Finding>& warnings);

// Whether the entry in slot can be a first match: it has kana and no earlier entry shadows it.
bool IsUsable(const std::vector<LayoutEntry>& table, const std::vector<bool>& shadowed,
              std::size_t slot);

}  // namespace kananet
