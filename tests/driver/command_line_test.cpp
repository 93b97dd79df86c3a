#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace kananet {
namespace {

using Action = CommandLine::Action;

// An option with a value, as the batch options will be: its value is kept in the error text so
// that the test can see what reached it.
bool TakeCount(CommandLine& commandLine, std::string_view value) {
  commandLine.Error.Text(value);
  return !value.empty() && value.find_first_not_of("0123456789") == std::string_view::npos;
}

TEST(CommandLineTest, OptionsAreReadInOrderWithTheirValues) {
  std::array options = {KananetOptions()[0], CommandOption{"", "--jobs", "N", "", TakeCount}};
  struct Case {
    std::vector<std::string_view> Arguments;
    Action ToDo;
    std::string Error;
  };
  const Case cases[] = {
      {{}, Action::kRunBatch, ""},
      {{"--jobs", "4"}, Action::kRunBatch, "4"},
      {{"--jobs", "4", "-h", "--bogus"}, Action::kShowHelp, "4"},
      {{"--jobs"},
       Action::kUsageError,
       "Missing value after --jobs; run \"kananet --help\" for the usage.\n"},
      {{"--jobs", "x"},
       Action::kUsageError,
       "Invalid value for --jobs: x; run \"kananet --help\" for the usage.\n"},
      {{"--jobs=4"},
       Action::kUsageError,
       "Unknown argument: --jobs=4; run \"kananet --help\" for the usage.\n"},
  };
  for (const Case& c : cases) {
    CommandLine commandLine = ParseCommandLine(c.Arguments, options);
    EXPECT_EQ(commandLine.ToDo, c.ToDo) << ::testing::PrintToString(c.Arguments);
    EXPECT_EQ(commandLine.Error.In(ConsoleCharset::kShiftJis), c.Error);
  }
  EXPECT_NE(HelpText(options).find("  -h, --help     show this help and exit\n      --jobs N"),
            std::string::npos);
}

}  // namespace
}  // namespace kananet
