// Stands for live aircraft: the stand search, parking a taxiing aircraft, who makes way
// for whom, and the stand bookkeeping when the simulator created a live aircraft.
#include <algorithm>
#include <cmath>
#include <optional>

#include <fmt/format.h>

#include "airports/airports_state.h"
#include "airports/static_parking.h"
#include "engine/aircraft_texts.h"
#include "engine/engine_hooks.h"
#include "engine/ground_movement.h"
#include "engine/learned_flight.h"
#include "engine/movement.h"
#include "engine/sim_requests.h"
#include "engine/spawning.h"
#include "engine/stands.h"
#include "engine/traffic_engine.h"
#include "foundation/log.h"
#include "refdata/dbase_lookups.h"
#include "simlink/flight_plans.h"
#include "simlink/sim_client.h"

namespace vexo {

namespace {

constexpr double g_oneMetreNm = 0.0005399568034557236;
constexpr double g_fitMarginNm = 0.0009719222462203025;  // 1.8 m
constexpr double g_smallStandNm = 0.010799136069114472;  // 20 m
constexpr double g_spawnRadiusNm = 0.029697624190064796;  // 55 m
constexpr double g_preferredNm = 0.0458963282937365;     // 85 m
constexpr double g_samePlace = 1e-8;                     // degrees
constexpr double g_noDistance = 900.0;                   // nm
constexpr double g_parkAirportSpawnNm = 5.0;
constexpr double g_slowAtSpawnKnots = 5.0;
constexpr double g_standingSpreadNm = 0.018898488120950324;  // 35 m

double lf_distance(const ParkingPosition& a, const ParkingPosition& b) {
  return gf_greatCircleNm(LatLon{a.latitude, a.longitude}, LatLon{b.latitude, b.longitude});
}

bool lf_fits(const ParkingPosition& stand, const LiveAc& aircraft) {
  return stand.radius >= aircraft.halfSpan - g_fitMarginNm;
}

// The stand holds a real learned flight of this aircraft: its callsign, or its codes.
bool lf_learnedThere(const ParkingPosition& stand, const LiveAc& aircraft) {
  return std::ranges::any_of(stand.learnedFlights, [&](const LearnedFlight& f) {
    if (f.index == 0 || f.real != 1) return false;
    if (f.callsign == aircraft.callsign || f.callsign2 == aircraft.callsign) return true;
    return f.codes.airlineId == aircraft.codes.airlineId && f.codes.modelId == aircraft.codes.modelId &&
           f.codes.operatorId == aircraft.codes.operatorId;
  });
}

// A callsign without its last character; none for a callsign too short to have one.
std::optional<std::string_view> lf_withoutLastChar(std::string_view callsign) {
  if (callsign.size() < 2) return std::nullopt;
  return callsign.substr(0, callsign.size() - 1);
}

bool lf_endsWithUnderscore(std::string_view callsign) { return !callsign.empty() && callsign.back() == '_'; }

LiveAc* lf_firstLiveAt(std::uint32_t sid, TrafficEngine& engine) {
  const auto it = std::ranges::find(engine.liveAcs, sid, &LiveAc::sid);
  return it == engine.liveAcs.end() ? nullptr : &*it;
}

bool lf_anotherParkingAt(std::uint32_t sid, const LiveAc& aircraft, const TrafficEngine& engine) {
  return std::ranges::any_of(engine.liveAcs, [&](const LiveAc& o) {
    return &o != &aircraft && o.sid == sid && o.flightState == FlightState::parking &&
           o.simState != SimState::removingfromsim && o.removeWhenCreated == 0;
  });
}

const ParkingPosition* lf_adjacentStand(std::uint32_t sid) {
  return sid < 1 ? nullptr : gf_standBySid(sid);
}

// The live aircraft parked on the adjacent stand that would collide with the aircraft on
// the stand; null when none.
LiveAc* lf_collidingNeighbour(std::uint32_t adjacentSid, const LiveAc& aircraft, const ParkingPosition& stand,
                              TrafficEngine& engine) {
  const ParkingPosition* adjacent = lf_adjacentStand(adjacentSid);
  if (adjacent == nullptr) return nullptr;
  LiveAc* other = lf_firstLiveAt(adjacentSid, engine);
  if (other == nullptr || other->simState != SimState::active) return nullptr;
  if (other->flightState != FlightState::parked && other->flightState != FlightState::pushing_back) return nullptr;
  const double spans = (gf_halfWingspan(aircraft.codes.modelId) + gf_halfWingspan(other->codes.modelId)) * 1.1;
  return spans >= lf_distance(*adjacent, stand) ? other : nullptr;
}

// The stand the user aircraft stands on; empty when it is not on the ground.
std::string lf_userStand(TrafficEngine& engine) {
  if (!engine.link.userOnGround.load()) return {};
  const UserAcData user = engine.userAc.get();
  return g_standNames.nearest(user.latitude, user.longitude);
}

}  // namespace

ParkingPosition* lf_findStandFor(LatLon position, const LiveAc& aircraft, double radiusNm, bool wide) {
  if (g_stands.empty()) return nullptr;
  double best = g_noDistance;
  double bestPreferred = g_noDistance;
  ParkingPosition* candidate = nullptr;
  ParkingPosition* preferred = nullptr;
  const ParkingPosition* small = nullptr;
  for (ParkingPosition& stand : g_stands) {
    const double d = gf_greatCircleNm(position, LatLon{stand.latitude, stand.longitude});
    if (d <= radiusNm && d < best) {
      if (lf_fits(stand, aircraft)) {
        candidate = &stand;
        best = d;
      } else if (d <= g_smallStandNm) {
        candidate = &stand;
        best = d;
        small = &stand;
      }
      wide = false;
    } else if (wide && d <= g_preferredNm && d < bestPreferred && lf_fits(stand, aircraft) &&
               !aircraft.callsign.empty() && lf_learnedThere(stand, aircraft)) {
      preferred = &stand;
      bestPreferred = d;
    }
  }
  ParkingPosition* result = candidate != nullptr ? candidate : preferred;
  if (result == nullptr) return nullptr;
  if ((result->heli != 0) != (aircraft.category == AcCategory::Rotorcraft)) return nullptr;
  if (result == small) {
    ParkingPosition* first = gf_standBySid(result->sid);
    if (first == nullptr) first = result;
    first->radius = aircraft.halfSpan - g_oneMetreNm;
    first->radius_change = 1;
    gf_countAirportFileUpdate();
  }
  return result;
}

void try2Park(LiveAc& aircraft, bool wide, TrafficEngine& engine) {
  if (aircraft.stream.empty()) {
    gf_logWarning(fmt::format("{} empty sz?", "try2Park"));
    return;
  }
  const StreamPos& p = aircraft.stream.back();
  if (std::fabs(p.lat - aircraft.standSearchLat) < g_samePlace && std::fabs(p.lon - aircraft.standSearchLon) < g_samePlace)
    return;
  aircraft.standSearchLat = p.lat;
  aircraft.standSearchLon = p.lon;
  ParkingPosition* stand =
      lf_findStandFor(LatLon{p.lat, p.lon}, aircraft, wide ? g_spawnRadiusNm : g_smallStandNm, wide);
  if (stand == nullptr) return;
  if (!g_reservedStand.empty() && stand->id == g_reservedStand) return;
  if (stand->id == lf_userStand(engine)) return;
  // Given twice, the stand would take two aircraft driving onto each other, and the later
  // to arrive would be removed there: this one taxis on and looks again with its next
  // position, and once the other has parked the newer report wins (below).
  if (lf_anotherParkingAt(stand->sid, aircraft, engine)) return;
  if (LiveAc* there = lf_firstLiveAt(stand->sid, engine);
      there != nullptr && there != &aircraft && there->flightState == FlightState::parked &&
      there->simState == SimState::active) {
    gf_log(fmt::format("{:8}: {:8} removed, {} wants to park there", stand->id, there->callsign, aircraft.callsign));
    removeAircraftFromSim(*there, engine);
  }
  for (std::uint32_t adjacent : stand->adjacent) lf_removeAdjacentLiveParked(adjacent, aircraft, *stand, engine);
  lf_makeWayForLive(aircraft, *stand, engine);
  aircraft.standLat = stand->latitude;
  aircraft.standLon = stand->longitude;
  aircraft.standHeading = stand->heading;
  aircraft.sid = stand->sid;
  aircraft.standFlag = stand->cargo;
  if (aircraft.stream.size() > 1) aircraft.stream.resize(1);
  if (aircraft.flightState != FlightState::parking) {
    aircraft.prevFlightState = aircraft.flightState;
    aircraft.flightState = FlightState::parking;
  }
  drive2Stand(aircraft, stand->latitude, stand->longitude, stand->heading, engine);
}

void gf_setStandLiveFlag(std::int32_t sid, std::uint8_t flag) {
  if (sid < 1) return;
  if (ParkingPosition* stand = gf_standBySid(static_cast<std::uint32_t>(sid))) stand->occupied = flag;
}

bool gf_parkStandsReady() { return !g_stands.empty(); }

std::optional<double> gf_standRadiusNm(std::uint32_t sid) {
  const ParkingPosition* stand = gf_standBySid(sid);
  return stand == nullptr ? std::nullopt : std::optional<double>(stand->radius);
}

bool gf_standHasLive(std::uint32_t sid) {
  const ParkingPosition* stand = gf_standBySid(sid);
  return stand != nullptr && stand->occupied != 0;
}

void lf_confirmStandChange(LiveAc& aircraft, TrafficEngine& /*engine*/) {
  if (aircraft.codes.cargo == 0 || aircraft.standFlag != 0 || aircraft.sid < 1) return;
  ParkingPosition* stand = gf_standBySid(aircraft.sid);
  if (stand == nullptr || stand->cargo == 0) return;
  stand->cargo = 0;
  stand->cargo_change = 1;
  gf_countAirportFileUpdate();
}

std::optional<StandAtSpawn> lf_checkStandAtSpawn(LiveAc& aircraft, TrafficEngine& engine) {
  if (g_parkAirport.icao.empty() || g_stands.empty() || aircraft.stream.size() < 2) return std::nullopt;
  StreamPos& head = aircraft.stream.front();
  if (gf_greatCircleNm(LatLon{head.lat, head.lon}, g_parkAirport.latLon()) > g_parkAirportSpawnNm) return std::nullopt;
  LatLon position{head.lat, head.lon};
  const bool standing = head.stationary != 0;
  if (!standing) {
    // A slow aircraft whose reports stay close together stands where the newest one is.
    const StreamPos& newest = aircraft.stream.back();
    position = LatLon{newest.lat, newest.lon};
    if (aircraft.stream[1].groundSpeed > g_slowAtSpawnKnots ||
        gf_greatCircleNm(LatLon{head.lat, head.lon}, position) > g_standingSpreadNm)
      return std::nullopt;
  }
  ParkingPosition* stand = lf_findStandFor(position, aircraft, g_spawnRadiusNm, standing);
  if (stand == nullptr) return std::nullopt;
  if (engine.maxParkRemoved.contains(aircraft.hexid)) {
    aircraft.eraseFromBuffer = 1;
    return std::nullopt;
  }
  if ((!g_reservedStand.empty() && stand->id == g_reservedStand) || stand->id == lf_userStand(engine))
    return std::nullopt;
  const bool adjacentClear = std::ranges::all_of(
      stand->adjacent, [&](std::uint32_t sid) { return lf_adjacentStandClear(sid, aircraft, *stand, engine); });
  if (!lf_freeStandForSpawn(stand->sid, aircraft.callsign, engine) || !adjacentClear) {
    aircraft.eraseFromBuffer = 1;
    return std::nullopt;
  }
  lf_makeWayForLive(aircraft, *stand, engine);
  head.stationary = 1;
  head.groundSpeed = 0.0;
  return StandAtSpawn{stand->latitude, stand->longitude, stand->heading, stand->sid, stand->cargo};
}

void gf_markStandAndNeighbours(ParkingPosition& stand) {
  stand.used = 1;
  for (std::uint32_t sid : stand.adjacent)
    if (ParkingPosition* adjacent = sid < 1 ? nullptr : gf_standBySid(sid)) adjacent->blocked = 1;
}

bool lf_freeStandForSpawn(std::uint32_t sid, std::string_view callsign, TrafficEngine& engine) {
  LiveAc* there = lf_firstLiveAt(sid, engine);
  if (there == nullptr || there->simState != SimState::active) return true;
  const FlightState state = there->flightState;
  if (state != FlightState::parked && state != FlightState::pushing_back && state != FlightState::pushed_back)
    return true;
  const std::string name = gf_standName(sid);
  // The removal is told as this function's (inside the lambda it would be "operator()").
  const auto replace = [&, asker = __func__](std::string_view format) {
    gf_log(fmt::format(fmt::runtime(format), name, there->callsign, callsign));
    removeAircraftFromSim(*there, engine, asker);
    return true;
  };
  if (there->callsign == callsign) return replace("{:8}: {:8} ac with same callsign {} wants it, remove existing ... ");
  // A callsign with "_" added is the ghost of the same flight.
  const auto shortened = lf_withoutLastChar(callsign);
  const auto thereShortened = lf_withoutLastChar(there->callsign);
  if (shortened && *shortened == there->callsign) return false;
  constexpr std::string_view ghost = "{:8}: {:8} ghost, replace by {}";
  if (thereShortened && *thereShortened == callsign) return replace(ghost);
  const bool newIsGhost = lf_endsWithUnderscore(callsign);
  const bool thereIsGhost = lf_endsWithUnderscore(there->callsign);
  if (thereIsGhost && !newIsGhost) return replace(ghost);
  if (newIsGhost && !thereIsGhost) return false;
  if (there->parkedByReport != 0) return false;
  return replace("{:8}: {:8} removed because another live {} wants the stand ...");
}

bool lf_adjacentStandClear(std::uint32_t adjacentSid, const LiveAc& aircraft, const ParkingPosition& stand,
                           TrafficEngine& engine) {
  const LiveAc* other = lf_collidingNeighbour(adjacentSid, aircraft, stand, engine);
  return other == nullptr || other->callsign == aircraft.callsign;
}

void lf_removeAdjacentLiveParked(std::uint32_t adjacentSid, const LiveAc& aircraft, const ParkingPosition& stand,
                                 TrafficEngine& engine) {
  LiveAc* other = lf_collidingNeighbour(adjacentSid, aircraft, stand, engine);
  if (other == nullptr || other == &aircraft) return;
  gf_log(fmt::format("{:8}: {:8} removed by parking {} at adjacent and possibly colliding stand {}",
                     gf_standName(adjacentSid), other->callsign, aircraft.callsign, stand.id));
  removeAircraftFromSim(*other, engine);
}

void lf_makeWayForLive(const LiveAc& aircraft, const ParkingPosition& stand, TrafficEngine& engine) {
  const auto it = std::ranges::find(engine.staticAcs, stand.sid, &StaticAc::sid);
  if (it != engine.staticAcs.end()) {
    StaticAc& s = *it;
    const bool sameAircraft = s.previousCallsign == aircraft.callsign ||
                              (!s.registration.empty() && s.registration == aircraft.registration);
    const std::string_view same = sameAircraft ? " the same live version" : "";
    const auto text = [&](std::string_view prefix) {
      return fmt::format("{}{:8}: {:8} {} makes way for{} {} {}", prefix, stand.id, s.callsign, s.registration, same,
                         aircraft.callsign, aircraft.registration);
    };
    if (s.simState == SimState::adding2sim) {
      if (gf_withdrawAddRequest(engine.staticAddQueue, s.callsign)) {
        s.eraseWithdrawn = 1;
        gf_log(text("queued "));
      } else {
        s.removeWhenCreated = 1;
      }
    } else if (s.simState == SimState::active) {
      gf_log(text(""));
      removeAircraftFromSim(s, engine);
    }
  }
  std::erase_if(engine.staticAcs, [](const StaticAc& s) { return s.eraseWithdrawn != 0; });
  for (std::uint32_t adjacent : stand.adjacent) lf_clearExcludedStand(aircraft, adjacent, stand, engine);
}

void lf_clearExcludedStand(const LiveAc& aircraft, std::uint32_t adjacentSid, const ParkingPosition& stand,
                           TrafficEngine& engine) {
  const ParkingPosition* adjacent = lf_adjacentStand(adjacentSid);
  if (adjacent == nullptr) return;
  const double distance = lf_distance(*adjacent, stand);
  for (StaticAc& s : engine.staticAcs) {
    if (s.sid != adjacentSid || s.simState != SimState::active) continue;
    if ((s.halfSpan + aircraft.halfSpan) * 1.1 < distance) continue;
    gf_log(fmt::format("{:8}: {:8} makes way for {} parking at excluded stand {}", adjacent->id, s.callsign,
                       aircraft.callsign, stand.id));
    removeAircraftFromSim(s, engine);
    return;
  }
}

bool lf_onLiveCreated(LiveAc& aircraft, const SimResponse& response, TrafficEngine& engine) {
  if (response.objectId < 3) return false;
  aircraft.objectid = response.objectId;
  if (std::isfinite(response.value2)) aircraft.aboveGround = response.value2;
  if (!aircraft.stream.empty() && aircraft.stream.front().airborne == 0) lf_onGroundAtCreation(aircraft, engine);
  lf_giveFlightPlan(aircraft, engine);
  if (!engine.hooks.requestStaticCg(engine.link, aircraft.objectid)) {
    gf_logWarning("SimConnect request StaticCG fails");
    gf_simConnectRequestError(engine.link);
  }
  return true;
}

void lf_onGroundAtCreation(LiveAc& aircraft, TrafficEngine& engine) {
  // On the ground from its first cycle: the simulator's own on-ground answer comes later,
  // and until then the aircraft would be stepped as one in the air.
  aircraft.onGround = 1;
  aircraft.climbStep = 0.0;
  if (aircraft.flightState == FlightState::parked) {
    const WeekSlot now = engine.weekSlotNow.load();
    if (gf_isValidWeekSlot(now)) {
      aircraft.parkedDay = static_cast<std::uint32_t>(now.weekday);
      aircraft.parkedSlot = static_cast<std::uint32_t>(now.halfHour);
    }
    const std::string name = gf_standName(aircraft.sid);
    gf_log(fmt::format("{:8}: {:8} parks", name, aircraft.callsign));
    std::erase_if(g_staticCandidates, [&](const StaticCandidate& c) { return c.sid == aircraft.sid; });
    for (StaticAc& s : engine.staticAcs) {
      if (s.sid != aircraft.sid || s.simState != SimState::active) continue;
      gf_log(fmt::format("{:8}: {:8} parks over static {} ", name, aircraft.callsign, s.callsign));
      removeAircraftFromSim(s, engine);
      break;
    }
  }
  aircraft.phaseCounter = 1;
}

void lf_giveFlightPlan(LiveAc& aircraft, TrafficEngine& engine) {
  if (aircraft.origin.empty() || aircraft.destination.empty()) return;
  const std::filesystem::path path = gf_flightPlanPath(aircraft.hexid, engine.link);
  aircraft.hasFlightPlan = 0;
  // Without the plans folder a plan would land in the working folder.
  if (!engine.link.flightPlanFolder.empty() && gf_writeFlightPlan(path, aircraft) &&
      engine.hooks.assignFlightPlan(engine.link, aircraft.objectid, path.string()))
    aircraft.hasFlightPlan = 1;
  else
    gf_logWarning(fmt::format("{} creating a flight plan failed", gf_acShortText(aircraft)));
}

}  // namespace vexo
