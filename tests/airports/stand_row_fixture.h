// A small synthetic park airport for the static parking tests: ten stands in a row,
// 0.001 degrees (0.06 nm) apart, each next to the one after it, and two models, a wide and
// a narrow one.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "airports/static_parking.h"
#include "airports_fixture.h"
#include "refdata/dbase_tables.h"
#include "simlink/sim_link_state.h"

namespace vexo::test {

inline constexpr std::uint16_t g_wide = 1;    // half span 0.04 nm
inline constexpr std::uint16_t g_narrow = 2;  // half span 0.01 nm

// A real flight of airline 7 learned on `day` in the given half hours.
inline LearnedFlight learnedFlight(const std::string& callsign, const std::string& reg, std::uint32_t day,
                                   std::initializer_list<int> slots, std::uint32_t real = 1,
                                   const std::string& callsign2 = "", std::uint16_t model = g_narrow) {
  LearnedFlight f;
  f.codes.airlineId = 7;
  f.codes.modelId = model;
  f.callsign = callsign;
  f.callsign2 = callsign2;
  f.registration = reg;
  f.day = day;
  f.real = real;
  f.index = 1;
  for (int s : slots) f.hh.set(static_cast<std::size_t>(s));
  return f;
}

class StandRowTest : public AirportsTest {
protected:
  void SetUp() override {
    AirportsTest::SetUp();
    gf_resetStaticParkingState();
    g_dbase.halfWingspanById = {0.0, 0.04, 0.01};
    for (std::uint32_t i = 1; i <= 10; ++i) {
      g_stands.emplace_back("A" + std::to_string(i), std::vector<LearnedFlight>{}, 52.0 + 0.001 * i, 4.0, 0.0, 30.0,
                            0, false, false, false);
      g_stands.back().sid = i;
      if (i > 1) g_stands.back().adjacent.push_back(i - 1);
      if (i < 10) g_stands.back().adjacent.push_back(i + 1);
    }
    g_settings.RANDOM.value = false;
    engine.weekSlotNow = WeekSlot{3, 20};  // Wednesday 10:00
  }
  void TearDown() override {
    gf_resetStaticParkingState();
    g_dbase = DbaseTables{};
    SettingsState& s = g_settings;
    s.RANDOM.value = true;
    s.HELICOPTERS.value = true;
    s.MAX_PARK_SEL.value = s.MAX_PARK_SEL.defaultValue;
    s.CUSTOM_PARKING_PERCENTAGE.value = -1;
    AirportsTest::TearDown();
  }
  static void addFlight(std::uint32_t sid, LearnedFlight f) { g_stands[sid - 1].learnedFlights.push_back(std::move(f)); }
  // An active static aircraft of airline 7 at stand `sid`, parked since `parked`.
  StaticAc& placeStatic(std::uint32_t sid, const std::string& callsign, std::uint16_t model, double halfSpan,
                        WeekSlot parked) {
    StaticAc ac;
    ac.sid = sid;
    ac.callsign = callsign;
    ac.codes.airlineId = 7;
    ac.codes.modelId = model;
    ac.halfSpan = halfSpan;
    ac.standLat = g_stands[sid - 1].latitude;
    ac.standLon = g_stands[sid - 1].longitude;
    ac.parkedDay = static_cast<std::uint32_t>(parked.weekday);
    ac.parkedSlot = static_cast<std::uint32_t>(parked.halfHour);
    ac.simState = SimState::active;
    engine.staticAcs.push_back(ac);
    return engine.staticAcs.back();
  }

  // The active static aircraft next to the stand, as the stand search finds them.
  std::vector<const StaticAc*> staticsNextTo(const ParkingPosition& stand) const {
    std::vector<const StaticAc*> out;
    StaticsBySid(engine).nextTo(stand, out);
    return out;
  }

  SimLink link;
  TrafficEngine engine{link};
};

}  // namespace vexo::test
