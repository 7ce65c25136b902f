// Whole flights replayed from the real recordings with the default settings: a departure
// from its taxi through the take-off roll and the lift-off into the climb, an arrival at
// Los Angeles from its approach through the flare, the touchdown and the landing roll to
// a stand, and a departure at Los Angeles whose reports pause during its taxi. Then
// synthetic flights at fields of their own, high or near the sea, whose reports fail them
// around the take-off: they stop, freeze or keep a stale speed.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/aircraft_texts.h"
#include "foundation/geodesy.h"
#include "replay_fixture.h"
#include "simlink/sim_vocabulary.h"

namespace vexo {
namespace {

using test::gf_inOrder;
using test::HookState;
using test::MovementPhase;
using test::ParkAirportFiles;
using test::ReplayTest;

constexpr std::uint32_t g_laArrival = 11389159;    // AAL1331, A321, from 31 nm out to the gate
constexpr std::uint32_t g_laDeparture = 11234981;  // AAL9735, B789, taxi, take-off, climb out
constexpr std::uint32_t g_bonnCessna = 12345678;   // DEEZU, C172: taxi, take-off, a circuit, landing

// The index of the first phase that matches, from a start; phases.size() when none.
template <class Match>
std::size_t lf_firstPhase(const std::vector<MovementPhase>& phases, std::size_t from, Match match) {
  for (std::size_t i = from; i < phases.size(); ++i)
    if (match(phases[i])) return i;
  return phases.size();
}

std::string lf_text(const std::vector<MovementPhase>& phases) {
  std::string text;
  for (const MovementPhase& p : phases)
    text += fmt::format("\n{:7} {:10} ground {} roll {}/{} approach {} flare {} hold {} {:.0f} ft", p.tick,
                        gf_flightStateName(p.state), p.onGround, p.takeOffRoll, p.landingRoll, p.approach,
                        p.flarePhase, p.holding, p.altitude);
  return text;
}

TEST_F(ReplayTest, ADepartureTaxiesRollsLiftsOffAndClimbs) {
  // Bonn-Hangelar, reported every 10 s: the take-off roll lies in the reports (27 and
  // 76 kt on the ground, then airborne at 96 kt). The small field is the park airport, as
  // the program makes the airport under a user on the ground its park airport: the reader
  // tells the ground reports by its elevation, 197 ft. The sample airports database holds
  // only airports with an IATA code, so the field is added to it, and its file (one stand,
  // away from the taxi route) is written here.
  AirportData bonn;
  bonn.icao = IcaoCode("EDKB");
  bonn.latitude = 50.7677;
  bonn.longitude = 7.1633;
  bonn.altitude = 197.0F;
  ParkAirportFiles edkb{"EDKB"};
  edkb.read(bonn, ParkAirportFiles::airportFile(
                      "Bonn-Hangelar", 197,
                      "    <parkpos id=\"GA-1\" latitude=\"50.765000\" longitude=\"7.160000\" heading=\"200.0\" "
                      "radius=\"10.0\" type=\"4\" cargo=\"false\" ramp=\"false\" />\n"));
  ParkAirportFiles::useProgramHooks(engine);
  HookState::user.latitude = bonn.latitude;
  HookState::user.longitude = bonn.longitude;
  context.refPosition = bonn.latLon();
  context.parkAirport = ParkAirportRef{ParkAirportFiles::position(), ParkAirportFiles::elevation()};
  context.parkAirportElevation = ParkAirportFiles::elevation();
  groundElevation = 197.0;

  double highest = 0.0;
  replay(lines("edkb_10s.csv"), 200.0, [&] {
    if (const LiveAc* a = find(g_bonnCessna); a != nullptr && a->simState == SimState::active)
      highest = std::max(highest, a->altitude);
  });
  const auto& phases = aircraft[g_bonnCessna].phases;
  SCOPED_TRACE(lf_text(phases));
  ASSERT_EQ(sim.creations.size(), 1u);
  EXPECT_EQ(sim.creations[0].initPosition.OnGround, 1u);
  EXPECT_TRUE(sim.removals.empty());
  // Taxi, the roll (still taxi, on the ground), the lift-off (take_off, off the ground),
  // then flying; nothing in the air before the roll.
  const std::size_t roll = lf_firstPhase(phases, 0, [](const MovementPhase& p) { return p.takeOffRoll != 0; });
  ASSERT_LT(roll, phases.size());
  EXPECT_EQ(phases[roll].state, FlightState::taxi);
  EXPECT_EQ(phases[roll].onGround, 1u);
  for (std::size_t i = 0; i < roll; ++i) {
    EXPECT_EQ(phases[i].state, FlightState::taxi) << i;
    EXPECT_EQ(phases[i].onGround, 1u) << i;
  }
  const std::size_t liftOff = lf_firstPhase(phases, roll, [](const MovementPhase& p) { return p.onGround == 0; });
  ASSERT_LT(liftOff, phases.size());
  EXPECT_EQ(phases[liftOff].state, FlightState::take_off);
  const std::size_t flying =
      lf_firstPhase(phases, liftOff, [](const MovementPhase& p) { return p.state == FlightState::flying; });
  ASSERT_LT(flying, phases.size());
  // It climbs: through 800 ft above the field to the 1000 ft of the circuit.
  EXPECT_GT(phases[flying].altitude, 197.0 + 800.0);
  EXPECT_GT(highest, 197.0 + 750.0);
  const auto& sent = aircraft[g_bonnCessna].sent;
  const auto liftOffSent = std::find_if(sent.begin(), sent.end(), [&](const auto& s) { return s.tick >= phases[liftOff].tick; });
  ASSERT_NE(liftOffSent, sent.end());
  EXPECT_LT(liftOffSent->position.altitude, 197.0 + 50.0);
  for (auto s = liftOffSent; s + 100 < sent.end() && (s + 100)->tick < phases[flying].tick; s += 100)
    EXPECT_GE((s + 100)->position.altitude, s->position.altitude) << "at tick " << s->tick;
}

TEST_F(ReplayTest, AnArrivalFliesItsApproachFlaresLandsRollsOutTurnsOffAndParksAtAStand) {
  bool gearDownAtTouchdown = false;
  std::int32_t touchdownTick = -1;
  replay(lines("KLAX_20200617_2152.csv", {g_laArrival}), 1300.0, [&] {
    const LiveAc* a = find(g_laArrival);
    if (touchdownTick >= 0 || a == nullptr || a->onGround == 0 || a->landingRoll == 0) return;
    touchdownTick = tick();
    for (const SimEventAction& e : sim.events)
      if (e.objectId == a->objectid && e.eventId == ClientEventId::GEAR_SET) gearDownAtTouchdown = e.data == 1;
  });
  const auto& phases = aircraft[g_laArrival].phases;
  SCOPED_TRACE(lf_text(phases));
  ASSERT_EQ(sim.creations.size(), 1u);
  EXPECT_TRUE(sim.removals.empty());
  // The approach configuration in the air, then the flare's steps in order.
  const auto at = [&](std::size_t from, auto match) { return lf_firstPhase(phases, from, match); };
  const std::size_t approach = at(0, [](const MovementPhase& p) { return p.approach != 0 && p.onGround == 0; });
  ASSERT_LT(approach, phases.size());
  std::size_t step = approach;
  for (std::uint32_t flare = 1; flare <= 3; ++flare) {
    step = at(step, [&](const MovementPhase& p) { return p.flarePhase == flare && p.onGround == 0; });
    ASSERT_LT(step, phases.size()) << "flare step " << flare;
  }
  // The touchdown with the gear down, the landing roll, the turn-off, the taxi.
  const std::size_t touchdown = at(step, [](const MovementPhase& p) { return p.onGround != 0; });
  ASSERT_LT(touchdown, phases.size());
  EXPECT_EQ(phases[touchdown].tick, touchdownTick);
  EXPECT_EQ(phases[touchdown].landingRoll, 1u);
  EXPECT_EQ(phases[touchdown].approach, 0u);
  EXPECT_TRUE(gearDownAtTouchdown);
  EXPECT_NEAR(phases[touchdown].altitude, test::g_replayElevation, 10.0);
  const std::size_t turnOff = at(touchdown, [](const MovementPhase& p) { return p.landingRoll == 0; });
  ASSERT_LT(turnOff, phases.size());
  EXPECT_EQ(phases[turnOff].state, FlightState::taxi);
  for (std::size_t i = touchdown; i < phases.size(); ++i) EXPECT_EQ(phases[i].onGround, 1u) << i;
  // Parking at a stand of the park airport and parked on it.
  const std::size_t parking = at(turnOff, [](const MovementPhase& p) { return p.state == FlightState::parking; });
  ASSERT_LT(parking, phases.size());
  EXPECT_EQ(phases.back().state, FlightState::parked);
  const LiveAc* a = find(g_laArrival);
  ASSERT_NE(a, nullptr);
  ASSERT_GT(a->sid, 0u);
  EXPECT_FALSE(gf_standName(a->sid).empty());
  EXPECT_LT(gf_greatCircleNm({a->lat, a->lon}, {a->standLat, a->standLon}) * 1852.0, 2.0);
  EXPECT_TRUE(gf_inOrder(aircraft[g_laArrival].states,
                         {FlightState::flying, FlightState::taxi, FlightState::parking, FlightState::parked}));
}

TEST_F(ReplayTest, ATaxiingDepartureWhoseReportsPauseIsRemovedByTheFirstReportBeyondTheHoldThreshold) {
  // AAL9735's reports pause during its taxi (44 s and 41 s) and at the runway; each time
  // its stream runs out it holds where it is. A report that then lies more than
  // HOLDING_THRESHOLD_METERS (250 m by default) from where it holds ends it: the aircraft
  // leaves the simulator and its later reports create it again. A report within the
  // threshold ends the hold and the taxi goes on.
  ASSERT_EQ(g_settings.HOLDING_THRESHOLD_METERS.value, 250);
  struct Before {
    bool active = false, holding = false, onGround = false;
    LatLon front;
  } before;
  int removedHolding = 0, removedOtherwise = 0, holdsEndedWithin = 0;
  std::vector<double> removingDistances;
  replay(lines("KLAX_20200617_2152.csv", {g_laDeparture}), 900.0, [&] {
    const LiveAc* a = find(g_laDeparture);
    const auto& reported = aircraft[g_laDeparture].reported;
    if (before.active && before.holding && a != nullptr) {
      const double metres = gf_greatCircleNm(before.front, {reported.back().lat, reported.back().lon}) * 1852.0;
      if (a->simState == SimState::removingfromsim) {
        ++removedHolding;
        removingDistances.push_back(metres);
      } else if (a->holding == 0) {
        ++holdsEndedWithin;
        EXPECT_LE(metres, 250.0) << "at tick " << tick();
      }
    } else if (before.active && before.onGround && a != nullptr && a->simState == SimState::removingfromsim) {
      ++removedOtherwise;
    }
    before = {};
    if (a != nullptr && a->simState == SimState::active && !a->stream.empty())
      before = {true, a->holding != 0, a->onGround != 0, {a->stream.front().lat, a->stream.front().lon}};
  });
  const auto& phases = aircraft[g_laDeparture].phases;
  SCOPED_TRACE(lf_text(phases));
  EXPECT_EQ(removedOtherwise, 0);
  ASSERT_GE(removedHolding, 2);
  for (const double m : removingDistances) EXPECT_GT(m, 250.0);
  EXPECT_GE(holdsEndedWithin, 1);
  // Created again each time; on the ground while its reports are, in the air once they are
  // (and that one leaves at the edge of the range).
  EXPECT_EQ(sim.removals.size(), static_cast<std::size_t>(removedHolding) + 1);
  ASSERT_EQ(sim.creations.size(), static_cast<std::size_t>(removedHolding) + 1);
  for (std::size_t i = 0; i + 1 < sim.creations.size(); ++i) EXPECT_EQ(sim.creations[i].initPosition.OnGround, 1u) << i;
  EXPECT_EQ(sim.creations.back().initPosition.OnGround, 0u);
  // While on the ground it never flew.
  for (const MovementPhase& p : phases) {
    if (p.onGround != 0) {
      EXPECT_EQ(p.state, FlightState::taxi) << p.tick;
    }
  }
}

// Synthetic flights at a field of their own: the engine and the reader see its place and
// elevation as the park airport's, the user is parked there and the simulator's ground lies
// at its elevation. The reports are lines of the recordings' own form.
class FieldReplay : public ReplayTest {
protected:
  static inline ParkAirportRef field;

