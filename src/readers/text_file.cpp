#include "readers/text_file.h"

#include "codes/text_encoding.h"
#include "platform/console.h"
#include "platform/parallel.h"

namespace kananet {

bool MakeTextShiftJis(std::string& fileBytes, unsigned jobs) {
  return MakeShiftJis(fileBytes, TextParts(fileBytes.size(), jobs), RunParts) !=
         TextEncoding::kUtf16;
}

void MakeReadableText(const std::string& path, std::string& fileBytes, unsigned jobs) {
  if (!MakeTextShiftJis(fileBytes, jobs)) {
    StopRun(ConsoleText("Cannot read ")
                .Name(path)
                .Text(": it is saved as UTF-16; save it as UTF-8 or Shift_JIS and run again.\n"));
  }
}

}  // namespace kananet
