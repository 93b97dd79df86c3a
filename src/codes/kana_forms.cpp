#include "codes/kana_forms.h"

namespace kananet {

namespace {

// Each hiragana with a voiced, semi-voiced or small form, and those forms (0 for none). The
// small ゎ folds into わ as a KanaCode, so it is no form of it here.
struct Forms {
  char32_t Plain, Voiced, SemiVoiced, Small;
};
constexpr Forms kForms[] = {
    {U'あ', 0, 0, U'ぁ'},     {U'い', 0, 0, U'ぃ'},     {U'う', U'ゔ', 0, U'ぅ'},
    {U'え', 0, 0, U'ぇ'},     {U'お', 0, 0, U'ぉ'},     {U'か', U'が', 0, 0},
    {U'き', U'ぎ', 0, 0},     {U'く', U'ぐ', 0, 0},     {U'け', U'げ', 0, 0},
    {U'こ', U'ご', 0, 0},     {U'さ', U'ざ', 0, 0},     {U'し', U'じ', 0, 0},
    {U'す', U'ず', 0, 0},     {U'せ', U'ぜ', 0, 0},     {U'そ', U'ぞ', 0, 0},
    {U'た', U'だ', 0, 0},     {U'ち', U'ぢ', 0, 0},     {U'つ', U'づ', 0, U'っ'},
    {U'て', U'で', 0, 0},     {U'と', U'ど', 0, 0},     {U'は', U'ば', U'ぱ', 0},
    {U'ひ', U'び', U'ぴ', 0}, {U'ふ', U'ぶ', U'ぷ', 0}, {U'へ', U'べ', U'ぺ', 0},
    {U'ほ', U'ぼ', U'ぽ', 0}, {U'や', 0, 0, U'ゃ'},     {U'ゆ', 0, 0, U'ゅ'},
    {U'よ', 0, 0, U'ょ'},
};

constexpr char32_t kKatakanaOffset = U'ア' - U'あ';

const Forms* FormsOf(char32_t hiragana) {
  for (const Forms& forms : kForms) {
    if (forms.Plain == hiragana) {
      return &forms;
    }
  }
  return nullptr;
}

// A kana's hiragana, and whether it was katakana.
char32_t AsHiragana(char32_t kana, bool& katakana) {
  katakana = kana >= U'ァ' && kana <= U'ヶ';
  return katakana ? kana - kKatakanaOffset : kana;
}

}  // namespace

char32_t VoicedOf(char32_t kana) {
  if (kana == U'ゝ' || kana == U'ヽ') {
    return kana + 1;  // ゞ ヾ
  }
  if (kana >= U'ワ' && kana <= U'ヲ') {
    return kana + (U'ヷ' - U'ワ');  // ヷ ヸ ヹ ヺ, which have no hiragana
  }
  bool katakana = false;
  const Forms* forms = FormsOf(AsHiragana(kana, katakana));
  if (forms == nullptr || forms->Voiced == 0) {
    return 0;
  }
  return katakana ? forms->Voiced + kKatakanaOffset : forms->Voiced;
}

char32_t SemiVoicedOf(char32_t kana) {
  bool katakana = false;
  const Forms* forms = FormsOf(AsHiragana(kana, katakana));
  if (forms == nullptr || forms->SemiVoiced == 0) {
    return 0;
  }
  return katakana ? forms->SemiVoiced + kKatakanaOffset : forms->SemiVoiced;
}

std::uint8_t PlainKanaCode(std::uint8_t code) {
  // KanaCodes 7..89 are the hiragana ぁ..ん in order; 5 is the vu.
  constexpr std::uint8_t kFirstHiragana = 7, kLastHiragana = 89, kVu = 5;
  const auto codeOf = [](char32_t hiragana) {
    return static_cast<std::uint8_t>(hiragana - U'ぁ' + kFirstHiragana);
  };
  if (code != kVu && (code < kFirstHiragana || code > kLastHiragana)) {
    return 0;
  }
  const char32_t form = code == kVu ? U'ゔ' : U'ぁ' + (code - kFirstHiragana);
  for (const Forms& forms : kForms) {
    if (form == forms.Voiced || form == forms.SemiVoiced || form == forms.Small) {
      return codeOf(forms.Plain);
    }
  }
  return 0;
}

}  // namespace kananet
