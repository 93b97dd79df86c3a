#include "readers/text_file.h"

#include "codes/text_encoding.h"
#include "platform/console.h"

namespace kananet {

void MakeReadableText(const std::string& path, std::string& fileBytes) {
  if (MakeShiftJis(fileBytes) == TextEncoding::kUtf16) {
    StopRun(ConsoleText("Cannot read ")
                .Name(path)
                .Text(": it is saved as UTF-16; save it as UTF-8 or Shift_JIS and run again.\n"));
  }
}

}  // namespace kananet
