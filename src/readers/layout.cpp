#include "readers/layout.h"

#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/working_directory.h"
#include "readers/text_file.h"

namespace kananet {

LayoutHeaderValues LayoutHeader;
std::vector<LayoutEntry> LayoutTable(kLayoutTableSlots);

namespace {

// Reads lines the way a text-mode line read does: a line ends in LF or CR LF; a read that
// meets the end of the text at once gives an empty line; once the end has been reached, a
// read fails and leaves the line as it was.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  bool Read(std::string_view& line) {
    if (atEnd_) {
      return false;
    }
    std::size_t end = text_.find('\n', position_);
    if (end == std::string_view::npos) {
      line = text_.substr(position_);
      position_ = text_.size();
      atEnd_ = true;
      return !line.empty();
    }
    line = text_.substr(position_, end - position_);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    position_ = end + 1;
    return true;
  }

 private:
  std::string_view text_;
  std::size_t position_ = 0;
  bool atEnd_ = false;
};

// The first byte of a header line; an empty line gives its terminating zero.
std::uint8_t FirstByte(std::string_view line) {
  return line.empty() ? 0 : static_cast<std::uint8_t>(line.front());
}

std::int32_t DigitValue(std::string_view line) {
  return static_cast<std::int32_t>(static_cast<std::int8_t>(FirstByte(line))) - 48;
}

// The kana part: two-byte characters from the start until the first that is not a kana.
void ReadKana(std::string_view part, std::string& kana) {
  kana.clear();
  for (std::size_t i = 0; i + 1 < part.size(); i += 2) {
    std::uint8_t code =
        KanaCodeOf(static_cast<std::uint8_t>(part[i]), static_cast<std::uint8_t>(part[i + 1]));
    if (code == kNotKana) {
      break;
    }
    kana += static_cast<char>(code);
  }
}

void ReadKeys(std::string_view part, std::string& keys) {
  keys.clear();
  for (char character : part) {
    keys += static_cast<char>(KeyIndexTable[static_cast<std::uint8_t>(character)]);
  }
}

}  // namespace

std::size_t FillLayout(std::string_view fileBytes, LayoutHeaderValues& header,
                       std::vector<LayoutEntry>& table) {
  for (LayoutEntry& slot : table) {
    slot.Kana.clear();
    slot.Keys.clear();
  }

  LineReader reader(fileBytes);
  std::string_view line;
  reader.Read(line);
  header.LeftHandLastKey = KeyIndexTable[FirstByte(line)];
  reader.Read(line);
  header.BreakAfterPunctuation = KeyIndexTable[FirstByte(line)];
  reader.Read(line);
  header.RowCount = DigitValue(line);
  reader.Read(line);
  header.CountByKana = DigitValue(line);

  std::size_t entryLines = 0;
  while (reader.Read(line)) {
    std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) {
      continue;
    }
    if (entryLines < table.size()) {
      LayoutEntry& slot = table[entryLines];
      ReadKana(line.substr(tab + 1), slot.Kana);
      ReadKeys(line.substr(0, tab), slot.Keys);
    }
    ++entryLines;
  }
  return entryLines;
}

void LoadLayout() {
  std::string path = PathInDirectory(kLayoutDirectory);
  std::string contents;
  if (ReadWholeFile(path, contents).Outcome != ReadOutcome::kOk) {
    StopRun("File is not exist.\n");
  }
  MakeReadableText(path, contents);
  std::size_t entryLines = FillLayout(contents, LayoutHeader, LayoutTable);
  if (entryLines > kLayoutTableSlots) {
    WriteErr(ConsoleText("Warning: ")
                 .Name(path)
                 .Text(" has " + std::to_string(entryLines) + " definition lines; only the first " +
                       std::to_string(kLayoutTableSlots) + " are read.\n"));
  }
}

}  // namespace kananet
