#include "driver/command_line.h"

#include <algorithm>
#include <array>

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "codes/text_encoding.h"
#include "driver/batch.h"
#include "driver/check_command.h"
#include "platform/console.h"
#include "platform/parallel.h"

namespace kananet {

namespace {

using Action = CommandLine::Action;

bool ShowHelp(CommandLine& commandLine, std::string_view) {
  commandLine.ToDo = Action::kShowHelp;
  return true;
}

bool RunCheckOnly(CommandLine& commandLine, std::string_view) {
  commandLine.ToDo = Action::kRunCheck;
  return true;
}

bool ShowVersion(CommandLine& commandLine, std::string_view) {
  commandLine.ToDo = Action::kShowVersion;
  return true;
}

// A whole number from 1 to kMaxJobs, in decimal digits only.
bool SetJobs(CommandLine& commandLine, std::string_view value) {
  unsigned jobs = 0;
  for (char digit : value) {
    if (digit < '0' || digit > '9' || jobs > kMaxJobs) {
      return false;
    }
    jobs = jobs * 10 + static_cast<unsigned>(digit - '0');
  }
  if (jobs < 1 || jobs > kMaxJobs) {
    return false;
  }
  commandLine.Jobs = jobs;
  return true;
}

constexpr std::array kOptions = {
    CommandOption{"", "--check", "",
                  "check the sample text and every layout file, name each mistake, write nothing",
                  RunCheckOnly},
    CommandOption{"-h", "--help", "", "show this help and exit", ShowHelp},
    CommandOption{"", "--version", "", "show the version and exit", ShowVersion},
    CommandOption{"-j", "--jobs", "N",
                  "read the sample text and count (or check) layouts with N threads, 1 to 1024 "
                  "(default: one per core the process may use); the results do not depend on N",
                  SetJobs},
};

const CommandOption* FindOption(std::span<const CommandOption> options, std::string_view name) {
  auto found = std::find_if(options.begin(), options.end(), [&](const CommandOption& option) {
    return name == option.LongName || (!option.ShortName.empty() && name == option.ShortName);
  });
  return found == options.end() ? nullptr : &*found;
}

CommandLine UsageError(std::string_view complaint) {
  CommandLine commandLine;
  commandLine.ToDo = Action::kUsageError;
  commandLine.Error = UsageErrorText("kananet", complaint);
  return commandLine;
}

// "  -h, --help       text" with the texts in one column.
std::string OptionLines(std::span<const CommandOption> options) {
  auto synopsis = [](const CommandOption& option) {
    std::string text = option.ShortName.empty() ? "    " : std::string(option.ShortName) + ", ";
    text += option.LongName;
    if (!option.ValueName.empty()) {
      text += ' ';
      text += option.ValueName;
    }
    return text;
  };
  std::size_t width = 0;
  for (const CommandOption& option : options) {
    width = std::max(width, synopsis(option).size());
  }
  std::string lines;
  for (const CommandOption& option : options) {
    std::string text = synopsis(option);
    lines += "  " + text + std::string(width + 3 - text.size(), ' ') + std::string(option.Help);
    lines += "\n";
  }
  return lines;
}

}  // namespace

std::span<const CommandOption> KananetOptions() {
  return kOptions;
}

CommandLine ParseCommandLine(std::span<const std::string_view> arguments,
                             std::span<const CommandOption> options) {
  CommandLine commandLine;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const CommandOption* option = FindOption(options, arguments[i]);
    if (option == nullptr && commandLine.Directory.empty() && !arguments[i].empty() &&
        !arguments[i].starts_with('-')) {
      commandLine.Directory = arguments[i];
      continue;
    }
    if (option == nullptr) {
      return UsageError(arguments[i].starts_with('-') ? UnknownOption(arguments[i])
                        : arguments[i].empty()
                            ? std::string("an empty argument names no working directory")
                            : "one working directory only, not also " + std::string(arguments[i]));
    }
    std::string_view value;
    if (!option->ValueName.empty()) {
      if (i + 1 == arguments.size()) {
        return UsageError(std::string(arguments[i]) + " needs a value");
      }
      value = arguments[++i];
    }
    if (!option->Apply(commandLine, value)) {
      return UsageError("invalid value for " + std::string(option->LongName) + ": " +
                        std::string(value));
    }
    if (commandLine.ToDo != Action::kRunBatch && commandLine.ToDo != Action::kRunCheck) {
      break;
    }
  }
  return commandLine;
}

std::string HelpText(std::span<const CommandOption> options) {
  return "Usage: kananet [OPTION]... [DIR]\n"
         "Evaluates Japanese kana keyboard layouts against a sample text: works out how the text\n"
         "is typed with each layout, counts every keystroke and every same-hand key pair, and\n"
         "writes each layout's counts as a keyboard-shaped Pajek network file.\n"
         "\n"
         "Run it in a working directory, or give one as DIR, that holds:\n"
         "  kanasample.txt   the sample text, in kana (UTF-8 or Shift_JIS)\n"
         "  layout/*.txt     one layout definition per file (UTF-8 or Shift_JIS)\n"
         "  result/          receives <name>.net for each layout; it must exist\n"
         "\n"
         "Options:\n" +
         OptionLines(options) +
         "\n"
         "Exit status:\n"
         "  0  every layout was evaluated and its network file written (with --check: no layout\n"
         "     has an error)\n"
         "  1  the run stopped early, or a file could not be read or written (see the message);\n"
         "     with --check: a layout has an error\n"
         "  2  the command line was wrong\n"
         "\n"
         "Companion programs:\n"
         "  kananet-report   draws the network files of result/ as one HTML page\n"
         "  kananet-sample   turns Japanese text into a kana sample text\n"
         "  kananet-search   searches for better layouts from a starting one\n";
}

std::string VersionLine() {
  return "kananet " KANANET_VERSION "\n";
}

int RunCommand(std::span<const std::string_view> arguments) {
  ChooseConsoleCharsets(ShiftJisTextToUtf8);
  CommandLine commandLine = ParseCommandLine(arguments);
  switch (commandLine.ToDo) {
    case Action::kShowHelp:
      WriteOut(HelpText());
      break;
    case Action::kShowVersion:
      WriteOut(VersionLine());
      break;
    case Action::kUsageError:
      WriteErr(commandLine.Error);
      return kExitUsage;
    case Action::kRunBatch:
    case Action::kRunCheck:
      // The working directory's paths are relative, so running in DIR is entering it.
      if (!commandLine.Directory.empty() && ::chdir(commandLine.Directory.c_str()) != 0) {
        WriteErr(ConsoleText("Cannot run in ")
                     .Name(commandLine.Directory)
                     .Text(std::string(": ") + std::strerror(errno) +
                           "; give the folder that holds kanasample.txt and layout/.\n"));
        return 1;
      }
      return (commandLine.ToDo == Action::kRunBatch ? RunBatch : RunCheck)(
          commandLine.Jobs != 0 ? commandLine.Jobs : UsableCores());
  }
  return RunHadFailure() ? 1 : 0;
}

}  // namespace kananet
