// The conversion and the tally in one pass, one matched entry at a time: KeyCounts and
// PairCounts straight from the KanaStream, without writing the KeyStream. The KanaStream's runs
// are independent, so its parts between RunBreaks can be counted by several threads.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "analysis/statistics.h"
#include "readers/layout.h"

namespace kananet {

// Below this many KanaStream bytes per thread, starting a thread costs more than it saves.
inline constexpr std::size_t kMinBytesPerThread = std::size_t{1} << 18;

// Counts kanaCodes with the table and the header exactly as converting it to a KeyStream and
// tallying that by the header's mode would, with up to jobs threads (parts of at least
// minBytesPerThread bytes). Returns kNoSlot, or the first position of kanaCodes whose kana has
// no definition; the tables are then left unspecified.
std::size_t CountKanaStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                            const LayoutHeaderValues& header, unsigned jobs,
                            KeyCountTable& strokeCounts, PairCountTable& pairTallies,
                            std::size_t minBytesPerThread = kMinBytesPerThread);

// The batch's step in place of ConvertKanaStream and the tally: fills KeyCounts and PairCounts
// from the KanaStream with the LayoutTable and LayoutHeader, leaving the KeyStream as it is.
// Ends the run with the message of ConvertKanaStream when a kana has no definition.
void ConvertAndTallyKanaStream(unsigned jobs);

}  // namespace kananet
