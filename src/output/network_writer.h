// The keyboard network writer: one Pajek network file per layout in result/.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/statistics.h"
#include "codes/key_alphabet.h"
#include "codes/keyboard.h"
#include "readers/layout.h"

namespace kananet {

inline constexpr int kNetworkVertices = 330;
// A file with keys pressed together adds the two thumb keys' stroke and repeat vertices in each
// of the three bands.
inline constexpr int kChordNetworkVertices = kNetworkVertices + 4 * kGapClasses;

// The vertex of a thumb key (kLeftThumbKey or kRightThumbKey) in band 0..2: 331-336 the stroke
// vertices (band by band, the left thumb first), 337-342 the repeat vertices.
int ThumbVertex(int key, int band, bool repeat);

// Writes the network file of a layout's counts at path. A file that cannot be written is
// reported and the run goes on; the file that was there before stays as it was. Returns
// whether the file was written.
bool WriteKeyboardNetwork(const std::string& path, const LayoutDefinition& layout,
                          const LayoutCounts& counts);

// The layout file's name up to its first ".", followed by ".net".
std::string OutputNameOf(std::string_view layoutName);

// The whole network file for a layout's table, header and counts.
std::string BuildKeyboardNetwork(const std::vector<LayoutEntry>& table,
                                 const LayoutHeaderValues& header,
                                 const KeyCountTable& strokeCounts,
                                 const PairCountTable& pairTallies);

}  // namespace kananet
