// The search's targets on a benchmark working directory: the count once per search (the
// matched entries and their follows, then the strokes) beside one layout's count of the same
// text, both on one thread; the key and kana exchanges scored per second on one core, alone and
// within rounds of each method; the method, many starts each improved by the best exchange
// beside simulated annealing with a greedy polish, on the same time per seed; and how often the
// search finds the optimum of the 8 most struck keys (40,320 arrangements, all tried) within a
// second.
//
//   kananet_search_bench DIR LAYOUT [RUNS [SEEDS]]   # DIR holds kanasample.txt and layout/LAYOUT
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
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
#include "search/hand_sets.h"
#include "search/key_search.h"
#include "search/layout_search.h"
#include "search/text_counts.h"
#include "search/unit_gaps.h"

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

// How many exchanges of two free keys delta scores per second, for 2 seconds.
template <typename Delta>
double KeyExchangesPerSecond(const std::vector<int>& freeKeys, Delta&& delta) {
  std::uint64_t scored = 0;
  double sum = 0;
  const Clock::time_point start = Clock::now();
  while (SecondsSince(start) < 2) {
    for (std::size_t i = 0; i < freeKeys.size(); ++i) {
      for (std::size_t j = i + 1; j < freeKeys.size(); ++j) {
        sum += delta(freeKeys[i], freeKeys[j]);
      }
    }
    scored += freeKeys.size() * (freeKeys.size() - 1) / 2;
  }
  const double perSecond = static_cast<double>(scored) / SecondsSince(start);
  return sum == 0.123 ? perSecond + 1e-9 : perSecond;  // the sum is used, so it is worked out
}

// The methods, each searching rounds for one seed: a round of best-improvement from a random
// start (no annealing steps), or an anneal of steps and its greedy polish, as kananet-search
// searches.
struct Method {
  const char* Name;
  std::uint64_t Steps;  // 0: best-improvement
};

double RoundOf(const Method& method, const search::KeyProblem& problem,
               const search::KanaUnits* kana, std::uint64_t seed, std::uint64_t round) {
  std::atomic<std::uint64_t> candidates{0};
  const std::atomic<bool> stop{false};
  search::LayoutState state = search::StartOfRound(problem, kana, seed, round);
  const std::size_t units = kana != nullptr ? kana->Size() : 0;
  search::Anneal(state, problem.FreeKeys(), units, seed, round, method.Steps, candidates, stop,
                 nullptr);
  search::Improve(state, problem.FreeKeys(), units, candidates, stop, nullptr);
  return problem.CostOf(search::FiguresAt(problem, kana, state.Now()));
}

// The lowest cost of the methods' rounds on seeds 1..seeds, seconds each.
void CompareMethods(const char* what, const search::KeyProblem& problem,
                    const search::KanaUnits* kana, const std::vector<Method>& methods, int seeds,
                    double seconds) {
  std::printf("%s, %d seeds of %.1f s each:\n", what, seeds, seconds);
  for (const Method& method : methods) {
    std::vector<double> best;
    std::uint64_t rounds = 0;
    for (int seed = 1; seed <= seeds; ++seed) {
      double lowest = INFINITY;
      const Clock::time_point start = Clock::now();
      for (std::uint64_t round = 0; SecondsSince(start) < seconds; ++round, ++rounds) {
        lowest = std::min(lowest,
                          RoundOf(method, problem, kana, static_cast<std::uint64_t>(seed), round));
      }
      best.push_back(lowest);
    }
    std::printf("  %-44s lowest cost median %.4f, best %.4f, worst %.4f (%.0f rounds a seed)\n",
                method.Name, Median(best), *std::min_element(best.begin(), best.end()),
                *std::max_element(best.begin(), best.end()), static_cast<double>(rounds) / seeds);
  }
}

// The lowest cost of every arrangement of the free keys, tried one exchange apart in Heap's
// order.
double Optimum(const search::KeyProblem& problem) {
  const std::vector<int>& keys = problem.FreeKeys();
  search::KeyState state(problem, search::StartPlaces());
  double optimum = state.Cost();
  std::vector<std::size_t> counters(keys.size(), 0);
  for (std::size_t i = 1; i < keys.size();) {
    if (counters[i] < i) {
      state.Exchange(keys[i % 2 == 0 ? 0 : counters[i]], keys[i]);
      optimum = std::min(optimum, state.Cost());
      ++counters[i];
      i = 1;
    } else {
      counters[i++] = 0;
    }
  }
  return optimum;
}

