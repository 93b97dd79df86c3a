// The bundled example end to end: kananet writes its network files, kananet-report reads them
// back and writes the page.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "layout_summary.h"
#include "network_file.h"
#include "report_test_support.h"

namespace kananet::report {
namespace {

namespace fs = std::filesystem;

using testing::Occurrences;
using testing::ReadFile;

class ExampleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = fs::temp_directory_path() / ("kananet-report-example-" + std::to_string(::getpid()));
    fs::remove_all(work_);
    fs::copy(fs::path(KANANET_SOURCE_DIR) / "examples", work_, fs::copy_options::recursive);
    fs::create_directory(work_ / "result");
    const std::string run = "cd '" + work_.string() + "' && '" KANANET_BINARY "' >kananet.out 2>&1";
    ASSERT_EQ(std::system(run.c_str()), 0) << ReadFile(work_ / "kananet.out");
  }
  void TearDown() override { fs::remove_all(work_); }

  fs::path work_;
};

TEST_F(ExampleTest, ReadsTheProgramsNetworksAndDrawsThem) {
  const std::string report = "'" KANANET_REPORT_BINARY "' '" + (work_ / "result").string() +
                             "' >'" + (work_ / "report.out").string() + "' 2>&1";
  ASSERT_EQ(std::system(report.c_str()), 0) << ReadFile(work_ / "report.out");
  EXPECT_NE(ReadFile(work_ / "report.out").find("(2 layouts)"), std::string::npos);

  const std::string page = ReadFile(work_ / "result" / "report.html");
  EXPECT_EQ(Occurrences(page, "<svg class=\"keyboard\""), 2u);
  EXPECT_EQ(page.find("Files not shown"), std::string::npos);
  EXPECT_LT(page.find(">jis-kana</a>"), page.find(">romaji</a>"));
  EXPECT_GE(Occurrences(page, ">ち</text>"), 3u);  // key a of the JIS layout, in every band
  EXPECT_GE(Occurrences(page, ">ー</text>"), 6u);  // the yen key, and the minus key of romaji

  for (const char* name : {"jis-kana.net", "romaji.net"}) {
    SCOPED_TRACE(name);
    const Network network = ParseNetwork(ReadFile(work_ / "result" / name));
    const LayoutSummary summary = Summarize(network);
    EXPECT_GT(summary.strokes.value, 3631u);  // at least one stroke per kana of the text
    EXPECT_TRUE(summary.strokes.exact);
    // Both layouts end the left hand at b; the key right of it (6) is never struck.
    ASSERT_TRUE(summary.split.known);
    EXPECT_LE(summary.split.lowest, 24);
    EXPECT_GE(summary.split.highest, 24);
    EXPECT_EQ(summary.leftWithLowestSplit.value, summary.leftWithHighestSplit.value);
    // Every stroke pairs with the previous one of its hand at most once.
    const std::uint64_t pairs = summary.sameHandPairs[0].value + summary.sameHandPairs[1].value +
                                summary.sameHandPairs[2].value;
    EXPECT_LE(pairs, summary.strokes.value);
    EXPECT_GT(pairs, summary.strokes.value / 2);
  }
}

}  // namespace
}  // namespace kananet::report
