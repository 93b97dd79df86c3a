// The built program run on whole working directories: console bytes, exit status and the
// network files it leaves in result/.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace kananet::e2e {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

constexpr fs::perms kReadOnly =
    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;

// The smallest complete layout for the sample text かな: left hand up to b, no break after
// punctuation, 4 rows, counted by strokes; か on f, な on j, and ず (which closes every text)
// on d then ;.
const std::string DemoLayout = Sjis("b\r\n \r\n4\r\n0\r\nf\tか\r\nj\tな\r\nd;\tず\r\n");

RunResult RunIn(const TempDir& dir, const std::vector<std::string>& arguments = {}) {
  RunOptions options;
  options.Arguments = arguments;
  RunResult run = RunProgram(KANANET_BINARY, dir.Path(), options);
  EXPECT_FALSE(run.TimedOut);
  EXPECT_EQ(run.Signal, 0) << run.Err;
  return run;
}

// A working directory with the sample text かな and an empty result/.
struct WorkDir : TempDir {
  WorkDir() {
    WriteFile("kanasample.txt", Sjis("かな\r\n"));
    MakeDir("result");
  }
  void AddLayout(const std::string& name, const std::string& bytes = DemoLayout) const {
    WriteFile("layout/" + name, bytes);
  }
  void Remove(const std::string& relative) const { fs::remove(PathOf(relative)); }
};

void ExpectOutcome(const RunResult& run, int status, const std::string& out,
                   const std::string& err) {
  EXPECT_EQ(run.ExitStatus, status);
  EXPECT_EQ(run.Out, out);
  EXPECT_EQ(run.Err, err);
}

std::string LoadLines(const Names& layouts) {
  std::string lines;
  for (const std::string& name : layouts) {
    lines += "Load " + name + "\n";
  }
  return lines;
}

// Runs the layouts a and b, which both load; each network that cannot be written is named on
// a line of its own on standard error, and the run ends with status 1.
void ExpectWriteFailures(const WorkDir& dir, const Names& failedPaths) {
  dir.AddLayout("a.txt");
  dir.AddLayout("b.txt");
  RunResult run = RunIn(dir);
  EXPECT_EQ(run.ExitStatus, 1);
  EXPECT_EQ(run.Out, LoadLines({"a.txt", "b.txt"}));
  EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), std::ssize(failedPaths)) << run.Err;
  std::istringstream err(run.Err);
  std::string line;
  for (const std::string& path : failedPaths) {
    std::getline(err, line);
    EXPECT_NE(line.find(path), std::string::npos) << run.Err;
  }
}

std::string DemoNetwork() {
  return ReadFileBytes(KANANET_SOURCE_DIR "/tests/driver/golden/demo.net");
}

std::string NoLayoutMessage(int code) {
  return Sjis("配列定義ファイルが見つからんです。 ") + std::to_string(code) + "\n";
}

TEST(BatchSearch, FailedSearchPrintsItsCodeOnStandardOutput) {
  struct Case {
    const char* What;
    std::function<void(const WorkDir&)> SetUp;
    int Code;
  };
  const std::vector<Case> cases = {
      {"no layout directory", [](const WorkDir&) {}, 3},
      {"layout is a file", [](const WorkDir& dir) { dir.WriteFile("layout", DemoLayout); }, 3},
      {"empty layout directory", [](const WorkDir& dir) { dir.MakeDir("layout"); }, 2},
      {"nothing ends in .txt",
       [](const WorkDir& dir) {
         dir.AddLayout("a.txt.bak");
         dir.AddLayout("txt");
         dir.AddLayout("a.tx");
       },
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    WorkDir dir;
    c.SetUp(dir);
    ExpectOutcome(RunIn(dir), 1, NoLayoutMessage(c.Code), "");
    EXPECT_EQ(dir.List("result"), Names{});
  }
}

TEST(BatchSearch, UnreadableLayoutDirectoryGivesCode5) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "root reads every directory";
  }
  WorkDir dir;
  dir.AddLayout("a.txt");
  fs::permissions(dir.PathOf("layout"), fs::perms::none);
  ExpectOutcome(RunIn(dir), 1, NoLayoutMessage(5), "");
}

TEST(BatchInput, SampleTextThatCannotBeOpenedEndsTheRunBeforeAnyLayout) {
  {
    SCOPED_TRACE("missing, and no layout directory either");
    WorkDir dir;
    dir.Remove("kanasample.txt");
    ExpectOutcome(RunIn(dir), 1, "",
                  NotExistLines(dir, "kanasample.txt", "No such file or directory"));
  }
  {
    SCOPED_TRACE("a directory");
    WorkDir dir;
    dir.Remove("kanasample.txt");
    dir.MakeDir("kanasample.txt");
    dir.AddLayout("a.txt");
    ExpectOutcome(RunIn(dir), 1, "", NotExistLines(dir, "kanasample.txt", "it is a directory"));
    EXPECT_EQ(dir.List("result"), Names{});
  }
}

