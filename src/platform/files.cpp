#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/replacing_file.h"

namespace kananet {

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
  // Read in large blocks into a buffer sized for the whole file; a file that grows while
  // it is read is still read to its end.
  std::size_t size = static_cast<std::size_t>(status.st_size);
  contents.resize(size + 1);
  std::size_t used = 0;
  for (;;) {
    if (used == contents.size()) {
      contents.resize(contents.size() * 2);
    }
    ssize_t got = ::read(file.Get(), contents.data() + used, contents.size() - used);
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
    used += static_cast<std::size_t>(got);
  }
  contents.resize(used);
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
