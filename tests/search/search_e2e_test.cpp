// kananet-search on the bundled example: the layouts it writes, the same again for the same
// seed on any number of jobs, scored as kananet and kananet-report score them; and the files
// and starts it refuses.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>
#include <utility>

#include "e2e_support.h"
#include "test_support.h"

namespace kananet::search {
namespace {

namespace fs = std::filesystem;
using e2e::RunProgram;
using e2e::TempDir;
using testing::Sjis;

// The time limit guards against a hang only: the verified runs take minutes under the
// sanitizers on a busy machine.
e2e::RunOptions Arguments(std::vector<std::string> arguments) {
  e2e::RunOptions options;
  options.Arguments = std::move(arguments);
  options.Timeout = std::chrono::minutes(5);
  return options;
}

// The bundled example with its two layouts struck one key at a time, which the search takes.
void CopyExample(const TempDir& work) {
  fs::copy(fs::path(KANANET_SOURCE_DIR) / "examples", work.Path(),
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  for (const char* name : {"jis-kana-held.txt", "thumb-shift.txt", "two-key-chords.txt"}) {
    fs::remove(fs::path(work.Path()) / "layout" / name);
  }
}

// The figure's value of layout column (0 for the start) from the search's table.
std::string TableValue(const std::string& table, const std::string& figure, std::size_t column) {
  std::istringstream lines(table);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream cells(line);
    std::string id;
    cells >> id;
    if (id == figure) {
      std::string value;
      for (std::size_t i = 0; i <= column; ++i) {
        cells >> value;
      }
      return value;
    }
  }
  return "";
}

TEST(SearchE2eTest, WritesReproducibleLayoutsThatTheReportScoresAlike) {
  TempDir work;
  CopyExample(work);
  // を (L0) among the kana that move: kana moves change the strokes, which the weights reward.
  const std::string searchFile =
      "free_keys = \"qwertasdfgzxcvbL0\"\npin_kana = \"ー\"\nmoves = [\"keys\", \"kana\"]\n"
      "[weights]\nsame_finger = 2\n\"row.home\" = -1\nrow_jumps = 0.5\n";
  work.WriteFile("search.toml", "kana_lengths = \"any\"\n" + searchFile);
  const std::vector<std::string> common = {
      "layout/jis-kana.txt", "-c", "search.toml", "--seed", "3", "--rounds", "6", "--top", "3"};
  auto run = [&](const std::string& jobs, const std::string& output) {
    std::vector<std::string> arguments = common;
    arguments.insert(arguments.end(), {"--jobs", jobs, "-o", output});
    if (jobs == "1") {
      arguments.push_back("--verify");  // every layout moved to scored again: the same files
    }
    return RunProgram(KANANET_SEARCH_BINARY, work.Path(), Arguments(arguments));
  };
  const e2e::RunResult first = run("2", "found");
  ASSERT_EQ(first.ExitStatus, 0) << first.Err;
  EXPECT_NE(first.Err.find("note: with kana moving, these weights pay for typing more"),
            std::string::npos);
  EXPECT_NE(TableValue(first.Out, "strokes", 0), TableValue(first.Out, "strokes", 1));
  // Without kana_lengths = "any", kana exchange keys of equal length only: the strokes stay.
  work.WriteFile("same.toml", searchFile);
  const e2e::RunResult same =
      RunProgram(KANANET_SEARCH_BINARY, work.Path(),
                 Arguments({"layout/jis-kana.txt", "-c", "same.toml", "--seed", "3", "--rounds",
                            "6", "--top", "3", "-o", "same"}));
  ASSERT_EQ(same.ExitStatus, 0) << same.Err;
  EXPECT_EQ(same.Err.find("note:"), std::string::npos) << same.Err;
  for (std::size_t column = 1; column <= 3; ++column) {
    EXPECT_EQ(TableValue(same.Out, "strokes", column), TableValue(same.Out, "strokes", 0));
  }
  const e2e::RunResult again = run("1", "again");
  ASSERT_EQ(again.ExitStatus, 0) << again.Err;
  EXPECT_EQ(first.Out, again.Out);
  ASSERT_EQ(work.List("found").size(), 3u);
  for (const std::string& name : work.List("found")) {
    EXPECT_EQ(work.ReadFile("found/" + name), work.ReadFile("again/" + name)) << name;
  }

  // The best layout through the batch and the report: every figure and the cost agree.
  work.WriteFile("layout/jis-kana-1.txt", work.ReadFile("found/jis-kana-1.txt"));
  work.MakeDir("result");
  ASSERT_EQ(RunProgram(KANANET_BINARY, work.Path(), Arguments({"--check"})).ExitStatus, 0);
  ASSERT_EQ(RunProgram(KANANET_BINARY, work.Path()).ExitStatus, 0);
  const e2e::RunResult report =
      RunProgram(KANANET_REPORT_BINARY, work.Path(),
                 Arguments({".", "--json", "report.json", "--cost", "search.toml"}));
  ASSERT_EQ(report.ExitStatus, 0) << report.Err;
  const std::string json = work.ReadFile("report.json");
  const std::smatch kana = [&] {
    std::smatch match;
    std::regex_search(json, match, std::regex("\"kana\": *([0-9]+)"));
    return match;
  }();
  ASSERT_FALSE(kana.empty());
  const double perKana = 100.0 / std::stod(kana[1]);
  const std::size_t layout = json.find("\"name\": \"jis-kana-1\"");
  ASSERT_NE(layout, std::string::npos);
  const std::regex figure("\\{\"id\": \"([a-z_.0-9]+)\", \"label\"[^}]*?\"count\": ([0-9]+)");
  double cost = 0;
  int figures = 0;
  const std::string ofLayout = json.substr(layout, json.find("\"findings\"", layout) - layout);
  for (auto it = std::sregex_iterator(ofLayout.begin(), ofLayout.end(), figure);
       it != std::sregex_iterator(); ++it, ++figures) {
    const double value = std::stod((*it)[2]) * perKana;
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    EXPECT_EQ(TableValue(first.Out, (*it)[1], 1), text) << (*it)[1];
    const std::string id = (*it)[1];
    cost += (id == "same_finger" ? 2 : id == "row.home" ? -1 : id == "row_jumps" ? 0.5 : 0) * value;
  }
  EXPECT_EQ(figures, 27);  // actions and chords after strokes
  // The moves the report reads from the found file are those its line after the header lists.
  const std::string foundFile = work.ReadFile("found/jis-kana-1.txt");
  const std::string listed = foundFile.substr(foundFile.find("keys changed: "));
  const std::regex move(
      "\\{\"kana\": \"([^\"]+)\", \"from\": \"([^\"]*)\", \"to\": \"([^\"]*)\"\\}");
  std::string moves;
  for (auto it = std::sregex_iterator(ofLayout.begin(), ofLayout.end(), move);
       it != std::sregex_iterator(); ++it) {
    moves += (moves.empty() ? "" : ", ") + Sjis((*it)[1].str()) + " " + (*it)[2].str() + "->" +
             (*it)[3].str();
  }
  EXPECT_FALSE(moves.empty());
  EXPECT_EQ(listed.substr(14, listed.find_first_of("\r\n") - 14), moves);
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", cost);
  EXPECT_EQ(TableValue(first.Out, "cost", 1), text);
  EXPECT_NE(work.ReadFile("found/jis-kana-1.txt").find(std::string("kananet-search: cost ") + text),
            std::string::npos);
  // The report's own cost of each layout is the search's, and ranks the layouts, lowest first.
  std::vector<double> totals;
  const std::string costAt = "\"cost\": {\"total\": ";
  for (std::size_t at = json.find("{\"name\": \"", json.find("\"layouts\""));
       at != std::string::npos; at = json.find("{\"name\": \"", at + 1)) {
    const std::size_t name = at + 10;
    const std::string layoutName = json.substr(name, json.find('"', name) - name);
    const std::size_t cost = json.find(costAt, at) + costAt.size();
    totals.push_back(std::stod(json.substr(cost)));
    if (layoutName == "jis-kana-1" || layoutName == "jis-kana") {
      std::snprintf(text, sizeof text, "%.4f", totals.back());
      EXPECT_EQ(TableValue(first.Out, "cost", layoutName == "jis-kana" ? 0 : 1), text);
    }
  }
  EXPECT_EQ(totals.size(), 3u);
  EXPECT_TRUE(std::is_sorted(totals.begin(), totals.end()));
}

// Searches with the gap classes and finger targets weighted, every layout moved to counted again
// (--verify), and a search held to --time; apart from the test above, so that the two run side
// by side.
TEST(SearchE2eTest, VerifiedSearchesWithGapWeightsAgreeAndTimeHolds) {
  TempDir work;
  CopyExample(work);
  // Gap classes 1 and 2+ weighted, keys moving, and finger targets with class 1, kana moving
  // too: every layout moved to counted again agrees.
  work.WriteFile("gaps.toml",
                 "[weights]\n\"same_hand_pairs.gap1\" = -1\n"
                 "\"same_hand_pairs.gap2\" = 0.5\nsame_finger = 1\n");
  work.WriteFile("fingers.toml",
                 "free_keys = \"qwertasdfgzxcvbL0\"\nmoves = [\"keys\", \"kana\"]\n"
                 "[weights]\n\"same_hand_pairs.gap1\" = -1\n"
                 "[finger_targets]\nweight = 0.05\n\"finger.left_index\" = 0.15\n");
  for (const std::string name : {"gaps", "fingers"}) {
    const e2e::RunResult verified =
        RunProgram(KANANET_SEARCH_BINARY, work.Path(),
                   Arguments({"layout/jis-kana.txt", "-c", name + ".toml", "--rounds", "2",
                              "--verify", "-o", name}));
    EXPECT_EQ(verified.ExitStatus, 0) << name << verified.Err;
  }
  // All three classes of a layout counted by kana weighted, keys moving and kana too: the same.
  for (const std::string moves : {"\"keys\"", "\"keys\", \"kana\""}) {
    work.WriteFile("kana-gaps.toml",
                   "free_keys = \"asdfjkl;\"\nmoves = [" + moves +
                       "]\n[weights]\n\"same_hand_pairs.gap0\" = 1\n"
                       "\"same_hand_pairs.gap1\" = -1\n\"same_hand_pairs.gap2\" = 0.5\n");
    const e2e::RunResult kanaGaps =
        RunProgram(KANANET_SEARCH_BINARY, work.Path(),
                   Arguments({"layout/romaji.txt", "-c", "kana-gaps.toml", "--rounds", "2",
                              "--verify", "-o", "kana-gaps"}));
    EXPECT_EQ(kanaGaps.ExitStatus, 0) << moves << kanaGaps.Err;
  }
  // --time holds however long a round takes: a round of this search takes half a minute, and
  // the one-second search ends it where it got to (the bound leaves room for a busy machine).
  work.WriteFile("slow.toml",
                 "moves = [\"keys\", \"kana\"]\n[weights]\n\"same_hand_pairs.gap2\" = 0.5\n");
  const auto began = std::chrono::steady_clock::now();
  const e2e::RunResult timed = RunProgram(KANANET_SEARCH_BINARY, work.Path(),
                                          Arguments({"layout/romaji.txt", "-c", "slow.toml",
                                                     "--time", "1", "--jobs", "1", "-o", "timed"}));
  EXPECT_EQ(timed.ExitStatus, 0) << timed.Err;
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(15));
  EXPECT_EQ(work.List("timed").size(), 1u);
  // --time bounds --rounds too, and the progress line counts within the round.
  if (!e2e::NoPseudoTerminal().empty()) {
    GTEST_SKIP() << e2e::NoPseudoTerminal();
  }
  e2e::RunOptions options = Arguments({"layout/romaji.txt", "-c", "slow.toml", "--rounds", "1",
                                       "--time", "2", "--jobs", "1", "-o", "timed"});
  options.OnTerminal = e2e::Terminal::kErr;
  const auto begun = std::chrono::steady_clock::now();
  const e2e::RunResult one = RunProgram(KANANET_SEARCH_BINARY, work.Path(), options);
  EXPECT_EQ(one.ExitStatus, 0) << one.Err;
  EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(15));
  EXPECT_TRUE(std::regex_search(one.Err, std::regex("best -, [0-9.]+ million candidates/s, "
                                                    "[1-9][0-9,]* scored, round 0 of 1, ")))
      << one.Err;
  EXPECT_NE(one.Err.find("out of time: 0 of the 1 rounds asked for ran, and 1 more in part"),
            std::string::npos)
      << one.Err;
}

