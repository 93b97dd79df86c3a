#include "bench/corpus.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "platform/names.h"
#include "readers/sample_text.h"

namespace kananet::bench {

namespace {

// splitmix64: small, fast and the same on every platform.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
  bool Percent(unsigned percent) { return Below(100) < percent; }

 private:
  std::uint64_t state_;
};

// Vocabulary is written here in UTF-8; the tool's console conversion gives its Shift_JIS.
std::string ToShiftJis(std::string_view utf8) {
  return ConsoleName(utf8);
}

// Space-separated words, kept as Shift_JIS and drawn with Zipf-like weights 1/(rank + 2): the
// first word is the most frequent, as in real text, without crowding out the rest.
class WordList {
 public:
  explicit WordList(std::string_view utf8Words) {
    double total = 0;
    while (!utf8Words.empty()) {
      std::size_t end = std::min(utf8Words.find(' '), utf8Words.size());
      if (end > 0) {
        words_.push_back(ToShiftJis(utf8Words.substr(0, end)));
        total += 1.0 / static_cast<double>(words_.size() + 2);
        cumulative_.push_back(total);
      }
      utf8Words.remove_prefix(std::min(end + 1, utf8Words.size()));
    }
  }

  const std::string& Pick(Random& random) const {
    double point = static_cast<double>(random.Next() >> 11) * 0x1p-53 * cumulative_.back();
    auto found = std::upper_bound(cumulative_.begin(), cumulative_.end(), point);
    return words_[std::min<std::size_t>(found - cumulative_.begin(), words_.size() - 1)];
  }

 private:
  std::vector<std::string> words_;
  std::vector<double> cumulative_;
};

// The words of a text; read aloud (asReading), every word is in hiragana, as the sample-text
// tool writes a reading of prose, and only the quotes and the paragraph indent are not kana.
struct Vocabulary {
  explicit Vocabulary(bool asReading) : AsReading(asReading) {}

