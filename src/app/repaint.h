// Repainting one area of the main window from the start-up/tick thread.
#pragma once

#include "foundation/main_window_state.h"

namespace vexo {

// Marks the area for repainting; never waits for the UI thread.
inline void lf_repaint(const platform::Rect& area, bool erase) { gf_invalidateMainWindow(area, erase); }

}  // namespace vexo
