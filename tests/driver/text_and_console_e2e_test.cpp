// Text files saved as UTF-8 or UTF-16, the console's character set, the command line, and a
// network file written twice in one batch.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace kananet::e2e {
namespace {

using namespace std::string_literals;
using Names = std::vector<std::string>;

const std::string kLayout = "b\n \n4\n0\nf\tか\nj\tな\nd;\tず\n";  // for the sample text かな

struct WorkDir : TempDir {
  explicit WorkDir(const Names& layouts = {}, const std::string& sample = Sjis("かな\n")) {
    WriteFile("kanasample.txt", sample);
    for (const std::string& name : layouts) {
      WriteFile("layout/" + name, Sjis(kLayout));
    }
    MakeDir("result");
  }
};

std::map<std::string, std::string> Networks(const TempDir& dir) {
  std::map<std::string, std::string> networks;
  for (const std::string& name : dir.List("result")) {
    networks[name] = dir.ReadFile("result/" + name);
  }
  return networks;
}

RunResult RunIn(const TempDir& dir, const Names& arguments = {}, const Names& environment = {},
                Terminal onTerminal = Terminal::kNone) {
  RunOptions options;
  options.Arguments = arguments;
  options.Environment = environment;
  options.OnTerminal = onTerminal;
  return RunProgram(KANANET_BINARY, dir.Path(), options);
}

void ExpectOutcome(const RunResult& run, int status, const std::string& out,
                   const std::string& err) {
  EXPECT_EQ(run.ExitStatus, status);
  EXPECT_EQ(run.Out, out);
  EXPECT_EQ(run.Err, err);
}

TEST(TextEncoding, Utf16FileEndsTheRunLikeAFileThatCannotBeOpened) {
  const std::string advice =
      ": it is saved as UTF-16; save it as UTF-8 or Shift_JIS and run again.\n";
  WorkDir sample({"a.txt"}, "\xFF\xFE\x4B\x30\x6A\x30"s);  // かな, little-endian
  ExpectOutcome(RunIn(sample), 1, "", "Cannot read kanasample.txt" + advice);
  EXPECT_EQ(sample.List("result"), Names{});
  WorkDir layout({"a.txt", "c.txt"});
  layout.WriteFile("layout/b.txt", "\xFE\xFF\x00\x62"s);  // b, big-endian
  ExpectOutcome(RunIn(layout), 1, "Load a.txt\nLoad b.txt\n", "Cannot read layout/b.txt" + advice);
  EXPECT_EQ(layout.List("result"), Names{"a.net"});
}

// The bundled example (CR LF line ends) with every file saved as UTF-8 gives the network files
// of the original.
TEST(TextEncoding, Utf8CopiesOfTheExampleGiveTheSameNetworks) {
  std::map<std::string, std::string> original;
  for (std::string_view variant : {"Shift_JIS", "LF", "CR LF", "BOM LF", "BOM CR LF"}) {
    SCOPED_TRACE(variant);
    TempDir dir;
    std::filesystem::copy(KANANET_SOURCE_DIR "/examples", dir.Path(),
                          std::filesystem::copy_options::recursive);
    for (const char* file :
         {"kanasample.txt", "layout/jis-kana.txt", "layout/jis-kana-held.txt", "layout/romaji.txt",
          "layout/thumb-shift.txt", "layout/two-key-chords.txt"}) {
      std::string text = Utf8(dir.ReadFile(file));
      if (!variant.ends_with("CR LF")) {
        std::erase(text, '\r');
      }
      if (variant != "Shift_JIS") {
        dir.WriteFile(file, (variant.starts_with("BOM") ? "\xEF\xBB\xBF" : "") + text);
      }
    }
    dir.MakeDir("result");
    EXPECT_EQ(RunIn(dir).ExitStatus, 0);
    if (original.empty()) {
      original = Networks(dir);
    }
    EXPECT_EQ(Networks(dir), original);
  }
  EXPECT_EQ(original.size(), 5u);
}

// The console follows the locale, terminal or not. 配列.txt is evaluated; 配列é.txt, whose name
// has no Shift_JIS form, lacks な and stops the run with a Japanese message. The network file is
// the same whatever the console.
struct LocaleCase {
  Names Environment;
  Terminal OnTerminal;
  bool Utf8;
};

void ExpectConsoleFollowsLocale(const std::vector<LocaleCase>& cases) {
  const std::string out = "Load 配列.txt\nLoad 配列é.txt\n";
  const std::string shiftJisOut = Sjis("Load 配列.txt\nLoad 配列") + "?.txt\n";
  const std::string err = "「な」の定義が不足しているようです.\n";
  for (const LocaleCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.Environment) + std::to_string(int(c.OnTerminal)));
    WorkDir dir({"配列.txt"});
    dir.WriteFile("layout/配列é.txt", Sjis("b\n \n4\n0\nf\tか\nd;\tず\n"));
    ExpectOutcome(RunIn(dir, {}, c.Environment, c.OnTerminal), 1, c.Utf8 ? out : shiftJisOut,
                  c.Utf8 ? err : Sjis(err));
    EXPECT_EQ(dir.ReadFile("result/配列.net"),
              ReadFileBytes(KANANET_SOURCE_DIR "/tests/driver/golden/demo.net"));
  }
}

