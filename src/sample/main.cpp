// kananet-sample: turns ordinary Japanese text into a sample text for kananet, every word as
// the kana a typist types for it.
#include <string>
#include <vector>

#include "sample/sample_command.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return kananet::sample::RunSample(arguments);
}
