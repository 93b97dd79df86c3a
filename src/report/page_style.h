// The page's style sheet, inlined in its <head> so that the page stands alone.
#pragma once

#include <string_view>

namespace kananet::report {

std::string_view PageStyle();

}  // namespace kananet::report
