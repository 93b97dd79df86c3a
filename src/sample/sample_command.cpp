#include "sample/sample_command.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "codes/kana_code.h"
#include "codes/number_format.h"
#include "codes/text_encoding.h"
#include "platform/console_text.h"
#include "platform/files.h"
#include "platform/replacing_file.h"
#include "sample/input_text.h"
#include "sample/interruption.h"
#include "sample/kana_reading.h"
#include "sample/progress.h"
#include "sample/word_readings.h"

namespace kananet::sample {

namespace {

constexpr std::string_view kProgram = "kananet-sample";
constexpr std::string_view kDictionaryPackage = "mecab-ipadic-utf8";
constexpr std::size_t kOutputBlock = 1 << 20;
constexpr std::size_t kUnreadNamed = 5;
constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";

constexpr std::string_view kUsage =
    "Usage: kananet-sample [FILE...] [-o OUTPUT] [-d DIR] [--readings FILE] [--join-lines] [-q]\n"
    "Turns ordinary Japanese text (kanji and kana, UTF-8 or Shift_JIS) into a sample text for\n"
    "kananet: every word becomes the hiragana a typist types for it, through MeCab and its\n"
    "IPAdic dictionary. Letters, digits, symbols, spaces and the lines stay as they are. Reads\n"
    "the FILEs in order, or standard input when none is given (or for -).\n"
    "\n"
    "  -o OUTPUT             write the sample text to OUTPUT, Shift_JIS with CR LF line ends\n"
    "                        (default: kanasample.txt; - for standard output)\n"
    "  -d, --dictionary DIR  the MeCab dictionary directory (default: " KANANET_SAMPLE_DICTIONARY
    ")\n"
    "      --readings FILE   word<TAB>reading lines (UTF-8) that win over the dictionary\n"
    "      --join-lines      join the lines of each paragraph (ended by an empty line or a\n"
    "                        line that begins with a full-width space) before reading them,\n"
    "                        and write each paragraph as one line\n"
    "  -q, --quiet           print nothing on success but the words kept as written\n"
    "  -h, --help            show this help and exit\n"
    "      --version         show the version and exit\n"
    "\n"
    "Exit status: 0 when the sample text was written; 1 when an input could not be read or held\n"
    "no Japanese text, the dictionary could not be loaded or the output could not be written\n"
    "(it is then left as it was); 2 for a wrong command line. Words without a reading are kept\n"
    "as written and counted on standard error. On success one line names the file written with\n"
    "its kana and lines: on standard output when that is a terminal, else on standard error.\n";

struct Settings {
  std::vector<std::string> Inputs;
  std::string Output = "kanasample.txt";
  std::string Dictionary = KANANET_SAMPLE_DICTIONARY;
  std::string Readings;  // --readings: empty for none
  bool JoinLines = false;
  bool Quiet = false;
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
    } else if (argument == "--join-lines") {
      chosen.JoinLines = true;
    } else if (argument == "-q" || argument == "--quiet") {
      chosen.Quiet = true;
    } else if (argument == "-o" || argument == "-d" || argument == "--dictionary" ||
               argument == "--readings") {
      if (i + 1 == arguments.size()) {
        return argument + " needs a value";
      }
      (argument == "-o"           ? chosen.Output
       : argument == "--readings" ? chosen.Readings
                                  : chosen.Dictionary) = arguments[++i];
    } else {
      return UnknownOption(argument);
    }
  }
  return std::nullopt;
}

// A line on standard error (or on standard output, to fd STDOUT_FILENO), in the locale's
// character set.
void Say(std::string_view message, int fd = STDERR_FILENO) {
  std::string line = std::string(kProgram) + ": " + std::string(message) + "\n";
  WriteAll(fd, Utf8ConsoleLine(line, CharsetOf(fd == STDOUT_FILENO ? stdout : stderr)));
}

std::string NameOf(const std::string& input) {
  return input == kStandardInput ? "standard input" : input;
}

std::string Utf16Complaint(const std::string& input) {
  return NameOf(input) + " is UTF-16; save it as UTF-8 or Shift_JIS";
}

