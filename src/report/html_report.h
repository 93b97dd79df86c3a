// The report page: one self-contained HTML file with a comparison table of the layouts, their
// finger figures, the differences from a baseline, and each layout's network drawn as a
// keyboard in inline SVG. No scripts, nothing fetched.
#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cost/search_file.h"
#include "report/layout_details.h"
#include "report/network_file.h"

namespace kananet::report {

struct ReportEntry {
  std::string Name;      // the layout's name, UTF-8
  std::string FileName;  // the network file's name, UTF-8
  Network Graph;
};

// A file that could not be shown, with the reason; both UTF-8.
struct ReportFailure {
  std::string Location;
  std::string Message;
};

// What the page shows beside the network files: the working directory's text and layouts
// (Details[i] belongs to entries[i]; null or missing when the layout file is not known), and
// the layout the others are compared with.
struct PageContext {
  const WorkingDirectory* Working = nullptr;
  std::vector<const LayoutDetails*> Details;
  std::optional<std::size_t> Baseline;
  // Keyboards are drawn for the baseline and the first this many layouts; the tables and
  // exports keep every layout.
  std::size_t Keyboards = std::numeric_limits<std::size_t>::max();
  // With a search file (--cost), each layout's cost under it, as kananet-search scores it.
  const SearchSettings* Cost = nullptr;
  std::string CostFile;  // the search file's name, UTF-8
};

// `source` names where the networks came from (the result directory), UTF-8.
std::string RenderReport(std::string_view source, const std::vector<ReportEntry>& entries,
                         const std::vector<ReportFailure>& failures,
                         const PageContext& context = {});

}  // namespace kananet::report