// A start saved as UTF-8 (with a byte-order mark or without) or Shift_JIS, with LF or CR LF
// line ends, gives found files in the same encoding and line ends, whose kana the readers all
// know: the remark names moved kana, and in Shift_JIS it made a UTF-8 file read as Shift_JIS.
TEST(SearchE2eTest, WritesFoundLayoutsInTheStartsEncodingAndLineEnds) {
  const struct {
    const char* Name;
    bool Utf8, Bom, Crlf;
  } cases[] = {{"sjis", false, false, true},
               {"utf8", true, false, false},
               {"utf8crlf", true, false, true},
               {"bom", true, true, false},
               {"bomcrlf", true, true, true}};
  TempDir work;
  CopyExample(work);
  const std::string example = work.ReadFile("layout/jis-kana.txt");  // Shift_JIS, CR LF
  work.WriteFile("search.toml", "free_keys = \"qwertasdfgzxcvb\"\nmoves = [\"keys\", \"kana\"]\n");
  fs::remove(work.PathOf("layout/romaji.txt"));
  std::string firstRemark;
  for (const auto& encoded : cases) {
    std::string start = encoded.Utf8 ? e2e::Utf8(example) : example;
    if (!encoded.Crlf) {
      start = std::regex_replace(start, std::regex("\r\n"), "\n");
    }
    start = (encoded.Bom ? "\xEF\xBB\xBF" : "") + start;
    const std::string name = encoded.Name;
    work.WriteFile("start/" + name + ".txt", start);
    const e2e::RunResult searched =
        RunProgram(KANANET_SEARCH_BINARY, work.Path(),
                   Arguments({"start/" + name + ".txt", "-c", "search.toml", "--rounds", "1",
                              "--top", "1", "-o", "found"}));
    ASSERT_EQ(searched.ExitStatus, 0) << name << searched.Err;
    const std::string written = work.ReadFile("found/" + name + "-1.txt");
    EXPECT_EQ(written.starts_with("\xEF\xBB\xBF"), encoded.Bom) << name;
    const auto ends = std::count(written.begin(), written.end(), '\n');
    EXPECT_EQ(ends, std::count(start.begin(), start.end(), '\n') + 1) << name;
    const auto crlf = std::count(written.begin(), written.end(), '\r');
    EXPECT_EQ(crlf, encoded.Crlf ? ends : 0) << name;
    // The same search in every encoding: the same remark, naming the moved kana.
    std::size_t remark = 0;
    for (int line = 0; line < 4; ++line) {
      remark = written.find('\n', remark) + 1;
    }
    const std::string remarkLine =
        written.substr(remark, written.find_first_of("\r\n", remark) - remark);
    if (firstRemark.empty()) {
      firstRemark = e2e::Utf8(remarkLine);
      EXPECT_NE(firstRemark.find("->"), std::string::npos) << firstRemark;
    }
    EXPECT_EQ(encoded.Utf8 ? remarkLine : e2e::Utf8(remarkLine), firstRemark) << name;
    work.WriteFile("layout/" + name + "-1.txt", written);
    const e2e::RunResult checked = RunProgram(KANANET_BINARY, work.Path(), Arguments({"--check"}));
    EXPECT_EQ(checked.ExitStatus, 0) << name << e2e::Utf8(checked.Err);
    fs::remove(work.PathOf("layout/" + name + "-1.txt"));
  }
}