// The word<TAB>reading lines of path: nothing when they are fine, else the complaint. Empty
// lines and lines beginning with # are skipped.
std::optional<std::string> ReadOwnReadings(const std::string& path,
                                           std::unordered_map<std::string, std::string>& readings) {
  std::string contents;
  if (ReadResult read = ReadWholeFile(path, contents); read.Outcome != ReadOutcome::kOk) {
    return "cannot read " + path + ": " + std::strerror(read.Error);
  }
  std::string_view rest = contents;
  if (rest.starts_with("\xEF\xBB\xBF")) {
    rest.remove_prefix(3);
  }
  if (!IsWellFormedUtf8(rest)) {
    return path + " is not UTF-8; save it as UTF-8";
  }
  for (std::size_t number = 1; !rest.empty(); ++number) {
    std::string_view line = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(std::min(rest.size(), line.size() + 1));
    if (line.ends_with('\r')) {
      line.remove_suffix(1);
    }
    if (line.empty() || line.starts_with('#')) {
      continue;
    }
    std::size_t tab = line.find('\t');
    if (tab == 0 || tab == std::string_view::npos || !IsAllKana(line.substr(tab + 1))) {
      return path + ":" + std::to_string(number) +
             ": write the word, a TAB and its reading in kana";
    }
    readings[std::string(line.substr(0, tab))] = std::string(line.substr(tab + 1));
  }
  return std::nullopt;
}

// Where the Shift_JIS bytes go: a replacing file, or standard output.
class SampleOutput {
 public:
  explicit SampleOutput(const std::string& path) : path_(path), toStandardOutput_(path == "-") {}
  ~SampleOutput() { SetTemporaryOutput(""); }
  int Open() {
    int error = ToStandardOutput() ? 0 : file_.Open(path_);
    SetTemporaryOutput(file_.TemporaryPath());
    return error;
  }
  int Write(std::string_view bytes) {
    return ToStandardOutput() ? WriteAll(STDOUT_FILENO, bytes) : file_.Write(bytes);
  }
  int Commit() {
    int error = ToStandardOutput() ? 0 : file_.Commit();
    SetTemporaryOutput("");  // renamed, or removed by the failed Commit
    return error;
  }
  std::string Name() const { return ToStandardOutput() ? "standard output" : path_; }
  bool ToFile() const { return !ToStandardOutput(); }

 private:
  bool ToStandardOutput() const { return toStandardOutput_; }

  std::string path_;
  bool toStandardOutput_;
  ReplacingFile file_;
};

// The kana and lines of the Shift_JIS text written, counted as kananet's reader counts them.
class WrittenTally {
 public:
  void Add(std::string_view shiftJis) {
    for (char byte : shiftJis) {
      const auto value = static_cast<std::uint8_t>(byte);
      if (lead_ != 0) {
        kana_ += KanaCodeOf(lead_, value) != kNotKana ? 1 : 0;
        lead_ = 0;
      } else if (StartsTwoByteCharacter(value)) {
        lead_ = value;
      }
      lines_ += value == '\n' ? 1 : 0;
      lineOpen_ = value != '\n';
    }
  }
  std::uint64_t Kana() const { return kana_; }
  // A last line without a line end counts too.
  std::uint64_t Lines() const { return lines_ + (lineOpen_ ? 1 : 0); }

 private:
  std::uint8_t lead_ = 0;  // the first byte of a two-byte character, or 0
  std::uint64_t kana_ = 0;
  std::uint64_t lines_ = 0;
  bool lineOpen_ = false;
};

