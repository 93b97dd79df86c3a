// kananet-report: a self-contained HTML page of a batch of kananet's network files.
#include <iostream>
#include <string>
#include <vector>

#include "report/report_command.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return kananet::report::RunReport(arguments, std::cout, std::cerr);
}
