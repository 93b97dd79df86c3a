#include "platform/parallel.h"

#include <sched.h>

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

namespace kananet {

void RunParts(std::size_t parts, const std::function<void(std::size_t)>& work) {
  std::vector<std::thread> threads;
  threads.reserve(parts);
  for (std::size_t part = 1; part < parts; ++part) {
    try {
      threads.emplace_back(work, part);
    } catch (const std::exception&) {
      work(part);  // no thread to be had: this one does the part
    }
  }
  if (parts > 0) {
    work(0);
  }
  for (std::thread& thread : threads) {
    thread.join();
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

}  // namespace kananet
