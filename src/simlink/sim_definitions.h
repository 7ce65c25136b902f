// Tells the simulator, right after each open, everything the program will later ask for
// or send: system event subscriptions, data definitions, client event mappings, and the
// one notification group with its priority.
#pragma once

#include "simlink/sim_link_state.h"

namespace vexo {

// Sends the setup calls on link.hSimConnect (the caller holds simConnectMutex). Results
// are not examined: a call the simulator cannot take comes back as an exception message.
void lf_defineSimConnectData(SimLink& link);

}  // namespace vexo
