// The static parking calculation: the wanted count and the search of the free stands for
// learned flights, mode by mode and half hour by half hour back from now.
#include "airports/static_parking.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <exception>

#include <gsl/narrow>

#include "realtraffic/traffic_receiver.h"
#include "airports/airports_state.h"
#include "airports/static_cycle.h"
#include "engine/engine_hooks.h"
#include "engine/traffic_engine.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/main_window_state.h"
#include "foundation/random.h"
#include "foundation/settings.h"
#include "foundation/settings_startup.h"
#include "foundation/text.h"
#include "refdata/dbase_lookups.h"

namespace vexo {

StaticParkingState g_staticParkingState;

namespace {

constexpr std::uint32_t lf_nextDay(std::uint32_t day) { return day >= 7 ? 1 : day + 1; }

bool lf_sameIds(const AcCodes& a, const AcCodes& b) {
  return a.airlineId == b.airlineId && a.operatorId == b.operatorId && a.modelId == b.modelId;
}

void lf_repaintPark() { gf_invalidateMainWindow(g_parkRect, false); }

std::int64_t lf_countUsed() {
  return std::ranges::count_if(g_stands, [](const ParkingPosition& s) { return s.used != 0; });
}

void lf_markStandAndNeighbours(ParkingPosition& stand) {
  stand.used = 1;
  for (const std::uint32_t sid : stand.adjacent) {
    if (ParkingPosition* next = gf_standBySid(sid)) next->blocked = 1;
  }
}

// Fisher-Yates over the thread's random source (no draw when RANDOM is off).
template <typename T>
void lf_shuffle(std::vector<T>& items) {
  if (!g_settings.RANDOM.value || items.size() < 2) return;
  for (std::size_t i = items.size() - 1; i > 0; --i) {
    std::swap(items[i], items[gf_randomIndex(i + 1)]);
  }
}

// A placed static aircraft of the stand keeps its flight first in the list; else chance.
void lf_orderFlights(const ParkingPosition& stand, std::vector<std::uint32_t>& fitting, TrafficEngine& engine) {
  if (fitting.size() < 2 || !g_settings.RANDOM.value) return;
  for (const StaticAc& ac : engine.staticAcs) {
    if (ac.sid != stand.sid) continue;
    for (std::uint32_t i = 0; i < stand.learnedFlights.size(); ++i) {
      const LearnedFlight& f = stand.learnedFlights[i];
      if (lf_sameIds(f.codes, ac.codes) &&
          (gf_isStarredVariant(f.callsign, ac.callsign) || gf_isStarredVariant(f.callsign2, ac.callsign))) {
        fitting.front() = i;
        return;
      }
    }
  }
  lf_shuffle(fitting);
}

bool lf_stays(const ParkingPosition& stand, const LearnedFlight& flight, WeekSlot now) {
  if (flight.callsign2.empty()) return true;
  const auto next = static_cast<std::size_t>(now.halfHour + 1);
  if (next <= 47) return flight.hh.test(next);
  const std::uint32_t day = lf_nextDay(static_cast<std::uint32_t>(now.weekday));
  return std::ranges::any_of(stand.learnedFlights, [&](const LearnedFlight& f) {
    return f.index >= 1 && f.day == day && lf_sameIds(f.codes, flight.codes) && f.hh.test(0);
  });
}

// The flight's aircraft at the stand keeps clear of the static aircraft next to it.
bool lf_clearOf(const StaticAc& other, const ParkingPosition& stand, const LearnedFlight& flight) {
  const double distance = gf_greatCircleNm({other.standLat, other.standLon}, {stand.latitude, stand.longitude});
  return distance >= other.halfSpan + gf_halfWingspan(flight.codes.modelId);
}

const char* lf_modeText(std::uint32_t real, std::uint32_t thisDay) {
  if (thisDay != 0) return real != 0 ? "real" : "soft";
  return real != 0 ? "week/real" : "week/soft";
}

}  // namespace

void gf_resetStaticParkingState() {
  StaticParkingState& s = g_staticParkingState;
  s.candidates.clear();
  s.placed.clear();
  s.removals.clear();
  s.liveParked.clear();
  s.seenCallsigns.clear();
  g_trafficReceiver.stopCollectingCallsigns();
  g_trafficReceiver.clearCallsigns();
  s.wantedCount = 0;
  s.shownPercentage = 0;
  s.realFitOffset = 0;
  s.softFitOffset = -1;
  s.softUsed = false;
  s.otherDaysUsed = false;
  s.meanParkedHours = -1.0F;
  s.fitTests = 0;
  s.busy = false;
  s.recalculationDue = false;
}

void gf_startSeenCollection() { g_trafficReceiver.startCollectingCallsigns(); }

void lf_commitSeenCallsigns() {
  // One step: a callsign the reader adds meanwhile is either taken or not collected at all.
  g_staticParkingState.seenCallsigns = g_trafficReceiver.takeCallsigns();
}

WeekSlot gf_weekSlotBack(WeekSlot now, std::uint32_t offset) {
  const std::int32_t back = static_cast<std::int32_t>(offset % g_slotsPerWeek);
  std::int32_t pos = (now.weekday - 1) * 48 + now.halfHour - back;
  pos = ((pos % g_slotsPerWeek) + g_slotsPerWeek) % g_slotsPerWeek;
  return WeekSlot{pos / 48 + 1, pos % 48};
}

std::int32_t gf_slotsSince(WeekSlot then, WeekSlot now) {
  const std::int32_t d = ((now.weekday - then.weekday) * 48 + now.halfHour - then.halfHour) % g_slotsPerWeek;
  return d < 0 ? d + g_slotsPerWeek : d;
}

std::int64_t gf_wantedStaticCount() {
  StaticParkingState& s = g_staticParkingState;
  const std::int64_t maxPark = g_settings.MAX_PARK_SEL.value;
  const std::int64_t custom = g_settings.CUSTOM_PARKING_PERCENTAGE.value;
  const std::int64_t percent = custom >= 0 ? custom : std::int64_t{g_settings.parking_percentage.value.load()};
  if (maxPark <= 0) {
    s.wantedCount = 0;
    s.shownPercentage = g_settings.parking_percentage.value;
  } else {
    const auto stands = static_cast<std::int64_t>(g_stands.size());
    std::int64_t w = 1;
    if (stands > 1 && (stands > 3 || percent >= 50)) {
      w = gsl::narrow<int>(std::llround(static_cast<double>(percent * stands) / 100.0));
    }
    s.wantedCount = gsl::narrow<std::int32_t>(std::min(maxPark, w));
    s.shownPercentage = gf_percentOf(s.wantedCount, stands);
  }
  g_mainWindowState.maxPark = s.wantedCount;
  g_mainWindowState.parkPercentage = static_cast<std::uint32_t>(std::max(s.shownPercentage, 0));
  lf_repaintPark();
  return s.wantedCount;
}

WeekSlot lf_logDayTime(TrafficEngine& engine) {
  static constexpr const char* names[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  const WeekSlot now = engine.weekSlotNow.load();
  const char* name = now.weekday >= 1 && now.weekday <= 7 ? names[now.weekday - 1] : "???";
  gf_log(fmt::format("\n{} (utc) It is day {} ({}), {:.1F} hours", gf_trafficClockNow(), now.weekday, name,
                     now.halfHour / 2.0));
  return now;
}

void lf_markReservedStands(TrafficEngine& engine) {
  std::string reserved;
  for (ParkingPosition& s : g_stands) {
    if (!g_reservedStand.empty() && s.id == g_reservedStand) {
      s.reserved = 1;
      reserved = s.id;
    }
  }
  const UserAcData user = engine.userAc.get();
  const std::string nearest = gf_nearestStandName(user.latitude, user.longitude);
  if (nearest.empty() || nearest == reserved) return;
  for (ParkingPosition& s : g_stands) {
    if (s.id == nearest) s.reserved = 1;
  }
}

StaticsBySid::StaticsBySid(const TrafficEngine& engine) {
  for (const StaticAc& ac : engine.staticAcs) {
    if (ac.simState != SimState::active) continue;
    if (ac.sid >= bySid_.size()) bySid_.resize(ac.sid + 1, nullptr);
    if (bySid_[ac.sid] == nullptr) bySid_[ac.sid] = &ac;
  }
}

void StaticsBySid::nextTo(const ParkingPosition& stand, std::vector<const StaticAc*>& out) const {
  out.clear();
  for (const std::uint32_t next : stand.adjacent) {
    if (next < bySid_.size() && bySid_[next] != nullptr) out.push_back(bySid_[next]);
  }
}

bool lf_clearOfNeighbours(std::span<const StaticAc* const> neighbours, const ParkingPosition& stand,
                          const LearnedFlight& flight) {
  return std::ranges::all_of(neighbours, [&](const StaticAc* other) { return lf_clearOf(*other, stand, flight); });
}

bool lf_flightInUse(const LearnedFlight& flight, TrafficEngine& engine) {
  const auto isName = [&](const std::string& text) { return text == flight.callsign || text == flight.callsign2; };
  if (!flight.registration.empty() &&
      std::ranges::any_of(g_staticCandidates, [&](const StaticCandidate& c) { return c.registration == flight.registration; }))
    return true;
  for (const PooledText* name : {&flight.callsign, &flight.callsign2}) {
    if (name->empty()) continue;
    const std::string text(name->view());
    if (g_seenCallsigns.contains(text) || g_seenCallsigns.contains(text + "_")) return true;
  }
  if (std::ranges::any_of(engine.staticAcs, [&](const StaticAc& ac) {
        return isName(ac.previousCallsign) || ac.registration == flight.registration;
      }))
    return true;
  if (std::ranges::any_of(g_staticCandidates, [&](const StaticCandidate& c) {
        return isName(c.firstName) || c.registration == flight.registration;
      }))
    return true;
  return std::ranges::any_of(g_liveParked, [&](const LiveParkedEntry& e) { return isName(e.callsign); });
}

void lf_searchStands(WeekSlot now, std::uint32_t real, std::uint32_t thisDay, std::uint32_t offset,
                     std::vector<StaticCandidate>& out, TrafficEngine& engine) {
  const WeekSlot searched = gf_weekSlotBack(now, offset);
  const auto day = static_cast<std::uint32_t>(searched.weekday);
  const auto slot = static_cast<std::uint32_t>(searched.halfHour);
  std::vector<std::uint32_t> fitting;
  fitting.reserve(256);
  const StaticsBySid statics(engine);
  std::vector<const StaticAc*> neighbours;
  try {
    for (ParkingPosition& stand : g_stands) {
      if (stand.reserved != 0 || stand.used != 0) continue;
      fitting.clear();
      g_staticParkingState.fitTests += stand.learnedFlights.size();
      // Most stands of a busy pass are blocked: they are passed over without a flight tried.
      if (!lf_standTakesFlights(stand)) continue;
      statics.nextTo(stand, neighbours);
      for (std::uint32_t i = 0; i < stand.learnedFlights.size(); ++i) {
        if (lf_flightFits(stand.learnedFlights[i], real, thisDay, day, slot, stand, neighbours)) fitting.push_back(i);
      }
      if (fitting.empty()) continue;
      lf_orderFlights(stand, fitting, engine);
      LearnedFlight& flight = stand.learnedFlights[fitting.front()];
      if (lf_flightInUse(flight, engine)) {
        flight.index = 0;
        continue;
      }
      out.push_back(StaticCandidate{stand.sid, offset, flight.codes, std::string(flight.callsign.view()),
                                    std::string(flight.callsign2.view()), std::string(flight.registration.view()),
                                    static_cast<std::uint8_t>(lf_stays(stand, flight, now))});
      lf_markStandAndNeighbours(stand);
    }
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{}: day: {}, offset {}: {}", "lf_searchStands",
                              fmt::format("[{},{}]", now.weekday, now.halfHour), offset, e.what()));
  }
}

