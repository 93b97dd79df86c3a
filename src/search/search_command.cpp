#include "search/search_command.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <thread>

#include "analysis/entry_matcher.h"
#include "analysis/figures.h"
#include "analysis/piece_counts.h"
#include "check/finding_text.h"
#include "check/layout_check.h"
#include "codes/keyboard.h"
#include "codes/number_format.h"
#include "codes/text_encoding.h"
#include "cost/layout_cost.h"
#include "cost/search_file.h"
#include "platform/console.h"
#include "platform/console_text.h"
#include "platform/files.h"
#include "platform/names.h"
#include "platform/parallel.h"
#include "platform/stop_signals.h"
#include "readers/layout.h"
#include "readers/sample_text.h"
#include "search/action_stream.h"
#include "search/found_layout.h"
#include "search/key_search.h"
#include "search/layout_search.h"
#include "search/text_counts.h"
#include "search/unit_gaps.h"

namespace kananet::search {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::string_view kProgram = "kananet-search";
constexpr std::uint64_t kDefaultRounds = 100;
// The longest --time, some 31 years: the clock's deadline overflowed past about 292.
constexpr std::uint64_t kLongestSeconds = 1'000'000'000;
constexpr int kInternalError = 70;
// --verify counts the text again for one in so many layouts the rounds move to: the annealing
// moves to many, and each is scored again from the counts anyway.
constexpr std::uint64_t kVerified = 64;

constexpr std::string_view kUsage =
    "Usage: kananet-search layout/START.txt [-c SEARCH.toml] [--seed N]\n"
    "                      [--time SECONDS | --rounds N] [--jobs N] [-o DIR] [--top K]\n"
    "Searches for layouts that type the sample text (kanasample.txt) at a lower cost than\n"
    "START by giving its keys and kana new places, scored exactly as kananet and\n"
    "kananet-report count them. Run it in the working directory. Writes the best layouts as\n"
    "layout files.\n"
    "\n"
    "  -c FILE        the search file (TOML): free and pinned keys and kana, the kinds of\n"
    "                 move, and the weight of each figure (default: the weights of\n"
    "                 examples/search.toml)\n"
    "  --seed N       where the random starts come from (default: 1)\n"
    "  --rounds N     search N rounds, each from its own start (default: 100); the same seed\n"
    "                 and rounds give the same files on any machine and with any --jobs\n"
    "  --time SECONDS search for this long instead, or with --rounds, at most this long\n"
    "  --jobs N       rounds searched side by side (default: every usable core)\n"
    "  -o DIR         write the layouts to DIR (default: found), as START-1.txt and on\n"
    "  --top K        how many different layouts to write (default: 5)\n"
    "  --verify       score every layout the search moves to again from its counts, and\n"
    "                 count the text again for one in 64 of them and each round's end; stop\n"
    "                 with an internal error on any difference\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Exit status: 0 when the layouts were written; 1 when the sample text or START cannot be\n"
    "read or has kananet --check errors, or a file cannot be written; 2 for a wrong command\n"
    "line or search file (FILE:LINE: error: ...); 130 when interrupted (Ctrl-C; 143 for SIGTERM,\n"
    "129 for SIGHUP), after the best layouts so far have been written; 70 for an internal\n"
    "error.\n";

struct Options {
  std::string Start;
  std::optional<std::string> SearchFile;
  std::uint64_t Seed = 1;
  std::optional<double> Seconds;
  std::optional<std::uint64_t> Rounds;
  unsigned Jobs = 0;
  std::string Output = "found";
  std::size_t Top = 5;
  bool Verify = false;
  bool Help = false;
  bool Version = false;
};

// The signal that asked the run to end, 0 while none has: the search stops at its next step
// and writes the best layouts so far, and a signal while they are written waits for them.
std::atomic<int> StopSignal{0};

void OnStopSignal(int signal) {
  StopSignal.store(signal);
}

std::optional<std::uint64_t> NumberOf(const std::string& text) {
  if (text.empty() || text.size() > 18 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return std::stoull(text);
}

// Nothing when the arguments are fine, else the complaint.
std::optional<std::string> ReadOptions(const std::vector<std::string>& arguments,
                                       Options& options) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "-h" || argument == "--help") {
      options.Help = true;
    } else if (argument == "--version") {
      options.Version = true;
    } else if (argument == "--verify") {
      options.Verify = true;
    } else if (argument == "-c" || argument == "--seed" || argument == "--time" ||
               argument == "--rounds" || argument == "--jobs" || argument == "-o" ||
               argument == "--top") {
      if (i + 1 == arguments.size()) {
        return argument + " needs a value";
      }
      const std::string& value = arguments[++i];
      const std::optional<std::uint64_t> number = NumberOf(value);
      if (argument == "-c") {
        options.SearchFile = value;
      } else if (argument == "-o") {
        if (value.empty()) {
          return "-o needs a folder name";
        }
        options.Output = value;
      } else if (argument == "--time" && (!number || *number == 0 || *number > kLongestSeconds)) {
        return "--time needs a whole number of seconds from 1 to " + Grouped(kLongestSeconds) +
               ", not " + value;
      } else if (!number || (argument != "--seed" && *number == 0) ||
                 (argument == "--jobs" && *number > 1024)) {
        return argument + " needs a whole number" + (argument == "--seed" ? "" : " above 0") +
               ", not " + value;
      } else if (argument == "--seed") {
        options.Seed = *number;
      } else if (argument == "--time") {
        options.Seconds = static_cast<double>(*number);
      } else if (argument == "--rounds") {
        options.Rounds = *number;
      } else if (argument == "--jobs") {
        options.Jobs = static_cast<unsigned>(*number);
      } else {
        options.Top = static_cast<std::size_t>(*number);
      }
    } else if (argument.starts_with("-") && argument.size() > 1) {
      return UnknownOption(argument);
    } else if (!options.Start.empty()) {
      return "one starting layout only, not also " + argument;
    } else {
      options.Start = argument;
    }
  }
  if (options.Start.empty() && !options.Help && !options.Version) {
    return "the starting layout file is missing";
  }
  return std::nullopt;
}

