#include "platform/replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

namespace kananet {

namespace {

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

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

void FileDescriptor::Reset(int fd) {
  if (fd_ >= 0) {
    ::close(fd_);
  }
  fd_ = fd;
}

int FileDescriptor::Close() {
  int fd = fd_;
  fd_ = -1;
  return ::close(fd) == 0 ? 0 : errno;
}

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

ReplacingFile::~ReplacingFile() {
  Discard();
}

void ReplacingFile::Discard() {
  if (file_.Get() >= 0) {
    file_.Close();
  }
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
}

int ReplacingFile::Open(const std::string& path) {
  Discard();
  target_ = path;
  mode_t mode = CreationMode();
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) {
      return EISDIR;
    }
    if (!S_ISREG(status.st_mode)) {
      // Devices and FIFOs cannot be replaced by a rename; they take the bytes directly. A FIFO
      // without a reader fails at once instead of blocking; once open, the writes wait for a
      // slow reader rather than fail when the pipe is full.
      file_.Reset(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
      if (file_.Get() < 0) {
        return errno;
      }
      int flags = ::fcntl(file_.Get(), F_GETFL);
      if (flags < 0 || ::fcntl(file_.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        int error = errno;
        Discard();
        return error;
      }
      return 0;
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
    target_ = resolved.get();
  } else if (errno != ENOENT) {
    return errno;
  } else if (int error = DanglingLinkTarget(path, target_)) {
    return error;
  }

  std::size_t slash = target_.rfind('/');
  std::string directory = slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  // The temporary name adds 8 bytes to the target's; a long target name is cut so that the
  // temporary name still fits the file system's limit.
  std::string temporary = directory + "." + base.substr(0, NAME_MAX - 8) + ".XXXXXX";
  file_.Reset(::mkostemp(temporary.data(), O_CLOEXEC));
  if (file_.Get() < 0) {
    return errno;
  }
  temporary_ = temporary;
  if (::fchmod(file_.Get(), mode) != 0) {
    int error = errno;
    Discard();
    return error;
  }
  return 0;
}

int ReplacingFile::Write(std::string_view bytes) {
  if (file_.Get() < 0) {
    return EBADF;
  }
  int error = WriteAll(file_.Get(), bytes);
  if (error != 0) {
    Discard();
  }
  return error;
}

int ReplacingFile::Commit() {
  if (file_.Get() < 0) {
    return EBADF;
  }
  int error = file_.Close();
  if (error == 0 && !temporary_.empty() && ::rename(temporary_.c_str(), target_.c_str()) != 0) {
    error = errno;
  }
  if (error == 0) {
    temporary_.clear();
  }
  Discard();
  return error;
}

}  // namespace kananet
