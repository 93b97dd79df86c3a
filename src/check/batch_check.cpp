#include <algorithm>
#include <atomic>
#include <exception>
#include <map>
#include <utility>

#include "analysis/entry_counts.h"
#include "check/layout_check.h"
#include "output/network_writer.h"
#include "platform/directory.h"
#include "platform/parallel.h"
#include "readers/sample_text.h"

namespace kananet {

namespace {

// What keeps a file from being read, as a finding; none when it was read.
bool FindReadFailure(const ReadResult& read, bool utf16, std::vector<Finding>& findings) {
  Finding item;
  if (read.Outcome != ReadOutcome::kOk) {
    item.Kind = FindingKind::kCannotRead;
    item.Value = read.Error;
  } else if (utf16) {
    item.Kind = FindingKind::kUtf16;
  } else {
    return false;
  }
  findings.push_back(std::move(item));
  return true;
}

// Fills in the text line of every undefined kana's first place, from the text's line ends.
void LocateUndefinedKana(BatchCheck& batch) {
  for (LayoutCheck& layout : batch.Layouts) {
    for (Finding& item : layout.Findings) {
      if (item.Kind == FindingKind::kUndefinedKana) {
        item.TextLine = batch.Text.Sample.LineOf(item.StreamPosition);
      }
    }
  }
}

// Checks every layout that was read, on up to jobs threads; a layout's result lands in its own
// place, so the order stays the batch's. A text long enough for a part per thread is walked on
// every thread, one layout after another, as the batch counts it: layouts of unequal cost then
// keep every thread busy to the end. Otherwise each thread takes the next layout not yet taken
// and walks the text whole.
void CheckReadLayouts(const std::string* textCodes, std::vector<LayoutFile>& files,
                      std::vector<LayoutCheck>& layouts, unsigned jobs, bool keepLayouts) {
  jobs = std::max(jobs, 1u);
  const bool splitText = textCodes != nullptr && textCodes->size() / jobs >= kMinBytesPerThread;
  const std::size_t threads = splitText ? 1 : std::min<std::size_t>(jobs, layouts.size());
  const LayoutChecker checker(textCodes, keepLayouts, splitText ? jobs : 1);
  std::atomic<std::size_t> next = 0;
  std::vector<std::exception_ptr> failures(threads);
  RunParts(threads, [&](std::size_t thread) {
    try {
      for (std::size_t i = next++; i < layouts.size(); i = next++) {
        if (layouts[i].Read) {
          layouts[i] = checker.Check(layouts[i].Name, files[i].Definition);
          if (!keepLayouts) {
            files[i] = LayoutFile();
          }
        }
      }
    } catch (...) {
      failures[thread] = std::current_exception();  // such as running out of memory
      next = layouts.size();
    }
  });
  for (const std::exception_ptr& failure : failures) {
    if (failure) {
      std::rethrow_exception(failure);
    }
  }
}

}  // namespace

TextCheck ReadTextForCheck(const std::string& path, unsigned jobs) {
  TextCheck text;
  text.Path = path;
  SampleTextFile file = ReadSampleTextFile(path, jobs, true);
  text.Read = !FindReadFailure(file.Read, file.Utf16, text.Findings);
  text.Sample = std::move(file.Text);
  if (text.Read) {
    CheckTextHasKana(text.Sample, text.Findings);
  }
  return text;
}

void CheckTextHasKana(const SampleText& text, std::vector<Finding>& findings) {
  if (text.KanaStream.size() <= kClosingZu) {
    Finding item;
    item.Kind = FindingKind::kTextWithoutKana;
    item.Count = text.FileBytes;
    findings.push_back(std::move(item));
  }
}

BatchCheck CheckBatch(const std::string& sampleTextPath, const std::string& layoutDirectory,
                      unsigned jobs, bool keepLayouts) {
  BatchCheck batch;
  batch.LayoutDirectory = layoutDirectory;
  batch.Text = ReadTextForCheck(sampleTextPath, jobs);
  LayoutFileSearch search = FindLayoutFiles(layoutDirectory);
  batch.SearchError = search.ErrorCode;
  if (search.ErrorCode != 0) {
    return batch;
  }
  // Layout files are small beside the text: read them all first, then check them side by side.
  std::vector<LayoutFile> files(search.Names.size());
  batch.Layouts.resize(search.Names.size());
  for (std::size_t i = 0; i < search.Names.size(); ++i) {
    LayoutCheck& layout = batch.Layouts[i];
    layout.Name = search.Names[i];
    layout.ResultName = OutputNameOf(layout.Name);
    files[i] = ReadLayoutFile(layoutDirectory + layout.Name);
    layout.Read = !FindReadFailure(files[i].Read, files[i].Utf16, layout.Findings);
  }
  CheckReadLayouts(batch.Text.Read ? &batch.Text.Sample.KanaStream : nullptr, files, batch.Layouts,
                   jobs, keepLayouts);
  if (keepLayouts) {
    for (LayoutFile& file : files) {
      batch.Definitions.push_back(std::move(file.Definition));
    }
  }
  std::map<std::string, std::string> writers;  // result file -> the first layout writing it
  for (LayoutCheck& layout : batch.Layouts) {
    if (!layout.Read) {
      continue;
    }
    auto [writer, first] = writers.emplace(layout.ResultName, layout.Name);
    if (!first) {
      Finding item;
      item.Kind = FindingKind::kSameResultFile;
      item.Text = layout.ResultName;
      item.OtherName = writer->second;
      layout.Findings.insert(layout.Findings.begin(), std::move(item));
    }
  }
  if (batch.Text.Read) {
    LocateUndefinedKana(batch);
  }
  return batch;
}

}  // namespace kananet
