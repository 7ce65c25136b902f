#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "engine/aircraft.h"
#include "engine/aircraft_texts.h"
#include "engine_dbase.h"
#include "refdata/codes.h"

namespace vexo {
namespace {

constexpr double g_deg = 0.017453292519943295;

class AircraftRecords : public ::testing::Test {
protected:
  void SetUp() override { test::loadEngineDbase(); }
  void TearDown() override {
    test::unloadEngineDbase();
    g_standNameOf = nullptr;
  }
  static AcIdent ident(std::string_view model, std::string callsign = "DLH4AB") {
    AcIdent id;
    id.codes.modelId = gf_modelCode2Id(model);
    id.callsign = std::move(callsign);
    return id;
  }
};

TEST_F(AircraftRecords, CallsignValidityAtItsLengthLimit) {
  const struct {
    const char* callsign;
    bool valid;
  } cases[] = {{"ABCDEFGH", true}, {"ABCDEFGHI", false}, {"@@@@@@@@", false}, {"", false}, {"A", true}};
  for (const auto& c : cases) EXPECT_EQ(gf_isValidCallsign(ident("B738", c.callsign)), c.valid) << c.callsign;
}

TEST_F(AircraftRecords, AirlinePrefixNeedsThreeLettersAndADigit) {
  const struct {
    const char* callsign;
    std::optional<std::string> prefix;
  } cases[] = {{"AB12", std::nullopt}, {"dlh4", "DLH"}, {"DLH", std::nullopt}, {"DLH4AB", "DLH"},
               {"DL1H", std::nullopt}, {"DLHX", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(gf_callsignAirlinePrefix(c.callsign), c.prefix) << c.callsign;
}

TEST_F(AircraftRecords, RouteAndIdentityTexts) {
  EXPECT_EQ(gf_routeText(IataCode(), IataCode()), "        ");
  EXPECT_EQ(gf_routeText(IataCode(), IataCode("SFO")), "   ->SFO");
  EXPECT_EQ(gf_routeText(IataCode("LAX"), IataCode()), "LAX->   ");

  AcIdent ua = ident("B738", "UAL12");
  ua.codes = AcCodes{gf_airlineCode2Id("UAL"), gf_airlineCode2Id("SKW"), gf_modelCode2Id("B738"), 0, 1};
  ua.registration = "N12345";
  ua.origin = IataCode("LAX");
  EXPECT_EQ(gf_acLabel(ua), "UAL,SKW B738.   ");
  EXPECT_EQ(gf_callsignText(ua), "UAL12   ");
  EXPECT_EQ(gf_acIdText(ua), "UAL12    N12345       LAX->   ");
  EXPECT_EQ(gf_acLogText(ua), "UAL12    N12345       LAX->    UAL,SKW B738.   ");
  EXPECT_EQ(gf_acShortText(ua), "UAL12    N12345 UAL,SKW B738.   ");
  EXPECT_EQ(gf_acLabelReg(ua), "UAL,SKW B738.    N12345");

  AcIdent cargo = ident("B77W");
  cargo.codes.airlineId = gf_airlineCode2Id("DLH");
  cargo.codes.cargo = 1;
  EXPECT_EQ(gf_acLabel(cargo), "DLH     B77W (C)");
  cargo.codes.airlineId = 60000;  // outside the pool: printed empty
  EXPECT_EQ(gf_acLabel(cargo), "        B77W (C)");
}

TEST_F(AircraftRecords, StandNames) {
  EXPECT_EQ(gf_standName(0), "sid==0?");
  EXPECT_EQ(gf_standName(12), "sid==?");  // no stand table yet
  g_standNameOf = [](std::uint32_t sid) -> std::optional<std::string> {
    if (sid == 12) return "GATE 12";
    return std::nullopt;
  };
  EXPECT_EQ(gf_standName(12), "GATE 12");
  EXPECT_EQ(gf_standName(13), "sid==?");
  EXPECT_EQ(gf_standName(-12), "sid==?");
}

TEST_F(AircraftRecords, NamesOfEnumValuesAndOutsideTheTables) {
  EXPECT_EQ(gf_flightStateName(FlightState::pushing_back), "pushing_back");
  EXPECT_EQ(gf_flightStateName(FlightState::birth), "birth");
  EXPECT_EQ(gf_simStateName(SimState::adding2sim), "adding2sim");
  EXPECT_EQ(gf_simStateName(SimState::removingfromsim), "removingfromsim");
  EXPECT_EQ(gf_categoryName(AcCategory::Rotorcraft), "Rotorcraft");
  EXPECT_THROW(gf_flightStateName(static_cast<FlightState>(8)), std::out_of_range);
  EXPECT_THROW(gf_simStateName(static_cast<SimState>(5)), std::out_of_range);
  EXPECT_THROW(gf_categoryName(static_cast<AcCategory>(6)), std::out_of_range);
}

TEST_F(AircraftRecords, SpreadPitchesTakeOneOfTwoValues) {
  const AcData up = gf_makeAcData(ident("B77W"), [] { return true; });
  const AcData down = gf_makeAcData(ident("B77W"), [] { return false; });
  EXPECT_EQ(up.category, AcCategory::Heavy);
  EXPECT_DOUBLE_EQ(up.takeOffPitch, -5.125 * g_deg);
  EXPECT_DOUBLE_EQ(down.takeOffPitch, -4.875 * g_deg);
  EXPECT_DOUBLE_EQ(up.climbPitch, -13.125 * g_deg);
  EXPECT_DOUBLE_EQ(down.climbPitch, -11.875 * g_deg);
  EXPECT_DOUBLE_EQ(up.turnRate, 0.05 * g_deg);
  EXPECT_EQ(up.flareTicks, 450u);
  EXPECT_EQ(up.settleTicks, 450u);
  EXPECT_EQ(up.rotationTicks, 250u);
  EXPECT_EQ(up.climbPitchTicks, 400u);
  EXPECT_NEAR(gf_makeAcData(ident("A388")).halfSpan, 79.75 / 2 / 1852, 1e-9);
  // The thread's own source draws one of the two as well.
  for (int i = 0; i < 20; ++i) {
    const double pitch = gf_makeAcData(ident("B77W")).takeOffPitch;
    EXPECT_TRUE(pitch == up.takeOffPitch || pitch == down.takeOffPitch);
  }
}

TEST_F(AircraftRecords, CategoryValuesOfALiveAircraft) {
  const struct {
    const char* model;
    AcCategory category;
    double climbPerTick, pushBack;
    std::uint32_t flare;
  } cases[] = {{"C172", AcCategory::Light, 0.5, 5.0, 250},     {"C25A", AcCategory::Buzjets, 0.75, 4.5, 300},
               {"B738", AcCategory::Large, 0.6, 4.0, 400},     {"B77W", AcCategory::Heavy, 0.5, 3.0, 450},
               {"F16", AcCategory::HighPerf, 1.0, 4.5, 150},   {"EC35", AcCategory::Rotorcraft, 0.75, 5.0, 100}};
  for (const auto& c : cases) {
    const AcData data = gf_makeLiveAcData(ident(c.model), 4000001);
    EXPECT_EQ(data.category, c.category) << c.model;
    EXPECT_EQ(data.maxClimbPerTick, c.climbPerTick) << c.model;
    EXPECT_EQ(data.pushBackSpeed, c.pushBack) << c.model;
    EXPECT_EQ(data.flareTicks, c.flare) << c.model;
    EXPECT_EQ(data.currentTurnRate, data.turnRate) << c.model;
    EXPECT_EQ(data.hexid, 4000001u);
  }
}

// Each category's row of the take-off and climb pitches (each spread up or down), the turn
// rate and the cycles of rotation, climb pitch and settling.
TEST_F(AircraftRecords, EachCategoryTakesItsRowOfPitchesTurnRateAndTicks) {
  const struct {
    const char* model;
    double takeOffPitch, climbPitch, turnRate;
    std::uint32_t settle, rotation, climbPitchTicks;
  } rows[] = {{"C172", -9.0, -15.0, 0.15, 250, 100, 200}, {"C25A", -8.0, -18.0, 0.1, 300, 200, 250},
              {"B738", -6.0, -16.5, 0.07, 350, 200, 300}, {"B77W", -5.0, -12.5, 0.05, 450, 250, 400},
              {"F16", -6.0, -20.0, 0.1, 150, 100, 200},   {"EC35", -20.0, -30.0, 0.2, 100, 100, 100}};
  for (const auto& r : rows) {
    const AcData up = gf_makeAcData(ident(r.model), [] { return true; });
    const AcData down = gf_makeAcData(ident(r.model), [] { return false; });
    EXPECT_DOUBLE_EQ(up.takeOffPitch, r.takeOffPitch * 1.025 * g_deg) << r.model;
    EXPECT_DOUBLE_EQ(down.takeOffPitch, r.takeOffPitch * 0.975 * g_deg) << r.model;
    EXPECT_DOUBLE_EQ(up.climbPitch, r.climbPitch * 1.05 * g_deg) << r.model;
    EXPECT_DOUBLE_EQ(down.climbPitch, r.climbPitch * 0.95 * g_deg) << r.model;
    EXPECT_DOUBLE_EQ(up.turnRate, r.turnRate * g_deg) << r.model;
    EXPECT_EQ(up.settleTicks, r.settle) << r.model;
    EXPECT_EQ(up.rotationTicks, r.rotation) << r.model;
    EXPECT_EQ(up.climbPitchTicks, r.climbPitchTicks) << r.model;
  }
}

TEST_F(AircraftRecords, NewRecordsStartInBufferAndBirth) {
  StreamPos first;
  first.lat = 34.0;
  first.dueTick = 3000;
  const LiveAc live(gf_makeLiveAcData(ident("B738"), 4000001), first, 1234.5);
  EXPECT_EQ(live.flightState, FlightState::birth);
  EXPECT_EQ(live.prevFlightState, FlightState::birth);
  EXPECT_EQ(live.simState, SimState::buffer);
  EXPECT_EQ(live.objectid, 0u);
  EXPECT_EQ(live.throttleIndex, 5u);
  EXPECT_EQ(live.flapsIndex, 4u);
  EXPECT_EQ(live.aboveGround, 2500.0);
  EXPECT_EQ(live.earlyWindow, 1000);
  EXPECT_EQ(live.lateWindow, 1000);
  EXPECT_EQ(live.phaseCounter, 1);
  EXPECT_EQ(live.stepsLeft, -1);
  EXPECT_TRUE(std::isnan(live.curve[curveControlEast]) && std::isnan(live.curve[curveControlNorth]));
  ASSERT_EQ(live.stream.size(), 1u);
  EXPECT_EQ(live.stream.front().dueTick, 3000);
  EXPECT_EQ(live.lastReportTime, 1234.5);
  EXPECT_EQ(live.callsign, "DLH4AB");

  const StaticAc parked(gf_makeAcData(ident("A320")), 17, 33.9, -118.4, 1.5, 1);
  EXPECT_EQ(parked.sid, 17u);
  EXPECT_EQ(parked.standLat, 33.9);
  EXPECT_EQ(parked.standHeading, 1.5);
  EXPECT_EQ(parked.standFlag, 1);
  EXPECT_EQ(parked.simState, SimState::buffer);
  EXPECT_EQ(parked.throttleIndex, 5u);
  EXPECT_EQ(parked.flapsIndex, 4u);
  EXPECT_EQ(parked.removeWhenCreated + parked.eraseFromBuffer + parked.eraseWithdrawn, 0);
}

}  // namespace
}  // namespace vexo
