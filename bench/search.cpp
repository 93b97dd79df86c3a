// The search's targets on a benchmark working directory: the count once per search (the
// matched entries and their follows, then the strokes) beside one layout's count of the same
// text, both on one thread, and the key exchanges scored per second on one core.
//
//   kananet_search_bench DIR LAYOUT [RUNS]    # DIR holds kanasample.txt and layout/LAYOUT
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/entry_counts.h"
#include "analysis/entry_matcher.h"
#include "analysis/figures.h"
#include "analysis/piece_counts.h"
#include "cost/search_file.h"
#include "readers/layout.h"
#include "readers/sample_text.h"
#include "search/gap_windows.h"
#include "search/key_search.h"
#include "search/layout_search.h"

namespace kananet {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int Run(const std::string& directory, const std::string& name, int runs) {
  const SampleTextFile text = ReadSampleTextFile(directory + "/kanasample.txt", 1, false);
  const LayoutFile file = ReadLayoutFile(directory + "/layout/" + name);
  if (!text.Ok() || !file.Ok()) {
    std::fprintf(stderr, "cannot read %s or its layout %s\n", directory.c_str(), name.c_str());
    return 1;
  }
  const std::string& kanaCodes = text.Text.KanaStream;
  const LayoutDefinition& layout = file.Definition;
  std::vector<double> counts, once;
  StrokeCounts strokes;
  for (int run = 0; run < runs; ++run) {
    Clock::time_point start = Clock::now();
    const LayoutCount count = ConvertAndTallyKanaStream(kanaCodes, layout, 1);
    counts.push_back(SecondsSince(start));
    start = Clock::now();
    const PieceCounts pieces =
        CountPieces(kanaCodes, layout.Table, layout.Header.BreakAfterPunctuation != 0);
    strokes = StrokesOfPieces(pieces, layout.Table);
    once.push_back(SecondsSince(start));
    if (count.Missing != kNoSlot || pieces.Missing != kNoSlot) {
      std::fprintf(stderr, "a kana of the text has no entry in %s\n", name.c_str());
      return 1;
    }
  }
  std::printf("%-34s %8.1f ms\n", "one layout's count (1 thread)", 1000 * Median(counts));
  std::printf("%-34s %8.1f ms  (%.2fx the count; target at most 2x)\n",
              "the search's count once (1 thread)", 1000 * Median(once),
              Median(once) / Median(counts));

  std::vector<int> freeKeys;
  for (int key = 1; key < 56; ++key) {
    if (strokes.Keys[static_cast<std::size_t>(key)] > 0) {
      freeKeys.push_back(key);
    }
  }
  // The default weights, then with gap classes 1 and 2+ weighted too (counted by strokes, keys
  // moving), which the gap windows score.
  const bool byKana = layout.Header.CountByKana != 0;
  std::vector<double> windowsTimes;
  search::GapWindows windows;
  for (int run = 0; run < (byKana ? 0 : runs); ++run) {
    const Clock::time_point start = Clock::now();
    windows =
        search::CountGapWindows(kanaCodes, layout.Table, layout.Header.BreakAfterPunctuation != 0);
    windowsTimes.push_back(SecondsSince(start));
  }
  if (!byKana) {
    std::printf("%-34s %8.1f ms  (%zu key triples, %zu key sets of runs)\n",
                "gap windows counted (1 thread)", 1000 * Median(windowsTimes),
                windows.Triples.size(), windows.Runs.size());
  }
  FigureWeights withGaps = DefaultSettings().Weights;
  withGaps[kFigureGap1] = -0.1;
  withGaps[kFigureGap2] = 0.1;
  for (const bool gaps : {false, true}) {
    if (gaps && byKana) {
      break;
    }
    const search::KeyProblem problem(strokes, freeKeys, gaps ? withGaps : DefaultSettings().Weights,
                                     layout.Header.LeftHandLastKey, byKana, KanaOfStream(kanaCodes),
                                     gaps ? &windows : nullptr);
    const char* const weights = gaps ? " (gap classes 1, 2+ weighted)" : "";
    const search::KeyState state(problem, search::StartPlaces());
    std::uint64_t scored = 0;
    double sum = 0;
    const Clock::time_point start = Clock::now();
    while (SecondsSince(start) < 2) {
      for (std::size_t i = 0; i < freeKeys.size(); ++i) {
        for (std::size_t j = i + 1; j < freeKeys.size(); ++j) {
          sum += state.Delta(freeKeys[i], freeKeys[j]);
        }
      }
      scored += freeKeys.size() * (freeKeys.size() - 1) / 2;
    }
    std::printf("%-34s %8.0f per second on one core (%zu free keys; target 500,000)%s%s\n",
                "key exchanges scored", static_cast<double>(scored) / SecondsSince(start),
                freeKeys.size(), weights, sum == 0.123 ? " " : "");

    std::atomic<std::uint64_t> candidates{0};
    const std::atomic<bool> stop{false};
    const Clock::time_point rounds = Clock::now();
    int done = 0;
    for (; SecondsSince(rounds) < 2; ++done) {
      search::RunRound(problem, nullptr, 1, static_cast<std::uint64_t>(done) + 1, candidates, stop,
                       nullptr);
    }
    std::printf("%-34s %8.1f ms per round, %.0f exchanges scored per second in rounds%s\n",
                "rounds of best-improvement", 1000 * SecondsSince(rounds) / done,
                static_cast<double>(candidates.load()) / SecondsSince(rounds), weights);
  }
  return 0;
}

}  // namespace
}  // namespace kananet

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: kananet_search_bench DIR LAYOUT [RUNS]\n");
    return 2;
  }
  return kananet::Run(argv[1], argv[2], argc > 3 ? std::max(1, std::atoi(argv[3])) : 3);
}
