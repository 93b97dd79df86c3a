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
