// The command line of kananet-report: which directory to read, where to write the page.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kananet::report {

// Runs the command with its arguments (without the program name); returns the exit status:
// 0 when every network file was shown, 1 when a file could not be read or shown, a network file
// is stale (older than the text or its layout; the page is still written), the result
// directory holds none or the page could not be written, 2 for a bad command line.
// With terminal, err is a terminal and shows a progress line during long work.
int RunReport(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
              bool terminal = false);

}  // namespace kananet::report
