// The main window's work on the tick thread: the requests its commands handed over and
// the counts it shows.
#pragma once

namespace vexo {

// Serves the requests of the window's commands that touch the tick thread's tables (the
// new park airport, "Flush static", the callsign list, the blocked callsign, the
// navigation lights of parked aircraft, the MAX_LIVE_SEL surplus, the automatic range).
// Tick thread, on every tick, with or without a flight: a command takes effect at once,
// also while the simulator sends no user-aircraft reports. The requests bound to the
// work-tick schedule (re-read, park now, rematch) are served by the tick loop.
void gf_runWindowRequests();

// Recounts the aircraft numbers shown and invalidates what changed. Tick thread, once a
// second.
void gf_refreshShownCounts();

}  // namespace vexo
