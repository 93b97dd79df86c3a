// The batch's working directory: where layouts and results are, shared by the driver, the
// readers and the companions.
#pragma once

#include <string_view>

namespace kananet {

inline constexpr std::string_view kLayoutDirectory = "layout/";
inline constexpr std::string_view kResultDirectory = "result/";

}  // namespace kananet
