// What the working directory adds to a batch's network files: the sample text, each layout's
// header and check findings, the kana every key types, and the layout's counts made again from
// the text, so that the figures which need the order of the strokes can be given exactly.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/statistics.h"
#include "cost/found_remark.h"
#include "report/layers.h"
#include "report/network_file.h"
#include "report/problem_pairs.h"

namespace kananet::report {

struct CheckLine {
  std::string Severity;  // "error", "warning" or "note"
  std::string Location;  // layout/NAME:LINE, UTF-8
  std::string Message;   // UTF-8
};

struct SampleTextFacts {
  std::string Name;  // UTF-8
  bool Read = false;
  std::uint64_t Bytes = 0;
  std::uint64_t Kana = 0;           // kana of the text, without the closing ず
  std::uint64_t Runs = 0;           // runs of consecutive kana
  std::vector<CheckLine> Findings;  // the check's findings on the text itself
};

// The counts of one layout made again from the text: its own mode's with its actions and chords,
// to compare with the network file and for the figures, and the pairs by strokes, for the finger
// figures.
struct Recount {
  LayoutCounts Own;
  PairCountTable ByStrokes{};
  bool Chords = false;  // the layout has keys pressed together, so its file holds the thumb keys
};

struct LayoutDetails {
  std::string LayoutFile;  // the layout file's name, UTF-8
  bool HeaderKnown = false;
  int LeftHandLastKey = 0;
  bool CountByKana = false;
  bool BreakAfterPunctuation = false;
  int Rows = 0;
  std::string Header;  // the header as understood, in words, UTF-8
  std::vector<CheckLine> Findings;
  std::array<std::string, kKeySlotCount> KanaAlone;     // every kana a key types alone
  std::array<std::string, kKeySlotCount> KanaWithKeys;  // kana it types with other keys
  std::vector<Layer> Layers;  // the kana typed with a key held or after a prefix key
  // The check's error when the layout's counts over the text could pass what a count holds: its
  // network file, if one is left from an earlier run, holds no figures to show.
  std::optional<CheckLine> CountsPastLimit;
  std::shared_ptr<const Recount> Recounted;  // null when the text could not be converted
  // A kana of the text has no definition here: the batch stops before it writes this layout's
  // network file, so a file of that name is of an older layout or text.
  bool UndefinedKana = false;
  ProblemPairs Problems;  // the kana behind the pair figures, with Recounted
  // A layout kananet-search found: each kana whose keys changed from its start, kana in UTF-8.
  std::optional<std::vector<KanaMove>> Moves;
};

struct WorkingDirectory {
  bool Found = false;
  std::string Path;  // UTF-8
  SampleTextFacts Text;
  std::map<std::string, LayoutDetails> Layouts;  // by network file name as on disk
};

// Where the network files are (results) and the working directory beside them: a directory
// holding result/ is the working directory, else it is the result directory and its parent the
// working directory. Empty when that holds no layout/.
std::string WorkingDirectoryOf(const std::string& resultDirectory, std::string& results);

// Reads the sample text and every layout file the way kananet does, and checks them; progress,
// when given, hears what is being done before each long step.
WorkingDirectory ReadWorkingDirectory(
    const std::string& directory,
    const std::function<void(const std::string& step)>& progress = {});

// Whether the network file holds the counts made again (the files are not older than the
// text and layouts), the thumb keys' included. Counts beyond six significant digits are compared
// with their tolerance.
bool NetworkMatches(const Network& network, const Recount& recount, int leftHandLastKey);

}  // namespace kananet::report
