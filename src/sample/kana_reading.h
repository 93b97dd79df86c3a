// The kana side of a sample text: which words need a reading, and the hiragana a typist types
// for a word. Text is UTF-8 throughout.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kananet::sample {

// Appends line to out with half-width katakana (U+FF61-U+FF9F) as their full-width forms, a
// following half-width voiced or semi-voiced mark composed with its kana (ｶﾞ -> ガ, ﾊﾟ -> パ,
// ｳﾞ -> ヴ), and a kana followed by the combining mark U+3099 or U+309A composed (か + U+3099
// -> が). A half-width mark that composes with nothing becomes ゛ or ゜. line must be
// well-formed UTF-8.
void NormalizeKana(std::string_view line, std::string& out);

// Whether out would be the same as line: most lines hold none of the characters above.
bool NeedsKanaNormalization(std::string_view line);

enum class WordKind {
  kNeedsReading,  // holds a kanji, 々 〆 〇, ヵ ヶ or an iteration mark: typed as its reading
  kKana,          // kana without any of the above: typed as written
  kOther,         // no kana at all (letters, digits, symbols, punctuation): kept as it is
};

WordKind KindOfWord(std::string_view surface);

// Appends text to out with katakana as hiragana: ー and ヴ stay (ゔ becomes ヴ, which is what a
// sample text counts), ヵ ヶ become か け, ヽ ヾ become ゝ ゞ; every other character is copied.
void AppendHiragana(std::string_view text, std::string& out);

// Whether text is one or more kana (hiragana, katakana, ー) and nothing else.
bool IsAllKana(std::string_view text);

// The reading of a word in a MeCab feature string: the field 読み of an IPAdic-style entry
// (the eighth), or the field kana of a UniDic entry (the twenty-first), when it is all kana.
// Nothing for an unknown word or a field such as "*".
std::optional<std::string_view> ReadingOfFeature(std::string_view feature);

}  // namespace kananet::sample
