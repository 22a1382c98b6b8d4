// A private X server (Xvfb, no window manager) for tests that need a bare
// server whatever display the run was started on.  The server picks a free
// display number itself and ends with the test process.
#pragma once

#include <string>
#include <sys/types.h>

namespace testx {

// Starts Xvfb with the given screen ("1280x1024x24"); returns its pid and
// sets display (":N"), or returns 0 on failure.
pid_t start_private_server(std::string& display, const char* screen);

}  // namespace testx
