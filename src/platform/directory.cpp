#include "platform/directory.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>

namespace kananet {

namespace {

unsigned char UpperAscii(char c) {
  auto byte = static_cast<unsigned char>(c);
  return (byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

int SearchErrorOf(int error) {
  return (error == ENOENT || error == ENOTDIR) ? kSearchNoDirectory : kSearchAccessDenied;
}

}  // namespace

bool IsLayoutFileName(const std::string& name) {
  static constexpr char kSuffix[] = ".TXT";
  constexpr std::size_t kSuffixLength = sizeof(kSuffix) - 1;
  if (name.size() < kSuffixLength) {
    return false;
  }
  for (std::size_t i = 0; i < kSuffixLength; ++i) {
    if (UpperAscii(name[name.size() - kSuffixLength + i]) !=
        static_cast<unsigned char>(kSuffix[i])) {
      return false;
    }
  }
  return true;
}

bool LayoutNameLess(const std::string& a, const std::string& b) {
  bool folded =
      std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                   [](char x, char y) { return UpperAscii(x) < UpperAscii(y); });
  bool foldedReverse =
      std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                   [](char x, char y) { return UpperAscii(x) < UpperAscii(y); });
  if (folded != foldedReverse) {
    return folded;
  }
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  });
}

LayoutFileSearch FindLayoutFiles(const std::string& directory) {
  LayoutFileSearch search;
  DIR* stream = ::opendir(directory.c_str());
  if (stream == nullptr) {
    search.ErrorCode = SearchErrorOf(errno);
    return search;
  }
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(stream);
    if (entry == nullptr) {
      if (errno != 0) {
        search.ErrorCode = kSearchAccessDenied;
        search.Names.clear();
      }
      break;
    }
    std::string name = entry->d_name;
    if (name != "." && name != ".." && IsLayoutFileName(name)) {
      search.Names.push_back(std::move(name));
    }
  }
  ::closedir(stream);
  if (search.ErrorCode == 0 && search.Names.empty()) {
    search.ErrorCode = kSearchNoMatch;
  }
  std::sort(search.Names.begin(), search.Names.end(), LayoutNameLess);
  return search;
}

}  // namespace kananet
