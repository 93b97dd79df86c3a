#include "platform/parallel.h"

#include <sched.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace kananet {

void RunParts(std::size_t parts, const std::function<void(std::size_t)>& work) {
  // A part that throws (out of memory, most likely) ends its thread quietly; the first such
  // exception is thrown again here once every part is done.
  std::mutex caughtMutex;
  std::exception_ptr caught;
  const auto guarded = [&](std::size_t part) {
    try {
      work(part);
    } catch (...) {
      const std::lock_guard lock(caughtMutex);
      caught = caught ? caught : std::current_exception();
    }
  };
  std::vector<std::thread> threads;
  threads.reserve(parts);
  for (std::size_t part = 1; part < parts; ++part) {
    try {
      threads.emplace_back(guarded, part);
    } catch (const std::exception&) {
      guarded(part);  // no thread to be had: this one does the part
    }
  }
  if (parts > 0) {
    guarded(0);
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  if (caught) {
    std::rethrow_exception(caught);
  }
}

unsigned UsableCores(unsigned maxJobs) {
  cpu_set_t cores;
  CPU_ZERO(&cores);
  if (sched_getaffinity(0, sizeof cores, &cores) != 0) {
    return 1;
  }
  return static_cast<unsigned>(std::clamp(CPU_COUNT(&cores), 1, static_cast<int>(maxJobs)));
}

std::size_t JoinPieces(char* bytes, const std::vector<std::size_t>& starts,
                       const std::vector<std::size_t>& ends) {
  std::size_t written = ends.empty() ? 0 : ends[0];
  for (std::size_t piece = 1; piece < ends.size(); ++piece) {
    std::size_t length = ends[piece] - starts[piece];
    std::memmove(bytes + written, bytes + starts[piece], length);
    written += length;
  }
  return written;
}

}  // namespace kananet
