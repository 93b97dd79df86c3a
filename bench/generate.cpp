// Writes a benchmark working directory: kanasample.txt of the given size in megabytes
// (10^6 bytes) and profile ("mixed", the default, or "kana": a reading of prose), eight layouts
// of about 150 entries and two of 5,000, and an empty result/.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/corpus.h"
#include "codes/key_alphabet.h"

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file.flush()) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

}  // namespace

int main(int argc, char** argv) {
  namespace bench = kananet::bench;
  std::string profileName = argc == 4 ? argv[3] : "mixed";
  if ((argc != 3 && argc != 4) || (profileName != "mixed" && profileName != "kana")) {
    std::fprintf(stderr, "usage: %s DIRECTORY MEGABYTES [mixed|kana]\n", argv[0]);
    return 2;
  }
  bench::TextProfile profile =
      profileName == "kana" ? bench::TextProfile::kKanaDense : bench::TextProfile::kMixed;
  try {
    std::filesystem::path directory = argv[1];
    std::filesystem::create_directories(directory / "layout");
    std::filesystem::create_directories(directory / "result");
    std::size_t bytes = std::strtoull(argv[2], nullptr, 10) * 1000 * 1000;
    WriteFile(directory / "kanasample.txt", bench::SampleText(bytes, 1, profile));
    // Every combination of counting by kana and breaking after punctuation, twice.
    for (int i = 0; i < 8; ++i) {
      bool countByKana = (i & 1) != 0;
      bool breakAfterPunctuation = (i & 2) != 0;
      WriteFile(directory / "layout" / ("s150-0" + std::to_string(i + 1) + ".txt"),
                bench::SmallLayout(100 + i, countByKana, breakAfterPunctuation));
    }
    // The first two small layouts with keys pressed together, one by strokes, one by kana.
    for (int i = 0; i < 2; ++i) {
      WriteFile(directory / "layout" / ("c150-0" + std::to_string(i + 1) + ".txt"),
                bench::ChordTwin(bench::SmallLayout(100 + i, i == 1, false)));
    }
    WriteFile(directory / "layout" / "s5000-01.txt",
              bench::LargeLayout(200, 5000, false, true, profile));
    WriteFile(directory / "layout" / "s5000-02.txt",
              bench::LargeLayout(201, 5000, true, false, profile));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
