// The batch: read the sample text once, then evaluate every layout file in turn.
#pragma once

#include <functional>

namespace kananet {

// Runs run and returns its status; a step that ends the run early, or any exception, ends it
// with one line on standard error (none for a RunStopped, whose step wrote its own) and the
// status to exit with. Network files are replaced whole, so none is left half-written.
int RunGuarded(const std::function<int()>& run);

// Runs the whole batch in the working directory and returns the process exit status:
// 0 when every layout was evaluated and written, 1 when the run ended early or a network
// file could not be written. Each layout's counting is shared among up to jobs threads; what the
// run writes does not depend on their number.
int RunBatch(unsigned jobs = 1);

}  // namespace kananet
