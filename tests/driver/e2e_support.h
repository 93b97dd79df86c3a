// Harness for end-to-end tests: a throwaway working directory, and the built program run in it
// with its exact output bytes and exit status captured.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace kananet::e2e {

struct RunResult {
  int ExitStatus = -1;    // the status passed to exit, or -1 when a signal ended the process
  int Signal = 0;         // the signal that ended the process, 0 when it exited
  bool TimedOut = false;  // the process outlived its time limit and was killed
  std::string Out;        // everything written to standard output
  std::string Err;        // everything written to standard error
};

// The stream that is a pseudo-terminal (in raw mode, so bytes pass unchanged) instead of a pipe.
enum class Terminal { kNone, kOut, kErr };

struct RunOptions {
  std::vector<std::string> Arguments;    // after the program name
  std::vector<std::string> Environment;  // "NAME=value" entries that override the inherited ones
  std::chrono::milliseconds Timeout = std::chrono::seconds(60);
  Terminal OnTerminal = Terminal::kNone;
};

// Runs program with workingDirectory as its current directory and standard input from
// /dev/null. A process that outlives the time limit is killed with its process group, so a
// hang fails the test instead of blocking it.
RunResult RunProgram(const std::string& program, const std::string& workingDirectory,
                     const RunOptions& options = {});

// A fresh directory under the system's temporary directory, removed with everything in it
// (read-only and unreadable entries included) when the object goes. Entries are named
// relative to it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string PathOf(std::string_view relative) const;

  // Creates or replaces a file with exactly these bytes; missing parent directories are made.
  void WriteFile(std::string_view relative, std::string_view bytes) const;
  void MakeDir(std::string_view relative) const;
  std::string ReadFile(std::string_view relative) const;
  // The names in a subdirectory, sorted by their bytes.
  std::vector<std::string> List(std::string_view relative) const;

 private:
  std::string path_;
};

// Why no pseudo-terminal can be opened here (a container or chroot without /dev/pts), or
// empty when one can: the tests on a terminal skip with it.
std::string NoPseudoTerminal();

// What kananet writes when it cannot read file of the working directory dir: the line scripts
// know, then one naming the file in dir with the reason and what to do.
std::string NotExistLines(const TempDir& dir, std::string_view file, std::string_view reason);

// The whole file's bytes; records a test failure when the file cannot be read.
std::string ReadFileBytes(const std::string& path);

// UTF-8 text as CP932 (Shift_JIS) bytes, so expected console bytes can be written legibly.
std::string Sjis(std::string_view utf8);
// Shift_JIS (CP932) text as UTF-8.
std::string Utf8(std::string_view shiftJis);

}  // namespace kananet::e2e