TEST(Console, FollowsTheLocaleInPipes) {
  ExpectConsoleFollowsLocale({
      {{"LC_ALL=C.UTF-8"}, Terminal::kNone, true},
      {{"LC_CTYPE=C.UTF-8"}, Terminal::kNone, true},
      {{"LC_ALL=C"}, Terminal::kNone, false},
      {{}, Terminal::kNone, false},  // no locale set
  });
}

TEST(Console, FollowsTheLocaleOnATerminal) {
  if (std::string why = NoPseudoTerminal(); !why.empty()) {
    GTEST_SKIP() << why;
  }
  ExpectConsoleFollowsLocale({
      {{"LC_ALL=", "LC_CTYPE=", "LANG=C.UTF-8"}, Terminal::kOut, true},
      {{"LC_ALL=C"}, Terminal::kErr, false},
  });
}

TEST(CommandLine, HelpVersionAndWrongArgumentsReadAndWriteNothing) {
  WorkDir dir({"a.txt"});
  const std::string earlier = "*Vertices 330\r\nfrom an earlier run\r\n";
  dir.WriteFile("result/a.net", earlier);
  const std::string help = RunIn(dir, {"--help"}).Out;
  for (const char* topic :
       {"kanasample.txt", "Exit status", "kananet-report", "kananet-sample", "kananet-search"}) {
    EXPECT_NE(help.find(topic), std::string::npos) << topic;
  }
  const std::string usage = "\nTry 'kananet --help'.\n";
  ExpectOutcome(RunIn(dir, {"-h", "--bogus"}), 0, help, "");
  ExpectOutcome(RunIn(dir, {"--version"}), 0, "kananet " KANANET_VERSION "\n", "");
  ExpectOutcome(RunIn(dir, {"--bogus", "--help"}), 2, "",
                "kananet: unknown option --bogus" + usage);
  ExpectOutcome(RunIn(dir, {".", "result"}), 2, "",
                "kananet: one working directory only, not also result" + usage);
  ExpectOutcome(RunIn(dir, {"-j"}), 2, "", "kananet: -j needs a value" + usage);
  ExpectOutcome(RunIn(dir, {""}), 2, "",
                "kananet: an empty argument names no working directory" + usage);
  ExpectOutcome(RunIn(dir, {"missing"}), 1, "",
                "Cannot run in missing: No such file or directory; give the folder that holds "
                "kanasample.txt and layout/.\n");
  EXPECT_EQ(Networks(dir), (std::map<std::string, std::string>{{"a.net", earlier}}));
}

// The four programs word an option they do not know alike, and read and write nothing.
TEST(CommandLine, EveryProgramSaysAnUnknownOptionAlike) {
  WorkDir dir({"a.txt"});
  for (const std::string program :
       {KANANET_BINARY, KANANET_REPORT_BINARY, KANANET_SEARCH_BINARY, KANANET_SAMPLE_BINARY}) {
    if (program.empty()) {
      continue;  // kananet-sample is built only where MeCab is installed
    }
    const std::string name = program.substr(program.rfind('/') + 1);
    RunOptions options;
    options.Arguments = {"--bogus"};
    ExpectOutcome(RunProgram(program, dir.Path(), options), 2, "",
                  name + ": unknown option --bogus\nTry '" + name + " --help'.\n");
  }
  EXPECT_EQ(dir.List(""), (Names{"kanasample.txt", "layout", "result"}));
}

TEST(Batch, NetworkFileWrittenAgainInOneRunIsPointedOut) {
  WorkDir dir({"jis.v1.txt", "jis.v2.txt", "other.txt"});
  ExpectOutcome(RunIn(dir), 0, "Load jis.v1.txt\nLoad jis.v2.txt\nLoad other.txt\n",
                "Warning: result/jis.net of layout/jis.v2.txt replaces the one of "
                "layout/jis.v1.txt written earlier in this run; give the layouts names that "
                "differ before the first \".\".\n");
  EXPECT_EQ(dir.List("result"), (Names{"jis.net", "other.net"}));
}

}  // namespace
}  // namespace kananet::e2e
