#include "driver/written_networks.h"

#include "platform/console.h"
#include "platform/working_directory.h"

namespace kananet {

void WrittenNetworks::Record(const std::string& outputName, const std::string& layoutName) {
  auto [earlier, isFirst] = layoutOf_.try_emplace(outputName, layoutName);
  if (isFirst) {
    return;
  }
  const std::string layout(kLayoutDirectory);
  WriteErr(ConsoleText("Warning: ")
               .Name(std::string(kResultDirectory) + outputName)
               .Text(" of ")
               .Name(layout + layoutName)
               .Text(" replaces the one of ")
               .Name(layout + earlier->second)
               .Text(" written earlier in this run; give the layouts names that differ before "
                     "the first \".\".\n"));
  earlier->second = layoutName;
}

}  // namespace kananet
