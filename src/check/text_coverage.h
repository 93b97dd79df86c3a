// The check of a layout against the sample text: the first-match conversion of the whole
// KanaStream, as the batch's count walks it, passing over each kana without definition.
#pragma once

#include <string>
#include <vector>

#include "check/layout_check.h"
#include "check/layout_rules.h"
#include "readers/layout.h"

namespace kananet {

// Adds the errors (the kana without definition, in the order the text meets them) and the notes
// (the entries the text never uses, the strokes per kana); fills in the layout's totals, and
// its counts when keepCounts asks for them; walks the text on up to jobs threads.
void CheckText(const std::string& stream, const LayoutDefinition& definition,
               const RulesCheck& rules, bool keepCounts, unsigned jobs, LayoutCheck& layout,
               std::vector<Finding>& errors, std::vector<Finding>& notes);

}  // namespace kananet
