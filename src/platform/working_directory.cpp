#include "platform/working_directory.h"

namespace kananet {

std::string CurrentLayoutName;

std::string PathInDirectory(std::string_view directoryPrefix) {
  std::string path(directoryPrefix);
  path += CurrentLayoutName;
  return path;
}

}  // namespace kananet
