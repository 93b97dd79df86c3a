#include "output/network_writer.h"

#include <array>
#include <cmath>
#include <cstring>

#include "codes/kana_code.h"
#include "codes/number_format.h"
#include "platform/console.h"
#include "platform/files.h"

namespace kananet {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kNoLabel = static_cast<std::size_t>(-1);

// For each key, the first slot below LayoutSearchSlots whose keys are that key alone, or that
// key followed by key 0. Its first kana labels the key's stroke vertices.
std::array<std::size_t, kKeyCountWithThumbs> LabelSlots(const std::vector<LayoutEntry>& table) {
  std::array<std::size_t, kKeyCountWithThumbs> slots;
  slots.fill(kNoLabel);
  std::size_t searchable = table.size() < kLayoutSearchSlots ? table.size() : kLayoutSearchSlots;
  for (std::size_t slot = 0; slot < searchable; ++slot) {
    const std::string& keys = table[slot].Keys;
    if (keys.empty() || (keys.size() > 1 && keys[1] != 0)) {
      continue;
    }
    auto key = static_cast<std::uint8_t>(keys[0]);
    if (key >= 1 && key < kKeyCountWithThumbs && slots[key] == kNoLabel) {
      slots[key] = slot;
    }
  }
  return slots;
}

std::string LabelOf(const std::vector<LayoutEntry>& table, std::size_t slot) {
  if (slot == kNoLabel) {
    return {};
  }
  const std::string& kana = table[slot].Kana;
  return KanaText(kana.empty() ? 0 : static_cast<std::uint8_t>(kana[0]));
}

// A y that is not a finite number (RowCount 0) is written as 0 so every reader can load it.
double Drawable(double value) {
  return std::isfinite(value) ? value : 0.0;
}

void AppendVertex(std::string& out, int number, std::string_view label, double x, double y,
                  double size, std::string_view colour) {
  out += std::to_string(number);
  out += " \"";
  out += label;
  out += "\" ";
  AppendNumber(out, x);
  out += ' ';
  AppendNumber(out, Drawable(y));
  out += " 0.5 box x_fact ";
  AppendNumber(out, size);
  out += " y_fact ";
  AppendNumber(out, size);
  out += colour;
  out += kLineEnd;
}

void AppendEdge(std::string& out, int first, int second, std::uint32_t weight) {
  if (weight == 0) {
    return;
  }
  out += std::to_string(first);
  out += ' ';
  out += std::to_string(second);
  out += ' ';
  AppendNumber(out, weight);
  out += kLineEnd;
}

// Edges of one hand's keys first..last at one gap class, each unordered pair once; in a file
// with keys pressed together, then those of the hand's thumb key with each of them.
void AppendEdges(std::string& out, const PairCountTable& pairTallies, int gapClass, int first,
                 int last, int thumb) {
  const int offset = kKeysDrawn * gapClass;
  const auto& plane = pairTallies[gapClass];
  for (int i = first; i < last; ++i) {
    for (int j = i + 1; j <= last; ++j) {
      AppendEdge(out, i + offset, j + offset, plane[i][j] + plane[j][i]);
    }
  }
  if (thumb < 0) {
    return;
  }
  for (int i = first; i <= last; ++i) {
    AppendEdge(out, i + offset, ThumbVertex(thumb, gapClass, false),
               plane[i][thumb] + plane[thumb][i]);
  }
}

}  // namespace

int ThumbVertex(int key, int band, bool repeat) {
  return kNetworkVertices + (repeat ? 2 * kGapClasses : 0) + 2 * band + (key - kLeftThumbKey) + 1;
}

std::string OutputNameOf(std::string_view layoutName) {
  std::string name(LayoutStem(layoutName));
  name += ".net";
  return name;
}

std::string BuildKeyboardNetwork(const std::vector<LayoutEntry>& table,
                                 const LayoutHeaderValues& header,
                                 const KeyCountTable& strokeCounts,
                                 const PairCountTable& pairTallies) {
  std::string out;
  out.reserve(64 * 1024);
  out += "*Vertices ";
  out += std::to_string(header.Chords ? kChordNetworkVertices : kNetworkVertices);
  out += kLineEnd;

  const auto labelSlots = LabelSlots(table);
  std::array<std::string, kKeyCountWithThumbs> labels;
  for (int key = 1; key < kKeyCountWithThumbs; ++key) {
    labels[key] = LabelOf(table, labelSlots[key]);
  }
  for (int band = 0; band < kGapClasses; ++band) {
    for (int key = 1; key <= kKeysDrawn; ++key) {
      double x = KeyX(key);
      double y = KeyY(key, band, header.RowCount);
      int strokeVertex = kKeysDrawn * band + key;
      AppendVertex(out, strokeVertex, labels[key], x, y,
                   std::sqrt(static_cast<double>(strokeCounts[key])), " ic Blue");
      AppendVertex(out, 3 * kKeysDrawn + strokeVertex, "", x, y,
                   2 * std::sqrt(static_cast<double>(pairTallies[band][key][key])),
                   " ic OliveGreen");
    }
  }
  // The thumb keys of a file with keys pressed together follow the 330 vertices of the others:
  // each thumb key's stroke vertices, then its repeat vertices, band by band.
  for (bool repeat : {false, true}) {
    for (int band = 0; header.Chords && band < kGapClasses; ++band) {
      for (int key : {kLeftThumbKey, kRightThumbKey}) {
        const auto count = repeat ? pairTallies[band][key][key] : strokeCounts[key];
        AppendVertex(out, ThumbVertex(key, band, repeat), repeat ? "" : labels[key], ThumbX(key),
                     ThumbY(band, header.RowCount),
                     (repeat ? 2 : 1) * std::sqrt(static_cast<double>(count)),
                     repeat ? " ic OliveGreen" : " ic Blue");
      }
    }
  }

  out += "*Edges";
  out += kLineEnd;
  // Keys 1..L are the left hand, L+1..55 the right; key 0 is never drawn.
  int lastLeft = header.LeftHandLastKey < 0            ? 0
                 : header.LeftHandLastKey > kKeysDrawn ? kKeysDrawn
                                                       : header.LeftHandLastKey;
  for (int gapClass = 0; gapClass < kGapClasses; ++gapClass) {
    AppendEdges(out, pairTallies, gapClass, 1, lastLeft, header.Chords ? kLeftThumbKey : -1);
    AppendEdges(out, pairTallies, gapClass, lastLeft + 1, kKeysDrawn,
                header.Chords ? kRightThumbKey : -1);
  }
  return out;
}

bool WriteKeyboardNetwork(const std::string& path, const LayoutDefinition& layout,
                          const LayoutCounts& counts) {
  std::string network =
      BuildKeyboardNetwork(layout.Table, layout.Header, counts.Keys, counts.Pairs);
  if (int error = ReplaceFile(path, network)) {
    ReportFailure(ConsoleText("Cannot write ")
                      .Name(path)
                      .Text(": " + std::string(std::strerror(error)) + "\n"));
    return false;
  }
  return true;
}

}  // namespace kananet
