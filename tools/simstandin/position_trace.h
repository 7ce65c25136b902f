// A trace of the positions the client sets on its AI objects: one line per position set,
// "milliseconds,objectid,latitude,longitude,altitude" (ms since the trace began, degrees,
// feet), so that a demo can draw the tracks the objects flew.
#pragma once

#include <cstdio>

#include "simstandin/sim_standin.h"

namespace vexo::simstandin {

// Wraps the SetDataOnSimObject answer of standin: after the data is set, every AI
// object's position is appended to file (owned by the caller; flushed once a second by
// the caller's own loop or at its close). Call before start().
void gf_tracePositions(SimStandin& standin, std::FILE* file);

}  // namespace vexo::simstandin
