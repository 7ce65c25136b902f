// The AI action queues: the traffic engine (and the UI thread) queue creations, client
// events and removals here, and the "SimClient" thread sends everything queued when the
// simulator reports a new frame, in a fixed order: positions, events, creations, removals.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "simlink/sim_link_state.h"

namespace vexo {

// The tail number field holds 11 characters and the container title 255 (each with its
// terminator); a text that does not fit is never sent.
inline constexpr std::size_t g_maxCallsignLength = 11;
inline constexpr std::size_t g_maxContainerTitleLength = 255;

// --- Producers: each locks simConnectMutex, appends, unlocks. Engine or UI thread. ---
// (Inside a SimEventBatch of the calling thread, client events wait in the batch.)

// Queues one creation. A callsign or title that does not fit its field is refused with a
// warning and false: the simulator would refuse the request as a whole, and that is
// neither a broken link nor a bad livery.
bool gf_queueAiCreate(const AiCreateAction& action, SimLink& link = g_simLink);

// The seven lights of an object, in the order nav, beacon, landing, taxi, strobes, logo,
// cabin; queued next to each other so that no other event falls between them.
void gf_setLights(std::uint32_t objectId, const std::array<std::uint32_t, 7>& values, SimLink& link = g_simLink);
void gf_setNavLights(std::uint32_t objectId, std::uint32_t value, SimLink& link = g_simLink);
void gf_setCabinLights(std::uint32_t objectId, std::uint32_t value, SimLink& link = g_simLink);
void gf_engineAutoStart(std::uint32_t objectId, SimLink& link = g_simLink);
void gf_engineAutoShutdown(std::uint32_t objectId, SimLink& link = g_simLink);

// Appends one client event (the engine's gear, flaps, spoilers, throttle, all lights).
void gf_queueSimEvent(const SimEventAction& event, SimLink& link = g_simLink);

// While it lives, the client events that the thread which made it queues on its link
// (the setters above and gf_queueSimEvent) collect in a buffer the caller keeps, in their
// order; they go to the link's event queue under one lock when the batch ends. The
// traffic cycle moves every aircraft inside one: one lock per cycle instead of one per
// event. Events queued by other threads or for another link meanwhile are queued at once.
// Batches nest: an event goes to the innermost batch for its link, and a batch that ends
// inside another for the same link hands its events to that one.
class SimEventBatch {
public:
  SimEventBatch(SimLink& link, std::vector<SimEventAction>& buffer);
  ~SimEventBatch();
  SimEventBatch(const SimEventBatch&) = delete;
  SimEventBatch& operator=(const SimEventBatch&) = delete;

  // Takes the event when the calling thread batches for this link; false otherwise.
  static bool take(const SimLink& link, const SimEventAction& event) {
    SimEventBatch* batch = innermost_;
    if (batch == nullptr) return false;
    if (&batch->link_ != &link && (batch = innermostFor(link)) == nullptr) return false;
    batch->buffer_.push_back(event);
    return true;
  }

private:
  // The calling thread's innermost batch for the link; none when it has none.
  static SimEventBatch* innermostFor(const SimLink& link);

  static inline thread_local SimEventBatch* innermost_ = nullptr;  // of the calling thread
  SimLink& link_;
  std::vector<SimEventAction>& buffer_;
  SimEventBatch* outer_;
};

// Appends one removal (the engine's pacing of its removal queue).
void gf_queueAiRemoval(std::uint32_t objectId, SimLink& link = g_simLink);

// --- Consumers: "SimClient" thread. ---

// The frame drain. Never waits for simConnectMutex: when a producer holds it, everything
// stays queued for the next frame.
void lf_onFrame(SimLink& link);

// Sends one creation (simConnectMutex held) and remembers its send id.
void lf_createAiAircraft(SimLink& link, const AiCreateAction& action);

// Sends one removal of an AI object (simConnectMutex held).
void lf_removeAiObject(SimLink& link, std::uint32_t objectId);

}  // namespace vexo
