#include "foundation/time_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <regex>

#include "test_support.h"

using namespace vexo;

namespace {
double g_sourceTime = 0;
double sourceTime() { return g_sourceTime; }
const std::regex kClock("\\d\\d:\\d\\d:\\d\\d");
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}  // namespace

TEST(TimeText, UtcTextAndItsLimits) {
  EXPECT_EQ(gf_utcTimeText(1728345599), "Mon Okt 07 23:59:59 2024");  // October is "Okt"
  EXPECT_EQ(gf_utcTimeText(g_latestTimeValue), "Fri Dec 31 23:59:59 9999");
  for (const TimeValue bad : {g_latestTimeValue + 1, TimeValue{-1}, std::numeric_limits<TimeValue>::min()}) {
    EXPECT_EQ(gf_utcTimeText(bad), "Invalid time") << bad;
  }
}

TEST(TrafficClock, RecordTimeOnlyWhenSaneAndTheSourceIsFollowed) {
  EXPECT_EQ(gf_trafficTime(1796499782.75), 1796499782);
  const TimeValue before = gf_systemTimeNow();
  // No record yet, negative, NaN, infinite and absurd times fall back to the system clock.
  const double inf = std::numeric_limits<double>::infinity();
  for (const double bad : {0.0, 0.5, -5.0, kNaN, inf, -inf, 1e300, static_cast<double>(g_latestTimeValue) + 1}) {
    const TimeValue t = gf_trafficTime(bad);
    EXPECT_GE(t, before) << bad;
    EXPECT_LE(t, gf_systemTimeNow()) << bad;
  }
  gf_setTrafficTimeSource(&sourceTime);
  g_sourceTime = 1796499782.2;
  EXPECT_EQ(gf_trafficClockNow(), "19:43:02");
  EXPECT_EQ(gf_weekdayAndHalfHour(), (WeekSlot{6, 39}));
  g_sourceTime = kNaN;
  EXPECT_TRUE(std::regex_match(gf_trafficClockNow(), kClock));
  EXPECT_NE(gf_weekdayAndHalfHour().weekday, -1);
  gf_setTrafficTimeSource(nullptr);
}

TEST(WeekSlot, HalfHourBoundaryAtMinute29Second30) {
  EXPECT_EQ(gf_weekSlotOf(1710066569), (WeekSlot{7, 20}));  // Sunday 10:29:29
  EXPECT_EQ(gf_weekSlotOf(1710066570), (WeekSlot{7, 21}));  // 10:29:30
  EXPECT_EQ(gf_weekSlotOf(1710115200), (WeekSlot{1, 0}));   // Monday midnight
  EXPECT_EQ(gf_weekSlotOf(1728345599), (WeekSlot{1, 47}));
  EXPECT_EQ(gf_weekSlotOf(-1), (WeekSlot{-1, -1}));
}

TEST(HalfHours, TextToBitsSkipsAndLogsBadHours) {
  test::LogCapture log;
  EXPECT_EQ(gf_hours2bitset("3, 5 ,7,12abc"), HalfHourBits((1 << 3) | (1 << 5) | (1 << 7) | (1 << 12)));
  EXPECT_EQ(gf_hours2bitset(" 46 : 47 "), HalfHourBits(3ULL << 46));
  EXPECT_EQ(log.text(), "");
  EXPECT_EQ(gf_hours2bitset("0,x,47,48,-1,99999999999,"), HalfHourBits(1ULL << 47 | 1));
  for (const char* bad : {"'x'", "'48'", "'-1'", "'99999999999'", "'' in 0,x,47,48,-1,99999999999,\n"}) {
    EXPECT_TRUE(log.contains(std::string("==> operator () invalid hour ") + bad)) << bad;
  }
  EXPECT_TRUE(gf_hours2bitset("10:4").none());
  EXPECT_TRUE(log.contains("==> gf_hours2bitset descending range not allowed (10:4 in 10:4)\n"));
  EXPECT_TRUE(gf_hours2bitset("1:2:3").none());
  EXPECT_TRUE(log.contains("==> gf_hours2bitset more than one colon char in: 1:2:3\n"));
  EXPECT_TRUE(gf_hours2bitset("47:48").none());
  EXPECT_TRUE(gf_hours2bitset(":").none());
}

TEST(HalfHours, BitsToTextReadBack) {
  EXPECT_EQ(gf_bitset2hours(HalfHourBits()), std::nullopt);
  EXPECT_EQ(gf_bitset2range(HalfHourBits()), std::nullopt);
  EXPECT_EQ(gf_bitset2range(HalfHourBits(1ULL << 7)), "7");
  EXPECT_EQ(gf_bitset2range(HalfHourBits(1ULL << 47 | 1)), std::nullopt);  // not one run
  const HalfHourBits run = gf_hours2bitset("4:9");
  EXPECT_EQ(gf_bitset2range(run), "4:9");
  EXPECT_EQ(gf_bitset2hours(run), "4,5,6,7,8,9");
  const HalfHourBits mixed = gf_hours2bitset("0,2,3,10,47");
  EXPECT_EQ(gf_hours2bitset(*gf_bitset2hours(mixed)), mixed);
}
