// What a run interrupted by SIGINT, SIGTERM or SIGHUP undoes before it ends as the signal ends
// it: the temporary output file is removed and the progress line cleared, so Ctrl-C leaves
// neither a hidden file nor a half line on the terminal.
#pragma once

#include <string>

namespace kananet::sample {

// Installs the handlers; the run's state below starts empty.
void CleanUpWhenInterrupted();

// The temporary file to remove; empty once there is none (renamed or never made).
void SetTemporaryOutput(const std::string& path);

// Whether a progress line stands on standard error now.
void SetProgressShown(bool shown);

}  // namespace kananet::sample
