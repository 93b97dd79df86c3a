// The report page: one self-contained HTML file with a comparison table of the layouts, their
// finger figures, the differences from a baseline, and each layout's network drawn as a
// keyboard in inline SVG. No scripts, nothing fetched.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/layout_details.h"
#include "report/network_file.h"

namespace kananet::report {

struct ReportEntry {
  std::string name;      // the layout's name, UTF-8
  std::string fileName;  // the network file's name, UTF-8
  Network network;
};

// A file that could not be shown, with the reason; both UTF-8.
struct ReportFailure {
  std::string location;
  std::string message;
};

// What the page shows beside the network files: the working directory's text and layouts
// (details[i] belongs to entries[i]; null or missing when the layout file is not known), and
// the layout the others are compared with.
struct PageContext {
  const WorkingDirectory* working = nullptr;
  std::vector<const LayoutDetails*> details;
  std::optional<std::size_t> baseline;
};

// `source` names where the networks came from (the result directory), UTF-8.
std::string RenderReport(std::string_view source, const std::vector<ReportEntry>& entries,
                         const std::vector<ReportFailure>& failures,
                         const PageContext& context = {});

// Text made safe for HTML element content and attribute values.
std::string EscapeHtml(std::string_view text);

}  // namespace kananet::report
