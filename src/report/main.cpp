// kananet-report: a self-contained HTML page of a batch of kananet's network files.
#include <unistd.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "codes/text_encoding.h"
#include "platform/console.h"
#include "platform/console_stream.h"
#include "platform/console_text.h"
#include "report/report_command.h"

int main(int argc, char** argv) {
  kananet::IgnoreBrokenPipes();
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  // The console lines go out in the locale's character set, as kananet's do.
  kananet::ChooseConsoleCharsets(kananet::ShiftJisTextToUtf8);
  kananet::ConsoleStreamBuffer outBuffer(stdout);
  kananet::ConsoleStreamBuffer errBuffer(stderr);
  std::ostream out(&outBuffer);
  std::ostream err(&errBuffer);
  int status = kananet::report::RunReport(arguments, out, err, ::isatty(STDERR_FILENO) == 1);
  // A console line that could not go out (a closed stream, a full disk, a reader that went
  // away) fails the run, so that a script never takes part of the output for the whole.
  if (!out.flush()) {
    err << "kananet-report: cannot write to standard output: " << std::strerror(outBuffer.Error())
        << "\n";
    status = status == 0 ? 1 : status;
  }
  return status;
}
