#include "platform/files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/replacing_file.h"

namespace kananet {

void AdviseLargeBuffer(void* start, std::size_t bytes) {
  static const auto kPageBytes = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  if (bytes < kLargeBufferBytes) {
    return;
  }
  auto first = (reinterpret_cast<std::uintptr_t>(start) + kPageBytes - 1) & ~(kPageBytes - 1);
  auto end = (reinterpret_cast<std::uintptr_t>(start) + bytes) & ~(kPageBytes - 1);
  if (first < end) {
    // Only advice: where the kernel cannot follow it, the buffer has ordinary pages.
    ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
  }
}

std::string ReadFailureReason(int error) {
  return error == EINVAL   ? "it is not a regular file (a FIFO or a device)"
         : error == EISDIR ? "it is a directory"
                           : std::strerror(error);
}

ReadResult ReadWholeFile(const std::string& path, std::string& contents) {
  contents.clear();
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.Get() < 0) {
    return {ReadOutcome::kCannotOpen, errno};
  }
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) {
    return {ReadOutcome::kCannotOpen, errno};
  }
  if (!S_ISREG(status.st_mode)) {
    return {ReadOutcome::kCannotOpen, S_ISDIR(status.st_mode) ? EISDIR : EINVAL};
  }
  // Read through a small block that stays in the cache and append it to a buffer reserved for
  // the whole file: the file's bytes are written to memory once, where sizing the buffer first
  // would fill it with zeros only to overwrite them. A file that grows while it is read is still
  // read to its end.
  contents.reserve(static_cast<std::size_t>(status.st_size) + 1);
  AdviseLargeBuffer(contents.data(), contents.capacity());
  static constexpr std::size_t kBlockBytes = 1 << 17;
  std::unique_ptr<char[]> block(new char[kBlockBytes]);
  for (;;) {
    ssize_t got = ::read(file.Get(), block.get(), kBlockBytes);
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      int error = errno;
      contents.clear();
      return {ReadOutcome::kReadError, error};
    }
    if (got == 0) {
      break;
    }
    contents.append(block.get(), static_cast<std::size_t>(got));
  }
  return {ReadOutcome::kOk, 0};
}

int ReplaceFile(const std::string& path, std::string_view contents) {
  ReplacingFile file;
  if (int error = file.Open(path)) {
    return error;
  }
  if (int error = file.Write(contents)) {
    return error;
  }
  return file.Commit();
}

}  // namespace kananet
