// Console output and the ways a step ends or marks the run: bytes go out unchanged, whatever
// the host's locale, and every message is flushed at once.
#pragma once

#include <string_view>

#include "platform/console_text.h"

namespace kananet {

// Makes a console that goes away (a pipe whose reader has ended, as in "kananet | head") a write
// that fails with EPIPE, reported like any other, instead of a signal that ends the process
// before the files it was writing are done. Every program calls it first.
void IgnoreBrokenPipes();

// Thrown by StopRun; the driver catches it at the top and ends the process with ExitStatus.
struct RunStopped {
  int ExitStatus;
};

// Console output that cannot be written (a full disk behind a redirection, a closed stream)
// makes the run end with status 1, so that a script never takes part of the output for the
// whole; the first loss of standard output is reported on standard error.
// Shift_JIS bytes are converted for a UTF-8 stream (see ChooseConsoleCharsets).
void WriteOut(std::string_view bytes);
void WriteErr(std::string_view bytes);
void WriteOut(const ConsoleText& text);
void WriteErr(const ConsoleText& text);

// Writes the message to standard error and ends the run early with exit status 1.
[[noreturn]] void StopRun(std::string_view message);
[[noreturn]] void StopRun(const ConsoleText& message);

// Writes the message to standard error; the run goes on but will end with exit status 1.
void ReportFailure(std::string_view message);
void ReportFailure(const ConsoleText& message);

// Whether ReportFailure was called since the last ResetFailures.
bool RunHadFailure();
void ResetFailures();

}  // namespace kananet
