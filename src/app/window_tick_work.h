// The main window's work on the tick thread: the requests its commands handed over and
// the counts it shows.
#pragma once

namespace vexo {

// Serves the requests of the window's commands that touch the tick thread's tables (the
// new park airport, the callsign list, the navigation lights of parked aircraft, the
// MAX_LIVE_SEL surplus, the automatic range). Tick thread, on every work tick.
void gf_runWindowRequests();

// Recounts the aircraft numbers shown and invalidates what changed. Tick thread, once a
// second.
void gf_refreshShownCounts();

}  // namespace vexo
