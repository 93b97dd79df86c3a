#include "report/report_command.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "report_test_support.h"

namespace kananet::report {
namespace {

namespace fs = std::filesystem;

class ReportCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    directory_ = fs::temp_directory_path() /
                 ("kananet-report-test-" + std::to_string(::getpid()) + "-" + info->name());
    fs::remove_all(directory_);
    fs::create_directories(directory_ / "result");
  }
  void TearDown() override { fs::remove_all(directory_); }

  void Write(const std::string& name, const std::string& content) {
    std::ofstream(directory_ / "result" / name, std::ios::binary) << content;
  }

  int Run(std::vector<std::string> arguments) {
    out_.str("");
    err_.str("");
    return RunReport(arguments, out_, err_);
  }

  std::string Result() const { return (directory_ / "result").string(); }

  fs::path directory_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(ReportCommandTest, WritesThePageIntoTheResultDirectory) {
  Write("b.net", testing::NetworkText(testing::SmallExample()));
  Write("a.net", testing::NetworkText(testing::SmallExample()));
  Write("B-second.net", testing::NetworkText(testing::SmallExample()));
  Write("notes.txt", "not a network");
  EXPECT_EQ(Run({Result()}), 0) << err_.str();
  EXPECT_EQ(err_.str(), "");
  const fs::path page = directory_ / "result" / "report.html";
  EXPECT_EQ(out_.str(), "kananet-report: wrote " + page.string() + " (3 layouts)\n");
  // A directory, a FIFO and a link loop named .net are said not to be shown.
  fs::create_directory(directory_ / "result" / "c.net");
  ASSERT_EQ(::mkfifo((directory_ / "result" / "d.net").c_str(), 0600), 0);
  fs::create_symlink("e.net", directory_ / "result" / "e.net");
  EXPECT_EQ(Run({Result()}), 1);
  EXPECT_NE(err_.str().find("c.net: cannot read the file: it is a directory"), std::string::npos)
      << err_.str();
  EXPECT_NE(err_.str().find("d.net: cannot read the file: it is not a regular file"),
            std::string::npos)
      << err_.str();
  EXPECT_NE(err_.str().find("e.net: cannot read the file: Too many levels"), std::string::npos);
  EXPECT_EQ(out_.str(), "kananet-report: wrote " + page.string() +
                            " (3 layouts; 3 files could not be shown)\n");
  const std::string html = testing::ReadFile(page);
  EXPECT_NE(html.find(">a</a>"), std::string::npos);
  // kananet's order: letters compared without case.
  EXPECT_LT(html.find(">a</a>"), html.find(">B-second</a>"));
  EXPECT_LT(html.find(">B-second</a>"), html.find(">b</a>"));
  EXPECT_EQ(html.find("notes.txt"), std::string::npos);
  EXPECT_EQ(html.find(">c</a>"), std::string::npos);
}

TEST_F(ReportCommandTest, ShowsTheGoodFilesAndNamesTheLineOfABadOne) {
  const std::string good = testing::NetworkText(testing::SmallExample());
  Write("good.net", good);
  Write("bad.net", testing::Replaced(good, "7 15 42", "7 15 4x2"));
  Write("short.net", good.substr(0, 1000));

  EXPECT_EQ(Run({Result()}), 1);
  const std::string bad = (directory_ / "result" / "bad.net").string();
  EXPECT_NE(err_.str().find("kananet-report: " + bad + ":333: bad number \"4x2\""),
            std::string::npos)
      << err_.str();
  EXPECT_NE(err_.str().find("short.net:18: the file ends in the middle"), std::string::npos)
      << err_.str();
  EXPECT_NE(out_.str().find("(1 layout; 2 files could not be shown)"), std::string::npos);
  const std::string html = testing::ReadFile(directory_ / "result" / "report.html");
  EXPECT_NE(html.find(">good</a>"), std::string::npos);
  EXPECT_NE(html.find("bad.net:333</code>: bad number"), std::string::npos);
  EXPECT_EQ(html.find(">bad</a>"), std::string::npos);
}

TEST_F(ReportCommandTest, FailsClearlyWithoutNetworkFilesOrWithoutAPage) {
  EXPECT_EQ(Run({Result()}), 1);
  EXPECT_EQ(err_.str(),
            "kananet-report: no network files (*.net) in " + Result() + "; run kananet first\n");
  EXPECT_FALSE(fs::exists(directory_ / "result" / "report.html"));

  // Without its directory, it says where it looked and what to run instead: in a working
  // directory, or, in the result directory itself, on that.
  Write("a.net", testing::NetworkText(testing::SmallExample()));
  fs::create_directory(directory_ / "elsewhere");
  const std::pair<fs::path, std::string> missing[] = {
      {directory_ / "elsewhere", "kananet-report: run it in a working directory, which holds"},
      {directory_ / "result", "kananet-report: . holds network files itself: kananet-report .\n"},
  };
  const fs::path start = fs::current_path();
  for (const auto& [where, hint] : missing) {
    fs::current_path(where);
    EXPECT_EQ(Run({}), 1);
    fs::current_path(start);
    const std::string said = "kananet-report: cannot read the directory result (looked in " +
                             (where / "result").string() + "): No such file or directory\n" + hint;
    EXPECT_EQ(err_.str().substr(0, said.size()), said);
  }

  EXPECT_EQ(Run({Result(), "-o", (directory_ / "no" / "page.html").string()}), 1);
  EXPECT_NE(err_.str().find("page.html: No such file or directory"), std::string::npos);
  EXPECT_EQ(out_.str(), "");
}

// A page that cannot be written whole (here past the file size limit) leaves the old one.
TEST_F(ReportCommandTest, AFailedWriteKeepsThePreviousPage) {
  Write("a.net", testing::NetworkText(testing::SmallExample()));
  Write("report.html", "previous page");
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  rlimit small = limit;
  small.rlim_cur = 4096;
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  int status = Run({Result()});
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(status, 1);
  EXPECT_NE(err_.str().find("report.html: File too large"), std::string::npos) << err_.str();
  EXPECT_EQ(testing::ReadFile(directory_ / "result" / "report.html"), "previous page");
}

// Names a spreadsheet would run as formulas stay text in the CSV: a leading ' before the field.
TEST_F(ReportCommandTest, WritesFormulaLikeNamesAsTextInTheCsv) {
  const std::pair<std::string, std::string> names[] = {
      {"=HYPERLINK(\"http:xx\",\"click\")x", "\"'=HYPERLINK(\"\"http:xx\"\",\"\"click\"\")x\""},
      {"+1", "'+1"},
      {"-1", "'-1"},
      {"@a", "'@a"},
      {"plain", "plain"},
  };
  for (const auto& [name, field] : names) {
    Write(name + ".net", testing::NetworkText(testing::SmallExample()));
  }
  const std::string csvPath = (directory_ / "out.csv").string();
  ASSERT_EQ(Run({Result(), "--csv", csvPath}), 0) << err_.str();
  const std::string csv = testing::ReadFile(csvPath);
  for (const auto& [name, field] : names) {
    EXPECT_NE(csv.find("\n" + field + ",figure,strokes,"), std::string::npos) << field;
  }
}

// --sort orders the tables best first, --keyboards draws the baseline and the first K only,
// --baseline finds a name without regard to case.
TEST_F(ReportCommandTest, SortsAndDrawsTheFirstKeyboardsOnly) {
  for (const auto& [name, strokes] : {std::pair{"a", 300u}, {"b", 100u}, {"C", 200u}}) {
    testing::NetworkCounts counts = testing::SmallExample();
    counts.StrokeCounts[7] = strokes;
    Write(std::string(name) + ".net", testing::NetworkText(counts));
  }
  ASSERT_EQ(Run({Result(), "--sort", "strokes", "--keyboards", "1", "--baseline", "A"}), 0)
      << err_.str();
  const std::string html = testing::ReadFile(directory_ / "result" / "report.html");
  EXPECT_LT(html.find(">b</a>"), html.find(">C<"));
  EXPECT_LT(html.find(">C<"), html.find(">a</a>"));
  EXPECT_EQ(testing::Occurrences(html, "<svg class=\"keyboard\""), 2u);  // b and the baseline a
  EXPECT_NE(html.find("2 keyboards of 3 layouts drawn"), std::string::npos);

  EXPECT_EQ(Run({"--version"}), 0);
  EXPECT_EQ(out_.str(), "kananet-report " KANANET_VERSION "\n");
  EXPECT_EQ(Run({Result(), "--sort", "nosuch"}), 2);
  EXPECT_NE(err_.str().find("no such figure; the ids are strokes hand.left"), std::string::npos);
}

// On a terminal, a progress line while the working directory is read, cleared afterwards.
TEST_F(ReportCommandTest, ShowsProgressOnATerminalOnly) {
  fs::create_directories(directory_ / "layout");
  std::ofstream(directory_ / "kanasample.txt") << "あ\n";
  std::ofstream(directory_ / "layout" / "a.txt") << "b\r\n0\r\n4\r\n0\r\na\tあ\r\n2\tず\r\n";
  Write("a.net", testing::NetworkText(testing::SmallExample()));
  for (const bool terminal : {false, true}) {
    err_.str("");
    RunReport({directory_.string()}, out_, err_, terminal);
    const std::string err = err_.str();
    EXPECT_EQ(err.find(", checking and counting the layouts\x1b[K") != std::string::npos, terminal)
        << err;
    EXPECT_EQ(err.find("\r\x1b[K") != std::string::npos, terminal);
  }
}

TEST_F(ReportCommandTest, AnswersHelpAndRejectsBadArguments) {
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_TRUE(out_.str().starts_with("Usage: kananet-report [DIR] [-o FILE] [--baseline NAME]"));
  EXPECT_EQ(err_.str(), "");

  for (const std::vector<std::string>& bad : {std::vector<std::string>{"-x"},
                                              {"a", "b"},
                                              {"-o"},
                                              {"--output=x"},
                                              {"--csv"},
                                              {"--keyboards", "x"},
                                              {"--baseline"}}) {
    EXPECT_EQ(Run(bad), 2) << bad[0];
    EXPECT_TRUE(err_.str().ends_with("\nTry 'kananet-report --help'.\n")) << err_.str();
    EXPECT_EQ(out_.str(), "");
  }
}

}  // namespace
}  // namespace kananet::report
