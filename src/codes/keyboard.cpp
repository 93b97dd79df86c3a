#include "codes/keyboard.h"

#include "codes/key_alphabet.h"

namespace kananet {

namespace {

// A key's place across is its index in 56ths of the width, shifted by its row's stagger: the
// top row 1/125 of the width right of the home row, the bottom row 1/56 (a key's pitch), and
// the number row a pitch left of the top row.
constexpr double kKeyPitch = 1.0 / 56;
constexpr double kTopRowShift = 1.0 / 125;

}  // namespace

double KeyX(int key) {
  double x = key / 56.0;
  switch (key % 4) {
    case 1:  // number row
      x -= kKeyPitch - kTopRowShift;
      break;
    case 2:  // top row
      x += kTopRowShift;
      break;
    case 0:  // bottom row
      x += kKeyPitch;
      break;
    default:  // home row
      break;
  }
  return x;
}

namespace {

// Down, a band is a third of the height and a row 1/(3 rowCount) of it, the first row an eighth
// of a band's rows below the band's top; three rows sit 1/24 higher instead.
double RowY(double row, int band, std::int32_t rowCount) {
  double t = row / static_cast<double>(3 * rowCount) + band / 3.0;
  if (rowCount == 3) {
    return t - 1.0 / 24;
  }
  return 1 / static_cast<double>(8 * rowCount) + t;
}

}  // namespace

double KeyY(int key, int band, std::int32_t rowCount) {
  return RowY((key - 1) % 4, band, rowCount);
}

double ThumbX(int key) {
  constexpr int kUnderLeftThumb = 20;   // 'v'
  constexpr int kUnderRightThumb = 36;  // ','
  return KeyX(key == kLeftThumbKey ? kUnderLeftThumb : kUnderRightThumb);
}

double ThumbY(int band, std::int32_t rowCount) {
  return RowY(3.5, band, rowCount);
}

}  // namespace kananet
