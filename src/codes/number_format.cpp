#include "codes/number_format.h"

#include <charconv>

namespace kananet {

void AppendNumber(std::string& out, double value) {
  char buffer[32];
  auto result =
      std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general, 6);
  out.append(buffer, result.ptr);
}

}  // namespace kananet
