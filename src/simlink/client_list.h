// The process-wide list of live clients: it holds each client's own reference, turns an
// API handle back into its client, and tears clients down.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>

#include "simlink/simconnect.h"

namespace vexo {

class SimConnectClient;

// Adds a connected client; its handle is the client's address.
HANDLE gf_addClient(std::shared_ptr<SimConnectClient> client);
// The client of a live handle; null for a null, closed or unknown handle.
std::shared_ptr<SimConnectClient> gf_findClient(HANDLE handle);
std::size_t gf_liveClientCount();

// Teardown: drops what was received, takes the client out of the list, closes its link
// and drops the send side. A client that had a link first waits 100 ms and afterwards
// 250 ms for its I/O to settle (the last client of the process also waits up to 5 s for
// every link's I/O thread to end); one that never connected is gone at once.
void gf_destroyClient(std::shared_ptr<SimConnectClient> client);

// How the teardown waits (a plain sleep); a test may count the waits instead.
extern std::function<void(std::chrono::milliseconds)> g_teardownSleep;

}  // namespace vexo
