// Writes ordinary Japanese text for the kananet-sample benchmark: UTF-8 paragraphs of mixed
// kanji and kana, with katakana words, numbers and the odd Latin word, one paragraph a line.
// The same size always gives the same bytes.
//
//   kananet_ordinary_text FILE MEGABYTES
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Words = std::vector<std::string_view>;

const Words kTimes = {"今日", "昨日", "明日の朝",   "毎年の春", "夏休みに",    "三月の終わりに",
                      "週末", "夕方", "その日の夜", "十年前",   "午後3時ごろ", "冬になると"};
const Words kPeople = {"私",       "彼",       "彼女", "子供たち",           "先生",
                       "友達",     "町の人々", "祖母", "隣の家のおばあさん", "学生たち",
                       "店の主人", "我々"};
const Words kPlaces = {"東京", "駅前の店", "図書館", "海辺の町",   "学校",       "公園",
                       "港",   "山の上",   "商店街", "大阪の会社", "古い喫茶店", "川沿いの道"};
const Words kAdjectives = {"静かな",   "美しい", "古い",   "小さな", "大きな",
                           "懐かしい", "新しい", "温かい", "珍しい", "白い"};
const Words kThings = {
    "本",     "手紙", "服",       "魚",   "野菜",     "写真",           "音楽",
    "料理",   "花",   "コーヒー", "パン", "ニュース", "コンピューター", "テレビ番組",
    "ケーキ", "地図", "自転車",   "傘"};
const Words kActions = {"を読んだ",     "を書いている",   "を買いに行った", "を見つめていた",
                        "を作りました", "を探しています", "を持ってきた",   "について話した",
                        "を思い出す",   "を送ってくれた", "が好きだ",       "を大切にしている"};
const Words kClauses = {"雨が降っていたので",   "風が強く吹いて", "時間があったから",
                        "少し疲れていたけれど", "誰にも言わずに", "ゆっくり歩きながら",
                        "思い切って",           "久しぶりに"};
const Words kEndings = {
    "。", "。", "。", "！", "と言っていた。", "そうです。", "のかもしれない。", "ことにした。"};
const Words kExtras = {"100円", "2024年", "SNS", "OK", "3人", "15分", "ＪＲ", "第2回"};

class Random {
 public:
  std::uint64_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  std::string_view Pick(const Words& words) { return words[Next() % words.size()]; }

 private:
  std::uint64_t state_ = 0x9E3779B97F4A7C15u;
};

void AppendSentence(Random& random, std::string& text) {
  switch (random.Next() % 4) {
    case 0:
      text += random.Pick(kTimes);
      text += "、";
      text += random.Pick(kPeople);
      text += "は";
      text += random.Pick(kPlaces);
      text += "で";
      text += random.Pick(kAdjectives);
      text += random.Pick(kThings);
      text += random.Pick(kActions);
      break;
    case 1:
      text += random.Pick(kClauses);
      text += "、";
      text += random.Pick(kPeople);
      text += "が";
      text += random.Pick(kThings);
      text += random.Pick(kActions);
      break;
    case 2:
      text += random.Pick(kPlaces);
      text += "には";
      text += random.Pick(kAdjectives);
      text += random.Pick(kThings);
      text += "があり、";
      text += random.Pick(kPeople);
      text += "はよくそこへ行く";
      break;
    default:
      text += random.Pick(kPeople);
      text += "は";
      text += random.Pick(kExtras);
      text += "の";
      text += random.Pick(kThings);
      text += random.Pick(kActions);
      break;
  }
  text += random.Pick(kEndings);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FILE MEGABYTES\n", argv[0]);
    return 2;
  }
  const std::uint64_t bytes = std::strtoull(argv[2], nullptr, 10) * 1000 * 1000;
  std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
  Random random;
  std::string paragraph;
  for (std::uint64_t written = 0; written < bytes;) {
    // A paragraph of 3 to 8 sentences, indented with a full-width space as Japanese prose is.
    paragraph = "　";
    for (std::uint64_t n = 3 + random.Next() % 6; n > 0; --n) {
      AppendSentence(random, paragraph);
    }
    paragraph += "\n";
    file.write(paragraph.data(), static_cast<std::streamsize>(paragraph.size()));
    written += paragraph.size();
  }
  if (!file.flush()) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
