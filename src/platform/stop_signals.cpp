#include "platform/stop_signals.h"

#include <signal.h>

namespace kananet {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

}  // namespace

void CatchStopSignals(void (*handler)(int)) {
  struct sigaction caught {};
  caught.sa_handler = handler;
  // A handler that lets the run go on must not fail the calls it interrupts (a write of the
  // results to a slow pipe): they are made again.
  caught.sa_flags = SA_RESTART;
  ::sigemptyset(&caught.sa_mask);
  for (int signal : kStopSignals) {
    ::sigaddset(&caught.sa_mask, signal);
  }
  for (int signal : kStopSignals) {
    struct sigaction before {};
    if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN) {
      ::sigaction(signal, &caught, nullptr);
    }
  }
}

const char* StopSignalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "a signal";
  }
}

}  // namespace kananet
