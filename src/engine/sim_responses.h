// The answers of the simulator connection for the traffic engine: created, removed, on the
// ground, static CG, creation failed. The "SimClient" thread appends them; the engine takes
// them all once per cycle. They never travel under g_simConnectMutex: a producer pushes
// only after releasing it, so the two mutexes are never held together.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace vexo {

// What a response reports (the engine also knows kind 5, which the simulator link never
// produces).
enum class SimResponseKind : std::uint32_t {
  createdLive = 0,     // object id, id = hexid, value 2 = altitude above ground (ft)
  createdStatic = 1,   // object id, id = static aircraft's id
  removed = 2,         // object id
  onGround = 3,        // object id, id = SIM ON GROUND, value 1 = ground altitude, value 2 = above ground (ft)
  staticCg = 4,        // object id, value 1 = static CG to ground (ft), value 2 = static pitch (rad)
  removedBlocked = 5,
  createFailed = 6,    // id = hexid
};

struct SimResponse {
  std::uint32_t objectId = 0;
  std::uint32_t id = 0;
  std::uint32_t settleStart = 0;  // 0 for created objects
  SimResponseKind kind = SimResponseKind::removed;
  double value1 = 0.0;
  double value2 = 0.0;
};
static_assert(sizeof(SimResponse) == 32);

// The engine's response list.
struct SimResponseList {
  std::mutex mutex;  // guards responses
  std::vector<SimResponse> responses;
  std::vector<SimResponse> taken;  // the consumer's own: what its last take gave
};

// The program's list (a member of the traffic engine, traffic_engine.h).
extern SimResponseList& g_simResponseList;

// Appends a copy under the list's own mutex. Called on the "SimClient" thread; never
// while g_simConnectMutex is held.
void gf_pushSimResponse(const SimResponse& response, SimResponseList& list = g_simResponseList);

// Takes every response pushed so far, oldest first; they stay in list.taken until the next
// take. The two vectors trade places, so once both have grown a take allocates nothing.
// The consumer's thread only (the tick thread).
const std::vector<SimResponse>& gf_takeSimResponses(SimResponseList& list = g_simResponseList);

// Drops every waiting response (the reset before a restart).
void gf_clearSimResponses(SimResponseList& list = g_simResponseList);

}  // namespace vexo
