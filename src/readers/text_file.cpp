#include "readers/text_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "codes/text_encoding.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/parallel.h"
#include "readers/sample_text.h"

namespace kananet {

bool MakeTextShiftJis(std::string& fileBytes, unsigned jobs) {
  return MakeShiftJis(fileBytes, TextParts(fileBytes.size(), jobs), RunParts) !=
         TextEncoding::kUtf16;
}

void StopAtUnopenedFile(const std::string& path, int error) {
  std::error_code ignored;
  std::string folder = std::filesystem::current_path(ignored).string();
  std::string reason = ReadFailureReason(error);
  bool sampleText = path == kSampleTextPath;
  StopRun(ConsoleText("File is not exist.\nCannot read ")
              .Name(path)
              .Text(" in ")
              .Name(folder.empty() ? "." : folder)
              .Text(": " + reason +
                    (sampleText ? "; run kananet in the folder that holds kanasample.txt and "
                                  "layout/, or give that folder: kananet DIR.\n"
                                : "; fix or replace that file.\n")));
}

void MakeReadableText(const std::string& path, std::string& fileBytes, unsigned jobs) {
  if (!MakeTextShiftJis(fileBytes, jobs)) {
    StopRun(ConsoleText("Cannot read ")
                .Name(path)
                .Text(": it is saved as UTF-16; save it as UTF-8 or Shift_JIS and run again.\n"));
  }
}

}  // namespace kananet
