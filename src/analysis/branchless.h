// Choosing between two values without a branch, for choices that follow the data and that a
// branch predictor cannot guess: which hand strikes next, whether a kana run ends here.
#pragma once

#include <type_traits>

namespace kananet {

template <typename T>
constexpr T Choose(bool condition, T ifTrue, T ifFalse) {
  static_assert(std::is_unsigned_v<T>);
  T mask = T{0} - static_cast<T>(condition);
  return (ifTrue & mask) | (ifFalse & ~mask);
}

}  // namespace kananet
