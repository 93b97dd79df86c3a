// The network file of one layout, read back: keys with their kana, positions and recovered
// counts, and the weighted same-hand edges of the three bands.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "codes/key_alphabet.h"
#include "codes/keyboard.h"

namespace kananet::report {

inline constexpr int kKeysPerBand = kKeysDrawn;  // keys 1..55; key 0 (the space) is not drawn
inline constexpr int kBandCount = 3;             // one band per gap class 0, 1, 2
inline constexpr int kVertexCount = 2 * kBandCount * kKeysPerBand;
// A layout with keys pressed together adds the thumb keys' stroke and repeat vertices.
inline constexpr int kThumbKeyCount = 2;
inline constexpr int kChordVertexCount = kVertexCount + 2 * kBandCount * kThumbKeyCount;
// Room for every key a network file can hold: 1..55, then the thumb keys 56 ('<') and 57 ('>').
inline constexpr int kKeySlotCount = kKeyCountWithThumbs;

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
  int FirstKey = 0;  // firstKey < secondKey, both 1..55, or a thumb key (56, 57) second
  int SecondKey = 0;
  Count Weight;
};

struct Network {
  // Index 1..55, and the thumb keys 56 and 57 in a file of a layout with keys pressed together
  // (342 vertices); slot 0 stays empty.
  std::array<Key, kKeySlotCount> Keys{};
  std::vector<Edge> Edges;  // in file order
  bool Chords = false;      // the file holds the thumb keys

  // The last key the file holds: 55, or the right thumb key.
  int LastKey() const { return Chords ? kRightThumbKey : kKeysPerBand; }
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

// Character of the keyboard key with index 1..57, as layout files name it ('<' and '>' the thumb
// keys of a file with keys pressed together).
char KeyName(int key);

}  // namespace kananet::report
