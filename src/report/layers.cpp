#include "report/layers.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "codes/key_alphabet.h"
#include "report/kana_text.h"

namespace kananet::report {

namespace {

// Keys 1..55 and the thumb keys; the space key is on no keyboard the page draws.
bool OnKeyboard(int key) {
  return key >= 1 && key < kKeySlotCount;
}

int KeyOf(char key) {
  return static_cast<std::uint8_t>(key);
}

void Put(Layer& layer, int key, const std::string& kana) {
  if (OnKeyboard(key) && layer.Kana[key].empty() && !kana.empty()) {
    layer.Kana[key] = kana;
    ++layer.KanaCount;
  }
}

}  // namespace

std::vector<std::string> ActionsOf(const std::string& keys) {
  std::vector<std::string> actions;
  bool joined = false;
  for (const char key : keys) {
    if (static_cast<std::uint8_t>(key) == kKeyJoin) {
      joined = true;
    } else if (joined && !actions.empty()) {
      actions.back() += key;
      joined = false;
    } else {
      actions.emplace_back(1, key);
      joined = false;
    }
  }
  return actions;
}

std::vector<Layer> FindLayers(const std::vector<LayoutEntry>& table, std::size_t entries) {
  const std::size_t searched = std::min({entries, table.size(), kLayoutSearchSlots});
  std::vector<std::vector<std::string>> actions(searched);
  std::array<std::set<int>, kKeySlotCount> partners;
  // A prefix key starts an entry of more actions as an action of its own, and is found nowhere
  // else: not alone, not later in an entry, not pressed together with another key.
  std::array<bool, kKeySlotCount> starts{};
  std::array<bool, kKeySlotCount> elsewhere{};
  for (std::size_t slot = 0; slot < searched; ++slot) {
    const std::vector<std::string>& steps = actions[slot] = ActionsOf(table[slot].Keys);
    if (steps.size() == 1 && steps[0].size() == 2) {
      const int a = KeyOf(steps[0][0]);
      const int b = KeyOf(steps[0][1]);
      if (OnKeyboard(a) && OnKeyboard(b)) {
        partners[a].insert(b);
        partners[b].insert(a);
      }
    }
    for (std::size_t i = 0; i < steps.size(); ++i) {
      for (const char key : steps[i]) {
        const bool first = i == 0 && steps[i].size() == 1 && steps.size() > 1;
        (first ? starts : elsewhere)[KeyOf(key)] = true;
      }
    }
  }
  std::map<std::pair<bool, int>, Layer> layers;  // by prefix or held, then key
  const auto layerOf = [&](bool prefix, int key) -> Layer& {
    Layer& layer = layers[{prefix, key}];
    layer.Key = key;
    layer.Prefix = prefix;
    return layer;
  };
  for (std::size_t slot = 0; slot < searched; ++slot) {
    const std::vector<std::string>& steps = actions[slot];
    const std::string kana = KanaCodesUtf8(table[slot].Kana);
    if (steps.size() == 1 && steps[0].size() == 2) {
      const int a = KeyOf(steps[0][0]);
      const int b = KeyOf(steps[0][1]);
      for (const auto& [held, typed] : {std::pair(a, b), std::pair(b, a)}) {
        if (OnKeyboard(held) && OnKeyboard(typed) &&
            partners[held].size() >= partners[typed].size()) {
          Put(layerOf(false, held), typed, kana);
        }
      }
    } else if (steps.size() == 2 && steps[0].size() == 1 && steps[1].size() == 1) {
      const int prefix = KeyOf(steps[0][0]);
      if (OnKeyboard(prefix) && starts[prefix] && !elsewhere[prefix]) {
        Put(layerOf(true, prefix), KeyOf(steps[1][0]), kana);
      }
    }
  }
  std::vector<Layer> found;
  for (auto& [place, layer] : layers) {
    if (layer.KanaCount > 0) {
      found.push_back(std::move(layer));
    }
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const Layer& a, const Layer& b) { return a.KanaCount > b.KanaCount; });
  return found;
}

}  // namespace kananet::report
