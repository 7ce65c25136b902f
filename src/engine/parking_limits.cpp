// Parking limits, static removal and collisions: how long and how many live aircraft may
// stay parked, which static aircraft give way to the live aircraft they copy or stand in
// the way of, which aircraft give way to the user aircraft, and the list of callsigns the
// user can block. Every removal goes through removeAircraftFromSim.
#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>
#include <optional>
#include <set>

#include <fmt/format.h>

#include "airports/airports_state.h"
#include "airports/static_parking.h"
#include "engine/engine_services.h"
#include "engine/learned_flight.h"
#include "engine/movement.h"
#include "engine/stands.h"
#include "foundation/log.h"
#include "foundation/main_window_state.h"
#include "foundation/settings.h"

namespace vexo {

namespace {

constexpr std::int64_t g_ticksPerMinute = 600'000'000;  // 100 ns
constexpr std::int64_t g_ticksPerSecond = 10'000'000;
constexpr double g_samePlace = 1e-8;  // degrees
constexpr platform::Rect g_callsignBand{0, 112, 880, 392};

bool lf_isParked(const LiveAc& a) { return a.flightState == FlightState::parked && a.simState == SimState::active; }

// Time parked in 100 ns ticks. A clock that reads earlier than the parking time (it was
// stepped back) counts as just parked, never as a stay of ages.
std::int64_t lf_parkedTicks(const LiveAc& a, std::int64_t now) { return std::max<std::int64_t>(now - a.parkCheckTime, 0); }

double lf_userHalfSpan(const TrafficEngine& engine) { return engine.link.halfWingspan().value_or(0.0); }

LatLon lf_userPosition(const TrafficEngine& engine) {
  const UserAcData user = engine.userAc.get();
  return LatLon{user.latitude, user.longitude};
}

// Twins: a static aircraft carries its learned callsigns in previousCallsign and auxName.
bool lf_learnedAs(const StaticAc& s, std::string_view name) { return s.previousCallsign == name || s.auxName == name; }

std::mutex g_callsignListMutex;  // keeps the UI thread's reset and the tick's fill apart

}  // namespace

void gf_collectLiveParked(TrafficEngine& engine) {
  const std::int64_t now = engine.hooks.clock100ns();
  const bool initialLoadOnly = g_settings.INITIAL_LOAD_ONLY.value;
  for (LiveAc& a : engine.liveAcs) {
    if (!lf_isParked(a)) continue;
    if (a.parkedByReport != 0) {
      g_liveParked.push_back(LiveParkedEntry{a.callsign, a.sid, 0});
      continue;
    }
    const std::int64_t minutes = lf_parkedTicks(a, now) / g_ticksPerMinute;
    const std::int64_t limit = a.category == AcCategory::Heavy ? 180 : 90;
    if (initialLoadOnly || minutes <= limit)
      g_liveParked.push_back(LiveParkedEntry{a.callsign, a.sid, static_cast<std::int32_t>(minutes)});
    else
      removeAircraftFromSim(a, engine);
  }
  std::ranges::stable_sort(g_liveParked, {}, &LiveParkedEntry::minutes);
}

void lf_listLiveParkedBySeconds(std::vector<std::pair<std::uint32_t, std::uint64_t>>& out, TrafficEngine& engine) {
  out.clear();
  out.reserve(engine.liveAcs.size());
  const std::int64_t now = engine.hooks.clock100ns();
  for (const LiveAc& a : engine.liveAcs)
    if (lf_isParked(a)) out.emplace_back(a.hexid, static_cast<std::uint64_t>(lf_parkedTicks(a, now) / g_ticksPerSecond));
  std::ranges::sort(out, std::greater{}, &std::pair<std::uint32_t, std::uint64_t>::second);
}

void lf_checkMaxPark(std::uint8_t extra, TrafficEngine& engine) {
  const auto parked = static_cast<std::int64_t>(std::ranges::count_if(engine.liveAcs, lf_isParked));
  const std::int64_t wanted = g_wantedStaticCount;
  if (wanted < 1) return;
  const std::int64_t total = extra + parked;
  if (!g_settings.INITIAL_LOAD_ONLY.value && total > wanted) {
    std::vector<std::pair<std::uint32_t, std::uint64_t>> longest;
    lf_listLiveParkedBySeconds(longest, engine);
    if (!longest.empty()) {
      const auto it = std::ranges::find_if(engine.liveAcs, [&](const LiveAc& a) {
        return a.hexid == longest.front().first && a.simState == SimState::active;
      });
      if (it != engine.liveAcs.end()) {
        gf_log(fmt::format("{:8}: {} live max park exceeded, removed", gf_standName(it->sid), it->callsign));
        engine.maxParkRemoved.insert(it->hexid);
        removeAircraftFromSim(*it, engine);
      }
    }
  }
  if (engine.staticAcs.empty()) return;
  const auto present = std::ranges::count_if(engine.staticAcs, [](const StaticAc& s) {
    return s.simState == SimState::active || s.simState == SimState::removingfromsim;
  });
  if (present + total <= wanted) return;
  const auto parkedAt = [](const StaticAc& s) {
    return (static_cast<std::int64_t>(s.parkedDay) - 1) * 48 + static_cast<std::int64_t>(s.parkedSlot);
  };
  StaticAc& earliest = *std::ranges::min_element(engine.staticAcs, {}, parkedAt);
  if (earliest.simState != SimState::active) return;
  gf_log(fmt::format("{:8}: {} static max park exceeded, removed", gf_standName(earliest.sid), earliest.callsign));
  removeAircraftFromSim(earliest, engine);
}

void gf_removeLiveParked(std::uint64_t count, TrafficEngine& engine) {
  std::vector<std::pair<std::uint32_t, std::uint64_t>> longest;
  lf_listLiveParkedBySeconds(longest, engine);
  std::set<std::uint32_t> hexids;
  for (std::size_t i = 0; i < std::min<std::uint64_t>(count, longest.size()); ++i) hexids.insert(longest[i].first);
  for (LiveAc& a : engine.liveAcs) {
    if (!hexids.contains(a.hexid)) continue;
    gf_log(fmt::format("live parked {} at {} removed", gf_acLogText(a), gf_standName(a.sid)));
    removeAircraftFromSim(a, engine);
  }
}

std::size_t gf_countLiveParked(bool computeMean, TrafficEngine& engine) {
  std::size_t count = 0;
  std::int64_t halfHours = 0;
  const WeekSlot now = engine.weekSlotNow.load();
  for (const LiveAc& a : engine.liveAcs) {
    if (!lf_isParked(a)) continue;
    ++count;
    if (!computeMean || a.parkedDay < 1 || !gf_isValidWeekSlot(now)) continue;
    std::int64_t stay = (static_cast<std::int64_t>(now.weekday) - a.parkedDay) * 48 -
                        static_cast<std::int64_t>(a.parkedSlot) + now.halfHour;
    if (stay < 0) stay += 336;  // a stay across the end of the week
    halfHours += stay;
  }
  if (computeMean) {
    const float mean =
        count > 0 ? static_cast<float>(static_cast<double>(halfHours) / (2.0 * static_cast<double>(count)) + 0.5) : 0.0F;
    if (mean != engine.meanParkedHours) {
      engine.meanParkedHours = mean;
      gf_invalidateMainWindow(g_parkRect, true);
    }
  }
  return count;
}

void gf_removeStaticTwinsOf(const LiveAc& aircraft, TrafficEngine& engine) {
  const std::string& cs = aircraft.callsign;
  if (cs.empty()) return;
  std::optional<std::string_view> withoutGhost;
  if (cs.back() == '_') withoutGhost = std::string_view(cs).substr(0, cs.size() - 1);
  for (StaticAc& s : engine.staticAcs) {
    if (s.simState != SimState::active) continue;
    const bool twin = (!aircraft.registration.empty() && aircraft.registration == s.registration) ||
                      lf_learnedAs(s, cs) || (!aircraft.auxName.empty() && lf_learnedAs(s, aircraft.auxName)) ||
                      (withoutGhost && !withoutGhost->empty() && lf_learnedAs(s, *withoutGhost));
    if (!twin) continue;
    removeAircraftFromSim(s, engine);
    return;
  }
}

void gf_removeStaticTwins(TrafficEngine& engine) {
  if (engine.staticAcs.empty()) return;
  for (const LiveAc& a : engine.liveAcs) {
    if (a.simState != SimState::active || a.onGround == 0) continue;
    const std::string starred = a.callsign + "*";
    for (StaticAc& s : engine.staticAcs) {
      if (s.simState != SimState::active) continue;
      if ((!a.registration.empty() && a.registration == s.registration) || s.callsign == starred) {
        removeAircraftFromSim(s, engine);
        return;
      }
    }
  }
}

void gf_removeAllStatic(TrafficEngine& engine) {
  for (StaticAc& s : engine.staticAcs) {
    if (s.simState == SimState::active) {
      removeAircraftFromSim(s, engine);
    } else if (s.simState == SimState::adding2sim && s.removeWhenCreated == 0) {
      if (gf_withdrawAddRequest(engine.staticAddQueue, s.callsign))
        s.eraseWithdrawn = 1;
      else
        s.removeWhenCreated = 1;
    }
  }
  std::erase_if(engine.staticAcs, [](const StaticAc& s) { return s.eraseWithdrawn != 0; });
}

void gf_removeAcAtStand(std::string_view standName, TrafficEngine& engine) {
  if (standName.empty()) return;
  const auto stand = std::ranges::find(g_stands, standName, &ParkingPosition::id);
  if (stand == g_stands.end()) return;
  const std::uint32_t sid = stand->sid;
  for (StaticAc& s : engine.staticAcs)
    if (s.sid == sid && s.simState == SimState::active) return removeAircraftFromSim(s, engine);
  for (LiveAc& a : engine.liveAcs)
    if (a.sid == sid && lf_isParked(a)) return removeAircraftFromSim(a, engine);
}

void lf_removeStaticInTheWay(LiveAc& aircraft, TrafficEngine& engine) {
  if (aircraft.onGround == 0 || aircraft.takeOffRoll != 0 || aircraft.landingRoll != 0) return;
  aircraft.prevLat = aircraft.lat;
  aircraft.prevLon = aircraft.lon;
  const LatLon at{aircraft.lat, aircraft.lon};
  for (StaticAc& s : engine.staticAcs) {
    if (s.simState != SimState::active || s.callsign == aircraft.callsign) continue;
    if ((aircraft.halfSpan + s.halfSpan) * 1.1 < gf_greatCircleNm(at, LatLon{s.standLat, s.standLon})) continue;
    try {
      removeAircraftFromSim(s, engine);
    } catch (const std::exception& e) {
      gf_logWarning(fmt::format("{} {}", "lf_removeStaticInTheWay", e.what()));
    }
    return;
  }
}

void gf_checkCollisionLiveParkedGnd(TrafficEngine& engine) {
  if (engine.staticAcs.empty()) return;
  for (LiveAc& a : engine.liveAcs) {
    if (a.simState != SimState::active || a.onGround == 0) continue;
    if (a.flightState != FlightState::taxi && a.flightState != FlightState::parking) continue;
    if (std::fabs(a.lat - a.prevLat) < g_samePlace && std::fabs(a.lon - a.prevLon) < g_samePlace) continue;
    lf_removeStaticInTheWay(a, engine);
  }
}

void gf_checkCollisionUserGnd(TrafficEngine& engine) {
  const LatLon user = lf_userPosition(engine);
  const double userSpan = lf_userHalfSpan(engine);
  for (LiveAc& a : engine.liveAcs) {
    if (a.onGround == 0 || a.simState != SimState::active) continue;
    if ((userSpan + a.halfSpan) * 1.15 >= gf_greatCircleNm(user, LatLon{a.lat, a.lon})) {
      removeAircraftFromSim(a, engine);
      return;
    }
  }
  if (const auto& last = engine.lastStaticCheckUser;
      last && std::fabs(last->lat - user.lat) < g_samePlace && std::fabs(last->lon - user.lon) < g_samePlace)
    return;
  engine.lastStaticCheckUser = user;
  for (StaticAc& s : engine.staticAcs) {
    if (s.simState != SimState::active) continue;
    if (s.halfSpan * 1.1 + userSpan * 1.1 >= gf_greatCircleNm(user, LatLon{s.standLat, s.standLon})) {
      removeAircraftFromSim(s, engine);
      return;
    }
  }
}

void gf_checkCollisionUserAir(TrafficEngine& engine) {
  const UserAcData user = engine.userAc.get();
  const LatLon at{user.latitude, user.longitude};
  for (LiveAc& a : engine.liveAcs) {
    if (a.simState != SimState::active) continue;
    const LatLon other{a.lat, a.lon};
    const double distance = gf_greatCircleNm(at, other);
    if (user.altAboveGround < 500.0 && a.onGround != 0 && distance <= 1.0) {
      const double b = std::remainder(gf_initialBearing(at, other) - user.heading, 2.0 * std::numbers::pi);
      if (std::fabs(std::sin(b)) * distance * g_feetPerNm <= 50.0) {
        removeAircraftFromSim(a, engine);
        return;
      }
    }
    if (gf_removeIfUserBehind(a, 0, engine)) return;
  }
}

void gf_resetCallsignList() {
  std::lock_guard lock(g_callsignListMutex);
  auto& s = g_settings;
  s.BLOCK_CALLSIGN.setValue("");
  s.BLOCK_CALLSIGN.updateControl();
  gf_invalidateMainWindow(g_callsignBand, true);
  s.callsignChoices->set({std::string()});
  s.CALLSIGN_2_OBJECTID.setValue("");
  s.CALLSIGN_2_OBJECTID.fillComboBox();
  s.CALLSIGN_2_OBJECTID.disable();
  s.blockButton.disable();
}

std::uint32_t gf_fillCallsignList(TrafficEngine& engine) {
  std::vector<std::string> callsigns;
  for (const LiveAc& a : engine.liveAcs)
    if (a.simState == SimState::active && a.flightState != FlightState::parked) callsigns.push_back(a.callsign);
  std::ranges::sort(callsigns);
  const bool any = !callsigns.empty();
  std::lock_guard lock(g_callsignListMutex);
  auto& s = g_settings;
  s.CALLSIGN_2_OBJECTID.setValue(any ? callsigns.front() : std::string());
  s.callsignChoices->set(std::move(callsigns));
  s.CALLSIGN_2_OBJECTID.fillComboBox();
  s.CALLSIGN_2_OBJECTID.setEnabled(any);
  s.blockButton.setEnabled(any);
  s.unblockButton.disable();
  return any ? 1 : 0;
}

}  // namespace vexo
