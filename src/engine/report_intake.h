// The report intake: which RealTraffic reports reach an aircraft, and how a new live
// aircraft record is made. Tick thread, with the reader hand-over's mutex held.
#pragma once

#include "engine/live_report.h"
#include "engine/traffic_engine.h"

namespace vexo {

// Applies one report to its aircraft or makes a new one. A report with a value that is
// not finite or a negative ground speed is dropped (logged once per hexid); reports that
// add too little to the stream (too soon, a speed jump, straight cruise or slow taxi) are
// thinned out before any other work.
void lf_takeLiveReport(const LiveReport& report, TrafficEngine& engine);

// Completes the codes from the dbase by registration and, for a known model, makes the
// record (lf_makeLiveAc); a report of an unknown model is dropped without a message.
void lf_newLiveAc(LiveReport report, TrafficEngine& engine);

// Filters by category and altitude, then appends a new LiveAc in birth and buffer.
void lf_makeLiveAc(LiveReport report, TrafficEngine& engine);

// Whether an altitude strictly between 0 and 10000 ft lies within 108 ft of the park
// airport's elevation (-1000 ft when no park airport is set): such a report is dropped.
bool lf_nearParkElevation(double altitude, TrafficEngine& engine);

}  // namespace vexo
