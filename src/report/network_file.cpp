#include "report/network_file.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "codes/number_format.h"
#include "output/network_writer.h"
#include "report/kana_text.h"

namespace kananet::report {

namespace {

constexpr int kStrokeVertexCount = kBandCount * kKeysPerBand;
// The thumb keys' vertices follow the others: their stroke vertices, then their repeat vertices,
// band by band, the left thumb first (output/network_writer.h).
constexpr int kThumbVertexCount = kBandCount * kThumbKeyCount;
static_assert(kChordVertexCount == kChordNetworkVertices);

// Largest written sizes and weights that unsigned 32-bit counts can give.
constexpr double kMaxStrokeSize = 65536.0;
constexpr double kMaxRepeatSize = 2 * kMaxStrokeSize;
constexpr double kMaxWeight = 4.3e9;

struct TextLine {
  std::string_view Text;
  int Number = 0;
};

struct VertexLine {
  int Vertex = 0;
  std::string_view Label;
  Point At;
  double Size = 0;
  std::string_view SizeText;
};

[[noreturn]] void Fail(int line, const std::string& message) {
  throw NetworkFormatError(line, message);
}

std::string Quoted(std::string_view text) {
  constexpr std::size_t kLongest = 40;
  std::string quoted = "\"";
  quoted.append(text.substr(0, kLongest));
  if (text.size() > kLongest) {
    quoted += "...";
  }
  return quoted + "\"";
}

std::vector<TextLine> SplitLines(std::string_view text) {
  std::vector<TextLine> lines;
  int number = 1;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) {
      Fail(number, "the file ends in the middle of this line (truncated?)");
    }
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    lines.push_back({line, number++});
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::vector<std::string_view> SplitFields(std::string_view text) {
  std::vector<std::string_view> fields;
  while (true) {
    const std::size_t end = text.find(' ');
    fields.push_back(text.substr(0, end));
    if (end == std::string_view::npos) {
      return fields;
    }
    text.remove_prefix(end + 1);
  }
}

std::optional<int> ParseInteger(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

double ParseNumber(std::string_view text, int line, const std::string& what) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    Fail(line, "bad number " + Quoted(text) + " for " + what);
  }
  return value;
}

// The text the writer puts down for a value.
std::string Written(double value) {
  std::string text;
  AppendNumber(text, value);
  return text;
}

// The count n whose written form `shown(n)` is `text`, starting from a close estimate. The
// count is exact only when the text is the written form of n and of neither neighbour.
template <typename Shown>
Count RecoverCount(std::string_view text, double estimate, Shown shown) {
  const auto n = static_cast<std::uint64_t>(std::llround(estimate));
  const bool matches = Written(shown(n)) == text;
  const bool lowerMatches = n > 0 && Written(shown(n - 1)) == text;
  const bool upperMatches = Written(shown(n + 1)) == text;
  return {n, matches && !lowerMatches && !upperMatches};
}

double StrokeSizeOf(std::uint64_t n) {
  return std::sqrt(static_cast<double>(n));
}
double RepeatSizeOf(std::uint64_t n) {
  return 2 * std::sqrt(static_cast<double>(n));
}
double WeightOf(std::uint64_t n) {
  return static_cast<double>(n);
}

std::string VertexName(int vertex) {
  return "vertex " + std::to_string(vertex);
}

struct VertexPlace {
  bool Stroke = true;
  int Band = 0;
  int Key = 0;
};

VertexPlace PlaceOf(int vertex) {
  VertexPlace place;
  if (vertex > kVertexCount) {
    const int index = vertex - kVertexCount - 1;
    place.Stroke = index < kThumbVertexCount;
    place.Band = index % kThumbVertexCount / kThumbKeyCount;
    place.Key = kLeftThumbKey + index % kThumbKeyCount;
    return place;
  }
  place.Stroke = vertex <= kStrokeVertexCount;
  const int index = (place.Stroke ? vertex : vertex - kStrokeVertexCount) - 1;
  place.Band = index / kKeysPerBand;
  place.Key = index % kKeysPerBand + 1;
  return place;
}

int StrokeVertexOf(int key, int band) {
  return IsThumbKey(key) ? ThumbVertex(key, band, false) : band * kKeysPerBand + key;
}

VertexLine ReadVertexLine(const TextLine& line, int vertexCount) {
  std::string_view rest = line.Text;
  const std::size_t space = rest.find(' ');
  const std::optional<int> vertex = ParseInteger(rest.substr(0, space));
  if (!vertex || *vertex < 1 || *vertex > vertexCount) {
    Fail(line.Number, "expected a vertex line starting with a vertex number from 1 to " +
                          std::to_string(vertexCount) + ", found " + Quoted(line.Text));
  }
  const std::string name = VertexName(*vertex);
  rest.remove_prefix(std::min(space, rest.size()));
  if (!rest.starts_with(" \"")) {
    Fail(line.Number, "expected a quoted label after the number of " + name);
  }
  rest.remove_prefix(2);
  VertexLine result;
  result.Vertex = *vertex;
  // A label is empty or one two-byte character; its second byte may be any trail byte, 0x5C
  // included, so the closing quote is found by position rather than by scanning.
  const std::size_t labelLength = rest.starts_with('"') ? 0 : 2;
  if (rest.size() < labelLength + 2 || rest[labelLength] != '"' || rest[labelLength + 1] != ' ') {
    Fail(line.Number, "the label of " + name + " is neither empty nor one two-byte kana");
  }
  result.Label = rest.substr(0, labelLength);
  rest.remove_prefix(labelLength + 2);

  const std::vector<std::string_view> fields = SplitFields(rest);
  if (fields.size() != 10) {
    Fail(line.Number,
         "expected \"X Y 0.5 box x_fact SIZE y_fact SIZE ic COLOUR\" after the label of " + name +
             ", found " + Quoted(rest));
  }
  const std::array<std::pair<std::size_t, std::string_view>, 5> fixed = {
      {{2, "0.5"}, {3, "box"}, {4, "x_fact"}, {6, "y_fact"}, {8, "ic"}}};
  for (const auto& [index, expected] : fixed) {
    if (fields[index] != expected) {
      Fail(line.Number, "expected " + Quoted(expected) + " in the line of " + name + ", found " +
                            Quoted(fields[index]));
    }
  }
  result.At.X = ParseNumber(fields[0], line.Number, "the x position of " + name);
  result.At.Y = ParseNumber(fields[1], line.Number, "the y position of " + name);
  result.Size = ParseNumber(fields[5], line.Number, "the size of " + name);
  ParseNumber(fields[7], line.Number, "the y_fact of " + name);
  if (fields[5] != fields[7]) {
    Fail(line.Number, "x_fact and y_fact of " + name + " differ");
  }
  result.SizeText = fields[5];

  const bool stroke = PlaceOf(*vertex).Stroke;
  const std::string_view colour = stroke ? "Blue" : "OliveGreen";
  if (fields[9] != colour) {
    Fail(line.Number,
         name + " must be coloured " + std::string(colour) + ", found " + Quoted(fields[9]));
  }
  const double maxSize = stroke ? kMaxStrokeSize : kMaxRepeatSize;
  if (!(result.Size >= 0 && result.Size <= maxSize)) {
    Fail(line.Number,
         "the size " + Quoted(fields[5]) + " of " + name + " is not the size of any count");
  }
  if (!stroke && !result.Label.empty()) {
    Fail(line.Number, name + " is a repeat vertex and has a label");
  }
  return result;
}

Edge ReadEdgeLine(const TextLine& line, int vertexCount) {
  const std::vector<std::string_view> fields = SplitFields(line.Text);
  if (fields.size() != 3) {
    Fail(line.Number, "expected an edge line \"FIRST SECOND WEIGHT\", found " + Quoted(line.Text));
  }
  const std::optional<int> first = ParseInteger(fields[0]);
  const std::optional<int> second = ParseInteger(fields[1]);
  if (!first || !second) {
    Fail(line.Number, "expected two vertex numbers in the edge line, found " + Quoted(line.Text));
  }
  const auto isStroke = [&](int vertex) {
    return vertex >= 1 && vertex <= vertexCount && PlaceOf(vertex).Stroke;
  };
  // Two stroke vertices of one band, at most one of them a thumb key's: the thumb keys are of
  // different hands.
  if (!isStroke(*first) || !isStroke(*second) || *first == *second ||
      PlaceOf(*first).Band != PlaceOf(*second).Band ||
      (*first > kVertexCount && *second > kVertexCount)) {
    Fail(line.Number,
         "the edge " + std::string(fields[0]) + " " + std::string(fields[1]) +
             " does not join two stroke vertices of one band (1-55, 56-110 or "
             "111-165" +
             (vertexCount > kVertexCount ? "; the thumb keys' 331-332, 333-334 or 335-336 "
                                           "each with a key of their band"
                                         : "") +
             ")");
  }
  const double weight = ParseNumber(fields[2], line.Number, "the weight of the edge");
  if (!(weight >= 0 && weight <= kMaxWeight)) {
    Fail(line.Number, "the weight " + Quoted(fields[2]) + " is not a count");
  }
  const VertexPlace one = PlaceOf(*first);
  const VertexPlace other = PlaceOf(*second);
  Edge edge;
  edge.Band = one.Band;
  edge.FirstKey = std::min(one.Key, other.Key);
  edge.SecondKey = std::max(one.Key, other.Key);
  edge.Weight = RecoverCount(fields[2], weight, WeightOf);
  return edge;
}

}  // namespace

