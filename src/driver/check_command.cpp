#include "driver/check_command.h"

#include <exception>
#include <new>

#include "check/finding_text.h"
#include "check/layout_check.h"
#include "driver/batch.h"
#include "platform/console.h"
#include "platform/names.h"
#include "platform/working_directory.h"
#include "readers/sample_text.h"

namespace kananet {

namespace {

struct Totals {
  int Errors = 0;
  int Warnings = 0;
  int Notes = 0;
  int LayoutsWithErrors = 0;
};

std::string Counted(int count, const char* what) {
  return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

std::string CountsOf(int errors, int warnings, int notes) {
  return Counted(errors, "error") + ", " + Counted(warnings, "warning") + ", " +
         Counted(notes, "note");
}

void PrintLayout(const LayoutCheck& layout, Totals& sum) {
  std::string label = ConsoleName(std::string(kLayoutDirectory) + layout.Name);
  std::string text;
  if (layout.Read) {
    text += label + ": header: " + DescribeHeader(layout) + "\n";
  }
  text += FindingLines(label, layout.Findings);
  int errors = layout.CountOf(Severity::kError);
  int warnings = layout.CountOf(Severity::kWarning);
  int notes = layout.CountOf(Severity::kNote);
  text += label + ": " + CountsOf(errors, warnings, notes) + "\n";
  WriteOut(text);
  sum.Errors += errors;
  sum.Warnings += warnings;
  sum.Notes += notes;
  sum.LayoutsWithErrors += errors > 0 ? 1 : 0;
}

int PrintCheck(const BatchCheck& batch) {
  Totals sum;
  for (const Finding& item : batch.Text.Findings) {
    WriteOut(FindingLine(kSampleTextPath, item));
    ++(SeverityOf(item.Kind) == Severity::kError ? sum.Errors : sum.Warnings);
  }
  if (batch.SearchError != 0) {
    Finding item;
    item.Kind = FindingKind::kNoLayoutFiles;
    item.Value = batch.SearchError;
    WriteOut(FindingLine(std::string(kLayoutDirectory), item));
    ++sum.Errors;
  }
  for (const LayoutCheck& layout : batch.Layouts) {
    PrintLayout(layout, sum);
  }
  WriteOut("Checked " + Counted(static_cast<int>(batch.Layouts.size()), "layout") + ", " +
           std::to_string(sum.LayoutsWithErrors) +
           " with errors: " + CountsOf(sum.Errors, sum.Warnings, sum.Notes) + " in all.\n");
  return batch.HasError() ? 1 : 0;
}

}  // namespace

int RunCheck(unsigned jobs) {
  return RunGuarded([jobs] {
    int status = PrintCheck(CheckBatch(kSampleTextPath, std::string(kLayoutDirectory), jobs));
    return RunHadFailure() ? 1 : status;
  });
}

}  // namespace kananet
