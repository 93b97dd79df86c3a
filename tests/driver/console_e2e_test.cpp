// What the user sees of a run on the console: the command line, and the warning for a network
// file written twice in one batch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_support.h"

namespace kananet::e2e {
namespace {

using namespace std::string_literals;
using Names = std::vector<std::string>;

const std::string kLayout = "b\n \n4\n0\nf\tか\nj\tな\nd;\tず\n";

struct WorkDir : TempDir {
  WorkDir() {
    WriteFile("kanasample.txt", Sjis("かな\n"));
    MakeDir("result");
  }
};

RunResult RunWith(const TempDir& dir, const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment = {}) {
  RunOptions options;
  options.Arguments = arguments;
  options.Environment = environment;
  return RunProgram(KANANET_BINARY, dir.Path(), options);
}

TEST(CommandLine, HelpVersionAndWrongArgumentsReadAndWriteNothing) {
  WorkDir dir;
  dir.WriteFile("layout/a.txt", Sjis(kLayout));
  const std::string earlier = "*Vertices 330\r\nfrom an earlier run\r\n";
  dir.WriteFile("result/a.net", earlier);
  const std::string help = RunWith(dir, {"--help"}).Out;
  for (const char* topic : {"Usage: kananet", "kanasample.txt", "layout/", "result/", "Exit status",
                            "kananet-report", "kananet-sample"}) {
    EXPECT_NE(help.find(topic), std::string::npos) << topic;
  }
  struct Case {
    std::vector<std::string> Arguments;
    int Status;
    std::string Out;
    std::string Err;
  };
  auto unknown = [](const std::string& argument) {
    return "Unknown argument: " + argument + "; run \"kananet --help\" for the usage.\n";
  };
  const std::vector<Case> cases = {
      {{"-h"}, 0, help, ""},
      {{"--help", "--bogus"}, 0, help, ""},
      {{"--version"}, 0, "kananet " KANANET_VERSION "\n", ""},
      {{"--bogus", "--help"}, 2, "", unknown("--bogus")},
      {{"result"}, 2, "", unknown("result")},
      {{"-"}, 2, "", unknown("-")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.Arguments));
    RunResult run = RunWith(dir, c.Arguments);
    EXPECT_EQ(run.ExitStatus, c.Status);
    EXPECT_EQ(run.Out, c.Out);
    EXPECT_EQ(run.Err, c.Err);
  }
  EXPECT_EQ(dir.List("result"), Names{"a.net"});
  EXPECT_EQ(dir.ReadFile("result/a.net"), earlier);
}

TEST(Batch, NetworkFileWrittenAgainInOneRunIsPointedOut) {
  WorkDir dir;
  for (const char* name : {"jis.txt", "jis.v1.txt", "jis.v2.txt", "other.txt"}) {
    dir.WriteFile("layout/"s + name, Sjis(kLayout));
  }
  RunResult run = RunProgram(KANANET_BINARY, dir.Path());
  EXPECT_EQ(run.ExitStatus, 0);
  const std::string advice =
      " written earlier in this run; give the layouts names that differ before the first \".\".\n";
  EXPECT_EQ(run.Err,
            "Warning: result/jis.net of layout/jis.v1.txt replaces the one of layout/jis.txt" +
                advice +
                "Warning: result/jis.net of layout/jis.v2.txt replaces the one of "
                "layout/jis.v1.txt" +
                advice);
  EXPECT_EQ(dir.List("result"), (Names{"jis.net", "other.net"}));
}

}  // namespace
}  // namespace kananet::e2e
