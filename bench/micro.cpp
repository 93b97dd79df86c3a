// Micro-benchmarks of the inner loops on a 2 MB generated sample text: the lookup, the
// conversion and the two tallies, each with a ~150-entry and a 5,000-entry layout.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "analysis/statistics.h"
#include "bench/corpus.h"
#include "codes/key_alphabet.h"
#include "readers/layout.h"
#include "readers/sample_text.h"
#include "reference/key_stream.h"

namespace kananet::bench {
namespace {

struct Inputs {
  std::string KanaStream;
  std::vector<LayoutEntry> Tables[2]{std::vector<LayoutEntry>(kLayoutTableSlots),
                                     std::vector<LayoutEntry>(kLayoutTableSlots)};
  LayoutHeaderValues Headers[2];
  std::string KeyStreams[2][2];  // [layout][counted by kana]
};

const Inputs& TheInputs() {
  static const Inputs inputs = [] {
    Inputs made;
    AppendKanaStream(SampleText(2'000'000, 1), made.KanaStream);
    FillLayout(SmallLayout(100, false, false), made.Headers[0], made.Tables[0]);
    FillLayout(LargeLayout(200, 5000, false, false), made.Headers[1], made.Tables[1]);
    for (int layout = 0; layout < 2; ++layout) {
      for (bool byKana : {false, true}) {
        AppendKeyStream(made.KanaStream, made.Tables[layout], byKana, false,
                        made.KeyStreams[layout][byKana]);
      }
    }
    return made;
  }();
  return inputs;
}

const char* LayoutName(std::int64_t layout) {
  return layout == 0 ? "152 entries" : "5000 entries";
}

// Every lookup that the conversion makes, without building its output.
void KanaLookupFindFirstMatch(benchmark::State& state) {
  const Inputs& inputs = TheInputs();
  const std::vector<LayoutEntry>& table = inputs.Tables[state.range(0)];
  const KanaLookup lookup(table);
  const std::string& stream = inputs.KanaStream;
  for (auto _ : state) {
    std::size_t position = 0;
    while (position < stream.size()) {
      if (static_cast<std::uint8_t>(stream[position]) == kRunBreak) {
        ++position;
        continue;
      }
      std::size_t slot = lookup.FindFirstMatch(stream, position);
      benchmark::DoNotOptimize(slot);
      position += table[slot].Kana.size();
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
  state.SetLabel(LayoutName(state.range(0)));
}
BENCHMARK(KanaLookupFindFirstMatch)->Arg(0)->Arg(1);

void KanaLookupBuild(benchmark::State& state) {
  const std::vector<LayoutEntry>& table = TheInputs().Tables[state.range(0)];
  for (auto _ : state) {
    KanaLookup lookup(table);
    benchmark::DoNotOptimize(lookup);
  }
  state.SetLabel(LayoutName(state.range(0)));
}
BENCHMARK(KanaLookupBuild)->Arg(0)->Arg(1);

// The conversion into a KeyStream whose buffer is kept from run to run, as across layouts.
void AppendKeyStreamByLayout(benchmark::State& state) {
  const Inputs& inputs = TheInputs();
  bool byKana = state.range(1) != 0;
  std::string keyCodes;
  for (auto _ : state) {
    keyCodes.clear();
    AppendKeyStream(inputs.KanaStream, inputs.Tables[state.range(0)], byKana, true, keyCodes);
    benchmark::DoNotOptimize(keyCodes.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(inputs.KanaStream.size()));
  state.SetLabel(std::string(LayoutName(state.range(0))) + (byKana ? ", by kana" : ""));
}
BENCHMARK(AppendKeyStreamByLayout)->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1});

template <void (*Count)(std::string_view, std::int32_t, KeyCountTable&, PairCountTable&),
          bool ByKana>
void Tally(benchmark::State& state) {
  const Inputs& inputs = TheInputs();
  const std::string& keyCodes = inputs.KeyStreams[state.range(0)][ByKana];
  KeyCountTable strokeCounts;
  PairCountTable pairTallies;
  for (auto _ : state) {
    Count(keyCodes, inputs.Headers[state.range(0)].LeftHandLastKey, strokeCounts, pairTallies);
    benchmark::DoNotOptimize(pairTallies.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(keyCodes.size()));
  state.SetLabel(LayoutName(state.range(0)));
}
BENCHMARK(Tally<CountByStrokes, false>)->Name("CountByStrokes")->Arg(0)->Arg(1);
BENCHMARK(Tally<CountByKana, true>)->Name("CountByKana")->Arg(0)->Arg(1);

}  // namespace
}  // namespace kananet::bench

BENCHMARK_MAIN();
