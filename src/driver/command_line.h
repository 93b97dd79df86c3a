// The command line of kananet: its options in one table, the reading of the arguments, and the
// answers to --help and --version.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/console_text.h"

namespace kananet {

inline constexpr int kExitUsage = 2;  // the status of a wrong command line

// What the command line asks for.
struct CommandLine {
  enum class Action { kRunBatch, kRunCheck, kShowHelp, kShowVersion, kUsageError };
  Action ToDo = Action::kRunBatch;
  ConsoleText Error;      // for kUsageError: the one line that says what is wrong
  unsigned Jobs = 0;      // --jobs: threads per layout; 0 for one per core the process may use
  std::string Directory;  // DIR: the working directory to run in; empty for the current one
};

inline constexpr unsigned kMaxJobs = 1024;

// One option. Adding an option is adding one entry to the table (and, when it changes the
// batch, a member of CommandLine for its setting).
struct CommandOption {
  std::string_view ShortName;  // "-h", or empty
  std::string_view LongName;   // "--help"
  std::string_view ValueName;  // "N" when the next argument is the option's value; empty for a flag
  std::string_view Help;       // what --help says of it
  // Applies the option with its value (empty for a flag); false when the value is not valid.
  bool (*Apply)(CommandLine& commandLine, std::string_view value);
};

// The options of kananet, in the order --help lists them.
std::span<const CommandOption> KananetOptions();

// Reads the arguments that follow the program name, in order. An option that shows something
// (--help, --version) ends the reading; one argument that does not begin with "-" is the
// working directory; an unknown option, a second directory, or an option without its value
// makes the result a usage error.
CommandLine ParseCommandLine(std::span<const std::string_view> arguments,
                             std::span<const CommandOption> options = KananetOptions());

std::string HelpText(std::span<const CommandOption> options = KananetOptions());
std::string VersionLine();

// Does what the command line asks for: shows help or the version, reports a wrong command
// line, or runs the batch or the check (in DIR when one is given, as if started there).
// Returns the process exit status.
int RunCommand(std::span<const std::string_view> arguments);

}  // namespace kananet