// Ctrl-C, SIGTERM and SIGHUP end the run with the best layouts so far, its status says which
// (128 + the signal), and its summary says so and how many of the rounds asked for ran.
TEST(SearchE2eTest, SaysWhenARunIsInterrupted) {
  TempDir work;
  CopyExample(work);
  for (const auto& [signal, status] : {std::pair("INT", "130"), {"TERM", "143"}, {"HUP", "129"}}) {
    // A shell starts a background job with SIGINT ignored; env gives it the default back. The
    // signal waits until the search catches it (SigCgt holds signal 2), and then a little more.
    const std::string script =
        std::string("env --default-signal=INT ") + KANANET_SEARCH_BINARY +
        " layout/jis-kana.txt -c search.toml --rounds 100000 --top 2 --jobs 2 >/dev/null & "
        "pid=$!; while kill -0 $pid && ! grep -q '^SigCgt:.*[2367abef]$' "
        "/proc/$pid/status; do sleep 0.02; done; sleep 0.5; kill -" +
        signal + " $pid; wait $pid; echo $?";
    const e2e::RunResult run = RunProgram("/bin/sh", work.Path(), Arguments({"-c", script}));
    EXPECT_EQ(run.Out, std::string(status) + "\n") << run.Err;
    EXPECT_TRUE(std::regex_search(
        run.Err, std::regex(std::string("kananet-search: interrupted by SIG") + signal +
                            ": [0-9]+ of the 100000 rounds asked for ran, and [0-9]+ more in "
                            "part; [0-9]+ candidates scored in")))
        << run.Err;
    EXPECT_EQ(work.List("found").size(), 2u);
  }
}

