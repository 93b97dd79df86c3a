// The network files written in one batch, so that a layout whose file replaces the one an
// earlier layout of the same batch wrote is pointed out instead of losing that result silently.
#pragma once

#include <map>
#include <string>

namespace kananet {

class WrittenNetworks {
 public:
  // Records that the network file outputName (in result/) was written for the layout file
  // layoutName. When an earlier layout of this batch had written the same file, says so on
  // standard error; the run's status is not changed.
  void Record(const std::string& outputName, const std::string& layoutName);

 private:
  std::map<std::string, std::string> layoutOf_;  // output name -> the layout it was written for
};

}  // namespace kananet