// Case-folded order, any case of ".txt", names printed whole (CP932 on the console) and
// opened and written under their native bytes.
TEST(BatchOrder, LayoutsRunInCaseFoldedOrderUnderTheirWholeNames) {
  WorkDir dir;
  const std::string japanese = "新しいかな配列";
  for (const std::string& name : Names{"b.txt", "A.txt", "C.TXT", "a-rather-long-layout-name.txt",
                                       japanese + ".v2.txt", "notes.txt.bak"}) {
    dir.AddLayout(name);
  }
  ExpectOutcome(RunIn(dir), 0,
                LoadLines({"a-rather-long-layout-name.txt", "A.txt", "b.txt", "C.TXT",
                           Sjis(japanese) + ".v2.txt"}),
                "");
  EXPECT_EQ(dir.List("result"),
            (Names{"A.net", "C.net", "a-rather-long-layout-name.net", "b.net", japanese + ".net"}));
}

TEST(BatchGolden, WorkedExampleGivesTheHandBuiltNetwork) {
  WorkDir dir;
  dir.AddLayout("demo.txt");
  ExpectOutcome(RunIn(dir), 0, "Load demo.txt\n", "");
  EXPECT_EQ(dir.List("result"), Names{"demo.net"});
  EXPECT_EQ(dir.ReadFile("result/demo.net"), DemoNetwork());
}

