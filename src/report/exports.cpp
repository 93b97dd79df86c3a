#include "report/exports.h"

#include <cmath>

#include "report/html_text.h"

namespace kananet::report {

namespace {

// A number for JSON and CSV, with up to four decimals; null for NaN and the infinities, which
// neither has (the search file's checks keep them out of every cost).
std::string Number(double value) {
  if (!std::isfinite(value)) {
    return "null";
  }
  std::string text = Fixed(value, 4);
  while (text.find('.') != std::string::npos && (text.back() == '0' || text.back() == '.')) {
    const bool point = text.back() == '.';
    text.pop_back();
    if (point) {
      break;
    }
  }
  return text == "-0" ? "0" : text;
}

// A field that a spreadsheet would take for a formula (=, +, -, @, TAB or CR first) gets a
// leading ' so that it stays text.
std::string CsvField(std::string_view text) {
  const bool formula =
      !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos;
  // Appended in steps: g++ 12 at -O2 warns (-Wrestrict) on the one-expression form.
  std::string field(formula ? "'" : "");
  field += text;
  if (field.find_first_of(",\"\r\n") == std::string::npos) {
    return field;
  }
  std::string quoted = "\"";
  for (const char c : field) {
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

// The "cost" records of a layout: one per weighted figure (count, per_100_kana, weight, and its
// term in cost), then the total (figure empty; cost empty when not known).
std::string CostRows(const LayoutView& view, const SearchSettings& settings,
                     const std::string& layout) {
  std::string rows;
  if (view.Cost) {
    for (int figure = 0; figure < kFigureCount; ++figure) {
      const double weight = settings.Weights[static_cast<std::size_t>(figure)];
      if (weight != 0) {
        const auto at = static_cast<std::size_t>(figure);
        rows += layout + ",cost," + std::string(FigureIdName(figure)) + ",,,," +
                std::to_string(view.Cost->Counts[at]) + ",,true,," +
                Number(view.Cost->PerHundredKana[at]) + ",,," + Number(weight) + "," +
                Number(view.Cost->Terms[static_cast<std::size_t>(figure)]) + "\r\n";
      }
    }
  }
  if (view.Cost && HasFingerTargets(settings)) {
    rows += layout + ",cost,finger_targets,,,,,,,,,,," + Number(settings.FingerTargetWeight) + "," +
            Number(view.Cost->FingerTargets) + "\r\n";
  }
  return rows + layout + ",cost,,,,,,,,,,,,," + (view.Cost ? Number(view.Cost->Total) : "") +
         "\r\n";
}

// The moves a found layout's line after its header lists, or null.
std::string MovesJson(const LayoutDetails* details) {
  if (!details || !details->Moves) {
    return "null";
  }
  std::string json = "[";
  for (const KanaMove& move : *details->Moves) {
    json += std::string(json.size() > 1 ? ", " : "") + "{\"kana\": " + JsonString(move.Kana) +
            ", \"from\": " + JsonString(move.From) + ", \"to\": " + JsonString(move.To) + "}";
  }
  return json + "]";
}

std::string CostJson(const LayoutView& view, const SearchSettings& settings) {
  if (!view.Cost) {
    return "null";
  }
  // Strokes beside the total: a search whose kana take keys of other lengths trades them.
  std::string json = "{\"total\": " + Number(view.Cost->Total) + ", \"strokesPer100Kana\": " +
                     Number(view.Cost->PerHundredKana[kFigureStrokes]) + ", \"terms\": [";
  bool first = true;
  for (int figure = 0; figure < kFigureCount; ++figure) {
    const auto at = static_cast<std::size_t>(figure);
    if (settings.Weights[at] != 0) {
      json += std::string(first ? "" : ", ") + "{\"id\": " + JsonString(FigureIdName(figure)) +
              ", \"weight\": " + Number(settings.Weights[at]) +
              ", \"count\": " + std::to_string(view.Cost->Counts[at]) +
              ", \"per100Kana\": " + Number(view.Cost->PerHundredKana[at]) +
              ", \"cost\": " + Number(view.Cost->Terms[at]) + "}";
      first = false;
    }
  }
  if (HasFingerTargets(settings)) {
    json += std::string(first ? "" : ", ") +
            "{\"id\": \"finger_targets\", \"weight\": " + Number(settings.FingerTargetWeight) +
            ", \"cost\": " + Number(view.Cost->FingerTargets) + "}";
  }
  return json + "]}";
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
  return Difference(view.Figures[index], base.Figures[index],
                    CountingName(view) == CountingName(base) && !CountingName(view).empty());
}

std::optional<double> DifferencePerHundredKanaFromBaseline(const std::vector<LayoutView>& views,
                                                           std::optional<std::size_t> baseline,
                                                           std::size_t layout, std::size_t index) {
  if (!baseline || *baseline == layout) {
    return std::nullopt;
  }
  return DifferencePerHundredKana(views[layout].Figures[index], views[*baseline].Figures[index],
                                  SameMode(views[layout], views[*baseline]));
}

std::string ExportCsv(const ExportInput& input) {
  const std::vector<LayoutView>& views = *input.Views;
  std::string csv = std::string(
                        "layout,record,figure,key,other_key,gap,count,percent,exact,difference,"
                        "per_100_kana,difference_per_100_kana,kana") +
                    (input.Cost ? ",weight,cost\r\n" : "\r\n");
  // With a search file every row has the two columns of the cost records too.
  const std::string end = input.Cost ? ",,\r\n" : "\r\n";
  for (std::size_t i = 0; i < views.size(); ++i) {
    const LayoutView& view = views[i];
    const std::string layout = CsvField(view.Entry->Name);
    for (std::size_t f = 0; f < view.Figures.size(); ++f) {
      const Figure& figure = view.Figures[f];
      const std::optional<double> difference = DifferenceFromBaseline(views, input.Baseline, i, f);
      csv += layout + ",figure," + figure.Id + ",,,,";
      csv += figure.Known ? std::to_string(figure.Tally.Value) + "," +
                                (figure.IsShare ? Number(figure.Percent) : "") + "," +
                                Bool(figure.Tally.Exact)
                          : ",,";
      csv += ',';
      csv += difference ? Number(*difference) : "";
      csv += ',';
      csv += figure.PerKanaKnown ? Number(figure.PerHundredKana) : "";
      csv += ',';
      const std::optional<double> perKana =
          DifferencePerHundredKanaFromBaseline(views, input.Baseline, i, f);
      csv += perKana ? Number(*perKana) : "";
      csv += "," + end;
    }
    if (input.Cost) {
      csv += CostRows(view, *input.Cost, layout);
    }
    const Network& network = view.Entry->Graph;
    for (int key = 1; key <= network.LastKey(); ++key) {
      const Key& item = network.Keys[key];
      csv += layout + ",key,," + CsvField(KeyText(key)) + ",,," +
             std::to_string(item.Strokes.Value) + ",," + Bool(item.Strokes.Exact) + ",,,," + end;
      for (int band = 0; band < kBandCount; ++band) {
        csv += layout + ",repeat,," + CsvField(KeyText(key)) + ",," + std::to_string(band) + "," +
               std::to_string(item.Repeats[band].Value) + ",," + Bool(item.Repeats[band].Exact) +
               ",,,," + end;
      }
    }
    if (view.Details && view.Details->Recounted) {
      for (std::size_t f = 0; f < kProblemFigures.size(); ++f) {
        for (const ProblemPair& pair : view.Details->Problems[f]) {
          csv += layout + ",problem," + std::string(FigureIdName(kProblemFigures[f])) + "," +
                 CsvField(KeyText(pair.FirstKey)) + "," + CsvField(KeyText(pair.SecondKey)) +
                 ",0," + std::to_string(pair.Count) + ",,true,,,," + CsvField(pair.Kana) + end;
        }
      }
    }
    for (const Edge& edge : network.Edges) {
      csv += layout + ",pair,," + CsvField(KeyText(edge.FirstKey)) + "," +
             CsvField(KeyText(edge.SecondKey)) + "," + std::to_string(edge.Band) + "," +
             std::to_string(edge.Weight.Value) + ",," + Bool(edge.Weight.Exact) + ",,,," + end;
    }
  }
  return csv;
}

std::string ExportJson(const ExportInput& input) {
  const std::vector<LayoutView>& views = *input.Views;
  std::string json =
      "{\"format\": \"kananet-report\", \"version\": 1,\n\"source\": " + JsonString(input.Source) +
      ",\n\"baseline\": " +
      (input.Baseline ? JsonString(views[*input.Baseline].Entry->Name) : "null") +
      (input.Cost ? ",\n\"costFile\": " + JsonString(input.CostFile) : "") + ",\n\"sampleText\": ";
  if (input.Working && input.Working->Text.Read) {
    const SampleTextFacts& text = input.Working->Text;
    json += "{\"name\": " + JsonString(text.Name) + ", \"bytes\": " + std::to_string(text.Bytes) +
            ", \"kana\": " + std::to_string(text.Kana) +
            ", \"runs\": " + std::to_string(text.Runs) + "}";
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
    const LayoutDetails* details = view.Details;
    const std::string counting = CountingName(view);
    json += std::string(i ? "," : "") + "\n{\"name\": " + JsonString(view.Entry->Name) +
            ", \"networkFile\": " + JsonString(view.Entry->FileName) +
            ", \"layoutFile\": " + (details ? JsonString(details->LayoutFile) : "null") +
            ",\n \"counting\": " + (counting.empty() ? "null" : JsonString(counting)) +
            ", \"header\": " +
            (details && details->HeaderKnown ? JsonString(details->Header) : "null") +
            ", \"leftHandLastKey\": " +
            (view.SplitKnown ? std::to_string(view.LeftHandLastKey) : "null") +
            ", \"countsFromText\": " + Bool(view.CountsFromText) +
            ", \"stale\": " + Bool(view.Stale) + ",\n \"moves\": " + MovesJson(details) +
            (input.Cost ? ",\n \"cost\": " + CostJson(view, *input.Cost) : "") +
            ",\n \"figures\": [";
    for (std::size_t f = 0; f < view.Figures.size(); ++f) {
      const Figure& figure = view.Figures[f];
      json +=
          std::string(f ? ",\n  " : "\n  ") + "{\"id\": " + JsonString(figure.Id) +
          ", \"label\": " + JsonString(figure.Label) + ", \"known\": " + Bool(figure.Known) +
          ", \"count\": " + (figure.Known ? std::to_string(figure.Tally.Value) : "null") +
          ", \"percent\": " + (figure.Known && figure.IsShare ? Number(figure.Percent) : "null") +
          ", \"exact\": " + (figure.Known ? Bool(figure.Tally.Exact) : "null") +
          ", \"difference\": " + JsonOptional(DifferenceFromBaseline(views, input.Baseline, i, f)) +
          ", \"per100Kana\": " + (figure.PerKanaKnown ? Number(figure.PerHundredKana) : "null") +
          ", \"differencePer100Kana\": " +
          JsonOptional(DifferencePerHundredKanaFromBaseline(views, input.Baseline, i, f)) + "}";
    }
    json += "],\n \"findings\": [";
    if (details) {
      for (std::size_t f = 0; f < details->Findings.size(); ++f) {
        const CheckLine& line = details->Findings[f];
        json += std::string(f ? ",\n  " : "\n  ") + "{\"severity\": " + JsonString(line.Severity) +
                ", \"location\": " + JsonString(line.Location) +
                ", \"message\": " + JsonString(line.Message) + "}";
      }
    }
    json += "],\n \"problemPairs\": ";
    if (details && details->Recounted) {
      for (std::size_t f = 0; f < kProblemFigures.size(); ++f) {
        json += std::string(f ? ", " : "{") + JsonString(FigureIdName(kProblemFigures[f])) + ": [";
        for (std::size_t p = 0; p < details->Problems[f].size(); ++p) {
          const ProblemPair& pair = details->Problems[f][p];
          json += std::string(p ? ", " : "") + "{\"kana\": " + JsonString(pair.Kana) +
                  ", \"keys\": [" + std::to_string(pair.FirstKey) + ", " +
                  std::to_string(pair.SecondKey) + "], \"count\": " + std::to_string(pair.Count) +
                  "}";
        }
        json += "]";
      }
      json += "}";
    } else {
      json += "null";
    }
    json += ",\n \"keys\": [";
    const Network& network = view.Entry->Graph;
    for (int key = 1; key <= network.LastKey(); ++key) {
      const Key& item = network.Keys[key];
      json +=
          std::string(key > 1 ? ",\n  " : "\n  ") + "{\"index\": " + std::to_string(key) +
          ", \"key\": " + JsonString(KeyText(key)) + ", \"label\": " + JsonString(item.Label) +
          ", \"kanaAlone\": " + (details ? JsonString(details->KanaAlone[key]) : "null") +
          ", \"kanaWithKeys\": " + (details ? JsonString(details->KanaWithKeys[key]) : "null") +
          ", \"finger\": " +
          (view.SplitKnown || IsThumbKey(key) ? JsonString(KeyFingerName(key, view.LeftHandLastKey))
                                              : "null") +
          ", \"strokes\": " + std::to_string(item.Strokes.Value) +
          ", \"exact\": " + Bool(item.Strokes.Exact) + ", \"repeats\": [" +
          std::to_string(item.Repeats[0].Value) + ", " + std::to_string(item.Repeats[1].Value) +
          ", " + std::to_string(item.Repeats[2].Value) + "]}";
    }
    json += "],\n \"pairs\": [";
    for (std::size_t e = 0; e < network.Edges.size(); ++e) {
      const Edge& edge = network.Edges[e];
      json += std::string(e ? ",\n  " : "\n  ") + "{\"gap\": " + std::to_string(edge.Band) +
              ", \"keys\": [" + std::to_string(edge.FirstKey) + ", " +
              std::to_string(edge.SecondKey) +
              "], \"count\": " + std::to_string(edge.Weight.Value) +
              ", \"exact\": " + Bool(edge.Weight.Exact) + "}";
    }
    json += "]}";
  }
  return json + "\n]}\n";
}

}  // namespace kananet::report
