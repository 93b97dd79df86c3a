#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "../test_support.h"
#include "platform/directory.h"

namespace kananet {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

fs::perms ModeOf(const std::string& path) {
  return fs::status(path).permissions();
}

// Names below dir that look like a replacing write's leftover temporary file.
std::vector<std::string> HiddenFiles(const fs::path& dir) {
  std::vector<std::string> hidden;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.path().filename().string().starts_with(".")) {
      hidden.push_back(entry.path().string());
    }
  }
  return hidden;
}

TEST(FilesTest, ReadWholeFileReadsOnlyRegularFiles) {
  TempDir dir;
  std::string bytes("line\r\nwith\0NUL\xFF", 15);
  bytes += std::string(300000, 'x');
  WriteBytes(dir / "sample.txt", bytes);
  WriteBytes(dir / "empty.txt", "");
  ASSERT_EQ(::mkfifo((dir / "fifo.txt").c_str(), 0600), 0);
  fs::create_directory(dir / "dir.txt");

  std::string contents = "stale";
  ReadResult result = ReadWholeFile(dir / "sample.txt", contents);
  EXPECT_EQ(result.Outcome, ReadOutcome::kOk);
  EXPECT_EQ(result.Error, 0);
  EXPECT_EQ(contents, bytes);
  EXPECT_EQ(ReadWholeFile(dir / "empty.txt", contents).Outcome, ReadOutcome::kOk);
  EXPECT_EQ(contents, "");

  struct Case {
    std::string name;
    int error;
  };
  // The FIFO has no writer: opening it for reading must neither block nor succeed.
  for (const Case& c :
       {Case{"missing.txt", ENOENT}, Case{"dir.txt", EISDIR}, Case{"fifo.txt", 0}}) {
    contents = "stale";
    result = ReadWholeFile(dir / c.name, contents);
    EXPECT_EQ(result.Outcome, ReadOutcome::kCannotOpen) << c.name;
    EXPECT_NE(result.Error, 0) << c.name;
    if (c.error != 0) {
      EXPECT_EQ(result.Error, c.error) << c.name;
    }
    EXPECT_EQ(contents, "") << c.name;
  }
}

TEST(FilesTest, ReplaceFileCreatesAndReplacesKeepingTheMode) {
  TempDir dir;
  const std::string path = dir / "a.net";
  mode_t mask = ::umask(0);
  ::umask(mask);

  EXPECT_EQ(ReplaceFile(path, "first\r\n"), 0);
  EXPECT_EQ(ReadBytes(path), "first\r\n");
  EXPECT_EQ(ModeOf(path), fs::perms(0666 & ~mask));

  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  EXPECT_EQ(ReplaceFile(path, std::string("second\0", 7)), 0);
  EXPECT_EQ(ReadBytes(path), std::string("second\0", 7));
  EXPECT_EQ(ModeOf(path), fs::perms(0640));

  // A link is written through: the link stays, the file it names gets the bytes.
  fs::create_directory(dir / "elsewhere");
  WriteBytes(dir / "elsewhere/target.net", "old");
  fs::create_symlink(dir / "elsewhere/target.net", dir / "link.net");
  EXPECT_EQ(ReplaceFile(dir / "link.net", "through"), 0);
  EXPECT_TRUE(fs::is_symlink(dir / "link.net"));
  EXPECT_EQ(ReadBytes(dir / "elsewhere/target.net"), "through");
  // A dangling link too, relative and through a second link: its target is created.
  fs::create_symlink("dangling.net", dir / "elsewhere/second.net");
  fs::create_symlink("elsewhere/second.net", dir / "first.net");
  EXPECT_EQ(ReplaceFile(dir / "first.net", "created"), 0);
  EXPECT_TRUE(fs::is_symlink(dir / "first.net"));
  EXPECT_EQ(ReadBytes(dir / "elsewhere/dangling.net"), "created");

  EXPECT_EQ(ReplaceFile(dir / "empty.net", ""), 0);
  EXPECT_EQ(ReadBytes(dir / "empty.net"), "");
  // The longest legal name: the temporary file beside it needs a name of its own that fits.
  const std::string longName = std::string(251, 'n') + ".net";
  EXPECT_EQ(ReplaceFile(dir / longName, "long"), 0);
  EXPECT_EQ(ReadBytes(dir / longName), "long");
  EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{});
}