// A layout that fails in the middle of the batch ends the run there: the earlier network
// stays whole, the later layouts are never loaded.
TEST(BatchFailure, FailingLayoutStopsTheBatch) {
  struct Case {
    const char* What;
    std::function<void(const WorkDir&)> AddB;
    std::function<std::string(const WorkDir&)> Err;
  };
  const std::vector<Case> cases = {
      {"b lacks な",
       [](const WorkDir& dir) { dir.AddLayout("b.txt", Sjis("b\n \n4\n0\nf\tか\nd;\tず\n")); },
       [](const WorkDir&) { return Sjis("「な」の定義が不足しているようです.\n"); }},
      {"b is a directory", [](const WorkDir& dir) { dir.MakeDir("layout/b.txt"); },
       [](const WorkDir& dir) { return NotExistLines(dir, "layout/b.txt", "it is a directory"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    WorkDir dir;
    dir.AddLayout("a.txt");
    c.AddB(dir);
    dir.AddLayout("c.txt");
    ExpectOutcome(RunIn(dir), 1, LoadLines({"a.txt", "b.txt"}), c.Err(dir));
    EXPECT_EQ(dir.List("result"), Names{"a.net"});
    EXPECT_EQ(dir.ReadFile("result/a.net"), DemoNetwork());
  }
}

// Threads change no byte of what a run leaves: the console output, the status and the network
// files are those of one thread, also when a layout in the middle of the batch stops the run at
// a kana that only a later part of the text holds. A wrong count of threads is a usage error.
TEST(BatchJobs, ThreadsChangeNothingTheRunLeaves) {
  WorkDir dir;
  std::string text;  // a KanaStream of about 900 KB, cut into three parts; な in the last only
  for (int line = 0; line < 100000; ++line) {
    text += line < 80000 ? "かかずかかかずか\r\n" : "かなずなかかなか\r\n";
  }
  dir.WriteFile("kanasample.txt", Sjis(text));
  dir.AddLayout("a.txt");
  dir.AddLayout("b.txt", Sjis("5\r\n0\r\n4\r\n1\r\nfj\tか\r\nk\tな\r\nd;\tず\r\n"));
  dir.AddLayout("c.txt", Sjis("b\r\n \r\n4\r\n0\r\nf\tか\r\nd;\tず\r\n"));
  dir.AddLayout("d.txt");
  std::map<std::string, std::string> oneThread;
  for (const char* jobs : {"1", "3"}) {
    SCOPED_TRACE(jobs);
    ExpectOutcome(RunIn(dir, {"--jobs", jobs}), 1, LoadLines({"a.txt", "b.txt", "c.txt"}),
                  Sjis("「な」の定義が不足しているようです.\n"));
    EXPECT_EQ(dir.List("result"), (Names{"a.net", "b.net"}));
    for (const char* name : {"a.net", "b.net"}) {
      std::string network = dir.ReadFile(std::string("result/") + name);
      EXPECT_EQ(network, oneThread.emplace(name, network).first->second) << name;
      dir.Remove(std::string("result/") + name);
    }
  }
  for (const char* value : {"0", "1025", "-2", "two", "", "4294967297"}) {
    ExpectOutcome(
        RunIn(dir, {"-j", value}), 2, "",
        std::string("kananet: invalid value for --jobs: ") + value + "\nTry 'kananet --help'.\n");
  }
  EXPECT_TRUE(dir.List("result").empty());
}

TEST(BatchWriteFailure, MissingResultDirectoryIsReportedForEveryLayout) {
  WorkDir dir;
  dir.Remove("result");
  ExpectWriteFailures(dir, {"result/a.net", "result/b.net"});
  EXPECT_FALSE(fs::exists(dir.PathOf("result")));
}

TEST(BatchWriteFailure, ReadOnlyNetworkIsKeptAndTheBatchGoesOn) {
  WorkDir dir;
  const std::string old = "*Vertices 330\r\nan earlier run\r\n";
  dir.WriteFile("result/a.net", old);
  fs::permissions(dir.PathOf("result/a.net"), kReadOnly);
  ExpectWriteFailures(dir, {"result/a.net"});
  EXPECT_EQ(dir.ReadFile("result/a.net"), old);
  EXPECT_EQ(fs::status(dir.PathOf("result/a.net")).permissions(), kReadOnly);
  EXPECT_EQ(dir.ReadFile("result/b.net"), DemoNetwork());
  EXPECT_EQ(dir.List("result"), (Names{"a.net", "b.net"})) << "no temporary file is left";
}

// The golden files of the example were written by a verified build; a run must not change a
// byte of them.
TEST(BatchExample, BundledExampleWritesOneNetworkPerLayout) {
  TempDir dir;
  fs::copy(KANANET_SOURCE_DIR "/examples", dir.Path(), fs::copy_options::recursive);
  dir.MakeDir("result");
  // Given as DIR, from another directory, as if started there.
  RunOptions elsewhere;
  elsewhere.Arguments = {dir.Path()};
  RunResult given = RunProgram(KANANET_BINARY, "/", elsewhere);
  ExpectOutcome(given, 0,
                LoadLines({"jis-kana-held.txt", "jis-kana.txt", "romaji.txt", "thumb-shift.txt",
                           "two-key-chords.txt"}),
                "");
  ASSERT_EQ(dir.List("result"), (Names{"jis-kana-held.net", "jis-kana.net", "romaji.net",
                                       "thumb-shift.net", "two-key-chords.net"}));
  for (const std::string& name : dir.List("result")) {
    SCOPED_TRACE(name);
    std::string network = dir.ReadFile("result/" + name);
    // Byte for byte as the verified build wrote them (those of keys pressed together, with the
    // thumb keys, as the count held against the plain tally wrote them).
    EXPECT_EQ(network, ReadFileBytes(KANANET_SOURCE_DIR "/tests/driver/golden/example/" + name));
    const int vertices = name == "jis-kana.net" || name == "romaji.net" ? 330 : 342;
    EXPECT_EQ(network.rfind("*Vertices " + std::to_string(vertices) + "\r\n", 0), 0u);
    // The vertex lines, then the edge section; every line ends in CR LF.
    std::size_t edges = network.find("\r\n*Edges\r\n");
    ASSERT_NE(edges, std::string::npos);
    std::string head = network.substr(0, edges + 2);
    EXPECT_EQ(std::count(head.begin(), head.end(), '\n'), vertices + 1);
    EXPECT_EQ(std::count(network.begin(), network.end(), '\n'),
              std::count(network.begin(), network.end(), '\r'));
    EXPECT_EQ(network.substr(network.size() - 2), "\r\n");
  }
}

// A console that is gone before the run starts (a pipe without a reader, as "kananet | head -n 1"
// leaves it) is a write failure: every network file is still written, standard error says so
// once, and the status is 1, not a death by SIGPIPE.
TEST(Batch, AConsoleThatIsGoneStillLeavesEveryNetworkFile) {
  WorkDir dir;
  for (int i = 0; i < 32; ++i) {
    dir.AddLayout("l" + std::to_string(i) + ".txt");
  }
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  ::close(pipeEnds[0]);
  const std::string errPath = dir.PathOf("err.txt");
  pid_t child = ::fork();
  if (child == 0) {
    ::dup2(pipeEnds[1], STDOUT_FILENO);
    ::freopen(errPath.c_str(), "w", stderr);
    ::signal(SIGPIPE, SIG_DFL);  // as a shell starts it
    ::chdir(dir.Path().c_str());
    ::execl(KANANET_BINARY, KANANET_BINARY, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipeEnds[1]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(dir.List("result").size(), 32u);
  EXPECT_EQ(dir.ReadFile("err.txt"), "Cannot write to standard output: Broken pipe\n");
}

}  // namespace
}  // namespace kananet::e2e
