#include "driver/batch.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "analysis/entry_counts.h"
#include "check/finding_text.h"
#include "check/layout_check.h"
#include "driver/written_networks.h"
#include "output/network_writer.h"
#include "platform/console.h"
#include "platform/directory.h"
#include "platform/working_directory.h"
#include "readers/layout.h"
#include "readers/sample_text.h"

namespace kananet {

namespace {

// "配列定義ファイルが見つからんです。 " in Shift_JIS, followed by the search's error code.
std::string NoLayoutFileMessage(int errorCode) {
  return "\x94\x7a\x97\xf1\x92\xe8\x8b\x60\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xaa\x8c\xa9\x82\xc2"
         "\x82\xa9\x82\xe7\x82\xf1\x82\xc5\x82\xb7\x81\x42 " +
         std::to_string(errorCode) + "\n";
}

// One line for a fault of the program itself, naming what was thrown.
std::string InternalErrorMessage(std::string_view what) {
  return "Internal error (" + std::string(what) +
         "): the run stopped; the network files written before are complete.\n";
}

// The batch's steps for one layout, each handing its value to the next.
// A layout whose counts could wrap stops the run as a kana without definition does, before its
// conversion: no network file that looks valid and is not.
void EvaluateLayout(const SampleText& text, std::uint64_t textKana, const std::string& name,
                    unsigned jobs, WrittenNetworks& written) {
  WriteOut(ConsoleText("Load ").Name(name).Text("\n"));
  const LayoutDefinition layout = LoadLayout(name);
  const CountBound bound = BoundOfCount(textKana, layout.Table);
  if (!bound.Fits()) {
    StopRun(ConsoleText()
                .Name(std::string(kLayoutDirectory) + name)
                .Text(FindingLine("", CountsPassLimit(bound, layout))));
  }
  LayoutCount count;
  try {
    count = ConvertAndTallyKanaStream(text.KanaStream, layout, jobs);
  } catch (const std::length_error&) {
    // More sets of keys one hand presses together than the count numbers.
    StopRun(ConsoleText()
                .Name(std::string(kLayoutDirectory) + name)
                .Text(": error: more than " + std::to_string(kMaxHandParts) +
                      " different sets of keys that one hand presses together, more than kananet "
                      "counts; kananet --check names the entry\n"));
  }
  if (count.Missing != kNoSlot) {
    StopRun(MissingDefinitionMessage(static_cast<std::uint8_t>(text.KanaStream[count.Missing])));
  }
  const std::string outputName = OutputNameOf(name);
  if (WriteKeyboardNetwork(std::string(kResultDirectory) + outputName, layout, count.Counts)) {
    written.Record(outputName, name);
  }
}

}  // namespace

int RunGuarded(const std::function<int()>& run) {
  try {
    return run();
  } catch (const RunStopped& stop) {
    return stop.ExitStatus;
  } catch (const std::bad_alloc&) {
    WriteErr("Out of memory: the sample text or a layout file is too large for this machine.\n");
    return 1;
  } catch (const std::exception& error) {
    WriteErr(InternalErrorMessage(error.what()));
    return 1;
  } catch (...) {
    WriteErr(InternalErrorMessage("an unknown exception"));
    return 1;
  }
}

int RunBatch(unsigned jobs) {
  ResetFailures();
  return RunGuarded([jobs] {
    const SampleText text = ReadSampleText(jobs);
    std::vector<Finding> warnings;
    CheckTextHasKana(text, warnings);
    for (const Finding& item : warnings) {
      WriteErr(FindingLine(kSampleTextPath, item));
    }
    LayoutFileSearch search = FindLayoutFiles(std::string(kLayoutDirectory));
    if (search.ErrorCode != 0) {
      WriteOut(NoLayoutFileMessage(search.ErrorCode));
      return 1;
    }
    WrittenNetworks written;
    const std::uint64_t textKana = MatchedKanaOf(text.KanaStream);
    for (const std::string& name : search.Names) {
      EvaluateLayout(text, textKana, name, jobs, written);
    }
    return RunHadFailure() ? 1 : 0;
  });
}

}  // namespace kananet
