// Flights learned at the stands of the park airport: which aircraft stood at a stand on
// which weekday and in which half hours. Static parking fills an airport from them and
// the learned airport file keeps them between visits. Tick thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/text_pool.h"
#include "foundation/time_text.h"
#include "refdata/ac_codes.h"

namespace vexo {

struct LiveAc;
struct TrafficEngine;

// A large park airport holds hundreds of thousands of these, read in one go when it becomes
// the park airport: the texts are pooled, which keeps the record at 48 bytes.
struct LearnedFlight {
  AcCodes codes;
  PooledText registration;  // never empty in a stored flight
  PooledText callsign;      // the first seen; a trailing "_" is never stored
  PooledText callsign2;     // a second, different callsign seen later; empty when none
  HalfHourBits hh;           // the slots of `day` during which the aircraft stood there
  std::uint32_t index = 0;   // from 1 within the stand's list; 0 = not written to a file
  std::uint32_t day = 0;     // 1 (Monday) to 7
  std::uint32_t archived = 0;  // 1: came with the stand list of the airport file
  std::uint32_t real = 1;      // 0: a soft (derived) flight
  std::uint8_t cpl = 0;        // the stay is closed; never extended
};

// The learning state of the current park airport (the current slot of the week is the
// engine's g_weekSlotNow).
struct LearnedFlightsState {
  // Changes to the park airport's stands since its learned file was read or saved.
  std::uint32_t airportFileUpdates = 0;
  // The count the main window shows.
  std::uint32_t shownAirportFileUpdates = 0;
};
extern LearnedFlightsState g_learnedFlightsState;
inline std::uint32_t& g_airportFileUpdates = g_learnedFlightsState.airportFileUpdates;
inline std::uint32_t& g_shownAirportFileUpdates = g_learnedFlightsState.shownAirportFileUpdates;

// Whether the slot is a real one (weekday 1..7, half hour 0..47): before the first one is
// known (after a reset, or a failed conversion) nothing can be filed under it.
constexpr bool gf_isValidWeekSlot(WeekSlot slot) {
  return slot.weekday >= 1 && slot.weekday <= 7 && slot.halfHour >= 0 && slot.halfHour < 48;
}

// Counts one change in g_airportFileUpdates and lets the main window show it.
void gf_countAirportFileUpdate();

// Adds a flight for the aircraft at the slot; (index, true) when added, (0, false) when
// the registration is empty or the same flight is already there. A slot of 48 or more
// throws std::out_of_range.
std::pair<std::uint32_t, bool> gf_addLearnedFlight(std::vector<LearnedFlight>& list, AcCodes codes, WeekSlot weekSlot,
                                                   std::string_view callsign, std::string_view registration,
                                                   std::uint8_t cpl);

// The flight's last set slot and, after a wrap over midnight, the index of the follow-on
// flight.
struct LastSlot {
  WeekSlot slot;
  std::uint32_t nextIndex = 0;
};

// Extends the flight with that index up to now; false when the caller must start a new
// flight instead (the gap is too long, or negative).
bool gf_extendLearnedFlight(WeekSlot now, std::vector<LearnedFlight>& list, std::uint32_t index, LastSlot& last,
                            const LiveAc& aircraft, std::string_view registration, std::uint8_t cpl);

void gf_addCallsignToFlight(std::vector<LearnedFlight>& list, std::uint32_t index, std::string_view callsign);

// Sets the slots (newest first) in the flight with that index; false when there is none.
bool updateOptions(std::vector<LearnedFlight>& list, std::vector<std::uint32_t>& slots, std::uint32_t index);
// Sets the slots of a stay across midnight: the older day's into the flight with index,
// the rest into the flight with nextIndex.
bool updateOptionsWrapped(std::vector<LearnedFlight>& list, std::vector<std::uint32_t>& slots, std::uint32_t index,
                          std::uint32_t nextIndex);

// The count slots ending at the week slot's half hour, newest first, stepping back over
// midnight from 0 to 47.
std::vector<std::uint32_t> gf_slotsBackFrom(WeekSlot weekSlot, std::uint32_t count);

// Learns the live aircraft at the park airport's stand with that sid in the engine's
// current week slot. event: 0 parked (arrived, or its code word changed while parked), 1
// created parked, 2 moving at its stand, 3 reported far from it (2 and 3 close the stay).
void lf_addRealStandOption(std::uint32_t standId, LiveAc& aircraft, std::int32_t event, const TrafficEngine& engine);

}  // namespace vexo
