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
        AddKana(entry.Keys.size() == 1 ? details.KanaAlone[index] : details.KanaWithKeys[index],
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
  CountByStrokes(keyCodes, header.LeftHandLastKey, recount->Keys, recount->ByStrokes);
  if (header.CountByKana != 0) {
    CountByKana(keyCodes, header.LeftHandLastKey, ignored, recount->OwnMode);
  } else {
    recount->OwnMode = recount->ByStrokes;
  }
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

WorkingDirectory ReadWorkingDirectory(const std::string& directory) {
  WorkingDirectory working;
  working.Found = true;
  working.Path = DisplayName(directory);
  const std::string prefix =
      directory.empty() || directory.ends_with('/') ? directory : directory + "/";
  const std::string textPath = prefix + kSampleTextPath;
  const BatchCheck batch = CheckBatch(textPath, prefix + "layout/");

  working.Text.Name = DisplayName(kSampleTextPath);
  std::string bytes;
  std::string kanaCodes;
  if (ReadWholeFile(textPath, bytes).Outcome == ReadOutcome::kOk &&
      MakeShiftJis(bytes) != TextEncoding::kUtf16) {
    working.Text.Read = true;
    working.Text.Bytes = bytes.size();
    AppendKanaStream(std::move(bytes), kanaCodes);
    for (const char code : kanaCodes) {
      if (static_cast<std::uint8_t>(code) == kRunBreak) {
        ++working.Text.Runs;
      } else {
        ++working.Text.Kana;
      }
    }
    working.Text.Kana -= std::min<std::uint64_t>(working.Text.Kana, 3);  // the closing ず
  }

  std::vector<LayoutEntry> table(kLayoutTableSlots);
  for (const LayoutCheck& layout : batch.Layouts) {
    LayoutDetails& details = working.Layouts[layout.ResultName];
    details.LayoutFile = DisplayName(layout.Name);
    for (const Finding& item : layout.Findings) {
      std::string location = "layout/" + layout.Name;
      if (item.Line > 0) {
        location += ':' + std::to_string(item.Line);
      }
      details.Findings.push_back({SeverityName(SeverityOf(item.Kind)), DisplayName(location),
                                  Utf8Of(DescribeFinding(item))});
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
    std::string layoutBytes;
    if (ReadWholeFile(prefix + "layout/" + layout.Name, layoutBytes).Outcome != ReadOutcome::kOk ||
        MakeShiftJis(layoutBytes) == TextEncoding::kUtf16) {
      continue;
    }
    LayoutHeaderValues header;
    const std::size_t entryLines = FillLayout(layoutBytes, header, table);
    CollectKana(table, entryLines, details);
    if (working.Text.Read) {
      details.Recounted = CountAgain(kanaCodes, table, header);
    }
  }
  return working;
}

bool NetworkMatches(const Network& network, const Recount& recount, int leftHandLastKey) {
  std::array<std::uint64_t, kBandCount> counted{};
  std::array<Count, kBandCount> fromFile{};
  for (int key = 1; key <= kKeysPerBand; ++key) {
    if (!Near(network.Keys[key].Strokes, recount.Keys[key])) {
      return false;
    }
    for (int band = 0; band < kBandCount; ++band) {
      if (!Near(network.Keys[key].Repeats[band], recount.OwnMode[band][key][key])) {
        return false;
      }
      for (int other = key + 1; other <= kKeysPerBand; ++other) {
        if ((key <= leftHandLastKey) == (other <= leftHandLastKey)) {
          counted[band] += recount.OwnMode[band][key][other] + recount.OwnMode[band][other][key];
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