// How often each method reaches the optimum within a second, over seeds 1..seeds.
void FindOptimum(const search::KeyProblem& problem, const std::vector<Method>& methods, int seeds) {
  const double optimum = Optimum(problem);
  std::printf("the optimum of the %zu most struck keys (cost %.4f), %d seeds of at most 1 s:\n",
              problem.FreeKeys().size(), optimum, seeds);
  for (const Method& method : methods) {
    int found = 0;
    std::vector<double> times;
    for (int seed = 1; seed <= seeds; ++seed) {
      const Clock::time_point start = Clock::now();
      for (std::uint64_t round = 0; SecondsSince(start) < 1; ++round) {
        const double cost =
            RoundOf(method, problem, nullptr, static_cast<std::uint64_t>(seed), round);
        if (cost <= optimum + 1e-9 * (1 + std::abs(optimum))) {
          ++found;
          times.push_back(SecondsSince(start));
          break;
        }
      }
    }
    std::printf("  %-44s found in %d of %d seeds (target 95 %%)", method.Name, found, seeds);
    if (!times.empty()) {
      std::printf(", median %.2f ms, slowest %.2f ms", 1000 * Median(times),
                  1000 * *std::max_element(times.begin(), times.end()));
    }
    std::printf("\n");
  }
}

int Run(const std::string& directory, const std::string& name, int runs, int seeds) {
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
  PieceCounts pieces;
  for (int run = 0; run < runs; ++run) {
    Clock::time_point start = Clock::now();
    const LayoutCount count = ConvertAndTallyKanaStream(kanaCodes, layout, 1);
    counts.push_back(SecondsSince(start));
    start = Clock::now();
    pieces = CountPieces(kanaCodes, layout.Table, layout.Header.BreakAfterPunctuation != 0);
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
  // The default weights, then with the gap classes weighted too (keys moving), which the gap
  // windows score, and counted by kana the unit windows as well.
  const bool byKana = layout.Header.CountByKana != 0;
  const bool breaks = layout.Header.BreakAfterPunctuation != 0;
  std::vector<double> windowsTimes, unitTimes;
  search::GapWindows windows;
  search::UnitWindows unitWindows;
  for (int run = 0; run < runs; ++run) {
    Clock::time_point start = Clock::now();
    windows = search::CountGapWindows(kanaCodes, layout.Table, breaks);
    windowsTimes.push_back(SecondsSince(start));
    start = Clock::now();
    unitWindows = search::CountUnitWindows(kanaCodes, layout.Table, breaks, byKana);
    unitTimes.push_back(SecondsSince(start));
  }
  std::printf("%-34s %8.1f ms  (%.2fx the count; %zu key triples, %zu key sets of runs)\n",
              "gap windows counted (1 thread)", 1000 * Median(windowsTimes),
              Median(windowsTimes) / Median(counts), windows.Triples.size(), windows.Runs.size());
  std::printf("%-34s %8.1f ms  (%.2fx the count; %zu pairs of units, %zu windows of three)\n",
              "unit windows counted (1 thread)", 1000 * Median(unitTimes),
              Median(unitTimes) / Median(counts), unitWindows.Outers.size(),
              unitWindows.Windows.size());
  FigureWeights withGaps = DefaultSettings().Weights;
  withGaps[kFigureGap0] = byKana ? 0.1 : 0;
  withGaps[kFigureGap1] = -0.1;
  withGaps[kFigureGap2] = 0.1;
  for (const bool gaps : {false, true}) {
    const search::KeyProblem problem(strokes, freeKeys, gaps ? withGaps : DefaultSettings().Weights,
                                     layout.Header.LeftHandLastKey, byKana, KanaOfStream(kanaCodes),
                                     gaps ? &windows : nullptr, nullptr,
                                     gaps && byKana ? &unitWindows : nullptr);
    const char* const weights = !gaps    ? ""
                                : byKana ? " (gap classes 0, 1, 2+ weighted)"
                                         : " (gap classes 1, 2+ weighted)";
    const search::KeyState state(problem, search::StartPlaces());
    std::printf("%-34s %8.0f per second on one core (%zu free keys; target 500,000)%s\n",
                "key exchanges scored",
                KeyExchangesPerSecond(freeKeys, [&](int a, int b) { return state.Delta(a, b); }),
                freeKeys.size(), weights);

    std::atomic<std::uint64_t> candidates{0};
    const std::atomic<bool> stop{false};
    const Clock::time_point rounds = Clock::now();
    int done = 0;
    for (; SecondsSince(rounds) < 2; ++done) {
      search::LayoutState round =
          search::StartOfRound(problem, nullptr, 1, static_cast<std::uint64_t>(done) + 1);
      search::Improve(round, freeKeys, 0, candidates, stop, nullptr);
    }
    std::printf("%-34s %8.1f ms per round, %.0f exchanges scored per second in rounds%s\n",
                "rounds of best-improvement", 1000 * SecondsSince(rounds) / done,
                static_cast<double>(candidates.load()) / SecondsSince(rounds), weights);
    // Annealing takes many more of the exchanges it scores than best-improvement does.
    std::atomic<std::uint64_t> annealed{0};
    const Clock::time_point annealing = Clock::now();
    done = 0;
    for (; SecondsSince(annealing) < 2; ++done) {
      search::RunRound(problem, nullptr, 1, static_cast<std::uint64_t>(done) + 1, annealed, stop,
                       nullptr);
    }
    std::printf("%-34s %8.1f ms per round, %.0f exchanges scored per second in rounds%s\n",
                "rounds of annealing and polish", 1000 * SecondsSince(annealing) / done,
                static_cast<double>(annealed.load()) / SecondsSince(annealing), weights);
  }
  const std::size_t slots = MatchingSlots(layout.Table);
  const search::KanaUnits units(layout.Table, slots, pieces, std::vector<bool>(slots), freeKeys);
  // Kana exchanges, and rounds where keys and kana move; also with gap classes 0 and 1 (counted
  // by kana) or 1 (by strokes) weighted, which the unit windows score, and then class 2+ too,
  // which takes every same-hand pair from the hand sets.
  FigureWeights kanaGaps = withGaps;
  kanaGaps[kFigureGap2] = 0;
  std::vector<double> handTimes;
  search::HandSets hands;
  for (int run = 0; run < runs; ++run) {
    const Clock::time_point start = Clock::now();
    hands = search::CountHandSets(kanaCodes, layout.Table, breaks, units.Shapes());
    handTimes.push_back(SecondsSince(start));
  }
  std::printf("%-34s %8.1f ms  (%.2fx the count; %zu sets of runs and stretches)\n",
              "hand sets counted (1 thread)", 1000 * Median(handTimes),
              Median(handTimes) / Median(counts), hands.Sets.size());
  // All that a search with every gap class weighted counts before it searches, keys moving and
  // then kana too, on one thread and side by side on two.
  for (const bool kanaMoving : {false, true}) {
    const search::CountsNeeded needed = search::CountsFor(withGaps, byKana, kanaMoving, false);
    for (const unsigned jobs : {1u, 2u}) {
      std::vector<double> times;
      for (int run = 0; run < runs; ++run) {
        const Clock::time_point start = Clock::now();
        const search::TextCounts all =
            search::CountText(kanaCodes, layout.Table, slots, byKana, breaks, needed,
                              std::vector<bool>(slots), freeKeys, jobs);
        times.push_back(SecondsSince(start));
      }
      std::printf("%-34s %8.1f ms  (%.2fx the count; %s, gap classes weighted)\n",
                  jobs == 1 ? "the search's counts (1 thread)" : "the search's counts (2 threads)",
                  1000 * Median(times), Median(times) / Median(counts),
                  kanaMoving ? "keys and kana moving" : "keys moving");
    }
  }
  for (const int gaps : {0, 1, 2}) {
    const search::KeyProblem moving(strokes, freeKeys,
                                    gaps == 0   ? DefaultSettings().Weights
                                    : gaps == 1 ? kanaGaps
                                                : withGaps,
                                    layout.Header.LeftHandLastKey, byKana, KanaOfStream(kanaCodes),
                                    nullptr, nullptr, gaps != 0 ? &unitWindows : nullptr,
                                    gaps == 2 ? &hands : nullptr);
    const char* const weights = gaps == 0   ? ""
                                : gaps == 2 ? (byKana ? " (gap classes 0, 1, 2+ weighted)"
                                                      : " (gap classes 1, 2+ weighted)")
                                : byKana    ? " (gap classes 0, 1 weighted)"
                                            : " (gap class 1 weighted)";
    const search::LayoutState withKana(moving, &units, search::StartPlaces());
    std::uint64_t kanaScored = 0, kanaMade = 0;
    double sum = 0;
    const Clock::time_point kana = Clock::now();
    while (SecondsSince(kana) < 2) {
      for (std::size_t u = 0; u < units.Size(); ++u) {
        for (std::size_t w = u + 1; w < units.Size(); ++w) {
          const std::optional<double> delta = withKana.KanaDelta(u, w);
          kanaMade += delta.has_value();
          sum += delta.value_or(0);
        }
      }
      kanaScored += units.Size() * (units.Size() - 1) / 2;
    }
    std::printf(
        "%-34s %8.0f per second on one core (%zu kana that move; %.0f %% may be made)%s%s\n",
        "kana exchanges scored", static_cast<double>(kanaScored) / SecondsSince(kana), units.Size(),
        100.0 * static_cast<double>(kanaMade) / static_cast<double>(kanaScored), weights,
        sum == 0.123 ? " " : "");
    // Key exchanges where kana may move too: the gap classes come from the units' windows.
    std::printf(
        "%-34s %8.0f per second on one core%s\n", "key exchanges scored, kana moving",
        KeyExchangesPerSecond(freeKeys, [&](int a, int b) { return withKana.KeyDelta(a, b); }),
        weights);
    std::atomic<std::uint64_t> annealed{0};
    const std::atomic<bool> stop{false};
    const Clock::time_point annealing = Clock::now();
    int done = 0;
    for (; SecondsSince(annealing) < 2; ++done) {
      search::RunRound(moving, &units, 1, static_cast<std::uint64_t>(done) + 1, annealed, stop,
                       nullptr);
    }
    std::printf("%-34s %8.1f ms per round, %.0f exchanges scored per second in rounds%s\n",
                "rounds, keys and kana moving", 1000 * SecondsSince(annealing) / done,
                static_cast<double>(annealed.load()) / SecondsSince(annealing), weights);
  }
  const search::KeyProblem problem(strokes, freeKeys, DefaultSettings().Weights,
                                   layout.Header.LeftHandLastKey, byKana, KanaOfStream(kanaCodes));

  const std::uint64_t steps = search::AnnealingSteps(freeKeys.size(), units.Size());
  const std::vector<Method> methods = {
      {"many starts, best-improvement", 0},
      {"simulated annealing, then greedy polish", steps},
      {"the same, 4 times the steps", 4 * steps},
      {"the same, a quarter of the steps", steps / 4},
  };
  std::printf("\n");
  CompareMethods("the method, keys and kana moving", problem, &units, methods, 5, 2.0);
  const std::uint64_t keySteps = search::AnnealingSteps(freeKeys.size(), 0);
  CompareMethods("the method, keys moving", problem, nullptr,
                 {{"many starts, best-improvement", 0},
                  {"simulated annealing, then greedy polish", keySteps},
                  {"the same, 4 times the steps", 4 * keySteps}},
                 5, 2.0);
  std::vector<int> mostStruck = freeKeys;
  std::sort(mostStruck.begin(), mostStruck.end(), [&](int a, int b) {
    return strokes.Keys[static_cast<std::size_t>(a)] > strokes.Keys[static_cast<std::size_t>(b)];
  });
  mostStruck.resize(std::min<std::size_t>(mostStruck.size(), 8));
  const search::KeyProblem eight(strokes, mostStruck, DefaultSettings().Weights,
                                 layout.Header.LeftHandLastKey, layout.Header.CountByKana != 0,
                                 KanaOfStream(kanaCodes));
  const std::vector<Method> eightMethods = {
      {"many starts, best-improvement", 0},
      {"simulated annealing, then greedy polish", search::AnnealingSteps(8, 0)},
  };
  FindOptimum(eight, eightMethods, seeds);
  return 0;
}

}  // namespace
}  // namespace kananet

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: kananet_search_bench DIR LAYOUT [RUNS [SEEDS]]\n");
    return 2;
  }
  return kananet::Run(argv[1], argv[2], argc > 3 ? std::max(1, std::atoi(argv[3])) : 3,
                      argc > 4 ? std::max(1, std::atoi(argv[4])) : 100);
}
