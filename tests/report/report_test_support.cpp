#include "report_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "output/network_writer.h"

namespace kananet::report::testing {

std::string NetworkText(const NetworkCounts& counts) {
  std::ostringstream out;
  out << "*Vertices 330\r\n";
  // Columns of four keys, rows shifted like a keyboard; four rows in each third of the height.
  const double shift[4] = {0.017857142857142856, -0.009857142857142856, 0.008, 0};
  for (int band = 0; band < 3; ++band) {
    for (int i = 1; i <= 55; ++i) {
      const double x = i / 56.0 + shift[i % 4];
      const double y = 1 / 32.0 + ((i - 1) % 4) / 12.0 + band / 3.0;
      const double size = std::sqrt(counts.StrokeCounts[i]);
      const double repeatSize = 2 * std::sqrt(counts.PairTallies[band][i][i]);
      out << 55 * band + i << " \"" << counts.Labels[i] << "\" " << x << " " << y
          << " 0.5 box x_fact " << size << " y_fact " << size << " ic Blue\r\n";
      out << 165 + 55 * band + i << " \"\" " << x << " " << y << " 0.5 box x_fact " << repeatSize
          << " y_fact " << repeatSize << " ic OliveGreen\r\n";
    }
  }
  out << "*Edges\r\n";
  const int last = counts.LeftHandLastKey;
  for (int band = 0; band < 3; ++band) {
    const auto& pairs = counts.PairTallies[band];
    const auto writeHand = [&](int from, int to) {
      for (int i = from; i < to; ++i) {
        for (int j = i + 1; j <= to; ++j) {
          const std::uint32_t w = pairs[i][j] + pairs[j][i];
          if (w != 0) {
            out << i + 55 * band << " " << j + 55 * band << " " << static_cast<double>(w) << "\r\n";
          }
        }
      }
    };
    writeHand(1, last);
    writeHand(last + 1, 55);
  }
  return out.str();
}

NetworkCounts SmallExample() {
  NetworkCounts counts;
  counts.Labels[7] = "\x82\xa0";  // あ
  counts.StrokeCounts[7] = 400;
  counts.PairTallies[0][7][7] = 16;
  counts.PairTallies[1][7][7] = 10;
  counts.PairTallies[0][7][15] = 30;
  counts.PairTallies[0][15][7] = 12;
  counts.PairTallies[1][26][31] = 5;
  return counts;
}

std::string ChordNetworkText(const KeyCountTable& keys, const PairCountTable& pairs,
                             const std::string& thumbLabel, int leftHandLastKey) {
  LayoutHeaderValues header;
  header.LeftHandLastKey = leftHandLastKey;
  header.RowCount = 4;
  header.Chords = true;
  std::vector<LayoutEntry> table;
  if (!thumbLabel.empty()) {
    const std::uint8_t kana = KanaCodeOf(static_cast<std::uint8_t>(thumbLabel[0]),
                                         static_cast<std::uint8_t>(thumbLabel[1]));
    table.push_back({std::string(1, static_cast<char>(kana)),
                     std::string(1, static_cast<char>(kLeftThumbKey))});
  }
  return BuildKeyboardNetwork(table, header, keys, pairs);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << "no " << from;
  if (at != std::string::npos) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

}  // namespace kananet::report::testing
