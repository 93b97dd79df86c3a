#include "analysis/conversion.h"

#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "platform/console.h"
#include "readers/sample_text.h"

namespace kananet {

std::string KeyStream;

namespace {

bool MatchesAt(std::string_view kana, std::string_view stream, std::size_t position) {
  return !kana.empty() && kana.size() <= stream.size() - position &&
         stream.compare(position, kana.size(), kana) == 0;
}

std::size_t SearchableSlots(const std::vector<LayoutEntry>& table) {
  return table.size() < LayoutSearchSlots ? table.size() : LayoutSearchSlots;
}

}  // namespace

std::size_t FindFirstMatchByScan(const std::vector<LayoutEntry>& table, std::string_view stream,
                                 std::size_t position) {
  for (std::size_t slot = 0; slot < SearchableSlots(table); ++slot) {
    const std::string& kana = table[slot].Kana;
    if (!kana.empty() && kana.front() == stream[position] && MatchesAt(kana, stream, position)) {
      return slot;
    }
  }
  return NoSlot;
}

KanaLookup::KanaLookup(const std::vector<LayoutEntry>& table) {
  for (std::size_t& slot : singleSlot_) {
    slot = NoSlot;
  }
  for (std::size_t slot = 0; slot < SearchableSlots(table); ++slot) {
    const std::string& kana = table[slot].Kana;
    if (kana.empty()) {
      continue;
    }
    auto first = static_cast<std::uint8_t>(kana.front());
    if (singleSlot_[first] != NoSlot) {
      continue;  // the single kana always matches, so nothing after it can win
    }
    if (kana.size() == 1) {
      singleSlot_[first] = slot;
    } else {
      longer_[first].push_back({slot, kana});
    }
  }
}

std::size_t KanaLookup::FindFirstMatch(std::string_view stream, std::size_t position) const {
  auto first = static_cast<std::uint8_t>(stream[position]);
  for (const Candidate& candidate : longer_[first]) {
    if (MatchesAt(candidate.Kana, stream, position)) {
      return candidate.Slot;
    }
  }
  return singleSlot_[first];
}

std::size_t AppendKeyStream(std::string_view kanaStream, const std::vector<LayoutEntry>& table,
                            bool countByKana, bool breakAfterPunctuation, std::string& keyStream) {
  KanaLookup lookup(table);
  std::size_t position = 0;
  while (position < kanaStream.size()) {
    auto code = static_cast<std::uint8_t>(kanaStream[position]);
    if (code == RunBreak) {
      keyStream += static_cast<char>(RunBreak);
      ++position;
      continue;
    }
    std::size_t slot = lookup.FindFirstMatch(kanaStream, position);
    if (slot == NoSlot) {
      return position;
    }
    const LayoutEntry& entry = table[slot];
    keyStream += entry.Keys;
    if (countByKana) {
      keyStream += static_cast<char>(UnitEnd);
    }
    if (breakAfterPunctuation && (code == KanaComma || code == KanaFullStop)) {
      keyStream += static_cast<char>(RunBreak);
    }
    position += entry.Kana.size();
  }
  return NoSlot;
}

std::string MissingDefinitionMessage(std::uint8_t kanaCode) {
  // "「" kana "」の定義が不足しているようです." in Shift_JIS, ending in an ASCII full stop.
  return "\x81\x75" + KanaText(kanaCode) +
         "\x81\x76\x82\xcc\x92\xe8\x8b\x60\x82\xaa\x95\x73\x91\xab\x82\xb5\x82\xc4\x82\xa2\x82\xe9"
         "\x82\xe6\x82\xa4\x82\xc5\x82\xb7.\n";
}

void ConvertKanaStream() {
  KeyStream.clear();
  std::size_t missing = AppendKeyStream(KanaStream, LayoutTable, LayoutHeader.CountByKana != 0,
                                        LayoutHeader.BreakAfterPunctuation != 0, KeyStream);
  if (missing != NoSlot) {
    StopRun(MissingDefinitionMessage(static_cast<std::uint8_t>(KanaStream[missing])));
  }
}

}  // namespace kananet