std::string NamesOf(const std::vector<std::string>& inputs) {
  std::string names;
  for (const std::string& input : inputs) {
    names += (names.empty() ? "" : ", ") + NameOf(input);
  }
  return names;
}

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
    WriteAll(STDERR_FILENO, UsageErrorText(kProgram, *complaint).In(CharsetOf(stderr)));
    return 2;
  }
  if (chosen.Help || chosen.Version) {
    const int error =
        WriteAll(STDOUT_FILENO, chosen.Help ? std::string(kUsage)
                                            : std::string(kProgram) + " " KANANET_VERSION "\n");
    if (error != 0) {
      Say(std::string("cannot write to standard output: ") + std::strerror(error));
    }
    return error != 0 ? 1 : 0;
  }
  if (chosen.Inputs.empty()) {
    chosen.Inputs.emplace_back(kStandardInput);
  }
  CleanUpWhenInterrupted();

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
    // MeCab says "no such file" also when mapping a dictionary that is there fails for want of
    // memory: advise installing only when its main file is missing.
    bool present = ::access((chosen.Dictionary + "/sys.dic").c_str(), R_OK) == 0;
    Say("cannot load the MeCab dictionary " + chosen.Dictionary + " (" + loadError + "); " +
        (present ? "its files are there, so memory is short: raise the limit (ulimit -v) or "
                   "free memory"
                 : "install it with: sudo apt-get install " + std::string(kDictionaryPackage)));
    return 1;
  }

  if (!chosen.Readings.empty()) {
    std::unordered_map<std::string, std::string> own;
    if (std::optional<std::string> complaint = ReadOwnReadings(chosen.Readings, own)) {
      Say(*complaint);
      return 1;
    }
    readings->SetOwnReadings(std::move(own));
  }

  SampleOutput output(chosen.Output);
  if (int error = output.Open()) {
    Say("cannot write " + output.Name() + ": " + std::strerror(error));
    return 1;
  }
  Progress meter(totalKnown ? total : 0);
  Utf8ToShiftJis converter;
  WrittenTally tally;
  std::string text;
  std::string shiftJis;
  std::string line;
  std::uint64_t done = 0;
  std::string paragraph;  // --join-lines: the lines of the paragraph read so far, joined
  bool paragraphEnds = false;
  const auto flush = [&](bool last) {
    converter.Convert(text, shiftJis);
    if (last) {
      converter.Finish(shiftJis);
    }
    text.clear();
    tally.Add(shiftJis);
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
      if (!chosen.JoinLines) {
        readings->ConvertLine(line, text);
        text += lineEnd ? "\r\n" : "";
      } else {
        // A paragraph ends before an empty line or one that begins with a full-width space;
        // one longer than a line may be is read in pieces, as a long line is.
        if ((line.empty() || line.starts_with(kFullWidthSpace)) && !paragraph.empty()) {
          readings->ConvertLine(paragraph, text);
          text += "\r\n";
          paragraph.clear();
        }
        paragraph += line;
        if (paragraph.empty() && lineEnd) {
          text += "\r\n";
        } else if (paragraph.size() >= InputLines::kMaxLine) {
          readings->ConvertLine(paragraph, text);
          paragraph.clear();
        }
        paragraphEnds = lineEnd;
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
  if (!paragraph.empty()) {
    readings->ConvertLine(paragraph, text);
    text += paragraphEnds ? "\r\n" : "";
  }
  int error = flush(true);
  // A text without one kana is no sample text: an empty input, or one in another language, must
  // not replace a sample text made before.
  const bool noKana = error == 0 && tally.Kana() == 0;
  error = error != 0 || noKana ? error : output.Commit();
  meter.Finish();
  if (error != 0) {
    Say("cannot write " + output.Name() + ": " + std::strerror(error));
    return 1;
  }
  if (noKana) {
    Say("found no Japanese text in " + NamesOf(chosen.Inputs) + ": not one kana to count" +
        (output.ToFile() ? "; " + output.Name() + " is left as it was" : ""));
    return 1;
  }
  ReportUnread(readings->Unread());
  if (!chosen.Quiet) {
    // Where a person reads it: the terminal, unless the sample text itself goes there.
    const bool onTerminal = output.ToFile() && ::isatty(STDOUT_FILENO) == 1;
    Say("wrote " + Grouped(tally.Kana()) + " kana on " + Grouped(tally.Lines()) +
            (tally.Lines() == 1 ? " line to " : " lines to ") + output.Name(),
        onTerminal ? STDOUT_FILENO : STDERR_FILENO);
  }
  return 0;
}

}  // namespace kananet::sample
