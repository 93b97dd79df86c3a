// Kana-to-keystroke conversion: a KanaStream becomes the KeyStream of a layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/kana_lookup.h"
#include "analysis/key_bytes.h"
#include "readers/layout.h"

namespace kananet {

// Appends to keyStream the conversion of kanaStream with the table and the two header flags.
// Returns NoSlot on success, else the position in kanaStream of the kana without definition.
std::size_t AppendKeyStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                            bool countByKana, bool breakAfterPunctuation, KeyBytes& keyCodes);
// The same into a string, for callers that keep the keys beside other text.
std::size_t AppendKeyStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                            bool countByKana, bool breakAfterPunctuation, std::string& keyCodes);

// The console message for a kana without definition.
std::string MissingDefinitionMessage(std::uint8_t kanaCode);

}  // namespace kananet
