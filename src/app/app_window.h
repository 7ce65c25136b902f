// The UI thread's body with the main window on the display.
#pragma once

namespace vexo {

// Whether the main window can be shown (an X display can be opened).
bool gf_windowDisplayAvailable();

// Creates the main window at its stored position, starts the first run and runs the
// message loop until the program quits; returns the exit code given with the quit
// (g_exitCode). 0 when the window cannot be created ("initInstance failed" is logged).
// UI thread.
int lf_runMainWindow();

}  // namespace vexo
