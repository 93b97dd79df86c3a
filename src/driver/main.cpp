// kananet: evaluates kana keyboard layouts against a sample text. Run without arguments in a
// working directory holding kanasample.txt, layout/*.txt and result/; see --help.
#include <string_view>
#include <vector>

#include "driver/command_line.h"
#include "platform/console.h"

int main(int argc, char** argv) {
  kananet::IgnoreBrokenPipes();
  std::vector<std::string_view> arguments(argv + 1, argv + argc);
  return kananet::RunCommand(arguments);
}
