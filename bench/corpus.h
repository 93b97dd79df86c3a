// Deterministic benchmark inputs: a Shift_JIS sample text that reads like Japanese prose, and
// layout files of a realistic size and of a large size. The same seed always gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kananet::bench {

// kMixed: paragraphs of sentences in which hiragana with 、。ー stand between kanji, katakana,
// digits and quotes. kKanaDense: the same prose read aloud, as the sample-text tool writes it:
// hiragana with 、。ー, and only the quotes and paragraph indents are not kana.
enum class TextProfile { kMixed, kKanaDense };

// About `bytes` bytes of sample text (whole lines, CR LF line ends) of the profile.
std::string SampleText(std::size_t bytes, std::uint64_t seed,
                       TextProfile profile = TextProfile::kMixed);

// A layout file of about 150 entries: every kana alone, and the contracted and geminated
// sequences (きゃ, しぇ, っか, ...) placed before the kana they begin with.
std::string SmallLayout(std::uint64_t seed, bool countByKana, bool breakAfterPunctuation);

// A layout file of `entries` entries: the small layout's entries behind a dictionary of
// frequent multi-kana sequences of a sample text of the profile, so that many sequences share a
// first kana.
std::string LargeLayout(std::uint64_t seed, std::size_t entries, bool countByKana,
                        bool breakAfterPunctuation, TextProfile profile = TextProfile::kMixed);

// The same layout with keys pressed together: a line %chords after the header, and the first
// two keys of each entry of several keys pressed together when they are of the two hands, the
// rest struck after them.
std::string ChordTwin(const std::string& layout);

}  // namespace kananet::bench
