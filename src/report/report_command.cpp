#include "report/report_command.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <new>
#include <optional>
#include <string_view>

#include "platform/directory.h"
#include "platform/files.h"
#include "platform/names.h"
#include "report/exports.h"
#include "report/html_report.h"
#include "report/kana_text.h"
#include "report/layout_details.h"
#include "report/layout_figures.h"
#include "report/network_file.h"

namespace kananet::report {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kProgram = "kananet-report";
constexpr std::string_view kNetworkEnding = ".net";

constexpr std::string_view kUsage =
    "Usage: kananet-report [DIR] [-o FILE] [--baseline NAME] [--csv FILE] [--json FILE]\n"
    "Reads every network file (*.net) of a batch, sorted by name, and writes one\n"
    "self-contained HTML page that compares the layouts and draws each as a keyboard.\n"
    "When kanasample.txt and layout/ lie beside the network files, the page also shows\n"
    "the sample text, each layout's header as understood and check findings, and the\n"
    "figures that need the order of the strokes.\n"
    "\n"
    "  DIR              the working directory (holding result/) or the result directory\n"
    "                   itself (default: result)\n"
    "  -o FILE          write the page to FILE (default: RESULT_DIR/report.html)\n"
    "  --baseline NAME  show every other layout as differences from layout NAME\n"
    "  --csv FILE       also write every figure and count as CSV (UTF-8)\n"
    "  --json FILE      also write them as JSON (UTF-8, \"version\": 1)\n"
    "  -h, --help       show this help and exit\n";

struct Options {
  std::string ResultDirectory = "result";
  std::optional<std::string> Output;
  std::optional<std::string> Baseline;
  std::optional<std::string> Csv;
  std::optional<std::string> Json;
  bool Help = false;
};

// Nothing when the arguments are fine, else the complaint.
std::optional<std::string> ReadOptions(const std::vector<std::string>& arguments,
                                       Options& options) {
  bool directoryGiven = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "-h" || argument == "--help") {
      options.Help = true;
    } else if (argument == "-o" || argument == "--baseline" || argument == "--csv" ||
               argument == "--json") {
      if (i + 1 == arguments.size()) {
        return argument +
               (argument == "--baseline" ? " needs a layout name" : " needs a file name");
      }
      std::optional<std::string>& value = argument == "-o"           ? options.Output
                                          : argument == "--baseline" ? options.Baseline
                                          : argument == "--csv"      ? options.Csv
                                                                     : options.Json;
      value = arguments[++i];
    } else if (argument.size() > 1 && argument[0] == '-') {
      return "unknown option " + argument;
    } else if (directoryGiven) {
      return "only one result directory can be given";
    } else {
      options.ResultDirectory = argument;
      directoryGiven = true;
    }
  }
  return std::nullopt;
}

std::string LayoutName(const std::string& fileName) {
  const std::string stem = fileName.substr(0, fileName.size() - kNetworkEnding.size());
  return stem.empty() ? fileName : stem;
}

