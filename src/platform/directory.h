// Enumeration of the layout definition files.
#pragma once

#include <string>
#include <vector>

namespace kananet {

// Error codes of a failed search, numbered as the console message has always shown them.
inline constexpr int kSearchNoMatch = 2;       // the directory holds no matching entry
inline constexpr int kSearchNoDirectory = 3;   // the directory is missing or not a directory
inline constexpr int kSearchAccessDenied = 5;  // the directory cannot be read

struct LayoutFileSearch {
  int ErrorCode = 0;               // 0 when at least one entry matched
  std::vector<std::string> Names;  // entry names without directory, in processing order
};

// The entries of directory whose names end in ".txt", compared without regard to ASCII case.
// Entries of every type are included; "." and ".." never are. The names are sorted by their
// bytes with ASCII a-z taken as A-Z, ties broken by the raw bytes, so runs are reproducible.
LayoutFileSearch FindLayoutFiles(const std::string& directory);

// True when name ends in ".txt" in any ASCII letter case.
bool IsLayoutFileName(const std::string& name);

// The processing order of two names (see FindLayoutFiles).
bool LayoutNameLess(const std::string& a, const std::string& b);

}  // namespace kananet
