// The command line of kananet-sample: which texts to read, where the sample text goes, and the
// run over them.
#pragma once

#include <string>
#include <vector>

namespace kananet::sample {

// Runs the command with its arguments (without the program name) and returns the exit status:
// 0 when the sample text was written, 1 when an input, the dictionary or the output failed
// (the output is then left as it was), 2 for a wrong command line.
int RunSample(const std::vector<std::string>& arguments);

}  // namespace kananet::sample
