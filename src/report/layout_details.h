// What the working directory adds to a batch's network files: the sample text, each layout's
// header and check findings, the kana every key types, and the layout's counts made again from
// the text, so that the figures which need the order of the strokes can be given exactly.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/statistics.h"
#include "report/network_file.h"

namespace kananet::report {

struct SampleTextFacts {
  std::string name;  // UTF-8
  bool read = false;
  std::uint64_t bytes = 0;
  std::uint64_t kana = 0;  // kana of the text, without the closing ず
  std::uint64_t runs = 0;  // runs of consecutive kana
};

struct CheckLine {
  std::string severity;  // "error", "warning" or "note"
  std::string location;  // layout/NAME:LINE, UTF-8
  std::string message;   // UTF-8
};

// The counts of one layout made again from the text: its own mode's, to compare with the
// network file, and by strokes, for the finger figures.
struct Recount {
  KeyCountTable keys{};
  PairCountTable ownMode{};
  PairCountTable byStrokes{};
};

struct LayoutDetails {
  std::string layoutFile;  // the layout file's name, UTF-8
  bool headerKnown = false;
  int leftHandLastKey = 0;
  bool countByKana = false;
  bool breakAfterPunctuation = false;
  int rows = 0;
  std::string header;  // the header as understood, in words, UTF-8
  std::vector<CheckLine> findings;
  std::array<std::string, kKeysPerBand + 1> kanaAlone;     // every kana a key types alone
  std::array<std::string, kKeysPerBand + 1> kanaWithKeys;  // kana it types with other keys
  std::shared_ptr<const Recount> recount;  // null when the text could not be converted
};

struct WorkingDirectory {
  bool found = false;
  std::string path;  // UTF-8
  SampleTextFacts text;
  std::map<std::string, LayoutDetails> layouts;  // by network file name as on disk
};

// Where the network files are (results) and the working directory beside them: a directory
// holding result/ is the working directory, else it is the result directory and its parent the
// working directory. Empty when that holds no layout/.
std::string WorkingDirectoryOf(const std::string& resultDirectory, std::string& results);

// Reads the sample text and every layout file the way kananet does, and checks them.
WorkingDirectory ReadWorkingDirectory(const std::string& directory);

// Whether the network file holds the counts made again (the files are not older than the
// text and layouts). Counts beyond six significant digits are compared with their tolerance.
bool NetworkMatches(const Network& network, const Recount& recount, int leftHandLastKey);

}  // namespace kananet::report
