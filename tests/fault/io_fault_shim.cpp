// A preloaded library that makes one I/O call of a program fail, for the fault injection tests.
//
// Every call below made by the program is counted, in the order the program makes them. With
// KANANET_FAIL_CALL=N the N-th counted call fails with a plausible errno instead of being made.
// KANANET_FAIL_ONLY_READ_WRITE=1 counts only read and write, and fails the N-th with EINTR.
// At exit the library writes "<calls counted> <name of the call failed, or ->" to the file
// named by KANANET_FAIL_REPORT, so the test knows when N has passed the last call.
// KANANET_SLOW_MS=M makes every mkostemp and rename wait M milliseconds first, which widens the
// window in which a program writes and renames its files, for the signal trials.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

long failAt = 0;
long slowMilliseconds = 0;
bool onlyReadWrite = false;
long counted = 0;
const char* failedCall = "-";

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

__attribute__((constructor)) void Start() {
  if (const char* n = std::getenv("KANANET_FAIL_CALL")) {
    failAt = std::atol(n);
  }
  if (const char* m = std::getenv("KANANET_SLOW_MS")) {
    slowMilliseconds = std::atol(m);
  }
  const char* only = std::getenv("KANANET_FAIL_ONLY_READ_WRITE");
  onlyReadWrite = only != nullptr && only[0] == '1';
}

__attribute__((destructor)) void Finish() {
  const char* path = std::getenv("KANANET_FAIL_REPORT");
  if (path == nullptr) {
    return;
  }
  char line[128];
  int length = std::snprintf(line, sizeof(line), "%ld %s\n", counted, failedCall);
  // Straight to the system calls, so the report itself is neither counted nor failed.
  static auto realOpen = Next<int (*)(const char*, int, ...)>("open");
  static auto realWrite = Next<ssize_t (*)(int, const void*, size_t)>("write");
  static auto realClose = Next<int (*)(int)>("close");
  int fd = realOpen(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd >= 0) {
    realWrite(fd, line, static_cast<size_t>(length));
    realClose(fd);
  }
}

void Slow() {
  const timespec pause{slowMilliseconds / 1000, slowMilliseconds % 1000 * 1000000};
  ::nanosleep(&pause, nullptr);
}

// True when this call is the one to fail: errno is then set to error.
bool Fails(const char* name, int error, bool readOrWrite = false) {
  if (onlyReadWrite) {
    if (!readOrWrite) {
      return false;
    }
    error = EINTR;
  }
  if (++counted != failAt) {
    return false;
  }
  failedCall = name;
  errno = error;
  return true;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  static auto real = Next<int (*)(const char*, int, ...)>("open");
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
    va_list arguments;
    va_start(arguments, flags);
    mode = static_cast<mode_t>(va_arg(arguments, int));
    va_end(arguments);
  }
  return Fails("open", EACCES) ? -1 : real(path, flags, mode);
}

int stat(const char* path, struct stat* status) {
  static auto real = Next<int (*)(const char*, struct stat*)>("stat");
  return Fails("stat", EACCES) ? -1 : real(path, status);
}

int fstat(int fd, struct stat* status) {
  static auto real = Next<int (*)(int, struct stat*)>("fstat");
  return Fails("fstat", EIO) ? -1 : real(fd, status);
}

ssize_t read(int fd, void* buffer, size_t size) {
  static auto real = Next<ssize_t (*)(int, void*, size_t)>("read");
  return Fails("read", EIO, true) ? -1 : real(fd, buffer, size);
}

ssize_t write(int fd, const void* buffer, size_t size) {
  static auto real = Next<ssize_t (*)(int, const void*, size_t)>("write");
  return Fails("write", ENOSPC, true) ? -1 : real(fd, buffer, size);
}

int close(int fd) {
  static auto real = Next<int (*)(int)>("close");
  if (Fails("close", EIO)) {
    real(fd);  // as on Linux: the descriptor is gone even when close reports an error
    return -1;
  }
  return real(fd);
}

int mkostemp(char* pattern, int flags) {
  static auto real = Next<int (*)(char*, int)>("mkostemp");
  Slow();
  return Fails("mkostemp", ENOSPC) ? -1 : real(pattern, flags);
}

int fchmod(int fd, mode_t mode) {
  static auto real = Next<int (*)(int, mode_t)>("fchmod");
  return Fails("fchmod", EPERM) ? -1 : real(fd, mode);
}

int rename(const char* from, const char* to) {
  static auto real = Next<int (*)(const char*, const char*)>("rename");
  Slow();
  return Fails("rename", EIO) ? -1 : real(from, to);
}

char* realpath(const char* path, char* resolved) {
  static auto real = Next<char* (*)(const char*, char*)>("realpath");
  return Fails("realpath", EACCES) ? nullptr : real(path, resolved);
}

DIR* opendir(const char* path) {
  static auto real = Next<DIR* (*)(const char*)>("opendir");
  return Fails("opendir", EACCES) ? nullptr : real(path);
}

struct dirent* readdir(DIR* directory) {
  static auto real = Next<struct dirent* (*)(DIR*)>("readdir");
  return Fails("readdir", EIO) ? nullptr : real(directory);
}

int closedir(DIR* directory) {
  static auto real = Next<int (*)(DIR*)>("closedir");
  if (Fails("closedir", EIO)) {
    real(directory);
    return -1;
  }
  return real(directory);
}

size_t fwrite(const void* data, size_t size, size_t count, FILE* stream) {
  static auto real = Next<size_t (*)(const void*, size_t, size_t, FILE*)>("fwrite");
  return Fails("fwrite", EIO) ? 0 : real(data, size, count, stream);
}

int fflush(FILE* stream) {
  static auto real = Next<int (*)(FILE*)>("fflush");
  return Fails("fflush", EIO) ? EOF : real(stream);
}

}  // extern "C"