char KeyName(int key) {
  return key == kLeftThumbKey    ? '<'
         : key == kRightThumbKey ? '>'
                                 : kKeyAlphabet.at(static_cast<std::size_t>(key));
}

Network ParseNetwork(std::string_view text) {
  const std::vector<TextLine> lines = SplitLines(text);
  Network network;
  network.Chords = !lines.empty() && lines[0].Text == "*Vertices 342";
  if (lines.empty() || (lines[0].Text != "*Vertices 330" && !network.Chords)) {
    Fail(1,
         "expected the first line \"*Vertices 330\", or \"*Vertices 342\" for a layout with keys "
         "pressed together");
  }
  const int vertexCount = network.Chords ? kChordVertexCount : kVertexCount;
  const std::string vertexLines = std::to_string(vertexCount) + " vertex lines";

  std::array<int, kChordVertexCount + 1> lineOfVertex{};
  // The stroke vertices of one key must agree in every band; kept per band to compare.
  std::array<std::array<std::string_view, kKeySlotCount>, kBandCount> labels{};
  std::array<std::array<std::string_view, kKeySlotCount>, kBandCount> sizes{};
  std::size_t next = 1;
  for (; next < lines.size() && lines[next].Text != "*Edges"; ++next) {
    const TextLine& line = lines[next];
    if (next > static_cast<std::size_t>(vertexCount)) {
      Fail(line.Number, "expected \"*Edges\" after the " + vertexLines);
    }
    const VertexLine vertex = ReadVertexLine(line, vertexCount);
    if (lineOfVertex[vertex.Vertex] != 0) {
      Fail(line.Number, VertexName(vertex.Vertex) + " appears twice (also on line " +
                            std::to_string(lineOfVertex[vertex.Vertex]) + ")");
    }
    lineOfVertex[vertex.Vertex] = line.Number;
    const VertexPlace place = PlaceOf(vertex.Vertex);
    Key& key = network.Keys[place.Key];
    if (place.Stroke) {
      key.StrokeAt[place.Band] = vertex.At;
      labels[place.Band][place.Key] = vertex.Label;
      sizes[place.Band][place.Key] = vertex.SizeText;
      if (place.Band == 0) {
        key.StrokeSize = vertex.Size;
        key.Strokes = RecoverCount(vertex.SizeText, vertex.Size * vertex.Size, StrokeSizeOf);
      }
    } else {
      key.RepeatAt[place.Band] = vertex.At;
      key.RepeatSize[place.Band] = vertex.Size;
      const double half = vertex.Size / 2;
      key.Repeats[place.Band] = RecoverCount(vertex.SizeText, half * half, RepeatSizeOf);
    }
  }

  const int endLine = next < lines.size() ? lines[next].Number : static_cast<int>(lines.size()) + 1;
  for (int vertex = 1; vertex <= vertexCount; ++vertex) {
    if (lineOfVertex[vertex] == 0) {
      const std::string where = next < lines.size() ? "\"*Edges\" comes" : "the file ends";
      Fail(endLine, VertexName(vertex) + " is missing: " + where + " after " +
                        std::to_string(next - 1) + " of the " + vertexLines);
    }
  }

  if (next == lines.size()) {
    Fail(endLine, "the file ends before the line \"*Edges\" (truncated?)");
  }

  for (int k = 1; k <= network.LastKey(); ++k) {
    const std::string_view label = labels[0][k];
    const int first = StrokeVertexOf(k, 0);
    if (!label.empty()) {
      const auto lead = static_cast<unsigned char>(label[0]);
      const auto trail = static_cast<unsigned char>(label[1]);
      const std::optional<std::string> kana = KanaUtf8(lead, trail);
      if (!kana) {
        Fail(lineOfVertex[first], "the label of " + VertexName(first) + " is not a kana");
      }
      network.Keys[k].Label = *kana;
      network.Keys[k].LabelBytes = std::string(label);
    }
    for (int band = 1; band < kBandCount; ++band) {
      if (labels[band][k] != label || sizes[band][k] != sizes[0][k]) {
        const int vertex = StrokeVertexOf(k, band);
        Fail(lineOfVertex[vertex], VertexName(vertex) + " differs in label or size from " +
                                       VertexName(first) + ", the same key in the first band");
      }
    }
  }

  std::vector<int> lineOfEdge(static_cast<std::size_t>(kBandCount * kKeySlotCount * kKeySlotCount));
  for (++next; next < lines.size(); ++next) {
    const Edge edge = ReadEdgeLine(lines[next], vertexCount);
    int& seen = lineOfEdge[static_cast<std::size_t>(
        (edge.Band * kKeySlotCount + edge.FirstKey) * kKeySlotCount + edge.SecondKey)];
    if (seen != 0) {
      Fail(lines[next].Number,
           "the edge appears twice (also on line " + std::to_string(seen) + ")");
    }
    seen = lines[next].Number;
    network.Edges.push_back(edge);
  }
  return network;
}

}  // namespace kananet::report
