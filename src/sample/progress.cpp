#include "sample/progress.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/replacing_file.h"
#include "sample/interruption.h"

namespace kananet::sample {

namespace {

constexpr auto kInterval = std::chrono::milliseconds(250);
constexpr double kMegabyte = 1e6;

}  // namespace

Progress::Progress(std::uint64_t total)
    : shown_(::isatty(STDERR_FILENO) == 1),
      total_(total),
      start_(std::chrono::steady_clock::now()),
      next_(start_ + kInterval) {}

void Progress::Update(std::uint64_t done) {
  if (!shown_) {
    return;
  }
  auto now = std::chrono::steady_clock::now();
  if (now < next_) {
    return;
  }
  next_ = now + kInterval;
  double seconds = std::chrono::duration<double>(now - start_).count();
  double rate = seconds > 0 ? static_cast<double>(done) / kMegabyte / seconds : 0;
  char line[160];
  if (total_ > 0 && done <= total_ && rate > 0) {
    double left = static_cast<double>(total_ - done) / kMegabyte / rate;
    std::snprintf(line, sizeof(line), "\r%.1f of %.1f MB, %.1f MB/s, %.0f s left\x1B[K",
                  static_cast<double>(done) / kMegabyte, static_cast<double>(total_) / kMegabyte,
                  rate, left);
  } else {
    std::snprintf(line, sizeof(line), "\r%.1f MB, %.1f MB/s\x1B[K",
                  static_cast<double>(done) / kMegabyte, rate);
  }
  WriteAll(STDERR_FILENO, line);
  drawn_ = true;
  SetProgressShown(true);
}

void Progress::Finish() {
  if (drawn_) {
    WriteAll(STDERR_FILENO, "\r\x1B[K");
    drawn_ = false;
    SetProgressShown(false);
  }
}

}  // namespace kananet::sample