int Report(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  Options options;
  if (const std::optional<std::string> complaint = ReadOptions(arguments, options)) {
    err << kProgram << ": " << *complaint << "\n" << kUsage;
    return 2;
  }
  if (options.Help) {
    out << kUsage;
    return 0;
  }

  std::string results;
  const std::string working = WorkingDirectoryOf(options.ResultDirectory, results);
  const fs::path directory = results;
  std::vector<std::string> fileNames;
  std::error_code error;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.ends_with(kNetworkEnding)) {
      fileNames.push_back(name);
    }
  }
  if (error) {
    err << kProgram << ": cannot read the directory " << directory.string() << ": "
        << error.message() << "\n";
    return 1;
  }
  if (fileNames.empty()) {
    err << kProgram << ": no network files (*.net) in " << directory.string()
        << "; run kananet first\n";
    return 1;
  }
  // The order kananet evaluates the layouts in: letters compared without case.
  std::sort(fileNames.begin(), fileNames.end(), LayoutNameLess);

  std::vector<ReportEntry> entries;
  std::vector<ReportFailure> failures;
  std::vector<std::string> shownFiles;  // the names on disk of the entries
  for (const std::string& name : fileNames) {
    const std::string path = (directory / name).string();
    std::string content;
    const ReadResult read = ReadWholeFile(path, content);
    if (read.Outcome != ReadOutcome::kOk) {
      // A directory, a FIFO or a link that leads nowhere is named, not passed over.
      const std::string why =
          read.Outcome == ReadOutcome::kCannotOpen && (read.Error == EISDIR || read.Error == EINVAL)
              ? "not a regular file"
              : "cannot read the file: " + std::string(std::strerror(read.Error));
      err << kProgram << ": " << EscapeControlBytes(path) << ": " << why << "\n";
      failures.push_back({DisplayName(path), why});
      continue;
    }
    try {
      entries.push_back({DisplayName(LayoutName(name)), DisplayName(name), ParseNetwork(content)});
      shownFiles.push_back(name);
    } catch (const NetworkFormatError& e) {
      const std::string location = path + ":" + std::to_string(e.Line());
      err << kProgram << ": " << location << ": " << e.what() << "\n";
      failures.push_back({DisplayName(location), DisplayName(e.what())});
    }
  }

  PageContext context;
  if (options.Baseline) {
    const auto named = std::find_if(entries.begin(), entries.end(), [&](const ReportEntry& entry) {
      return entry.Name == DisplayName(*options.Baseline);
    });
    if (named == entries.end()) {
      err << kProgram << ": --baseline " << *options.Baseline << ": no such layout among";
      for (const ReportEntry& entry : entries) {
        err << " " << entry.Name;
      }
      err << "\n";
      return 2;
    }
    context.Baseline = static_cast<std::size_t>(named - entries.begin());
  }
  WorkingDirectory workingDirectory;
  if (!working.empty()) {
    workingDirectory = ReadWorkingDirectory(working);
    context.Working = &workingDirectory;
    for (const std::string& name : shownFiles) {
      const auto found = workingDirectory.Layouts.find(name);
      context.Details.push_back(found == workingDirectory.Layouts.end() ? nullptr : &found->second);
    }
  }

  const std::string source = DisplayName(directory.string());
  const fs::path output = options.Output ? fs::path(*options.Output) : directory / "report.html";
  const std::vector<LayoutView> views = ViewPage(entries, context);
  const ExportInput exportInput{source, context.Working, &views, context.Baseline};
  // Each replaced whole, as kananet replaces its network files: a failed write leaves the old.
  const std::pair<std::optional<std::string>, std::string> writes[] = {
      {output.string(), RenderReport(source, entries, failures, context)},
      {options.Csv, options.Csv ? ExportCsv(exportInput) : ""},
      {options.Json, options.Json ? ExportJson(exportInput) : ""},
  };
  for (const auto& [path, contents] : writes) {
    if (path) {
      if (int error = ReplaceFile(*path, contents)) {
        err << kProgram << ": cannot write " << EscapeControlBytes(*path) << ": "
            << std::strerror(error) << "\n";
        return 1;
      }
    }
  }
  std::size_t stale = 0;
  for (const LayoutView& view : views) {
    if (view.Stale) {
      ++stale;
      err << kProgram << ": warning: " << directory.string() << "/" << view.Entry->FileName
          << " does not hold the counts of kanasample.txt and layout/" << view.Details->LayoutFile
          << " as they are now: run kananet again\n";
    }
  }
  out << kProgram << ": wrote " << output.string() << " (" << entries.size()
      << (entries.size() == 1 ? " layout" : " layouts");
  if (!failures.empty()) {
    out << "; " << failures.size() << (failures.size() == 1 ? " file" : " files")
        << " could not be shown";
  }
  if (stale > 0) {
    out << "; " << stale << " stale";
  }
  out << ")\n";
  return failures.empty() && stale == 0 ? 0 : 1;
}

}  // namespace

int RunReport(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  try {
    return Report(arguments, out, err);
  } catch (const std::bad_alloc&) {
    err << kProgram
        << ": out of memory: the sample text or a layout file is too large for this "
           "machine\n";
    return 1;
  }
}

}  // namespace kananet::report
