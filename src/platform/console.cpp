#include "platform/console.h"

#include <cstdio>

namespace kananet {

namespace {

bool failureReported = false;

void WriteTo(std::FILE* stream, std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::fflush(stream);
}

}  // namespace

void WriteOut(std::string_view bytes) {
  WriteTo(stdout, bytes);
}

void WriteErr(std::string_view bytes) {
  WriteTo(stderr, bytes);
}

void StopRun(std::string_view message) {
  WriteErr(message);
  throw RunStopped{1};
}

void ReportFailure(std::string_view message) {
  WriteErr(message);
  failureReported = true;
}

bool RunHadFailure() {
  return failureReported;
}

void ResetFailures() {
  failureReported = false;
}

}  // namespace kananet