// A run's files replace the earlier run's set: none of its files is left beside them, after
// fewer layouts and after a write that failed part way. Files the search did not write stay.
TEST(SearchE2eTest, ReplacesTheEarlierRunsFiles) {
  TempDir work;
  CopyExample(work);
  auto search = [&](const std::string& top, const std::string& seed) {
    return RunProgram(KANANET_SEARCH_BINARY, work.Path(),
                      Arguments({"layout/jis-kana.txt", "-c", "search.toml", "--rounds", "6",
                                 "--top", top, "--seed", seed}));
  };
  work.WriteFile("found/jis-kana-9.txt", "the designer's own\n");
  ASSERT_EQ(search("5", "1").ExitStatus, 0);
  ASSERT_EQ(work.List("found").size(), 6u);
  ASSERT_EQ(search("2", "7").ExitStatus, 0);
  EXPECT_EQ(work.List("found"),
            (std::vector<std::string>{"jis-kana-1.txt", "jis-kana-2.txt", "jis-kana-9.txt"}));
  ASSERT_EQ(search("5", "1").ExitStatus, 0);
  fs::remove(work.PathOf("found/jis-kana-3.txt"));
  work.MakeDir("found/jis-kana-3.txt");  // the third layout has no place: found before searching
  const e2e::RunResult failed = search("5", "8");
  EXPECT_EQ(failed.ExitStatus, 1);
  EXPECT_EQ(failed.Err,
            "kananet-search: found/jis-kana-3.txt is a folder, where the layout at place 3 goes\n");
  EXPECT_EQ(work.List("found"),
            (std::vector<std::string>{"jis-kana-1.txt", "jis-kana-2.txt", "jis-kana-3.txt",
                                      "jis-kana-4.txt", "jis-kana-5.txt", "jis-kana-9.txt"}));
  EXPECT_NE(work.ReadFile("found/jis-kana-2.txt").find(", seed 1,"), std::string::npos);
}

