// Connects the lower layers to the application's own state: they cannot link the
// application, so they take small hooks that the entry point installs once.
#pragma once

namespace vexo {

// The status line for read failures of text files, the closing flags for the settings
// log, and the latest traffic record as the traffic clock while RealTraffic's
// professional edition runs; the park controls of the main window, which the static
// parking locks while it calculates. Called at start, before other threads exist.
void gf_installProgramHooks();

}  // namespace vexo
