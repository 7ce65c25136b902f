#include "simlink/user_aircraft.h"

#include <fmt/format.h>

#include "airports/airports_services.h"
#include "foundation/main_window_state.h"
#include "foundation/run_state.h"
#include "engine/engine_services.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "simlink/byte_io.h"
#include "simlink/sim_client.h"
#include "simlink/sim_vocabulary.h"

namespace vexo {

namespace {

constexpr double g_standStillKnots = 2.0;

std::int64_t lf_floorDiv(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

void lf_onUserOnGround(SimLink& link, const RecvSimObjectData& data) {
  const auto block = gf_dataBlock(data, 8);
  if (!block) return;
  const UserAcData user = link.userAc();
  if (!gf_isNullPosition(user.latitude, user.longitude)) {
    link.userOnGround = ByteReader(*block).u32(0) != 0;
    link.userOnGroundKnown = true;
  }
  g_userAcReported = true;
}

void lf_onUserBlock(SimLink& link, const RecvSimObjectData& data) {
  const auto block = gf_dataBlock(data, g_userAcBlockSize);
  if (!block) return;
  UserAcData user = UserAcData::fromBlock(*block);
  if (user.altitude < 0.0) user.altitude = 0.0;
  bool teleport = false;
  {
    std::lock_guard lock(link.userAcMutex);
    const LatLon previous{link.previousLat, link.previousLon};
    const LatLon now{user.latitude, user.longitude};
    teleport = !gf_isNullPosition(previous.lat, previous.lon) && !gf_isNullPosition(now.lat, now.lon) &&
               gf_greatCircleNm(previous, now) > g_teleportNm;
    link.previousLat = now.lat;
    link.previousLon = now.lon;
    link.userAcData = user;
    ++link.blocksReceived;
  }
  if (teleport) {
    gf_log("Teleport");
    gf_requestClosing(ExitReason::newFlight, 30);
  }
  // Kept current for every block; the tick loop sends it only to RealTraffic's
  // professional edition.
  link.simUtcSeconds = gf_simUtcSeconds(user.zuluYear, user.zuluDayOfYear, user.zuluTime);
  link.userObjectId = data.objectId;
}

}  // namespace

std::int64_t gf_simUtcSeconds(std::int64_t zuluYear, std::int64_t zuluDayOfYear, std::int64_t zuluTime) {
  const std::int64_t y = static_cast<std::int16_t>(static_cast<std::uint16_t>(zuluYear));
  const std::int64_t d = static_cast<std::uint32_t>(zuluDayOfYear);
  const std::int64_t days = 365 * (y - 1) + lf_floorDiv(y - 1, 4) - lf_floorDiv(y - 1, 100) +
                            lf_floorDiv(y - 1, 400) + d - 719163;
  return days * 86400 + zuluTime;
}

UserAcData gf_getUserAcPosition(SimLink& link) {
  if (!link.simBroken) {
    HRESULT hr = S_OK;
    {
      std::lock_guard lock(link.simConnectMutex);
      hr = SimConnect_RequestDataOnSimObject(link.hSimConnect, RequestId::userAircraft,
                                             DataDefinitionId::userAircraft, g_simConnectUserObject,
                                             SimConnectPeriod::ONCE, 0, 0, 0, 0);
    }
    if (!gf_succeeded(hr)) {
      gf_logWarning("SimConnect request user ac position fails");
      gf_simConnectRequestError(link);
    }
  }
  lf_updateUserStand(link);
  return link.userAc();
}

void gf_requestUserAcTitleAndModel(SimLink& link) {
  HRESULT titleResult = S_OK;
  HRESULT modelResult = S_OK;
  {
    std::lock_guard lock(link.simConnectMutex);
    titleResult = SimConnect_RequestDataOnSimObject(link.hSimConnect, RequestId::userTitle, DataDefinitionId::userTitle,
                                                    g_simConnectUserObject, SimConnectPeriod::ONCE, 0, 0, 0, 0);
    modelResult = SimConnect_RequestDataOnSimObject(link.hSimConnect, RequestId::userModel, DataDefinitionId::userModel,
                                                    g_simConnectUserObject, SimConnectPeriod::ONCE, 0, 0, 0, 0);
  }
  if (!gf_succeeded(titleResult)) {
    gf_logWarning("SimConnect request user ac title fails");
    gf_simConnectRequestError(link);
  }
  if (!gf_succeeded(modelResult)) {
    gf_logWarning("SimConnect reques user ac model fails");
    gf_simConnectRequestError(link);
  }
}

void lf_updateUserStand(SimLink& link) {
  double lat = 0.0, lon = 0.0;
  {
    std::lock_guard lock(link.userAcMutex);
    if (link.blocksReceived == link.blocksStandChecked) return;
    link.blocksStandChecked = link.blocksReceived;
    lat = link.userAcData.latitude;
    lon = link.userAcData.longitude;
  }
  const std::string stand = link.nearestStandName ? link.nearestStandName(lat, lon) : std::string();
  bool changed = false;
  {
    std::lock_guard lock(link.userAcMutex);
    changed = stand != link.userStandName;
    link.userStandName = stand;
  }
  if (!changed) return;
  g_mainWindowState.updateTexts([&](ShownTexts& t) { t.userStand = stand; });
  gf_repaintSimState();
}

void lf_rememberUserStand(SimLink& link) {
  if (!link.userOnGroundKnown || g_userAc.get().groundSpeed > g_standStillKnots) return;
  // The stand was looked up on the tick thread for the newest block: at most a second old,
  // and the aircraft stands still.
  const std::string stand = link.standName();
  if (stand.empty()) return;
  {
    std::lock_guard lock(g_parkAirportsMutex);
    if (g_parkAirports.empty()) return;
    ParkAirportEntry& front = g_parkAirports.front();
    if (!(front.icao == g_parkAirportId.load()) || front.reservedStand == stand) return;
    front.reservedStand = stand;
  }
  gf_addToMyParkAirports();
}

void lf_onUserAcData(SimLink& link, const RecvSimObjectData& data) {
  if (data.requestId == RequestId::userOnGround)
    lf_onUserOnGround(link, data);
  else if (data.requestId == RequestId::userAircraft)
    lf_onUserBlock(link, data);
}

void lf_onUserAcTitle(SimLink& link, const RecvSimObjectData& data) {
  std::string title = ByteReader(data.data).varString(0);
  if (title.empty()) {
    gf_log("! Title of your aircraft is empty?");
    return;
  }
  if (title.size() > g_maxTitleLength) title.resize(g_maxTitleLength);
  {
    std::lock_guard lock(link.userAcMutex);
    if (title == link.userAcTitle) return;
    link.userAcTitle = title;
  }
  g_mainWindowState.updateTexts([&](ShownTexts& t) { t.aircraftTitle = title; });
  gf_repaintSimState();
  gf_logIndented("SimConnect: User aircraft title: " + title);
}

}  // namespace vexo
