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
  std::size_t done = 0;
  for (const MeCab::Node* node = lattice_->bos_node(); node != nullptr; node = node->next) {
    if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE) {
      continue;
    }
    auto start = static_cast<std::size_t>(node->surface - line.data());
    out.append(line.substr(done, start - done));
    std::string_view word = line.substr(start, node->length);
    switch (KindOfWord(word)) {
      case WordKind::kOther:
        out.append(word);
        break;
      case WordKind::kKana:
        AppendHiragana(word, out);
        break;
      case WordKind::kNeedsReading:
        if (std::optional<std::string_view> reading = ReadingOfFeature(node->feature)) {
          AppendHiragana(*reading, out);
        } else {
          out.append(word);
          unread_.Add(word);
        }
        break;
    }
    done = start + node->length;
  }
  out.append(line.substr(done));
}

}  // namespace kananet::sample