  void useField(double elevation) {
    field = {g_fieldAt, elevation};
    engine.hooks.parkAirportElevation = [] { return std::optional<double>{field.elevation}; };
    engine.hooks.parkAirportPosition = [] { return std::optional<LatLon>{field.position}; };
    HookState::user.latitude = g_fieldAt.lat;
    HookState::user.longitude = g_fieldAt.lon;
    context.refPosition = g_fieldAt;
    context.parkAirport = field;
    context.parkAirportElevation = elevation;
    groundElevation = elevation;
  }

  // A report of the aircraft metres along the runway (east from the field's point).
  void report(double second, double metres, double altitude, double kt, double verticalRate = 0.0) {
    const LatLon p = gf_destinationPoint(g_fieldAt, 90.0 * g_degToRad, metres / 1852.0 * g_feetPerNm);
    standin::RecordingLine line;
    line.timestamp = g_t0 + second;
    line.text =
        fmt::format("AITFC,{},{:.6f},{:.6f},{:.0f},{:.0f},{},90.0,{:.1f},TST123,B738,N12345,,,{:.0f}", g_hexid, p.lat,
                    p.lon, altitude, verticalRate, altitude > field.elevation + 100.0 ? 1 : 0, kt, line.timestamp);
    lines.push_back(std::move(line));
  }

