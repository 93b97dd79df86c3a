#include "search/found_layout.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "codes/key_alphabet.h"
#include "platform/files.h"
#include "platform/replacing_file.h"

namespace kananet::search {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kHeaderLines = 4;

// Whether a layout file's line after the header is this program's.
bool WrittenBySearch(std::string_view bytes) {
  std::size_t position = 0;
  for (std::size_t line = 0; line < kHeaderLines && position != std::string_view::npos; ++line) {
    position = bytes.find('\n', position);
    position += position != std::string_view::npos;
  }
  return position != std::string_view::npos && bytes.substr(position).starts_with(kFoundMark);
}

// How a layout file writes a key, or the join of two keys pressed together.
char KeyCharacter(std::uint8_t key) {
  return key == kKeyJoin         ? '+'
         : key == kLeftThumbKey  ? '<'
         : key == kRightThumbKey ? '>'
                                 : kKeyAlphabet[key];
}

// The place of a file named as FoundName names the layouts of stem, 0 for any other name.
std::size_t PlaceOf(const std::string& name, const std::string& stem) {
  if (name.size() <= stem.size() + 5 || !name.starts_with(stem + "-") || !name.ends_with(".txt")) {
    return 0;
  }
  const std::string_view digits(name.data() + stem.size() + 1, name.size() - stem.size() - 5);
  std::size_t place = 0;
  const char* last = digits.data() + digits.size();
  const auto [stop, parsed] = std::from_chars(digits.data(), last, place);
  return parsed == std::errc() && stop == last && digits[0] != '0' ? place : 0;
}

constexpr std::string_view kStaging = ".kananet-search.";
constexpr const char* kSetFile = "set";

std::string Failed(const std::string& what, const std::string& name, int error) {
  return "cannot " + what + " " + name + ": " + std::strerror(error);
}

// Holds the lock of a folder while it lives: runs that write into one folder settle, begin and
// finish their sets one at a time.
class FolderLock {
 public:
  explicit FolderLock(const std::string& directory)
      : folder_(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (folder_.Get() < 0) {
      error_ = errno;
    }
    while (error_ == 0 && ::flock(folder_.Get(), LOCK_EX) != 0) {
      error_ = errno == EINTR ? 0 : errno;
    }
  }
  int Error() const { return error_; }

 private:
  FileDescriptor folder_;
  int error_ = 0;
};

// Empty when every entry of directory named as a layout of stem may be replaced or removed:
// none up to place places is a folder, and none is the start (its own entry, or the file it
// names when it is a link).
std::string CheckNames(const std::string& directory, const std::string& stem,
                       const std::string& start, std::size_t places) {
  std::vector<std::pair<dev_t, ino_t>> starts;
  struct stat status {};
  if (::lstat(start.c_str(), &status) == 0) {
    starts.emplace_back(status.st_dev, status.st_ino);
  }
  if (::stat(start.c_str(), &status) == 0) {
    starts.emplace_back(status.st_dev, status.st_ino);
  }
  std::error_code error;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    const std::size_t place = PlaceOf(it->path().filename().string(), stem);
    if (place == 0 || ::lstat(it->path().c_str(), &status) != 0) {
      continue;
    }
    if (std::find(starts.begin(), starts.end(), std::pair(status.st_dev, status.st_ino)) !=
        starts.end()) {
      return it->path().string() + " is the starting layout " + start +
             " itself; the search never replaces its start: give another -o";
    }
    if (place <= places && S_ISDIR(status.st_mode)) {
      return it->path().string() + " is a folder, where the layout at place " +
             std::to_string(place) + " goes";
    }
  }
  return error ? Failed("read", directory, error.value()) : "";
}

// Renames the first count layouts of stem from staging into directory (those renamed before
// are skipped), removes the earlier run's layouts beyond them, and then the file "set".
std::string MoveIn(const fs::path& staging, const std::string& directory, const std::string& stem,
                   std::size_t count) {
  for (std::size_t place = 1; place <= count; ++place) {
    const std::string name = FoundName(directory, stem, place);
    const fs::path from = staging / fs::path(name).filename();
    if (::rename(from.c_str(), name.c_str()) != 0 && errno != ENOENT) {
      return Failed("write", name, errno);
    }
  }
  std::string failed;
  if (const int error = RemoveEarlierFound(directory, stem, count + 1, failed)) {
    return Failed("remove", failed, error);
  }
  ::unlink((staging / kSetFile).c_str());
  return "";
}

