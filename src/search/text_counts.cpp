#include "search/text_counts.h"

#include <algorithm>
#include <exception>
#include <functional>

#include "platform/parallel.h"

namespace kananet::search {

CountsNeeded CountsFor(const FigureWeights& weights, bool countByKana, bool moveKana, bool verify) {
  const auto weighted = [&weights, verify](int figure) {
    return verify || weights[static_cast<std::size_t>(figure)] != 0;
  };
  CountsNeeded needed;
  needed.GapWindows =
      !moveKana && (weighted(kFigureGap2) || (!countByKana && weighted(kFigureGap1)));
  needed.UnitWindows = countByKana
                           ? weighted(kFigureGap0) || weighted(kFigureGap1) || weighted(kFigureGap2)
                           : moveKana && (weighted(kFigureGap1) || weighted(kFigureGap2));
  needed.KanaUnits = moveKana;
  needed.HandSets = moveKana && weighted(kFigureGap2);
  return needed;
}

TextCounts CountText(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                     std::size_t slots, bool countByKana, bool breakAfterPunctuation,
                     const CountsNeeded& needed, const std::vector<bool>& pinnedEntries,
                     const std::vector<int>& freeKeys, unsigned jobs) {
  TextCounts counts;
  // The pieces first: with kana moving, the kana units and hand sets follow them, the longest
  // work, and on two threads the unit windows go beside it. With keys moving, the pieces and
  // the gap windows share a thread and the unit windows take the other; taking the counts in
  // the order threads come free measured no faster, as the window counts wait on memory.
  std::vector<std::function<void()>> work;
  work.emplace_back([&] {
    counts.Pieces = CountPieces(kanaCodes, table, breakAfterPunctuation);
    if (counts.Pieces.Missing == static_cast<std::size_t>(-1) &&
        (needed.KanaUnits || needed.HandSets)) {
      counts.Kana.emplace(table, slots, counts.Pieces, pinnedEntries, freeKeys);
      if (needed.HandSets) {
        counts.Hands =
            CountHandSets(kanaCodes, table, breakAfterPunctuation, counts.Kana->Shapes());
      }
    }
  });
  if (needed.UnitWindows) {
    work.emplace_back([&] {
      counts.Units = CountUnitWindows(kanaCodes, table, breakAfterPunctuation, countByKana);
    });
  }
  if (needed.GapWindows) {
    work.emplace_back(
        [&] { counts.Windows = CountGapWindows(kanaCodes, table, breakAfterPunctuation); });
  }
  std::vector<std::exception_ptr> failures(work.size());
  const std::size_t sides = std::min<std::size_t>(std::max(jobs, 1u), work.size());
  RunParts(sides, [&](std::size_t side) {
    for (std::size_t at = side; at < work.size(); at += sides) {
      try {
        work[at]();
      } catch (...) {  // a thread may not throw: the first failure is thrown when all are done
        failures[at] = std::current_exception();
      }
    }
  });
  for (const std::exception_ptr& failure : failures) {
    if (failure) {
      std::rethrow_exception(failure);
    }
  }
  return counts;
}

}  // namespace kananet::search
