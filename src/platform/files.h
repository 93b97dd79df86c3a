// Whole-file reads and replacing writes for the readers and the network writer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kananet {

enum class ReadOutcome {
  kOk,
  kCannotOpen,  // missing, not permitted, or not a regular file (a directory, a FIFO, ...)
  kReadError,   // opened, but a read failed before the end of the file
};

struct ReadResult {
  ReadOutcome Outcome;
  int Error;  // errno of the failure, 0 when Outcome is Ok
};

// Why a file could not be read, in words, from the errno of a ReadResult: a FIFO or a device
// and a directory are named as such, any other error by its system message.
std::string ReadFailureReason(int error);

// Buffers from this size up are worth the advice below.
inline constexpr std::size_t kLargeBufferBytes = std::size_t{4} << 20;

// Asks the kernel to back the memory from start on with huge pages when the buffer is large:
// every first touch of a page costs a fault, and a large text in small pages costs thousands
// of them, more than reading its bytes.
void AdviseLargeBuffer(void* start, std::size_t bytes);

// Reads the whole regular file at path into contents (replacing it). Never blocks on a FIFO.
ReadResult ReadWholeFile(const std::string& path, std::string& contents);

// Replaces the file at path with contents so that a failure never leaves a partial file nor
// harms the file that was there: the bytes go to a temporary file beside the target, which is
// renamed over it only once written and closed. A symbolic link is written through, and a
// dangling one gets the file it names created; a device or a FIFO is written in place, waiting
// for a slow reader; an existing file without any write permission bit counts as read-only and
// is left alone. Returns 0 on success, else the errno of the failure.
int ReplaceFile(const std::string& path, std::string_view contents);

}  // namespace kananet