// Finishes the set of each staging folder whose run is gone (its lock is free) that has "set",
// and removes every such folder.
std::string SettleKilledRuns(const std::string& directory) {
  std::error_code error;
  std::vector<fs::path> folders;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    if (it->path().filename().string().starts_with(kStaging) &&
        it->symlink_status().type() == fs::file_type::directory) {
      folders.push_back(it->path());
    }
  }
  if (error) {
    return Failed("read", directory, error.value());
  }
  for (const fs::path& folder : folders) {
    const FileDescriptor held(
        ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (held.Get() < 0 || ::flock(held.Get(), LOCK_EX | LOCK_NB) != 0) {
      continue;  // a live run's
    }
    std::string set;
    if (ReadWholeFile((folder / kSetFile).string(), set).Outcome == ReadOutcome::kOk) {
      std::size_t count = 0;
      const auto [stop, parsed] = std::from_chars(set.data(), set.data() + set.size(), count);
      if (parsed == std::errc() && stop != set.data() + set.size() && *stop == '\n') {
        const std::string stem = set.substr(static_cast<std::size_t>(stop + 1 - set.data()));
        std::string failed;
        // A set file that is not one of ours (a stem with a folder, a count beyond any --top run
        // in earnest) has its folder removed like one without.
        if (stem.find('/') == std::string::npos && count <= 1000000 &&
            !(failed = MoveIn(folder, directory, stem, count)).empty()) {
          return failed;
        }
      }
    }
    fs::remove_all(folder, error);
    if (error) {
      return Failed("remove", folder.string(), error.value());
    }
  }
  return "";
}

// A new staging folder in directory, locked through held. Returns its path, or empty with the
// errno in error.
std::string NewStaging(const std::string& directory, FileDescriptor& held, int& error) {
  std::string staging = (fs::path(directory) / kStaging).string() + "XXXXXX";
  if (::mkdtemp(staging.data()) == nullptr) {
    error = errno;
    return "";
  }
  held.Reset(::open(staging.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (held.Get() < 0 || ::flock(held.Get(), LOCK_EX) != 0) {
    error = errno;
    ::rmdir(staging.c_str());
    return "";
  }
  return staging;
}

}  // namespace

std::string MovedLayoutFile(std::string_view startBytes, const Places& places,
                            const std::vector<std::string>& retyped, std::string_view remark) {
  const std::string lineEnd = startBytes.find("\r\n") != std::string_view::npos &&
                                      startBytes.find("\r\n") + 1 == startBytes.find('\n')
                                  ? "\r\n"
                                  : "\n";
  std::string header, entries, changes;
  std::size_t lines = 0;
  std::size_t position = 0;
  std::size_t slot = 0;  // the entry of the line: every line after the header with a TAB
  while (position < startBytes.size()) {
    std::size_t end = startBytes.find('\n', position);
    end = end == std::string_view::npos ? startBytes.size() : end + 1;
    std::string line(startBytes.substr(position, end - position));
    position = end;
    ++lines;
    if (lines <= kHeaderLines) {
      header += line;
      continue;
    }
    if (lines == kHeaderLines + 1 && line.starts_with(kFoundMark)) {
      continue;  // the remark of an earlier search, replaced below
    }
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos) {
      const std::string before = line.substr(0, tab);
      if (slot < retyped.size() && !retyped[slot].empty()) {
        std::string keys;
        for (const char key : retyped[slot]) {
          keys += KeyCharacter(static_cast<std::uint8_t>(key));
        }
        line.replace(0, tab, keys);
      } else {
        // The thumb keys move only in a file with keys pressed together, which reads them so.
        for (std::size_t i = 0; i < tab; ++i) {
          const std::uint8_t key = ChordKeyIndex(line[i]);
          if (places[key] != key) {
            line[i] = KeyCharacter(places[key]);
          }
        }
      }
      const std::size_t keysEnd = line.find('\t');
      if (line.compare(0, keysEnd, before) != 0) {
        const std::size_t kana = keysEnd + 1;
        AppendKanaMove(changes, line.substr(kana, line.find_first_of(" \t\r\n", kana) - kana),
                       before, line.substr(0, keysEnd));
      }
      ++slot;
    }
    entries += line;
  }
  if (lines < kHeaderLines) {
    return header;
  }
  if (!header.ends_with('\n')) {
    header += lineEnd;
  }
  return header + std::string(remark) + std::string(kKeysChangedMark) +
         (changes.empty() ? "none" : changes) + lineEnd + entries;
}

