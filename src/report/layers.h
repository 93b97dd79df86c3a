// The layers of a layout: beside the kana each key types alone, the kana typed with one key held
// (pressed together with the key that types them: R in R+k, < in <+k) or after one prefix key (a
// key that never types a kana alone and only ever starts entries of more actions: L in L0).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "readers/layout.h"
#include "report/network_file.h"

namespace kananet::report {

struct Layer {
  int Key = 0;          // the held key or the prefix key
  bool Prefix = false;  // struck before the key that types the kana, not held with it
  // The kana, UTF-8, that each key types in this layer: of the first entry a lookup finds.
  std::array<std::string, kKeySlotCount> Kana;
  int KanaCount = 0;  // keys with a kana in this layer
};

// The actions of an entry's keys, each its keys pressed together in ascending order: keys that a
// kKeyJoin joins are one action, every other key an action of its own.
std::vector<std::string> ActionsOf(const std::string& keys);

// The layers of the first `entries` slots of a table, the most kana first (ties by key, held
// keys before prefix keys). A two-key action types in the layer of the key pressed together with
// more other keys in the table's two-key actions (R with every letter key, a letter key with R
// alone); of both when they are pressed with as many, as in a chord of two letter keys.
std::vector<Layer> FindLayers(const std::vector<LayoutEntry>& table, std::size_t entries);

}  // namespace kananet::report
