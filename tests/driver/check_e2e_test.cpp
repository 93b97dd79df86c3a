// kananet --check run on whole working directories: its exit status, and result/ left as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "e2e_support.h"

namespace kananet::e2e {
namespace {

namespace fs = std::filesystem;

RunResult Check(const TempDir& dir, std::vector<std::string> arguments = {"--check"}) {
  RunOptions options;
  options.Arguments = std::move(arguments);
  return RunProgram(KANANET_BINARY, dir.Path(), options);
}

// One entry of 70,000 keys on a text of 70,000 kana: its counts would wrap 32 bits. The batch
// refuses it before its network file, the check says so at the entry, and the report shows no
// figures of the file an earlier run left for it.
TEST(CheckCommand, RefusesALayoutWhoseCountsCouldWrap) {
  TempDir dir;
  std::string line;
  for (int i = 0; i < 100; ++i) {
    line += "あ";
  }
  std::string text;
  for (int i = 0; i < 700; ++i) {
    text += Sjis(line) + "\n";
  }
  dir.WriteFile("kanasample.txt", text);
  const std::string header = "b\n \n4\n0\n";
  dir.WriteFile("layout/a.txt", header + Sjis("f\tあ\nj\tず\n"));
  dir.WriteFile("layout/long.txt",
                header + Sjis("j\tず\n") + std::string(70000, 'f') + Sjis("\tあ\n"));
  const std::string earlier = "*Vertices 1\r\n1 \"an earlier run\"\r\n";
  dir.WriteFile("result/long.net", earlier);
  const std::string finding =
      ":6: error: this entry presses 70,000 keys and the text has 70,003 kana with the closing "
      "「ず」: up to 4,900,210,000 keystrokes, more than a count holds (4,294,967,295), so the "
      "batch "
      "writes no network file for this layout; shorten the entry or the text\n";

  const RunResult batch = RunProgram(KANANET_BINARY, dir.Path());
  EXPECT_EQ(batch.ExitStatus, 1);
  EXPECT_EQ(batch.Out, "Load a.txt\nLoad long.txt\n");
  EXPECT_EQ(batch.Err, "layout/long.txt" + Sjis(finding));
  EXPECT_EQ(dir.List("result"), (std::vector<std::string>{"a.net", "long.net"}));
  EXPECT_EQ(dir.ReadFile("result/long.net"), earlier);

  const RunResult check = Check(dir);
  EXPECT_EQ(check.ExitStatus, 1);
  EXPECT_NE(check.Out.find("layout/long.txt" + Sjis(finding)), std::string::npos) << check.Out;
  EXPECT_NE(check.Out.find("Checked 2 layouts, 1 with errors"), std::string::npos) << check.Out;

  // A network file the report can read, as an earlier run could have left.
  dir.WriteFile("result/long.net", dir.ReadFile("result/a.net"));
  RunOptions report;
  report.Arguments = {"."};
  const RunResult shown = RunProgram(KANANET_REPORT_BINARY, dir.Path(), report);
  EXPECT_EQ(shown.ExitStatus, 1);
  EXPECT_EQ(Utf8(shown.Err), "kananet-report: layout/long.txt" + finding);
  EXPECT_EQ(shown.Out,
            "kananet-report: wrote ./result/report.html (1 layout; 1 file could not be shown)\n");
}

// A layout with more sets of keys that one hand presses together than the count numbers: the
// check names the entry, and the batch stops with a message rather than an internal error.
TEST(CheckCommand, RefusesMoreChordsOfOneHandThanTheCountTakes) {
  TempDir dir;
  dir.WriteFile("kanasample.txt", Sjis("あ\n"));
  std::string layout = "b\n \n4\n0\n%chords\n" + Sjis("j\tず\n");
  const std::string left = "HTCL1qaz2wsx3edc4rfv5tgb";  // the left hand's keys
  for (std::size_t a = 0, sets = 0; a < left.size() && sets < 1000; ++a) {
    for (std::size_t b = a + 1; b < left.size() && sets < 1000; ++b) {
      for (std::size_t c = b + 1; c < left.size() && sets < 1000; ++c, ++sets) {
        layout += std::string{left[a], '+', left[b], '+', left[c]} + Sjis("\tあ\n");
      }
    }
  }
  dir.WriteFile("layout/chords.txt", layout);
  const RunResult batch = RunProgram(KANANET_BINARY, dir.Path());
  EXPECT_EQ(batch.ExitStatus, 1);
  EXPECT_NE(batch.Err.find("layout/chords.txt: error: more than 959 different sets of keys"),
            std::string::npos)
      << batch.Err;
  const RunResult check = Check(dir);
  EXPECT_EQ(check.ExitStatus, 1);
  EXPECT_NE(check.Out.find("layout/chords.txt:966: error: from this entry on the layout has more "
                           "than 959 different sets"),
            std::string::npos)
      << check.Out;
}

TEST(CheckCommand, StatusTellsWhetherALayoutHasAnErrorAndNothingIsWritten) {
  TempDir dir;
  fs::copy(KANANET_SOURCE_DIR "/examples", dir.Path(), fs::copy_options::recursive);
  const std::string earlier = "*Vertices 330\r\nan earlier run\r\n";
  dir.WriteFile("result/jis-kana.net", earlier);
  const std::vector<std::string> topLevel = dir.List(".");

  RunResult clean = Check(dir);
  EXPECT_EQ(clean.ExitStatus, 0) << clean.Out << clean.Err;
  EXPECT_NE(clean.Out.find("Checked 5 layouts, 0 with errors: 0 errors, 0 warnings"),
            std::string::npos)
      << clean.Out;

  // The planted mistake: ゃ typed as き followed by an undefined ゃ.
  dir.WriteFile("layout/mistake.txt", Sjis("b\n \n4\n0\nf\tき\nkd\tきゃ\n"));
  RunResult broken = Check(dir);
  EXPECT_EQ(broken.ExitStatus, 1) << broken.Out << broken.Err;
  EXPECT_NE(
      broken.Out.find("layout/mistake.txt:6: warning: " + Sjis("「きゃ」 begins with 「き」")),
      std::string::npos)
      << broken.Out;
  // Every other kana of the text has no definition: one line names the first and counts them.
  EXPECT_NE(broken.Out.find("layout/mistake.txt: error: " + Sjis("「み」 has no definition")),
            std::string::npos)
      << broken.Out;
  EXPECT_NE(broken.Out.find(
                Sjis("; the same for 78 more kana: 「な」, 「と」, 「ま」, 「ち」, 「の」, ...\n")),
            std::string::npos)
      << broken.Out;
  EXPECT_EQ(broken.Err, "");
  // Layouts checked side by side are reported exactly as one after another.
  for (const char* jobs : {"1", "3"}) {
    RunResult threaded = Check(dir, {"--check", "--jobs", jobs});
    EXPECT_EQ(threaded.ExitStatus, 1);
    EXPECT_EQ(threaded.Out, broken.Out) << jobs;
  }

  // Given as DIR, the working directory is checked as if kananet were started there.
  RunOptions elsewhere;
  elsewhere.Arguments = {"--check", dir.Path()};
  RunResult given = RunProgram(KANANET_BINARY, "/", elsewhere);
  EXPECT_EQ(given.ExitStatus, 1);
  EXPECT_EQ(given.Out, broken.Out);

  RunResult extra = Check(dir, {"--check", ".", "now"});
  EXPECT_EQ(extra.ExitStatus, 2);
  EXPECT_EQ(extra.Out, "");

  EXPECT_EQ(dir.List("result"), std::vector<std::string>{"jis-kana.net"});
  EXPECT_EQ(dir.ReadFile("result/jis-kana.net"), earlier);
  EXPECT_EQ(dir.List("."), topLevel);

  // A sample text that is a FIFO is said to be one, not "Invalid argument".
  fs::remove(dir.PathOf("kanasample.txt"));
  ASSERT_EQ(::mkfifo(dir.PathOf("kanasample.txt").c_str(), 0600), 0);
  RunResult fifo = Check(dir);
  EXPECT_EQ(fifo.ExitStatus, 1);
  EXPECT_NE(fifo.Out.find("kanasample.txt: error: cannot be read: it is not a regular file"),
            std::string::npos)
      << fifo.Out;
}

}  // namespace
}  // namespace kananet::e2e
