// One live aircraft moved step by step on a fresh engine, without a simulator: the client
// events it causes are read straight from the link's event queue.
#pragma once

#include <gtest/gtest.h>

#include <optional>

#include "engine/air_movement.h"
#include "engine/category_tables.h"
#include "engine/ground_movement.h"
#include "engine/movement.h"
#include "engine/traffic_engine.h"
#include "foundation/geodesy.h"
#include "simlink/sim_vocabulary.h"

namespace vexo::test {

inline constexpr double kDeg = g_degToRad;
inline constexpr LatLon kBase{34.0, -118.0};

struct MovementHooks {
  static inline std::optional<double> parkElevation;
  static inline std::optional<LatLon> parkPosition;
  static inline int aiControls = 0;
};

class MovementTest : public ::testing::Test {
protected:
  MovementTest() : engine(link) {
    MovementHooks::parkElevation.reset();
    MovementHooks::parkPosition.reset();
    MovementHooks::aiControls = 0;
    engine.hooks.clock100ns = [] { return std::int64_t{42}; };
    engine.hooks.sendAiControls = [](SimLink&, std::uint32_t, double, double) { return ++MovementHooks::aiControls > 0; };
    engine.hooks.parkAirportElevation = [] { return MovementHooks::parkElevation; };
    engine.hooks.parkAirportPosition = [] { return MovementHooks::parkPosition; };
    engine.trafficTick = 10000;
    g_qnh = 1013;
  }
  ~MovementTest() override { g_qnh = 1013; }

  // An active aircraft of the category with the category's values, at the base position.
  LiveAc& aircraft(AcCategory category = AcCategory::Large) {
    const std::size_t c = gf_categoryIndex(category);
    a = LiveAc{};
    a.category = category;
    a.hexid = 20001;
    a.objectid = 7;
    a.simState = SimState::active;
    a.takeOffPitch = g_takeOffPitchDeg[c] * kDeg;
    a.climbPitch = g_climbPitchDeg[c] * kDeg;
    a.turnRate = a.currentTurnRate = g_turnRateDeg[c] * kDeg;
    a.flareTicks = g_flareTicks[c];
    a.settleTicks = g_settleTicks[c];
    a.rotationTicks = g_rotationTicks[c];
    a.climbPitchTicks = g_climbPitchTicks[c];
    a.maxClimbPerTick = g_maxClimbPerTick[c];
    a.pushBackSpeed = g_pushBackSpeed[c];
    a.halfSpan = 0.01;
    a.lat = kBase.lat;
    a.lon = kBase.lon;
    return a;
  }
  // A reported position bearing degrees and metres from the base.
  StreamPos at(double bearingDeg, double metres, double groundSpeed, std::int32_t due, double altitude = 0.0) const {
    const LatLon p = gf_destinationPoint(kBase, bearingDeg * kDeg, metres / 1852.0 * g_feetPerNm);
    StreamPos s{};
    s.lat = p.lat;
    s.lon = p.lon;
    s.groundSpeed = groundSpeed;
    s.speed = groundSpeed;
    s.altitude = altitude;
    s.airborne = altitude > 0.0 ? 1 : 0;
    s.dueTick = due;
    return s;
  }
  std::int32_t now() const { return engine.trafficTick.load(); }
  // The data of the last event of that id for the aircraft; none when none was queued.
  std::optional<std::uint32_t> event(std::uint32_t id) const {
    std::optional<std::uint32_t> data;
    for (const SimEventAction& e : link.simEventQueue)
      if (e.eventId == id) data = e.data;
    return data;
  }

  SimLink link;
  TrafficEngine engine;
  LiveAc a;
};

}  // namespace vexo::test
