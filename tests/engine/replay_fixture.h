// Recorded traffic replayed into a fresh engine, tick by tick: each record of a recording
// goes through the real record parser when its time has come on the engine's clock (100
// cycles a second), its report is handed to the engine, and the scripted simulator plays
// the simulator, reporting each object on the ground when the position it was last given
// lies on the ground. Per aircraft the fixture keeps the FlightStates it went through and
// the positions sent to the simulator, and the moments its movement changed phase. The park
// airport, Los Angeles, is read from the project's airport file as the program reads it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "park_airport_fixture.h"
#include "realtraffic/traffic_receiver.h"
#include "recording.h"
#include "refdata/dbase_reader.h"
#include "test_support.h"

namespace vexo::test {

// Los Angeles, as the demo flies it: the user parked at the airport, which is also the
// park airport.
inline constexpr LatLon g_replayUser{33.9416, -118.4085};
inline constexpr double g_replayElevation = 125.0;

// The phase of an aircraft's movement: its FlightState and the flags of its rolls, its
// approach and its flare.
struct MovementPhase {
  std::int32_t tick = 0;
  FlightState state = FlightState::birth;
  std::uint8_t onGround = 0, takeOffRoll = 0, approach = 0, landingRoll = 0, holding = 0;
  std::uint32_t flarePhase = 0;
  double altitude = 0.0;  // when the phase began
  bool sameAs(const MovementPhase& o) const {
    return state == o.state && onGround == o.onGround && takeOffRoll == o.takeOffRoll && approach == o.approach &&
           landingRoll == o.landingRoll && holding == o.holding && flarePhase == o.flarePhase;
  }
};

struct ReplayedAircraft {
  std::vector<FlightState> states;  // each change once, in order
  std::vector<MovementPhase> phases;  // each change once, in order, while in the simulator
  struct Sent {
    std::int32_t tick;
    AiPositionAction position;
  };
  std::vector<Sent> sent;  // every position sent to the simulator
  std::vector<StreamPos> reported;  // every report handed to the engine (dueTick: the engine's)
};

class ReplayTest : public EngineTest {
protected:
  ReplayTest() {
    HookState::user.latitude = g_replayUser.lat;
    HookState::user.longitude = g_replayUser.lon;
    link.userOnGround = true;
    context.refPosition = g_replayUser;
    context.rangeNm = 40.0;
  }
  void SetUp() override {
    unloadEngineDbase();
    TempDir dir;
    ASSERT_TRUE(gf_readDbaseFrom(std::filesystem::path(VDRK_SAMPLE_INPUT_DIR) / "dbase.enc", dir / "dbase.xml"));
    // The park airport as the program has it once the user is on the ground there: its
    // stands, its elevation for the reader's filters and the engine's flare, its position
    // for the approach.
    park.read();
    ParkAirportFiles::useProgramHooks(engine);
    ASSERT_EQ(ParkAirportFiles::elevation(), g_replayElevation);
    // The reader's filters see the park airport as the program hands it over.
    const RecordContext program = g_trafficReceiver.currentContext();
    ASSERT_TRUE(program.parkAirport.has_value());
    context.parkAirport = program.parkAirport;
    context.parkAirportElevation = program.parkAirportElevation;
    std::lock_guard lock(g_liveReportMutex);
    g_liveReportQueue.clear();
    g_trafficIntake = true;
  }
  void TearDown() override {
    {
      std::lock_guard lock(g_liveReportMutex);
      g_liveReportQueue.clear();
      g_trafficIntake = false;
    }
    EngineTest::TearDown();
    g_settings.RANGE.value = 40;
    g_settings.MAX_LIVE_SEL.value = 500;
    g_settings.COLLISION_USER_GND.value = true;
    g_settings.HOLDING_THRESHOLD_METERS.value = 250;
  }