  // A departure's taxi onto the runway and its roll up to the speed given, one report every
  // 5 s; returns the metres run.
  double rollTo(double lastKt) {
    double metres = 0.0;
    double second = 0.0;
    for (double kt : {15.0, 15.0, 15.0, 15.0, 15.0, 15.0, 40.0, 60.0, 80.0, 100.0, 120.0, 140.0, 155.0}) {
      if (kt > lastKt) break;
      report(second, metres, field.elevation, kt);
      metres += kt * 1852.0 / 3600.0 * 5.0;
      second += 5.0;
    }
    lastSecond = second - 5.0;
    return metres;
  }

  static constexpr LatLon g_fieldAt{36.08, -115.15};
  static constexpr double g_t0 = 1700000000.0;
  static constexpr std::uint32_t g_hexid = 11000001;
  std::vector<standin::RecordingLine> lines;
  double lastSecond = 0.0;
};

// The roll's reports end at 155 kt and none follow: the take-off is dead reckoned from
// ground reports, which carry the reader's on-the-ground altitude, 0. At a high field the
// reckoned climb starts from the aircraft, not from 0 thousands of feet below it.
class TakeOffGap : public FieldReplay, public ::testing::WithParamInterface<double> {};

TEST_P(TakeOffGap, ATakeOffWhoseReportsStopClimbsFromTheField) {
  const double elevation = GetParam();
  useField(elevation);
  rollTo(155.0);
  replay(lines, 300.0);
  const auto& phases = aircraft[g_hexid].phases;
  SCOPED_TRACE(lf_text(phases));
  const auto at = [&](FlightState state) {
    return lf_firstPhase(phases, 0, [state](const MovementPhase& p) { return p.state == state; });
  };
  const std::size_t liftOff = at(FlightState::take_off);
  const std::size_t flying = at(FlightState::flying);
  ASSERT_LT(flying, phases.size());
  ASSERT_LT(liftOff, flying);
  // It climbs out, second by second, through 800 ft above the field; once flying it keeps
  // the height it climbed to.
  EXPECT_GT(phases[flying].altitude, elevation + 800.0);
  const auto& sent = aircraft[g_hexid].sent;
  const auto from =
      std::find_if(sent.begin(), sent.end(), [&](const auto& s) { return s.tick >= phases[liftOff].tick; });
  for (auto s = from; s + 100 < sent.end() && (s + 100)->tick <= phases[flying].tick; s += 100)
    ASSERT_GE((s + 100)->position.altitude, s->position.altitude) << "at tick " << s->tick;
  for (auto s = from; s < sent.end(); ++s) {
    if (s->tick >= phases[flying].tick) {
      ASSERT_GE(s->position.altitude, phases[flying].altitude - 20.0) << "at tick " << s->tick;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(HighFields, TakeOffGap, ::testing::Values(2000.0, 7300.0));

// An arrival at a field near the sea whose reports, once it has touched down, stay frozen
// at 125 ft and 145 kt while it rolls out: to the reader they fly, so the landing roll
// turns into a go-around and a take-off, and the reports then come down to the runway.
TEST_F(FieldReplay, AnArrivalWhoseRolloutReportsStayAt125FeetNeverGoesUnderTheGround) {
  const double elevation = 13.0;
  useField(elevation);
  double second = 0.0;
  for (double metres = -11112.0; metres < 0.0; metres += 145.0 * 1852.0 / 3600.0 * 5.0, second += 5.0)
    report(second, metres, elevation - metres * 3.28084 * 0.0524, 145.0, -770.0);
  double metres = 0.0;
  report(second, metres, elevation, 140.0);
  for (double kt : {130.0, 120.0, 110.0, 100.0, 90.0, 80.0, 70.0, 60.0, 50.0, 40.0}) {
    second += 5.0;
    metres += kt * 1852.0 / 3600.0 * 5.0;
    report(second, metres, 125.0, 145.0);
  }
  for (double kt : {30.0, 20.0, 10.0, 10.0, 10.0}) {
    second += 5.0;
    metres += kt * 1852.0 / 3600.0 * 5.0;
    report(second, metres, elevation, kt);
  }
  double lowest = 1e9;
  replay(lines, 400.0, [&] {
    const LiveAc* a = find(g_hexid);
    if (a != nullptr && a->simState == SimState::active) lowest = std::min(lowest, a->altitude);
  });
  const auto& phases = aircraft[g_hexid].phases;
  SCOPED_TRACE(lf_text(phases));
  EXPECT_GE(lowest, elevation - 20.0);
  // The take-off that came down again ended on the runway.
  const std::size_t takeOff =
      lf_firstPhase(phases, 0, [](const MovementPhase& p) { return p.state == FlightState::take_off; });
  ASSERT_LT(takeOff, phases.size());
  const std::size_t down = lf_firstPhase(phases, takeOff, [](const MovementPhase& p) { return p.onGround != 0; });
  ASSERT_LT(down, phases.size());
  EXPECT_EQ(phases[down].state, FlightState::taxi);
  EXPECT_EQ(phases[down].takeOffRoll, 0u);
}

// A departure at a field 2181 ft high whose reports, once airborne, keep a stale 43 kt and
// a vertical rate of 0 while their altitudes climb from 2650 to 5675 ft: the aircraft lifts
// off to follow them rather than rolling on along the ground below them.
TEST_F(FieldReplay, ATakeOffRollLiftsOffWhenTheReportsFlyWellAboveTheFieldWhateverTheirSpeed) {
  const double elevation = 2181.0;
  useField(elevation);
  double metres = rollTo(100.0);
  double second = lastSecond;
  for (double altitude = 2650.0; altitude <= 5675.0; altitude += 125.0) {
    second += 5.0;
    metres += 200.0 * 1852.0 / 3600.0 * 5.0;
    report(second, metres, altitude, 43.0);
  }
  int rollingUnderTheReports = 0;
  replay(lines, 300.0, [&] {
    const LiveAc* a = find(g_hexid);
    if (a == nullptr || a->simState != SimState::active || a->onGround == 0 || a->stream.size() < 2) return;
    if (std::all_of(a->stream.begin() + 1, a->stream.end(),
                    [&](const StreamPos& p) { return p.airborne != 0 && p.altitude > elevation + 1000.0; }))
      ++rollingUnderTheReports;
  });
  const auto& phases = aircraft[g_hexid].phases;
  SCOPED_TRACE(lf_text(phases));
  EXPECT_EQ(rollingUnderTheReports, 0);
  const std::size_t liftOff =
      lf_firstPhase(phases, 0, [](const MovementPhase& p) { return p.state == FlightState::take_off; });
  ASSERT_LT(liftOff, phases.size());
  EXPECT_LT(phases[liftOff].altitude, elevation + 50.0);
  double highest = 0.0;
  for (const auto& s : aircraft[g_hexid].sent) highest = std::max(highest, s.position.altitude);
  EXPECT_GT(highest, elevation + 2000.0);
}

}  // namespace
}  // namespace vexo
