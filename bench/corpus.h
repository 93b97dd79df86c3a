// Deterministic benchmark inputs: a Shift_JIS sample text that reads like Japanese prose, and
// layout files of a realistic size and of a large size. The same seed always gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kananet::bench {

// About `bytes` bytes of sample text (whole lines, CR LF line ends): paragraphs of sentences
// in which hiragana with 、。ー stand between kanji, katakana, digits and quotes.
std::string SampleText(std::size_t bytes, std::uint64_t seed);

// A layout file of about 150 entries: every kana alone, and the contracted and geminated
// sequences (きゃ, しぇ, っか, ...) placed before the kana they begin with.
std::string SmallLayout(std::uint64_t seed, bool countByKana, bool breakAfterPunctuation);

// A layout file of `entries` entries: the small layout's entries behind a dictionary of
// frequent multi-kana sequences of the sample text, so that many sequences share a first kana.
std::string LargeLayout(std::uint64_t seed, std::size_t entries, bool countByKana,
                        bool breakAfterPunctuation);

}  // namespace kananet::bench
