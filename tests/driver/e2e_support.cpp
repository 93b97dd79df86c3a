#include "e2e_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "test_support.h"

extern char** environ;

namespace kananet::e2e {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

// The inherited environment, but for the locale, with the given entries replacing those of the
// same name.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& overrides) {
  auto nameOf = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
  // The console's character set follows the locale: a program runs in none (C) unless a test
  // gives it one, whatever the locale of the shell that runs the tests.
  auto isLocale = [](std::string_view name) {
    return name == "LC_ALL" || name == "LC_CTYPE" || name == "LANG";
  };
  std::vector<std::string> merged;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!isLocale(nameOf(*entry)) &&
        std::none_of(overrides.begin(), overrides.end(),
                     [&](const std::string& o) { return nameOf(o) == nameOf(*entry); })) {
      merged.emplace_back(*entry);
    }
  }
  merged.insert(merged.end(), overrides.begin(), overrides.end());
  return merged;
}

std::vector<char*> PointersTo(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& text : strings) {
    pointers.push_back(text.data());
  }
  pointers.push_back(nullptr);
  return pointers;
}

// Between fork and exec: async-signal-safe calls only.
[[noreturn]] void ExecChild(const char* directory, int out, int err, char** argv, char** envp) {
  ::setpgid(0, 0);
  int input = ::open("/dev/null", O_RDONLY);
  if (input >= 0 && ::dup2(input, STDIN_FILENO) >= 0 && ::dup2(out, STDOUT_FILENO) >= 0 &&
      ::dup2(err, STDERR_FILENO) >= 0 && ::chdir(directory) == 0) {
    ::execve(argv[0], argv, envp);
  }
  static constexpr char kMessage[] = "e2e harness: cannot start the program\n";
  [[maybe_unused]] ssize_t ignored = ::write(err, kMessage, sizeof(kMessage) - 1);
  ::_exit(127);
}

// Reads both pipes to their ends. Returns false, having killed the child's process group,
// when the deadline passes first.
bool Collect(pid_t child, const int (&fds)[2], std::chrono::milliseconds timeout,
             RunResult& result) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  pollfd polls[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
  std::string* sinks[2] = {&result.Out, &result.Err};
  while (polls[0].fd >= 0 || polls[1].fd >= 0) {
    auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      ::kill(-child, SIGKILL);
      ::kill(child, SIGKILL);
      return false;
    }
    if (::poll(polls, 2, static_cast<int>(left.count())) < 0 && errno != EINTR) {
      Fail("poll");
    }
    for (int i = 0; i < 2; ++i) {
      if (polls[i].fd < 0 || polls[i].revents == 0) {
        continue;
      }
      char buffer[65536];
      ssize_t got = ::read(polls[i].fd, buffer, sizeof(buffer));
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        polls[i].fd = -1;
      }
    }
  }
  return true;
}

// Replaces the pipe ends with a pseudo-terminal's: ends[0] the side read, ends[1] the side the
// program writes to.
void ReplaceWithTerminal(int (&ends)[2]) {
  ::close(ends[0]);
  ::close(ends[1]);
  termios mode{};
  if (::openpty(&ends[0], &ends[1], nullptr, nullptr, nullptr) != 0 ||
      ::tcgetattr(ends[1], &mode) != 0) {
    Fail("openpty");
  }
  ::cfmakeraw(&mode);
  if (::tcsetattr(ends[1], TCSANOW, &mode) != 0 || ::fcntl(ends[0], F_SETFD, FD_CLOEXEC) != 0 ||
      ::fcntl(ends[1], F_SETFD, FD_CLOEXEC) != 0) {
    Fail("pseudo-terminal set-up");
  }
}

// Makes every directory below path enterable and writable so that it can be removed.
void MakeRemovable(const fs::path& path) {
  std::error_code error;
  if (fs::is_directory(fs::symlink_status(path, error))) {
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
    for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) {
      MakeRemovable(entry.path());
    }
  }
}

}  // namespace

RunResult RunProgram(const std::string& program, const std::string& workingDirectory,
                     const RunOptions& options) {
  std::vector<std::string> arguments{program};
  arguments.insert(arguments.end(), options.Arguments.begin(), options.Arguments.end());
  std::vector<std::string> environment = MergedEnvironment(options.Environment);
  std::vector<char*> argv = PointersTo(arguments);
  std::vector<char*> envp = PointersTo(environment);

  int out[2];
  int err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
    Fail("pipe");
  }
  if (options.OnTerminal != Terminal::kNone) {
    ReplaceWithTerminal(options.OnTerminal == Terminal::kOut ? out : err);
  }
  pid_t child = ::fork();
  if (child == 0) {
    ExecChild(workingDirectory.c_str(), out[1], err[1], argv.data(), envp.data());
  }
  ::close(out[1]);
  ::close(err[1]);
  RunResult result;
  if (child > 0) {
    result.TimedOut = !Collect(child, {out[0], err[0]}, options.Timeout, result);
  }
  ::close(out[0]);
  ::close(err[0]);
  if (child < 0) {
    Fail("fork");
  }

  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      Fail("waitpid");
    }
  }
  if (WIFEXITED(status)) {
    result.ExitStatus = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.Signal = WTERMSIG(status);
  }
  return result;
}

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "kananet-e2e-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    Fail("mkdtemp " + pattern);
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  MakeRemovable(path_);
  std::error_code error;
  fs::remove_all(path_, error);
}

std::string TempDir::PathOf(std::string_view relative) const {
  return path_ + "/" + std::string(relative);
}

void TempDir::WriteFile(std::string_view relative, std::string_view bytes) const {
  fs::path path = PathOf(relative);
  fs::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush()) {
    Fail("write " + path.string());
  }
}

void TempDir::MakeDir(std::string_view relative) const {
  fs::create_directories(PathOf(relative));
}

std::string TempDir::ReadFile(std::string_view relative) const {
  return ReadFileBytes(PathOf(relative));
}

std::vector<std::string> TempDir::List(std::string_view relative) const {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(PathOf(relative))) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    ADD_FAILURE() << "cannot read " << path;
  }
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string Sjis(std::string_view utf8) {
  return testing::Sjis(utf8);
}

std::string Utf8(std::string_view shiftJis) {
  return testing::Recode("UTF-8", "CP932", shiftJis);
}

std::string NoPseudoTerminal() {
  int ends[2];
  if (::openpty(&ends[0], &ends[1], nullptr, nullptr, nullptr) != 0) {
    return std::string("no pseudo-terminal can be opened here: ") + std::strerror(errno);
  }
  ::close(ends[0]);
  ::close(ends[1]);
  return {};
}

std::string NotExistLines(const TempDir& dir, std::string_view file, std::string_view reason) {
  const std::string hint = file == "kanasample.txt"
                               ? "run kananet in the folder that holds kanasample.txt and "
                                 "layout/, or give that folder: kananet DIR."
                               : "fix or replace that file.";
  return "File is not exist.\nCannot read " + std::string(file) + " in " +
         fs::canonical(dir.Path()).string() + ": " + std::string(reason) + "; " + hint + "\n";
}

}  // namespace kananet::e2e
