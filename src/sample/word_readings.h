// Words to their readings through MeCab: each line of ordinary Japanese becomes the text a
// typist types for it, in kana, with everything that is not a word of kana or kanji kept.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace MeCab {
class Model;
class Tagger;
class Lattice;
}  // namespace MeCab

namespace kananet::sample {

// The words kept as written for want of a reading, with how often each was met. Only the first
// kMaxDistinct different words of at most kMaxLength bytes are told apart, so memory stays
// bounded on any input; the total counts every one.
class UnreadWords {
 public:
  static constexpr std::size_t kMaxDistinct = 100000;
  static constexpr std::size_t kMaxLength = 64;

  void Add(std::string_view word);
  std::uint64_t Total() const { return total_; }
  // The most frequent ones, most frequent first (ties in byte order), at most limit of them.
  std::vector<std::pair<std::string, std::uint64_t>> MostFrequent(std::size_t limit) const;

 private:
  std::uint64_t total_ = 0;
  std::unordered_map<std::string, std::uint64_t> counts_;
};

class WordReadings {
 public:
  // Loads the MeCab dictionary in the directory; nullptr and the reason in error when it fails.
  static std::unique_ptr<WordReadings> Open(const std::string& dictionaryDirectory,
                                            std::string& error);
  ~WordReadings();
  WordReadings(const WordReadings&) = delete;
  WordReadings& operator=(const WordReadings&) = delete;

  // Readings that win over the dictionary's, by written form (UTF-8): a run of consecutive
  // words whose written forms together equal an entry is read as the entry says, the longest
  // such run first. Readings are kana, typed as their hiragana.
  void SetOwnReadings(std::unordered_map<std::string, std::string> readings);

  // Appends to out the line (well-formed UTF-8 without its line end) with every word of kanji
  // as its reading in hiragana (an own reading, else the dictionary's), every word of kana in
  // hiragana, and every other character, spaces included, as it is.
  void ConvertLine(std::string_view line, std::string& out);

  const UnreadWords& Unread() const { return unread_; }

 private:
  WordReadings() = default;

  MeCab::Model* model_ = nullptr;
  MeCab::Tagger* tagger_ = nullptr;
  MeCab::Lattice* lattice_ = nullptr;
  // A word of the line being converted: where it lies in the line, and its MeCab features.
  struct Word {
    std::size_t Start;
    std::size_t Length;
    const char* Feature;
  };
  // The longest run of words from words[first] on, without a gap between them, whose written
  // form has an own reading: its length in words (0 for none) and the reading.
  std::size_t OwnReadingAt(std::string_view line, std::size_t first,
                           const std::string*& reading) const;

  std::string normalized_;
  std::vector<Word> words_;
  std::unordered_map<std::string, std::string> ownReadings_;
  std::size_t longestOwn_ = 0;  // bytes of the longest written form with an own reading
  UnreadWords unread_;
};

}  // namespace kananet::sample
