// kananet: evaluates kana keyboard layouts against a sample text. Run without arguments in a
// working directory holding kanasample.txt, layout/*.txt and result/; with --check, it only
// checks the sample text and the layout files and writes nothing.
#include <string>
#include <vector>

#include "driver/batch.h"
#include "driver/check_command.h"

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--check") {
    return kananet::RunCheck(std::vector<std::string>(argv + 2, argv + argc));
  }
  return kananet::RunBatch();
}
