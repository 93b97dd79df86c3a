// A layout the search found, as a layout file: the starting file's bytes with only the keys of
// its entries changed, and one line after the header that says how it was found.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cost/found_remark.h"
#include "search/key_search.h"

namespace kananet::search {

// startBytes with every key character of an entry line that names a key moved by places
// replaced by the key's new character, the keys of each entry that retyped holds keys for
// (KeyIndexes, by slot; empty: none) replaced by those, and a line after the four header lines:
// remark (ASCII, without line end), then ", keys changed: " and each entry whose keys changed
// as its kana, old keys -> new keys ("か t->x, が t@->x@"), or "none". The kana are copied from
// the entry lines, so the line keeps the start's encoding, as every other byte does, and its
// line ends.
std::string MovedLayoutFile(std::string_view startBytes, const Places& places,
                            const std::vector<std::string>& retyped, std::string_view remark);

// The name of the layout found at place (1 the best) for a start named stem up to its first dot.
std::string FoundName(const std::string& directory, const std::string& stem, std::size_t place);

// Removes from directory the layouts an earlier search wrote for stem at places from on (named
// as FoundName names them, with this program's line after the header), so that none is taken
// for the present run's. Returns 0, or the errno of a removal that failed with its file's name
// in failed.
int RemoveEarlierFound(const std::string& directory, const std::string& stem, std::size_t from,
                       std::string& failed);

// The found set is written whole into a hidden folder of directory (".kananet-search.XXXXXX",
// locked while its run lives), which gets a file "set" (the count, a line end, the stem) once
// every layout is in it; then its layouts are renamed over the names of the set, a link among
// them replaced rather than followed, and the earlier run's layouts beyond them removed. So a
// signal or a full disk before "set" leaves the earlier set, and a run killed after it leaves
// the rest of the renames to the next run: PrepareFoundFolder finishes a folder that has "set"
// and removes one that has not.

// Before a search: makes directory when missing, finishes or removes what killed runs left in
// it, and checks that it takes new entries and that no entry of the stem's names up to places is a
// folder or the start file itself (by device and inode, through a link too). Returns empty, or the
// line that says what is wrong.
std::string PrepareFoundFolder(const std::string& directory, const std::string& stem,
                               const std::string& start, std::size_t places);

// Writes layouts[i] as the layout at place i + 1, as described above. Returns empty, or the line
// that says what failed; the earlier set stays when the failure came before the renames.
std::string WriteFoundSet(const std::string& directory, const std::string& stem,
                          const std::string& start, const std::vector<std::string>& layouts);

}  // namespace kananet::search
