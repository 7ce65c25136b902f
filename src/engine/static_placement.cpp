// Placing the static parking's candidates one at a time: the stand must be free of live
// and static aircraft around it, the aircraft gets a starred callsign and a running
// number as its hexid, and its creation joins the static creation queue.
#include <fmt/format.h>

#include <algorithm>
#include <optional>

#include "airports/airports_state.h"
#include "airports/static_parking.h"
#include "engine/aircraft_texts.h"
#include "engine/engine_hooks.h"
#include "engine/spawning.h"
#include "engine/traffic_engine.h"
#include "foundation/log.h"
#include "refdata/codes.h"

namespace vexo {

namespace {

bool lf_onOrNextTo(std::uint32_t sid, std::uint32_t standSid, const ParkingPosition* stand) {
  if (sid == standSid) return true;
  return stand != nullptr && std::ranges::find(stand->adjacent, sid) != stand->adjacent.end();
}

// The livery of a static aircraft (logged by the matching); none when nothing matched.
std::optional<std::string_view> lf_staticLivery(StaticAc& aircraft, const ParkingPosition& stand,
                                                const TrafficEngine& engine) {
  if (!engine.hooks.matchStaticLivery(aircraft, stand, engine.link.refusedLiveryTitles)) return std::nullopt;
  return aircraft.liveryTitle;
}

// The next running number that no static aircraft holds as its hexid: after a wrap at
// 10000 an old aircraft may still carry the number, and the simulator's answer to the
// new creation would go to it. None when every number is taken.
std::optional<std::uint32_t> lf_nextStaticNumber(TrafficEngine& engine) {
  for (std::uint32_t tries = 0; tries < g_maxStaticHexid; ++tries) {
    engine.staticCounter = (engine.staticCounter + 1) % g_maxStaticHexid;
    const std::uint32_t n = engine.staticCounter;
    if (std::ranges::none_of(engine.staticAcs, [n](const StaticAc& ac) { return ac.hexid == n; })) return n;
  }
  return std::nullopt;
}

}  // namespace

std::string gf_staticCallsign(std::string& name) {
  while (name.ends_with('_')) name.pop_back();
  if (name.ends_with('*')) return name;
  return fmt::format("{}{}", name, "*");
}

bool lf_staticCandidatesWaiting(TrafficEngine& /*engine*/) { return !g_staticCandidates.empty(); }

void lf_detcs(TrafficEngine& engine) {
  if (g_staticCandidates.empty() || g_stands.empty()) return;
  const StaticCandidate k = std::move(g_staticCandidates.back());
  g_staticCandidates.pop_back();
  const ParkingPosition* stand = k.sid >= 1 ? gf_standBySid(k.sid) : nullptr;
  const std::string name = gf_standName(k.sid);

  for (const LiveAc& live : engine.liveAcs) {
    if (live.flightState != FlightState::parking && live.flightState != FlightState::parked) continue;
    if (!lf_onOrNextTo(live.sid, k.sid, stand)) continue;
    if (live.sid == k.sid) {
      gf_log(fmt::format("{:8}: no static parking for {}, live aircraft {} standing here", name, k.firstName,
                         live.callsign));
    } else {
      gf_log(fmt::format("{:8}: no static parking for {}, live aircraft {} is adjacent at {}, possibly colliding",
                         name, k.firstName, live.callsign, gf_standName(live.sid)));
    }
    return;
  }
  for (const StaticAc& other : engine.staticAcs) {
    // One on its way out makes room: a renewal removes the aircraft it replaces just
    // before it places the successor on the same stand.
    if (other.simState == SimState::removingfromsim || other.removeWhenCreated != 0) continue;
    if (!lf_onOrNextTo(other.sid, k.sid, stand)) continue;
    gf_log(fmt::format("{:8}: no static parking for {}, static aircraft {} is adjacent at {}, possibly colliding",
                       name, k.firstName, other.callsign, gf_standName(other.sid)));
    return;
  }
  if (stand == nullptr) {
    gf_logWarning(fmt::format("stand with id {} not found", name));
    return;
  }
  if (stand->occupied != 0) {
    gf_log(fmt::format("{:8}: no static parking for {}, live aircraft occupies the stand", stand->id, k.firstName));
    return;
  }
  const std::optional<std::uint32_t> number = lf_nextStaticNumber(engine);
  if (!number) return;
  const std::uint32_t n = *number;

  AcIdent ident;
  ident.codes = k.codes;
  if (k.firstName.empty()) {
    const std::string_view airline = g_airlinePool.text(k.codes.airlineId).value_or(std::string_view{});
    ident.callsign = fmt::format("{}{}{}", airline, n, "*");
  } else {
    std::string chosen = k.stays != 0 || k.secondName.empty() ? k.firstName : k.secondName;
    ident.callsign = gf_staticCallsign(chosen);
  }
  ident.previousCallsign = k.firstName;
  ident.auxName = k.secondName;
  ident.registration = k.registration;
  AcData data = gf_makeAcData(ident, engine.hooks.spreadUpward);
  data.hexid = n;
  engine.staticAcs.emplace_back(data, stand->sid, stand->latitude, stand->longitude, stand->heading, stand->cargo);
  StaticAc& ac = engine.staticAcs.back();

  const std::optional<std::string_view> title = lf_staticLivery(ac, *stand, engine);
  if (!title) {
    engine.staticAcs.pop_back();
    return;
  }
  ac.liveryTitle = *title;
  const WeekSlot parked = gf_weekSlotBack(engine.weekSlotNow.load(), k.offset);
  ac.parkedDay = static_cast<std::uint32_t>(parked.weekday);
  ac.parkedSlot = static_cast<std::uint32_t>(parked.halfHour);
  ac.simState = SimState::adding2sim;

  AiCreateAction create;
  create.initPosition.Latitude = stand->latitude;
  create.initPosition.Longitude = stand->longitude;
  create.initPosition.Heading = ac.standHeading * 57.29577951308232;
  create.initPosition.OnGround = 1;
  create.callsign = ac.callsign;
  create.liveryTitle = ac.liveryTitle;
  create.hexid = n;
  engine.staticAddQueue.push_back(std::move(create));
}

}  // namespace vexo
