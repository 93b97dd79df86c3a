// The progress line of a long run on a terminal: bytes done of the total, speed and time left.
#pragma once

#include <chrono>
#include <cstdint>

namespace kananet::sample {

class Progress {
 public:
  // Shows nothing unless standard error is a terminal. total is 0 when it is not known.
  explicit Progress(std::uint64_t total);
  // Redraws the line now and then, with done bytes of the total read.
  void Update(std::uint64_t done);
  // Erases the line.
  void Finish();

 private:
  bool shown_;
  bool drawn_ = false;
  std::uint64_t total_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point next_;
};

}  // namespace kananet::sample
