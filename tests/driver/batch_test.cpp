// How the batch ends when a step throws: every exception becomes a status and one line.
#include "driver/batch.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "platform/console.h"

namespace kananet {
namespace {

TEST(BatchTest, EveryExceptionEndsTheRunWithAStatusAndOneLine) {
  struct Case {
    const char* Name;
    std::function<int()> Run;
    int Status;
    std::string Message;
  };
  const Case cases[] = {
      {"finished", [] { return 0; }, 0, ""},
      {"stopped by a step", []() -> int { throw RunStopped{1}; }, 1, ""},
      {"out of memory", []() -> int { throw std::bad_alloc(); }, 1,
       "Out of memory: the sample text or a layout file is too large for this machine.\n"},
      {"a standard exception", []() -> int { throw std::length_error("basic_string"); }, 1,
       "Internal error (basic_string): the run stopped; the network files written before are "
       "complete.\n"},
      {"anything else", []() -> int { throw 42; }, 1,
       "Internal error (an unknown exception): the run stopped; the network files written "
       "before are complete.\n"},
  };
  for (const Case& c : cases) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunGuarded(c.Run), c.Status) << c.Name;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.Message) << c.Name;
  }
}

}  // namespace
}  // namespace kananet