bool lf_searchMode(WeekSlot now, std::uint32_t real, std::uint32_t thisDay, std::int64_t wanted,
                   std::vector<StaticCandidate>& found, TrafficEngine& engine) {
  StaticParkingState& s = g_staticParkingState;
  if (wanted == 0) return true;
  const std::int64_t u0 = lf_countUsed();
  const auto maxFit = static_cast<std::uint32_t>(std::clamp(g_settings.MAX_FIT.value.load(), 0, 47));
  std::uint32_t offset = 0;
  std::int64_t count = u0;
  bool result = false;
  for (;;) {
    lf_searchStands(now, real, thisDay, offset, found, engine);
    count = lf_countUsed();
    if (wanted <= count) {
      result = true;
      break;
    }
    g_staticCandidates.insert(g_staticCandidates.end(), found.begin(), found.end());
    found.clear();
    if (offset + 1 > maxFit) break;
    ++offset;
  }
  if (real != 0) {
    s.realFitOffset = offset;
    s.softFitOffset = -1;
  } else {
    s.softFitOffset = static_cast<std::int32_t>(offset);
  }
  const std::int64_t added = count - u0;
  if (added >= 1) {
    const float maxFitFl = g_settings.MAX_FIT_FL.value;
    gf_log(fmt::format("{} {} position{} found, Max fit={:.1F} hours{}{}", added, lf_modeText(real, thisDay),
                       added == 1 ? "" : "s", maxFitFl, fmt::format(", day {}", now.weekday),
                       fmt::format(", hh:{} or {:.1F} hrs, fit: {:.1F} hour", now.halfHour, now.halfHour / 2.0,
                                   gf_maxFit2Fl(static_cast<std::int32_t>(offset)))));
    if (real == 0) s.softUsed = true;
    if (thisDay == 0) s.otherDaysUsed = true;
    g_mainWindowState.softMode = s.softUsed;
    g_mainWindowState.weekMode = s.otherDaysUsed;
    lf_repaintPark();
  }
  return result;
}

