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
std::array<std::size_t, kKeysDrawn + 1> LabelSlots(const std::vector<LayoutEntry>& table) {
  std::array<std::size_t, kKeysDrawn + 1> slots;
  slots.fill(kNoLabel);
  std::size_t searchable = table.size() < kLayoutSearchSlots ? table.size() : kLayoutSearchSlots;
  for (std::size_t slot = 0; slot < searchable; ++slot) {
    const std::string& keys = table[slot].Keys;
    if (keys.empty() || (keys.size() > 1 && keys[1] != 0)) {
      continue;
    }
    auto key = static_cast<std::uint8_t>(keys[0]);
    if (key >= 1 && key <= kKeysDrawn && slots[key] == kNoLabel) {
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

// Edges of one hand's keys first..last at one gap class, each unordered pair once.
void AppendEdges(std::string& out, const PairCountTable& pairTallies, int gapClass, int first,
                 int last) {
  const int offset = kKeysDrawn * gapClass;
  const auto& plane = pairTallies[gapClass];
  for (int i = first; i < last; ++i) {
    for (int j = i + 1; j <= last; ++j) {
      std::uint32_t weight = plane[i][j] + plane[j][i];
      if (weight == 0) {
        continue;
      }
      out += std::to_string(i + offset);
      out += ' ';
      out += std::to_string(j + offset);
      out += ' ';
      AppendNumber(out, weight);
      out += kLineEnd;
    }
  }
}

}  // namespace

std::string OutputNameOf(std::string_view layoutName) {
  return std::string(layoutName.substr(0, layoutName.find('.'))) + ".net";
}

std::string BuildKeyboardNetwork(const std::vector<LayoutEntry>& table,
                                 const LayoutHeaderValues& header,
                                 const KeyCountTable& strokeCounts,
                                 const PairCountTable& pairTallies) {
  std::string out;
  out.reserve(64 * 1024);
  out += "*Vertices 330";
  out += kLineEnd;

  const auto labelSlots = LabelSlots(table);
  std::array<std::string, kKeysDrawn + 1> labels;
  for (int key = 1; key <= kKeysDrawn; ++key) {
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

  out += "*Edges";
  out += kLineEnd;
  // Keys 1..L are the left hand, L+1..55 the right; key 0 is never drawn.
  int lastLeft = header.LeftHandLastKey < 0            ? 0
                 : header.LeftHandLastKey > kKeysDrawn ? kKeysDrawn
                                                       : header.LeftHandLastKey;
  for (int gapClass = 0; gapClass < kGapClasses; ++gapClass) {
    AppendEdges(out, pairTallies, gapClass, 1, lastLeft);
    AppendEdges(out, pairTallies, gapClass, lastLeft + 1, kKeysDrawn);
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
