#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

namespace kananet {

namespace {

// Closes the descriptor on scope exit unless released.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  int Get() const { return fd_; }
  // Closes now and reports the errno of a failed close, 0 otherwise.
  int Close() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    if (written == 0) {
      return EIO;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

// Devices and FIFOs cannot be replaced by a rename; they take the bytes directly. A FIFO
// without a reader fails at once instead of blocking the batch; once open, the writes wait for
// a slow reader rather than fail when the pipe is full.
int WriteInPlace(const std::string& path, std::string_view contents) {
  FileDescriptor file(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.Get() < 0) {
    return errno;
  }
  int flags = ::fcntl(file.Get(), F_GETFL);
  if (flags < 0 || ::fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
    return errno;
  }
  if (int error = WriteAll(file.Get(), contents)) {
    return error;
  }
  return file.Close();
}

// The path a write through the symbolic link at path creates when the link's chain ends at a
// name that does not exist; path itself when it is no link. Returns 0 or the errno.
int DanglingLinkTarget(const std::string& path, std::string& target) {
  target = path;
  for (int hops = 0;; ++hops) {
    struct stat status {};
    if (::lstat(target.c_str(), &status) != 0) {
      return errno == ENOENT ? 0 : errno;
    }
    if (!S_ISLNK(status.st_mode)) {
      return 0;
    }
    if (hops == 40) {
      return ELOOP;
    }
    std::string link(PATH_MAX, '\0');
    ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
    if (length < 0) {
      return errno;
    }
    link.resize(static_cast<std::size_t>(length));
    std::size_t slash = target.rfind('/');
    if (link.starts_with('/') || slash == std::string::npos) {
      target = link;
    } else {
      target = target.substr(0, slash + 1) + link;
    }
  }
}

mode_t CreationMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

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
  std::string target = path;
  mode_t mode = CreationMode();
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) {
      return EISDIR;
    }
    if (!S_ISREG(status.st_mode)) {
      return WriteInPlace(path, contents);
    }
    if ((status.st_mode & 0222) == 0) {
      return EACCES;
    }
    mode = status.st_mode & 07777;
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    if (!resolved) {
      return errno;
    }
    target = resolved.get();
  } else if (errno != ENOENT) {
    return errno;
  } else if (int error = DanglingLinkTarget(path, target)) {
    return error;
  }

  std::size_t slash = target.rfind('/');
  std::string directory = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  // The temporary name adds 8 bytes to the target's; a long target name is cut so that the
  // temporary name still fits the file system's limit.
  std::string temporary = directory + "." + base.substr(0, NAME_MAX - 8) + ".XXXXXX";
  FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
  if (file.Get() < 0) {
    return errno;
  }
  int error = ::fchmod(file.Get(), mode) == 0 ? 0 : errno;
  if (error == 0) {
    error = WriteAll(file.Get(), contents);
  }
  int closeError = file.Close();
  if (error == 0) {
    error = closeError;
  }
  if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) {
    error = errno;
  }
  if (error != 0) {
    ::unlink(temporary.c_str());
  }
  return error;
}

}  // namespace kananet