void lf_searchByModes(WeekSlot now, std::int64_t wanted, std::int64_t occupied, TrafficEngine& engine) {
  StaticParkingState& s = g_staticParkingState;
  s.realFitOffset = 0;
  s.softFitOffset = -1;
  const bool week = g_settings.WEEK.value;
  const bool soft = g_settings.PARK_SOFT.value;
  const std::int64_t room = wanted - occupied;
  struct Mode {
    std::uint32_t real;
    std::uint32_t thisDay;
    bool on;
  };
  const Mode modes[] = {{1, 1, true}, {1, 0, week}, {0, 1, soft}, {0, 0, soft && week}};
  std::vector<StaticCandidate> found;
  found.reserve(512);
  bool first = true;
  for (const Mode& mode : modes) {
    if (!mode.on) continue;
    if (!first && static_cast<std::int64_t>(g_staticCandidates.size()) >= room) break;
    first = false;
    found.clear();
    if (lf_searchMode(now, mode.real, mode.thisDay, wanted, found, engine)) {
      const std::int64_t excess = static_cast<std::int64_t>(g_staticCandidates.size() + found.size()) - room;
      if (excess > 0) {
        lf_shuffle(found);
        found.resize(found.size() - static_cast<std::size_t>(std::min<std::int64_t>(excess, std::ssize(found))));
      }
    }
    g_staticCandidates.insert(g_staticCandidates.end(), found.begin(), found.end());
    if (static_cast<std::int64_t>(g_staticCandidates.size()) > room)
      g_staticCandidates.resize(static_cast<std::size_t>(std::max<std::int64_t>(room, 0)));
  }
}

