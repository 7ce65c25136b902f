// The identity step of a further report of a known aircraft: a buffered record simply
// follows the report; an aircraft in the simulator whose callsign, registration or route
// changed so much that its livery no longer fits is removed and created again where it
// is (livery respawn).
#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "airports/airports_services.h"
#include "engine/aircraft_texts.h"
#include "engine/engine_hooks.h"
#include "engine/learned_flight.h"
#include "engine/movement.h"
#include "engine/sim_requests.h"
#include "engine/spawning.h"
#include "engine/traffic_engine.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "refdata/airports_db.h"
#include "refdata/codes.h"
#include "refdata/dbase_lookups.h"

namespace vexo {

namespace {

constexpr double g_samePlaceDeg = 1e-8;

bool lf_sameAircraftCodes(const AcCodes& a, const AcCodes& b) {
  return a.airlineId == b.airlineId && a.modelId == b.modelId && a.operatorId == b.operatorId;
}

IataCode lf_parkAirportIata() {
  const IcaoCode park = g_parkAirportId.load();
  if (park.empty()) return {};
  const auto& airports = g_airportsDb.airports;
  const auto it = std::lower_bound(airports.begin(), airports.end(), park,
                                   [](const AirportData& d, const IcaoCode& c) { return d.icao < c; });
  return it != airports.end() && it->icao == park ? it->iata : IataCode{};
}

void lf_updateBufferedIdent(LiveAc& a, const AcIdent& r) {
  if (!r.destination.empty() && a.destination != r.destination) a.destination = r.destination;
  if (!r.origin.empty() && a.origin != r.origin) a.origin = r.origin;
  if (!r.callsign.empty() && a.callsign != r.callsign) a.callsign = r.callsign;
  if (!r.registration.empty() && a.registration != r.registration) a.registration = r.registration;
}

bool lf_routeUnchanged(LiveAc& a, const AcIdent& r) {
  bool filled = false;
  if (a.destination.empty() && !r.destination.empty()) {
    a.destination = r.destination;
    filled = true;
  }
  if (a.origin.empty() && !r.origin.empty()) {
    a.origin = r.origin;
    filled = true;
  }
  const bool allKnown = !a.origin.empty() && !a.destination.empty() && !r.origin.empty() && !r.destination.empty();
  if (!allKnown || a.origin == r.origin || a.destination == r.destination) return !filled;
  if (a.origin == lf_parkAirportIata() && r.destination == a.origin) return !filled;
  a.origin = r.origin;
  a.destination = r.destination;
  if (a.onGround != 0 && a.flightState != FlightState::parking && a.flightState != FlightState::parked) {
    a.prevFlightState = a.flightState;
    a.flightState = FlightState::taxi;
    a.bearingToNext = a.heading;
  }
  return false;
}

bool lf_liveryStillNeeded(LiveAc& a, const AcIdent& r, TrafficEngine& engine) {
  // A registration with a livery of its own decides by that title alone.
  const std::string_view own =
      engine.hooks.regcodeTitle != nullptr && !r.registration.empty() ? engine.hooks.regcodeTitle(r.registration)
                                                                        : std::string_view{};
  if (!own.empty()) {
    if (own == a.liveryTitle) return false;
    if (const auto codes = gf_dbaseLookup(r.registration)) a.codes = *codes;
    lf_forgetLivery(a, engine);
    return true;
  }
  if (r.registration.empty() || r.registration == a.registration) return false;
  const auto codes = gf_dbaseLookup(r.registration);
  if (!codes || lf_sameAircraftCodes(*codes, a.codes)) return false;
  a.codes = *codes;
  lf_forgetLivery(a, engine);
  return true;
}

bool lf_registrationStillFits(LiveAc& a, const AcIdent& r, TrafficEngine& engine) {
  if (r.registration.empty()) return true;
  bool result = true;
  if (a.registration.empty() || (a.callsign == a.registration && r.registration != a.registration)) {
    result = !lf_liveryStillNeeded(a, r, engine);
  } else if (r.registration != a.registration) {
    if (const auto codes = gf_dbaseLookup(r.registration)) {
      if (!lf_sameAircraftCodes(*codes, a.codes)) {
        const auto prefix = gf_callsignAirlinePrefix(r.callsign);
        const std::uint16_t airline = prefix ? gf_airlineCode2Id(*prefix) : 0;
        if (airline != 0 && (airline == codes->airlineId || airline == codes->operatorId)) {
          a.codes = *codes;
          // The stand learns the aircraft that stands there now, under its new registration.
          if (a.flightState == FlightState::parked && a.sid > 0) {
            a.registration = r.registration;
            lf_addRealStandOption(a.sid, a, 0, engine);
          }
        }
        lf_forgetLivery(a, engine);
        result = false;
      }
    }
  }
  a.registration = r.registration;
  return result;
}

}  // namespace

void lf_forgetLivery(LiveAc& a, TrafficEngine& engine) {
  engine.hexidLiveries.erase(a.hexid);
  a.liveryTitle = {};
  a.prevFlightState = a.flightState;
  a.flightState = FlightState::birth;
}

bool lf_checkRespawn(LiveAc& a, const LiveReport& report, TrafficEngine& engine) {
  if (a.takeOffRoll != 0 || a.approach != 0) return true;
  const AcIdent& r = report.ident;
  if (a.simState == SimState::buffer) {
    lf_updateBufferedIdent(a, r);
    return true;
  }
  if (a.simState != SimState::active || a.flightState == FlightState::pushing_back || a.stepsLeft >= 1) return true;
  const bool route = lf_routeUnchanged(a, r);
  const bool reg = lf_registrationStillFits(a, r, engine);
  if (!r.callsign.empty() && r.callsign != a.callsign && r.callsign != a.registration) {
    const bool ghostName = r.callsign.back() == '_';
    if (!ghostName) lf_checkGhost(r.callsign, engine);
    if (ghostName && lf_ghostOfLive(r.callsign, engine)) return false;
    a.callsign = r.callsign;
    a.previousCallsign = r.callsign;
    a.auxName.clear();
  } else if (reg && route) {
    return true;
  }
  if (!g_settings.GUID_CHANGES.value) return true;
  gf_log(fmt::format("          {} respawns", gf_acIdText(a)));
  liveryRespawn(a, engine);
  return false;
}

void liveryRespawn(LiveAc& a, TrafficEngine& engine) {
  try {
    if (a.stream.empty()) a.stream.push_back(StreamPos{});
    StreamPos copy = a.stream.front();
    if (a.flightState != FlightState::parked) {
      StreamPos& head = a.stream.front();
      head.stationary = std::abs(head.lat - a.lat) < g_samePlaceDeg && std::abs(head.lon - a.lon) < g_samePlaceDeg;
      copy.lat = a.lat;
      copy.lon = a.lon;
      copy.altitude = a.altitude;
      copy.roll = a.bank;
      copy.rollValid = 1;
    } else {
      a.stream.resize(1);
      StreamPos& head = a.stream.front();
      head.stationary = 1;
      head.track = a.heading * g_radToDeg;
      copy = head;
    }
    copy.dueTick = gf_addTicks(engine.trafficTick.load(std::memory_order_relaxed), 1);
    a.stream.push_front(copy);
    a.simState = SimState::liveryrespawn;
    a.respawnHeading = a.heading;
    a.respawnHeadingValid = 1;
    if (a.objectid == 0)
      gf_logWarning(fmt::format("{} removing act {} with objectid=0 ?", "liveryRespawn", gf_acLogText(a)));
    else
      gf_queueObjectRemoval(a.objectid, engine);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{}: {}", "liveryRespawn", e.what()));
  }
}

}  // namespace vexo
