#include "report/exports.h"

#include <charconv>

namespace kananet::report {

namespace {

std::string Number(double value) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
  std::string text(buffer, result.ptr);
  while (text.find('.') != std::string::npos && (text.back() == '0' || text.back() == '.')) {
    const bool point = text.back() == '.';
    text.pop_back();
    if (point) {
      break;
    }
  }
  return text == "-0" ? "0" : text;
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    return std::string(text);
  }
  std::string quoted = "\"";
  for (const char c : text) {
    quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  }
  return quoted + "\"";
}

std::string JsonString(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      quoted += "\\u00";
      quoted += kHex[byte >> 4];
      quoted += kHex[byte & 15];
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string JsonOptional(const std::optional<double>& value) {
  return value ? Number(*value) : "null";
}

std::string Bool(bool value) {
  return value ? "true" : "false";
}

std::string KeyText(int key) {
  return std::string(1, KeyName(key));
}

}  // namespace

std::optional<double> DifferenceFromBaseline(const std::vector<LayoutView>& views,
                                             std::optional<std::size_t> baseline,
                                             std::size_t layout, std::size_t index) {
  if (!baseline || *baseline == layout) {
    return std::nullopt;
  }
  const LayoutView& base = views[*baseline];
  const LayoutView& view = views[layout];
  return Difference(view.figures[index], base.figures[index],
                    CountingName(view) == CountingName(base) && !CountingName(view).empty());
}

std::string ExportCsv(const ExportInput& input) {
  const std::vector<LayoutView>& views = *input.views;
  std::string csv = "layout,record,figure,key,other_key,gap,count,percent,exact,difference\r\n";
  for (std::size_t i = 0; i < views.size(); ++i) {
    const LayoutView& view = views[i];
    const std::string layout = CsvField(view.entry->name);
    for (std::size_t f = 0; f < view.figures.size(); ++f) {
      const Figure& figure = view.figures[f];
      const std::optional<double> difference = DifferenceFromBaseline(views, input.baseline, i, f);
      csv += layout + ",figure," + figure.id + ",,,,";
      csv += figure.known ? std::to_string(figure.count.value) + "," +
                                (figure.isShare ? Number(figure.percent) : "") + "," +
                                Bool(figure.count.exact)
                          : ",,";
      csv += ',';
      csv += difference ? Number(*difference) : "";
      csv += "\r\n";
    }
    const Network& network = view.entry->network;
    for (int key = 1; key <= kKeysPerBand; ++key) {
      const Key& item = network.keys[key];
      csv += layout + ",key,," + CsvField(KeyText(key)) + ",,," +
             std::to_string(item.strokes.value) + ",," + Bool(item.strokes.exact) + ",\r\n";
      for (int band = 0; band < kBandCount; ++band) {
        csv += layout + ",repeat,," + CsvField(KeyText(key)) + ",," + std::to_string(band) + "," +
               std::to_string(item.repeats[band].value) + ",," + Bool(item.repeats[band].exact) +
               ",\r\n";
      }
    }
    for (const Edge& edge : network.edges) {
      csv += layout + ",pair,," + CsvField(KeyText(edge.firstKey)) + "," +
             CsvField(KeyText(edge.secondKey)) + "," + std::to_string(edge.band) + "," +
             std::to_string(edge.weight.value) + ",," + Bool(edge.weight.exact) + ",\r\n";
    }
  }
  return csv;
}

