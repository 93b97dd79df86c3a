#include "analysis/entry_matcher.h"

#include <algorithm>

namespace kananet {

std::size_t MatchingSlots(const std::vector<LayoutEntry>& table) {
  std::size_t slots = SearchableSlots(table);
  while (slots > 0 && table[slots - 1].Kana.empty()) {
    --slots;
  }
  return slots;
}

std::size_t CutAtRunBreaks(std::string_view kanaCodes, std::size_t begin, std::size_t end,
                           std::size_t parts, std::size_t* bounds) {
  std::size_t stretches = 0;
  bounds[0] = begin;
  for (std::size_t part = 1; part < parts; ++part) {
    std::size_t found =
        kanaCodes.find(static_cast<char>(kRunBreak), begin + (end - begin) * part / parts);
    if (found >= end) {
      break;
    }
    if (found > bounds[stretches]) {
      bounds[++stretches] = found;
    }
  }
  bounds[++stretches] = end;
  return stretches;
}

EntryMatcher::EntryMatcher(const std::vector<LayoutEntry>& table)
    : lookup_(table), runBreak_(MatchingSlots(table)), advances_(runBreak_ + 2) {
  for (std::size_t slot = 0; slot < runBreak_; ++slot) {
    advances_[slot] = static_cast<std::uint32_t>(table[slot].Kana.size());
    splitsAtRunBreaks_ = splitsAtRunBreaks_ &&
                         table[slot].Kana.find(static_cast<char>(kRunBreak)) == std::string::npos;
  }
  advances_[runBreak_] = 1;
  advances_[MissingPiece()] = 0;
  FillPairMatches(table);
}

std::size_t EntryMatcher::FindBlock(std::string_view kanaCodes, std::size_t start, std::size_t from,
                                    std::size_t to, Match* matches) const {
  const std::uint32_t* const pairMatches = pairMatches_.data();
  const std::uint16_t* const firstPlaces = pairs_.First.data();
  const std::uint16_t* const secondPlaces = pairs_.Second.data();
  const std::size_t secondCount = pairs_.SecondCount;
  const auto* const codes = reinterpret_cast<const std::uint8_t*>(kanaCodes.data());
  const std::size_t pairEnd = std::min(to, kanaCodes.size() - 1);  // a second kana follows
  std::size_t longer = 0;
  std::size_t p = from;
  for (; p < pairEnd; ++p) {
    std::uint32_t match =
        pairMatches[firstPlaces[codes[p]] * secondCount + secondPlaces[codes[p + 1]]];
    if (match < kLaterRow) {
      matches[p - start] = {match & kPieceMask, match >> kAdvanceShift};
    } else {
      ++longer;
      matches[p - start] = LongerMatch(kanaCodes, p, match);
    }
  }
  for (; p < to; ++p) {
    ++longer;
    matches[p - start] = LongerMatch(kanaCodes, p, kLonger);
  }
  return longer;
}

EntryMatcher::Match EntryMatcher::LongerMatch(std::string_view kanaCodes, std::size_t p,
                                              std::uint32_t match) const {
  return FollowLonger(kanaCodes, p, match);
}

std::uint32_t EntryMatcher::MatchOf(std::string_view kana) const {
  std::size_t piece = PieceOf(static_cast<std::uint8_t>(kana[0]), lookup_.FindFirstMatch(kana, 0));
  return static_cast<std::uint32_t>(piece | advances_[piece] << kAdvanceShift);
}

// The places are the lookup's, with a row of its own for the RunBreak: codes that begin no entry
// match nothing, alone or with any second kana, and a RunBreak is a piece of its own. Where a
// longer entry begins with the first two kana, a row by the third kana follows, and by the
// fourth where one begins with the first three.
void EntryMatcher::FillPairMatches(const std::vector<LayoutEntry>& table) {
  pairs_ = lookup_.Pairs();
  if (pairs_.First[kRunBreak] == 0) {
    pairs_.First[kRunBreak] = static_cast<std::uint16_t>(pairs_.FirstCount++);
  }
  // The third and fourth kana of the entries have columns; any other code shares column 0.
  std::array<char, 256> codeOf{};
  for (std::size_t slot = 0; slot < runBreak_; ++slot) {
    const std::string& kana = table[slot].Kana;
    for (std::size_t i = 2; i < std::min<std::size_t>(kana.size(), 4); ++i) {
      auto code = static_cast<std::uint8_t>(kana[i]);
      if (laterColumns_[code] == 0) {
        laterColumns_[code] = static_cast<std::uint16_t>(laterWidth_);
        codeOf[laterWidth_++] = kana[i];
      }
    }
  }
  for (std::size_t code = 0; code < 256; ++code) {
    if (laterColumns_[code] == 0) {
      codeOf[0] = static_cast<char>(code);
      break;
    }
  }
  pairMatches_.resize(pairs_.Size());
  std::string kana(2, '\0');
  for (std::size_t first = 0; first < 256; ++first) {
    auto code = static_cast<std::uint8_t>(first);
    for (std::size_t second = 0; second < 256; ++second) {
      std::uint32_t& match = pairMatches_[pairs_.Index(code, static_cast<std::uint8_t>(second))];
      if (match != 0 && pairs_.Second[second] == 0) {
        continue;  // the same place as an earlier code of column 0
      }
      kana[0] = static_cast<char>(first);
      kana[1] = static_cast<char>(second);
      match = code != kRunBreak && lookup_.HasLongerEntries(kana) ? LaterRow(kana, codeOf)
                                                                  : MatchOf(kana);
    }
  }
}

// The row by the next kana for kana, which a longer entry begins with; past the fourth kana,
// or when the rows are full, where the trie goes on.
std::uint32_t EntryMatcher::LaterRow(std::string& kana, const std::array<char, 256>& codeOf) {
  std::size_t row = laterMatches_.size() / laterWidth_;
  if (kana.size() >= 4 || laterMatches_.size() + laterWidth_ > kMaxLaterPlaces) {
    return PastRowsOf(kana);
  }
  laterMatches_.resize(laterMatches_.size() + laterWidth_);
  for (std::size_t column = 0; column < laterWidth_; ++column) {
    kana.push_back(codeOf[column]);
    std::uint32_t match = lookup_.HasLongerEntries(kana) ? LaterRow(kana, codeOf) : MatchOf(kana);
    laterMatches_[row * laterWidth_ + column] = match;
    kana.pop_back();
  }
  return kLaterRow + static_cast<std::uint32_t>(row);
}

std::uint32_t EntryMatcher::PastRowsOf(std::string_view kana) {
  pastRows_.push_back({lookup_.NodeOf(kana), lookup_.FindFirstMatch(kana, 0)});
  return kPastRows + static_cast<std::uint32_t>(pastRows_.size() - 1);
}

}  // namespace kananet
