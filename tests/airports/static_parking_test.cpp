// The static parking calculation on a small synthetic park airport: ten stands in a row,
// 0.001 degrees (0.06 nm) apart, each next to the one after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "realtraffic/traffic_receiver.h"
#include "airports/static_parking.h"
#include "stand_row_fixture.h"
#include "foundation/geodesy.h"
#include "foundation/main_window_state.h"
#include "foundation/random.h"
#include "refdata/dbase_lookups.h"
#include "refdata/dbase_tables.h"

namespace vexo::test {
namespace {

LearnedFlight flight(const std::string& callsign, const std::string& reg, std::uint32_t day,
                     std::initializer_list<int> slots, std::uint32_t real = 1, const std::string& callsign2 = "",
                     std::uint16_t model = g_narrow) {
  return learnedFlight(callsign, reg, day, slots, real, callsign2, model);
}

class StaticParkingTest : public StandRowTest {
protected:
};

TEST_F(StaticParkingTest, WantedCountFollowsPercentageStandsAndMaximum) {
  struct Case {
    int stands, custom, percent, maxPark;
    std::int64_t wanted;
  };
  // Cases by falling stand count (each erases stands). More than three stands, or half of
  // them at least, give the share, rounded; fewer give one.
  for (const Case& c : {Case{10, -1, 30, 500, 3}, Case{10, 50, 30, 500, 5}, Case{10, -1, 30, 0, 0},
                        Case{10, 100, 30, 5, 5}, Case{4, 10, 30, 500, 0}, Case{3, 10, 30, 500, 1},
                        Case{3, -1, 30, 500, 1}, Case{3, 49, 30, 500, 1}, Case{3, -1, 50, 500, 2},
                        Case{2, 10, 30, 500, 1}, Case{2, 50, 30, 500, 1}, Case{1, 30, 30, 500, 1}}) {
    g_stands.erase(g_stands.begin() + c.stands, g_stands.end());
    g_settings.CUSTOM_PARKING_PERCENTAGE.value = c.custom;
    g_settings.parking_percentage.value = c.percent;
    g_settings.MAX_PARK_SEL.value = c.maxPark;
    EXPECT_EQ(gf_wantedStaticCount(), c.wanted) << c.stands << " stands " << c.percent << "%";
  }
}

// Slots back from now never underflow: they wrap over midnight and over the week.
TEST_F(StaticParkingTest, WeekSlotBackWrapsOverMidnightAndWeek) {
  EXPECT_EQ(gf_weekSlotBack({1, 0}, 1), (WeekSlot{7, 47}));
  EXPECT_EQ(gf_weekSlotBack({3, 20}, 2), (WeekSlot{3, 18}));
  EXPECT_EQ(gf_weekSlotBack({4, 2}, 3), (WeekSlot{3, 47}));
  EXPECT_EQ(gf_weekSlotBack({1, 5}, 336 + 6), (WeekSlot{7, 47}));
  EXPECT_EQ(gf_slotsSince({7, 46}, {1, 1}), 3);
  EXPECT_EQ(gf_slotsSince({1, 1}, {1, 1}), 0);
}

TEST_F(StaticParkingTest, FirstCalculationFillsWantedShareNearestInTimePlacedFirst) {
  addFlight(1, flight("KLM1", "PH-A", 3, {20}));
  addFlight(4, flight("KLM4", "PH-D", 3, {18}));   // found two half hours back
  addFlight(7, flight("KLM7", "PH-G", 3, {10}));   // beyond MAX_FIT
  g_settings.MAX_FIT.value = 2;
  gf_calculateStaticParking(engine);
  ASSERT_EQ(g_staticCandidates.size(), 2U);
  EXPECT_EQ(g_staticCandidates.back().firstName, "KLM1");
  EXPECT_EQ(g_staticCandidates.back().offset, 0U);
  EXPECT_EQ(g_staticCandidates.front().firstName, "KLM4");
  EXPECT_EQ(g_staticCandidates.front().offset, 2U);
  EXPECT_TRUE(g_stands[0].used && g_stands[1].blocked && g_stands[3].used);
  EXPECT_EQ(g_wantedStaticCount, 3);
}

TEST_F(StaticParkingTest, CalculationNeverPlacesMoreThanWanted) {
  for (std::uint32_t sid = 1; sid <= 9; sid += 2) addFlight(sid, flight("K" + std::to_string(sid), "R" + std::to_string(sid), 3, {20}));
  gf_calculateStaticParking(engine);
  EXPECT_EQ(g_staticCandidates.size(), 3U);
}

TEST_F(StaticParkingTest, SlotZeroSearchesPreviousWeekdaysLastSlot) {
  engine.weekSlotNow = WeekSlot{1, 0};
  addFlight(3, flight("SUN", "PH-S", 7, {47}));
  gf_calculateStaticParking(engine);
  ASSERT_EQ(g_staticCandidates.size(), 1U);
  EXPECT_EQ(g_staticCandidates[0].offset, 1U);
}

TEST_F(StaticParkingTest, FitTestsRefuseEachFailedCondition) {
  const ParkingPosition& stand = g_stands[1];
  EXPECT_TRUE(lf_flightFits(flight("A", "R", 3, {20}), 1, 1, 3, 20, stand, staticsNextTo(stand)));
  LearnedFlight out = flight("A", "R", 3, {20});
  out.index = 0;
  EXPECT_FALSE(lf_flightFits(out, 1, 1, 3, 20, stand, staticsNextTo(stand)));
  EXPECT_FALSE(lf_flightFits(flight("A", "R", 2, {20}), 1, 1, 3, 20, stand, staticsNextTo(stand)));  // other weekday
  EXPECT_TRUE(lf_flightFits(flight("A", "R", 2, {20}), 1, 0, 3, 20, stand, staticsNextTo(stand)));   // any weekday
  EXPECT_FALSE(lf_flightFits(flight("A", "R", 3, {20}, 0), 1, 1, 3, 20, stand, staticsNextTo(stand)));  // soft in real mode
  EXPECT_FALSE(lf_flightFits(flight("A", "R", 3, {20}, 1), 0, 1, 3, 20, stand, staticsNextTo(stand)));  // real in soft mode
  EXPECT_FALSE(lf_flightFits(flight("A", "R", 3, {19}), 1, 1, 3, 20, stand, staticsNextTo(stand)));
  g_stands[1].heli = 1;
  g_settings.HELICOPTERS.value = false;
  EXPECT_FALSE(lf_flightFits(flight("A", "R", 3, {20}), 1, 1, 3, 20, stand, staticsNextTo(stand)));
  g_stands[1].heli = 0;
  g_stands[1].blocked = 1;
  EXPECT_FALSE(lf_flightFits(flight("A", "R", 3, {20}), 1, 1, 3, 20, stand, staticsNextTo(stand)));
}

// 0.06 nm between neighbours: 0.04 + 0.04 collides, 0.04 + 0.01 does not.
TEST_F(StaticParkingTest, NeighbourOfActiveWideStaticTakesOnlyNarrowFlight) {
  placeStatic(1, "X1*", g_wide, 0.04, {3, 20});
  EXPECT_FALSE(lf_flightFits(flight("A", "R", 3, {20}, 1, "", g_wide), 1, 1, 3, 20, g_stands[1], staticsNextTo(g_stands[1])));
  EXPECT_TRUE(lf_flightFits(flight("A", "R", 3, {20}, 1, "", g_narrow), 1, 1, 3, 20, g_stands[1], staticsNextTo(g_stands[1])));
  engine.staticAcs.back().simState = SimState::adding2sim;
  EXPECT_TRUE(lf_flightFits(flight("A", "R", 3, {20}, 1, "", g_wide), 1, 1, 3, 20, g_stands[1], staticsNextTo(g_stands[1])));
}

// A flight fits next to a static aircraft while the distance between their stands is at
// least the sum of both half spans: at equality it fits.
TEST_F(StaticParkingTest, NeighbourClearanceAtEqualityFits) {
  const double distance = gf_greatCircleNm({g_stands[0].latitude, g_stands[0].longitude},
                                           {g_stands[1].latitude, g_stands[1].longitude});
  const double wide = gf_halfWingspan(g_wide);
  const double exact = distance - wide;  // exact: the two lie within a factor of two
  ASSERT_EQ(exact + wide, distance);
  // The nearest half spans whose sum with the flight's falls short of and beyond the distance.
  const auto stepTo = [&](double toward, auto past) {
    double span = exact;
    while (!past(span + wide)) span = std::nextafter(span, toward);
    return span;
  };
  const double shorter = stepTo(0.0, [&](double sum) { return sum < distance; });
  const double longer = stepTo(1.0, [&](double sum) { return sum > distance; });
  for (const auto& [halfSpan, fits] : {std::pair{shorter, true}, {exact, true}, {longer, false}}) {
    SCOPED_TRACE(halfSpan + wide - distance);
    engine.staticAcs.clear();
    placeStatic(1, "X1*", g_wide, halfSpan, {3, 20});
    EXPECT_EQ(lf_flightFits(flight("A", "R", 3, {20}, 1, "", g_wide), 1, 1, 3, 20, g_stands[1], staticsNextTo(g_stands[1])),
              fits);
  }
}

// The user keeps his reserved stand: no static aircraft is placed there.
TEST_F(StaticParkingTest, TheReservedStandGetsNoStaticAircraft) {
  addFlight(3, flight("KLM3", "PH-C", 3, {20}));
  addFlight(8, flight("KLM8", "PH-H", 3, {20}));
  for (const bool reserved : {true, false}) {
    SCOPED_TRACE(reserved);
    g_reservedStand = reserved ? "A3" : "";
    for (ParkingPosition& s : g_stands) s.blocked = 0;
    gf_calculateStaticParking(engine);
    const bool onStand3 = std::ranges::any_of(g_staticCandidates, [](const StaticCandidate& c) { return c.sid == 3; });
    EXPECT_EQ(onStand3, !reserved);
    EXPECT_EQ(g_staticCandidates.size(), reserved ? 1U : 2U);
  }
  g_reservedStand.clear();
}

TEST_F(StaticParkingTest, FlightSeenLiveIsNeverPlacedAndTakenOut) {
  addFlight(1, flight("KLM1", "PH-A", 3, {20}));
  addFlight(5, flight("KLM5", "PH-E", 3, {20}));
  gf_startSeenCollection();
  g_trafficReceiver.collectCallsign("KLM1_");
  gf_calculateStaticParking(engine);
  ASSERT_EQ(g_staticCandidates.size(), 1U);
  EXPECT_EQ(g_staticCandidates[0].firstName, "KLM5");
  EXPECT_EQ(g_stands[0].learnedFlights[0].index, 0U);
  EXPECT_FALSE(g_stands[0].used);
}

// Each later mode runs only with its settings: soft flights of another weekday need both.
// Each mode that finds something logs it under its own name, in the order the modes run.
TEST_F(StaticParkingTest, EachModeRunsOnlyWithItsSettings) {
  addFlight(1, flight("REAL", "R1", 3, {20}));
  addFlight(4, flight("OTHERDAY", "R4", 2, {20}));
  addFlight(7, flight("SOFT", "R7", 3, {20}, 0));
  addFlight(10, flight("SOFTDAY", "R10", 2, {20}, 0));
  g_settings.MAX_FIT.value = 0;
  g_settings.MAX_PARK_SEL.value = 4;
  g_settings.CUSTOM_PARKING_PERCENTAGE.value = 100;
  struct Case {
    bool week, soft;
    std::vector<std::string> placed;
    std::vector<std::string> modes;
  };
  for (const Case& c :
       {Case{false, false, {"REAL"}, {"real"}}, Case{true, false, {"OTHERDAY", "REAL"}, {"real", "week/real"}},
        Case{false, true, {"REAL", "SOFT"}, {"real", "soft"}},
        Case{true, true, {"OTHERDAY", "REAL", "SOFT", "SOFTDAY"}, {"real", "week/real", "soft", "week/soft"}}}) {
    SCOPED_TRACE(testing::Message() << "week " << c.week << " soft " << c.soft);
    g_settings.WEEK.value = c.week;
    g_settings.PARK_SOFT.value = c.soft;
    for (ParkingPosition& stand : g_stands) stand.blocked = 0;
    const std::size_t logged = log_.text().size();
    gf_calculateStaticParking(engine);
    std::vector<std::string> names;
    for (const StaticCandidate& candidate : g_staticCandidates) names.push_back(candidate.firstName);
    std::ranges::sort(names);
    EXPECT_EQ(names, c.placed);
    std::vector<std::string> modes;
    std::istringstream lines(log_.text().substr(logged));
    for (std::string line; std::getline(lines, line);)
      if (line.starts_with("1 ") && line.find(" position found, Max fit=") != std::string::npos)
        modes.push_back(line.substr(2, line.find(" position found") - 2));
    EXPECT_EQ(modes, c.modes);
  }
}

// A mode that finds the wanted count ends the search there: it looks no farther back, and
// the later modes do not run.
TEST_F(StaticParkingTest, TheSearchStopsWhereTheWantedCountIsFound) {
  addFlight(1, flight("NOW", "R1", 3, {20}));
  addFlight(4, flight("EARLIER", "R4", 3, {19}));
  addFlight(7, flight("OTHERDAY", "R7", 2, {20}));
  g_settings.WEEK.value = true;
  g_settings.MAX_PARK_SEL.value = 1;
  gf_calculateStaticParking(engine);
  ASSERT_EQ(g_staticCandidates.size(), 1U);
  EXPECT_EQ(g_staticCandidates[0].firstName, "NOW");
  EXPECT_EQ(g_staticParkingState.realFitOffset, 0U);
  EXPECT_FALSE(g_mainWindowState.weekMode) << "the week mode did not run";
  EXPECT_FALSE(g_stands[3].used || g_stands[6].used);
}

// The user's own stand, where he stands on the ground, gets no static aircraft either.
TEST_F(StaticParkingTest, TheStandOfTheUserOnTheGroundGetsNoStaticAircraft) {
  addFlight(3, flight("KLM3", "PH-C", 3, {20}));
  addFlight(8, flight("KLM8", "PH-H", 3, {20}));
  gf_publishStandNames();
  engine.userAc.set(UserAcData{.latitude = g_stands[2].latitude, .longitude = g_stands[2].longitude});
  for (const bool onGround : {true, false}) {
    SCOPED_TRACE(onGround);
    g_userOnGround = onGround;
    for (ParkingPosition& stand : g_stands) stand.blocked = 0;
    gf_calculateStaticParking(engine);
    const bool onStand3 = std::ranges::any_of(g_staticCandidates, [](const StaticCandidate& c) { return c.sid == 3; });
    EXPECT_EQ(onStand3, !onGround);
  }
  g_userOnGround = false;
}

// With RANDOM on, a stand keeps the flight of the static aircraft standing on it first; the
// other flights come in a random order.
TEST_F(StaticParkingTest, AStandKeepsTheFlightOfItsStaticAircraftFirst) {
  const bool randomWas = gf_randomEnabled();
  g_settings.RANDOM.value = true;
  gf_setRandomEnabled(true);
  for (int n = 0; n < 6; ++n) addFlight(2, flight("F" + std::to_string(n), "R" + std::to_string(n), 3, {20}));
  StaticAc& ac = placeStatic(2, "F4*", g_narrow, 0.01, {3, 20});
  ac.previousCallsign = "PLACED";  // its names and registration put none of the flights in use
  ac.registration = "RX";
  for (std::uint32_t seed = 1; seed <= 8; ++seed) {
    SCOPED_TRACE(seed);
    gf_seedThreadRandom(seed);
    gf_resetStaticParkingState();
    for (ParkingPosition& stand : g_stands) stand.used = stand.blocked = 0;
    std::vector<StaticCandidate> found;
    lf_searchStands(engine.weekSlotNow.load(), 1, 1, 0, found, engine);
    ASSERT_EQ(found.size(), 1U);
    EXPECT_EQ(found[0].firstName, "F4");
  }
  gf_setRandomEnabled(randomWas);
}

TEST_F(StaticParkingTest, ModesFollowWeekAndSoftSettings) {
  addFlight(1, flight("REAL", "R1", 3, {20}));
  addFlight(4, flight("OTHERDAY", "R4", 2, {20}));
  addFlight(7, flight("SOFT", "R7", 3, {20}, 0));
  g_settings.MAX_FIT.value = 0;
  gf_calculateStaticParking(engine);
  ASSERT_EQ(g_staticCandidates.size(), 1U);
  EXPECT_FALSE(g_mainWindowState.weekMode || g_mainWindowState.softMode);

  g_settings.WEEK.value = true;
  g_settings.PARK_SOFT.value = true;
  gf_calculateStaticParking(engine);
  std::vector<std::string> names;
  for (const StaticCandidate& c : g_staticCandidates) names.push_back(c.firstName);
  std::ranges::sort(names);
  EXPECT_EQ(names, (std::vector<std::string>{"OTHERDAY", "REAL", "SOFT"}));
  EXPECT_TRUE(g_mainWindowState.weekMode && g_mainWindowState.softMode);
  EXPECT_EQ(g_staticParkingState.softFitOffset, 0);
}

// A flight is in use when its aircraft is already there under one of its names: a candidate
// with its registration or first name, a name seen live, a static aircraft placed with its
// name or registration, or a live aircraft parked at the airport under its callsign.
TEST_F(StaticParkingTest, FlightInUseByEachOfItsNames) {
  const LearnedFlight f = flight("KLM1", "PH-A", 3, {20}, 1, "KLM2");
  struct Case {
    const char* what;
    std::function<void()> arrange;
    bool inUse;
  };
  const StaticCandidate candidate{2, 0, {}, "", "", "", 1};
  const Case cases[] = {
      {"nothing", [] {}, false},
      {"candidate registration", [&] { g_staticCandidates.emplace_back(candidate).registration = "PH-A"; }, true},
      {"candidate first name", [&] { g_staticCandidates.emplace_back(candidate).firstName = "KLM2"; }, true},
      {"candidate other", [&] { g_staticCandidates.emplace_back(candidate).firstName = "KLM3"; }, false},
      {"seen callsign", [] { g_seenCallsigns.insert("KLM1"); }, true},
      {"seen callsign2 with _", [] { g_seenCallsigns.insert("KLM2_"); }, true},
      {"static first name", [&] { placeStatic(4, "X*", g_narrow, 0.01, {3, 20}).previousCallsign = "KLM1"; }, true},
      {"static registration", [&] { placeStatic(4, "X*", g_narrow, 0.01, {3, 20}).registration = "PH-A"; }, true},
      {"live parked callsign", [] { g_liveParked.push_back({"KLM1", 9, 5}); }, true},
      {"live parked callsign2", [] { g_liveParked.push_back({"KLM2", 9, 5}); }, true},
      {"live parked other", [] { g_liveParked.push_back({"KLM3", 9, 5}); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    gf_resetStaticParkingState();
    engine.staticAcs.clear();
    c.arrange();
    EXPECT_EQ(lf_flightInUse(f, engine), c.inUse);
  }
}

// A flight with a second name stays when its first name holds the next half hour: up to the
// last slot of the day from its own bits, at the day's end from the next weekday's slot 0.
TEST_F(StaticParkingTest, StaysLooksAtTheNextSlotUpToTheLastOfTheDay) {
  struct Case {
    int now;
    std::initializer_list<int> slots;
    bool nextDaySlot0;
    std::uint8_t stays;
  };
  for (const Case& c : {Case{45, {45, 46}, false, 1}, Case{45, {45}, false, 0}, Case{46, {46, 47}, false, 1},
                        Case{46, {46}, true, 0}, Case{47, {47}, true, 1}, Case{47, {47}, false, 0}}) {
    for (const bool takenOut : {false, true}) {
      if (takenOut && !c.nextDaySlot0) continue;
      SCOPED_TRACE(takenOut ? "next weekday's flight taken out" : "");
    SCOPED_TRACE(c.now);
    for (ParkingPosition& stand : g_stands) {
      stand.learnedFlights.clear();
      stand.blocked = 0;
    }
    engine.weekSlotNow = WeekSlot{3, c.now};
    addFlight(1, flight("A1", "R1", 3, c.slots, 1, "B1"));
    if (c.nextDaySlot0) addFlight(1, flight("A1", "R1", 4, {0}, 1, "B1"));
    if (takenOut) g_stands[0].learnedFlights.back().index = 0;
    gf_calculateStaticParking(engine);
    ASSERT_EQ(g_staticCandidates.size(), 1U);
    EXPECT_EQ(g_staticCandidates[0].stays, takenOut ? 0 : c.stays);
    }
  }
}

TEST_F(StaticParkingTest, StaysFollowsNextSlotAndNextWeekday) {
  engine.weekSlotNow = WeekSlot{7, 47};
  addFlight(1, flight("A1", "R1", 7, {47}, 1, "B1"));
  addFlight(1, flight("A1", "R1", 1, {0, 1}, 1, "B1"));
  addFlight(5, flight("A5", "R5", 7, {47}, 1, "B5"));
  gf_calculateStaticParking(engine);
  ASSERT_EQ(g_staticCandidates.size(), 2U);
  for (const StaticCandidate& c : g_staticCandidates) EXPECT_EQ(c.stays, c.sid == 1 ? 1 : 0) << c.firstName;
}

// Monday 00:30: an aircraft parked Sunday 23:00 is older than a candidate of Monday 00:00.
TEST_F(StaticParkingTest, KeepOrReplaceComparesAcrossTheWeeksEnd) {
  const WeekSlot now{1, 1};
  g_staticCandidates.push_back(StaticCandidate{1, 1, {}, "", "", "", 0});
  lf_keepOrReplace(now, placeStatic(1, "OLD*", g_narrow, 0.01, {7, 46}), 0);
  EXPECT_EQ(g_staticRemovals.size(), 1U);
  EXPECT_EQ(g_staticCandidates.size(), 1U);
  g_staticCandidates[0].offset = 3;
  lf_keepOrReplace(now, placeStatic(1, "NEW*", g_narrow, 0.01, {1, 0}), 0);
  EXPECT_EQ(g_placedStatics.size(), 1U);
  EXPECT_TRUE(g_staticCandidates.empty());
}

// A candidate for the stand of a placed static aircraft replaces it only when its flight is
// nearer in time; found as far back as the aircraft parked, the aircraft stays.
TEST_F(StaticParkingTest, KeepOrReplaceKeepsTheAircraftAtEqualTimes) {
  const WeekSlot now{3, 20};
  for (const auto& [offset, stays] : {std::pair{1U, false}, {2U, true}, {3U, true}}) {
    SCOPED_TRACE(offset);
    gf_resetStaticParkingState();
    engine.staticAcs.clear();
    g_staticCandidates.push_back(StaticCandidate{1, offset, {}, "NEW", "", "", 1});
    lf_keepOrReplace(now, placeStatic(1, "OLD*", g_narrow, 0.01, {3, 18}), 0);
    EXPECT_EQ(g_placedStatics.size(), stays ? 1U : 0U);
    EXPECT_EQ(g_staticRemovals.size(), stays ? 0U : 1U);
    EXPECT_EQ(g_staticCandidates.empty(), stays);
  }
}

TEST_F(StaticParkingTest, ReviewKeepsItsOwnFlightReplacesOthersAndMarksLeaving) {
  const WeekSlot now{3, 47};
  addFlight(1, flight("KLM1", "R1", 3, {46, 47}, 1, "KLM2"));
  addFlight(1, flight("KLM1", "R1", 4, {0}, 1, "KLM2"));
  addFlight(5, flight("SEEN", "R5", 3, {47}));
  g_staticCandidates.push_back(StaticCandidate{1, 0, g_stands[0].learnedFlights[0].codes, "KLM1", "KLM2", "R1", 1});
  StaticAc& own = placeStatic(1, "KLM1*", g_narrow, 0.01, {3, 46});
  own.previousCallsign = "KLM1";
  own.auxName = "KLM2";
  placeStatic(5, "SEEN*", g_narrow, 0.01, {3, 47}).previousCallsign = "SEEN";
  placeStatic(8, "GONE*", g_narrow, 0.01, {3, 40}).registration = "R8";
  g_seenCallsigns.insert("SEEN");
  lf_reviewStaticAircraft(now, engine);
  ASSERT_EQ(g_placedStatics.size(), 1U);
  EXPECT_EQ(g_placedStatics[0].callsign, "KLM1*");
  EXPECT_EQ(g_placedStatics[0].leaving, 0);  // goes on at 00:00 of Thursday
  EXPECT_TRUE(g_staticCandidates.empty());
  ASSERT_EQ(g_staticRemovals.size(), 2U);
  EXPECT_EQ(g_staticRemovals[0].callsign, "SEEN*");
  EXPECT_EQ(g_staticRemovals[1].callsign, "GONE*");
}

// A placed static aircraft whose learned names are seen live is removed, by either name.
TEST_F(StaticParkingTest, ReviewRemovesAStaticAircraftSeenLiveUnderEitherName) {
  addFlight(5, flight("A5", "R5", 3, {20}, 1, "B5"));
  for (const auto& [seen, removed] : {std::pair{"A5", true}, {"B5", true}, {"C5", false}}) {
    SCOPED_TRACE(seen);
    gf_resetStaticParkingState();
    engine.staticAcs.clear();
    StaticAc& ac = placeStatic(5, "A5*", g_narrow, 0.01, {3, 20});
    ac.previousCallsign = "A5";
    ac.auxName = "B5";
    ac.registration = "R5";
    g_seenCallsigns.insert(seen);
    lf_reviewStaticAircraft({3, 20}, engine);
    EXPECT_EQ(g_staticRemovals.size(), removed ? 1U : 0U);
    EXPECT_EQ(g_placedStatics.size(), removed ? 0U : 1U);
  }
}

// A candidate on the stand next to a placed static aircraft makes way for it, or replaces
// it, only when their stands are nearer than both half spans; at equality the aircraft is
// judged on its own flight.
TEST_F(StaticParkingTest, ReviewNeighbourConflictAtEqualityIsNone) {
  addFlight(1, flight("OLD", "R1", 3, {18, 19, 20}, 1, "", g_wide));
  const double distance = gf_greatCircleNm({g_stands[0].latitude, g_stands[0].longitude},
                                           {g_stands[1].latitude, g_stands[1].longitude});
  const double wide = gf_halfWingspan(g_wide);
  const double exact = distance - wide;
  ASSERT_EQ(exact + wide, distance);
  const auto stepTo = [&](double toward, auto past) {
    double span = exact;
    while (!past(span + wide)) span = std::nextafter(span, toward);
    return span;
  };
  const double longer = stepTo(1.0, [&](double sum) { return sum > distance; });
  for (const auto& [halfSpan, kept] : {std::pair{exact, true}, {longer, false}}) {
    SCOPED_TRACE(halfSpan + wide - distance);
    gf_resetStaticParkingState();
    engine.staticAcs.clear();
    g_staticCandidates.push_back(StaticCandidate{2, 0, {}, "NEW", "", "", 1});
    g_staticCandidates.back().codes.modelId = g_wide;
    StaticAc& ac = placeStatic(1, "OLD*", g_wide, halfSpan, {3, 18});
    ac.previousCallsign = "OLD";
    ac.registration = "R1";
    lf_reviewStaticAircraft({3, 20}, engine);
    EXPECT_EQ(g_placedStatics.size(), kept ? 1U : 0U);
    EXPECT_EQ(g_staticRemovals.size(), kept ? 0U : 1U);
    EXPECT_EQ(g_staticCandidates.size(), 1U);
  }
}

// A kept aircraft leaves when its flight does not hold the next half hour, up to the day's
// last slot from its own bits.
TEST_F(StaticParkingTest, ReviewMarksLeavingFromTheNextSlotBeforeTheDaysEnd) {
  for (const auto& [slots, leaving] : {std::pair{std::vector<int>{45, 46, 47}, 0}, {std::vector<int>{45, 46}, 1}}) {
    SCOPED_TRACE(slots.size());
    gf_resetStaticParkingState();
    engine.staticAcs.clear();
    g_stands[0].learnedFlights.clear();
    LearnedFlight f = flight("KLM1", "R1", 3, {}, 1, "KLM2");
    for (const int slot : slots) f.hh.set(static_cast<std::size_t>(slot));
    addFlight(1, f);
    g_staticCandidates.push_back(StaticCandidate{1, 0, f.codes, "KLM1", "KLM2", "R1", 1});
    StaticAc& own = placeStatic(1, "KLM1*", g_narrow, 0.01, {3, 45});
    own.previousCallsign = "KLM1";
    own.auxName = "KLM2";
    lf_reviewStaticAircraft({3, 46}, engine);
    ASSERT_EQ(g_placedStatics.size(), 1U);
    EXPECT_EQ(g_placedStatics[0].leaving, leaving);
  }
}

TEST_F(StaticParkingTest, StillFitsLooksBackIntoPreviousWeekday) {
  addFlight(2, flight("A", "R2", 2, {47}));
  StaticAc& ac = placeStatic(2, "A*", g_narrow, 0.01, {2, 47});
  ac.registration = "R2";
  g_staticParkingState.realFitOffset = 1;
  EXPECT_TRUE(lf_staticStillFits({3, 0}, 2, ac));
  g_staticParkingState.realFitOffset = 0;
  EXPECT_FALSE(lf_staticStillFits({3, 0}, 2, ac));
  EXPECT_FALSE(lf_staticStillFits({3, 0}, 0, ac));
}

// Looking back the longest fit from the day's first slot reaches back to the previous
// weekday's slot 1, not to its slot 0.
TEST_F(StaticParkingTest, StillFitsLooksBackAtMostToSlotOneOfThePreviousWeekday) {
  g_staticParkingState.realFitOffset = 47;
  for (const auto& [slot, fits] : {std::pair{0, false}, {1, true}, {2, true}}) {
    SCOPED_TRACE(slot);
    g_stands[1].learnedFlights.clear();
    addFlight(2, flight("A", "R2", 2, {slot}));
    engine.staticAcs.clear();
    StaticAc& ac = placeStatic(2, "A*", g_narrow, 0.01, {2, slot});
    ac.registration = "R2";
    EXPECT_EQ(lf_staticStillFits({3, 0}, 2, ac), fits);
  }
}

TEST_F(StaticParkingTest, LandedAircraftGetsLearnedNamesWithinItsWindow) {
  addFlight(2, flight("KL77", "R2", 3, {30}));  // no second name: not a flight to name it after
  addFlight(6, flight("KLM77", "R6", 3, {30}, 1, "KL77"));
  LiveAc ac;
  ac.codes.airlineId = 7;
  ac.callsign = "KL77_";
  ac.category = AcCategory::Large;
  gf_matchLearnedFlight({3, 19}, ac);  // 11 slots away
  EXPECT_TRUE(ac.previousCallsign.empty());
  gf_matchLearnedFlight({3, 20}, ac);
  EXPECT_EQ(ac.previousCallsign, "KLM77");
  EXPECT_EQ(ac.auxName, "KL77");
  LiveAc heavy = ac;
  heavy.previousCallsign.clear();
  heavy.category = AcCategory::Heavy;
  gf_matchLearnedFlight({3, 16}, heavy);
  EXPECT_EQ(heavy.previousCallsign, "KLM77");
}

TEST_F(StaticParkingTest, CountShowsMeanParkedTimeOverTheWeeksEnd) {
  engine.weekSlotNow = WeekSlot{1, 1};
  placeStatic(1, "A*", g_narrow, 0.01, {7, 46});  // 3 half hours
  placeStatic(3, "B*", g_narrow, 0.01, {1, 0});   // 1 half hour
  placeStatic(5, "C*", g_narrow, 0.01, {1, 0}).simState = SimState::adding2sim;
  EXPECT_EQ(gf_countStaticAircraft(true, engine), 2);
  EXPECT_FLOAT_EQ(g_staticParkingState.meanParkedHours, 1.5F);
  // One being removed still stands in the simulator.
  placeStatic(7, "D*", g_narrow, 0.01, {1, 0}).simState = SimState::removingfromsim;  // 1 half hour
  EXPECT_EQ(gf_countStaticAircraft(true, engine), 3);
  EXPECT_FLOAT_EQ(g_staticParkingState.meanParkedHours, 5.0F / 6.0F + 0.5F);
}

}  // namespace
}  // namespace vexo::test
