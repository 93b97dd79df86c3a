// Work cut into parts and done on threads of its own.
#pragma once

#include <cstddef>
#include <functional>

namespace kananet {

// Calls work(part) for every part below parts: part 0 on the calling thread, each other part on
// a thread of its own, and returns when all are done. Where no thread can be had, the calling
// thread does that part as well. work must not throw.
void RunParts(std::size_t parts, const std::function<void(std::size_t)>& work);

// The number of cores the process may run on (its affinity mask), from 1 to maxJobs.
unsigned UsableCores(unsigned maxJobs = 1024);

}  // namespace kananet
