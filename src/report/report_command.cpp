#include "report/report_command.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <limits>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>

#include "analysis/figures.h"
#include "cost/search_file.h"
#include "platform/console_text.h"
#include "platform/directory.h"
#include "platform/files.h"
#include "platform/names.h"
#include "report/exports.h"
#include "report/graphml.h"
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
// A page of a hundred layouts with every keyboard is tens of megabytes and slow to show.
constexpr std::size_t kDefaultKeyboards = 10;
constexpr std::string_view kSortByCost = "cost";

constexpr std::string_view kUsage =
    "Usage: kananet-report [DIR] [-o FILE] [--baseline NAME] [--csv FILE] [--json FILE]\n"
    "                      [--graphml DIR] [--cost SEARCH.toml] [--sort ID]\n"
    "                      [--keyboards K|all]\n"
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
    "                   (letter case aside)\n"
    "  --csv FILE       also write every figure and count as CSV (UTF-8)\n"
    "  --json FILE      also write them as JSON (UTF-8, \"version\": 1)\n"
    "  --graphml DIR    also write each layout's network as DIR/NAME.graphml (UTF-8)\n"
    "  --cost FILE      add each layout's cost under the search file FILE, as\n"
    "                   kananet-search scores it, with its weighted terms, and rank the\n"
    "                   layouts by it, lowest first\n"
    "  --sort ID        order the layouts by figure ID (e.g. same_finger), best first, or\n"
    "                   by cost (with --cost) (default: file order, or cost with --cost)\n"
    "  --keyboards K    draw the keyboards of the baseline and the first K layouts only\n"
    "                   (default 10; all: every one); the tables keep every layout\n"
    "  -h, --help       show this help and exit\n"
    "      --version    show the version and exit\n";

struct Options {
  std::string ResultDirectory = "result";
  std::optional<std::string> Output;
  std::optional<std::string> Baseline;
  std::optional<std::string> Csv;
  std::optional<std::string> Json;
  std::optional<std::string> Graphml;
  std::optional<std::string> Sort;
  std::optional<std::string> Cost;
  std::optional<std::string> Keyboards;
  bool Help = false;
  bool Version = false;
};

// Nothing when the arguments are fine, else the complaint.
std::optional<std::string> ReadOptions(const std::vector<std::string>& arguments,
                                       Options& options) {
  bool directoryGiven = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const std::pair<std::string_view, std::optional<std::string>*> valued[] = {
        {"-o", &options.Output},   {"--baseline", &options.Baseline},   {"--csv", &options.Csv},
        {"--json", &options.Json}, {"--graphml", &options.Graphml},     {"--sort", &options.Sort},
        {"--cost", &options.Cost}, {"--keyboards", &options.Keyboards},
    };
    const auto option = std::find_if(std::begin(valued), std::end(valued),
                                     [&](const auto& item) { return item.first == argument; });
    if (argument == "-h" || argument == "--help") {
      options.Help = true;
    } else if (argument == "--version") {
      options.Version = true;
    } else if (option != std::end(valued)) {
      if (i + 1 == arguments.size()) {
        return argument +
               (argument == "--baseline" ? " needs a layout name"
                : argument == "--sort"   ? " needs a figure id"
                : argument == "--keyboards"
                    ? " needs a number or all"
                    : (argument == "--graphml" ? " needs a directory" : " needs a file name"));
      }
      *option->second = arguments[++i];
    } else if (argument.size() > 1 && argument[0] == '-') {
      return UnknownOption(argument);
    } else if (directoryGiven) {
      return "only one result directory can be given";
    } else {
      options.ResultDirectory = argument;
      directoryGiven = true;
    }
  }
  if (options.Keyboards && *options.Keyboards != "all" &&
      (options.Keyboards->empty() ||
       options.Keyboards->find_first_not_of("0123456789") != std::string::npos ||
       options.Keyboards->size() > 9)) {
    return "--keyboards takes a number or all, not " + *options.Keyboards;
  }
  return std::nullopt;
}

std::string LayoutName(const std::string& fileName) {
  const std::string stem = fileName.substr(0, fileName.size() - kNetworkEnding.size());
  return stem.empty() ? fileName : stem;
}

// The entry named name: the one of that exact name, else the only one equal to it with ASCII
// letters compared without case, as layout names are compared everywhere else.
std::optional<std::size_t> FindLayout(const std::vector<ReportEntry>& entries,
                                      const std::string& name) {
  const auto lower = [](std::string text) {
    for (char& c : text) {
      c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return text;
  };
  std::optional<std::size_t> found;
  std::size_t alike = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].Name == name) {
      return i;
    }
    if (lower(entries[i].Name) == lower(name)) {
      found = i;
      ++alike;
    }
  }
  return alike == 1 ? found : std::nullopt;
}

