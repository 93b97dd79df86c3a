// The built program against folders a careless or hostile user might hand it: files it cannot
// read, writes that cannot succeed, and inputs at the edges of size and sense. Each run must
// end with the exact result or a clear message, never hang or crash, and never damage a
// network file that was already there.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace kananet::e2e {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// Every kana the sample text can hold (、 。 ー ヴ and the whole hiragana block), each on a
// key, after ず on d then ;.
std::string FullLayout(const std::string& header = "b\n \n4\n0\n") {
  const std::string keys = "1qaz2wsx3edc4rfv5tgb6yhn7ujm8ik,9ol.0p;/-@:_^[]";
  std::vector<std::string> kana = {Sjis("、"), Sjis("。"), Sjis("ー"), Sjis("ヴ")};
  for (int trail = 0x9F; trail <= 0xF1; ++trail) {
    kana.push_back({'\x82', static_cast<char>(trail)});
  }
  std::string layout = header + Sjis("d;\tず\n");
  for (std::size_t i = 0; i < kana.size(); ++i) {
    layout += keys[i % keys.size()] + ("\t" + kana[i]) + "\n";
  }
  return layout;
}

const std::string DemoLayout = Sjis("b\n \n4\n0\nf\tか\nj\tな\nd;\tず\n");
const std::string EarlierNetwork = "*Vertices 330\r\nfrom an earlier run\r\n";

struct WorkDir : TempDir {
  explicit WorkDir(std::string_view sample = Sjis("かな\n")) {
    WriteFile("kanasample.txt", sample);
    MakeDir("result");
  }
  void AddLayout(const std::string& name, const std::string& bytes = DemoLayout) const {
    WriteFile("layout/" + name, bytes);
  }
  void Link(const std::string& relative, const std::string& target) const {
    fs::create_symlink(target, PathOf(relative));
  }
};

RunResult RunIn(const TempDir& dir, RunOptions options = {}) {
  options.Timeout = std::chrono::seconds(30);
  RunResult run = RunProgram(KANANET_BINARY, dir.Path(), options);
  EXPECT_FALSE(run.TimedOut) << "the program hung";
  EXPECT_EQ(run.Signal, 0) << run.Err;
  return run;
}

std::string LoadLines(const Names& layouts) {
  std::string lines;
  for (const std::string& name : layouts) {
    lines += "Load " + name + "\n";
  }
  return lines;
}

void ExpectOutcome(const RunResult& run, int status, const std::string& out,
                   const std::string& err) {
  EXPECT_EQ(run.ExitStatus, status);
  EXPECT_EQ(run.Out, out);
  EXPECT_EQ(run.Err, err);
}

// The network of the layout a.txt over the sample text, from a run that must succeed and
// write err to standard error.
std::string NetworkOf(std::string_view sample, const std::string& layout = DemoLayout,
                      const std::string& err = "") {
  WorkDir dir(sample);
  dir.AddLayout("a.txt", layout);
  ExpectOutcome(RunIn(dir), 0, LoadLines({"a.txt"}), err);
  return fs::exists(dir.PathOf("result/a.net")) ? dir.ReadFile("result/a.net") : "";
}

// The vertex line of a vertex number, without its line end.
std::string VertexLine(const std::string& network, int vertex) {
  std::string start = "\r\n" + std::to_string(vertex) + " \"";
  std::size_t at = network.find(start);
  if (at == std::string::npos) {
    return "";
  }
  at += 2;
  return network.substr(at, network.find("\r\n", at) - at);
}

// The frame every network file has, and numbers every reader can load.
void ExpectWellFormed(const std::string& network) {
  EXPECT_EQ(network.rfind("*Vertices 330\r\n", 0), 0u);
  std::size_t edges = network.find("\r\n*Edges\r\n");
  ASSERT_NE(edges, std::string::npos);
  EXPECT_EQ(std::count(network.begin(), network.begin() + edges, '\n'), 330);
  EXPECT_EQ(network.find("nan"), std::string::npos);
  EXPECT_EQ(network.find("inf"), std::string::npos);
}

