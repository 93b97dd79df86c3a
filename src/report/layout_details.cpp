#include "report/layout_details.h"

#include <cmath>
#include <filesystem>

#include "analysis/conversion.h"
#include "check/finding_text.h"
#include "check/layout_check.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "codes/text_encoding.h"
#include "platform/files.h"
#include "readers/layout.h"
#include "readers/sample_text.h"
#include "report/kana_text.h"

namespace kananet::report {

namespace {

namespace fs = std::filesystem;

std::string Utf8Of(const std::string& shiftJis) {
  return ShiftJisTextToUtf8(shiftJis);
}

std::string KanaUtf8(const std::string& kanaCodes) {
  std::string text;
  for (const char code : kanaCodes) {
    text += KanaText(static_cast<std::uint8_t>(code));
  }
  return Utf8Of(text);
}

void AddKana(std::string& list, const std::string& kana) {
  if (kana.empty() || (" " + list + " ").find(" " + kana + " ") != std::string::npos) {
    return;
  }
  list += list.empty() ? kana : " " + kana;
}

// Every kana each key types, alone or with other keys, from the entries a lookup can reach.
void CollectKana(const std::vector<LayoutEntry>& table, std::size_t entryLines,
                 LayoutDetails& details) {
  const std::size_t searched = std::min({entryLines, table.size(), kLayoutSearchSlots});
  for (std::size_t slot = 0; slot < searched; ++slot) {
    const LayoutEntry& entry = table[slot];
    const std::string kana = KanaUtf8(entry.Kana);
    for (const char key : entry.Keys) {
      const int index = static_cast<std::uint8_t>(key);
      if (index >= 1 && index <= kKeysPerBand) {
        AddKana(entry.Keys.size() == 1 ? details.kanaAlone[index] : details.kanaWithKeys[index],
                kana);
      }
    }
  }
}

// Counts the layout's keystrokes over the text in its own mode and by strokes; null when a
// kana of the text has no definition (the batch writes no file then).
std::shared_ptr<const Recount> CountAgain(const std::string& kanaCodes,
                                          const std::vector<LayoutEntry>& table,
                                          const LayoutHeaderValues& header) {
  std::string keyCodes;
  if (AppendKeyStream(kanaCodes, table, header.CountByKana != 0, header.BreakAfterPunctuation != 0,
                      keyCodes) != kNoSlot) {
    return nullptr;
  }
  auto recount = std::make_shared<Recount>();
  KeyCountTable ignored;
  CountByStrokes(keyCodes, header.LeftHandLastKey, recount->keys, recount->byStrokes);
  if (header.CountByKana != 0) {
    CountByKana(keyCodes, header.LeftHandLastKey, ignored, recount->ownMode);
  } else {
    recount->ownMode = recount->byStrokes;
  }
  return recount;
}

bool Near(const Count& fromFile, std::uint64_t counted) {
  if (fromFile.exact) {
    return fromFile.value == counted;
  }
  const double difference =
      std::abs(static_cast<double>(fromFile.value) - static_cast<double>(counted));
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

WorkingDirectory ReadWorkingDirectory(const std::string& directory) {
  WorkingDirectory working;
  working.found = true;
  working.path = DisplayName(directory);
  const std::string prefix =
      directory.empty() || directory.ends_with('/') ? directory : directory + "/";
  const std::string textPath = prefix + kSampleTextPath;
  const BatchCheck batch = CheckBatch(textPath, prefix + "layout/");

  working.text.name = DisplayName(kSampleTextPath);
  std::string bytes;
  std::string kanaCodes;
  if (ReadWholeFile(textPath, bytes).Outcome == ReadOutcome::kOk &&
      MakeShiftJis(bytes) != TextEncoding::kUtf16) {
    working.text.read = true;
    working.text.bytes = bytes.size();
    AppendKanaStream(std::move(bytes), kanaCodes);
    for (const char code : kanaCodes) {
      if (static_cast<std::uint8_t>(code) == kRunBreak) {
        ++working.text.runs;
      } else {
        ++working.text.kana;
      }
    }
    working.text.kana -= std::min<std::uint64_t>(working.text.kana, 3);  // the closing ず
  }

  std::vector<LayoutEntry> table(kLayoutTableSlots);
  for (const LayoutCheck& layout : batch.Layouts) {
    LayoutDetails& details = working.layouts[layout.ResultName];
    details.layoutFile = DisplayName(layout.Name);
    for (const Finding& item : layout.Findings) {
      std::string location = "layout/" + layout.Name;
      if (item.Line > 0) {
        location += ':' + std::to_string(item.Line);
      }
      details.findings.push_back({SeverityName(SeverityOf(item.Kind)), DisplayName(location),
                                  Utf8Of(DescribeFinding(item))});
    }
    if (!layout.Read) {
      continue;
    }
    details.headerKnown = true;
    details.leftHandLastKey = layout.Header.LeftHandLastKey;
    details.countByKana = layout.Header.CountByKana != 0;
    details.breakAfterPunctuation = layout.Header.BreakAfterPunctuation != 0;
    details.rows = layout.Header.RowCount;
    details.header = Utf8Of(DescribeHeader(layout));
    std::string layoutBytes;
    if (ReadWholeFile(prefix + "layout/" + layout.Name, layoutBytes).Outcome != ReadOutcome::kOk ||
        MakeShiftJis(layoutBytes) == TextEncoding::kUtf16) {
      continue;
    }
    LayoutHeaderValues header;
    const std::size_t entryLines = FillLayout(layoutBytes, header, table);
    CollectKana(table, entryLines, details);
    if (working.text.read) {
      details.recount = CountAgain(kanaCodes, table, header);
    }
  }
  return working;
}

bool NetworkMatches(const Network& network, const Recount& recount, int leftHandLastKey) {
  std::array<std::uint64_t, kBandCount> counted{};
  std::array<Count, kBandCount> fromFile{};
  for (int key = 1; key <= kKeysPerBand; ++key) {
    if (!Near(network.keys[key].strokes, recount.keys[key])) {
      return false;
    }
    for (int band = 0; band < kBandCount; ++band) {
      if (!Near(network.keys[key].repeats[band], recount.ownMode[band][key][key])) {
        return false;
      }
      for (int other = key + 1; other <= kKeysPerBand; ++other) {
        if ((key <= leftHandLastKey) == (other <= leftHandLastKey)) {
          counted[band] += recount.ownMode[band][key][other] + recount.ownMode[band][other][key];
        }
      }
    }
  }
  for (const Edge& edge : network.edges) {
    fromFile[edge.band] += edge.weight;
  }
  for (int band = 0; band < kBandCount; ++band) {
    if (!Near(fromFile[band], counted[band])) {
      return false;
    }
  }
  return true;
}

}  // namespace kananet::report
