#include "realtraffic/traffic_receiver.h"

#include <algorithm>
#include <cstring>

#include "foundation/main_window_state.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "realtraffic/reader_display.h"
#include "realtraffic/record_fields.h"

namespace vexo {

TrafficReceiver g_trafficReceiver;

TrafficReceiver::TrafficReceiver() { fields.reserve(64); }

void TrafficReceiver::onReceive() { receiveRecord(); }

RecordOutcome TrafficReceiver::receiveRecord() { return processCurrentDatagram(currentContext()); }

RecordOutcome TrafficReceiver::processDatagram(std::string_view text, const RecordContext& context) {
  loadDatagram(text);
  return processCurrentDatagram(context);
}

RecordOutcome TrafficReceiver::processCurrentDatagram(const RecordContext& context) {
  if (datagram().find(" VEH") != std::string_view::npos) return RecordOutcome::vehicle;
  gf_splitRecord(datagram(), fields);
  return processLineSub(context);
}

void TrafficReceiver::onStop() {
  gf_setReaderLight(g_trafficLight, g_lightStopped);
  gf_log("Traffic Reader has stopped");
}

RecordContext TrafficReceiver::currentContext() const {
  RecordContext context;
  context.rangeNm = g_settings.rangeNm.load();
  context.airborneOnly = g_settings.AIRBORNE_ONLY.value.load();
  const std::lock_guard lock(placeMutex_);
  context.refPosition = refPosition_;
  context.parkAirportElevation = parkAirportElevation_;
  context.parkAirport = parkAirport_;
  return context;
}

void TrafficReceiver::setRefPosition(LatLon position) {
  const std::lock_guard lock(placeMutex_);
  refPosition_ = position;
}

void TrafficReceiver::setParkAirportElevation(std::optional<double> elevation) {
  const std::lock_guard lock(placeMutex_);
  parkAirportElevation_ = elevation;
}

std::optional<double> TrafficReceiver::parkAirportElevation() const {
  const std::lock_guard lock(placeMutex_);
  return parkAirportElevation_;
}

void TrafficReceiver::setParkAirport(std::optional<ParkAirportRef> parkAirport) {
  const std::lock_guard lock(placeMutex_);
  parkAirport_ = parkAirport;
}

void TrafficReceiver::startCollectingCallsigns() {
  const std::lock_guard lock(callsignsMutex_);
  callsigns_.clear();
  collectCallsigns.store(true);
}

void TrafficReceiver::stopCollectingCallsigns() {
  const std::lock_guard lock(callsignsMutex_);
  collectCallsigns.store(false);
}

std::unordered_set<std::string> TrafficReceiver::callsigns() const {
  const std::lock_guard lock(callsignsMutex_);
  return callsigns_;
}

void TrafficReceiver::clearCallsigns() {
  const std::lock_guard lock(callsignsMutex_);
  callsigns_.clear();
}

std::unordered_set<std::string> TrafficReceiver::takeCallsigns() {
  std::unordered_set<std::string> taken;
  const std::lock_guard lock(callsignsMutex_);
  collectCallsigns.store(false);
  taken.swap(callsigns_);
  return taken;
}

bool TrafficReceiver::collectCallsign(std::string_view callsign) {
  if (callsign.empty() || callsign == "null" || callsign.find('@') != std::string_view::npos) return false;
  const std::lock_guard lock(callsignsMutex_);
  // Seen again under the lock: a collection ended meanwhile takes nothing more.
  if (!collectCallsigns.load()) return false;
  callsigns_.emplace(callsign);
  return true;
}

}  // namespace vexo
