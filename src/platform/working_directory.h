// The batch's working directory: where layouts and results are, and the name of the layout
// file in work, shared by the driver, the layout reader and the network writer.
#pragma once

#include <string>
#include <string_view>

namespace kananet {

inline constexpr std::string_view kLayoutDirectory = "layout/";
inline constexpr std::string_view kResultDirectory = "result/";

// The layout file's native name while it is read; the network writer replaces it with the
// output file's name.
extern std::string CurrentLayoutName;

// A new string: the directory prefix followed by CurrentLayoutName.
std::string PathInDirectory(std::string_view directoryPrefix);

}  // namespace kananet