  bool AsReading;
  WordList Particles{
      "の に は を が と で も から まで へ や より には では とは ので けど など という"};
  WordList Nouns{
      "こと もの ところ とき ひと わたし みんな それ これ ため よう はず わけ ほう なか うえ まえ "
      "あと いま ここ そこ どこ あなた かれ かのじょ ごはん しゃしん おちゃ きょう あした きのう "
      "ちょうし じゅんび しゅくだい りょこう びょういん きっぷ おみやげ ぎゅうにゅう ほんとう "
      "せんせい にほんご げんき じぶん ぜんぶ たいへん ふうけい おんがく しんぶん てんき"};
  WordList Adverbs{
      "また とても すこし もう まだ ちょっと いつも やはり たとえば しかし そして つまり ところが "
      "それでも なかなか ずっと きっと たぶん もちろん ほとんど さらに まず じつは やっぱり "
      "いっしょに すぐに ゆっくり はっきり すごーく ちょーっと"};
  WordList Kanji{
      AsReading
          ? "にち ひと ねん だい ほん ちゅう しゅつ じ こう けん がつ ぶん じょう せい がく こく "
            "き じ しゅ じ しゃ かん ぜん かい ち ほう こう ちょう わ げん しん じょう こん か "
            "しゃ ぶつ たい しん さく めい がい もく し どう もん すい でん てん どう まち かい "
            "さん せん しょく しょ どく ぶん たい じ し こう ち きょう しゅう し しゅう ばい ばい "
            "そう うん どう どう きゅう じゅう かつ い み り ゆう けい けん かん けい だい ぶ や "
            "えき しゃ しゅう ちょう や ちゅう しゅん か しゅう とう う ふう か くう おん せい "
            "しょく りょう ゆう たつ せん ふ ぼ けい てい し なに し じょ だん めい ご ぶん じ"
          : "日 人 年 大 本 中 出 時 行 見 月 分 上 生 学 国 気 事 手 自 者 間 前 会 地 方 高 長 "
            "話 言 新 場 今 家 社 物 体 心 作 明 外 目 思 同 問 水 電 店 道 町 海 山 川 食 書 読 "
            "聞 待 持 使 考 知 教 習 始 終 買 売 送 運 動 働 休 住 活 意 味 理 由 経 験 関 係 題 "
            "部 屋 駅 車 週 朝 夜 昼 春 夏 秋 冬 雨 風 花 空 音 声 色 料 友 達 先 父 母 兄 弟 私 "
            "何 子 女 男 名 語 文 字"};
  WordList Katakana{
      AsReading
          ? "こーひー てれび ぱそこん いんたーねっと にゅーす めーる ほてる ばす たくしー かめら "
            "げーむ すぽーつ さっかー れすとらん すーぱー でーた しすてむ ぷろぐらむ "
            "こんぴゅーたー あめりか よーろっぱ ぱん けーき ちーず びーる わいん のーと ぺん どあ "
            "えれべーたー ぎたー ぴあの ばいおりん"
          : "コーヒー テレビ パソコン インターネット ニュース メール ホテル バス タクシー カメラ "
            "ゲーム スポーツ サッカー レストラン スーパー データ システム プログラム "
            "コンピューター アメリカ ヨーロッパ パン ケーキ チーズ ビール ワイン ノート ペン ドア "
            "エレベーター ギター ピアノ ヴァイオリン"};
  WordList VerbStems{
      AsReading ? "み い き たべ おも い か よ き ま も つか かんがえ し おしえ はじめ おわ か う "
                  "おく つく はたら やす す かえ はい で わか はな ある あそ ね おき あ た すわ "
                  "かんじ しらべ つづけ"
                : "見 行 来 食べ 思 言 書 読 聞 待 持 使 考え 知 教え 始め 終わ 買 売 送 作 働 休 "
                  "住 帰 入 出 分か 話 歩 遊 寝 起き 会 立 座 感じ 調べ 続け"};
  WordList Inflections{
      "る った って ます ました う ない いる ません なかった ている ていた れる られる たい "
      "ながら れば よう させる んだ ように ような"};
  WordList Adjectives{
      AsReading ? "おおきい ちいさい あたらしい ふるい たかい やすい はやい おそい うつくしい "
                  "たのしい むずかしい おおい すくない ながい みじかい あつい さむい おいしい "
                  "すごい かわいい おもしろい"
                : "大きい 小さい 新しい 古い 高い 安い 早い 遅い 美しい 楽しい 難しい 多い 少ない "
                  "長い 短い 暑い 寒い おいしい すごい かわいい 面白い"};
  WordList Endings{
      AsReading ? "です ます でした ました だ だった である とおもいます かもしれません のです "
                  "んです でしょう ね よ ようです そうです ください"
                : "です ます でした ました だ だった である と思います かもしれません のです "
                  "んです でしょう ね よ ようです そうです ください"};
  WordList Connectives{"て、 が、 けれど、 ので、 から、 し、 、 たり、"};
  WordList Counters{AsReading ? "ねん がつ にち にん かい じ ふん えん ほん つ"
                              : "年 月 日 人 回 時 分 円 本 つ"};
  WordList Numbers{AsReading
                       ? "に じゅう さん ひゃく いち ご にせんにじゅうよん じゅうに さんじゅう なな"
                       : "2 10 3 100 １ ５ 2024 12 ３０ 7"};
  WordList QuoteVerbs{AsReading ? "といいました とおもいました とききました とかいてありました"
                                : "と言いました と思いました と聞きました と書いてありました"};
  std::string OpenQuote = ToShiftJis("「");
  std::string CloseQuote = ToShiftJis("」");
  std::string FullStop = ToShiftJis("。");
  std::string Comma = ToShiftJis("、");
  std::string Of = ToShiftJis("の");
  std::string ParagraphIndent = ToShiftJis("　");
};

class TextWriter {
 public:
  TextWriter(const Vocabulary& words, std::uint64_t seed) : words_(words), random_(seed) {}

  void Paragraph(std::string& out) {
    out += words_.ParagraphIndent;
    std::size_t sentences = 2 + random_.Below(6);
    for (std::size_t i = 0; i < sentences; ++i) {
      if (random_.Percent(10)) {
        out += words_.OpenQuote;
        SentenceBody(out);
        out += words_.CloseQuote;
        out += words_.QuoteVerbs.Pick(random_);
      } else {
        SentenceBody(out);
      }
      out += words_.FullStop;
    }
    out += "\r\n";
  }

  void Title(std::string& out) {
    Noun(out);
    out += words_.Of;
    Noun(out);
    out += "\r\n\r\n";
  }

 private:
  void SentenceBody(std::string& out) {
    if (random_.Percent(20)) {
      out += words_.Adverbs.Pick(random_);
      if (random_.Percent(50)) {
        out += words_.Comma;
      }
    }
    std::size_t clauses = 1 + random_.Below(3);
    for (std::size_t i = 0; i < clauses; ++i) {
      Clause(out);
      if (i + 1 < clauses) {
        out += words_.Connectives.Pick(random_);
      }
    }
    out += words_.Endings.Pick(random_);
  }

