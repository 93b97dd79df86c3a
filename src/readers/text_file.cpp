#include "readers/text_file.h"

#include <algorithm>

#include "codes/text_encoding.h"
#include "platform/console.h"
#include "platform/parallel.h"

namespace kananet {

void MakeReadableText(const std::string& path, std::string& fileBytes, unsigned jobs) {
  std::size_t parts = std::min<std::size_t>(jobs, fileBytes.size() / kMinTextBytesPerThread);
  if (MakeShiftJis(fileBytes, parts, RunParts) == TextEncoding::kUtf16) {
    StopRun(ConsoleText("Cannot read ")
                .Name(path)
                .Text(": it is saved as UTF-16; save it as UTF-8 or Shift_JIS and run again.\n"));
  }
}

}  // namespace kananet
