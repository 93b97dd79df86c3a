// What the readers do with a text file's bytes before they read it: the file may be saved as
// Shift_JIS or as UTF-8, and is read as Shift_JIS either way.
#pragma once

#include <cstddef>
#include <string>

#include "platform/parallel.h"

namespace kananet {

// Below this many bytes per thread, reading a text on several threads costs more than it saves.
inline constexpr std::size_t kMinTextBytesPerThread = std::size_t{1} << 20;

// How many threads read a text of size bytes with up to jobs threads.
inline std::size_t TextParts(std::size_t size, unsigned jobs,
                             std::size_t minBytesPerThread = kMinTextBytesPerThread) {
  std::size_t parts = size / (minBytesPerThread == 0 ? 1 : minBytesPerThread);
  return parts < jobs ? parts : jobs;
}

// Turns a text file's bytes into Shift_JIS as below, cut into up to jobs pieces (of at least
// minBytesPerThread bytes) that runParts does on threads; false, with the bytes left as they
// are, when the file is UTF-16.
bool MakeTextShiftJis(std::string& fileBytes, unsigned jobs = 1,
                      std::size_t minBytesPerThread = kMinTextBytesPerThread,
                      const PartRunner& runParts = RunParts);

// Ends the run for a text file that cannot be opened (error is the errno): first the line
// "File is not exist." that scripts know, then one naming the file in the working directory,
// the reason and what to do.
[[noreturn]] void StopAtUnopenedFile(const std::string& path, int error);

// Turns the whole bytes of the text file at path into Shift_JIS (a UTF-8 file is converted; a
// Shift_JIS file is left as it is), with up to jobs threads for a large file. A UTF-16 file
// ends the run with a message naming it.
void MakeReadableText(const std::string& path, std::string& fileBytes, unsigned jobs = 1);

}  // namespace kananet
