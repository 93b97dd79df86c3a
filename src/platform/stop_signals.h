// The signals that ask a run to end before its time: SIGINT (Ctrl-C), SIGTERM (what kill and
// batch systems send) and SIGHUP (the terminal went away).
#pragma once

namespace kananet {

// Makes handler catch each of the three, with all three held while it runs. A signal the
// process was started with ignored (nohup, a background job of a script) stays ignored.
void CatchStopSignals(void (*handler)(int));

// "SIGINT", "SIGTERM" or "SIGHUP"; "a signal" for any other.
const char* StopSignalName(int signal);

}  // namespace kananet
