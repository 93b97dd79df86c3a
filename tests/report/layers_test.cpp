#include "report/layers.h"

#include <gtest/gtest.h>

#include "codes/text_encoding.h"

namespace kananet::report {
namespace {

// Each layer as "KEY held:" or "after KEY:" and its keys' kana, the most kana first.
std::string LayersOf(const std::string& entries, bool chords) {
  const LayoutDefinition layout = ReadLayout(
      Utf8TextToShiftJis("b\n0\n4\n0\n" + std::string(chords ? "%chords\n" : "") + entries));
  std::string text;
  for (const Layer& layer : FindLayers(layout.Table, layout.EntryLines)) {
    text += layer.Prefix ? std::string("after ") + KeyName(layer.Key) + ":"
                         : std::string(1, KeyName(layer.Key)) + " held:";
    for (int key = 1; key < kKeySlotCount; ++key) {
      text += layer.Kana[key].empty() ? "" : " " + std::string(1, KeyName(key)) + layer.Kana[key];
    }
    text += "; ";
  }
  return text;
}

TEST(FindLayersTest, FindsHeldKeysAndPrefixKeys) {
  const struct {
    const char* What;
    bool Chords;
    const char* Entries;
    const char* Layers;
  } cases[] = {
      {"prefix shift: L never types alone", false, "L0\tを\nLq\tぁ\nq\tた\n0\tわ\nLq\tぃ\n",
       "after L: q\xe3\x81\x81 0を; "},
      {"a key that types alone is no prefix", false, "t\tか\nt@\tが\n@\t゛\n", ""},
      {"a key found later in an entry is no prefix", false, "xa\tぁ\nax\tあ\n", ""},
      {"held shift: R is pressed with more keys", true, "q\tた\nR+q\tぁ\nR+w\tぃ\nw\tて\n",
       "R held: qぁ wぃ; "},
      {"thumb keys, each with its hand", true,
       "<+f\tか\n<+d\tき\n<+s\tく\n>+f\tが\n>+d\tぎ\n>+j\tな\n",
       "< held: sく dき fか; > held: dぎ fが jな; "},
      {"chords of letter keys are in both keys' layers", true, "j+f\tあ\nk+f\tい\nj+k\tう\n",
       "f held: jあ kい; j held: fあ kう; k held: fい jう; "},
      {"an action then a key: a prefix of its own", true, "<\tに\n<+f\tか\nLq\tぁ\n",
       "f held: <か; < held: fか; after L: qぁ; "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LayersOf(c.Entries, c.Chords), c.Layers) << c.What;
  }
}

}  // namespace
}  // namespace kananet::report
