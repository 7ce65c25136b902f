// The renewal's review of the placed static aircraft, the learned names of a landed live
// aircraft, and the count of static aircraft with their mean parked time.
#include <fmt/format.h>

#include <algorithm>

#include "airports/airports_state.h"
#include "airports/static_parking.h"
#include "engine/traffic_engine.h"
#include "foundation/geodesy.h"
#include "foundation/main_window_state.h"
#include "foundation/text.h"
#include "refdata/dbase_lookups.h"

namespace vexo {

namespace {

bool lf_sameIds(const AcCodes& a, const AcCodes& b) {
  return a.airlineId == b.airlineId && a.operatorId == b.operatorId && a.modelId == b.modelId;
}

bool lf_anyBit(const HalfHourBits& hh, std::int32_t from, std::int32_t to) {
  for (std::int32_t i = std::max(from, 0); i <= std::min(to, 47); ++i) {
    if (hh.test(static_cast<std::size_t>(i))) return true;
  }
  return false;
}

std::int32_t lf_previousDay(std::int32_t day) { return day <= 1 ? 7 : day - 1; }
std::uint32_t lf_nextDay(std::uint32_t day) { return day >= 7 ? 1 : day + 1; }

void lf_keep(const StaticAc& ac, bool leaving = false) {
  g_placedStatics.push_back(PlacedStatic{ac.callsign, ac.previousCallsign, ac.auxName, ac.registration, ac.codes,
                                         ac.parkedDay, ac.parkedSlot, ac.sid, static_cast<std::uint8_t>(leaving)});
}

void lf_remove(const StaticAc& ac) { g_staticRemovals.push_back(StaticRemoval{ac.callsign, ac.sid}); }

// Whether the flight of a kept aircraft ends with the current half hour.
void lf_markLeaving(WeekSlot now, PlacedStatic& placed) {
  const ParkingPosition* stand = gf_standBySid(placed.sid);
  if (stand == nullptr) return;
  std::string_view callsign = placed.callsign;
  if (callsign.ends_with('*')) callsign.remove_suffix(1);
  const auto day = static_cast<std::uint32_t>(now.weekday);
  const auto flight = std::ranges::find_if(stand->learnedFlights, [&](const LearnedFlight& f) {
    return f.index >= 1 && f.day == day && f.callsign == callsign && lf_sameIds(f.codes, placed.codes);
  });
  if (flight == stand->learnedFlights.end()) return;
  if (now.halfHour < 47) {
    placed.leaving = !flight->hh.test(static_cast<std::size_t>(now.halfHour + 1));
    return;
  }
  const std::uint32_t next = lf_nextDay(day);
  placed.leaving = !std::ranges::any_of(stand->learnedFlights, [&](const LearnedFlight& f) {
    return f.day == next && lf_sameIds(f.codes, placed.codes) && f.hh.test(0);
  });
}

}  // namespace

void lf_keepOrReplace(WeekSlot now, const StaticAc& aircraft, std::size_t candidate) {
  // Both times as distances back from now, so that a Sunday evening is older than a
  // Monday morning that follows it.
  const auto candidateBack = static_cast<std::int32_t>(g_staticCandidates[candidate].offset % g_slotsPerWeek);
  const WeekSlot parked{static_cast<std::int32_t>(aircraft.parkedDay), static_cast<std::int32_t>(aircraft.parkedSlot)};
  if (candidateBack >= gf_slotsSince(parked, now)) {
    lf_keep(aircraft);
    g_staticCandidates.erase(g_staticCandidates.begin() + static_cast<std::ptrdiff_t>(candidate));
  } else {
    lf_remove(aircraft);
  }
}

bool lf_staticStillFits(WeekSlot now, std::uint32_t sid, const StaticAc& aircraft) {
  if (sid < 1) return false;
  const ParkingPosition* stand = gf_standBySid(sid);
  if (stand == nullptr) return false;
  const StaticParkingState& s = g_staticParkingState;
  const std::int32_t fit = std::min(std::max(static_cast<std::int32_t>(s.realFitOffset), s.softFitOffset), 47);
  const auto flightOf = [&](std::int32_t day, std::int32_t from, std::int32_t to) {
    return std::ranges::any_of(stand->learnedFlights, [&](const LearnedFlight& f) {
      return f.day == static_cast<std::uint32_t>(day) && f.registration == aircraft.registration &&
             lf_sameIds(f.codes, aircraft.codes) && lf_anyBit(f.hh, from, to);
    });
  };
  if (flightOf(now.weekday, now.halfHour - fit, now.halfHour)) return true;
  if (now.halfHour - fit < 0) {
    const std::int32_t r = std::min(fit - now.halfHour, 46);
    return flightOf(lf_previousDay(now.weekday), 47 - r, 47);
  }
  return false;
}

void lf_reviewStaticAircraft(WeekSlot now, TrafficEngine& engine) {
  const auto seen = [](const std::string& name) { return !name.empty() && g_seenCallsigns.contains(name); };
  for (const StaticAc& ac : engine.staticAcs) {
    if (ac.simState != SimState::active) continue;
    if (seen(ac.previousCallsign) || seen(ac.auxName)) {
      lf_remove(ac);
      continue;
    }
    const auto onStand = std::ranges::find(g_staticCandidates, ac.sid, &StaticCandidate::sid);
    if (onStand != g_staticCandidates.end()) {
      if (lf_sameIds(onStand->codes, ac.codes) &&
          (gf_isStarredVariant(onStand->firstName, ac.callsign) ||
           gf_isStarredVariant(onStand->secondName, ac.callsign))) {
        lf_keep(ac);
        g_staticCandidates.erase(onStand);
      } else {
        lf_keepOrReplace(now, ac, static_cast<std::size_t>(onStand - g_staticCandidates.begin()));
      }
      continue;
    }
    const ParkingPosition* stand = gf_standBySid(ac.sid);
    bool handled = false;
    for (std::uint32_t next : stand != nullptr ? stand->adjacent : std::vector<std::uint32_t>{}) {
      const ParkingPosition* other = gf_standBySid(next);
      const auto there = std::ranges::find(g_staticCandidates, next, &StaticCandidate::sid);
      if (next < 1 || other == nullptr || there == g_staticCandidates.end()) continue;
      const double distance = gf_greatCircleNm({ac.standLat, ac.standLon}, {other->latitude, other->longitude});
      if (distance < ac.halfSpan + gf_halfWingspan(there->codes.modelId)) {
        lf_keepOrReplace(now, ac, static_cast<std::size_t>(there - g_staticCandidates.begin()));
        handled = true;
        break;
      }
    }
    if (handled) continue;
    if (lf_staticStillFits(now, ac.sid, ac)) {
      lf_keep(ac);
    } else {
      lf_remove(ac);
    }
  }
  std::ranges::sort(g_placedStatics, std::ranges::greater{},
                    [](const PlacedStatic& p) { return p.parkedDay * 48 + p.parkedSlot; });
  for (PlacedStatic& placed : g_placedStatics) {
    if (!placed.secondName.empty() && placed.callsign.find(placed.firstName) != std::string::npos)
      lf_markLeaving(now, placed);
  }
}

void gf_matchLearnedFlight(WeekSlot now, LiveAc& aircraft) {
  const std::int32_t half = aircraft.category == AcCategory::Heavy ? 14 : 10;
  const std::int32_t from = std::max(now.halfHour - half, 0);
  const std::int32_t to = std::min(now.halfHour + half, 47);
  const std::string& full = aircraft.callsign;
  std::string_view shortened = full;
  if (shortened.ends_with('_')) shortened.remove_suffix(1);
  if (shortened.empty()) return;
  for (const ParkingPosition& stand : g_stands) {
    for (const LearnedFlight& f : stand.learnedFlights) {
      if (f.index < 1 || f.day != static_cast<std::uint32_t>(now.weekday) ||
          f.codes.airlineId != aircraft.codes.airlineId || f.callsign2.empty() || !lf_anyBit(f.hh, from, to))
        continue;
      if (f.callsign == full || f.callsign2 == full || f.callsign == shortened || f.callsign2 == shortened) {
        try {
          aircraft.previousCallsign = f.callsign;
          aircraft.auxName = f.callsign2;
        } catch (...) {  // a failed copy leaves the aircraft without learned names
        }
        return;
      }
    }
  }
}

std::int64_t gf_countStaticAircraft(bool showMean, TrafficEngine& engine) {
  StaticParkingState& s = g_staticParkingState;
  std::int64_t count = 0;
  std::int64_t slots = 0;
  const WeekSlot now = engine.weekSlotNow.load();
  for (const StaticAc& ac : engine.staticAcs) {
    if (ac.simState != SimState::active && ac.simState != SimState::removingfromsim) continue;
    ++count;
    slots += gf_slotsSince({static_cast<std::int32_t>(ac.parkedDay), static_cast<std::int32_t>(ac.parkedSlot)}, now);
  }
  if (showMean && !s.otherDaysUsed && gf_isValidWeekSlot(now)) {
    const float mean = count == 0 ? 0.0F : static_cast<float>(slots) / static_cast<float>(2 * count) + 0.5F;
    if (mean != s.meanParkedHours) {
      s.meanParkedHours = mean;
      g_mainWindowState.staticAverageFit = mean;
      gf_invalidateMainWindow(g_parkRect, false);
    }
  }
  return count;
}

}  // namespace vexo
