#include "codes/number_format.h"

#include <charconv>

namespace kananet {

void AppendNumber(std::string& out, double value) {
  char buffer[32];
  auto result =
      std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general, 6);
  out.append(buffer, result.ptr);
}

std::string Grouped(std::uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) {
      grouped += ',';
    }
    grouped += digits[i];
  }
  return grouped;
}

}  // namespace kananet