// A FIFO whose reader is slower than the writer still gets every byte: the write waits for it.
TEST(FilesTest, ReplaceFileWritesAllOfAFifoToASlowReader) {
  TempDir dir;
  const std::string fifo = dir / "fifo.net";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  const std::string bytes(200000, 'x');
  std::string got;
  std::atomic<bool> written = false;
  std::thread slow([&] {
    char buffer[4096];
    for (;;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      ssize_t n = ::read(reader, buffer, sizeof buffer);
      if (n > 0) {
        got.append(buffer, static_cast<std::size_t>(n));
      } else if (written && (n == 0 || errno != EAGAIN)) {
        break;  // the writer is gone and the pipe is empty
      }
    }
  });
  EXPECT_EQ(ReplaceFile(fifo, bytes), 0);
  written = true;
  slow.join();
  ::close(reader);
  EXPECT_EQ(got.size(), bytes.size());
}

TEST(FilesTest, ReplaceFileFailuresLeaveTheOldFileAlone) {
  TempDir dir;
  fs::create_directory(dir / "d.net");
  WriteBytes(dir / "d.net/inside", "kept");
  WriteBytes(dir / "readonly.net", "kept");
  ASSERT_EQ(::chmod((dir / "readonly.net").c_str(), 0444), 0);
  fs::create_symlink("/dev/full", dir / "full.net");

  struct Case {
    std::string name;
    int error;
  };
  const Case cases[] = {
      {"d.net", EISDIR},
      {"readonly.net", EACCES},  // no write bit: refused even for root
      {"missing/x.net", ENOENT},
      {"full.net", ENOSPC},  // a device takes the bytes in place and reports its error
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceFile(dir / c.name, "new"), c.error) << c.name;
  }
  // A write that fails part-way, here at the file size limit.
  WriteBytes(dir / "big.net", "kept");
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  rlimit small = limit;
  small.rlim_cur = 16;
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  int error = ReplaceFile(dir / "big.net", std::string(100, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(error, EFBIG);
  EXPECT_EQ(ReadBytes(dir / "big.net"), "kept");

  EXPECT_TRUE(fs::is_directory(dir / "d.net"));
  EXPECT_EQ(ReadBytes(dir / "d.net/inside"), "kept");
  EXPECT_EQ(ReadBytes(dir / "readonly.net"), "kept");
  EXPECT_EQ(ModeOf(dir / "readonly.net"), fs::perms(0444));
  EXPECT_FALSE(fs::exists(dir / "missing"));
  EXPECT_TRUE(fs::is_symlink(dir / "full.net"));
  EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{});
}

TEST(FilesTest, FindLayoutFilesListsTxtEntriesInCaseFoldedOrder) {
  TempDir dir;
  EXPECT_EQ(FindLayoutFiles(dir / "missing").ErrorCode, kSearchNoDirectory);
  WriteBytes(dir / "plain", "");
  EXPECT_EQ(FindLayoutFiles(dir / "plain").ErrorCode, kSearchNoDirectory);

  const std::string layout = dir / "layout";
  fs::create_directory(layout);
  EXPECT_EQ(FindLayoutFiles(layout).ErrorCode, kSearchNoMatch);
  for (const char* name : {"notes", "x.txt.bak", "txt", "a.tx"}) {
    WriteBytes(layout + "/" + name, "");
  }
  LayoutFileSearch search = FindLayoutFiles(layout);
  EXPECT_EQ(search.ErrorCode, kSearchNoMatch);
  EXPECT_TRUE(search.Names.empty());

  for (const char* name :
       {"b.txt", "_x.txt", "a.txt", "配列.txt", "c.Txt", "A.TXT", "ab.txt", ".txt"}) {
    WriteBytes(layout + "/" + name, "");
  }
  fs::create_directory(layout + "/d.txt");
  search = FindLayoutFiles(layout);
  EXPECT_EQ(search.ErrorCode, 0);
  const std::vector<std::string> expected = {".txt",  "A.TXT", "a.txt",  "ab.txt",  "b.txt",
                                             "c.Txt", "d.txt", "_x.txt", "配列.txt"};
  EXPECT_EQ(search.Names, expected);
}

}  // namespace
}  // namespace kananet