  // The recording's traffic lines, in file order; only those of the hexids when given.
  static std::vector<standin::RecordingLine> lines(const char* file, const std::set<std::uint32_t>& only = {}) {
    std::vector<standin::RecordingLine> out;
    for (auto& line : standin::gf_readRecording(testdataDir() / "realtraffic" / file)) {
      if (line.kind != standin::RecordingLine::Kind::traffic) continue;
      if (!only.empty() && !only.contains(hexidOf(line.text))) continue;
      out.push_back(std::move(line));
    }
    return out;
  }
  static std::uint32_t hexidOf(const std::string& text) {
    const auto a = text.find(',');
    return static_cast<std::uint32_t>(std::stoul(text.substr(a + 1, text.find(',', a + 1) - a - 1)));
  }

  // Replays the lines for the given seconds of their time (from the first line's time);
  // everyCycle runs after each cycle.
  void replay(const std::vector<standin::RecordingLine>& recorded, double seconds,
              const std::function<void()>& everyCycle = {}) {
    if (recorded.empty()) return;
    if (t0 == 0.0) t0 = recorded.front().timestamp;
    const int cyclesToRun = static_cast<int>(seconds * 100);
    for (int c = 0; c < cyclesToRun; ++c) {
      const double now = t0 + elapsedCycles / 100.0;
      while (next < recorded.size() && recorded[next].timestamp <= now) feed(recorded[next++]);
      if (engine.trafficTick.load() % 100 == 0) reportGround();
      cycle();
      ++elapsedCycles;
      observe();
      if (everyCycle) everyCycle();
    }
  }

  // The traffic source goes on: the replay continues from where it stopped.
  std::size_t next = 0;
  double t0 = 0.0;
  long elapsedCycles = 0;
  ParkAirportFiles park{"KLAX"};
  double groundElevation = g_replayElevation;  // feet, where the simulator's ground lies
  RecordContext context;
  TrafficReceiver receiver;
  std::map<std::uint32_t, ReplayedAircraft> aircraft;  // by hexid

private:
  void feed(const standin::RecordingLine& line) {
    if (receiver.processDatagram(standin::gf_toTrafficRecord(line.text, 0.0), context) != RecordOutcome::accepted)
      return;
    std::lock_guard lock(g_liveReportMutex);
    while (!g_liveReportQueue.empty()) {
      LiveReport r = std::move(g_liveReportQueue.front());
      g_liveReportQueue.pop_front();
      r.pos.dueTick = gf_addTicks(tick(), g_reportDelayTicks);
      aircraft[r.hexid].reported.push_back(r.pos);
      handOver(std::move(r));
    }
  }
  // The simulator's answer to the in-range request: every object on the ground when the
  // altitude it was given is at most the elevation (the recording's ground positions are
  // at altitude 0, the engine's QNH-corrected ones near the field elevation).
  void reportGround() {
    for (const AiPositionAction& p : sim.lastPositions) {
      if (p.altitude - groundElevation > 2500.0) continue;
      const bool onGround = p.altitude <= groundElevation + 1.0;
      sim.inject({p.objectId, onGround ? 1U : 0U, 0, SimResponseKind::onGround, groundElevation,
                  std::max(p.altitude - groundElevation, 0.0)});
    }
  }
  void observe() {
    for (const LiveAc& a : engine.liveAcs) {
      auto& states = aircraft[a.hexid].states;
      if (states.empty() || states.back() != a.flightState) states.push_back(a.flightState);
      if (a.simState != SimState::active) continue;
      const MovementPhase now{tick(), a.flightState, a.onGround, a.takeOffRoll, a.approach, a.landingRoll,
                              a.holding, a.flarePhase, a.altitude};
      auto& phases = aircraft[a.hexid].phases;
      if (phases.empty() || !phases.back().sameAs(now)) phases.push_back(now);
    }
    for (const AiPositionAction& p : sim.lastPositions) {
      const auto it = sim.objects.find(p.objectId);
      if (it != sim.objects.end()) aircraft[it->second].sent.push_back({tick(), p});
    }
  }
};

// Whether want appears within got in order (other states may lie between).
inline bool gf_inOrder(const std::vector<FlightState>& got, const std::vector<FlightState>& want) {
  std::size_t i = 0;
  for (const FlightState s : got)
    if (i < want.size() && s == want[i]) ++i;
  return i == want.size();
}

}  // namespace vexo::test
