// kananet --check: the layout check of the working directory, printed on the console.
#pragma once

namespace kananet {

// Checks kanasample.txt and every layout file the batch would read, writes nothing, and prints
// per layout the header as understood, one line per finding and a summary; then a closing line.
// Checks up to jobs layouts at once. Returns 0 when nothing has an error, 1 when something has.
int RunCheck(unsigned jobs = 1);

}  // namespace kananet