// A wrong -o is refused before the search (a search of 100,000 rounds would outlast the time
// limit) with its real cause; links among the found names are replaced, never followed, and a
// found name that is the start itself is refused.
TEST(SearchE2eTest, RefusesWrongOutputFoldersAndReplacesLinks) {
  TempDir work;
  CopyExample(work);
  work.WriteFile("a-file", "x");
  work.WriteFile("elsewhere.txt", "not the search's\n");
  work.WriteFile("ro/keep", "");
  fs::permissions(work.PathOf("ro"), fs::perms::owner_read | fs::perms::owner_exec);
  const std::string start = work.ReadFile("layout/jis-kana.txt");
  fs::create_directory(work.PathOf("found"));
  fs::create_symlink("../layout/jis-kana.txt", work.PathOf("found/jis-kana-1.txt"));
  fs::create_symlink("../elsewhere.txt", work.PathOf("found/jis-kana-2.txt"));
  fs::create_symlink("../outside.txt", work.PathOf("found/jis-kana-3.txt"));
  fs::create_symlink("../found/own-1.txt", work.PathOf("layout/own.txt"));
  work.WriteFile("found/own-1.txt", start);
  const bool root = ::geteuid() == 0;  // writes into a read-only folder all the same
  const struct {
    std::vector<std::string> Arguments;
    int Status;
    std::string Err;
  } cases[] = {
      {{"-o", ""}, 2, "kananet-search: -o needs a folder name\n"},
      {{"-o", "a-file"},
       1,
       "kananet-search: cannot write the layouts to a-file: Not a directory\n"},
      {{"-o", "/dev/null"},
       1,
       "kananet-search: cannot write the layouts to /dev/null: Not a directory\n"},
      {{"-o", "a-file/sub"},
       1,
       "kananet-search: cannot write the layouts to a-file/sub: Not a directory\n"},
      {{"-o", "ro/sub"},
       root ? 0 : 1,
       root ? "" : "kananet-search: cannot write the layouts to ro/sub: Permission denied\n"},
      {{"-o", "ro"},
       root ? 0 : 1,
       root ? "" : "kananet-search: cannot write the layouts to ro: Permission denied\n"},
      {{"layout/own.txt"},
       1,
       "kananet-search: found/own-1.txt is the starting layout layout/own.txt itself; the search "
       "never replaces its start: give another -o\n"},
      {{"--top", "3"}, 0, ""},
  };
  for (const auto& example : cases) {
    std::vector<std::string> arguments = {"layout/jis-kana.txt", "--rounds",
                                          example.Status == 0 ? "4" : "100000"};
    if (example.Arguments[0].starts_with("layout/")) {
      arguments[0] = example.Arguments[0];
    } else {
      arguments.insert(arguments.end(), example.Arguments.begin(), example.Arguments.end());
    }
    e2e::RunOptions options = Arguments(arguments);
    options.Timeout = std::chrono::seconds(30);
    const e2e::RunResult run = RunProgram(KANANET_SEARCH_BINARY, work.Path(), options);
    EXPECT_EQ(run.ExitStatus, example.Status) << example.Arguments.back() << run.Err;
    if (example.Status != 0) {
      EXPECT_EQ(run.Err,
                example.Status == 2 ? example.Err + "Try 'kananet-search --help'.\n" : example.Err);
    }
  }
  EXPECT_EQ(work.ReadFile("layout/jis-kana.txt"), start);
  EXPECT_EQ(work.ReadFile("elsewhere.txt"), "not the search's\n");
  EXPECT_FALSE(fs::exists(work.PathOf("outside.txt")));
  for (const std::string& name : work.List("found")) {
    EXPECT_FALSE(fs::is_symlink(work.PathOf("found/" + name))) << name;
  }
  EXPECT_EQ(work.List("found"), (std::vector<std::string>{"jis-kana-1.txt", "jis-kana-2.txt",
                                                          "jis-kana-3.txt", "own-1.txt"}));
  fs::permissions(work.PathOf("ro"), fs::perms::owner_all);
}

