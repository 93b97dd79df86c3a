// kananet-sample run as a program: the sample text it writes, read back by kananet's reader, and
// every way a run fails without touching the previous output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/e2e_support.h"
#include "readers/sample_text.h"

namespace kananet::e2e {
namespace {

const std::string kProgram = KANANET_SAMPLE_BINARY;

RunOptions WithArguments(std::vector<std::string> arguments) {
  RunOptions made;
  made.Arguments = std::move(arguments);
  return made;
}

TEST(SampleE2eTest, WritesShiftJisLinesWithCrLfThatKananetReads) {
  TempDir dir;
  // UTF-8 with LF and CR LF, an empty line, no line end at the end; then a Shift_JIS file.
  dir.WriteFile("a.txt", "東京へ行く。\r\n\nABC 12、言う\nｶﾞｰﾄﾞﾏﾝ");
  dir.WriteFile("b.txt", Sjis("　雨が降る\n"));
  RunResult run = RunProgram(kProgram, dir.Path(), WithArguments({"a.txt", "b.txt"}));
  ASSERT_EQ(run.ExitStatus, 0) << run.Err;
  EXPECT_EQ(run.Out, "");
  EXPECT_EQ(run.Err, "kananet-sample: wrote 22 kana on 4 lines to kanasample.txt\n");
  const std::string expected =
      Sjis("とうきょうへいく。\r\n\r\nABC 12、いう\r\nがーどまん　あめがふる\r\n");
  const std::string written = dir.ReadFile("kanasample.txt");
  EXPECT_EQ(written, expected);

  // kananet's reader finds every kana: the runs of the four lines (the last two joined across
  // the files, as the text has no line end between them), and the closing ず ず ず.
  std::string stream;
  AppendKanaStream(written, stream);
  const std::size_t kana = 9 + 3 + 5 + 5;
  const std::size_t runs = 4;
  EXPECT_EQ(stream.size(), kana + runs + 3);

  // Standard input, and standard output for -o -.
  run =
      RunProgram("/bin/sh", dir.Path(),
                 WithArguments({"-c", "printf '\\357\\273\\277言う\\n' | " + kProgram + " -o -"}));
  EXPECT_EQ(run.ExitStatus, 0) << run.Err;
  EXPECT_EQ(run.Out, Sjis("いう\r\n"));
  EXPECT_EQ(run.Err, "kananet-sample: wrote 2 kana on 1 line to standard output\n");

  // The closing line goes to a terminal on standard output, and -q silences it.
  RunOptions onTerminal = WithArguments({"b.txt"});
  onTerminal.OnTerminal = Terminal::kOut;
  for (const bool quiet : {false, true}) {
    if (quiet) {
      onTerminal.Arguments.push_back("-q");
    }
    run = RunProgram(kProgram, dir.Path(), onTerminal);
    EXPECT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(run.Out + run.Err,
              quiet ? "" : "kananet-sample: wrote 5 kana on 1 line to kanasample.txt\n");
  }
}

// The bundled essay's source gives its sample text back, but for the words its manual names.
TEST(SampleE2eTest, ExampleSourceGivesTheExampleSampleText) {
  TempDir dir;
  RunResult run =
      RunProgram(kProgram, dir.Path(), WithArguments({KANANET_SOURCE_DIR "/examples/source.txt"}));
  ASSERT_EQ(run.ExitStatus, 0) << run.Err;
  std::string written = dir.ReadFile("kanasample.txt");
  const std::pair<const char*, const char*> misread[] = {
      {"みなとちょう", "みなとまち"}, {"だいだいしょく", "だいだいいろ"}, {"ななりん", "しちりん"},
      {"うおいちば", "さかないちば"}, {"のまを", "のあいだを"},           {"いちけん", "いっけん"},
      {"まばたいて", "またたいて"}};
  for (const auto& [read, meant] : misread) {
    for (std::size_t at; (at = written.find(Sjis(read))) != std::string::npos;) {
      written.replace(at, Sjis(read).size(), Sjis(meant));
    }
  }
  EXPECT_EQ(written, ReadFileBytes(KANANET_SOURCE_DIR "/examples/kanasample.txt"));
}

// Each case's input gives exactly its sample text: joined paragraphs, own readings, and a kana
// that a long line's cut would part from its sound mark.
TEST(SampleE2eTest, JoinedLinesOwnReadingsAndCutsKeepWordsWhole) {
  struct Case {
    std::vector<std::string> arguments;
    std::string input;
    std::string expected;  // UTF-8
  };
  const auto repeated = [](const std::string& text, std::size_t times) {
    std::string all;
    for (std::size_t i = 0; i < times; ++i) {
      all += text;
    }
    return all;
  };
  const std::vector<Case> cases = {
      {{"--join-lines"},
       "　起\n動する。難\nしい\n\n　次の段落\n　値",
       "　きどうする。むずかしい\r\n\r\n　つぎのだんらく\r\n　ね"},
      {{"--readings", "own.txt"}, "値が高い。一人で行く。", "あたいがたかい。ひとりでいく。"},
      {{},
       repeated("あ", 10921) + "ｶﾞ" + repeated("あ", 400000) + "\n",
       repeated("あ", 10921) + "が" + repeated("あ", 400000) + "\r\n"},
      {{},
       Sjis(repeated("あ", 16383)) + "\xB6\xDE" + Sjis(repeated("あ", 400000)),
       repeated("あ", 16383) + "が" + repeated("あ", 400000)},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.WriteFile("in.txt", c.input);
    dir.WriteFile("own.txt", "# word, TAB, reading\n値\tあたい\n一人\tひとり\n");
    std::vector<std::string> arguments = c.arguments;
    arguments.insert(arguments.end(), {"in.txt", "-o", "-"});
    RunResult run = RunProgram(kProgram, dir.Path(), WithArguments(arguments));
    EXPECT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_TRUE(run.Out == Sjis(c.expected)) << run.Out.substr(0, 80);
  }
}

// An interrupted run removes its temporary file and ends as the signal ends it.
TEST(SampleE2eTest, InterruptedRunLeavesNoTemporaryFile) {
  std::string text;
  for (int i = 0; i < 200000; ++i) {
    text += "東京へ行く。言う事は難しい。\n";
  }
  for (const char* signal : {"INT", "TERM", "HUP"}) {
    TempDir dir;
    dir.WriteFile("big.txt", text);
    // A shell starts a background job with SIGINT ignored; env gives it the default back.
    const std::string script = "env --default-signal=INT " + kProgram +
                               " big.txt & pid=$!; until ls -a | grep -q '^[.]kanasample'; do "
                               "sleep 0.02; done; kill -" +
                               signal + " $pid; wait $pid; echo $?";
    RunResult run = RunProgram("/bin/sh", dir.Path(), WithArguments({"-c", script}));
    EXPECT_NE(run.Out, "0\n") << signal;
    EXPECT_EQ(dir.List(""), std::vector<std::string>{"big.txt"}) << signal;
  }
}

TEST(SampleE2eTest, FailuresSayWhatToFixAndLeaveTheOutputAlone) {
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {{"missing.txt"}, 1, "kananet-sample: cannot read missing.txt: No such file or directory\n"},
      {{"a.txt", "folder"}, 1, "kananet-sample: cannot read folder: Is a directory\n"},
      {{"utf16.txt"}, 1, "kananet-sample: utf16.txt is UTF-16; save it as UTF-8 or Shift_JIS\n"},
      {{"-d", "folder", "a.txt"}, 1, "install it with: sudo apt-get install mecab-ipadic-utf8\n"},
      {{"a.txt", "-o", "folder/missing/out.txt"}, 1, "cannot write folder/missing/out.txt"},
      {{"a.txt", "-o", "folder"}, 1, "cannot write folder: Is a directory"},
      {{"--bogus"}, 2, "kananet-sample: unknown option --bogus\nTry 'kananet-sample --help'.\n"},
      {{"a.txt", "-o"}, 2, "kananet-sample: -o needs a value\nTry 'kananet-sample --help'.\n"},
      {{"--readings", "a.txt", "a.txt"}, 1, "a.txt:1: write the word, a TAB and its reading"},
      {{},
       1,
       "found no Japanese text in standard input: not one kana to count; kanasample.txt "
       "is left as it was\n"},
      {{"latin.txt", "-"}, 1, "found no Japanese text in latin.txt, standard input: "},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.WriteFile("a.txt", "言う\n");
    dir.WriteFile("utf16.txt", std::string("\xFF\xFE\x00\x30", 4));
    dir.WriteFile("latin.txt", "ABC 123, \xE9\xBE\x98\n");  // a kanji without a reading
    dir.MakeDir("folder");
    dir.WriteFile("kanasample.txt", "previous");
    RunResult run = RunProgram(kProgram, dir.Path(), WithArguments(c.arguments));
    EXPECT_EQ(run.ExitStatus, c.status) << c.arguments[0];
    EXPECT_NE(run.Err.find(c.message), std::string::npos) << run.Err;
    // One line, and for a wrong command line the one that points to --help.
    EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), c.status) << run.Err;
    EXPECT_EQ(dir.ReadFile("kanasample.txt"), "previous") << c.arguments[0];
    EXPECT_EQ(dir.List(""), (std::vector<std::string>{"a.txt", "folder", "kanasample.txt",
                                                      "latin.txt", "utf16.txt"}));
  }

  TempDir dir;
  for (const char* option : {"--help", "--version"}) {
    RunResult run = RunProgram(kProgram, dir.Path(), WithArguments({option}));
    EXPECT_EQ(run.ExitStatus, 0);
    EXPECT_NE(run.Out.find("kananet-sample"), std::string::npos);
  }
  EXPECT_EQ(dir.List(""), std::vector<std::string>{});
}

}  // namespace
}  // namespace kananet::e2e
