// kananet-search and the other programs under faults: standard output that fails, signals and
// kill -9 at random moments while a search writes its set, and each I/O call of the writing
// failing in turn (a full disk among them). After each, found/ holds the earlier set or the whole
// new one, never a mix, and no temporary file but what a killed run leaves for the next to settle.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "driver/e2e_support.h"

namespace kananet::e2e {
namespace {

namespace fs = std::filesystem;

// The bundled example, whose found/ holds a file of the designer's own beside the search's.
struct SearchDir : TempDir {
  SearchDir() {
    fs::copy(fs::path(KANANET_SOURCE_DIR) / "examples", Path(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    for (const char* name : {"jis-kana-held.txt", "thumb-shift.txt", "two-key-chords.txt"}) {
      fs::remove(fs::path(Path()) / "layout" / name);
    }
    WriteFile("found/jis-kana-9.txt", "the designer's own\n");
  }
};

std::string SearchCommand(const std::string& seed) {
  return std::string(KANANET_SEARCH_BINARY) +
         " layout/jis-kana.txt --rounds 3 --top 3 --jobs 1 --seed " + seed;
}

RunResult Shell(const SearchDir& dir, const std::string& script,
                std::vector<std::string> environment = {}) {
  RunOptions options;
  options.Arguments = {"-c", script};
  options.Environment = std::move(environment);
  options.Timeout = std::chrono::minutes(2);
  return RunProgram("/bin/sh", dir.Path(), options);
}

// The seed of each layout of stem's names in folder, by place from 1; "?" for a file that is
// not the search's, "" for a gap.
std::map<std::size_t, std::string> SeedsIn(const fs::path& folder) {
  static const std::regex kName("jis-kana-([1-8])\\.txt");
  static const std::regex kSeed(", seed ([0-9]+),");
  std::map<std::size_t, std::string> seeds;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    std::smatch match, seed;
    if (std::regex_match(name, match, kName)) {
      const std::string bytes = ReadFileBytes(entry.path().string());
      seeds[std::stoul(match[1])] = std::regex_search(bytes, seed, kSeed) ? seed[1].str() : "?";
    }
  }
  return seeds;
}

// What a run left in found/, as a reader finds it once the next run has settled what killed
// runs left there (a staging folder marked whole has its layouts renamed in, the rest removed):
// "earlier" or "new" (one run's whole set), with " (renaming)" when a staging folder marked
// whole is still to be settled and " and a staging folder" for one that is not; or what is
// wrong. Staging folders that were there before (before) may stay; a new one only when killed
// or marked whole (a rename failed).
std::string Left(const SearchDir& dir, const std::string& earlier, const std::string& now,
                 bool killed, const std::vector<std::string>& before) {
  const fs::path found = dir.PathOf("found");
  std::map<std::size_t, std::string> seeds = SeedsIn(found);
  std::string note;
  for (const std::string& entry : dir.List("found")) {
    if (!entry.starts_with(".")) {
      continue;
    }
    if (!killed && std::find(before.begin(), before.end(), entry) == before.end() &&
        !fs::exists(found / entry / "set")) {
      return "a temporary " + entry;
    }
    if (!fs::exists(found / entry / "set")) {
      note = " and a staging folder";
      continue;
    }
    std::size_t count = 0;
    std::istringstream(ReadFileBytes((found / entry / "set").string())) >> count;
    note = " (renaming)";
    const std::map<std::size_t, std::string> staged = SeedsIn(found / entry);
    std::erase_if(seeds, [&](const auto& place) { return place.first > count; });
    for (const auto& [place, seed] : staged) {
      seeds[place] = seed;
    }
  }
  std::string all;
  for (const auto& [place, seed] : seeds) {
    all += " " + std::to_string(place) + ":" + seed;
  }
  const auto only = [&](const std::string& seed) {
    std::size_t place = 0;
    return !seeds.empty() && std::all_of(seeds.begin(), seeds.end(), [&](const auto& entry) {
      return entry.first == ++place && entry.second == seed;
    });
  };
  return only(earlier) ? "earlier" + note : only(now) ? "new" + note : "a mix:" + all;
}

// Every program whose standard output is closed, a full device, or a pipe whose reader has gone
// ends with status 1 and says so.
TEST(SearchFaultTest, StandardOutputThatFailsIsStatusOne) {
  SearchDir dir;
  dir.MakeDir("result");
  ASSERT_EQ(RunProgram(KANANET_BINARY, dir.Path()).ExitStatus, 0);
  const std::string commands[] = {
      std::string(KANANET_BINARY) + " --check",
      std::string(KANANET_REPORT_BINARY) + " .",
      std::string(KANANET_REPORT_BINARY) + " --help",
      std::string(KANANET_SAMPLE_BINARY) + " --help",
      std::string(KANANET_SEARCH_BINARY) + " --help",
      std::string(KANANET_SEARCH_BINARY) + " layout/jis-kana.txt --rounds 1 -o out",
  };
  for (const std::string& command : commands) {
    for (const std::string redirection : {">&-", ">/dev/full", "| :"}) {
      // The reader of the pipe is gone before the program writes.
      const std::string script = redirection == "| :"
                                     ? "(sleep 0.3; " + command + "; echo $? >status) | :"
                                     : command + " " + redirection + "; echo $? >status";
      const RunResult run = Shell(dir, script);
      EXPECT_EQ(dir.ReadFile("status"), "1\n") << script << "\n" << run.Err;
      EXPECT_TRUE(std::regex_search(run.Err, std::regex("[Cc]annot write to standard output: ")))
          << script << "\n"
          << run.Err;
    }
  }
}

// Under a limit on memory (ulimit -v), memory runs out or threads cannot be started at one
// point of the run or another, a worker thread's included: each run ends with its layouts
// (status 0) or with a line that says why and status 1, never aborted, never with part of a set.
TEST(SearchFaultTest, MemoryLimitsEndWithALineAndStatusOne) {
  if (KANANET_SANITIZED) {
    GTEST_SKIP() << "the sanitizers reserve more address space than the limits leave";
  }
  SearchDir dir;
  std::map<int, int> ended;
  for (int limit = 8000; limit <= 56000; limit += 8000) {
    const RunResult run =
        Shell(dir, "ulimit -v " + std::to_string(limit) + "; " + SearchCommand("1") +
                       " -c search.toml --jobs 4 -o limited >/dev/null");
    EXPECT_TRUE(run.ExitStatus == 0 ||
                (run.ExitStatus == 1 &&
                 std::regex_search(run.Err, std::regex("kananet-search: (out of memory|cannot "
                                                       "start a thread for the search: .+)\n$"))))
        << limit << " KiB: " << run.ExitStatus << " " << run.Err;
    const std::size_t written = fs::exists(dir.PathOf("limited")) ? dir.List("limited").size() : 0;
    EXPECT_TRUE(written == 0 || written == 3) << limit;
    ++ended[run.ExitStatus];
  }
  for (const auto& [status, runs] : ended) {
    std::cout << "status " << status << ": " << runs << " runs\n";
  }
}

#ifdef KANANET_FAULT_SHIM
// SIGINT, SIGTERM and kill -9 at random moments of runs whose writing is slowed down (each
// temporary file and rename waits 60 ms): each run leaves the earlier set or its whole set; only
// kill -9 may leave a staging folder, which the next run finishes or removes.
TEST(SearchFaultTest, SignalsAndKillsLeaveTheEarlierSetOrTheWholeNewOne) {
  SearchDir dir;
  ASSERT_EQ(Shell(dir, SearchCommand("1") + " >/dev/null").ExitStatus, 0);
  std::string earlier = "1";
  std::mt19937 random(31);
  std::map<std::string, int> left;
  const std::vector<std::string> environment = {"LD_PRELOAD=" KANANET_FAULT_SHIM,
                                                "KANANET_SLOW_MS=60"};
  for (int trial = 0; trial < 30; ++trial) {
    const std::string signal = trial % 3 == 0 ? "INT" : trial % 3 == 1 ? "TERM" : "KILL";
    const std::string seed = std::to_string(trial + 2);
    const int wait = std::uniform_int_distribution(0, 1200)(random);
    // A shell starts a background job with SIGINT ignored; env gives it the default back.
    const std::string script = "env --default-signal=INT " + SearchCommand(seed) +
                               " >/dev/null 2>err & pid=$!; sleep " +
                               std::to_string(wait / 1000.0) + "; kill -" + signal +
                               " $pid 2>/dev/null; wait $pid; echo $?";
    const std::vector<std::string> before = dir.List("found");
    const RunResult run = Shell(dir, script, environment);
    const std::string status = run.Out.substr(0, run.Out.find('\n'));
    const std::string outcome = Left(dir, earlier, seed, signal == "KILL", before);
    EXPECT_TRUE(outcome.starts_with("earlier") || outcome.starts_with("new"))
        << "SIG" << signal << " after " << wait << " ms: " << outcome;
    const std::string expected = signal == "INT" ? "130" : signal == "TERM" ? "143" : "137";
    EXPECT_TRUE(status == expected || status == "0") << signal << " " << status;
    earlier = outcome == "earlier" ? earlier : seed;
    ++left["SIG" + signal + " (" + status + "): " + outcome];
  }
  // The next run finishes or removes what the killed runs left.
  ASSERT_EQ(Shell(dir, SearchCommand("99") + " >/dev/null").ExitStatus, 0);
  EXPECT_EQ(Left(dir, earlier, "99", false, {}), "new");
  for (const auto& [what, runs] : left) {
    std::cout << what << ": " << runs << " runs\n";
  }
}

// Each of the last I/O calls of a run (the writing of the set) fails in turn, a write with
// ENOSPC as on a full disk: the run ends with status 1 and a line that says what failed, or
// leaves its whole set; never a mix nor a temporary file, but for a failed rename, whose
// staging folder the next run finishes.
TEST(SearchFaultTest, EachFailingCallOfTheWritingLeavesTheEarlierSetOrTheWholeNewOne) {
  SearchDir dir;
  ASSERT_EQ(Shell(dir, SearchCommand("1") + " >/dev/null").ExitStatus, 0);
  const std::string report = dir.PathOf("calls");
  auto run = [&](long failAt, const std::string& seed) {
    return Shell(dir, SearchCommand(seed) + " >/dev/null",
                 {"LD_PRELOAD=" KANANET_FAULT_SHIM, "KANANET_FAIL_CALL=" + std::to_string(failAt),
                  "KANANET_FAIL_REPORT=" + report});
  };
  ASSERT_EQ(run(0, "2").ExitStatus, 0);
  long calls = 0;
  std::istringstream(dir.ReadFile("calls")) >> calls;
  std::string earlier = "2";
  std::map<std::string, int> left;
  for (long failAt = calls; failAt > calls - 60 && failAt > 0; --failAt) {
    const std::string seed = std::to_string(failAt + 100);
    const std::vector<std::string> before = dir.List("found");
    const RunResult result = run(failAt, seed);
    std::string failed;
    std::istringstream(dir.ReadFile("calls")) >> calls >> failed;
    const std::string outcome = Left(dir, earlier, seed, false, before);
    EXPECT_TRUE(outcome.starts_with("earlier") || outcome.starts_with("new"))
        << failed << " #" << failAt << ": " << outcome << "\n"
        << result.Err;
    EXPECT_EQ(result.ExitStatus,
              outcome == "new" && result.Err.find("annot") == std::string::npos ? 0 : 1)
        << failed << " #" << failAt << ": " << result.Err;
    if (outcome == "new (renaming)") {
      EXPECT_NE(result.Err.find("completes the set"), std::string::npos) << result.Err;
    }
    earlier = outcome == "earlier" ? earlier : seed;
    ++left[failed + ": " + outcome];
  }
  ASSERT_EQ(run(0, "99").ExitStatus, 0);
  EXPECT_EQ(Left(dir, earlier, "99", false, {}), "new");
  for (const auto& [what, runs] : left) {
    std::cout << what << ": " << runs << " runs\n";
  }
}
#endif

}  // namespace
}  // namespace kananet::e2e