std::string ExportJson(const ExportInput& input) {
  const std::vector<LayoutView>& views = *input.views;
  std::string json =
      "{\"format\": \"kananet-report\", \"version\": 1,\n\"source\": " + JsonString(input.source) +
      ",\n\"baseline\": " +
      (input.baseline ? JsonString(views[*input.baseline].entry->name) : "null") +
      ",\n\"sampleText\": ";
  if (input.working && input.working->text.read) {
    const SampleTextFacts& text = input.working->text;
    json += "{\"name\": " + JsonString(text.name) + ", \"bytes\": " + std::to_string(text.bytes) +
            ", \"kana\": " + std::to_string(text.kana) +
            ", \"runs\": " + std::to_string(text.runs) + "}";
  } else {
    json += "null";
  }
  json += ",\n\"fingers\": {";
  for (const bool left : {true, false}) {
    json += left ? "\"left\": [" : ", \"right\": [";
    for (int column = 0; column < kKeyColumns; ++column) {
      const int key = column * kKeyRows + 1;
      json += (column ? ", " : "") + JsonString(FingerName(FingerOf(key, left ? kKeysPerBand : 0)));
    }
    json += "]";
  }
  json += "},\n\"layouts\": [";
  for (std::size_t i = 0; i < views.size(); ++i) {
    const LayoutView& view = views[i];
    const LayoutDetails* details = view.details;
    const std::string counting = CountingName(view);
    json += std::string(i ? "," : "") + "\n{\"name\": " + JsonString(view.entry->name) +
            ", \"networkFile\": " + JsonString(view.entry->fileName) +
            ", \"layoutFile\": " + (details ? JsonString(details->layoutFile) : "null") +
            ",\n \"counting\": " + (counting.empty() ? "null" : JsonString(counting)) +
            ", \"header\": " +
            (details && details->headerKnown ? JsonString(details->header) : "null") +
            ", \"leftHandLastKey\": " +
            (view.splitKnown ? std::to_string(view.leftHandLastKey) : "null") +
            ", \"countsFromText\": " + Bool(view.countsFromText) + ",\n \"figures\": [";
    for (std::size_t f = 0; f < view.figures.size(); ++f) {
      const Figure& figure = view.figures[f];
      json +=
          std::string(f ? ",\n  " : "\n  ") + "{\"id\": " + JsonString(figure.id) +
          ", \"label\": " + JsonString(figure.label) + ", \"known\": " + Bool(figure.known) +
          ", \"count\": " + (figure.known ? std::to_string(figure.count.value) : "null") +
          ", \"percent\": " + (figure.known && figure.isShare ? Number(figure.percent) : "null") +
          ", \"exact\": " + (figure.known ? Bool(figure.count.exact) : "null") +
          ", \"difference\": " + JsonOptional(DifferenceFromBaseline(views, input.baseline, i, f)) +
          "}";
    }
    json += "],\n \"findings\": [";
    if (details) {
      for (std::size_t f = 0; f < details->findings.size(); ++f) {
        const CheckLine& line = details->findings[f];
        json += std::string(f ? ",\n  " : "\n  ") + "{\"severity\": " + JsonString(line.severity) +
                ", \"location\": " + JsonString(line.location) +
                ", \"message\": " + JsonString(line.message) + "}";
      }
    }
    json += "],\n \"keys\": [";
    const Network& network = view.entry->network;
    for (int key = 1; key <= kKeysPerBand; ++key) {
      const Key& item = network.keys[key];
      json +=
          std::string(key > 1 ? ",\n  " : "\n  ") + "{\"index\": " + std::to_string(key) +
          ", \"key\": " + JsonString(KeyText(key)) + ", \"label\": " + JsonString(item.label) +
          ", \"kanaAlone\": " + (details ? JsonString(details->kanaAlone[key]) : "null") +
          ", \"kanaWithKeys\": " + (details ? JsonString(details->kanaWithKeys[key]) : "null") +
          ", \"finger\": " +
          (view.splitKnown ? JsonString(FingerName(FingerOf(key, view.leftHandLastKey))) : "null") +
          ", \"strokes\": " + std::to_string(item.strokes.value) +
          ", \"exact\": " + Bool(item.strokes.exact) + ", \"repeats\": [" +
          std::to_string(item.repeats[0].value) + ", " + std::to_string(item.repeats[1].value) +
          ", " + std::to_string(item.repeats[2].value) + "]}";
    }
    json += "],\n \"pairs\": [";
    for (std::size_t e = 0; e < network.edges.size(); ++e) {
      const Edge& edge = network.edges[e];
      json += std::string(e ? ",\n  " : "\n  ") + "{\"gap\": " + std::to_string(edge.band) +
              ", \"keys\": [" + std::to_string(edge.firstKey) + ", " +
              std::to_string(edge.secondKey) +
              "], \"count\": " + std::to_string(edge.weight.value) +
              ", \"exact\": " + Bool(edge.weight.exact) + "}";
    }
    json += "]}";
  }
  return json + "\n]}\n";
}

}  // namespace kananet::report
