// Numbers in the network file: the default floating-point format of a C++ stream (general
// format, six significant digits), independent of the host's locale.
#pragma once

#include <string>

namespace kananet {

void AppendNumber(std::string& out, double value);

}  // namespace kananet
