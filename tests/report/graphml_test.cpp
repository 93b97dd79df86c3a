// The GraphML file of the small example, read back by a small parser: every key a vertex with
// its attributes, every same-hand pair and repeat an edge with its gap class and count.
#include "report/graphml.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "report_test_support.h"

namespace kananet::report {
namespace {

using Attributes = std::map<std::string, std::string>;

// The <data> values of one element, by the attribute names the <key> lines declare.
Attributes DataOf(const std::string& element, const std::map<std::string, std::string>& names) {
  Attributes data;
  static const std::regex kData(R"rx(<data key="(\w+)">([^<]*)</data>)rx");
  for (std::sregex_iterator it(element.begin(), element.end(), kData), end; it != end; ++it) {
    data[names.at((*it)[1])] = (*it)[2];
  }
  return data;
}

TEST(GraphmlTest, HoldsEveryKeyAndEveryPairOfTheNetwork) {
  const std::vector<ReportEntry> entries = {
      {"a&b", "a&b.net", ParseNetwork(testing::NetworkText(testing::SmallExample()))}};
  const std::string xml = LayoutGraphml(ViewLayouts(entries, {})[0]);
  ASSERT_TRUE(xml.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<graphml "));
  EXPECT_NE(xml.find("<graph id=\"a&amp;b\" edgedefault=\"undirected\">"), std::string::npos);

  std::map<std::string, std::string> names;
  const std::regex key(R"rx(<key id="(\w+)" for="(node|edge|all)" attr.name="(\w+)" )rx");
  for (std::sregex_iterator it(xml.begin(), xml.end(), key), end; it != end; ++it) {
    names[(*it)[1]] = (*it)[3];
  }
  std::map<std::string, Attributes> nodes;
  const std::regex node(R"rx(<node id="(k\d+)">(.*)</node>)rx");
  for (std::sregex_iterator it(xml.begin(), xml.end(), node), end; it != end; ++it) {
    nodes[(*it)[1]] = DataOf((*it)[2], names);
  }
  std::vector<std::string> edges;
  const std::regex edge(R"rx(<edge id="e\d+" source="(k\d+)" target="(k\d+)">(.*)</edge>)rx");
  for (std::sregex_iterator it(xml.begin(), xml.end(), edge), end; it != end; ++it) {
    Attributes data = DataOf((*it)[3], names);
    edges.push_back((*it)[1].str() + "-" + (*it)[2].str() + " " + data["kind"] + " gap " +
                    data["gap"] + " count " + data["count"]);
  }

  ASSERT_EQ(nodes.size(), 55u);
  // The split is taken from the edges (7-15 left, 26-31 one hand beyond 24 at most): open.
  const Attributes a = nodes["k7"];
  EXPECT_EQ(a, (Attributes{{"index", "7"},
                           {"key", "a"},
                           {"kana", "あ"},
                           {"row", "home"},
                           {"x", "0.125000"},
                           {"y", "0.197917"},
                           {"strokes", "400"},
                           {"exact", "true"}}));
  EXPECT_EQ(edges, (std::vector<std::string>{
                       "k7-k15 pair gap 0 count 42", "k26-k31 pair gap 1 count 5",
                       "k7-k7 repeat gap 0 count 16", "k7-k7 repeat gap 1 count 10"}));
}

}  // namespace
}  // namespace kananet::report