TEST(HostileFiles, InputsThatCannotBeReadEndTheRunWithoutHanging) {
  const std::string missing = "No such file or directory";
  const std::string notRegular = "it is not a regular file (a FIFO or a device)";
  {
    SCOPED_TRACE("dangling symbolic link as a layout file");
    WorkDir dir;
    dir.AddLayout("a.txt");
    dir.MakeDir("layout");
    dir.Link("layout/b.txt", "missing.txt");
    dir.AddLayout("c.txt");
    ExpectOutcome(RunIn(dir), 1, LoadLines({"a.txt", "b.txt"}),
                  NotExistLines(dir, "layout/b.txt", missing));
    EXPECT_EQ(dir.List("result"), Names{"a.net"});
  }
  {
    SCOPED_TRACE("FIFO as a layout file");
    WorkDir dir;
    dir.AddLayout("a.txt");
    ASSERT_EQ(::mkfifo(dir.PathOf("layout/b.txt").c_str(), 0644), 0);
    ExpectOutcome(RunIn(dir), 1, LoadLines({"a.txt", "b.txt"}),
                  NotExistLines(dir, "layout/b.txt", notRegular));
    EXPECT_EQ(dir.List("result"), Names{"a.net"});
  }
  {
    SCOPED_TRACE("FIFO as the sample text");
    WorkDir dir;
    fs::remove(dir.PathOf("kanasample.txt"));
    ASSERT_EQ(::mkfifo(dir.PathOf("kanasample.txt").c_str(), 0644), 0);
    dir.AddLayout("a.txt");
    ExpectOutcome(RunIn(dir), 1, "", NotExistLines(dir, "kanasample.txt", notRegular));
  }
  {
    SCOPED_TRACE("endless device as the sample text");
    WorkDir dir;
    fs::remove(dir.PathOf("kanasample.txt"));
    dir.Link("kanasample.txt", "/dev/zero");
    dir.AddLayout("a.txt");
    ExpectOutcome(RunIn(dir), 1, "", NotExistLines(dir, "kanasample.txt", notRegular));
  }
  if (::geteuid() == 0) {
    std::cout << "[ skipped  ] files without read permission: root reads every file\n";
    return;
  }
  {
    SCOPED_TRACE("sample text without read permission");
    WorkDir dir;
    dir.AddLayout("a.txt");
    fs::permissions(dir.PathOf("kanasample.txt"), fs::perms::none);
    ExpectOutcome(RunIn(dir), 1, "", NotExistLines(dir, "kanasample.txt", "Permission denied"));
  }
  {
    SCOPED_TRACE("layout file without read permission");
    WorkDir dir;
    dir.AddLayout("a.txt");
    dir.AddLayout("b.txt");
    fs::permissions(dir.PathOf("layout/b.txt"), fs::perms::none);
    ExpectOutcome(RunIn(dir), 1, LoadLines({"a.txt", "b.txt"}),
                  NotExistLines(dir, "layout/b.txt", "Permission denied"));
  }
}

