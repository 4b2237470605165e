// Ends a child process of the test: SIGTERM, up to 3 s for it to exit, then SIGKILL. Reaps it
// and sets `pid` to -1; nothing happens for a pid of 0 or less.
#pragma once

#include <sys/types.h>

namespace tarnwick::testing {

void StopProcess(pid_t& pid);

} // namespace tarnwick::testing
