// The keyboard network writer: one Pajek network file per layout in result/.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/statistics.h"
#include "readers/layout.h"

namespace kananet {

inline constexpr int KeysDrawn = 55;  // keys 1..55; key 0 has no place on the keyboard
inline constexpr int NetworkVertices = 330;

// Writes result/<output name> for the current layout and leaves the output name in
// CurrentLayoutName. A file that cannot be written is reported and the run goes on; the file
// that was there before stays as it was. Returns whether the file was written.
bool WriteKeyboardNetwork();

// The layout file's name up to its first ".", followed by ".net".
std::string OutputNameOf(std::string_view layoutName);

// Vertex positions of key 1..55 in band (gap class) 0..2; RowCount scales the vertical spread.
double KeyX(int key);
double KeyY(int key, int band, std::int32_t rowCount);

// The whole network file for a layout's table, header and counts.
std::string BuildKeyboardNetwork(const std::vector<LayoutEntry>& table,
                                 const LayoutHeaderValues& header, const KeyCountTable& keyCounts,
                                 const PairCountTable& pairCounts);

}  // namespace kananet
