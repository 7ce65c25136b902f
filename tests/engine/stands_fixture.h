// A fresh engine with hand-made records and stands: each test places aircraft where it
// needs them without flying them there, and reads the removals off their SimState.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "airports/airport_reader.h"
#include "airports/airports_state.h"
#include "airports/static_parking.h"
#include "engine/engine_services.h"
#include "engine/stands.h"
#include "foundation/settings.h"

namespace vexo::test {

inline constexpr double g_baseLat = 34.0;
inline constexpr double g_baseLon = -118.0;

// The latitude metres north of the base, measured with the program's own distance.
inline double northOf(double metres) {
  const double nmPerDegree = gf_greatCircleNm(LatLon{g_baseLat, g_baseLon}, LatLon{g_baseLat + 1.0, g_baseLon});
  return g_baseLat + metres / 1852.0 / nmPerDegree;
}
inline double nm(double metres) { return metres / 1852.0; }

class StandsTest : public ::testing::Test {
protected:
  StandsTest() : engine(link) {
    link.userObjectId = 1;
    engine.liveAcs.reserve(64);  // the tests hold references to the records they add
    engine.staticAcs.reserve(64);
    engine.hooks.clock100ns = [] { return clockNow; };
    gf_resetAirportsState();
    gf_resetStaticParkingState();
    clockNow = 0;
  }
  ~StandsTest() override {
    gf_resetAirportsState();
    gf_resetStaticParkingState();
    g_settings.INITIAL_LOAD_ONLY.value = false;
  }

  // A stand metres north of the base; radius in metres.
  ParkingPosition& addStand(std::string id, double metresNorth, double radiusMetres, bool heli = false) {
    ParkingPosition& s = g_stands.emplace_back(std::move(id), std::vector<LearnedFlight>{}, northOf(metresNorth),
                                               g_baseLon, 0.0, radiusMetres, 0, false, false, heli);
    s.sid = static_cast<std::uint32_t>(g_stands.size());
    gf_publishStandNames();
    return s;
  }
  LiveAc& live(std::string callsign, double halfSpanMetres = 17.0, FlightState state = FlightState::parked) {
    LiveAc& a = engine.liveAcs.emplace_back();
    a.callsign = std::move(callsign);
    a.hexid = 20000 + static_cast<std::uint32_t>(engine.liveAcs.size());
    a.objectid = 100 + a.hexid;
    a.halfSpan = nm(halfSpanMetres);
    a.simState = SimState::active;
    a.flightState = state;
    a.lat = g_baseLat;
    a.lon = g_baseLon;
    return a;
  }
  StaticAc& stat(std::string callsign, std::uint32_t sid = 0) {
    StaticAc& s = engine.staticAcs.emplace_back();
    s.callsign = std::move(callsign);
    s.hexid = static_cast<std::uint32_t>(engine.staticAcs.size());
    s.objectid = 50 + s.hexid;
    s.simState = SimState::active;
    s.sid = sid;
    s.standLat = g_baseLat;
    s.standLon = g_baseLon;
    return s;
  }
  static bool removed(const StaticAc& a) { return a.simState == SimState::removingfromsim; }

  static inline std::int64_t clockNow = 0;
  SimLink link;
  TrafficEngine engine;
};

}  // namespace vexo::test
