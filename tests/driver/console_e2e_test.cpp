// What the user sees of a run on the console: the warning for a network file written twice in
// one batch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_support.h"

namespace kananet::e2e {
namespace {

using namespace std::string_literals;
using Names = std::vector<std::string>;

const std::string kLayout = "b\n \n4\n0\nf\tか\nj\tな\nd;\tず\n";

struct WorkDir : TempDir {
  WorkDir() {
    WriteFile("kanasample.txt", Sjis("かな\n"));
    MakeDir("result");
  }
};

TEST(Batch, NetworkFileWrittenAgainInOneRunIsPointedOut) {
  WorkDir dir;
  for (const char* name : {"jis.txt", "jis.v1.txt", "jis.v2.txt", "other.txt"}) {
    dir.WriteFile("layout/"s + name, Sjis(kLayout));
  }
  RunResult run = RunProgram(KANANET_BINARY, dir.Path());
  EXPECT_EQ(run.ExitStatus, 0);
  const std::string advice =
      " written earlier in this run; give the layouts names that differ before the first \".\".\n";
  EXPECT_EQ(run.Err,
            "Warning: result/jis.net of layout/jis.v1.txt replaces the one of layout/jis.txt" +
                advice +
                "Warning: result/jis.net of layout/jis.v2.txt replaces the one of "
                "layout/jis.v1.txt" +
                advice);
  EXPECT_EQ(dir.List("result"), (Names{"jis.net", "other.net"}));
}

}  // namespace
}  // namespace kananet::e2e
