// Fault injection: a small batch run again and again with one I/O call failing each time, the
// first call, then the second, and so on until a run makes no more calls than that. Every
// failure must be reported (status 1 and a known message) or leave the run's results exactly
// as a clean run's; no network file may be damaged or left half-written, and no temporary file
// may stay behind.
#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "driver/e2e_support.h"

namespace kananet::e2e {
namespace {

const std::vector<std::string> Networks = {"a.net", "b.net", "c.net"};
// b.net is left from an earlier run; the batch replaces it, or keeps it whole.
const std::string EarlierNetwork = "*Vertices 330\r\nfrom an earlier run\r\n";

// Three layouts, one counted by kana, over a text of two lines.
struct BatchDir : TempDir {
  BatchDir() {
    WriteFile("kanasample.txt", Sjis("かな、きゃ\r\nなか。\r\n"));
    const std::string entries = Sjis("f\tか\r\nj\tな\r\nkd\tきゃ\r\nd;\tず\r\n,\t、\r\n.\t。\r\n");
    WriteFile("layout/a.txt", Sjis("b\r\n \r\n4\r\n0\r\n") + entries);
    WriteFile("layout/b.txt", Sjis("t\r\n0\r\n3\r\n1\r\n") + entries);
    WriteFile("layout/c.txt", Sjis("b\r\n \r\n4\r\n0\r\n") + entries);
    WriteFile("result/b.net", EarlierNetwork);
  }
};

struct Outcome {
  RunResult Run;
  std::map<std::string, std::string> Results;  // result/ after the run: name -> bytes
  long CallsCounted = 0;
  std::string CallFailed;  // "-" when the run made fewer calls than asked for
};

Outcome RunWithFault(long failAt, bool onlyReadWrite) {
  BatchDir dir;
  std::string report = dir.PathOf("fault-report");
  RunOptions options;
  options.Environment = {
      "LD_PRELOAD=" KANANET_FAULT_SHIM, "KANANET_FAIL_CALL=" + std::to_string(failAt),
      "KANANET_FAIL_REPORT=" + report,
      std::string("KANANET_FAIL_ONLY_READ_WRITE=") + (onlyReadWrite ? "1" : "0")};
  options.Timeout = std::chrono::seconds(30);
  Outcome outcome;
  outcome.Run = RunProgram(KANANET_BINARY, dir.Path(), options);
  for (const std::string& name : dir.List("result")) {
    outcome.Results[name] = dir.ReadFile("result/" + name);
  }
  std::istringstream(dir.ReadFile("fault-report")) >> outcome.CallsCounted >> outcome.CallFailed;
  return outcome;
}

// Every line a failing run may write on standard error.
bool IsKnownMessage(const std::string& line) {
  static const std::regex Known(
      "File is not exist\\."
      "|Cannot read (kanasample\\.txt|layout/[abc]\\.txt) in .+: .+; .+"
      "|Cannot read kanasample\\.txt: .+"
      "|Cannot write result/[abc]\\.net: .+"
      "|Cannot write to standard output: .+");
  return std::regex_match(line, Known);
}

bool EndsWithNoLayoutMessage(const std::string& out) {
  return out.find(Sjis("配列定義ファイルが見つからんです。 5\n")) != std::string::npos ||
         out.find(Sjis("配列定義ファイルが見つからんです。 3\n")) != std::string::npos;
}

void ExpectFailureHandled(const Outcome& clean, const Outcome& faulty) {
  const RunResult& run = faulty.Run;
  ASSERT_FALSE(run.TimedOut);
  ASSERT_EQ(run.Signal, 0) << run.Err;
  // Each network is the clean run's or the one that was there before; nothing else is left.
  for (const auto& [name, bytes] : faulty.Results) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(clean.Results.count(name)) << "unexpected file in result/";
    if (bytes != clean.Results.at(name)) {
      EXPECT_TRUE(name == "b.net" && bytes == EarlierNetwork) << "damaged network";
    }
  }
  EXPECT_TRUE(faulty.Results.count("b.net")) << "the earlier network was lost";

  if (run.ExitStatus == 0) {
    EXPECT_EQ(run.Out, clean.Run.Out);
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(faulty.Results, clean.Results) << "a failure went unreported";
    return;
  }
  EXPECT_EQ(run.ExitStatus, 1);
  if (run.Err.empty()) {
    EXPECT_TRUE(EndsWithNoLayoutMessage(run.Out)) << run.Out;
    return;
  }
  std::istringstream err(run.Err);
  for (std::string line; std::getline(err, line);) {
    EXPECT_TRUE(IsKnownMessage(line)) << line;
  }
  if (run.Err.rfind("Cannot write result/", 0) == 0) {
    EXPECT_EQ(run.Out, clean.Run.Out) << "the batch goes on after a failed write";
  }
}

TEST(IoFaults, EveryFailingCallIsReportedAndNothingWrittenIsLost) {
  Outcome clean = RunWithFault(0, false);
  ASSERT_EQ(clean.Run.ExitStatus, 0) << clean.Run.Err;
  ASSERT_EQ(clean.Results.size(), Networks.size());
  ASSERT_GT(clean.CallsCounted, 30) << "the fault library was not loaded";

  std::set<std::string> callsFailed;
  long walked = 0;
  for (long n = 1;; ++n) {
    Outcome faulty = RunWithFault(n, false);
    if (faulty.CallFailed == "-") {
      EXPECT_EQ(faulty.Run.ExitStatus, 0);
      break;
    }
    SCOPED_TRACE("call " + std::to_string(n) + " (" + faulty.CallFailed + ") failing");
    callsFailed.insert(faulty.CallFailed);
    ExpectFailureHandled(clean, faulty);
    ++walked;
  }
  EXPECT_EQ(walked, clean.CallsCounted);
  for (const char* call : {"opendir", "readdir", "open", "fstat", "read", "stat", "realpath",
                           "mkostemp", "fchmod", "write", "close", "rename", "fwrite", "fflush"}) {
    EXPECT_TRUE(callsFailed.count(call)) << call << " was never failed";
  }
  RecordProperty("InjectionPoints", static_cast<int>(walked));
  std::cout << "[ fault    ] " << walked << " failing calls walked\n";
}

// A read or write interrupted by a signal is retried: the run is the clean run.
TEST(IoFaults, InterruptedReadsAndWritesAreRetried) {
  Outcome clean = RunWithFault(0, true);
  ASSERT_GT(clean.CallsCounted, 10) << "the fault library was not loaded";
  for (long n = 1; n <= clean.CallsCounted; ++n) {
    SCOPED_TRACE("read or write " + std::to_string(n) + " interrupted");
    Outcome interrupted = RunWithFault(n, true);
    EXPECT_EQ(interrupted.Run.ExitStatus, 0) << interrupted.Run.Err;
    EXPECT_EQ(interrupted.Run.Out, clean.Run.Out);
    EXPECT_EQ(interrupted.Results, clean.Results);
  }
  std::cout << "[ fault    ] " << clean.CallsCounted << " reads and writes interrupted\n";
}

}  // namespace
}  // namespace kananet::e2e
