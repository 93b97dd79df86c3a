// kananet-sample: turns ordinary Japanese text into a sample text for kananet, every word as
// the kana a typist types for it.
#include <unistd.h>

#include <new>
#include <string>
#include <vector>

#include "platform/console.h"
#include "sample/sample_command.h"

int main(int argc, char** argv) {
  kananet::IgnoreBrokenPipes();
  try {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return kananet::sample::RunSample(arguments);
  } catch (const std::bad_alloc&) {
    // The output's temporary file is gone with the run's objects; the output is as it was.
    constexpr char kMessage[] =
        "kananet-sample: out of memory; raise the limit (ulimit -v) or free memory\n";
    [[maybe_unused]] ssize_t written = ::write(STDERR_FILENO, kMessage, sizeof(kMessage) - 1);
    return 1;
  }
}
