// kananet-search: finds better layouts, scored with exactly the figures the report shows.
#include <string>
#include <vector>

#include "platform/console.h"
#include "search/search_command.h"

int main(int argc, char** argv) {
  kananet::IgnoreBrokenPipes();
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return kananet::search::RunSearch(arguments);
}
