// Work cut into parts and done on threads of its own.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <vector>

namespace kananet {

// Calls work(part) for every part below parts: part 0 on the calling thread, each other part on
// a thread of its own, and returns when all are done. Where no thread can be had, the calling
// thread does that part as well. An exception a part throws (std::bad_alloc) is thrown again
// once all parts are done, the first one where several throw.
void RunParts(std::size_t parts, const std::function<void(std::size_t)>& work);

// What runs work(part) for every part below parts: RunParts, or a loop one part after another
// for a caller that wants the same cuts without threads (a fuzzer, which would spend its time
// starting them).
using PartRunner =
    std::function<void(std::size_t parts, const std::function<void(std::size_t)>& work)>;

// The number of cores the process may run on (its affinity mask), from 1 to maxJobs.
unsigned UsableCores(unsigned maxJobs = 1024);

// Where to cut size bytes into up to parts pieces of about even length: each cut goes to
// startFrom(place), the first position from place on where a piece may begin (size when there is
// none). Returns each piece's start, then size; fewer pieces when the bytes run out first.
template <typename StartFrom>
std::vector<std::size_t> CutPieces(std::size_t size, std::size_t parts, StartFrom&& startFrom) {
  std::vector<std::size_t> cuts{0};
  for (std::size_t part = 1; part < parts; ++part) {
    std::size_t cut = startFrom(std::max(cuts.back() + 1, size * part / parts));
    if (cut >= size) {
      break;
    }
    cuts.push_back(cut);
  }
  cuts.push_back(size);
  return cuts;
}

// The pieces of a buffer worked on in place, each written from its start on: piece k began at
// starts[k] and its output ends at ends[k]. Moves each piece's output to follow the one before;
// returns the length of them all.
std::size_t JoinPieces(char* bytes, const std::vector<std::size_t>& starts,
                       const std::vector<std::size_t>& ends);

}  // namespace kananet
