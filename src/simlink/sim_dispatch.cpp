#include "simlink/sim_dispatch.h"

#include <algorithm>
#include <span>

#include <fmt/format.h>

#include "foundation/main_window_state.h"
#include "foundation/run_state.h"
#include "foundation/status_line.h"
#include "engine/sim_responses.h"
#include "foundation/error.h"
#include "foundation/log.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "simlink/byte_io.h"
#include "simlink/sim_action_queues.h"
#include "simlink/sim_client.h"
#include "simlink/sim_vocabulary.h"
#include "simlink/user_aircraft.h"

namespace vexo {

namespace {

namespace R = SimConnectRecvId;
constexpr std::uint32_t g_ignoredMessage16 = 16;
constexpr double g_onGroundReportCeilingFt = 2500.0;

// Erasing from the unordered lists: the last entry takes the erased place.
template <class T>
void lf_eraseUnordered(std::vector<T>& list, typename std::vector<T>::iterator it) {
  *it = std::move(list.back());
  list.pop_back();
}

void lf_newFlight() { gf_requestClosing(ExitReason::newFlight, 30); }

void lf_onEvent(SimLink& link, const RecvEvent& event) {
  switch (event.eventId) {
    case SystemEventId::sim: {
      const bool running = event.data == 1;
      g_flightRunning = running;
      g_mainWindowState.flightRunning = running;
      gf_repaintSimState();
      break;
    }
    case SystemEventId::positionChanged:
      gf_logWarning("User ac position changed");
      lf_newFlight();
      break;
    case SystemEventId::flightLoaded:
      gf_log("SimConnect: flight loaded event");
      lf_rememberUserStand(link);
      lf_newFlight();
      break;
    default:
      break;
  }
}

void lf_onObjectAddRemove(SimLink& link, const RecvObjectAddRemove& event) {
  if (event.objectType != SimConnectObjectType::AIRCRAFT) return;
  if (event.eventId == SystemEventId::objectAdded) {
    if (event.objectId > link.userObjectId) link.objectAddedIds.push_back(event.objectId);
  } else if (event.eventId == SystemEventId::objectRemoved) {
    gf_pushSimResponse({event.objectId, 0, 0, SimResponseKind::removed, 0.0, 0.0});
  }
}

bool lf_versionAccepted(const std::string& simText, std::uint32_t major) {
  const std::string installPath = g_settings.SIM_INSTALL_PATH.value();
  const auto has = [](const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; };
  if (has(simText, "v5") && (has(installPath, "v5") || has(installPath, "V5") || major == 5)) return true;
  if (has(simText, "v6") && (has(installPath, "v6") || has(installPath, "V6") || major == 6)) return true;
  return false;
}

// A creation of this program came back as a new object: it is tied to its aircraft.
void lf_onOwnObjectCreated(SimLink& link, std::uint32_t objectId, std::uint32_t hexid, double altAboveGround) {
  {
    std::lock_guard lock(link.simConnectMutex);
    SimConnect_AIReleaseControl(link.hSimConnect, objectId, RequestId::aiReleaseControl);
    for (const std::uint32_t event : {ClientEventId::FREEZE_LATITUDE_LONGITUDE_SET,
                                      ClientEventId::FREEZE_ALTITUDE_SET, ClientEventId::FREEZE_ATTITUDE_SET})
      link.simEventQueue.push_back({objectId, event, 1});
  }
  // Pushed only after simConnectMutex is released: the engine may hold its response list
  // while it waits for simConnectMutex.
  if (hexid <= g_staticHexidLimit)
    gf_pushSimResponse({objectId, hexid, 0, SimResponseKind::createdStatic, 0.0, 0.0});
  else
    gf_pushSimResponse({objectId, hexid, 0, SimResponseKind::createdLive, 0.0, altAboveGround});
}

}  // namespace

std::string gf_cleanSimulatorName(std::string_view name) {
  std::string cleaned;
  for (const char c : name) {
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const bool digit = c >= '0' && c <= '9';
    const bool space = c == ' ' || (c >= '\t' && c <= '\r');
    if (letter || digit || space) cleaned.push_back(c);
  }
  return cleaned;
}

void lf_dispatch(const std::byte* pData, std::uint32_t cbData, void* pContext) {
  if (!pData) return;
  SimLink& link = pContext ? *static_cast<SimLink*>(pContext) : g_simLink;
  const std::span<const std::byte> message(pData, cbData);
  const auto header = gf_readRecvHeader(message);
  if (!header) return;
  switch (header->id) {
    case R::EXCEPTION:
      if (const auto m = gf_readRecvException(message)) lf_onException(link, *m);
      break;
    case R::OPEN:
      if (const auto m = gf_readRecvOpen(message)) lf_onOpen(link, *m);
      break;
    case R::QUIT:
      g_flightRunning = false;
      break;
    case R::EVENT:
      if (const auto m = gf_readRecvEvent(message)) lf_onEvent(link, *m);
      break;
    case R::EVENT_OBJECT_ADDREMOVE:
      if (const auto m = gf_readRecvObjectAddRemove(message)) lf_onObjectAddRemove(link, *m);
      break;
    case R::EVENT_FILENAME:
      gf_logWarning("SimConnect: New file event");
      lf_rememberUserStand(link);
      lf_newFlight();
      break;
    case R::EVENT_FRAME:
      lf_onFrame(link);
      break;
    case R::SIMOBJECT_DATA:
      if (const auto m = gf_readRecvSimObjectData(message)) lf_onSimObjectData(link, *m);
      break;
    case R::SIMOBJECT_DATA_BYTYPE:
      if (const auto m = gf_readRecvSimObjectData(message)) lf_onSimObjectDataByType(link, *m);
      break;
    case R::ASSIGNED_OBJECT_ID:
    case g_ignoredMessage16:
      break;
    default:
      gf_log(fmt::format("! Unknown Dispatch dwID {}", header->id));
      break;
  }
}

void lf_onOpen(SimLink& link, const RecvOpen& open) {
  if (open.applicationName.empty()) {
    gf_log("! Simulator name empty?");
    return;
  }
  g_mainWindowState.simConnected = true;
  gf_repaintSimState();
  const std::string name = gf_cleanSimulatorName(open.applicationName);
  if (name == "KittyHawk" || name == "SunRise")
    throw UserErrorException(78, name + ", (MSFS) not being P3D connects ... ?");
  const std::string simText = fmt::format("{} ({}.{}.{}.{})", name, open.versionMajor, open.versionMinor,
                                          open.buildMajor, open.buildMinor);
  gf_log(fmt::format("{} connected", simText));
  g_mainWindowState.updateTexts([&](ShownTexts& t) { t.simulatorText = simText; });
  gf_repaintSimState();
  if (lf_versionAccepted(simText, link.simMajorVersion)) {
    gf_clearStatus();
    return;
  }
  g_settings.ALL_INSTALL_PATH.enable();
  throw UserErrorException(78, fmt::format("wrong P3D version '{}' connects ... ?)", simText));
}

void lf_onException(SimLink& link, const RecvException& exception) {
  namespace X = SimConnectException;
  switch (exception.exception) {
    case X::UNRECOGNIZED_ID: {
      const UserAcData user = link.userAc();
      if (gf_isNullPosition(user.latitude, user.longitude) || gf_runEnding()) return;
      gf_logWarning("SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID");
      return;
    }
    case X::VERSION_MISMATCH:
      throw UserErrorException(95, fmt::format("SimConnect Version Mismatch, dwIndex: {}", exception.index));
    case X::TOO_MANY_OBJECTS:
      gf_setStatus("SimConnect: too many objects (max 1000)", true);
      return;
    case X::INVALID_DATA_SIZE:
      gf_log("SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE");
      return;
    case X::CREATE_OBJECT_FAILED: {
      auto& sent = link.sentCreateList;
      const auto it = std::find_if(sent.begin(), sent.end(),
                                   [&](const SentCreate& s) { return s.sendId == exception.sendId; });
      if (it == sent.end()) return;
      const std::uint32_t hexid = it->hexid;
      lf_eraseUnordered(sent, it);
      if (hexid != 0) gf_pushSimResponse({0, hexid, 0, SimResponseKind::createFailed, 0.0, 0.0});
      return;
    }
    case X::LOAD_FLIGHTPLAN_FAILED:
      gf_logWarning("SimConnect exception: load flight plan failed");
      return;
    case X::OPERATION_INVALID_FOR_OBJECT_TYPE:
      gf_log("SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE");
      return;
    default:
      gf_logWarning(fmt::format("SIMCONNECT_EXCEPTION #{}", exception.exception));
      return;
  }
}

void lf_onSimObjectData(SimLink& link, const RecvSimObjectData& data) {
  switch (data.requestId) {
    case RequestId::staticCg: {
      const auto block = gf_dataBlock(data, g_staticCgBlockSize);
      if (!block) return;
      ByteReader r(*block);
      gf_pushSimResponse({data.objectId, 0, 0, SimResponseKind::staticCg, r.f64(0), r.f64(8)});
      return;
    }
    case RequestId::userTitle:
      lf_onUserAcTitle(link, data);
      return;
    case RequestId::userModel:
      lf_onUserAcModel(link, data);
      return;
    case RequestId::userOnGround:
    case RequestId::userAircraft:
      lf_onUserAcData(link, data);
      return;
    default:
      return;
  }
}

void lf_onSimObjectDataByType(SimLink& link, const RecvSimObjectData& data) {
  if (data.requestId != RequestId::aircraftInRange || data.objectId <= link.userObjectId) return;
  const auto block = gf_dataBlock(data, g_inRangeBlockSize);
  if (!block) return;
  ByteReader r(*block);
  const double altAboveGround = r.f64(0);
  const double groundAltitude = r.f64(8);
  const std::int64_t onGround = r.i64(16);
  const std::string atcId = r.fixedString(24, g_atcIdWidth);

  auto& added = link.objectAddedIds;
  if (const auto it = std::find(added.begin(), added.end(), data.objectId); it != added.end()) {
    lf_eraseUnordered(added, it);
    auto& sent = link.sentCreateList;
    const auto own = atcId.empty() ? sent.end()
                                   : std::find_if(sent.begin(), sent.end(),
                                                  [&](const SentCreate& s) { return s.callsign == atcId; });
    if (own == sent.end()) {
      gf_log(fmt::format("just spawned, but not by {}, oid: {}, callsign '{}', altaboveGnd:{:.0f} ft, onground:{}, "
                         "gnd_alt:{:.0f} ft",
                         g_programName, data.objectId, atcId, altAboveGround, onGround, groundAltitude));
      return;
    }
    const std::uint32_t hexid = own->hexid;
    lf_eraseUnordered(sent, own);
    lf_onOwnObjectCreated(link, data.objectId, hexid, altAboveGround);
    return;
  }
  if (altAboveGround > g_onGroundReportCeilingFt || atcId.empty() || atcId.back() == '*') return;
  gf_pushSimResponse({data.objectId, static_cast<std::uint32_t>(onGround), 0, SimResponseKind::onGround,
                      groundAltitude, altAboveGround});
}

}  // namespace vexo