  void Clause(std::string& out) {
    std::size_t phrases = 1 + random_.Below(3);
    for (std::size_t i = 0; i < phrases; ++i) {
      Noun(out);
      out += words_.Particles.Pick(random_);
    }
    if (random_.Percent(30)) {
      out += words_.Adjectives.Pick(random_);
    } else {
      out += words_.VerbStems.Pick(random_);
      out += words_.Inflections.Pick(random_);
    }
  }

  void KanjiCompound(std::string& out) {
    std::size_t length = random_.Percent(70) ? 2 : 1 + 2 * random_.Below(2);
    for (std::size_t i = 0; i < length; ++i) {
      out += words_.Kanji.Pick(random_);
    }
  }

  void Noun(std::string& out) {
    std::size_t kind = random_.Below(100);
    if (kind < 35) {
      KanjiCompound(out);
    } else if (kind < 60) {
      out += words_.Nouns.Pick(random_);
    } else if (kind < 72) {
      out += words_.Katakana.Pick(random_);
    } else if (kind < 78) {
      out += words_.Numbers.Pick(random_);
      out += words_.Counters.Pick(random_);
    } else {
      KanjiCompound(out);
      out += words_.Of;
      KanjiCompound(out);
    }
  }

  const Vocabulary& words_;
  Random random_;
};

using KanaSequence = std::string;  // KanaCodes

KanaSequence Kana(std::initializer_list<int> codes) {
  KanaSequence kana;
  for (int code : codes) {
    kana += static_cast<char>(code);
  }
  return kana;
}

// Every kana alone, and the sequences that a kana layout or a romaji input types as one unit.
// The sequences come first, so that they win over the kana they begin with.
std::vector<KanaSequence> BaseSequences() {
  constexpr int kSmallA = 7, kSmallI = 9, kSmallE = 13, kSmallO = 15, kU = 12, kSmallTsu = 41;
  constexpr int kSmallYa = 73, kSmallYu = 75, kSmallYo = 77;
  std::vector<KanaSequence> sequences;
  // き ぎ し じ ち ぢ に ひ び ぴ み り with ゃ ゅ ょ
  for (int first : {19, 20, 29, 30, 39, 40, 49, 56, 57, 58, 69, 80}) {
    for (int small : {kSmallYa, kSmallYu, kSmallYo}) {
      sequences.push_back(Kana({first, small}));
    }
  }
  // しぇ ちぇ じぇ ふぁ ふぃ ふぇ ふぉ てぃ でぃ うぃ うぇ うぉ
  for (auto pair : {std::pair{29, kSmallE},
                    {39, kSmallE},
                    {30, kSmallE},
                    {59, kSmallA},
                    {59, kSmallI},
                    {59, kSmallE},
                    {59, kSmallO},
                    {44, kSmallI},
                    {45, kSmallI},
                    {kU, kSmallI},
                    {kU, kSmallE},
                    {kU, kSmallO}}) {
    sequences.push_back(Kana({pair.first, pair.second}));
  }
  // っ before か き く け こ さ し す せ そ た ち つ て と ぱ ぴ ぷ ぺ ぽ
  for (int next :
       {17, 19, 21, 23, 25, 27, 29, 31, 33, 35, 37, 39, 42, 44, 46, 55, 58, 61, 64, 67}) {
    sequences.push_back(Kana({kSmallTsu, next}));
  }
  // 、 。 ー ヴ and the hiragana; ゎ ゐ ゑ fold into わ い え and need no entry of their own.
  for (int code : {1, 2, 3, 5}) {
    sequences.push_back(Kana({code}));
  }
  for (int code = 7; code <= 89; ++code) {
    if (code != 84 && code != 86 && code != 87) {
      sequences.push_back(Kana({code}));
    }
  }
  return sequences;
}

std::string Header(bool countByKana, bool breakAfterPunctuation) {
  // Left hand up to b; a break after 、 and 。 when line 2 is a key (0), none for a space.
  return std::string("b\r\n") + (breakAfterPunctuation ? "0" : " ") + "\r\n4\r\n" +
         (countByKana ? "1" : "0") + "\r\n";
}

void AppendEntry(std::string& layout, Random& random, const KanaSequence& kana,
                 std::size_t keyCount) {
  for (std::size_t i = 0; i < keyCount; ++i) {
    layout += kKeyAlphabet[1 + random.Below(kKeyAlphabet.size() - 1)];  // any key but the space
  }
  layout += '\t';
  for (char code : kana) {
    layout += KanaText(static_cast<std::uint8_t>(code));
  }
  layout += "\r\n";
}

void AppendBaseEntries(std::string& layout, Random& random) {
  for (const KanaSequence& kana : BaseSequences()) {
    // Most kana take one key, some two (a shift or a voicing mark); a sequence takes two or three.
    std::size_t keys = kana.size() == 1 ? (random.Percent(65) ? 1 : 2) : 2 + random.Below(2);
    AppendEntry(layout, random, kana, keys);
  }
}

// The kana sequences of two to four kana inside the runs of a sample text, most frequent first.
std::vector<KanaSequence> FrequentSequences(const std::string& text) {
  std::string stream;
  AppendKanaStream(text, stream);
  std::map<KanaSequence, std::size_t> counts;
  std::size_t runStart = 0;
  for (std::size_t i = 0; i <= stream.size(); ++i) {
    if (i < stream.size() && static_cast<std::uint8_t>(stream[i]) != kRunBreak) {
      continue;
    }
    for (std::size_t start = runStart; start < i; ++start) {
      for (std::size_t length = 2; length <= 4 && start + length <= i; ++length) {
        ++counts[stream.substr(start, length)];
      }
    }
    runStart = i + 1;
  }
  std::vector<std::pair<std::size_t, KanaSequence>> ranked;
  for (auto& [kana, count] : counts) {
    ranked.emplace_back(count, kana);
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<KanaSequence> sequences;
  for (auto& [count, kana] : ranked) {
    sequences.push_back(std::move(kana));
  }
  return sequences;
}

}  // namespace

std::string SampleText(std::size_t bytes, std::uint64_t seed, TextProfile profile) {
  static const Vocabulary mixed(false);
  static const Vocabulary reading(true);
  TextWriter writer(profile == TextProfile::kKanaDense ? reading : mixed, seed);
  std::string text;
  text.reserve(bytes + 4096);
  for (std::size_t paragraph = 0; text.size() < bytes; ++paragraph) {
    if (paragraph % 25 == 0) {
      writer.Title(text);
    }
    writer.Paragraph(text);
  }
  return text;
}

std::string SmallLayout(std::uint64_t seed, bool countByKana, bool breakAfterPunctuation) {
  Random random(seed);
  std::string layout = Header(countByKana, breakAfterPunctuation);
  AppendBaseEntries(layout, random);
  return layout;
}

std::string LargeLayout(std::uint64_t seed, std::size_t entries, bool countByKana,
                        bool breakAfterPunctuation, TextProfile profile) {
  Random random(seed);
  std::size_t base = BaseSequences().size();
  std::size_t wanted = entries > base ? entries - base : 0;
  std::vector<KanaSequence> dictionary = FrequentSequences(SampleText(1 << 20, seed, profile));
  if (dictionary.size() > wanted) {
    dictionary.resize(wanted);
  }
  // A text of a few hundred words has fewer distinct sequences than a large dictionary holds:
  // the rest are pairs of kana, frequent or not, as a generated dictionary would have them.
  std::vector<KanaSequence> singles = BaseSequences();
  std::erase_if(singles, [](const KanaSequence& kana) { return kana.size() != 1; });
  while (dictionary.size() < wanted) {
    dictionary.push_back(singles[random.Below(singles.size())] +
                         singles[random.Below(singles.size())]);
  }
  for (std::size_t i = dictionary.size(); i > 1; --i) {
    std::swap(dictionary[i - 1], dictionary[random.Below(i)]);
  }

  std::string layout = Header(countByKana, breakAfterPunctuation);
  for (const KanaSequence& kana : dictionary) {
    AppendEntry(layout, random, kana, 2 + random.Below(3));
  }
  AppendBaseEntries(layout, random);
  return layout;
}

std::string ChordTwin(const std::string& layout) {
  std::string twin;
  std::size_t line = 0;
  for (std::size_t start = 0; start < layout.size(); ++line) {
    const std::size_t lineEnd = layout.find('\n', start);
    const std::size_t end = lineEnd == std::string::npos ? layout.size() : lineEnd + 1;
    std::string text = layout.substr(start, end - start);
    const std::size_t tab = text.find('\t');
    // Keys of the two hands (the header's left hand ends at b), so that no finger presses two.
    constexpr int kLastLeftKey = 24;
    if (tab != std::string::npos && tab >= 2 &&
        (KeyIndexTable[static_cast<std::uint8_t>(text[0])] <= kLastLeftKey) !=
            (KeyIndexTable[static_cast<std::uint8_t>(text[1])] <= kLastLeftKey)) {
      text.insert(1, 1, '+');
    }
    twin += text;
    if (line == 3) {
      twin += "%chords\r\n";
    }
    start = end;
  }
  return twin;
}

}  // namespace kananet::bench