// Runs that must end, or be refused, whatever they are given: extreme weights end (the polish
// once exchanged two keys for ever), a --time past the clock's range is a wrong command line (it
// ran no round and wrote nothing, with status 0), and the table's columns line up under a long
// -o and large costs (the header took its widths from the whole path).
TEST(SearchE2eTest, EndsOrRefusesWhateverItIsGiven) {
  TempDir work;
  CopyExample(work);
  std::string bundled = work.ReadFile("search.toml");
  bundled.replace(bundled.find("[weights]\n"), 10, "[weights]\nrepeats = 1e9\n");
  work.WriteFile("repeats.toml", bundled);
  work.WriteFile("same-finger.toml", "[weights]\nsame_finger = 1e8\nalternation = -1e8\n");
  const std::string deep = "a/long/way/down/to/the/found/layouts";
  const struct {
    std::vector<std::string> Arguments;
    int Status;
    std::string Err;  // how it begins
  } cases[] = {
      {{"-c", "repeats.toml", "--rounds", "2", "-o", deep}, 0, "kananet-search: 2 rounds"},
      {{"-c", "same-finger.toml", "--rounds", "3", "-o", deep}, 0, "kananet-search: 3 rounds"},
      {{"--time", "9999999999", "-o", "never"},
       2,
       "kananet-search: --time needs a whole number of seconds from 1 to 1,000,000,000, not "
       "9999999999\n"},
  };
  for (const auto& example : cases) {
    std::vector<std::string> arguments = {"layout/jis-kana.txt", "--jobs", "1", "--top", "2"};
    arguments.insert(arguments.end(), example.Arguments.begin(), example.Arguments.end());
    const e2e::RunResult run = RunProgram(KANANET_SEARCH_BINARY, work.Path(), Arguments(arguments));
    EXPECT_EQ(run.ExitStatus, example.Status) << run.Err;
    EXPECT_TRUE(run.Err.starts_with(example.Err)) << run.Err;
    std::istringstream table(run.Out);
    std::string header, line;
    std::getline(table, header);
    while (std::getline(table, line)) {
      EXPECT_EQ(line.size(), header.size()) << line;
    }
  }
  EXPECT_FALSE(fs::exists(work.PathOf("never")));
}