// A line of the search's own on stderr. Its text is UTF-8 and may hold file names (the start's,
// the output folder's) and what the search file holds: it is shown as a name is, control bytes
// escaped, so that none can move the cursor or forge a line.
void SayLine(std::string_view line) {
  WriteErr(ConsoleText().Name(line).Text("\n"));
}

void Say(std::string_view message) {
  SayLine(std::string(kProgram) + ": " + std::string(message));
}

struct InternalError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The best layouts of different figures found so far, lowest cost first; ties go to the lower
// places, so that the list depends only on the rounds searched, not on their order.
class BestLayouts {
 public:
  explicit BestLayouts(std::size_t size) : size_(size) {}

  void Add(const RoundResult& found) {
    const std::lock_guard lock(mutex_);
    const auto before = [](const RoundResult& a, const RoundResult& b) {
      return a.Cost != b.Cost ? a.Cost < b.Cost : a.At < b.At;
    };
    // Layouts of equal figures differ only in keys of one finger and row, or in keys the text
    // never strikes: one of them is kept, the one of lower places.
    for (auto kept = list_.begin(); kept != list_.end(); ++kept) {
      if (kept->Figures == found.Figures) {
        if (found.At >= kept->At) {
          return;
        }
        list_.erase(kept);
        break;
      }
    }
    list_.insert(std::lower_bound(list_.begin(), list_.end(), found, before), found);
    if (list_.size() > size_) {
      list_.pop_back();
    }
  }
  std::vector<RoundResult> List() const {
    const std::lock_guard lock(mutex_);
    return list_;
  }
  std::optional<double> Best() const {
    const std::lock_guard lock(mutex_);
    return list_.empty() ? std::nullopt : std::optional(list_.front().Cost);
  }

 private:
  std::size_t size_;
  mutable std::mutex mutex_;
  std::vector<RoundResult> list_;
};

