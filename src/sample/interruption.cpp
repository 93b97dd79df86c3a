#include "sample/interruption.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "platform/stop_signals.h"

namespace kananet::sample {

namespace {

// The handler reads these, so they are plain bytes and lock-free flags: a path too long for the
// buffer is not removed (it is left as before, a hidden file the manual names).
char temporaryPath[PATH_MAX];
std::atomic<bool> temporaryKnown{false};
std::atomic<bool> progressShown{false};

// Async-signal-safe only: unlink, write, sigaction, raise.
void OnInterruption(int signal) {
  if (temporaryKnown.load()) {
    ::unlink(temporaryPath);
  }
  if (progressShown.load()) {
    constexpr char kClear[] = "\r\x1B[K";
    [[maybe_unused]] ssize_t written = ::write(STDERR_FILENO, kClear, sizeof(kClear) - 1);
  }
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  ::sigaction(signal, &standard, nullptr);
  ::raise(signal);
}

}  // namespace

void CleanUpWhenInterrupted() {
  CatchStopSignals(OnInterruption);
}

void SetTemporaryOutput(const std::string& path) {
  temporaryKnown.store(false);
  if (!path.empty() && path.size() < sizeof(temporaryPath)) {
    std::memcpy(temporaryPath, path.c_str(), path.size() + 1);
    temporaryKnown.store(true);
  }
}

void SetProgressShown(bool shown) {
  progressShown.store(shown);
}

}  // namespace kananet::sample
