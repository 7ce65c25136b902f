#include "app/tick_schedule.h"

#include <gtest/gtest.h>

using namespace vexo;

// Each duty's count over one day shows its period; the slots of 16, 59 and 61 skip the
// multiples of five, where the five-second work runs instead.
TEST(TickSchedule, CountsOverOneDay) {
  int fives = 0, steps = 0, halves = 0, minutes = 0, liveries = 0, drivers = 0, lights = 0, twins = 0, days = 0;
  for (std::int32_t n = 1; n <= g_workTicksPerDay; ++n) {
    const auto d = gf_workTickDuties(n);
    fives += d.fiveSecond;
    steps += d.parkStep;
    halves += d.halfMinute;
    minutes += d.minute;
    liveries += d.missingLiveries;
    drivers += d.staticParkingDriver;
    lights += d.readerLights;
    twins += d.staticTwins;
    days += d.day;
    EXPECT_TRUE(d.fiveSecond || !(d.parkStep || d.halfMinute || d.minute || d.missingLiveries || d.day)) << n;
  }
  EXPECT_EQ(fives, 86400 / 5);
  EXPECT_EQ(steps, 86400 / 15);
  EXPECT_EQ(halves, 86400 / 30);
  EXPECT_EQ(minutes, 86400 / 60);
  EXPECT_EQ(liveries, 86400 / 1200);
  EXPECT_EQ(drivers, 86400 / 16 - 86400 / 80);
  EXPECT_EQ(lights, 86400 / 59 - 86400 / 295);
  EXPECT_EQ(twins, 86400 / 61 - 86400 / 305);
  EXPECT_EQ(days, 1);
  const auto both = gf_workTickDuties(16 * 59);
  EXPECT_TRUE(both.staticParkingDriver && both.readerLights);
  EXPECT_FALSE(gf_workTickDuties(7).staticParkingDriver || gf_workTickDuties(7).fiveSecond);
}
