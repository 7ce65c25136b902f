// Spawning: a buffered live aircraft waits until its first position is due; then it is
// spawned, held back or dropped (capacity, the user's vicinity, blocked or invalid
// callsign, no livery, ghosts), gets its livery and first FlightState and is queued for
// creation. Ghosts are records whose callsign is another record's followed by "_".
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/aircraft_texts.h"
#include "engine/engine_hooks.h"
#include "engine/ground_movement.h"
#include "engine/learned_flight.h"
#include "engine/movement.h"
#include "engine/sim_requests.h"
#include "engine/spawning.h"
#include "engine/stands.h"
#include "engine/traffic_engine.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "liveries/liveries_services.h"
#include "refdata/codes.h"
#include "refdata/dbase_lookups.h"
#include "simlink/refused_liveries.h"

namespace vexo {

namespace {

constexpr std::size_t g_maxWaitingCreations = 10;
constexpr double g_slowUserKnots = 8.0;
constexpr double g_nearUserMetres = 500.0;
constexpr double g_collisionGroundNm = 0.08099352051835854;  // 150 m
constexpr double g_metresPerNm = 1852.0;

void lf_drop(LiveAc& a) { a.eraseFromBuffer = 1; }

void lf_pop(LiveAc& a) {
  if (!a.stream.empty()) a.stream.pop_front();
}

void lf_setFlightState(LiveAc& a, FlightState state) {
  a.prevFlightState = a.flightState;
  a.flightState = state;
}

bool lf_endsInUnderscore(const std::string& callsign) { return !callsign.empty() && callsign.back() == '_'; }

bool lf_mixedGroundAndAir(const LiveAc& a) {
  bool air = false;
  bool ground = false;
  for (const StreamPos& p : a.stream) (p.airborne != 0 ? air : ground) = true;
  return air && ground;
}

// The aircraft in the simulator or on their way there. A creation already sent but not
// yet settled counts too: left out, every spawn in those two seconds would pass the limit.
std::size_t lf_liveInSim(const TrafficEngine& engine) {
  return static_cast<std::size_t>(std::count_if(engine.liveAcs.begin(), engine.liveAcs.end(), [](const LiveAc& a) {
    return a.simState == SimState::active || a.simState == SimState::adding2sim;
  }));
}

double lf_userDistanceNm(const UserAcData& user, double lat, double lon) {
  return gf_greatCircleNm({user.latitude, user.longitude}, {lat, lon});
}

// Step 11: codes from the dbase by registration, else the airline from the callsign.
void lf_completeCodes(LiveAc& a) {
  if (a.codes.marker != 0) return;
  if (!a.registration.empty()) {
    if (auto codes = gf_dbaseLookup(a.registration)) a.codes = *codes;
  }
  if (a.codes.airlineId != 0) return;
  const auto prefix = gf_callsignAirlinePrefix(a.callsign);
  a.codes.airlineId = gf_airlineCode2Id(prefix ? *prefix : g_privateAirline);
}

// The title kept for the hexid unless the simulator refused it since, else a new choice
// (kept for the hexid).
std::optional<std::string_view> lf_liveryFor(LiveAc& a, TrafficEngine& engine) {
  if (const auto kept = gf_getLiveryForHexid(a.hexid, engine)) return kept;
  engine.hooks.matchLivery(a, engine.link.refusedLiveryTitles);
  if (a.liveryTitle.empty()) return std::nullopt;
  engine.hexidLiveries[a.hexid] = a.liveryTitle;
  return a.liveryTitle;
}

}  // namespace

bool lf_holdNearUser(LiveAc& a, TrafficEngine& engine) {
  const UserAcData user = engine.userAc.get();
  const StreamPos& head = a.stream.front();
  if (engine.link.userOnGround.load()) {
    const double dNm = lf_userDistanceNm(user, head.lat, head.lon);
    if (a.nearUser != 0) {
      if (user.groundSpeed > g_slowUserKnots) {
        lf_pop(a);
        return true;
      }
      const bool slowAndAway = head.groundSpeed <= g_slowUserKnots && dNm * g_metresPerNm >= g_nearUserMetres;
      if (head.airborne == 0 && !slowAndAway) {
        lf_pop(a);
        return true;
      }
    }
    if (g_settings.COLLISION_USER_GND.value && head.airborne == 0 && dNm <= g_collisionGroundNm) {
      lf_pop(a);
      return true;
    }
    return false;
  }
  if (!g_settings.COLLISION_USER_AIR.value) return false;
  // The user-path test reads the aircraft's altitude and heading, which the initial
  // attitude sets only at spawn: take them from the head (and the way to the next).
  a.lat = head.lat;
  a.lon = head.lon;
  a.altitude = head.altitude;
  a.heading = a.stream.size() >= 2 && a.stream[1].stationary == 0
                  ? gf_initialBearing({head.lat, head.lon}, {a.stream[1].lat, a.stream[1].lon})
                  : std::fmod(head.track * g_degToRad, g_twoPi);
  const bool wasNear = a.nearUser != 0;
  if (gf_removeIfUserBehind(a, 1, engine)) {
    a.nearUser = 1;
    lf_pop(a);
    return true;
  }
  if (wasNear) {
    lf_pop(a);
    return true;
  }
  return false;
}

void lf_spawnDecision(LiveAc& a, TrafficEngine& engine) {
  if (a.stream.empty()) return lf_drop(a);
  if (a.stream.front().dueTick > engine.trafficTick.load(std::memory_order_relaxed)) return;
  if (a.stream.size() == 1) {
    lf_pop(a);
    return lf_drop(a);
  }
  const auto& ghosts = engine.ghostCallsigns;
  if (lf_endsInUnderscore(a.callsign) && std::find(ghosts.begin(), ghosts.end(), a.callsign) != ghosts.end())
    return lf_drop(a);
  if (lf_mixedGroundAndAir(a)) return lf_pop(a);
  if (lf_holdNearUser(a, engine)) return;
  // The hold near the user may have dropped the record (the user-path test removes it).
  if (a.eraseFromBuffer != 0) return;
  // The creations waiting: those queued for the simulator and those on the adding stack
  // that feeds the queue one a cycle. Counting the queue alone, every aircraft falling due
  // in one cycle would pass, and the last would be created half a minute after their head
  // fell due. Held back, a new aircraft drops its head positions as they fall due, so it
  // is created later from a current position.
  const std::size_t waiting = engine.liveAddQueue.size() + engine.addingStack.size();
  if (waiting > g_maxWaitingCreations && a.flightState == FlightState::birth) return lf_pop(a);
  const std::int32_t maxLive = g_settings.MAX_LIVE_SEL.value;
  if (maxLive <= 0) return lf_drop(a);
  if (lf_liveInSim(engine) >= static_cast<std::size_t>(maxLive)) {
    const StreamPos& head = a.stream.front();
    const double d = lf_userDistanceNm(engine.userAc.get(), head.lat, head.lon);
    if (gf_removeFarthestLiveAc(d, engine)) return lf_drop(a);
  }
  if (g_settings.BLOCK_CALLSIGN.valueEquals(a.callsign) && !a.callsign.empty()) return lf_drop(a);
  lf_completeCodes(a);
  if (!gf_isValidCallsign(a)) a.callsign = a.registration;
  if (!gf_isValidCallsign(a)) return lf_drop(a);
  if (g_missingLiveries.contains(gf_acLabelReg(a))) return lf_drop(a);
  if (lf_endsInUnderscore(a.callsign) && lf_ghostOfLive(a.callsign, engine)) return lf_drop(a);
  spawnLiveAc(a, engine);
}

bool gf_removeFarthestLiveAc(double distanceNm, TrafficEngine& engine) {
  const UserAcData user = engine.userAc.get();
  double best = distanceNm < 0.0 ? -std::numeric_limits<double>::infinity() : distanceNm;
  const double margin = distanceNm < 0.0 ? 0.0 : 0.1;
  LiveAc* farthest = nullptr;
  for (LiveAc& a : engine.liveAcs) {
    if (a.simState != SimState::active) continue;
    const double d = lf_userDistanceNm(user, a.lat, a.lon);
    if (d - best > margin) {
      best = d;
      farthest = &a;
    }
  }
  if (farthest == nullptr) return true;
  removeAircraftFromSim(*farthest, engine);
  return false;
}

void spawnLiveAc(LiveAc& a, TrafficEngine& engine) {
  if (a.stream.size() < 2) {
    gf_logWarning(fmt::format("{} sz:{}", "spawnLiveAc", a.stream.size()));
    return;
  }
  StreamPos& head = a.stream[0];
  StreamPos& second = a.stream[1];
  if (second.stationary != 0) {
    head.stationary = 1;
    head.groundSpeed = 0.0;
    second.groundSpeed = 0.0;
    if (a.stream.size() >= 3 && a.stream[2].stationary != 0) a.stream[2].groundSpeed = 0.0;
  } else {
    head.stationary = 0;
  }
  if (a.flightState == FlightState::birth) {
    if (a.liveryTitle.empty()) {
      if (const auto title = lf_liveryFor(a, engine)) {
        a.liveryTitle = *title;
      } else {
        if (!a.registration.empty()) g_missingLiveries.insert(gf_acLabelReg(a));
        return lf_drop(a);
      }
    }
    if (a.stream.front().airborne != 0) {
      lf_setFlightState(a, FlightState::flying);
      engine.maxParkRemoved.erase(a.hexid);
    } else if (const auto stand = lf_checkStandAtSpawn(a, engine)) {
      lf_parkAtSpawn(a, *stand, engine);
    } else if (a.eraseFromBuffer != 0) {
      return;
    } else if (a.stream[1].stationary != 0) {
      return lf_pop(a);
    } else {
      lf_setFlightState(a, FlightState::taxi);
      engine.maxParkRemoved.erase(a.hexid);
    }
  }
  // A new record has no extension running; one that comes back from a livery respawn
  // may have used one up.
  if (a.stepsLeft < 0) a.stepsLeft = 0;
  lf_initAttitude(a, engine);
  a.simState = SimState::adding2sim;
  engine.addingStack.push_back(a.hexid);
  if (!lf_endsInUnderscore(a.callsign)) lf_checkGhost(a.callsign, engine);
}

void lf_parkAtSpawn(LiveAc& a, const StandAtSpawn& stand, TrafficEngine& engine) {
  a.standLat = stand.lat;
  a.standLon = stand.lon;
  a.standHeading = stand.heading;
  a.sid = stand.sid;
  a.standFlag = stand.cargo;
  lf_setFlightState(a, FlightState::parked);
  const WeekSlot slot = engine.weekSlotNow.load();
  a.parkedDay = static_cast<std::uint32_t>(std::max(slot.weekday, 0));
  a.parkedSlot = static_cast<std::uint32_t>(std::max(slot.halfHour, 0));
  a.parkCheckTime = engine.hooks.clock100ns();
  a.maxStandDistance = 0.0;
  a.standDistanceSteps = 0;
  a.stream.resize(1);
  StreamPos& head = a.stream.front();
  head.lat = stand.lat;
  head.lon = stand.lon;
  head.track = stand.heading * g_radToDeg;
  lf_confirmStandChange(a, engine);
  lf_addRealStandOption(a.sid, a, 1, engine);
  lf_checkMaxPark(1, engine);
}

void lf_checkGhost(const std::string& callsign, TrafficEngine& engine) {
  const std::string ghost = callsign + "_";
  for (LiveAc& g : engine.liveAcs) {
    if (g.callsign != ghost || g.simState == SimState::removingfromsim) continue;
    if (g.flightState == FlightState::parked)
      gf_log(fmt::format("{:8}: {:8} is a ghost and will be removed, continue with {}", gf_standName(g.sid), ghost,
                         callsign));
    else
      gf_log(fmt::format("          {:8} is a ghost and will be removed, continue with {}", ghost, callsign));
    engine.ghostCallsigns.push_back(ghost);
    removeAircraftFromSim(g, engine);
  }
}

bool lf_ghostOfLive(const std::string& callsign, const TrafficEngine& engine) {
  if (callsign.empty()) return false;
  const std::string_view owner(callsign.data(), callsign.size() - 1);
  return std::any_of(engine.liveAcs.begin(), engine.liveAcs.end(), [&](const LiveAc& a) {
    return a.callsign == owner && a.simState != SimState::removingfromsim;
  });
}

}  // namespace vexo
