// Numbers in the network file: the default floating-point format of a C++ stream (general
// format, six significant digits), independent of the host's locale; and counts as people read
// them on a page or a console.
#pragma once

#include <cstdint>
#include <string>

namespace kananet {

void AppendNumber(std::string& out, double value);

// A count with its digits grouped by thousands (1,234,567).
std::string Grouped(std::uint64_t value);

}  // namespace kananet