void gf_calculateStaticParking(TrafficEngine& engine) {
  StaticParkingState& s = g_staticParkingState;
  const WeekSlot now = lf_logDayTime(engine);
  lf_lockParkControls();
  s.candidates.clear();
  s.placed.clear();
  s.liveParked.clear();
  g_mainWindowState.liveAverageFit = -1.0F;
  g_mainWindowState.staticAverageFit = -1.0F;
  s.meanParkedHours = -1.0F;
  s.softUsed = false;
  s.otherDaysUsed = false;
  g_mainWindowState.softMode = false;
  g_mainWindowState.weekMode = false;
  lf_repaintPark();
  lf_commitSeenCallsigns();
  for (ParkingPosition& stand : g_stands) {
    stand.used = 0;
    stand.reserved = 0;
  }
  lf_markReservedStands(engine);
  const std::int64_t wanted = gf_wantedStaticCount();
  if (wanted > static_cast<std::int64_t>(s.candidates.size())) lf_searchByModes(now, wanted, 0, engine);
  std::ranges::sort(s.candidates, {}, &StaticCandidate::offset);
  if (static_cast<std::int64_t>(s.candidates.size()) > wanted) s.candidates.resize(static_cast<std::size_t>(wanted));
  if (s.candidates.empty()) {
    gf_log("no parking positions found");
    lf_unlockParkControls();
    return;
  }
  const auto count = static_cast<std::int64_t>(s.candidates.size());
  gf_log(fmt::format("{} positions ({}% vs wanted {}%, with Max fit={:.1F} hours)\n", count,
                     gf_percentOf(count, std::ssize(g_stands)), g_settings.parking_percentage.value.load(),
                     g_settings.MAX_FIT_FL.value.load()));
  std::ranges::sort(s.candidates, std::ranges::greater{}, &StaticCandidate::offset);
}

}  // namespace vexo
