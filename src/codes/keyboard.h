// The keyboard's geometry, shared by the network writer and the report: 55 drawn keys in
// columns of four (number, top, home and bottom row), column by column from the left.
#pragma once

#include <cstdint>

namespace kananet {

inline constexpr int kKeysDrawn = 55;  // keys 1..55; key 0 has no place on the keyboard
inline constexpr int kKeyRows = 4;     // number, top, home and bottom row
inline constexpr int kKeyColumns = 14;

// Whether a key has a place on the keyboard: pairs with any other key are no figure.
inline constexpr bool IsDrawnKey(int key) {
  return key >= 1 && key <= kKeysDrawn;
}

// Vertex positions of key 1..55 in band (gap class) 0..2; rowCount scales the vertical spread
// (the network files use the layout's RowCount, the report's drawing four).
double KeyX(int key);
double KeyY(int key, int band, std::int32_t rowCount);

// The thumb keys of a file with keys pressed together: half a row below the bottom row, the
// left one ('<') under the fourth column's bottom key and the right one ('>') under the eighth's,
// either side of the space bar.
double ThumbX(int key);
double ThumbY(int band, std::int32_t rowCount);

}  // namespace kananet
