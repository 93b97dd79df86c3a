// The batch over the plain form of the rules (tests/reference), as the reference that the
// tool's output is compared with: the sample text read as joined lines, the first-match scan of
// the layout table for every kana, and the tallies with one state per hand. The layouts are
// read and the network files written by the tool's own steps.
#include <string>

#include "analysis/entry_counts.h"
#include "analysis/statistics.h"
#include "codes/key_alphabet.h"
#include "output/network_writer.h"
#include "platform/console.h"
#include "platform/directory.h"
#include "platform/files.h"
#include "platform/names.h"
#include "platform/working_directory.h"
#include "readers/layout.h"
#include "readers/sample_text.h"
#include "reference/plain_rules.h"

namespace kananet {
namespace {

std::string ReadSampleTextPlainly() {
  std::string text;
  if (ReadWholeFile(kSampleTextPath, text).Outcome != ReadOutcome::kOk) {
    StopRun("File is not exist.\n");
  }
  return reference::PlainKanaStream(text);
}

int RunReferenceBatch() {
  const std::string kanaCodes = ReadSampleTextPlainly();
  LayoutFileSearch search = FindLayoutFiles(std::string(kLayoutDirectory));
  for (const std::string& name : search.Names) {
    WriteOut("Load " + ConsoleName(name) + "\n");
    const LayoutDefinition layout = LoadLayout(name);
    reference::PlainConversion conversion =
        reference::ConvertByScan(kanaCodes, layout.Table, layout.Header.CountByKana != 0,
                                 layout.Header.BreakAfterPunctuation != 0);
    if (conversion.Missing != kNoSlot) {
      StopRun(MissingDefinitionMessage(static_cast<std::uint8_t>(kanaCodes[conversion.Missing])));
    }
    LayoutCounts counts;
    reference::PlainTally(conversion.Keys, layout.Header.LeftHandLastKey,
                          layout.Header.CountByKana != 0, counts.Keys, counts.Pairs,
                          layout.Header.Chords);
    WriteKeyboardNetwork(std::string(kResultDirectory) + OutputNameOf(name), layout, counts);
  }
  return search.ErrorCode == 0 ? 0 : 1;
}

}  // namespace
}  // namespace kananet

int main() {
  try {
    return kananet::RunReferenceBatch();
  } catch (const kananet::RunStopped& stop) {
    return stop.ExitStatus;
  }
}