std::string FoundName(const std::string& directory, const std::string& stem, std::size_t place) {
  return (fs::path(directory) / (stem + "-" + std::to_string(place) + ".txt")).string();
}

int RemoveEarlierFound(const std::string& directory, const std::string& stem, std::size_t from,
                       std::string& failed) {
  std::error_code error;
  std::vector<std::string> earlier;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    if (PlaceOf(it->path().filename().string(), stem) >= std::max<std::size_t>(from, 1)) {
      earlier.push_back(it->path().string());
    }
  }
  if (error && error != std::errc::no_such_file_or_directory) {
    failed = directory;
    return error.value();
  }
  for (const std::string& name : earlier) {
    std::string bytes;
    if (ReadWholeFile(name, bytes).Outcome == ReadOutcome::kOk && WrittenBySearch(bytes) &&
        !fs::remove(name, error) && error) {
      failed = name;
      return error.value();
    }
  }
  return 0;
}

std::string PrepareFoundFolder(const std::string& directory, const std::string& stem,
                               const std::string& start, std::size_t places) {
  std::error_code made;
  fs::create_directories(directory, made);
  const FolderLock lock(directory);
  if (lock.Error() != 0) {
    return Failed("write the layouts to", directory,
                  made && lock.Error() == ENOENT ? made.value() : lock.Error());
  }
  if (std::string failed = SettleKilledRuns(directory); !failed.empty()) {
    return failed;
  }
  FileDescriptor held;
  int error = 0;
  const std::string probe = NewStaging(directory, held, error);
  if (probe.empty()) {
    return Failed("write the layouts to", directory, error);
  }
  ::rmdir(probe.c_str());
  return CheckNames(directory, stem, start, places);
}

std::string WriteFoundSet(const std::string& directory, const std::string& stem,
                          const std::string& start, const std::vector<std::string>& layouts) {
  FileDescriptor held;
  std::string staging;
  int error = 0;
  {
    const FolderLock lock(directory);
    error = lock.Error();
    if (error == 0) {
      staging = NewStaging(directory, held, error);
    }
  }
  if (staging.empty()) {
    return Failed("write the layouts to", directory, error);
  }
  std::string failed;
  for (std::size_t place = 1; place <= layouts.size() && failed.empty(); ++place) {
    const std::string name = FoundName(directory, stem, place);
    if (const int written = ReplaceFile(FoundName(staging, stem, place), layouts[place - 1])) {
      failed = Failed("write", name, written);
    }
  }
  const FolderLock lock(directory);
  if (failed.empty()) {
    failed = CheckNames(directory, stem, start, layouts.size());
  }
  if (failed.empty()) {
    if (const int written = ReplaceFile((fs::path(staging) / kSetFile).string(),
                                        std::to_string(layouts.size()) + "\n" + stem)) {
      failed = Failed("write", (fs::path(staging) / kSetFile).string(), written);
    } else if (failed = MoveIn(staging, directory, stem, layouts.size()); !failed.empty()) {
      return failed + "; the next run in " + directory + " completes the set";
    }
  }
  // Once renamed, the staging folder is empty; where it is not, a failure stopped the writing.
  std::error_code removed;
  if (::rmdir(staging.c_str()) != 0) {
    fs::remove_all(staging, removed);
  }
  return failed;
}

}  // namespace kananet::search