// The order of the layouts by the figure with this id, best first (the value it is judged on:
// per 100 kana, or the share for a share that is better higher; without a direction, lowest
// first), or by "cost", lowest first; unknown values last, ties in file order.
std::vector<std::size_t> SortedOrder(const std::vector<LayoutView>& views, const std::string& id) {
  std::vector<std::size_t> order(views.size());
  std::vector<std::optional<double>> values;
  for (std::size_t i = 0; i < views.size(); ++i) {
    order[i] = i;
    if (id == kSortByCost) {
      values.push_back(views[i].Cost ? std::optional(views[i].Cost->Total) : std::nullopt);
      continue;
    }
    const Figure* figure = FindFigure(views[i], id);
    if (!figure || !figure->Known) {
      values.emplace_back();
      continue;
    }
    const bool higher = figure->Preferred == Better::kHigher;
    const double value = higher && figure->IsShare ? figure->Percent
                         : figure->PerKanaKnown    ? figure->PerHundredKana
                         : figure->IsShare         ? figure->Percent
                                                   : static_cast<double>(figure->Tally.Value);
    values.emplace_back(higher ? -value : value);
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    if (!values[a] || !values[b]) {
      return values[a].has_value() && !values[b].has_value();
    }
    return *values[a] < *values[b];
  });
  return order;
}

// Each layout whose counts over the text could wrap is named among the files not shown with the
// check's error, and its network file, if an earlier run left one, is not shown: its figures are
// unknown rather than wrapped. The baseline, when it is such a layout, is dropped too.
void SetAsideCountsPastLimit(const WorkingDirectory& working, std::vector<ReportEntry>& entries,
                             std::vector<std::string>& shownFiles, PageContext& context,
                             std::vector<ReportFailure>& failures, std::ostream& err) {
  for (const auto& [file, details] : working.Layouts) {
    if (const std::optional<CheckLine>& line = details.CountsPastLimit) {
      err << kProgram << ": " << line->Location << ": " << line->Severity << ": " << line->Message
          << "\n";
      failures.push_back({line->Location, line->Severity + ": " + line->Message});
    }
  }
  std::optional<std::size_t> baseline;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (context.Details[i] != nullptr && context.Details[i]->CountsPastLimit) {
      continue;
    }
    baseline = context.Baseline == i ? std::optional<std::size_t>(kept) : baseline;
    if (kept != i) {
      entries[kept] = std::move(entries[i]);
      shownFiles[kept] = std::move(shownFiles[i]);
      context.Details[kept] = context.Details[i];
    }
    ++kept;
  }
  entries.resize(kept);
  shownFiles.resize(kept);
  context.Details.resize(kept);
  context.Baseline = baseline;
}

template <typename T>
std::vector<T> Permuted(std::vector<T> items, const std::vector<std::size_t>& order) {
  std::vector<T> permuted;
  for (const std::size_t i : order) {
    permuted.push_back(std::move(items[i]));
  }
  return permuted;
}

// The names of the network files in the directory.
std::vector<std::string> NetworkFileNames(const fs::path& directory, std::error_code& error) {
  std::vector<std::string> names;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.ends_with(kNetworkEnding)) {
      names.push_back(name);
    }
  }
  return names;
}

// What to run instead when the result directory is not there: in the working directory, or, run
// in the result directory itself, on that.
std::string MissingDirectoryHint(const fs::path& directory) {
  const fs::path above = directory.has_parent_path() ? directory.parent_path() : fs::path(".");
  std::error_code error;
  if (!NetworkFileNames(above, error).empty()) {
    return std::string(kProgram) + ": " + above.string() +
           " holds network files itself: kananet-report " + above.string() + "\n";
  }
  return std::string(kProgram) +
         ": run it in a working directory, which holds kanasample.txt, layout/ with the layouts "
         "and result/ with kananet's network files, or name one: kananet-report DIR\n";
}

