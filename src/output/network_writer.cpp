#include "output/network_writer.h"

#include <array>
#include <cmath>
#include <cstring>

#include "codes/kana_code.h"
#include "driver/current_layout.h"
#include "output/number_format.h"
#include "platform/console.h"
#include "platform/files.h"

namespace kananet {

namespace {

constexpr std::string_view LineEnd = "\r\n";
constexpr std::size_t NoLabel = static_cast<std::size_t>(-1);

// For each key, the first slot below LayoutSearchSlots whose keys are that key alone, or that
// key followed by key 0. Its first kana labels the key's stroke vertices.
std::array<std::size_t, KeysDrawn + 1> LabelSlots(const std::vector<LayoutEntry>& table) {
  std::array<std::size_t, KeysDrawn + 1> slots;
  slots.fill(NoLabel);
  std::size_t searchable = table.size() < LayoutSearchSlots ? table.size() : LayoutSearchSlots;
  for (std::size_t slot = 0; slot < searchable; ++slot) {
    const std::string& keys = table[slot].Keys;
    if (keys.empty() || (keys.size() > 1 && keys[1] != 0)) {
      continue;
    }
    auto key = static_cast<std::uint8_t>(keys[0]);
    if (key >= 1 && key <= KeysDrawn && slots[key] == NoLabel) {
      slots[key] = slot;
    }
  }
  return slots;
}

std::string LabelOf(const std::vector<LayoutEntry>& table, std::size_t slot) {
  if (slot == NoLabel) {
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
  out += LineEnd;
}

// Edges of one hand's keys first..last at one gap class, each unordered pair once.
void AppendEdges(std::string& out, const PairCountTable& pairCounts, int gapClass, int first,
                 int last) {
  const int offset = KeysDrawn * gapClass;
  const auto& plane = pairCounts[gapClass];
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
      out += LineEnd;
    }
  }
}

}  // namespace

std::string OutputNameOf(std::string_view layoutName) {
  return std::string(layoutName.substr(0, layoutName.find('.'))) + ".net";
}

double KeyX(int key) {
  double x = key / 56.0;
  switch (key % 4) {
    case 1:  // number row
      x -= 0.009857142857142856;
      break;
    case 2:  // top row
      x += 0.008;
      break;
    case 0:  // bottom row
      x += 0.017857142857142856;
      break;
    default:  // home row
      break;
  }
  return x;
}

double KeyY(int key, int band, std::int32_t rowCount) {
  int row = (key - 1) % 4;
  double t = row / static_cast<double>(3 * rowCount) + band / 3.0;
  if (rowCount == 3) {
    return t - 0.041666666666666664;
  }
  return 1 / static_cast<double>(8 * rowCount) + t;
}

std::string BuildKeyboardNetwork(const std::vector<LayoutEntry>& table,
                                 const LayoutHeaderValues& header, const KeyCountTable& keyCounts,
                                 const PairCountTable& pairCounts) {
  std::string out;
  out.reserve(64 * 1024);
  out += "*Vertices 330";
  out += LineEnd;

  const auto labelSlots = LabelSlots(table);
  std::array<std::string, KeysDrawn + 1> labels;
  for (int key = 1; key <= KeysDrawn; ++key) {
    labels[key] = LabelOf(table, labelSlots[key]);
  }
  for (int band = 0; band < GapClasses; ++band) {
    for (int key = 1; key <= KeysDrawn; ++key) {
      double x = KeyX(key);
      double y = KeyY(key, band, header.RowCount);
      int strokeVertex = KeysDrawn * band + key;
      AppendVertex(out, strokeVertex, labels[key], x, y,
                   std::sqrt(static_cast<double>(keyCounts[key])), " ic Blue");
      AppendVertex(out, 3 * KeysDrawn + strokeVertex, "", x, y,
                   2 * std::sqrt(static_cast<double>(pairCounts[band][key][key])),
                   " ic OliveGreen");
    }
  }

  out += "*Edges";
  out += LineEnd;
  // Keys 1..L are the left hand, L+1..55 the right; key 0 is never drawn.
  int lastLeft = header.LeftHandLastKey < 0           ? 0
                 : header.LeftHandLastKey > KeysDrawn ? KeysDrawn
                                                      : header.LeftHandLastKey;
  for (int gapClass = 0; gapClass < GapClasses; ++gapClass) {
    AppendEdges(out, pairCounts, gapClass, 1, lastLeft);
    AppendEdges(out, pairCounts, gapClass, lastLeft + 1, KeysDrawn);
  }
  return out;
}

bool WriteKeyboardNetwork() {
  CurrentLayoutName = OutputNameOf(CurrentLayoutName);
  std::string path = PathInDirectory(ResultDirectory);
  std::string network = BuildKeyboardNetwork(LayoutTable, LayoutHeader, KeyCounts, PairCounts);
  if (int error = ReplaceFile(path, network)) {
    ReportFailure(ConsoleText("Cannot write ")
                      .Name(path)
                      .Text(": " + std::string(std::strerror(error)) + "\n"));
    return false;
  }
  return true;
}

}  // namespace kananet