// Mistakes in the search file name their line and stop with status 2, in kananet-report --cost
// alike; a start with check errors is refused with status 1; nothing is written either way.
TEST(SearchE2eTest, RefusesBadSearchFilesAndStarts) {
  std::string deepHeader = "[a", deepKey = "a";
  for (int part = 0; part < 50'000; ++part) {
    deepHeader += ".a";
    deepKey += ".a.a.a.a";
  }
  deepHeader += "]\n";
  deepKey += " = 1\n";
  const struct {
    std::string File;
    std::string Message;
    bool OfTheLayout;  // a mistake only against the starting layout: the report takes the file
  } cases[] = {
      {"[weights]\nsame_fingers = 1\n", "search.toml:2: error: unknown figure id", false},
      {"pin_keys = 5\n", "search.toml:1: error: pin_keys must be a string", false},
      {"\n\npin_keys = \"H\"\n", "search.toml:3: error: pin_keys: no entry", true},
      {"free_keys = \"a~\"\n", "search.toml:1: error: free_keys: '~' is not a key", false},
      {"\n\nmoves = []\n", "search.toml:3: error: moves must be a list", false},
      {"moves = [\"keys\", 3]\n", "search.toml:1: error: a move is", false},
      {"[finger_targets]\n\"finger.left_index\" = 2\n",
       "search.toml:2: error: finger_targets: the share of finger.left_index", false},
      {"free_keys = \"abc\"\nfree_keys = \"d\"\n", "search.toml:2:", false},
      {"\nkana_lengths = \"all\"\n", "search.toml:2: error: kana_lengths is \"same\" or \"any\"",
       false},  // Hostile files: numbers that are none or too large, every mistake at once with the
                // ids
      // meant, shapes that overflowed the parser's stack, a file too large to read, and bytes
      // that would forge a line or move the cursor.
      {"[weights]\nsame_finger = nan\n",
       "search.toml:2: error: the weight of same_finger must be a number from -1e12 to 1e12, not "
       "nan",
       false},
      {"[finger_targets]\n\"finger.left_index\" = nan\n",
       "search.toml:2: error: finger_targets: the share of finger.left_index must be a number "
       "from 0 to 1, not nan",
       false},
      {"[weights]\nrepeats = 1e60\n", "search.toml:2: error: the weight of repeats must", false},
      {"[weights]\nsame_fingr = 1\nrow_jumps = 1\nalternaton = 1\n",
       "search.toml:2: error: unknown figure id \"same_fingr\"; did you mean same_finger?\n"
       "search.toml:4: error: unknown figure id \"alternaton\"; did you mean alternation?\n",
       false},
      {deepHeader, "search.toml:1: error: keys nest more than 100 levels deep here", false},
      {deepKey, "search.toml:1: error: keys nest more than 100 levels deep here", false},
      {std::string((1 << 20) + 1, '\n'),
       "search.toml:1: error: the search file holds 1,048,577 bytes, more than the", false},
      {"[weights]\n\"x\\nfake.toml:1: error: forged\\u001b[2J\" = 1\n",
       "search.toml:2: error: unknown figure id \"x\\nfake.toml:1: error: forged\\x1b[2J\"\n",
       false},
      {"free_keys = \"asd\xE3\x81\x82\"\n",
       "search.toml:1: error: free_keys: '\xE3\x81\x82' is not a key of the keyboard", false},
      {"x\xff = 1\n", "search.toml:1: error: ", false},
      {"\n\npin_keys = \"HB\"\n",
       "search.toml:3: error: pin_keys: no entry of the layout uses the key 'H'\n"
       "search.toml:3: error: pin_keys: no entry of the layout uses the key 'B'\n",
       true},
      // Nothing left to move: only against the layout, and nothing written.
      {"free_keys = \"\"\n",
       "search.toml:1: error: nothing may move: no two keys or kana are free to exchange", true},
      // Only を (L0) and わ (0) free, whose keys differ in length.
      {"free_keys = \"L0\"\nmoves = [\"kana\"]\n", "search.toml:1: error: nothing may move", true},
  };
  TempDir work;
  CopyExample(work);
  work.MakeDir("result");
  ASSERT_EQ(RunProgram(KANANET_BINARY, work.Path()).ExitStatus, 0);
  for (const auto& example : cases) {
    work.WriteFile("search.toml", example.File);
    const e2e::RunResult result =
        RunProgram(KANANET_SEARCH_BINARY, work.Path(),
                   Arguments({"layout/jis-kana.txt", "-c", "search.toml", "--rounds", "1"}));
    EXPECT_EQ(result.ExitStatus, 2) << example.File.substr(0, 100);
    EXPECT_NE(e2e::Utf8(result.Err).find(example.Message), std::string::npos) << result.Err;
    const e2e::RunResult report =
        RunProgram(KANANET_REPORT_BINARY, work.Path(), Arguments({".", "--cost", "search.toml"}));
    EXPECT_EQ(report.ExitStatus, example.OfTheLayout ? 0 : 2) << report.Err;
    EXPECT_EQ(report.Err, example.OfTheLayout ? "" : result.Err);
    EXPECT_EQ(fs::exists(fs::path(work.Path()) / "result/report.html"), example.OfTheLayout);
    fs::remove(fs::path(work.Path()) / "result/report.html");
  }
  work.WriteFile("layout/short.txt", "b\n0\n4\n0\nf\t" + e2e::Sjis("あ") + "\n");
  const e2e::RunResult refused = RunProgram(KANANET_SEARCH_BINARY, work.Path(),
                                            Arguments({"layout/short.txt", "--rounds", "1"}));
  EXPECT_EQ(refused.ExitStatus, 1);
  EXPECT_NE(refused.Err.find("layout/short.txt:"), std::string::npos) << refused.Err;
  // The start's name is shown with its control bytes escaped, in the lines and in the table.
  fs::copy_file(work.PathOf("layout/short.txt"), work.PathOf("layout/s\x1b[2J.txt"));
  fs::copy_file(work.PathOf("layout/jis-kana.txt"), work.PathOf("layout/j\r.txt"));
  for (const auto& [start, shown] : {std::pair("layout/s\x1b[2J.txt", "layout/s\\x1b[2J.txt:"),
                                     std::pair("layout/n\n.txt", ": cannot read layout/n\\n.txt"),
                                     std::pair("layout/j\r.txt", "  j\\r-1.txt")}) {
    const e2e::RunResult run = RunProgram(KANANET_SEARCH_BINARY, work.Path(),
                                          Arguments({start, "--rounds", "1", "-o", "named"}));
    EXPECT_NE((run.Err + run.Out).find(shown), std::string::npos) << run.Err << run.Out;
  }
  // A layout with keys pressed together: its free keys move within its actions, the thumb keys
  // too when free_keys names them, and kana exchange their actions, verified as they go.
  fs::copy_file(fs::path(KANANET_SOURCE_DIR) / "examples/layout/thumb-shift.txt",
                work.PathOf("layout/thumbs.txt"));
  work.WriteFile("keys.toml", "free_keys = \"asdfjkl;<>\"\nmoves = [\"keys\", \"kana\"]\n");
  const e2e::RunResult chords = RunProgram(
      KANANET_SEARCH_BINARY, work.Path(),
      Arguments({"layout/thumbs.txt", "-c", "keys.toml", "--rounds", "2", "--verify", "-o", "t"}));
  EXPECT_EQ(chords.ExitStatus, 0) << chords.Err;
  const std::string moved = work.ReadFile("t/thumbs-1.txt");
  EXPECT_NE(moved.find("%chords"), std::string::npos);
  EXPECT_NE(moved.find("+"), std::string::npos);
  EXPECT_LT(std::stod(TableValue(chords.Out, "cost", 1)),
            std::stod(TableValue(chords.Out, "cost", 0)));
  // Kana alone may move too: what may move is the action stream's, not the other counts'.
  work.WriteFile("kana.toml", "moves = [\"kana\"]\n");
  EXPECT_EQ(RunProgram(KANANET_SEARCH_BINARY, work.Path(),
                       Arguments({"layout/thumbs.txt", "-c", "kana.toml", "--rounds", "1", "--time",
                                  "1", "-o", "k"}))
                .ExitStatus,
            0);
  // Only を, here of two actions, and も of one free: no two of as many actions.
  std::string two = work.ReadFile("layout/thumbs.txt");
  work.WriteFile("layout/two.txt", two.replace(two.find("z\t"), 2, "z/\t"));
  work.WriteFile("z.toml", "free_keys = \"z/\"\nmoves = [\"kana\"]\n");
  const e2e::RunResult unequal = RunProgram(
      KANANET_SEARCH_BINARY, work.Path(), Arguments({"layout/two.txt", "-c", "z.toml", "-o", "z"}));
  EXPECT_EQ(unequal.ExitStatus, 2);
  EXPECT_NE(unequal.Err.find("z.toml:1: error: nothing may move"), std::string::npos)
      << unequal.Err;
  // The space key may stand in an action many times, beyond what the search counts in one.
  std::string spaces = " ";
  for (int key = 0; key < 16; ++key) {
    spaces += "+ ";
  }
  work.WriteFile("layout/thumbs.txt",
                 work.ReadFile("layout/thumbs.txt") + spaces + "\t" + e2e::Sjis("ゐ") + "\r\n");
  const e2e::RunResult large = RunProgram(KANANET_SEARCH_BINARY, work.Path(),
                                          Arguments({"layout/thumbs.txt", "--rounds", "1"}));
  EXPECT_EQ(large.ExitStatus, 1);
  EXPECT_NE(large.Err.find("keys in one action that kananet-search counts"), std::string::npos)
      << large.Err;
  // An entry longer than a unit's features count, which the check passes on this short text.
  work.WriteFile("layout/short.txt", work.ReadFile("layout/jis-kana.txt") +
                                         std::string(65536, 'f') + "\t" + e2e::Sjis("あ") + "\n");
  const e2e::RunResult longEntry = RunProgram(KANANET_SEARCH_BINARY, work.Path(),
                                              Arguments({"layout/short.txt", "--rounds", "1"}));
  EXPECT_EQ(longEntry.ExitStatus, 1);
  EXPECT_EQ(longEntry.Err,
            "kananet-search: layout/short.txt:89: this entry has 65,536 keys, more than the 65,535 "
            "kananet-search counts in one entry; shorten it\n");
  EXPECT_FALSE(fs::exists(fs::path(work.Path()) / "found"));
  // Run where the sample text is missing: the message names it, not the start.
  fs::remove(work.PathOf("kanasample.txt"));
  const e2e::RunResult noText = RunProgram(KANANET_SEARCH_BINARY, work.Path(),
                                           Arguments({"layout/jis-kana.txt", "--rounds", "1"}));
  EXPECT_EQ(noText.ExitStatus, 1);
  EXPECT_NE(noText.Err.find("kananet-search: the sample text kanasample.txt cannot be read; run "
                            "kananet-search in the working directory that holds it\n"),
            std::string::npos)
      << noText.Err;
  EXPECT_EQ(noText.Err.find("the start"), std::string::npos) << noText.Err;
  EXPECT_FALSE(fs::exists(fs::path(work.Path()) / "found"));
}

}  // namespace
}  // namespace kananet::search
