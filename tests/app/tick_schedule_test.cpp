#include "app/tick_schedule.h"

#include <gtest/gtest.h>

using namespace vexo;

TEST(TickSchedule, SlotsOfSixteenFiftyNineAndSixtyOneSkipMultiplesOfFive) {
  EXPECT_TRUE(gf_workTickDuties(16).staticParkingDriver);
  EXPECT_FALSE(gf_workTickDuties(80).staticParkingDriver);
  EXPECT_TRUE(gf_workTickDuties(80).fiveSecond);
  EXPECT_TRUE(gf_workTickDuties(59).readerLights);
  EXPECT_FALSE(gf_workTickDuties(295).readerLights);
  EXPECT_TRUE(gf_workTickDuties(61).staticTwins);
  EXPECT_FALSE(gf_workTickDuties(305).staticTwins);
  const auto both = gf_workTickDuties(16 * 59);
  EXPECT_TRUE(both.staticParkingDriver);
  EXPECT_TRUE(both.readerLights);
  EXPECT_FALSE(both.fiveSecond);
}

TEST(TickSchedule, NestedMultiples) {
  const auto five = gf_workTickDuties(25);
  EXPECT_TRUE(five.fiveSecond);
  EXPECT_FALSE(five.parkStep);
  const auto fifteen = gf_workTickDuties(45);
  EXPECT_TRUE(fifteen.parkStep);
  EXPECT_FALSE(fifteen.halfMinute);
  const auto thirty = gf_workTickDuties(90);
  EXPECT_TRUE(thirty.halfMinute);
  EXPECT_FALSE(thirty.minute);
  const auto minute = gf_workTickDuties(120);
  EXPECT_TRUE(minute.minute);
  EXPECT_FALSE(minute.missingLiveries);
  const auto twenty = gf_workTickDuties(2400);
  EXPECT_TRUE(twenty.missingLiveries);
  EXPECT_FALSE(twenty.day);
  const auto day = gf_workTickDuties(86400);
  EXPECT_TRUE(day.fiveSecond && day.parkStep && day.halfMinute && day.minute && day.missingLiveries && day.day);
}

TEST(TickSchedule, PlainTicksRunOnlyTheWorkOfEveryTick) {
  const auto d = gf_workTickDuties(7);
  EXPECT_FALSE(d.fiveSecond || d.parkStep || d.staticParkingDriver || d.readerLights || d.staticTwins);
}

TEST(TickSchedule, CountsOverOneDay) {
  int fives = 0, drivers = 0, lights = 0, twins = 0, days = 0;
  for (std::int32_t n = 1; n <= g_workTicksPerDay; ++n) {
    const auto d = gf_workTickDuties(n);
    fives += d.fiveSecond;
    drivers += d.staticParkingDriver;
    lights += d.readerLights;
    twins += d.staticTwins;
    days += d.day;
  }
  EXPECT_EQ(fives, 86400 / 5);
  // Multiples of 16 that are not multiples of 80.
  EXPECT_EQ(drivers, 86400 / 16 - 86400 / 80);
  EXPECT_EQ(lights, 86400 / 59 - 86400 / 295);
  EXPECT_EQ(twins, 86400 / 61 - 86400 / 305);
  EXPECT_EQ(days, 1);
}
