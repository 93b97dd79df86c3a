#include "sample/kana_reading.h"

#include <cstdint>

#include "codes/kana_code.h"
#include "codes/kana_forms.h"
#include "codes/text_encoding.h"

namespace kananet::sample {

namespace {

constexpr char32_t kCombiningVoiced = 0x3099;
constexpr char32_t kCombiningSemiVoiced = 0x309A;
constexpr char32_t kHalfWidthVoiced = 0xFF9E;
constexpr char32_t kHalfWidthSemiVoiced = 0xFF9F;

// Full-width forms of U+FF61 to U+FF9D, in order.
constexpr char16_t kFullWidth[] =
    u"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソ"
    u"タチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン";

bool IsKanji(char32_t c) {
  return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3FFFF);
}

bool NeedsReading(char32_t c) {
  return IsKanji(c) || (c >= 0x3005 && c <= 0x3007) || c == 0x303B || c == 0x30F5 || c == 0x30F6 ||
         c == 0x309D || c == 0x309E || c == 0x30FD || c == 0x30FE;
}

bool IsKana(char32_t c) {
  return (c >= 0x3041 && c <= 0x3096) || (c >= 0x30A1 && c <= 0x30FA) || c == 0x30FC;
}

}  // namespace

bool NeedsKanaNormalization(std::string_view line) {
  for (std::size_t i = 0; i + 2 < line.size(); ++i) {
    auto lead = static_cast<std::uint8_t>(line[i]);
    auto second = static_cast<std::uint8_t>(line[i + 1]);
    auto third = static_cast<std::uint8_t>(line[i + 2]);
    // U+FF61-U+FF9F are EF BD A1-BF and EF BE 80-9F; U+3099 and U+309A are E3 82 99 and 9A.
    if ((lead == 0xEF &&
         ((second == 0xBD && third >= 0xA1) || (second == 0xBE && third <= 0x9F))) ||
        (lead == 0xE3 && second == 0x82 && (third == 0x99 || third == 0x9A))) {
      return true;
    }
  }
  return false;
}

void NormalizeKana(std::string_view line, std::string& out) {
  std::size_t position = 0;
  while (position < line.size()) {
    std::size_t start = position;
    char32_t c = NextCodePoint(line, position);
    if (c >= 0xFF61 && c <= 0xFF9D) {
      c = kFullWidth[c - 0xFF61];
    } else if (c == kHalfWidthVoiced || c == kHalfWidthSemiVoiced) {
      c = c == kHalfWidthVoiced ? 0x309B : 0x309C;  // ゛ ゜ standing alone
    } else if (c < 0x3000) {
      out.append(line.substr(start, position - start));
      continue;
    }
    if (position < line.size()) {
      std::size_t next = position;
      char32_t mark = NextCodePoint(line, next);
      char32_t composed = 0;
      if (mark == kCombiningVoiced || mark == kHalfWidthVoiced) {
        composed = VoicedOf(c);
      } else if (mark == kCombiningSemiVoiced || mark == kHalfWidthSemiVoiced) {
        composed = SemiVoicedOf(c);
      }
      if (composed != 0) {
        c = composed;
        position = next;
      }
    }
    AppendUtf8(out, c);
  }
}

WordKind KindOfWord(std::string_view surface) {
  bool kana = false;
  for (std::size_t position = 0; position < surface.size();) {
    char32_t c = NextCodePoint(surface, position);
    if (NeedsReading(c)) {
      return WordKind::kNeedsReading;
    }
    kana = kana || IsKana(c);
  }
  return kana ? WordKind::kKana : WordKind::kOther;
}

void AppendHiragana(std::string_view text, std::string& out) {
  for (std::size_t position = 0; position < text.size();) {
    std::size_t start = position;
    char32_t c = NextCodePoint(text, position);
    if (c >= 0x30A1 && c <= 0x30F3) {
      c -= 0x60;
    } else if (c == 0x3094) {
      c = 0x30F4;  // ゔ as ヴ
    } else if (c == 0x30F5 || c == 0x3095) {
      c = 0x304B;  // か
    } else if (c == 0x30F6 || c == 0x3096) {
      c = 0x3051;  // け
    } else if (c == 0x30FD || c == 0x30FE) {
      c -= 0x60;
    } else {
      out.append(text.substr(start, position - start));
      continue;
    }
    AppendUtf8(out, c);
  }
}

std::optional<std::string_view> ReadingOfFeature(std::string_view feature) {
  // Fields are split at commas; a UniDic field may be quoted, but the fields before kana that
  // hold commas are quoted ones, so a quoted field is skipped whole.
  std::string_view fields[21];
  std::size_t fieldCount = 0;
  std::size_t position = 0;
  while (fieldCount < 21 && position <= feature.size()) {
    std::size_t end;
    if (position < feature.size() && feature[position] == '"') {
      end = feature.find('"', position + 1);
      end = end == std::string_view::npos ? feature.size() : feature.find(',', end);
    } else {
      end = feature.find(',', position);
    }
    if (end == std::string_view::npos) {
      end = feature.size();
    }
    fields[fieldCount++] = feature.substr(position, end - position);
    position = end + 1;
  }
  std::string_view reading;
  if (fieldCount == 21) {
    reading = fields[20];
  } else if (fieldCount >= 8) {
    reading = fields[7];
  } else {
    return std::nullopt;
  }
  if (!IsAllKana(reading)) {
    return std::nullopt;
  }
  return reading;
}

bool IsAllKana(std::string_view text) {
  for (std::size_t p = 0; p < text.size();) {
    if (!IsKana(NextCodePoint(text, p))) {
      return false;
    }
  }
  return !text.empty();
}

}  // namespace kananet::sample
