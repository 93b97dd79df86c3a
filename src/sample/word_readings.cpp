#include "sample/word_readings.h"

#include <mecab.h>

#include <algorithm>
#include <cctype>

#include "sample/kana_reading.h"

namespace kananet::sample {

void UnreadWords::Add(std::string_view word) {
  ++total_;
  if (word.size() > kMaxLength) {
    return;
  }
  std::string stored(word);
  auto found = counts_.find(stored);
  if (found != counts_.end()) {
    ++found->second;
  } else if (counts_.size() < kMaxDistinct) {
    counts_.emplace(std::move(stored), 1);
  }
}

std::vector<std::pair<std::string, std::uint64_t>> UnreadWords::MostFrequent(
    std::size_t limit) const {
  std::vector<std::pair<std::string, std::uint64_t>> words(counts_.begin(), counts_.end());
  const auto moreFrequent = [](const auto& a, const auto& b) {
    return a.second != b.second ? a.second > b.second : a.first < b.first;
  };
  limit = std::min(limit, words.size());
  std::partial_sort(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(limit), words.end(),
                    moreFrequent);
  words.resize(limit);
  return words;
}

std::unique_ptr<WordReadings> WordReadings::Open(const std::string& dictionaryDirectory,
                                                 std::string& error) {
  // MeCab reads its mecabrc as usual (MECABRC, ~/.mecabrc, then the system one) and takes the
  // dictionary from the directory given, whatever dictionary the mecabrc names.
  std::string program = "kananet-sample";
  std::string option = "-d";
  std::string directory = dictionaryDirectory;
  char* arguments[] = {program.data(), option.data(), directory.data()};
  std::unique_ptr<WordReadings> readings(new WordReadings());
  readings->model_ = MeCab::createModel(3, arguments);
  if (readings->model_ == nullptr) {
    error = MeCab::getLastError();
    return nullptr;
  }
  // Text is analysed as UTF-8; a dictionary in another character set (Debian's mecab-ipadic is
  // EUC-JP) would cut characters apart and read nothing.
  std::string charset;
  for (const char* c = readings->model_->dictionary_info()->charset; *c != '\0'; ++c) {
    if (*c != '-' && *c != '_') {
      charset += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    }
  }
  if (charset != "utf8") {
    error = "its character set is " + std::string(readings->model_->dictionary_info()->charset) +
            ", not UTF-8";
    return nullptr;
  }
  readings->tagger_ = readings->model_->createTagger();
  readings->lattice_ = readings->model_->createLattice();
  if (readings->tagger_ == nullptr || readings->lattice_ == nullptr) {
    error = MeCab::getLastError();
    return nullptr;
  }
  return readings;
}

WordReadings::~WordReadings() {
  delete lattice_;
  delete tagger_;
  delete model_;
}

void WordReadings::SetOwnReadings(std::unordered_map<std::string, std::string> readings) {
  ownReadings_ = std::move(readings);
  longestOwn_ = 0;
  for (const auto& [written, reading] : ownReadings_) {
    longestOwn_ = std::max(longestOwn_, written.size());
  }
}

std::size_t WordReadings::OwnReadingAt(std::string_view line, std::size_t first,
                                       const std::string*& reading) const {
  std::size_t found = 0;
  std::size_t start = words_[first].Start;
  for (std::size_t last = first; last < words_.size(); ++last) {
    std::size_t end = words_[last].Start + words_[last].Length;
    if ((last > first && words_[last].Start != words_[last - 1].Start + words_[last - 1].Length) ||
        end - start > longestOwn_) {
      break;
    }
    auto entry = ownReadings_.find(std::string(line.substr(start, end - start)));
    if (entry != ownReadings_.end()) {
      found = last - first + 1;
      reading = &entry->second;
    }
  }
  return found;
}

void WordReadings::ConvertLine(std::string_view line, std::string& out) {
  if (line.empty()) {
    return;
  }
  if (NeedsKanaNormalization(line)) {
    normalized_.clear();
    NormalizeKana(line, normalized_);
    line = normalized_;
  }
  lattice_->set_sentence(line.data(), line.size());
  if (!tagger_->parse(lattice_)) {
    out.append(line);
    return;
  }
  // Each word's surface points into line; what lies between two words (spaces MeCab skips)
  // is copied as it is.
  words_.clear();
  for (const MeCab::Node* node = lattice_->bos_node(); node != nullptr; node = node->next) {
    if (node->stat != MECAB_BOS_NODE && node->stat != MECAB_EOS_NODE) {
      words_.push_back(
          {static_cast<std::size_t>(node->surface - line.data()), node->length, node->feature});
    }
  }
  std::size_t done = 0;
  for (std::size_t i = 0; i < words_.size();) {
    const Word& word = words_[i];
    out.append(line.substr(done, word.Start - done));
    const std::string* own = nullptr;
    if (std::size_t run = ownReadings_.empty() ? 0 : OwnReadingAt(line, i, own); run > 0) {
      AppendHiragana(*own, out);
      done = words_[i + run - 1].Start + words_[i + run - 1].Length;
      i += run;
      continue;
    }
    std::string_view written = line.substr(word.Start, word.Length);
    switch (KindOfWord(written)) {
      case WordKind::kOther:
        out.append(written);
        break;
      case WordKind::kKana:
        AppendHiragana(written, out);
        break;
      case WordKind::kNeedsReading:
        if (std::optional<std::string_view> reading = ReadingOfFeature(word.Feature)) {
          AppendHiragana(*reading, out);
        } else {
          out.append(written);
          unread_.Add(written);
        }
        break;
    }
    done = word.Start + word.Length;
    ++i;
  }
  out.append(line.substr(done));
}

}  // namespace kananet::sample
