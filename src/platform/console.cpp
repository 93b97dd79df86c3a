#include "platform/console.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

namespace kananet {

namespace {

bool failureReported = false;
bool outputLost = false;

// Returns the errno of a failed write or flush, 0 when the bytes went out.
int WriteTo(std::FILE* stream, std::string_view bytes) {
  errno = 0;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
  if (std::fflush(stream) == 0 && written) {
    return 0;
  }
  return errno != 0 ? errno : EIO;
}

}  // namespace

void IgnoreBrokenPipes() {
  std::signal(SIGPIPE, SIG_IGN);
}

void WriteOut(std::string_view bytes) {
  WriteOut(ConsoleText(bytes));
}

void WriteErr(std::string_view bytes) {
  WriteErr(ConsoleText(bytes));
}

void WriteOut(const ConsoleText& text) {
  int error = WriteTo(stdout, text.In(CharsetOf(stdout)));
  if (error == 0) {
    return;
  }
  if (!outputLost) {
    outputLost = true;
    WriteErr(std::string("Cannot write to standard output: ") + std::strerror(error) + "\n");
  }
  failureReported = true;
}

void WriteErr(const ConsoleText& text) {
  if (WriteTo(stderr, text.In(CharsetOf(stderr))) != 0) {
    failureReported = true;
  }
}

void StopRun(std::string_view message) {
  StopRun(ConsoleText(message));
}

void StopRun(const ConsoleText& message) {
  WriteErr(message);
  throw RunStopped{1};
}

void ReportFailure(std::string_view message) {
  ReportFailure(ConsoleText(message));
}

void ReportFailure(const ConsoleText& message) {
  WriteErr(message);
  failureReported = true;
}

bool RunHadFailure() {
  return failureReported;
}

void ResetFailures() {
  failureReported = false;
  outputLost = false;
}

}  // namespace kananet
