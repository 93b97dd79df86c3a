#include "check/layout_check.h"

#include <algorithm>
#include <utility>

#include "check/layout_rules.h"
#include "check/text_coverage.h"
#include "output/network_writer.h"

namespace kananet {

Severity SeverityOf(FindingKind kind) {
  switch (kind) {
    case FindingKind::kCannotRead:
    case FindingKind::kUtf16:
    case FindingKind::kNoLayoutFiles:
    case FindingKind::kSameResultFile:
    case FindingKind::kUndefinedKana:
    case FindingKind::kKeyTwiceInAction:
    case FindingKind::kOneFingerInAction:
    case FindingKind::kTooManyHandParts:
    case FindingKind::kCountsPassLimit:
      return Severity::kError;
    case FindingKind::kUnusedEntries:
    case FindingKind::kKeystrokesPerKana:
      return Severity::kNote;
    default:
      return Severity::kWarning;
  }
}

int LayoutCheck::CountOf(Severity level) const {
  return static_cast<int>(std::count_if(Findings.begin(), Findings.end(), [&](const Finding& f) {
    return SeverityOf(f.Kind) == level;
  }));
}

bool BatchCheck::HasError() const {
  const auto isError = [](const Finding& f) { return SeverityOf(f.Kind) == Severity::kError; };
  return SearchError != 0 || std::any_of(Text.Findings.begin(), Text.Findings.end(), isError) ||
         std::any_of(Layouts.begin(), Layouts.end(), [](const LayoutCheck& layout) {
           return layout.CountOf(Severity::kError) > 0;
         });
}

Finding CountsPassLimit(const CountBound& bound, const LayoutDefinition& definition) {
  Finding item;
  item.Kind = FindingKind::kCountsPassLimit;
  // No entry presses a key only for a text of more than kMaxCount kana: the file as a whole.
  item.Line = bound.Slot < definition.Entries.size() ? definition.Entries[bound.Slot].Line + 1 : 0;
  item.Count = bound.Strokes;
  item.Total = bound.Kana;
  return item;
}

LayoutChecker::LayoutChecker(const std::string* textCodes, bool keepCounts, unsigned jobs)
    : textCodes_(textCodes),
      textKana_(textCodes == nullptr ? 0 : MatchedKanaOf(*textCodes)),
      keepCounts_(keepCounts),
      jobs_(jobs) {}

LayoutCheck LayoutChecker::CheckBytes(const std::string& name, std::string_view fileBytes) const {
  return Check(name, ReadLayout(std::string(fileBytes)));
}

LayoutCheck LayoutChecker::Check(const std::string& name,
                                 const LayoutDefinition& definition) const {
  LayoutCheck layout;
  layout.Name = name;
  layout.ResultName = OutputNameOf(name);
  layout.Read = true;
  layout.Header = definition.Header;
  layout.EntryLines = definition.EntryLines;

  std::vector<Finding> errors;
  std::vector<Finding> warnings;
  std::vector<Finding> notes;
  RulesCheck rules = CheckRules(definition, layout, warnings);
  if (textCodes_ != nullptr) {
    // A count that could wrap is not made: its figures would look valid and not be.
    const CountBound bound = BoundOfCount(textKana_, definition.Table);
    // Nor is a count of more sets of keys one hand presses together than it numbers.
    const bool partsFit = std::none_of(warnings.begin(), warnings.end(), [](const Finding& f) {
      return f.Kind == FindingKind::kTooManyHandParts;
    });
    CheckText(*textCodes_, definition, rules, keepCounts_ && bound.Fits() && partsFit, jobs_,
              layout, errors, notes);
    if (!bound.Fits()) {
      for (Finding& error : errors) {
        error.StopsBatch = false;  // the batch refuses the layout before its conversion
      }
      errors.insert(errors.begin(), CountsPassLimit(bound, definition));
    }
  }

  // An undefined kana names the lines that hold it without a TAB: the likely reason.
  for (Finding& error : errors) {
    for (const Finding& warning : warnings) {
      if (error.Kind == FindingKind::kUndefinedKana && warning.Kind == FindingKind::kNoTab &&
          warning.Kana.find(error.Kana) != std::string::npos &&
          error.Examples.size() < kExamplesNamed) {
        error.Examples.push_back({warning.Line, warning.Kana});
      }
    }
  }
  std::stable_sort(warnings.begin(), warnings.end(),
                   [](const Finding& a, const Finding& b) { return a.Line < b.Line; });
  // The warnings that explain the errors come before them: a missing header, whose entries are
  // then read as the header, and the lines without a TAB that hold an undefined kana.
  const bool tabsExplain = std::any_of(
      errors.begin(), errors.end(), [](const Finding& error) { return !error.Examples.empty(); });
  const auto explains = [&](const Finding& warning) {
    return warning.Kind == FindingKind::kHeaderMissing ||
           (tabsExplain && warning.Kind == FindingKind::kNoTab);
  };
  const auto firstOther = std::stable_partition(warnings.begin(), warnings.end(), explains);
  layout.Findings.assign(std::make_move_iterator(warnings.begin()),
                         std::make_move_iterator(firstOther));
  layout.Findings.insert(layout.Findings.end(), std::make_move_iterator(errors.begin()),
                         std::make_move_iterator(errors.end()));
  layout.Findings.insert(layout.Findings.end(), std::make_move_iterator(firstOther),
                         std::make_move_iterator(warnings.end()));
  layout.Findings.insert(layout.Findings.end(), std::make_move_iterator(notes.begin()),
                         std::make_move_iterator(notes.end()));
  return layout;
}

}  // namespace kananet
