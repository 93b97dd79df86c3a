#include "reference/plain_rules.h"

#include <algorithm>
#include <unordered_map>

#include "codes/kana_code.h"
#include "codes/key_alphabet.h"

namespace kananet::reference {

std::string PlainKanaStream(std::string_view text) {
  std::string joined;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = std::min(text.find('\n', start), text.size());
    std::size_t next = end + 1;
    if (end < text.size() && end > start && text[end - 1] == '\r') {
      --end;
    }
    joined += text.substr(start, end - start);
    joined += ' ';
    start = next;
  }
  for (int i = 0; i < 12; ++i) {
    joined += "\x81\x40";
  }
  std::string stream;
  bool inRun = false;
  for (std::size_t p = 0; p + 6 < joined.size();) {
    auto lead = static_cast<std::uint8_t>(joined[p]);
    std::uint8_t code = 0;
    if (lead < 0x80 || (lead >= 0xA1 && lead <= 0xDF)) {
      ++p;
    } else {
      code = KanaCodeOf(lead, static_cast<std::uint8_t>(joined[p + 1]));
      p += 2;
    }
    if (code != 0 && !inRun) {
      stream += static_cast<char>(kRunBreak);
    }
    if (code != 0) {
      stream += static_cast<char>(code);
    }
    inRun = code != 0;
  }
  return stream + "   ";
}

std::size_t FindFirstMatchByScan(const std::vector<LayoutEntry>& table, std::string_view stream,
                                 std::size_t position) {
  for (std::size_t slot = 0; slot < SearchableSlots(table); ++slot) {
    const std::string& kana = table[slot].Kana;
    if (!kana.empty() && kana.size() <= stream.size() - position &&
        stream.compare(position, kana.size(), kana) == 0) {
      return slot;
    }
  }
  return kNoSlot;
}

PlainConversion ConvertByScan(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                              bool countByKana, bool breakAfterPunctuation) {
  std::size_t window = 0;
  for (std::size_t slot = 0; slot < SearchableSlots(table); ++slot) {
    window = std::max(window, table[slot].Kana.size());
  }
  std::unordered_map<std::string_view, std::size_t> firstMatch;
  PlainConversion result;
  for (std::size_t position = 0; position < kanaCodes.size();) {
    auto code = static_cast<std::uint8_t>(kanaCodes[position]);
    if (code == kRunBreak) {
      result.Keys += static_cast<char>(kRunBreak);
      ++position;
      continue;
    }
    auto [found, isNew] = firstMatch.try_emplace(kanaCodes.substr(position, window), kNoSlot);
    if (isNew) {
      found->second = FindFirstMatchByScan(table, kanaCodes, position);
    }
    if (found->second == kNoSlot) {
      result.Missing = position;
      break;
    }
    const LayoutEntry& entry = table[found->second];
    result.Keys += entry.Keys;
    if (countByKana) {
      result.Keys += static_cast<char>(kUnitEnd);
    }
    if (breakAfterPunctuation && (code == kKanaComma || code == kKanaFullStop)) {
      result.Keys += static_cast<char>(kRunBreak);
    }
    position += entry.Kana.size();
  }
  return result;
}

void PlainTally(std::string_view keyCodes, std::int32_t leftHandLastKey, bool byKana,
                KeyCountTable& strokeCounts, PairCountTable& pairTallies) {
  strokeCounts.fill(0);
  for (auto& plane : pairTallies) {
    for (auto& row : plane) {
      row.fill(0);
    }
  }
  struct Hand {
    int Previous = 0;
    int Gap = 0;
    bool Struck = false;
  } hands[2];
  for (char character : keyCodes) {
    int byte = static_cast<std::uint8_t>(character);
    if (byte == kRunBreak) {
      hands[0] = hands[1] = Hand{};
    } else if (byte == kUnitEnd && byKana) {
      for (Hand& hand : hands) {
        hand.Gap = hand.Struck ? 0 : std::min(hand.Gap + 1, 2);
        hand.Struck = false;
      }
    } else if (byte < kKeyCount) {
      int h = byte <= leftHandLastKey ? 0 : 1;
      ++strokeCounts[byte];
      ++pairTallies[hands[h].Gap][hands[h].Previous][byte];
      hands[h].Previous = byte;
      hands[h].Struck = true;
      if (!byKana) {
        hands[h].Gap = 0;
        hands[1 - h].Gap = std::min(hands[1 - h].Gap + 1, 2);
      }
    }
  }
}

}  // namespace kananet::reference
