#include "report/graphml.h"

#include <array>
#include <cmath>
#include <string_view>

#include "analysis/gap_rules.h"
#include "report/fingers.h"
#include "report/html_text.h"

namespace kananet::report {

namespace {

struct Attribute {
  std::string_view Name;
  std::string_view Domain;  // node or edge
  std::string_view Type;
};

constexpr std::array<Attribute, 13> kAttributes = {{
    {"key", "node", "string"},
    {"kana", "node", "string"},
    {"finger", "node", "string"},
    {"hand", "node", "string"},
    {"row", "node", "string"},
    {"x", "node", "double"},
    {"y", "node", "double"},
    {"strokes", "node", "long"},
    {"exact", "all", "boolean"},
    {"kind", "edge", "string"},
    {"gap", "edge", "int"},
    {"count", "edge", "long"},
    {"index", "node", "int"},
}};

std::string Data(std::string_view key, const std::string& value) {
  return "<data key=\"" + std::string(key) + "\">" + EscapeHtml(value) + "</data>";
}

std::string Bool(bool value) {
  return value ? "true" : "false";
}

std::string EdgeXml(std::size_t& number, int first, int second, std::string_view kind, int gap,
                    const Count& count) {
  return "    <edge id=\"e" + std::to_string(++number) + "\" source=\"k" + std::to_string(first) +
         "\" target=\"k" + std::to_string(second) + "\">" + Data("kind", std::string(kind)) +
         Data("gap", std::to_string(gap)) + Data("count", std::to_string(count.Value)) +
         Data("exact", Bool(count.Exact)) + "</edge>\n";
}

}  // namespace

std::string LayoutGraphml(const LayoutView& view) {
  const Network& network = view.Entry->Graph;
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\">\n";
  for (const Attribute& attribute : kAttributes) {
    xml += "  <key id=\"" + std::string(attribute.Name) + "\" for=\"" +
           std::string(attribute.Domain) + "\" attr.name=\"" + std::string(attribute.Name) +
           "\" attr.type=\"" + std::string(attribute.Type) + "\"/>\n";
  }
  xml += "  <graph id=\"" + EscapeHtml(view.Entry->Name) + "\" edgedefault=\"undirected\">\n";
  for (int k = 1; k <= network.LastKey(); ++k) {
    const Key& key = network.Keys[k];
    xml += "    <node id=\"k" + std::to_string(k) + "\">" + Data("index", std::to_string(k)) +
           Data("key", std::string(1, KeyName(k))) + Data("kana", key.Label);
    if (view.SplitKnown || IsThumbKey(k)) {
      xml += Data("finger", std::string(KeyFingerName(k, view.LeftHandLastKey))) +
             Data("hand", HandOfKey(k, view.LeftHandLastKey) == kLeft ? "left" : "right");
    }
    xml +=
        Data("row", IsThumbKey(k) ? std::string("thumb")
                                  : std::string(kRowNames[static_cast<std::size_t>(RowOfKey(k))])) +
        (std::isfinite(key.StrokeAt[0].X) && std::isfinite(key.StrokeAt[0].Y)
             ? Data("x", Fixed(key.StrokeAt[0].X, 6)) + Data("y", Fixed(key.StrokeAt[0].Y, 6))
             : std::string()) +
        Data("strokes", std::to_string(key.Strokes.Value)) +
        Data("exact", Bool(key.Strokes.Exact)) + "</node>\n";
  }
  std::size_t number = 0;
  for (const Edge& edge : network.Edges) {
    xml += EdgeXml(number, edge.FirstKey, edge.SecondKey, "pair", edge.Band, edge.Weight);
  }
  for (int k = 1; k <= network.LastKey(); ++k) {
    for (int band = 0; band < kBandCount; ++band) {
      if (network.Keys[k].Repeats[band].Value > 0) {
        xml += EdgeXml(number, k, k, "repeat", band, network.Keys[k].Repeats[band]);
      }
    }
  }
  return xml + "  </graph>\n</graphml>\n";
}

}  // namespace kananet::report
