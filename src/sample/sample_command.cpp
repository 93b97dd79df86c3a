#include "sample/sample_command.h"

#include <unistd.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "codes/text_encoding.h"
#include "platform/console_text.h"
#include "platform/replacing_file.h"
#include "sample/input_text.h"
#include "sample/progress.h"
#include "sample/word_readings.h"

namespace kananet::sample {

namespace {

constexpr std::string_view kProgram = "kananet-sample";
constexpr std::string_view kDictionaryPackage = "mecab-ipadic-utf8";
constexpr std::size_t kOutputBlock = 1 << 20;
constexpr std::size_t kUnreadNamed = 5;

constexpr std::string_view kUsage =
    "Usage: kananet-sample [FILE...] [-o OUTPUT] [-d DIR]\n"
    "Turns ordinary Japanese text (kanji and kana, UTF-8 or Shift_JIS) into a sample text for\n"
    "kananet: every word becomes the hiragana a typist types for it, through MeCab and its\n"
    "IPAdic dictionary. Letters, digits, symbols, spaces and the lines stay as they are. Reads\n"
    "the FILEs in order, or standard input when none is given (or for -).\n"
    "\n"
    "  -o OUTPUT             write the sample text to OUTPUT, Shift_JIS with CR LF line ends\n"
    "                        (default: kanasample.txt; - for standard output)\n"
    "  -d, --dictionary DIR  the MeCab dictionary directory (default: " KANANET_SAMPLE_DICTIONARY
    ")\n"
    "  -h, --help            show this help and exit\n"
    "      --version         show the version and exit\n"
    "\n"
    "Exit status: 0 when the sample text was written; 1 when an input could not be read, the\n"
    "dictionary could not be loaded or the output could not be written (it is then left as it\n"
    "was); 2 for a wrong command line. Words without a reading are kept as written and counted\n"
    "on standard error.\n";

struct Settings {
  std::vector<std::string> Inputs;
  std::string Output = "kanasample.txt";
  std::string Dictionary = KANANET_SAMPLE_DICTIONARY;
  bool Help = false;
  bool Version = false;
};

// Nothing when the arguments are fine, else the complaint.
std::optional<std::string> ReadOptions(const std::vector<std::string>& arguments,
                                       Settings& chosen) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument == kStandardInput || argument.empty() || argument[0] != '-') {
      chosen.Inputs.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "-h" || argument == "--help") {
      chosen.Help = true;
    } else if (argument == "--version") {
      chosen.Version = true;
    } else if (argument == "-o" || argument == "-d" || argument == "--dictionary") {
      if (i + 1 == arguments.size()) {
        return argument + " needs a value";
      }
      (argument == "-o" ? chosen.Output : chosen.Dictionary) = arguments[++i];
    } else {
      return "unknown option " + argument;
    }
  }
  return std::nullopt;
}

// A line on standard error, in the locale's character set.
void Say(std::string_view message) {
  std::string line = std::string(kProgram) + ": " + std::string(message) + "\n";
  WriteAll(STDERR_FILENO, Utf8ConsoleLine(line, CharsetOf(stderr)));
}

std::string NameOf(const std::string& input) {
  return input == kStandardInput ? "standard input" : input;
}

std::string Utf16Complaint(const std::string& input) {
  return NameOf(input) + " is UTF-16; save it as UTF-8 or Shift_JIS";
}

// Where the Shift_JIS bytes go: a replacing file, or standard output.
class SampleOutput {
 public:
  explicit SampleOutput(const std::string& path) : path_(path), toStandardOutput_(path == "-") {}
  int Open() { return ToStandardOutput() ? 0 : file_.Open(path_); }
  int Write(std::string_view bytes) {
    return ToStandardOutput() ? WriteAll(STDOUT_FILENO, bytes) : file_.Write(bytes);
  }
  int Commit() { return ToStandardOutput() ? 0 : file_.Commit(); }
  std::string Name() const { return ToStandardOutput() ? "standard output" : path_; }

 private:
  bool ToStandardOutput() const { return toStandardOutput_; }

  std::string path_;
  bool toStandardOutput_;
  ReplacingFile file_;
};

