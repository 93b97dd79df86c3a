// kananet --check: the layout check of the working directory, printed on the console.
#pragma once

#include <string>
#include <vector>

namespace kananet {

// Checks kanasample.txt and every layout file the batch would read, writes nothing, and prints
// per layout the header as understood, one line per finding and a summary; then a closing line.
// arguments are those after --check. Returns 0 when nothing has an error, 1 when something
// has, 2 for a wrong command line.
int RunCheck(const std::vector<std::string>& arguments);

}  // namespace kananet