// places with the keys the text never strikes put back where they were wherever they can be,
// so that two arrangements of the same layout are one, with the fewest exchanges from the start.
Places Settled(const Places& places, const std::array<bool, 64>& used) {
  Places settled{};
  std::array<bool, 64> taken{};
  for (std::size_t key = 0; key < 64; ++key) {
    if (used[key]) {
      settled[key] = places[key];
      taken[places[key]] = true;
    }
  }
  std::vector<std::size_t> waiting;
  for (std::size_t key = 0; key < 64; ++key) {
    if (!used[key]) {
      if (!taken[key]) {
        settled[key] = static_cast<std::uint8_t>(key);
        taken[key] = true;
      } else {
        waiting.push_back(key);
      }
    }
  }
  std::size_t next = 0;
  for (const std::size_t key : waiting) {
    while (taken[next]) {
      ++next;
    }
    settled[key] = static_cast<std::uint8_t>(next);
    taken[next] = true;
  }
  return settled;
}

// Throws when a figure the search scores (every figure, without keys) differs from the text's
// count.
void RequireSame(const KeyProblem* keys, const FigureCounts& scored, const FigureCounts& counted,
                 std::string_view what) {
  for (int figure = 0; figure < kFigureCount; ++figure) {
    const auto at = static_cast<std::size_t>(figure);
    if ((keys == nullptr || keys->Scores(figure)) && scored[at] != counted[at]) {
      throw InternalError(std::string(what) + ": " + std::string(FigureIdName(figure)) +
                          " scored " + std::to_string(scored[at]) + " but counted " +
                          std::to_string(counted[at]));
    }
  }
}

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Cell(std::string text, std::size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

// On a terminal, the line is drawn again in place; elsewhere (a log of a batch system) it goes
// out as a line of its own once a minute, so that a long round shows that it is under way.
class ProgressLine {
 public:
  ProgressLine() : shown_(isatty(STDERR_FILENO) != 0), logged_(Clock::now()) {}
  void Show(const std::string& line) {
    if (shown_) {
      WriteErr("\r" + line + "\033[K");
      drawn_ = true;
    } else if (Clock::now() - logged_ >= std::chrono::minutes(1)) {
      logged_ = Clock::now();
      Say(line);
    }
  }
  void Finish() {
    if (drawn_) {
      WriteErr("\r\033[K");
    }
  }

 private:
  bool shown_;
  bool drawn_ = false;
  Clock::time_point logged_;
};

struct Problem {
  std::string StartBytes;
  LayoutHeaderValues Header;
  std::vector<LayoutEntry> Table = std::vector<LayoutEntry>(kLayoutTableSlots);
  std::size_t Slots = 0;
  std::string KanaCodes;
  std::uint64_t Kana = 0;
};

// Reads the sample text and the starting layout and refuses a start with check errors.
// Returns the exit status to end with, or nothing to go on.
std::optional<int> ReadProblem(const Options& options, unsigned jobs, Problem& problem) {
  TextCheck text = ReadTextForCheck(kSampleTextPath, jobs);
  LayoutFile start = ReadLayoutFile(options.Start, true);
  if (start.Read.Outcome != ReadOutcome::kOk) {
    Say("cannot read " + options.Start + ": " + ReadFailureReason(start.Read.Error));
    return 1;
  }
  // The text's findings are why it could not be read (missing, unreadable, UTF-16).
  bool missing = false;
  for (const Finding& item : text.Findings) {
    if (SeverityOf(item.Kind) == Severity::kError) {
      WriteErr(FindingLine(kSampleTextPath, item));
      missing = missing || (item.Kind == FindingKind::kCannotRead && item.Value == ENOENT);
    }
  }
  if (!text.Read) {
    Say("the sample text " + std::string(kSampleTextPath) + " cannot be read" +
        (missing ? "; run kananet-search in the working directory that holds it" : ""));
    return 1;
  }
  if (start.Utf16) {
    Say(options.Start + ": the file is UTF-16; save it as UTF-8 or Shift_JIS");
    return 1;
  }
  LayoutChecker checker(&text.Sample.KanaStream);
  LayoutDefinition& definition = start.Definition;
  const LayoutCheck check = checker.Check(fs::path(options.Start).filename().string(), definition);
  bool errors = false;
  for (const Finding& item : check.Findings) {
    if (SeverityOf(item.Kind) == Severity::kError) {
      WriteErr(ConsoleText().Name(options.Start).Text(FindingLine("", item)));
      errors = true;
    }
  }
  if (errors) {
    Say("the start has kananet --check errors; mend them first");
    return 1;
  }
  // A longer entry would wrap the features of its unit (the check's bound on the counts holds
  // for every layout the search finds: moves exchange keys and key sequences, never lengthen them).
  if (const std::size_t slot = FirstTooLongUnit(definition.Table); slot < definition.Table.size()) {
    Say(options.Start + ":" + std::to_string(definition.Entries[slot].Line + 1) +
        ": this entry has " + Grouped(definition.Table[slot].Keys.size()) +
        " keys, more than the " + Grouped(kMaxUnitKeys) +
        " kananet-search counts in one entry; shorten it");
    return 1;
  }
  if (const std::size_t slot = FirstTooLargeAction(definition.Table);
      definition.Header.Chords && slot < definition.Table.size()) {
    Say(options.Start + ":" + std::to_string(definition.Entries[slot].Line + 1) +
        ": this entry presses more than the " + std::to_string(kMaxActionKeys) +
        " keys in one action that kananet-search counts; press fewer together");
    return 1;
  }
  problem.StartBytes = std::move(start.FileBytes);
  problem.Header = definition.Header;
  problem.Table = std::move(definition.Table);
  problem.Table.resize(kLayoutTableSlots);
  problem.Slots = MatchingSlots(problem.Table);
  problem.KanaCodes = std::move(text.Sample.KanaStream);
  problem.Kana = KanaOfStream(problem.KanaCodes);
  return std::nullopt;
}

// Prints the lines of the search file's mistakes and gives the status to end with. The lines are
// UTF-8, as the search file is: each shown as a name is.
int RefuseSearchFile(std::string_view lines) {
  for (std::size_t end; (end = lines.find('\n')) != std::string_view::npos;) {
    SayLine(lines.substr(0, end));
    lines.remove_prefix(end + 1);
  }
  return 2;
}

std::string SearchFileName(const Options& options) {
  return options.SearchFile.value_or("the default search");
}

std::optional<int> ReadSettings(const Options& options, const Problem& problem,
                                SearchSettings& settings, Movable& movable) {
  settings = DefaultSettings();
  if (options.SearchFile) {
    if (auto error = LoadSearchFile(*options.SearchFile, kProgram, settings)) {
      return RefuseSearchFile(*error);
    }
  }
  if (const std::string lines = SearchFileErrorLines(
          SearchFileName(options), ResolveMovable(settings, problem.Table, problem.Slots, movable));
      !lines.empty()) {
    return RefuseSearchFile(lines);
  }
  return std::nullopt;
}

struct Found {
  Arrangement At{};
  FigureCounts Figures{};
  double Cost = 0;
};

std::string Table(const Found& start, const std::vector<Found>& found,
                  const std::vector<std::string>& names, std::uint64_t kana) {
  constexpr std::size_t kName = 24, kColumn = 12;
  // The cells first: each column is as wide as its widest, the file name that heads it (not its
  // whole path) and a cost of large weights among them.
  std::vector<std::pair<std::string, std::vector<std::string>>> rows = {
      {"figure per 100 kana", {"start"}}};
  for (const std::string& name : names) {
    rows[0].second.push_back(EscapeControlBytes(fs::path(name).filename().string()));
  }
  auto row = [&](const std::string& label, auto valueOf) {
    rows.push_back({label, {valueOf(start)}});
    for (const Found& layout : found) {
      rows.back().second.push_back(valueOf(layout));
    }
  };
  const double perKana = 100.0 / static_cast<double>(kana == 0 ? 1 : kana);
  for (int figure = 0; figure < kFigureCount; ++figure) {
    row(std::string(FigureIdName(figure)), [&](const Found& layout) {
      return Fixed(static_cast<double>(layout.Figures[static_cast<std::size_t>(figure)]) * perKana,
                   2);
    });
  }
  row("cost", [](const Found& layout) { return Fixed(layout.Cost, 4); });
  std::vector<std::size_t> widths(found.size() + 1, kColumn);
  for (const auto& [label, cells] : rows) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
      widths[i] = std::max(widths[i], cells[i].size() + 2);
    }
  }
  std::string text;
  for (const auto& [label, cells] : rows) {
    text += label + std::string(kName > label.size() ? kName - label.size() : 1, ' ');
    for (std::size_t i = 0; i < cells.size(); ++i) {
      text += Cell(cells[i], widths[i]);
    }
    text += "\n";
  }
  return text;
}