// The closing note: how many words lost their reading, and the most frequent of them.
void ReportUnread(const UnreadWords& unread) {
  if (unread.Total() == 0) {
    return;
  }
  std::string note = "kept " + std::to_string(unread.Total()) +
                     (unread.Total() == 1 ? " word" : " words") +
                     " as written, having no reading in the dictionary; most frequent:";
  std::string_view separator = " ";
  for (const auto& [word, times] : unread.MostFrequent(kUnreadNamed)) {
    note += std::string(separator) + word + " (" + std::to_string(times) + ")";
    separator = ", ";
  }
  Say(note);
}

}  // namespace

int RunSample(const std::vector<std::string>& arguments) {
  ChooseConsoleCharsets(ShiftJisTextToUtf8);
  Settings chosen;
  if (std::optional<std::string> complaint = ReadOptions(arguments, chosen)) {
    Say(*complaint + "; see kananet-sample --help");
    return 2;
  }
  if (chosen.Help) {
    WriteAll(STDOUT_FILENO, kUsage);
    return 0;
  }
  if (chosen.Version) {
    WriteAll(STDOUT_FILENO, std::string(kProgram) + " " KANANET_VERSION "\n");
    return 0;
  }
  if (chosen.Inputs.empty()) {
    chosen.Inputs.emplace_back(kStandardInput);
  }

  // Every file is read once before anything is written: it fixes each file's encoding, which
  // takes the whole file, and finds an unreadable one before the output is touched.
  std::vector<InputScan> scans(chosen.Inputs.size());
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < chosen.Inputs.size(); ++i) {
    const std::string& input = chosen.Inputs[i];
    if (input == kStandardInput) {
      scans[i].Streamed = true;
    } else if (int error = ScanInput(input, scans[i])) {
      Say("cannot read " + input + ": " + std::strerror(error));
      return 1;
    } else if (scans[i].Encoding == TextEncoding::kUtf16) {
      Say(Utf16Complaint(input));
      return 1;
    }
    total += scans[i].Size;
  }
  bool totalKnown = true;
  for (const InputScan& scan : scans) {
    totalKnown = totalKnown && !scan.Streamed;
  }

  std::string loadError;
  std::unique_ptr<WordReadings> readings = WordReadings::Open(chosen.Dictionary, loadError);
  if (!readings) {
    for (char& c : loadError) {
      c = c == '\n' ? ' ' : c;
    }
    Say("cannot load the MeCab dictionary " + chosen.Dictionary + " (" + loadError +
        "); install it with: sudo apt-get install " + std::string(kDictionaryPackage));
    return 1;
  }

  SampleOutput output(chosen.Output);
  if (int error = output.Open()) {
    Say("cannot write " + output.Name() + ": " + std::strerror(error));
    return 1;
  }
  Progress meter(totalKnown ? total : 0);
  Utf8ToShiftJis converter;
  std::string text;
  std::string shiftJis;
  std::string line;
  std::uint64_t done = 0;
  const auto flush = [&](bool last) {
    converter.Convert(text, shiftJis);
    if (last) {
      converter.Finish(shiftJis);
    }
    text.clear();
    int error = output.Write(shiftJis);
    shiftJis.clear();
    return error;
  };
  for (std::size_t i = 0; i < chosen.Inputs.size(); ++i) {
    const std::string& input = chosen.Inputs[i];
    InputLines lines;
    int error = lines.Open(input, scans[i]);
    bool lineEnd = false;
    while (error == 0 && lines.Next(line, lineEnd)) {
      readings->ConvertLine(line, text);
      if (lineEnd) {
        text += "\r\n";
      }
      if (text.size() >= kOutputBlock) {
        if (int writeError = flush(false)) {
          meter.Finish();
          Say("cannot write " + output.Name() + ": " + std::strerror(writeError));
          return 1;
        }
        meter.Update(done + lines.BytesRead());
      }
    }
    error = error != 0 ? error : lines.Error();
    if (error != 0) {
      meter.Finish();
      Say(lines.Encoding() == TextEncoding::kUtf16
              ? Utf16Complaint(input)
              : "cannot read " + NameOf(input) + ": " + std::strerror(error));
      return 1;
    }
    done += lines.BytesRead();
  }
  int error = flush(true);
  error = error != 0 ? error : output.Commit();
  meter.Finish();
  if (error != 0) {
    Say("cannot write " + output.Name() + ": " + std::strerror(error));
    return 1;
  }
  ReportUnread(readings->Unread());
  return 0;
}

}  // namespace kananet::sample
