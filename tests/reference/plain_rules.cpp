#include "reference/plain_rules.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "analysis/figures.h"
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

namespace {

int FingerPlace(int key, std::int32_t leftHandLastKey) {
  const int finger = static_cast<int>(FingerOf(key, leftHandLastKey));
  const int thumb = static_cast<int>(Finger::kThumb);
  return finger < thumb ? thumb - finger : finger - thumb;  // 0 for a thumb, 4 for a little finger
}

int PairedWith(int key, const std::string& previous, std::int32_t leftHandLastKey) {
  if (previous.find(static_cast<char>(key)) != std::string::npos) {
    return key;
  }
  int best = -1;
  for (char other : previous) {
    int candidate = static_cast<std::uint8_t>(other);
    auto distance = [&](int from) {
      return std::abs(FingerPlace(from, leftHandLastKey) - FingerPlace(key, leftHandLastKey));
    };
    if (best < 0 || distance(candidate) < distance(best) ||
        (distance(candidate) == distance(best) && candidate < best)) {
      best = candidate;
    }
  }
  return best;
}

}  // namespace

void PlainTally(std::string_view keyCodes, std::int32_t leftHandLastKey, bool byKana,
                KeyCountTable& strokeCounts, PairCountTable& pairTallies, bool chords) {
  strokeCounts.fill(0);
  for (auto& plane : pairTallies) {
    for (auto& row : plane) {
      row.fill(0);
    }
  }
  struct Hand {
    std::string Previous = std::string(1, '\0');
    int Gap = 0;
    bool Struck = false;
  } hands[2];
  auto isKey = [&](std::size_t i) {
    return i < keyCodes.size() &&
           static_cast<std::uint8_t>(keyCodes[i]) < (chords ? kKeyCountWithThumbs : kKeyCount);
  };
  for (std::size_t i = 0; i < keyCodes.size(); ++i) {
    int byte = static_cast<std::uint8_t>(keyCodes[i]);
    if (byte == kRunBreak) {
      hands[0] = hands[1] = Hand{};
    } else if (byte == kUnitEnd && byKana) {
      for (Hand& hand : hands) {
        hand.Gap = hand.Struck ? 0 : std::min(hand.Gap + 1, 2);
        hand.Struck = false;
      }
    } else if (isKey(i)) {
      std::string pressed[2];
      for (std::size_t k = i;; k += 2) {  // this key and every key joined to it: one action
        int key = static_cast<std::uint8_t>(keyCodes[k]);
        bool left = key == kLeftThumbKey || (key != kRightThumbKey && key <= leftHandLastKey);
        pressed[left ? 0 : 1] += static_cast<char>(key);
        i = k;
        if (!chords || !isKey(k + 2) || static_cast<std::uint8_t>(keyCodes[k + 1]) != kKeyJoin) {
          break;
        }
      }
      for (int h = 0; h < 2; ++h) {
        std::sort(pressed[h].begin(), pressed[h].end());
        for (char key : pressed[h]) {
          int k = static_cast<std::uint8_t>(key);
          ++strokeCounts[k];
          ++pairTallies[hands[h].Gap][PairedWith(k, hands[h].Previous, leftHandLastKey)][k];
        }
      }
      for (int h = 0; h < 2; ++h) {
        if (!pressed[h].empty()) {
          hands[h].Previous = pressed[h];
          hands[h].Struck = true;
        }
        if (!byKana) {
          hands[h].Gap = pressed[h].empty() ? std::min(hands[h].Gap + 1, 2) : 0;
        }
      }
    }
  }
}

}  // namespace kananet::reference
