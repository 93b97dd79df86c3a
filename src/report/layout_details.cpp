#include "report/layout_details.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "analysis/entry_counts.h"
#include "analysis/gap_rules.h"
#include "check/finding_text.h"
#include "check/layout_check.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "codes/text_encoding.h"
#include "platform/parallel.h"
#include "readers/layout.h"
#include "readers/sample_text.h"
#include "report/kana_text.h"

namespace kananet::report {

namespace {

namespace fs = std::filesystem;

std::string Utf8Of(const std::string& shiftJis) {
  return ShiftJisTextToUtf8(shiftJis);
}

void AddKana(std::string& list, const std::string& kana) {
  if (kana.empty() || (" " + list + " ").find(" " + kana + " ") != std::string::npos) {
    return;
  }
  list += list.empty() ? kana : " " + kana;
}

// Every kana each key types, alone or with other keys, from the entries a lookup can reach. The
// join between keys pressed together is no key.
void CollectKana(const std::vector<LayoutEntry>& table, std::size_t entryLines,
                 LayoutDetails& details) {
  const std::size_t searched = std::min({entryLines, table.size(), kLayoutSearchSlots});
  for (std::size_t slot = 0; slot < searched; ++slot) {
    const LayoutEntry& entry = table[slot];
    const std::string kana = KanaCodesUtf8(entry.Kana);
    for (const char key : entry.Keys) {
      const int index = static_cast<std::uint8_t>(key);
      if (index >= 1 && index < kKeySlotCount) {
        AddKana(entry.Keys.size() == 1 ? details.KanaAlone[index] : details.KanaWithKeys[index],
                kana);
      }
    }
  }
}

// The layout's counts in its own mode and by strokes, which the check's walk made.
std::shared_ptr<const Recount> RecountOf(const LayoutCoverage& coverage,
                                         const LayoutHeaderValues& header) {
  auto recount = std::make_shared<Recount>();
  recount->Own = coverage.Counts;
  recount->ByStrokes = coverage.ByStrokes;
  recount->Chords = header.Chords;
  return recount;
}

bool Near(const Count& fromFile, std::uint64_t counted) {
  if (fromFile.Exact) {
    return fromFile.Value == counted;
  }
  const double difference =
      std::abs(static_cast<double>(fromFile.Value) - static_cast<double>(counted));
  return difference <= 2e-5 * static_cast<double>(counted) + 1;
}

}  // namespace

std::string WorkingDirectoryOf(const std::string& resultDirectory, std::string& results) {
  std::error_code error;
  const fs::path given = resultDirectory;
  fs::path working = (given / "..").lexically_normal();
  if (fs::is_directory(given / "result", error)) {
    results = (given / "result").string();
    working = given;
  } else {
    results = resultDirectory;
  }
  if (!working.has_filename() && working.has_relative_path()) {
    working = working.parent_path();  // "ex/" from "ex/result/..": no doubled slash later
  }
  return fs::is_directory(working / "layout", error) ? working.string() : std::string();
}

WorkingDirectory ReadWorkingDirectory(
    const std::string& directory, const std::function<void(const std::string& step)>& progress) {
  const auto tell = [&](const std::string& step) {
    if (progress) {
      progress(step);
    }
  };
  WorkingDirectory working;
  working.Found = true;
  working.Path = DisplayName(directory);
  const std::string prefix =
      directory.empty() || directory.ends_with('/') ? directory : directory + "/";
  const std::string textPath = prefix + kSampleTextPath;
  tell("reading " + textPath + ", checking and counting the layouts");
  const BatchCheck batch = CheckBatch(textPath, prefix + "layout/", UsableCores(), true);

  working.Text.Name = DisplayName(kSampleTextPath);
  for (const Finding& item : batch.Text.Findings) {
    working.Text.Findings.push_back(
        {SeverityName(SeverityOf(item.Kind)), working.Text.Name, Utf8Of(DescribeFinding(item))});
  }
  const std::string& kanaCodes = batch.Text.Sample.KanaStream;
  if (batch.Text.Read) {
    working.Text.Read = true;
    working.Text.Bytes = batch.Text.Sample.FileBytes;
    working.Text.Runs = static_cast<std::uint64_t>(
        std::count(kanaCodes.begin(), kanaCodes.end(), static_cast<char>(kRunBreak)));
    working.Text.Kana = kanaCodes.size() - working.Text.Runs;
    working.Text.Kana -= std::min<std::uint64_t>(working.Text.Kana, kClosingZu);
  }

  for (std::size_t i = 0; i < batch.Layouts.size(); ++i) {
    const LayoutCheck& layout = batch.Layouts[i];
    LayoutDetails& details = working.Layouts[layout.ResultName];
    if (!details.LayoutFile.empty()) {
      // A later layout's network file replaced the earlier one's: the file holds its counts.
      const std::string earlier = details.LayoutFile;
      details = LayoutDetails();
      details.Findings.push_back({"warning", DisplayName("layout/" + layout.Name),
                                  "its " + DisplayName("result/" + layout.ResultName) +
                                      " replaced the one of layout/" + earlier +
                                      ", written earlier in the batch; this is the layout shown"});
    }
    details.LayoutFile = DisplayName(layout.Name);
    for (const Finding& item : layout.Findings) {
      std::string location = "layout/" + layout.Name;
      if (item.Line > 0) {
        location += ':' + std::to_string(item.Line);
      }
      details.Findings.push_back({SeverityName(SeverityOf(item.Kind)), DisplayName(location),
                                  Utf8Of(DescribeFinding(item))});
      if (item.Kind == FindingKind::kCountsPassLimit) {
        details.CountsPastLimit = details.Findings.back();
      }
    }
    if (!layout.Read) {
      continue;
    }
    details.HeaderKnown = true;
    details.LeftHandLastKey = layout.Header.LeftHandLastKey;
    details.CountByKana = layout.Header.CountByKana != 0;
    details.BreakAfterPunctuation = layout.Header.BreakAfterPunctuation != 0;
    details.Rows = layout.Header.RowCount;
    details.Header = Utf8Of(DescribeHeader(layout));
    const LayoutDefinition& definition = batch.Definitions[i];
    CollectKana(definition.Table, definition.EntryLines, details);
    details.Layers = FindLayers(definition.Table, definition.EntryLines);
    if (constexpr std::size_t kRemarkLine = 4; definition.Lines.size() > kRemarkLine) {
      details.Moves = KanaMovesOf(definition.LineText(kRemarkLine));
      for (std::size_t move = 0; details.Moves && move < details.Moves->size(); ++move) {
        (*details.Moves)[move].Kana = Utf8Of((*details.Moves)[move].Kana);
      }
    }
    details.UndefinedKana =
        std::any_of(layout.Findings.begin(), layout.Findings.end(),
                    [](const Finding& item) { return item.Kind == FindingKind::kUndefinedKana; });
    if (layout.Coverage) {
      details.Recounted = RecountOf(*layout.Coverage, definition.Header);
      details.Problems =
          FindProblemPairs(layout.Coverage->Pieces, definition.Table, definition.Header);
    }
  }
  return working;
}

bool NetworkMatches(const Network& network, const Recount& recount, int leftHandLastKey) {
  if (network.Chords != recount.Chords) {
    return false;
  }
  const PairCountTable& pairs = recount.Own.Pairs;
  std::array<std::uint64_t, kBandCount> counted{};
  std::array<Count, kBandCount> fromFile{};
  for (int key = 1; key <= network.LastKey(); ++key) {
    if (!Near(network.Keys[key].Strokes, recount.Own.Keys[key])) {
      return false;
    }
    for (int band = 0; band < kBandCount; ++band) {
      if (!Near(network.Keys[key].Repeats[band], pairs[band][key][key])) {
        return false;
      }
      for (int other = key + 1; other <= network.LastKey(); ++other) {
        if (HandOfKey(key, leftHandLastKey) == HandOfKey(other, leftHandLastKey)) {
          counted[band] += pairs[band][key][other] + pairs[band][other][key];
        }
      }
    }
  }
  for (const Edge& edge : network.Edges) {
    fromFile[edge.Band] += edge.Weight;
  }
  for (int band = 0; band < kBandCount; ++band) {
    if (!Near(fromFile[band], counted[band])) {
      return false;
    }
  }
  return true;
}

}  // namespace kananet::report
