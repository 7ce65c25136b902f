#include "simlink/sim_action_queues.h"

#include <fmt/format.h>

#include "foundation/status_line.h"
#include "foundation/log.h"
#include "foundation/time_text.h"
#include "simlink/sim_client.h"
#include "simlink/sim_vocabulary.h"

namespace vexo {

namespace {

void lf_pushEvent(SimLink& link, std::uint32_t objectId, std::uint32_t eventId, std::uint32_t data) {
  if (SimEventBatch::take(link, {objectId, eventId, data})) return;
  std::lock_guard lock(link.simConnectMutex);
  link.simEventQueue.push_back({objectId, eventId, data});
}

void lf_sendPositions(SimLink& link) {
  auto& positions = link.simPositionQueue.simSide();
  const std::uint32_t userObjectId = link.userObjectId;
  for (const AiPositionAction& position : positions) {
    // An object not created yet (id 0) or the user's own is never moved.
    if (position.objectId <= userObjectId) continue;
    const auto block = position.block();
    SimConnect_SetDataOnSimObject(link.hSimConnect, DataDefinitionId::aiPosition, position.objectId, 0, 0,
                                  g_aiPositionBlockSize, block.data());
  }
  positions.clear();
}

void lf_sendEvents(SimLink& link) {
  for (const SimEventAction& event : link.simEventQueue) {
    // The simulator's AI holds the flaps of an object it controls: control is released
    // around the flaps event.
    const bool flaps = event.eventId == ClientEventId::FLAPS_SET;
    if (flaps) SimConnect_AIReleaseControl(link.hSimConnect, event.objectId, RequestId::aiReleaseControl);
    const HRESULT hr = SimConnect_TransmitClientEvent(link.hSimConnect, event.objectId, event.eventId, event.data,
                                                      NotificationGroupId::all, 0);
    if (!gf_succeeded(hr)) {
      gf_setStatus(fmt::format("SimConnect TransmitClientEvent: {} fails", event.eventId), true);
    } else if (flaps) {
      SimConnect_AIReleaseControl(link.hSimConnect, event.objectId, RequestId::aiReleaseControl);
    }
  }
  link.simEventQueue.clear();
}

bool lf_createFits(const AiCreateAction& action) {
  if (action.callsign.size() > g_maxCallsignLength) {
    gf_logWarning(fmt::format("! Creation refused, callsign '{}' is longer than {} characters, hexid:{}",
                              action.callsign, g_maxCallsignLength, action.hexid));
    return false;
  }
  if (action.liveryTitle.size() > g_maxContainerTitleLength) {
    gf_logWarning(fmt::format("! Creation refused, livery title longer than {} characters, hexid:{}, callsign: {}",
                              g_maxContainerTitleLength, action.hexid, action.callsign));
    return false;
  }
  return true;
}

}  // namespace

bool gf_queueAiCreate(const AiCreateAction& action, SimLink& link) {
  if (!lf_createFits(action)) return false;
  std::lock_guard lock(link.simConnectMutex);
  link.simCreateQueue.push_back(action);
  return true;
}

void gf_setLights(std::uint32_t objectId, const std::array<std::uint32_t, 7>& values, SimLink& link) {
  namespace E = ClientEventId;
  static constexpr std::array<std::uint32_t, 7> events{E::NAV_LIGHTS_SET,     E::BEACON_LIGHTS_SET, E::LANDING_LIGHTS_SET,
                                                       E::TAXI_LIGHTS_SET,    E::STROBES_SET,       E::LOGO_LIGHTS_SET,
                                                       E::CABIN_LIGHTS_SET};
  if (SimEventBatch::take(link, {objectId, events[0], values[0]})) {
    // A batch is handed over whole: the seven stay next to each other.
    for (std::size_t i = 1; i < events.size(); ++i) SimEventBatch::take(link, {objectId, events[i], values[i]});
    return;
  }
  std::lock_guard lock(link.simConnectMutex);
  for (std::size_t i = 0; i < events.size(); ++i) link.simEventQueue.push_back({objectId, events[i], values[i]});
}

SimEventBatch::SimEventBatch(SimLink& link, std::vector<SimEventAction>& buffer)
    : link_(link), buffer_(buffer), outer_(innermost_) {
  buffer_.clear();
  innermost_ = this;
}

SimEventBatch::~SimEventBatch() {
  innermost_ = outer_;
  if (buffer_.empty()) return;
  if (SimEventBatch* enclosing = innermostFor(link_)) {  // after the enclosing batch's events
    enclosing->buffer_.insert(enclosing->buffer_.end(), buffer_.begin(), buffer_.end());
  } else {
    std::lock_guard lock(link_.simConnectMutex);
    link_.simEventQueue.insert(link_.simEventQueue.end(), buffer_.begin(), buffer_.end());
  }
  buffer_.clear();
}

SimEventBatch* SimEventBatch::innermostFor(const SimLink& link) {
  SimEventBatch* batch = innermost_;
  while (batch != nullptr && &batch->link_ != &link) batch = batch->outer_;
  return batch;
}

void gf_setNavLights(std::uint32_t objectId, std::uint32_t value, SimLink& link) {
  lf_pushEvent(link, objectId, ClientEventId::NAV_LIGHTS_SET, value);
}

void gf_setCabinLights(std::uint32_t objectId, std::uint32_t value, SimLink& link) {
  lf_pushEvent(link, objectId, ClientEventId::CABIN_LIGHTS_SET, value);
}

void gf_engineAutoStart(std::uint32_t objectId, SimLink& link) {
  lf_pushEvent(link, objectId, ClientEventId::ENGINE_AUTO_START, 0);
}

void gf_engineAutoShutdown(std::uint32_t objectId, SimLink& link) {
  lf_pushEvent(link, objectId, ClientEventId::ENGINE_AUTO_SHUTDOWN, 0);
}

void gf_queueSimEvent(const SimEventAction& event, SimLink& link) {
  lf_pushEvent(link, event.objectId, event.eventId, event.data);
}

void gf_queueAiRemoval(std::uint32_t objectId, SimLink& link) {
  std::lock_guard lock(link.simConnectMutex);
  link.simRemovalQueue.push_back(objectId);
}

void lf_onFrame(SimLink& link) {
  std::unique_lock lock(link.simConnectMutex, std::try_to_lock);
  if (!lock.owns_lock()) return;
  if (link.simBroken) {
    link.simPositionQueue.simSide().clear();
    link.simEventQueue.clear();
    link.simCreateQueue.clear();
    link.simRemovalQueue.clear();
    return;
  }
  lf_sendPositions(link);
  lf_sendEvents(link);
  for (const AiCreateAction& action : link.simCreateQueue) lf_createAiAircraft(link, action);
  link.simCreateQueue.clear();
  for (const std::uint32_t objectId : link.simRemovalQueue) lf_removeAiObject(link, objectId);
  link.simRemovalQueue.clear();
}

void lf_createAiAircraft(SimLink& link, const AiCreateAction& action) {
  // Queued actions were checked already; this keeps the rule for any other way in.
  if (!lf_createFits(action)) return;
  const std::string title(action.liveryTitle);
  const HRESULT hr = SimConnect_AICreateNonATCAircraft(link.hSimConnect, title.c_str(), action.callsign.c_str(),
                                                       action.initPosition, RequestId::aiCreate);
  if (!gf_succeeded(hr)) {
    gf_logWarning(fmt::format("! Simcon call to create ac in sim failed, hexid:{}, liv: '{}', callsign: {})",
                              action.hexid, title, action.callsign));
    gf_simConnectRequestError(link);
    return;
  }
  std::uint32_t sendId = 0;
  if (!gf_succeeded(SimConnect_GetLastSentPacketID(link.hSimConnect, &sendId))) {
    sendId = 0;
    gf_logWarning("GetLastSentPacketID");
  }
  link.sentCreateList.push_back({sendId, action.hexid, action.callsign});
}

void lf_removeAiObject(SimLink& link, std::uint32_t objectId) {
  if (objectId <= link.userObjectId) {
    gf_logWarning(fmt::format("SimConnect call to remove ac with objectid {}", objectId));
    return;
  }
  if (!gf_succeeded(SimConnect_AIRemoveObject(link.hSimConnect, objectId, RequestId::aiRemove))) {
    gf_logWarning(
        fmt::format("{} !SimConnect call to remove AI ac from sim failed, id {}?", gf_utcClockNow(), objectId));
    gf_simConnectRequestError(link);
  }
}

}  // namespace vexo