int Report(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
           bool terminal) {
  Options options;
  if (const std::optional<std::string> complaint = ReadOptions(arguments, options)) {
    err << UsageErrorText(kProgram, *complaint).In(ConsoleCharset::kUtf8);
    return 2;
  }
  if (options.Help) {
    out << kUsage;
    return 0;
  }
  if (options.Version) {
    out << kProgram << " " << KANANET_VERSION << "\n";
    return 0;
  }
  if (options.Sort && *options.Sort == kSortByCost && !options.Cost) {
    err << kProgram << ": --sort cost needs --cost SEARCH.toml\n";
    return 2;
  }
  if (options.Sort && *options.Sort != kSortByCost && !FigureOfName(*options.Sort)) {
    err << kProgram << ": --sort " << *options.Sort << ": no such figure; the ids are";
    for (int figure = 0; figure < kFigureCount; ++figure) {
      err << " " << FigureIdName(figure);
    }
    err << " (and cost, with --cost)\n";
    return 2;
  }
  SearchSettings costSettings;
  if (options.Cost) {
    if (const std::optional<std::string> mistake =
            LoadSearchFile(*options.Cost, kProgram, costSettings)) {
      err << *mistake;
      return 2;
    }
    options.Sort = options.Sort.value_or(std::string(kSortByCost));
  }

  std::string results;
  const std::string working = WorkingDirectoryOf(options.ResultDirectory, results);
  const fs::path directory = results;
  std::error_code error;
  std::vector<std::string> fileNames = NetworkFileNames(directory, error);
  if (error) {
    err << kProgram << ": cannot read the directory " << directory.string() << " (looked in "
        << fs::absolute(directory).lexically_normal().string() << "): " << error.message() << "\n";
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory) {
      err << MissingDirectoryHint(directory);
    }
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
      const std::string why = "cannot read the file: " + ReadFailureReason(read.Error);
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
    context.Baseline = FindLayout(entries, DisplayName(*options.Baseline));
    if (!context.Baseline) {
      err << kProgram << ": --baseline " << *options.Baseline << ": no such layout among";
      for (const ReportEntry& entry : entries) {
        err << " " << entry.Name;
      }
      err << "\n";
      return 2;
    }
  }
  context.Keyboards = !options.Keyboards            ? kDefaultKeyboards
                      : *options.Keyboards == "all" ? std::numeric_limits<std::size_t>::max()
                                                    : std::stoul(*options.Keyboards);
  if (options.Cost) {
    context.Cost = &costSettings;
    context.CostFile = DisplayName(*options.Cost);
  }
  WorkingDirectory workingDirectory;
  if (!working.empty()) {
    // One line, redrawn in place and cleared afterwards, only where a person watches.
    const auto progress = [&](const std::string& step) {
      err << "\r" << kProgram << ": " << step << "\x1b[K" << std::flush;
    };
    workingDirectory = ReadWorkingDirectory(
        working, terminal ? progress : std::function<void(const std::string&)>());
    if (terminal) {
      err << "\r\x1b[K" << std::flush;
    }
    context.Working = &workingDirectory;
    for (const CheckLine& line : workingDirectory.Text.Findings) {
      err << kProgram << ": " << line.Location << ": " << line.Severity << ": " << line.Message
          << "\n";
    }
    for (const std::string& name : shownFiles) {
      const auto found = workingDirectory.Layouts.find(name);
      context.Details.push_back(found == workingDirectory.Layouts.end() ? nullptr : &found->second);
    }
    SetAsideCountsPastLimit(workingDirectory, entries, shownFiles, context, failures, err);
  }
  if (options.Sort) {
    const std::vector<std::size_t> order = SortedOrder(ViewPage(entries, context), *options.Sort);
    entries = Permuted(std::move(entries), order);
    shownFiles = Permuted(std::move(shownFiles), order);
    if (!context.Details.empty()) {
      context.Details = Permuted(std::move(context.Details), order);
    }
    if (context.Baseline) {
      context.Baseline = static_cast<std::size_t>(
          std::find(order.begin(), order.end(), *context.Baseline) - order.begin());
    }
  }

  const std::string source = DisplayName(directory.string());
  const fs::path output = options.Output ? fs::path(*options.Output) : directory / "report.html";
  const std::vector<LayoutView> views = ViewPage(entries, context);
  const ExportInput exportInput{source,           context.Working, &views,
                                context.Baseline, context.Cost,    context.CostFile};
  // Each replaced whole, as kananet replaces its network files: a failed write leaves the old.
  std::vector<std::pair<std::optional<std::string>, std::string>> writes = {
      {output.string(), RenderReport(source, entries, failures, context)},
      {options.Csv, options.Csv ? ExportCsv(exportInput) : ""},
      {options.Json, options.Json ? ExportJson(exportInput) : ""},
  };
  if (options.Graphml) {
    std::error_code made;
    fs::create_directories(*options.Graphml, made);
    for (std::size_t i = 0; i < views.size(); ++i) {
      writes.emplace_back(
          (fs::path(*options.Graphml) / (LayoutName(shownFiles[i]) + ".graphml")).string(),
          LayoutGraphml(views[i]));
    }
  }
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
          << " as they are now: " << StaleAdvice(view) << "\n";
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

int RunReport(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
              bool terminal) {
  try {
    return Report(arguments, out, err, terminal);
  } catch (const std::bad_alloc&) {
    err << kProgram
        << ": out of memory: the sample text or a layout file is too large for this "
           "machine\n";
    return 1;
  }
}

}  // namespace kananet::report
