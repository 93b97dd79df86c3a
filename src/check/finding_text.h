// The words for the layout check's findings and for a header as understood: what is wrong and
// what to do. Shift_JIS bytes, like every message of the tools; names appear as given (UTF-8
// on disk), for the caller to convert as its output needs.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "check/layout_check.h"

namespace kananet {

// "error", "warning" or "note".
std::string SeverityName(Severity level);

// The finding's message, without location and severity.
std::string DescribeFinding(const Finding& item);

// The header as understood, one line without line end: the last left-hand key and the hand
// split it gives, break after punctuation, rows, counting by strokes or by kana, each with the
// line and character it came from.
std::string DescribeHeader(const LayoutCheck& layout);

// "layout/x.txt:12:3: warning: ..." as compilers write it, so that editors can jump to the
// line; label names the file. Ends with a line end.
std::string FindingLine(const std::string& label, const Finding& item);

// From this many findings of one kind at lines of a file on, they take one line together.
inline constexpr std::size_t kGroupFrom = 5;

// The findings of one file, one line each, except that kGroupFrom or more of one kind at lines
// take one line: the first in full, then the lines of the others; and kGroupFrom or more kana
// without definition take one line: the first in full, then the first few others.
std::string FindingLines(const std::string& label, const std::vector<Finding>& findings);

}  // namespace kananet
