// The batch: read the sample text once, then evaluate every layout file in turn.
#pragma once

namespace kananet {

// Runs the whole batch in the working directory and returns the process exit status:
// 0 when every layout was evaluated and written, 1 when the run ended early or a network
// file could not be written.
int RunBatch();

}  // namespace kananet
