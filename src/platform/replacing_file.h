// A file written piece by piece that replaces the file at its path only once it is whole: the
// streaming counterpart of ReplaceFile, for outputs too large to hold in memory.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace kananet {

// Closes the descriptor on scope exit unless released.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor();
  int Get() const { return fd_; }
  void Reset(int fd);
  // Closes now and reports the errno of a failed close, 0 otherwise.
  int Close();

 private:
  int fd_;
};

// Writes all of bytes to fd, retrying after interruptions. Returns 0 or the errno.
int WriteAll(int fd, std::string_view bytes);

// The bytes go to a temporary file beside the target, which Commit renames over it once written
// and closed; a ReplacingFile destroyed without a successful Commit removes its temporary file,
// so the target is never cut nor harmed. A symbolic link is written through, and a dangling one
// gets the file it names created; a device or a FIFO is written in place, waiting for a slow
// reader; an existing file without any write permission bit counts as read-only and is left
// alone. Every call returns 0 on success, else the errno of the failure.
class ReplacingFile {
 public:
  ReplacingFile() = default;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  ~ReplacingFile();

  int Open(const std::string& path);
  int Write(std::string_view bytes);
  int Commit();
  // The temporary file being written; empty when writing in place or once renamed.
  const std::string& TemporaryPath() const { return temporary_; }

 private:
  void Discard();

  FileDescriptor file_;
  std::string temporary_;  // empty when writing in place or once renamed
  std::string target_;
};

}  // namespace kananet
