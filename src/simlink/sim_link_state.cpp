#include "simlink/sim_link_state.h"

#include "foundation/run_state.h"
#include "engine/engine_services.h"

namespace vexo {

SimLink g_simLink;

bool SimPositionQueue::handOver(std::mutex& simConnectMutex) {
  std::unique_lock lock(simConnectMutex, std::try_to_lock);
  if (!lock.owns_lock()) {
    engineSide().clear();
    return false;
  }
  engineIndex_ = 1 - engineIndex_;
  engineSide().clear();
  return true;
}

void SimPositionQueue::reserve(std::size_t count) {
  for (auto& buffer : buffers_) buffer.reserve(count);
}

void SimPositionQueue::clear() {
  for (auto& buffer : buffers_) buffer.clear();
  engineIndex_ = 0;
}

SimLink::SimLink()
    : nearestStandName([](double lat, double lon) { return gf_nearestStandName(lat, lon); }) {}

UserAcData SimLink::userAc() const {
  std::lock_guard lock(userAcMutex);
  return userAcData;
}

std::string SimLink::standName() const {
  std::lock_guard lock(userAcMutex);
  return userStandName;
}

std::string SimLink::title() const {
  std::lock_guard lock(userAcMutex);
  return userAcTitle;
}

std::optional<double> SimLink::halfWingspan() const {
  std::lock_guard lock(userAcMutex);
  return userHalfWingspan;
}

AcCategory SimLink::category() const {
  std::lock_guard lock(userAcMutex);
  return userCategory;
}

void gf_resetSimLink(std::uint32_t majorVersion, SimLink& link) {
  link.simMajorVersion = majorVersion;
  link.userOnGroundKnown = false;
  link.userOnGround = false;
  link.sentCreateList.clear();
  link.objectAddedIds.clear();
  g_flightRunning = false;
  {
    std::lock_guard lock(link.simConnectMutex);
    link.hSimConnect = nullptr;
    link.simPositionQueue.clear();
    link.simCreateQueue.clear();
    link.simRemovalQueue.clear();
    link.simEventQueue.clear();
  }
  link.userObjectId = g_userObjectIdAfterReset;
  link.simBroken = false;
  std::lock_guard lock(link.userAcMutex);
  link.userAcTitle.clear();
  link.userStandName.clear();
  link.userAcData = UserAcData{};
  link.previousLat = link.previousLon = 0.0;
  link.blocksReceived = link.blocksStandChecked = 0;
  link.userHalfWingspan.reset();
}

}  // namespace vexo
