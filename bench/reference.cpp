// The batch with the plain first-match scan of the layout table for every kana, as the
// reference that the tool's output is compared with. The scan's answer at a position depends
// only on the stream bytes that the longest kana sequence of the table can cover, so it is
// remembered per such window; that keeps a 5,000-entry layout to seconds.
#include <algorithm>
#include <string>
#include <unordered_map>

#include "analysis/conversion.h"
#include "analysis/statistics.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "output/network_writer.h"
#include "platform/console.h"
#include "platform/directory.h"
#include "platform/files.h"
#include "platform/names.h"
#include "platform/working_directory.h"
#include "readers/layout.h"
#include "readers/sample_text.h"

namespace kananet {
namespace {

void ReadSampleTextPlainly() {
  std::string joined;
  if (ReadWholeFile(SampleTextPath, joined).Outcome != ReadOutcome::Ok) {
    StopRun("File is not exist.\n");
  }
  // Every line followed by one space; a line ends in LF or CR LF.
  std::string lines;
  std::size_t start = 0;
  while (start < joined.size()) {
    std::size_t end = joined.find('\n', start);
    std::size_t next = end == std::string::npos ? joined.size() : end + 1;
    if (end == std::string::npos) {
      end = joined.size();
    } else if (end > start && joined[end - 1] == '\r') {
      --end;
    }
    lines.append(joined, start, end - start);
    lines += ' ';
    start = next;
  }
  for (int i = 0; i < 12; ++i) {
    lines += "\x81\x40";  // the trailer of full-width spaces
  }
  bool inRun = false;
  for (std::size_t p = 0; p + 6 < lines.size();) {
    auto lead = static_cast<std::uint8_t>(lines[p]);
    if (lead < 0x80 || (lead >= 0xA1 && lead <= 0xDF)) {
      ++p;
      inRun = false;
      continue;
    }
    std::uint8_t code = KanaCodeOf(lead, static_cast<std::uint8_t>(lines[p + 1]));
    p += 2;
    if (code == NotKana) {
      inRun = false;
      continue;
    }
    if (!inRun) {
      KanaStream += static_cast<char>(RunBreak);
      inRun = true;
    }
    KanaStream += static_cast<char>(code);
  }
  KanaStream.append(3, '\x20');
}

std::size_t LongestKana() {
  std::size_t longest = 0;
  for (std::size_t slot = 0; slot < LayoutSearchSlots && slot < LayoutTable.size(); ++slot) {
    longest = std::max(longest, LayoutTable[slot].Kana.size());
  }
  return longest;
}

void ConvertByScan() {
  std::string keyStream;
  const std::string_view stream = KanaStream;
  const std::size_t window = LongestKana();
  std::unordered_map<std::string_view, std::size_t> firstMatch;
  std::size_t position = 0;
  while (position < stream.size()) {
    auto code = static_cast<std::uint8_t>(stream[position]);
    if (code == RunBreak) {
      keyStream += static_cast<char>(RunBreak);
      ++position;
      continue;
    }
    auto [found, isNew] = firstMatch.try_emplace(stream.substr(position, window), NoSlot);
    if (isNew) {
      found->second = FindFirstMatchByScan(LayoutTable, stream, position);
    }
    if (found->second == NoSlot) {
      StopRun(MissingDefinitionMessage(code));
    }
    const LayoutEntry& entry = LayoutTable[found->second];
    keyStream += entry.Keys;
    if (LayoutHeader.CountByKana != 0) {
      keyStream += static_cast<char>(UnitEnd);
    }
    if (LayoutHeader.BreakAfterPunctuation != 0 && (code == KanaComma || code == KanaFullStop)) {
      keyStream += static_cast<char>(RunBreak);
    }
    position += entry.Kana.size();
  }
  KeyStream = keyStream;
}

struct HandState {
  std::uint8_t PreviousKey = 0;
  std::uint32_t Gap = 0;
  bool StruckInUnit = false;
};

// Both tallies: a key byte counts for its hand; by strokes, the other hand's gap grows with
// each stroke; by kana, gaps change at the end of each unit.
void TallyPlainly(bool byKana) {
  KeyCounts.fill(0);
  for (auto& plane : PairCounts) {
    for (auto& row : plane) {
      row.fill(0);
    }
  }
  HandState hands[2];
  for (char byte : KeyStream.View()) {
    auto key = static_cast<std::uint8_t>(byte);
    if (key == RunBreak) {
      hands[0] = hands[1] = HandState{};
    } else if (key == UnitEnd && byKana) {
      for (HandState& hand : hands) {
        hand.Gap = hand.StruckInUnit ? 0 : std::min<std::uint32_t>(hand.Gap + 1, 2);
        hand.StruckInUnit = false;
      }
    } else if (key < KeyCount) {
      int h = key <= LayoutHeader.LeftHandLastKey ? 0 : 1;
      HandState& striking = hands[h];
      ++KeyCounts[key];
      ++PairCounts[std::min<std::uint32_t>(striking.Gap, 2)][striking.PreviousKey][key];
      striking.PreviousKey = key;
      striking.StruckInUnit = true;
      if (!byKana) {
        striking.Gap = 0;
        hands[1 - h].Gap = std::min<std::uint32_t>(hands[1 - h].Gap + 1, 2);
      }
    }
  }
}

int RunReferenceBatch() {
  BuildKeyIndexTable();
  ReadSampleTextPlainly();
  LayoutFileSearch search = FindLayoutFiles(std::string(LayoutDirectory));
  for (const std::string& name : search.Names) {
    WriteOut("Load " + ConsoleName(name) + "\n");
    CurrentLayoutName = name;
    LoadLayout();
    ConvertByScan();
    TallyPlainly(LayoutHeader.CountByKana != 0);
    WriteKeyboardNetwork();
  }
  return search.ErrorCode == 0 ? 0 : 1;
}

}  // namespace
}  // namespace kananet

int main() {
  try {
    return kananet::RunReferenceBatch();
  } catch (const kananet::RunStopped& stop) {
    return stop.ExitStatus;
  }
}
