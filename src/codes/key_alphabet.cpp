#include "codes/key_alphabet.h"

namespace kananet {

std::array<std::uint8_t, 256> KeyIndexTable{};

void BuildKeyIndexTable() {
  KeyIndexTable.fill(0);
  for (std::size_t i = 0; i < kKeyAlphabet.size(); ++i) {
    KeyIndexTable[static_cast<unsigned char>(kKeyAlphabet[i])] = static_cast<std::uint8_t>(i);
  }
}

}  // namespace kananet