int Search(const Options& options) {
  const unsigned jobs = options.Jobs != 0 ? options.Jobs : UsableCores();
  Problem problem;
  if (auto status = ReadProblem(options, jobs, problem)) {
    return *status;
  }
  SearchSettings settings;
  Movable movable;
  if (auto status = ReadSettings(options, problem, settings, movable)) {
    return *status;
  }
  const bool byKana = problem.Header.CountByKana != 0;
  const bool chords = problem.Header.Chords;
  const bool breaks = problem.Header.BreakAfterPunctuation != 0;
  CountsNeeded needed = CountsFor(settings.Weights, byKana, settings.MoveKana, options.Verify);
  // A layout that presses keys together is searched over the stream of its actions instead.
  std::optional<ActionText> actions;
  if (chords) {
    needed = {};
    actions.emplace(problem.KanaCodes, problem.Table, problem.Slots, problem.Header, movable,
                    settings.MoveKeys, settings.MoveKana, settings, problem.Kana);
  }
  TextCounts counted = chords
                           ? TextCounts{}
                           : CountText(problem.KanaCodes, problem.Table, problem.Slots, byKana,
                                       breaks, needed, movable.PinnedEntries, movable.Keys, jobs);
  const PieceCounts& pieces = counted.Pieces;
  const GapWindows& windows = counted.Windows;
  const UnitWindows& unitWindows = counted.Units;
  const std::optional<KanaUnits>& units = counted.Kana;
  const HandSets& hands = counted.Hands;
  if (!chords && pieces.Missing != static_cast<std::size_t>(-1)) {
    throw InternalError("a kana of the text has no entry, yet the check passed");
  }
  const StrokeCounts strokes = chords ? StrokeCounts{} : StrokesOfPieces(pieces, problem.Table);
  const KeyProblem keys(
      strokes, settings.MoveKeys ? movable.Keys : std::vector<int>{}, settings.Weights,
      problem.Header.LeftHandLastKey, byKana, problem.Kana, needed.GapWindows ? &windows : nullptr,
      &settings, needed.UnitWindows ? &unitWindows : nullptr, needed.HandSets ? &hands : nullptr);
  if (counted.Kana && !settings.AnyKanaLengths) {
    counted.Kana->KeepLengths();
  }
  const KanaUnits* kana = units ? &*units : nullptr;
  const bool kanaMayMove =
      actions ? actions->AnyMayExchange() : kana != nullptr && kana->AnyMayExchange();
  if (keys.FreeKeys().size() < 2 && !kanaMayMove) {
    // The start is all there is to find: say so rather than write it as found.
    const std::size_t line = settings.FreeKeysLine != 0 ? settings.FreeKeysLine
                             : settings.PinKeysLine != 0
                                 ? settings.PinKeysLine
                                 : std::max<std::size_t>(settings.PinKanaLine, 1);
    return RefuseSearchFile(
        SearchFileErrorLine(SearchFileName(options),
                            {line, "nothing may move: no two keys or kana are free to exchange"}));
  }
  // The folder is checked before the search (once it is sure to run) rather than found wanting
  // after it.
  const std::string stem(LayoutStem(fs::path(options.Start).filename().string()));
  if (const std::string wrong =
          PrepareFoundFolder(options.Output, stem, options.Start, options.Top);
      !wrong.empty()) {
    Say(wrong);
    return 1;
  }
  if (kana && kana->LengthsMayChange()) {
    if (const double reward = StrokeReward(settings.Weights, problem.Header.LeftHandLastKey);
        reward > 0) {
      Say("note: with kana moving, these weights pay for typing more: one more stroke can lower "
          "the cost by up to " +
          Fixed(reward, 2) + " per 100 kana, so a kana may take longer keys; weigh strokes " +
          "by more than " + Fixed(settings.Weights[kFigureStrokes] + reward, 2) + " to stop it");
    }
  }
  // Layouts that differ only in keys the text never strikes are one layout to the designer.
  auto settled = [&](Arrangement at) {
    const StrokeCounts moved = kana ? kana->StrokesOf(at.Holds) : StrokeCounts{};
    std::array<bool, 64> struck{};
    for (std::size_t key = 0; key < struck.size(); ++key) {
      struck[key] = actions ? actions->Struck()[key] : (kana ? moved : strokes).Keys[key] > 0;
    }
    at.At = Settled(at.At, struck);
    return at;
  };

  // The entries that can match, with their keys moved: those past them never match, so the
  // count of the shorter table is the count of the whole.
  auto countAt = [&](const Arrangement& at, unsigned threads) {
    const std::optional<FigureCounts> counted =
        CountFigures(problem.KanaCodes,
                     actions ? actions->TableAt(problem.Table, problem.Slots, at)
                             : TableAt(problem.Table, problem.Slots, kana, at),
                     problem.Header, threads);
    if (!counted) {
      throw InternalError("a moved layout no longer converts the text");
    }
    return *counted;
  };

  CatchStopSignals(OnStopSignal);
  std::atomic<bool> stop{false}, outOfMemory{false};
  std::atomic<std::uint64_t> nextRound{0}, candidates{0}, roundsDone{0}, roundsWhole{0};
  std::mutex failureMutex;
  std::optional<std::string> failure;
  BestLayouts best(options.Top);
  const std::uint64_t rounds = options.Rounds.value_or(options.Seconds ? 0 : kDefaultRounds);
  const bool timed = options.Seconds.has_value();
  const Clock::time_point begun = Clock::now();
  const Clock::time_point deadline =
      begun + std::chrono::duration_cast<Clock::duration>(
                  std::chrono::duration<double>(options.Seconds.value_or(0)));

  // --verify: every layout the rounds move to costs what the changes add up to, as its counts
  // score it from scratch; one in kVerified of them, and every round's end, has the figures the
  // text counts.
  std::atomic<std::uint64_t> verified{0};
  const std::function<void(const LayoutState&)> verify = [&](const LayoutState& state) {
    const Arrangement at = state.Now();
    const FigureCounts scored = FiguresAt(keys, kana, at);
    const double cost = keys.CostOf(scored);
    if (!CostsAgree(state.Cost(), cost)) {
      throw InternalError("--verify: the changes add up to cost " + Fixed(state.Cost(), 9) +
                          " but the counts give " + Fixed(cost, 9));
    }
    if (verified.fetch_add(1) % kVerified == 0) {
      RequireSame(&keys, scored, countAt(at, 1), "--verify");
    }
  };
  // The same for a layout that presses keys together, whose figures are all scored.
  const std::function<void(const ActionState&)> verifyActions = [&](const ActionState& state) {
    const Arrangement at = state.Now();
    const FigureCounts scored = actions->FiguresAt(at);
    const double cost = actions->CostOf(scored);
    if (!CostsAgree(state.Cost(), cost)) {
      throw InternalError("--verify: the changes add up to cost " + Fixed(state.Cost(), 9) +
                          " but the counts give " + Fixed(cost, 9));
    }
    RequireSame(nullptr, state.Figures(), scored, "--verify");
    if (verified.fetch_add(1) % kVerified == 0) {
      RequireSame(nullptr, scored, countAt(at, 1), "--verify");
    }
  };
  const auto runRound = [&](std::uint64_t round) {
    if (actions) {
      RoundResult result = RunActionRound(*actions, options.Seed, round, candidates, stop,
                                          options.Verify ? verifyActions : nullptr);
      if (options.Verify) {
        RequireSame(nullptr, result.Figures, countAt(result.At, 1), "--verify");
      }
      return result;
    }
    RoundResult result = RunRound(keys, kana, options.Seed, round, candidates, stop,
                                  options.Verify ? verify : nullptr);
    if (options.Verify) {
      RequireSame(&keys, result.Figures, countAt(result.At, 1), "--verify");
    }
    return result;
  };
  auto work = [&] {
    try {
      for (;;) {
        const std::uint64_t round = nextRound.fetch_add(1);
        if (stop.load() || (rounds != 0 && round >= rounds) ||
            (timed && Clock::now() >= deadline)) {
          return;
        }
        RoundResult result = runRound(round);
        result.At = settled(result.At);
        best.Add(result);
        roundsWhole.fetch_add(result.Whole ? 1 : 0);
        roundsDone.fetch_add(1);
      }
    } catch (const std::bad_alloc&) {
      outOfMemory.store(true);
      stop.store(true);
    } catch (const std::exception& error) {
      const std::lock_guard lock(failureMutex);
      failure = error.what();
      stop.store(true);
    }
  };
  // Where fewer threads can be had than asked for (a memory limit), the search goes on with
  // those it has; without any, it cannot run.
  std::vector<std::thread> threads;
  std::string noThread;
  for (unsigned t = 0; t < std::max(jobs, 1u) && noThread.empty(); ++t) {
    try {
      threads.emplace_back(work);
    } catch (const std::exception& error) {
      noThread = error.what();
    }
  }
  if (threads.empty()) {
    Say("cannot start a thread for the search: " + noThread);
    return 1;
  }
  if (!noThread.empty()) {
    Say("note: " + std::to_string(threads.size()) + " of " + std::to_string(std::max(jobs, 1u)) +
        " threads could be started (" + noThread + "); the search goes on with those");
  }
  ProgressLine progress;
  auto finished = [&] {
    return stop.load() || (rounds != 0 && roundsDone.load() >= rounds) ||
           (timed && Clock::now() >= deadline);
  };
  while (!finished()) {
    for (int wait = 0; wait < 25 && !finished(); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (StopSignal.load() != 0) {
        stop.store(true);
      }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - begun).count();
    const std::optional<double> cost = best.Best();
    std::string line =
        "best " + (cost ? Fixed(*cost, 4) : std::string("-")) + ", " +
        Fixed(static_cast<double>(candidates.load()) / std::max(seconds, 1e-3) / 1e6, 2) +
        " million candidates/s, " + Grouped(candidates.load()) + " scored, ";
    if (rounds != 0) {
      line += "round " + std::to_string(roundsDone.load()) + " of " + std::to_string(rounds);
    }
    if (timed) {
      line += std::string(rounds != 0 ? ", " : "") +
              Fixed(std::max(0.0, *options.Seconds - seconds), 0) + " s left";
    }
    progress.Show(line);
  }
  // Out of time (or done): a round still running ends at its next step and keeps where it got
  // to, as on Ctrl-C, so --time is kept however long a round takes.
  stop.store(true);
  for (std::thread& thread : threads) {
    thread.join();
  }
  progress.Finish();
  if (outOfMemory.load()) {
    throw std::bad_alloc();
  }
  if (failure) {
    throw InternalError(*failure);
  }
  const int signal = StopSignal.load();
  const std::vector<RoundResult> list = best.List();
  if (list.empty()) {
    Say(std::string("interrupted by ") + StopSignalName(signal) +
        " before a round began: nothing written, " + options.Output + " is as it was");
    return 128 + signal;
  }

  Found start{Arrangement{}, countAt(Arrangement{}, jobs), 0};
  start.Cost = CostOfLayout(start.Figures, settings, problem.Kana).Total;
  std::vector<Found> found;
  std::vector<std::string> names, layouts;
  for (const RoundResult& result : list) {
    Found layout{result.At, countAt(result.At, jobs), 0};
    if (actions) {
      RequireSame(nullptr, actions->FiguresAt(result.At), layout.Figures, "the written layout");
    } else {
      RequireSame(&keys, FiguresAt(keys, kana, result.At), layout.Figures, "the written layout");
    }
    layout.Cost = CostOfLayout(layout.Figures, settings, problem.Kana).Total;
    std::vector<std::string> retyped(problem.Slots);
    if (actions) {
      const std::vector<LayoutEntry> moved =
          actions->TableAt(problem.Table, problem.Slots, result.At);
      const std::vector<bool> changed = actions->Retyped(problem.Slots, result.At);
      for (std::size_t slot = 0; slot < problem.Slots; ++slot) {
        retyped[slot] = changed[slot] ? moved[slot].Keys : "";
      }
    }
    if (kana) {
      const std::vector<LayoutEntry> moved = TableAt(problem.Table, problem.Slots, kana, result.At);
      const std::vector<LayoutEntry> kept = kana->TableOf(kana->StartHolds());
      const std::vector<LayoutEntry> typed = kana->TableOf(result.At.Holds);
      for (std::size_t slot = 0; slot < problem.Slots; ++slot) {
        if (typed[slot].Keys != kept[slot].Keys) {
          retyped[slot] = moved[slot].Keys;
        }
      }
    }
    const std::string remark = std::string(kFoundMark) + " cost " + Fixed(layout.Cost, 4) +
                               ", seed " + std::to_string(options.Seed);
    layouts.push_back(MovedLayoutFile(problem.StartBytes, result.At.At, retyped, remark));
    found.push_back(layout);
    names.push_back(FoundName(options.Output, stem, found.size()));
  }
  if (const std::string failed = WriteFoundSet(options.Output, stem, options.Start, layouts);
      !failed.empty()) {
    Say(failed);
    return 1;
  }
  WriteOut(Table(start, found, names, problem.Kana));
  const std::string seconds = Fixed(std::chrono::duration<double>(Clock::now() - begun).count(), 1);
  const std::string scored = std::to_string(candidates.load()) + " candidates scored";
  const int status = RunHadFailure() ? 1 : signal != 0 ? 128 + signal : 0;
  // Rounds cut short by a signal or by --time still count among the layouts found, but not as
  // rounds run.
  const std::string whole = std::to_string(roundsWhole.load());
  const std::string part = std::to_string(roundsDone.load() - roundsWhole.load()) + " more in part";
  const std::string cut = signal != 0 ? std::string("interrupted by ") + StopSignalName(signal)
                                      : std::string("out of time");
  if (signal == 0 && (rounds == 0 || roundsWhole.load() >= rounds)) {
    Say(std::to_string(roundsDone.load()) + " rounds, " + scored + " in " + seconds + " s");
  } else if (rounds != 0) {
    Say(cut + ": " + whole + " of the " + std::to_string(rounds) + " rounds asked for ran, and " +
        part + "; " + scored + " in " + seconds + " s");
  } else {
    Say(cut + ": " + seconds + " of the " + Fixed(*options.Seconds, 0) + " s asked for ran, " +
        whole + " rounds and " + part + "; " + scored);
  }
  return status;
}

}  // namespace

int RunSearch(const std::vector<std::string>& arguments) {
  Options options;
  if (const std::optional<std::string> complaint = ReadOptions(arguments, options)) {
    WriteErr(UsageErrorText(kProgram, *complaint));
    return 2;
  }
  if (options.Help || options.Version) {
    WriteOut(options.Help ? std::string(kUsage) : std::string(kProgram) + " " KANANET_VERSION "\n");
    return RunHadFailure() ? 1 : 0;
  }
  ChooseConsoleCharsets(ShiftJisTextToUtf8);
  try {
    return Search(options);
  } catch (const InternalError& error) {
    Say(std::string("internal error: ") + error.what());
    return kInternalError;
  } catch (const RunStopped& stopped) {
    return stopped.ExitStatus;
  } catch (const std::bad_alloc&) {
    Say("out of memory");
    return 1;
  } catch (const std::exception& error) {
    Say(std::string("internal error: ") + error.what());
    return kInternalError;
  }
}

}  // namespace kananet::search
