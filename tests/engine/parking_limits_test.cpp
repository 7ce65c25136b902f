// How long and how many live aircraft stay parked, static twins, and the user aircraft
// coming too close.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "foundation/geodesy.h"
#include "stands_fixture.h"

namespace vexo {
namespace {

using test::nm;
using test::northOf;
using test::StandsTest;

constexpr std::int64_t g_minute = 600'000'000;

TEST_F(StandsTest, ParkedTimeLimitsByCategory) {
  struct Case {
    AcCategory category;
    std::int64_t minutes;
    bool initialLoadOnly;
    bool stays;
  };
  const Case cases[] = {
      {AcCategory::Large, 90, false, true},  {AcCategory::Large, 91, false, false},
      {AcCategory::Heavy, 180, false, true}, {AcCategory::Heavy, 181, false, false},
      {AcCategory::Large, 91, true, true},   {AcCategory::Heavy, 181, true, true},
  };
  for (const Case& c : cases) {
    engine.liveAcs.clear();
    g_liveParked.clear();
    g_settings.INITIAL_LOAD_ONLY.value = c.initialLoadOnly;
    LiveAc& a = live("DLH1");
    a.category = c.category;
    a.parkCheckTime = 5 * g_minute;
    clockNow = a.parkCheckTime + c.minutes * g_minute;
    gf_collectLiveParked(engine);
    EXPECT_EQ(a.simState == SimState::active, c.stays) << c.minutes;
    ASSERT_EQ(g_liveParked.size(), c.stays ? 1u : 0u);
    if (c.stays) {
      EXPECT_EQ(g_liveParked[0].minutes, c.minutes);
    }
  }
}

TEST_F(StandsTest, AnAircraftParkedByReportHasNoTimeLimit) {
  LiveAc& a = live("DLH1");
  a.parkedByReport = 1;
  clockNow = 1000 * g_minute;
  gf_collectLiveParked(engine);
  EXPECT_EQ(a.simState, SimState::active);
  ASSERT_EQ(g_liveParked.size(), 1u);
  EXPECT_EQ(g_liveParked[0].minutes, 0);
}

// A clock reading earlier than the parking time once wrapped into a stay of ages and
// removed every parked aircraft at once.
TEST_F(StandsTest, AClockThatStepsBackRemovesNoParkedAircraft) {
  LiveAc& a = live("DLH1");
  LiveAc& b = live("DLH2");
  a.parkCheckTime = b.parkCheckTime = 100 * g_minute;
  clockNow = 40 * g_minute;
  gf_collectLiveParked(engine);
  EXPECT_EQ(a.simState, SimState::active);
  EXPECT_EQ(b.simState, SimState::active);
  ASSERT_EQ(g_liveParked.size(), 2u);
  EXPECT_EQ(g_liveParked[0].minutes, 0);
  std::vector<std::pair<std::uint32_t, std::uint64_t>> bySeconds;
  lf_listLiveParkedBySeconds(bySeconds, engine);
  ASSERT_EQ(bySeconds.size(), 2u);
  EXPECT_EQ(bySeconds[0].second, 0u);
}

TEST_F(StandsTest, TheParkedCountLimitRemovesTheLongestParked) {
  g_wantedStaticCount = 10;
  for (int i = 0; i < 10; ++i) live("P" + std::to_string(i)).parkCheckTime = (i == 3 ? 1 : 50) * g_minute;
  clockNow = 100 * g_minute;
  lf_checkMaxPark(0, engine);
  EXPECT_EQ(engine.liveAcs[3].simState, SimState::active);  // 10 of 10 wanted
  lf_checkMaxPark(1, engine);  // a spawn parked makes 11
  EXPECT_EQ(engine.liveAcs[3].simState, SimState::removingfromsim);
  EXPECT_EQ(std::ranges::count(engine.liveAcs, SimState::removingfromsim, &LiveAc::simState), 1);
}

TEST_F(StandsTest, WithInitialLoadOnlyTheEarliestStaticAircraftGoesInstead) {
  g_settings.INITIAL_LOAD_ONLY.value = true;
  g_wantedStaticCount = 10;
  for (int i = 0; i < 10; ++i) live("P" + std::to_string(i));
  StaticAc& later = stat("S1*");
  later.parkedDay = 2;
  StaticAc& earliest = stat("S2*");
  earliest.parkedDay = 1;
  earliest.parkedSlot = 47;
  lf_checkMaxPark(1, engine);
  EXPECT_EQ(std::ranges::count(engine.liveAcs, SimState::removingfromsim, &LiveAc::simState), 0);
  EXPECT_TRUE(removed(earliest));
  EXPECT_FALSE(removed(later));
}

TEST_F(StandsTest, NoWantedCountNoParkedCountLimit) {
  for (const std::int32_t wanted : {0, -1}) {
    g_wantedStaticCount = wanted;
    live("P1");
    stat("S1*");
    lf_checkMaxPark(1, engine);
    EXPECT_EQ(engine.liveAcs[0].simState, SimState::active);
    EXPECT_FALSE(removed(engine.staticAcs[0]));
  }
}

// Static aircraft make way only beyond the wanted count: with it reached exactly they all
// stay; one more (a spawn parked) and the earliest parked goes, not the live aircraft.
TEST_F(StandsTest, TheStaticAircraftMakeWayOnlyBeyondTheWantedCount) {
  for (const std::uint8_t extra : {0, 1}) {
    SCOPED_TRACE(static_cast<int>(extra));
    engine.liveAcs.clear();
    engine.staticAcs.clear();
    g_wantedStaticCount = 3;
    live("P1");
    StaticAc& later = stat("S1*");
    later.parkedDay = 3;
    StaticAc& earliest = stat("S2*");
    earliest.parkedDay = 2;
    lf_checkMaxPark(extra, engine);
    EXPECT_EQ(engine.liveAcs[0].simState, SimState::active);
    EXPECT_EQ(removed(earliest), extra == 1);
    EXPECT_FALSE(removed(later));
  }
}

TEST_F(StandsTest, AStayAcrossTheWeekEndCountsForTheMeanTime) {
  LiveAc& a = live("DLH1");
  a.parkedDay = 7;
  a.parkedSlot = 46;  // Sunday 23:00
  engine.weekSlotNow = WeekSlot{1, 1};  // Monday 00:30
  EXPECT_EQ(gf_countLiveParked(true, engine), 1u);
  EXPECT_FLOAT_EQ(engine.meanParkedHours, 3.0F / 2.0F + 0.5F);
}

TEST_F(StandsTest, StaticTwinsOfLiveAircraft) {
  StaticAc& learned = stat("X1*");
  learned.previousCallsign = "DLH4AB";
  LiveAc& ghost = live("DLH4AB_", 17.0, FlightState::taxi);
  gf_removeStaticTwinsOf(ghost, engine);
  EXPECT_TRUE(removed(learned));

  StaticAc& starred = stat("KLM1234*");
  StaticAc& plain = stat("KLM1234");
  LiveAc& klm = live("KLM1234", 17.0, FlightState::taxi);
  klm.onGround = 1;
  gf_removeStaticTwins(engine);
  EXPECT_TRUE(removed(starred));
  gf_removeStaticTwins(engine);
  EXPECT_FALSE(removed(plain));
  plain.registration = klm.registration = "PH-BXA";
  gf_removeStaticTwins(engine);
  EXPECT_TRUE(removed(plain));
}

TEST_F(StandsTest, FreeingTheReservedStandTakesTheStaticAircraftFirst) {
  addStand("V1", 0.0, 40.0);
  LiveAc& a = live("DLH1");
  a.sid = 1;
  StaticAc& s = stat("S1*", 1);
  gf_removeAcAtStand("", engine);
  gf_removeAcAtStand("V9", engine);
  EXPECT_FALSE(removed(s));
  gf_removeAcAtStand("V1", engine);
  EXPECT_TRUE(removed(s));
  EXPECT_EQ(a.simState, SimState::active);
  gf_removeAcAtStand("V1", engine);
  EXPECT_EQ(a.simState, SimState::removingfromsim);
}

TEST_F(StandsTest, TheUserOnTheGroundRemovesALiveAircraftWithinBothSpansTimes1Point15) {
  link.userHalfWingspan = nm(17.0);  // (17 + 30) x 1.15 = 54.05 m
  engine.userAc.set(UserAcData{.latitude = test::g_baseLat, .longitude = test::g_baseLon});
  for (const auto& [metres, gone] : {std::pair{54.0, true}, std::pair{54.1, false}}) {
    engine.liveAcs.clear();
    LiveAc& a = live("DLH1", 30.0, FlightState::taxi);
    a.onGround = 1;
    a.lat = northOf(metres);
    gf_checkCollisionUserGnd(engine);
    EXPECT_EQ(a.simState == SimState::removingfromsim, gone) << metres;
  }
}

// On the ground the user also pushes static aircraft aside: the first whose stand lies
// within both half spans times 1.1. A live aircraft removed ends the check; the static
// aircraft are looked at again only once the user has moved.
TEST_F(StandsTest, TheUserOnTheGroundRemovesAStaticAircraftWithinBothSpansTimes1Point1) {
  link.userHalfWingspan = nm(17.0);  // (17 + 17) x 1.1 = 37.4 m
  engine.userAc.set(UserAcData{.latitude = test::g_baseLat, .longitude = test::g_baseLon});
  const auto standing = [&](const char* callsign, double metres) -> StaticAc& {
    StaticAc& s = stat(callsign);
    s.halfSpan = nm(17.0);
    s.standLat = northOf(metres);
    return s;
  };
  StaticAc& far = standing("S1*", 37.5);
  StaticAc& near = standing("S2*", 37.3);
  LiveAc& a = live("DLH1", 17.0, FlightState::taxi);
  a.onGround = 1;
  a.lat = northOf(10.0);
  gf_checkCollisionUserGnd(engine);
  EXPECT_EQ(a.simState, SimState::removingfromsim);
  EXPECT_FALSE(removed(near)) << "one removal a check";
  gf_checkCollisionUserGnd(engine);
  EXPECT_TRUE(removed(near));
  EXPECT_FALSE(removed(far));

  StaticAc& placedLater = standing("S3*", 37.3);
  gf_checkCollisionUserGnd(engine);
  EXPECT_FALSE(removed(placedLater)) << "the user has not moved";
  engine.userAc.set(UserAcData{.latitude = test::g_baseLat + 2e-8, .longitude = test::g_baseLon});
  gf_checkCollisionUserGnd(engine);
  EXPECT_TRUE(removed(placedLater));
  EXPECT_FALSE(removed(far));
}

// A point along the user's heading (negative: behind) and then to its right, in feet.
LatLon lf_offTheUser(LatLon user, double heading, double alongNm, double rightFt) {
  const LatLon onLine =
      gf_destinationPoint(user, alongNm < 0 ? heading + std::numbers::pi : heading, std::fabs(alongNm) * g_feetPerNm);
  return rightFt == 0.0
             ? onLine
             : gf_destinationPoint(onLine, heading + (rightFt > 0 ? 0.5 : -0.5) * std::numbers::pi, std::fabs(rightFt));
}

// Low over the field the user would fly through what stands along the line of its
// heading: below 500 ft above the ground an aircraft on the ground within 1 nm, ahead or
// behind, and within 50 ft of that line goes (one a check). The aircraft face the user, so
// the test of the user close behind them takes none.
TEST_F(StandsTest, LowInTheAirTheUserRemovesAnAircraftOnTheGroundNearTheLineOfItsHeading) {
  const LatLon user{test::g_baseLat, test::g_baseLon};
  constexpr double heading = 0.5;
  struct Case {
    double aglFt, alongNm, rightFt;
    bool onGround, removed;
  };
  const Case cases[] = {
      {400.0, 0.8, 40.0, true, true},   {400.0, -0.8, 40.0, true, true},   {499.0, 0.8, -40.0, true, true},
      {400.0, 0.99, 0.0, true, true},   {500.0, 0.8, 40.0, true, false},   {500.0, -0.8, -40.0, true, false},
      {400.0, 0.8, 60.0, true, false},  {400.0, -0.8, -60.0, true, false}, {400.0, 1.01, 0.0, true, false},
      {400.0, 0.8, 40.0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(
        fmt::format("{} ft, {} nm along, {} ft right, on ground {}", c.aglFt, c.alongNm, c.rightFt, c.onGround));
    engine.liveAcs.clear();
    engine.userAc.set(UserAcData{.latitude = user.lat,
                                 .longitude = user.lon,
                                 .heading = heading,
                                 .altitude = c.aglFt,
                                 .altAboveGround = c.aglFt});
    LiveAc& a = live("DLH1", 17.0, c.onGround ? FlightState::taxi : FlightState::flying);
    const LatLon at = lf_offTheUser(user, heading, c.alongNm, c.rightFt);
    a.lat = at.lat;
    a.lon = at.lon;
    a.onGround = c.onGround ? 1 : 0;
    a.altitude = c.onGround ? 0.0 : c.aglFt;
    a.heading = gf_initialBearing(at, user);
    LiveAc& second = live("DLH2", 17.0, FlightState::taxi);
    second.lat = at.lat;
    second.lon = at.lon;
    second.onGround = 1;
    second.heading = a.heading;
    gf_checkCollisionUserAir(engine);
    EXPECT_EQ(a.simState == SimState::removingfromsim, c.removed);
    if (c.removed) {
      EXPECT_EQ(second.simState, SimState::active) << "one a check";
    }
  }
}

// Higher up, an aircraft the user is close behind goes by the narrow limits: 4 nm, less
// than 1000 ft above or below, 700 ft off its track.
TEST_F(StandsTest, InTheAirTheUserCloseBehindAnAircraftRemovesItWithinTheNarrowLimits) {
  const LatLon user{test::g_baseLat, test::g_baseLon};
  struct Case {
    double alongNm, rightFt, altitudeFt;
    bool removed;
  };
  const Case cases[] = {
      {3.9, 600.0, 5900.0, true}, {4.1, 0.0, 5000.0, false},  {2.0, 800.0, 5000.0, false},
      {2.0, 0.0, 6000.0, false},  {-2.0, 0.0, 5000.0, false},  // ahead of the user: the user is not behind it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fmt::format("{} nm along, {} ft right, at {} ft", c.alongNm, c.rightFt, c.altitudeFt));
    engine.liveAcs.clear();
    engine.userAc.set(UserAcData{
        .latitude = user.lat, .longitude = user.lon, .heading = 0.0, .altitude = 5000.0, .altAboveGround = 5000.0});
    LiveAc& a = live("DLH1", 17.0, FlightState::flying);
    const LatLon at = lf_offTheUser(user, 0.0, c.alongNm, c.rightFt);
    a.lat = at.lat;
    a.lon = at.lon;
    a.altitude = c.altitudeFt;
    a.heading = 0.0;  // flying north, the user's way
    gf_checkCollisionUserAir(engine);
    EXPECT_EQ(a.simState == SimState::removingfromsim, c.removed);
  }
}

TEST_F(StandsTest, ATaxiingLiveAircraftRemovesAStaticAircraftInItsWay) {
  LiveAc& a = live("DLH1", 17.0, FlightState::taxi);
  a.onGround = 1;
  StaticAc& near = stat("S1*");
  near.halfSpan = nm(17.0);
  near.standLat = northOf(37.0);  // (17 + 17) x 1.1 = 37.4 m
  gf_checkCollisionLiveParkedGnd(engine);
  EXPECT_TRUE(removed(near));
}

TEST_F(StandsTest, TheCallsignListHoldsMovingActiveAircraftSorted) {
  live("KLM2", 17.0, FlightState::taxi);
  live("AAL1", 17.0, FlightState::flying);
  live("DLH9");  // parked
  EXPECT_EQ(gf_fillCallsignList(engine), 1u);
  EXPECT_EQ(g_settings.callsignChoices->get(), (std::vector<std::string>{"AAL1", "KLM2"}));
  EXPECT_EQ(g_settings.CALLSIGN_2_OBJECTID.value(), "AAL1");
  gf_resetCallsignList();
  EXPECT_EQ(g_settings.callsignChoices->get(), std::vector<std::string>{""});
}

}  // namespace
}  // namespace vexo
