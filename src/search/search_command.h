// kananet-search: the command line, the run of the search on every core, and what it writes.
#pragma once

#include <string>
#include <vector>

namespace kananet::search {

// Runs kananet-search with the arguments after the program name; returns the exit status.
int RunSearch(const std::vector<std::string>& arguments);

}  // namespace kananet::search
