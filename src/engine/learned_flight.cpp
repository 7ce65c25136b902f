#include "engine/learned_flight.h"

#include <fmt/format.h>

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "airports/airports_state.h"
#include "engine/aircraft.h"
#include "engine/aircraft_texts.h"
#include "engine/traffic_engine.h"
#include "foundation/log.h"
#include "foundation/main_window_state.h"
#include "refdata/codes.h"
#include "refdata/dbase_lookups.h"

namespace vexo {

LearnedFlightsState g_learnedFlightsState;

namespace {

std::string_view lf_withoutTrailingUnderscore(std::string_view text) {
  if (!text.empty() && text.back() == '_') text.remove_suffix(1);
  return text;
}

LearnedFlight* lf_flightWithIndex(std::vector<LearnedFlight>& list, std::uint32_t index) {
  if (index == 0) return nullptr;
  const auto found = std::ranges::find_if(list, [&](const LearnedFlight& f) { return f.index == index; });
  return found == list.end() ? nullptr : &*found;
}

std::uint32_t lf_longestExtension(const AcCodes& codes) {
  if (codes.cargo != 0) return 12;
  return gf_modelCategory(codes.modelId) == AcCategory::Heavy ? 8 : 6;
}

// The newest slot of the list goes in last: the slots are taken from the back.
void lf_setFromBack(HalfHourBits& bits, std::vector<std::uint32_t>& slots) {
  bits.set(slots.back());
  slots.pop_back();
}

// Closing a stay is a change the learned file must get.
void lf_closeFlight(LearnedFlight& flight) {
  if (flight.cpl != 0) return;
  flight.cpl = 1;
  gf_countAirportFileUpdate();
}

}  // namespace

void gf_countAirportFileUpdate() {
  ++g_airportFileUpdates;
  if (g_airportFileUpdates == g_shownAirportFileUpdates) return;
  g_shownAirportFileUpdates = g_airportFileUpdates;
  g_mainWindowState.updatesCount = g_shownAirportFileUpdates;
  gf_invalidateMainWindow(g_parkRect, true);
}

std::pair<std::uint32_t, bool> gf_addLearnedFlight(std::vector<LearnedFlight>& list, AcCodes codes, WeekSlot weekSlot,
                                                   std::string_view callsign, std::string_view registration,
                                                   std::uint8_t cpl) {
  if (registration.empty()) return {0, false};
  callsign = lf_withoutTrailingUnderscore(callsign);
  HalfHourBits hh;
  hh.set(static_cast<std::size_t>(static_cast<std::uint32_t>(weekSlot.halfHour)));
  const auto index = static_cast<std::uint32_t>(list.size() + 1);
  if (codes.marker == 0) {
    if (const auto known = gf_dbaseLookup(registration)) codes = *known;
  }
  const auto day = static_cast<std::uint32_t>(weekSlot.weekday);
  const bool present = std::ranges::any_of(
      list, [&](const LearnedFlight& f) { return f.registration == registration && f.day == day && f.hh == hh; });
  if (present) return {0, false};
  LearnedFlight flight;
  flight.codes = codes;
  flight.registration = registration;
  flight.callsign = callsign;
  flight.hh = hh;
  flight.index = index;
  flight.day = day;
  flight.cpl = cpl;
  list.push_back(std::move(flight));
  gf_countAirportFileUpdate();
  return {index, true};
}

std::vector<std::uint32_t> gf_slotsBackFrom(WeekSlot weekSlot, std::uint32_t count) {
  std::vector<std::uint32_t> slots;
  slots.reserve(48);
  auto slot = static_cast<std::uint32_t>(weekSlot.halfHour);
  for (std::uint32_t n = 0; n < count; ++n) {
    slots.push_back(slot);
    slot = slot == 0 ? 47 : slot - 1;
  }
  return slots;
}

bool updateOptions(std::vector<LearnedFlight>& list, std::vector<std::uint32_t>& slots, std::uint32_t index) {
  LearnedFlight* flight = lf_flightWithIndex(list, index);
  if (flight == nullptr) return false;
  try {
    while (!slots.empty()) lf_setFromBack(flight->hh, slots);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{} exception:{}", "updateOptions", e.what()));
    return false;
  }
  return true;
}

bool updateOptionsWrapped(std::vector<LearnedFlight>& list, std::vector<std::uint32_t>& slots, std::uint32_t index,
                          std::uint32_t nextIndex) {
  LearnedFlight* flight = lf_flightWithIndex(list, index);
  if (flight == nullptr) return false;
  try {
    if (!slots.empty() && slots.back() != 0) {
      while (!slots.empty()) {
        const bool dayEnds = slots.back() == 47;
        lf_setFromBack(flight->hh, slots);
        if (dayEnds) break;
      }
    }
    LearnedFlight* next = lf_flightWithIndex(list, nextIndex);
    if (next == nullptr) return false;
    // The newest slot, the current one, came with the new flight.
    while (slots.size() >= 2) lf_setFromBack(next->hh, slots);
    return true;
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{} exception:{}", "updateOptionsWrapped", e.what()));
    return false;
  }
}

void gf_addCallsignToFlight(std::vector<LearnedFlight>& list, std::uint32_t index, std::string_view callsign) {
  callsign = lf_withoutTrailingUnderscore(callsign);
  if (callsign.empty()) return;
  LearnedFlight* flight = lf_flightWithIndex(list, index);
  if (flight == nullptr) return;
  if (flight->callsign.empty()) {
    flight->callsign = callsign;
  } else if (flight->callsign != callsign && flight->callsign2 != callsign) {
    flight->callsign2 = callsign;
  }
}

bool gf_extendLearnedFlight(WeekSlot now, std::vector<LearnedFlight>& list, std::uint32_t index, LastSlot& last,
                            const LiveAc& aircraft, std::string_view registration, std::uint8_t cpl) {
  if (index == 0 || last.slot == now) return true;
  const auto longest = static_cast<std::int32_t>(lf_longestExtension(aircraft.codes));
  std::int32_t span = (now.weekday - last.slot.weekday) * 48 - last.slot.halfHour + now.halfHour;
  if (span < 0) span += g_slotsPerWeek;
  if (span < 1 || span >= longest) return false;
  auto slots = gf_slotsBackFrom(now, static_cast<std::uint32_t>(span));
  if (now.weekday == last.slot.weekday) {
    if (updateOptions(list, slots, index)) gf_addCallsignToFlight(list, index, aircraft.callsign);
    last.slot = now;
    return true;
  }
  const auto [nextIndex, added] = gf_addLearnedFlight(list, aircraft.codes, now, aircraft.callsign, registration, cpl);
  if (!added) return false;
  updateOptionsWrapped(list, slots, index, nextIndex);
  gf_addCallsignToFlight(list, index, aircraft.callsign);
  gf_addCallsignToFlight(list, nextIndex, aircraft.callsign);
  last.slot = now;
  last.nextIndex = nextIndex;
  return true;
}

void lf_addRealStandOption(std::uint32_t standId, LiveAc& aircraft, std::int32_t event, const TrafficEngine& engine) {
  const std::string registration(lf_withoutTrailingUnderscore(aircraft.registration));
  if (registration.empty()) return;
  const WeekSlot now = engine.weekSlotNow.load();
  // Before the first valid slot (after a reset, or a failed conversion) a flight would be
  // filed under a day that does not exist.
  if (!gf_isValidWeekSlot(now)) return;
  const auto known = gf_dbaseLookup(registration);
  if (!known) return;
  aircraft.codes = *known;
  ParkingPosition* stand = standId < 1 ? nullptr : gf_standBySid(standId);
  if (stand == nullptr) return;
  const std::uint8_t cpl = (event == 2 || event == 3) ? 1 : 0;
  const bool closes = cpl != 0;
  const auto today = static_cast<std::uint32_t>(now.weekday);
  const auto slot = static_cast<std::size_t>(now.halfHour);
  auto& list = stand->learnedFlights;
  try {
    auto sameFlight = [&](const LearnedFlight& f, std::uint32_t archived) {
      return f.index != 0 && f.day == today && f.registration == registration && f.real == 1 &&
             f.archived == archived;
    };
    // The airport file already knows this aircraft here at another time of the day.
    if (std::ranges::any_of(list, [&](const LearnedFlight& f) { return sameFlight(f, 1) && !f.hh.test(slot); }))
      return;
    const auto found = std::ranges::find_if(list, [&](const LearnedFlight& f) { return sameFlight(f, 0); });
    auto addNew = [&] { gf_addLearnedFlight(list, aircraft.codes, now, aircraft.callsign, registration, cpl); };
    if (found == list.end() || (found->cpl != 0 && !found->hh.test(slot))) {
      addNew();
      return;
    }
    if (found->hh.test(slot)) {
      if (closes) lf_closeFlight(*found);
      return;
    }
    std::int32_t lastSet = 47;
    while (lastSet >= 0 && !found->hh.test(static_cast<std::size_t>(lastSet))) --lastSet;
    if (lastSet < 0) return;
    const std::uint32_t index = found->index;
    LastSlot last{WeekSlot{now.weekday, lastSet}, 0};
    // The list may grow in there: the flight is found again by its index afterwards.
    if (!gf_extendLearnedFlight(now, list, index, last, aircraft, registration, cpl)) {
      addNew();
      return;
    }
    gf_countAirportFileUpdate();
    if (closes) {
      if (LearnedFlight* flight = lf_flightWithIndex(list, index)) lf_closeFlight(*flight);
    }
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{}: hh_now: {}, {}", "lf_addRealStandOption", now.halfHour, e.what()));
  }
}

}  // namespace vexo
