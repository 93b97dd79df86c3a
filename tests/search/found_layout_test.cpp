// How the search writes what it found: a new set replaces the earlier run's, keeps every file the
// search did not write, replaces links rather than following them, finishes or removes what a
// killed run left, and refuses a set that would land on a folder or on its start; each layout is
// the start's bytes with its keys moved.
#include "search/found_layout.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "../test_support.h"
#include "platform/replacing_file.h"
#include "search_problem.h"

namespace kananet::search {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::WriteBytes;

// A layout file with the search's line after its header; the listing shows it as "*" + tag.
const std::string kWritten = "h\n0\n4\n0\nkananet-search: ";

// Each entry of folder, sorted: "name=content" ("name=*tag" for the search's), "name->target"
// for a link, "name/" for a folder.
std::vector<std::string> Listing(const fs::path& folder) {
  std::vector<std::string> entries;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_symlink()) {
      entries.push_back(name + "->" + fs::read_symlink(entry.path()).string());
    } else if (entry.is_directory()) {
      entries.push_back(name + "/");
    } else {
      std::string bytes = ReadBytes(entry.path().string());
      if (bytes.starts_with(kWritten)) {
        bytes.replace(0, kWritten.size(), "*");
      }
      entries.push_back(name + "=" + bytes);
    }
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// Entries before, as Listing writes them ("*tag" a file of the search's; a folder
// ".kananet-search.live/" is locked as a live run's). The folder is prepared for three places
// with the start, then the set is written when there is one.
TEST(FoundLayoutTest, NewSetReplacesOnlyTheEarlierRunsLayouts) {
  const struct {
    std::vector<std::string> Before;
    std::string Start;
    std::vector<std::string> Layouts;
    std::string Said;  // part of the message, or empty
    std::vector<std::string> After;
  } cases[] = {
      // An earlier set of four beside a new set of three; names that only look found stay.
      {{"s-1.txt=*o", "s-2.txt=*o", "s-3.txt=*o", "s-4.txt=*o", "s-9.txt=own", "s-05.txt=*o",
        "s-0.txt=*o", "s-5a.txt=*o", "s-4-2.txt=*o", "t-4.txt=*o"},
       "start.txt",
       {"a", "b", "c"},
       "",
       {"s-0.txt=*o", "s-05.txt=*o", "s-1.txt=*a", "s-2.txt=*b", "s-3.txt=*c", "s-4-2.txt=*o",
        "s-5a.txt=*o", "s-9.txt=own", "t-4.txt=*o"}},
      // A link is replaced, its target untouched; a link to the start also.
      {{"s-1.txt->../t.txt", "s-2.txt->../start.txt"},
       "start.txt",
       {"a", "b"},
       "",
       {"s-1.txt=*a", "s-2.txt=*b"}},
      // A killed run that wrote "set" is finished, renames done before skipped; one that had
      // not is removed; a live run's folder is left.
      {{"s-1.txt=*k1", "s-3.txt=*o", "s-4.txt=*o", ".kananet-search.a/",
        ".kananet-search.a/s-2.txt=*k2", ".kananet-search.a/s-3.txt=*k3",
        ".kananet-search.a/set=3\ns", ".kananet-search.b/", ".kananet-search.b/s-1.txt=*b",
        ".kananet-search.live/"},
       "start.txt",
       {},
       "",
       {".kananet-search.live/", "s-1.txt=*k1", "s-2.txt=*k2", "s-3.txt=*k3"}},
      // A folder where a layout goes, or the start among the names, refuses the set.
      {{"s-3.txt/", "s-4.txt/"},
       "start.txt",
       {"a", "b", "c"},
       "s-3.txt is a folder",
       {"s-3.txt/", "s-4.txt/"}},
      {{"s-7.txt=start"}, "found/s-7.txt", {"a"}, "is the starting layout", {"s-7.txt=start"}},
      {{"s-2.txt=*o"}, "in.txt", {"a"}, "is the starting layout", {"s-2.txt=*o"}},
  };
  for (const auto& example : cases) {
    SCOPED_TRACE(example.Before.front() + " " + example.Start);
    const testing::TempDir work;
    const fs::path found = work.Path() / "found";
    fs::create_directory(found);
    WriteBytes(work / "start.txt", "start");
    WriteBytes(work / "t.txt", "target");
    fs::create_symlink("found/s-2.txt", work / "in.txt");
    FileDescriptor live;
    for (const std::string& entry : example.Before) {
      const std::size_t link = entry.find("->"), equals = entry.find('=');
      if (entry.ends_with('/')) {
        fs::create_directory(found / entry);
      } else if (link != std::string::npos) {
        fs::create_symlink(entry.substr(link + 2), found / entry.substr(0, link));
      } else {
        const std::string bytes = entry.substr(equals + 1);
        WriteBytes((found / entry.substr(0, equals)).string(),
                   bytes.starts_with('*') ? kWritten + bytes.substr(1) : bytes);
      }
      if (entry == ".kananet-search.live/") {
        live.Reset(::open((found / entry).c_str(), O_RDONLY | O_DIRECTORY));
        ASSERT_EQ(::flock(live.Get(), LOCK_EX), 0);
      }
    }
    std::vector<std::string> layouts;
    for (const std::string& tag : example.Layouts) {
      layouts.push_back(kWritten + tag);
    }
    const std::string start = work / example.Start;
    // A set refused before the search is refused at its writing too, the folder as it was.
    const std::string prepared = PrepareFoundFolder(found.string(), "s", start, 3);
    const std::string written =
        layouts.empty() ? "" : WriteFoundSet(found.string(), "s", start, layouts);
    for (const std::string& said : {prepared, written}) {
      if (example.Said.empty()) {
        EXPECT_EQ(said, "");
      } else {
        EXPECT_NE(said.find(example.Said), std::string::npos) << said;
      }
    }
    EXPECT_EQ(Listing(found), example.After);
    EXPECT_EQ(ReadBytes(work / "t.txt"), "target");
    EXPECT_EQ(ReadBytes(work / "start.txt"), "start");
  }
}

// A found layout keeps the start's line ends, CR LF or none after the last line, and moves keys
// inside entries of keys pressed together: a letter and a thumb key exchanged in one entry.
TEST(FoundLayoutTest, MovedLayoutKeepsLineEndsAndMovesKeysInChords) {
  const Places places = MovedPlaces(StartPlaces(), KeyIndexTable['j'], kRightThumbKey);
  const struct {
    std::string Start, Moved;
  } cases[] = {
      {"b\r\n0\r\n5\r\n0\r\nkananet-search: old\r\n%chords\r\nj+>\t\x82\xA0\r\nk\t\x82\xA2",
       "b\r\n0\r\n5\r\n0\r\nR, keys changed: \x82\xA0 j+>->>+j\r\n%chords\r\n>+j\t\x82\xA0\r\n"
       "k\t\x82\xA2"},
      {"b\n0\n4\n0", "b\n0\n4\n0\nR, keys changed: none\n"}};
  for (const auto& example : cases) {
    EXPECT_EQ(MovedLayoutFile(example.Start, places, {}, "R"), example.Moved);
  }
}

}  // namespace
}  // namespace kananet::search
