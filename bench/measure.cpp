// Times the tool on a benchmark working directory, several runs, and prints the medians:
// reading the sample text (and, when a folder with a UTF-8 copy of it is given, reading that),
// and each layout's steps, called in this process one by one on one
// thread (beside them the conversion and the tally as separate steps, which the tests hold the
// batch's one-pass count against); whole runs of the tool itself with one thread and with all
// cores, with their peak resident memory; and, as the yardstick, one pass of
// `iconv -f CP932 -t UTF-8` over the same sample text.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "analysis/entry_counts.h"
#include "analysis/statistics.h"
#include "codes/key_alphabet.h"
#include "output/network_writer.h"
#include "platform/console.h"
#include "platform/directory.h"
#include "platform/working_directory.h"
#include "readers/layout.h"
#include "readers/sample_text.h"
#include "reference/key_stream.h"

namespace kananet {
namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  std::size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct ChildRun {
  double Milliseconds;
  double PeakMegabytes;
};

// Runs a program with its standard output discarded and waits for it. A forked child, not a
// spawned one: a spawned child shares its parent's memory until it runs the program, and its
// peak then includes the parent's peak.
ChildRun RunChild(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  Clock::time_point start = Clock::now();
  pid_t child = ::fork();
  if (child == 0) {
    int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  if (child < 0) {
    std::fprintf(stderr, "cannot start %s\n", argv[0]);
    std::exit(1);
  }
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  double milliseconds = MillisecondsSince(start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", argv[0]);
    std::exit(1);
  }
  return {milliseconds, static_cast<double>(usage.ru_maxrss) / 1024};
}

// One layout's steps, in the order and with the calls of the batch with one thread; then, for
// comparison, the conversion to a KeyStream and its tally as separate steps.
struct LayoutTimes {
  double Load, Count, Write, Convert, Tally;
  double Total() const { return Load + Count + Write; }
};

struct LayoutFacts {
  std::size_t Entries = 0;
  std::size_t KeyStreamBytes = 0;
  bool ByKana = false;
};

LayoutTimes EvaluateLayout(const SampleText& text, const std::string& name, LayoutFacts& facts) {
  LayoutTimes times{};
  Clock::time_point start = Clock::now();
  const LayoutDefinition layout = LoadLayout(name);
  times.Load = MillisecondsSince(start);
  start = Clock::now();
  const LayoutCount count = ConvertAndTallyKanaStream(text.KanaStream, layout, 1);
  times.Count = MillisecondsSince(start);
  start = Clock::now();
  WriteKeyboardNetwork(std::string(kResultDirectory) + OutputNameOf(name), layout, count.Counts);
  times.Write = MillisecondsSince(start);
  const bool byKana = layout.Header.CountByKana != 0;
  start = Clock::now();
  KeyBytes keyStream;
  AppendKeyStream(text.KanaStream, layout.Table, byKana, layout.Header.BreakAfterPunctuation != 0,
                  keyStream);
  times.Convert = MillisecondsSince(start);
  start = Clock::now();
  LayoutCounts separate;
  (byKana ? CountByKana : CountByStrokes)(keyStream, layout.Header.LeftHandLastKey, separate.Keys,
                                          separate.Pairs);
  times.Tally = MillisecondsSince(start);
  facts = {layout.Table.size(), keyStream.Size(), byKana};
  return times;
}

struct Samples {
  std::vector<double> Yardstick, Read, Utf8Read, Batch, PeakMegabytes, OneThreadBatch,
      OneThreadPeak, Check;
  std::map<std::string, std::vector<LayoutTimes>> Layouts;
};

void Report(const Samples& samples, const std::map<std::string, LayoutFacts>& facts,
            std::size_t sampleBytes, std::size_t streamBytes, int runs) {
  double yardstick = Median(samples.Yardstick);
  double read = Median(samples.Read);
  std::printf("kanasample.txt: %zu bytes, KanaStream %zu bytes; %zu layouts; median of %d runs\n\n",
              sampleBytes, streamBytes, facts.size(), runs);
  std::printf("%-46s %10s %8s\n", "", "time", "ratio");
  std::printf("%-46s %7.1f ms %8.2f\n", "yardstick: iconv -f CP932 -t UTF-8", yardstick, 1.0);
  std::printf("%-46s %7.1f ms %8.2f   (target <= 1.0)\n", "read the sample text", read,
              read / yardstick);
  if (!samples.Utf8Read.empty()) {
    double utf8Read = Median(samples.Utf8Read);
    std::printf("%-46s %7.1f ms %8.2f   (target <= 2.0)\n", "read the sample text saved as UTF-8",
                utf8Read, utf8Read / yardstick);
  }

  std::vector<double> small, large, smallByKana[2];
  std::map<std::string, double> totals;
  std::vector<std::string> chords;
  for (const auto& layout : samples.Layouts) {
    const std::string& name = layout.first;
    const std::vector<LayoutTimes>& times = layout.second;
    auto median = [&](double LayoutTimes::*phase) {
      std::vector<double> values;
      for (const LayoutTimes& t : times) {
        values.push_back(t.*phase);
      }
      return Median(values);
    };
    std::vector<double> runTotals;
    for (const LayoutTimes& t : times) {
      runTotals.push_back(t.Total());
    }
    double total = Median(runTotals);
    const LayoutFacts& fact = facts.at(name);
    totals[name] = total;
    if (name.rfind("c", 0) == 0) {
      chords.push_back(name);  // beside its twin below, not among the small layouts
    } else {
      (fact.Entries > 1000 ? large : small).push_back(total);
    }
    if (fact.Entries <= 1000 && name.rfind("c", 0) != 0) {
      smallByKana[fact.ByKana].push_back(total);
    }
    std::string label = "layout " + name + " (" + std::to_string(fact.Entries) + " entries, " +
                        (fact.ByKana ? "by kana)" : "by strokes)");
    std::printf(
        "%-46s %7.1f ms %8.2f   load %.1f, count %.1f, write %.1f; as separate steps: "
        "convert %.1f, tally %.1f (KeyStream %zu bytes)\n",
        label.c_str(), total, total / yardstick, median(&LayoutTimes::Load),
        median(&LayoutTimes::Count), median(&LayoutTimes::Write), median(&LayoutTimes::Convert),
        median(&LayoutTimes::Tally), fact.KeyStreamBytes);
  }
  if (!small.empty()) {
    double each = Median(small);
    std::printf("%-46s %7.1f ms %8.2f   (target <= 0.5)\n", "each ~150-entry layout (median)", each,
                each / yardstick);
    for (bool byKana : {false, true}) {
      if (!smallByKana[byKana].empty()) {
        double mode = Median(smallByKana[byKana]);
        std::printf("%-46s %7.1f ms %8.2f\n", byKana ? "  of them by kana" : "  of them by strokes",
                    mode, mode / yardstick);
      }
    }
    if (!large.empty()) {
      double eachLarge = Median(large);
      std::printf("%-46s %7.1f ms %8.2f   %.2fx a ~150-entry layout (target <= 1.2)\n",
                  "each 5,000-entry layout (median)", eachLarge, eachLarge / yardstick,
                  eachLarge / each);
    }
  }
  // A layout with keys pressed together beside the same layout struck one key at a time.
  for (const std::string& name : chords) {
    std::string twin = name;
    twin[0] = 's';
    std::string label = "keys pressed together: ";
    label += name;
    if (totals.count(twin) != 0) {
      std::printf(
          "%-46s %7.1f ms %8.2f   %.2fx %s, its keys struck one at a time (target <= 1.3)\n",
          ("keys pressed together: " + name).c_str(), totals[name], totals[name] / yardstick,
          totals[name] / totals[twin], twin.c_str());
    }
  }
  auto wholeRun = [&](const char* label, const std::vector<double>& times,
                      const std::vector<double>& peaks) {
    double batch = Median(times);
    double peak = Median(peaks);
    double perLayout = batch / static_cast<double>(std::max<std::size_t>(facts.size(), 1));
    std::printf("%-46s %7.1f ms %8.2f   each layout %.1f ms, %.2f; peak %.1f MB, %.2fx the text\n",
                label, batch, batch / yardstick, perLayout, perLayout / yardstick, peak,
                peak * 1024 * 1024 / static_cast<double>(sampleBytes));
  };
  wholeRun("whole run of kananet --jobs 1", samples.OneThreadBatch, samples.OneThreadPeak);
  wholeRun("whole run of kananet (all cores)", samples.Batch, samples.PeakMegabytes);
  std::printf("%-46s (targets: each layout <= 0.3 with all cores; peak <= 3.0x)\n", "");
  double check = Median(samples.Check);
  std::printf("%-46s %7.1f ms %8.2f   %.2fx the whole run on all cores (target <= 1.0)\n",
              "whole run of kananet --check", check, check / yardstick,
              check / Median(samples.Batch));
}

// Reads the sample text of another working directory as the batch would, and checks that it
// gives the KanaStream of this one.
double TimeReadIn(const std::string& directory, const std::string& expected) {
  std::filesystem::path back = std::filesystem::current_path();
  std::filesystem::current_path(directory);
  Clock::time_point start = Clock::now();
  SampleText text = ReadSampleText();
  double milliseconds = MillisecondsSince(start);
  std::filesystem::current_path(back);
  if (text.KanaStream != expected) {
    std::fprintf(stderr, "the sample text in %s gives another KanaStream\n", directory.c_str());
    std::exit(1);
  }
  return milliseconds;
}

int Measure(const std::string& kananet, int runs, const std::string& utf8Directory) {
  Samples samples;
  std::map<std::string, LayoutFacts> facts;
  std::size_t streamBytes = 0;
  std::vector<std::string> names = FindLayoutFiles(std::string(kLayoutDirectory)).Names;
  for (int run = 0; run < runs; ++run) {
    samples.Yardstick.push_back(
        RunChild({"iconv", "-f", "CP932", "-t", "UTF-8", kSampleTextPath}).Milliseconds);

    // The whole runs go first, while this process is small: a child's peak memory counts what
    // it shares with its parent when it starts.
    ChildRun oneThread = RunChild({kananet, "--jobs", "1"});
    samples.OneThreadBatch.push_back(oneThread.Milliseconds);
    samples.OneThreadPeak.push_back(oneThread.PeakMegabytes);
    ChildRun batch = RunChild({kananet});
    samples.Batch.push_back(batch.Milliseconds);
    samples.PeakMegabytes.push_back(batch.PeakMegabytes);
    samples.Check.push_back(RunChild({kananet, "--check"}).Milliseconds);

    Clock::time_point start = Clock::now();
    const SampleText text = ReadSampleText();
    samples.Read.push_back(MillisecondsSince(start));
    streamBytes = text.KanaStream.size();
    if (!utf8Directory.empty()) {
      samples.Utf8Read.push_back(TimeReadIn(utf8Directory, text.KanaStream));
    }
    for (const std::string& name : names) {
      samples.Layouts[name].push_back(EvaluateLayout(text, name, facts[name]));
    }
  }
  Report(samples, facts, std::filesystem::file_size(kSampleTextPath), streamBytes, runs);
  return 0;
}

}  // namespace
}  // namespace kananet

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: %s DIRECTORY RUNS KANANET [UTF8_DIRECTORY]\n", argv[0]);
    return 2;
  }
  std::string kananet = std::filesystem::absolute(argv[3]);
  std::string utf8Directory = argc == 5 ? std::filesystem::absolute(argv[4]).string() : "";
  if (::chdir(argv[1]) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  try {
    return kananet::Measure(kananet, std::max(1, std::atoi(argv[2])), utf8Directory);
  } catch (const kananet::RunStopped& stop) {
    return stop.ExitStatus;
  }
}