// a.net cannot be written in each case; b.net can, and is. The message names the path, the
// batch goes on, the run ends with status 1 and nothing is left half-written.
TEST(HostileWrites, FailedNetworkWriteIsReportedAndTheBatchGoesOn) {
  struct Case {
    const char* What;
    void (*SetUp)(const WorkDir&);
    const char* Reason;
  };
  const std::vector<Case> cases = {
      {"result path is a directory", [](const WorkDir& dir) { dir.MakeDir("result/a.net/inside"); },
       "Is a directory"},
      {"result file is a link to a full disk",
       [](const WorkDir& dir) { dir.Link("result/a.net", "/dev/full"); },
       "No space left on device"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    WorkDir dir;
    dir.AddLayout("a.txt");
    dir.AddLayout("b.txt");
    dir.WriteFile("result/b.net", EarlierNetwork);
    c.SetUp(dir);
    ExpectOutcome(RunIn(dir), 1, LoadLines({"a.txt", "b.txt"}),
                  std::string("Cannot write result/a.net: ") + c.Reason + "\n");
    EXPECT_EQ(dir.List("result"), (Names{"a.net", "b.net"})) << "no temporary file is left";
    EXPECT_EQ(dir.ReadFile("result/b.net"), NetworkOf(Sjis("かな\n")));
  }
  {
    SCOPED_TRACE("the link to the full disk stays a link");
    WorkDir dir;
    dir.AddLayout("a.txt");
    dir.Link("result/a.net", "/dev/full");
    RunIn(dir);
    EXPECT_TRUE(fs::is_symlink(dir.PathOf("result/a.net")));
  }
  if (::geteuid() == 0) {
    std::cout << "[ skipped  ] read-only result directory: root writes into every directory\n";
    return;
  }
  {
    SCOPED_TRACE("read-only result directory");
    WorkDir dir;
    dir.AddLayout("a.txt");
    dir.WriteFile("result/a.net", EarlierNetwork);
    fs::permissions(dir.PathOf("result"), fs::perms::owner_read | fs::perms::owner_exec);
    ExpectOutcome(RunIn(dir), 1, LoadLines({"a.txt"}),
                  "Cannot write result/a.net: Permission denied\n");
    EXPECT_EQ(dir.ReadFile("result/a.net"), EarlierNetwork);
  }
}

TEST(HostileWrites, LostStandardOutputIsReportedAndTheNetworksStillWritten) {
  WorkDir dir;
  dir.AddLayout("a.txt");
  dir.AddLayout("b.txt");
  RunOptions options;
  options.Arguments = {"-c", "exec \"$0\" >/dev/full", KANANET_BINARY};
  RunResult run = RunProgram("/bin/sh", dir.Path(), options);
  ExpectOutcome(run, 1, "", "Cannot write to standard output: No space left on device\n");
  EXPECT_EQ(dir.List("result"), (Names{"a.net", "b.net"}));
}

// Texts without a single kana all give the network of the three closing ず alone.
TEST(HostileSampleText, TextsWithoutKanaGiveTheNetworkOfTheClosingZu) {
  // The batch warns of such a text before it counts.
  const auto warning = [](std::size_t bytes) {
    return "kanasample.txt: warning: holds no kana " +
           (bytes == 0 ? "(the file is empty)"
                       : "in its " + std::to_string(bytes) + " bytes (kana are hiragana, " +
                             Sjis("ヴ, ー, 、 and 。") + "; katakana and kanji are passed over)") +
           ", so every layout counts only the closing " + Sjis("ず") +
           "; write the text in hiragana, or make it with kananet-sample from ordinary Japanese "
           "text\n";
  };
  const std::string empty = NetworkOf("", DemoLayout, warning(0));
  EXPECT_EQ(VertexLine(empty, 15),
            "15 \"\" 0.267857 0.197917 0.5 box x_fact 1.73205 y_fact "
            "1.73205 ic Blue");
  std::string noise;
  std::mt19937 random(20261208);
  while (noise.size() < 64 * 1024) {
    // One-byte characters only: ASCII and half-width katakana, NUL, CR and LF among them.
    auto byte = static_cast<unsigned char>(random() % 256);
    if (byte < 0x80 || (byte >= 0xA1 && byte <= 0xDF)) {
      noise += static_cast<char>(byte);
    }
  }
  for (const auto& [what, text] : std::vector<std::pair<const char*, std::string>>{
           {"only CRs", std::string(4096, '\r')},
           {"NUL bytes", std::string(4096, '\0')},
           {"one-byte noise", noise},
           {"katakana and kanji", Sjis("アイウ漢字　ＡＢＣ\r\n")}}) {
    SCOPED_TRACE(what);
    EXPECT_EQ(NetworkOf(text, DemoLayout, warning(text.size())), empty);
  }
}

TEST(HostileSampleText, NulBytesAndNoiseAreOrdinaryCharacters) {
  // A NUL ends a kana run like any one-byte character.
  EXPECT_EQ(NetworkOf(Sjis("か") + std::string(1, '\0') + Sjis("な")), NetworkOf(Sjis("か な")));

  std::string noise(1 << 20, '\0');
  std::mt19937 random(4);
  std::generate(noise.begin(), noise.end(), [&] { return static_cast<char>(random()); });
  ExpectWellFormed(NetworkOf(noise, FullLayout()));
}

TEST(HostileSampleText, HundredMegabyteLineWithoutLineEnd) {
  if (KANANET_SANITIZED) {
    GTEST_SKIP() << "too slow under the sanitizers";
  }
  constexpr std::size_t kSize = 100 * 1000 * 1000;
  std::string line = Sjis("かな");
  while (line.size() * 2 <= kSize) {
    line += line;
  }
  line += line.substr(0, kSize - line.size());
  std::string network;
  {
    WorkDir dir(line);
    line = std::string();
    dir.AddLayout("a.txt");
    ExpectOutcome(RunIn(dir), 0, LoadLines({"a.txt"}), "");
    network = dir.ReadFile("result/a.net");
  }
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  double peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024;
  std::cout << "[ memory   ] peak resident size of a run: " << peakMegabytes
            << " MB for a 100 MB sample text\n";
  RecordProperty("PeakResidentMegabytes", static_cast<int>(peakMegabytes));
  EXPECT_LT(peakMegabytes, 5 * 100.0) << "more than five times the sample text";

  // 25,000,000 times か and な each: f and j struck that often, f after f in gap class 1.
  EXPECT_EQ(VertexLine(network, 19),
            "19 \"\x82\xa9\" 0.339286 0.197917 0.5 box x_fact 5000 y_fact 5000 ic Blue");
  EXPECT_EQ(VertexLine(network, 55 + 165 + 19),
            "239 \"\" 0.339286 0.53125 0.5 box x_fact 10000 y_fact 10000 ic OliveGreen");
}

TEST(HostileLayouts, OversizedLayoutsAreCutOrCarriedThrough) {
  {
    SCOPED_TRACE("150,000 entry lines: the first 100,000 are read, with one warning");
    std::string filler;
    for (int i = 0; i < 150000 - 3; ++i) {
      filler += Sjis("qw\tぬ\n");  // two keys: labels nothing
    }
    WorkDir dir;
    dir.AddLayout("a-big.txt", DemoLayout + filler);
    dir.AddLayout("b.txt");
    // な is defined only after the 100,000th entry line, so it is never found.
    dir.AddLayout("c-beyond.txt", Sjis("b\n \n4\n0\nf\tか\nd;\tず\n") + filler + Sjis("j\tな\n"));
    auto warning = [](const std::string& name, int lines) {
      return "Warning: layout/" + name + " has " + std::to_string(lines) +
             " definition lines; only the first 100000 are read.\n";
    };
    ExpectOutcome(RunIn(dir), 1, LoadLines({"a-big.txt", "b.txt", "c-beyond.txt"}),
                  warning("a-big.txt", 150000) + warning("c-beyond.txt", 150000) +
                      Sjis("「な」の定義が不足しているようです.\n"));
    EXPECT_EQ(dir.List("result"), (Names{"a-big.net", "b.net"}));
    EXPECT_EQ(dir.ReadFile("result/a-big.net"), dir.ReadFile("result/b.net"));
  }
  {
    SCOPED_TRACE("an entry of 100,000 keys");
    std::string network =
        NetworkOf(Sjis("かな\n"),
                  Sjis("b\n \n4\n0\n") + std::string(100000, 'q') + Sjis("\tか\nj\tな\nd;\tず\n"));
    // q struck 100,000 times, 99,999 times after itself; the entry is no single key: no label.
    EXPECT_EQ(VertexLine(network, 6),
              "6 \"\" 0.115143 0.114583 0.5 box x_fact 316.228 y_fact 316.228 ic Blue");
    EXPECT_EQ(VertexLine(network, 171),
              "171 \"\" 0.115143 0.114583 0.5 box x_fact 632.452 y_fact 632.452 ic OliveGreen");
  }
}

TEST(HostileLayouts, BinaryHeadersGiveFiniteNetworks) {
  for (const std::string& header : {"\xff\x00\n\x80\n\x80\n\xfe\n"s, "\0\n\0\n\0\n\0\n"s,
                                    "B\nB\n0\n9\n"s, "\x1b[0m\n\t\n\x7f\n\n"s}) {
    SCOPED_TRACE(testing::PrintToString(header));
    ExpectWellFormed(NetworkOf(Sjis("かな、きゃ。ー\n"), FullLayout(header)));
  }
}

TEST(HostileLayouts, NamesThatAreNotUtf8AreShownWithQuestionMarksAndKept) {
  WorkDir dir;
  dir.AddLayout("\xff\xfe.txt");
  dir.AddLayout("caf\xc3.txt");
  ExpectOutcome(RunIn(dir), 0, LoadLines({"caf?.txt", "??.txt"}), "");
  EXPECT_EQ(dir.List("result"), (Names{"caf\xc3.net", "\xff\xfe.net"}));
}

}  // namespace
}  // namespace kananet::e2e
