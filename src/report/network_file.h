// The network file of one layout, read back: keys with their kana, positions and recovered
// counts, and the weighted same-hand edges of the three bands.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "codes/keyboard.h"

namespace kananet::report {

inline constexpr int kKeysPerBand = kKeysDrawn;  // keys 1..55; key 0 (the space) is not drawn
inline constexpr int kBandCount = 3;             // one band per gap class 0, 1, 2
inline constexpr int kVertexCount = 2 * kBandCount * kKeysPerBand;

// A count read back from a number in the file. Counts pass through six significant digits on
// their way into the file, so a large one may share its written form with its neighbours; it
// is then not exact and the value is only the nearest fit.
struct Count {
  std::uint64_t Value = 0;
  bool Exact = true;

  Count& operator+=(const Count& other) {
    Value += other.Value;
    Exact = Exact && other.Exact;
    return *this;
  }
  friend Count operator+(Count a, const Count& b) { return a += b; }
};

struct Point {
  double X = 0;
  double Y = 0;
};

struct Key {
  std::string Label;       // UTF-8 kana the key types alone; empty when it types none alone
  std::string LabelBytes;  // the label as the file has it, Shift_JIS
  double StrokeSize = 0;   // the stroke box size, the same in every band
  Count Strokes;           // how often the key is struck
  std::array<Point, kBandCount> StrokeAt{};
  std::array<Point, kBandCount> RepeatAt{};
  std::array<double, kBandCount> RepeatSize{};
  std::array<Count, kBandCount> Repeats{};  // how often the key follows itself, per gap class
};

// Two keys of one hand struck one after the other, in either order, at one gap class.
struct Edge {
  int Band = 0;
  int FirstKey = 0;  // firstKey < secondKey, both 1..55
  int SecondKey = 0;
  Count Weight;
};

struct Network {
  std::array<Key, kKeysPerBand + 1> Keys{};  // index 1..55; slot 0 stays empty
  std::vector<Edge> Edges;                   // in file order
};

// The text is not a network file of the expected shape; line() is 1-based.
class NetworkFormatError : public std::runtime_error {
 public:
  NetworkFormatError(int line, const std::string& message)
      : std::runtime_error(message), line_(line) {}
  int Line() const { return line_; }

 private:
  int line_;
};

// Reads the whole content of a network file. Lines end in CR LF; LF alone is accepted too.
Network ParseNetwork(std::string_view text);

// Character of the keyboard key with index 1..55, as layout files name it.
char KeyName(int key);

}  // namespace kananet::report
