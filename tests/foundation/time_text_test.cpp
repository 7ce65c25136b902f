#include "foundation/time_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <regex>

#include "test_support.h"

using namespace vexo;

namespace {
double g_sourceTime = 0;
double sourceTime() { return g_sourceTime; }

// Installs a traffic time source for one test.
struct ScopedTrafficSource {
  explicit ScopedTrafficSource(double time) {
    g_sourceTime = time;
    gf_setTrafficTimeSource(&sourceTime);
  }
  ~ScopedTrafficSource() { gf_setTrafficTimeSource(nullptr); }
};

const std::regex kClock("\\d\\d:\\d\\d:\\d\\d");
}  // namespace

TEST(TimeText, UtcTextAndTheCutsOfIt) {
  EXPECT_EQ(gf_utcTimeText(1796499782), "Sat Dec 05 19:43:02 2026");
  EXPECT_EQ(gf_utcTimeText(0), "Thu Jan 01 00:00:00 1970");
  EXPECT_EQ(gf_utcTimeText(1728345599), "Mon Okt 07 23:59:59 2024");  // October is "Okt"
  EXPECT_EQ(gf_utcTimeText(g_latestTimeValue), "Fri Dec 31 23:59:59 9999");
  EXPECT_EQ(gf_utcTimeText(g_latestTimeValue + 1), "Invalid time");
  EXPECT_EQ(gf_utcTimeText(-1), "Invalid time");
  EXPECT_EQ(gf_utcTimeText(std::numeric_limits<TimeValue>::min()), "Invalid time");
  EXPECT_TRUE(std::regex_match(gf_utcClockNow(), kClock));
  EXPECT_TRUE(std::regex_match(gf_utcDateText(), std::regex("[A-Z][a-z][a-z] \\d\\d, \\d{4}")));
}

TEST(TrafficClock, RecordTimeOnlyWhenSane) {
  EXPECT_EQ(gf_trafficTime(1796499782.75), 1796499782);
  const TimeValue before = gf_systemTimeNow();
  // 0 (no record yet), negative, NaN, infinite and absurd times fall back to the system
  // clock instead of being cast.
  for (const double bad : {0.0, 0.5, -5.0, std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(), 1e300,
                           static_cast<double>(g_latestTimeValue) + 1}) {
    const TimeValue t = gf_trafficTime(bad);
    EXPECT_GE(t, before) << bad;
    EXPECT_LE(t, gf_systemTimeNow()) << bad;
  }
}

TEST(TrafficClock, FollowsTheInstalledSourceAndNeverThrows) {
  {
    ScopedTrafficSource source(1796499782.2);
    EXPECT_EQ(gf_trafficClockNow(), "19:43:02");
    EXPECT_EQ(gf_weekdayAndHalfHour(), (WeekSlot{6, 39}));
  }
  {
    ScopedTrafficSource source(std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(std::regex_match(gf_trafficClockNow(), kClock));
    EXPECT_NE(gf_weekdayAndHalfHour().weekday, -1);
  }
  EXPECT_TRUE(std::regex_match(gf_trafficClockNow(), kClock));
}

TEST(WeekSlot, HalfHourBoundaryAtMinute29Second30) {
  EXPECT_EQ(gf_weekSlotOf(1710066569), (WeekSlot{7, 20}));  // Sunday 10:29:29
  EXPECT_EQ(gf_weekSlotOf(1710066570), (WeekSlot{7, 21}));  // 10:29:30
  EXPECT_EQ(gf_weekSlotOf(1710068399), (WeekSlot{7, 21}));  // 10:59:59
  EXPECT_EQ(gf_weekSlotOf(1710068400), (WeekSlot{7, 22}));  // 11:00:00
  EXPECT_EQ(gf_weekSlotOf(1710115200), (WeekSlot{1, 0}));   // Monday midnight
  EXPECT_EQ(gf_weekSlotOf(1728345599), (WeekSlot{1, 47}));
  EXPECT_EQ(gf_weekSlotOf(-1), (WeekSlot{-1, -1}));
}

TEST(HalfHours, ListsFromText) {
  test::LogCapture log;
  const auto bitsOf = [](std::initializer_list<int> ns) {
    HalfHourBits bits;
    for (const int n : ns) bits.set(static_cast<std::size_t>(n));
    return bits;
  };
  EXPECT_EQ(gf_hours2bitset(""), HalfHourBits());
  EXPECT_EQ(gf_hours2bitset("3, 5 ,7"), bitsOf({3, 5, 7}));
  EXPECT_EQ(gf_hours2bitset("12abc"), bitsOf({12}));
  EXPECT_EQ(log.text(), "");
  EXPECT_EQ(gf_hours2bitset("3,x,7"), bitsOf({3, 7}));
  EXPECT_EQ(log.text(), "==> operator () invalid hour 'x' in 3,x,7\n");
  EXPECT_EQ(gf_hours2bitset("0,47,48,-1,99999999999,"), bitsOf({0, 47}));
  EXPECT_TRUE(log.contains("invalid hour '48' in"));
  EXPECT_TRUE(log.contains("invalid hour '-1' in"));
  EXPECT_TRUE(log.contains("invalid hour '99999999999' in"));
  EXPECT_TRUE(log.contains("invalid hour '' in 0,47,48,-1,99999999999,\n"));
}

TEST(HalfHours, RunsFromText) {
  test::LogCapture log;
  EXPECT_EQ(gf_hours2bitset("46:47"), HalfHourBits(3ULL << 46));
  EXPECT_EQ(gf_hours2bitset(" 5 : 5 "), HalfHourBits(1ULL << 5));
  EXPECT_EQ(gf_hours2bitset("0:47").count(), 48u);
  EXPECT_EQ(log.text(), "");
  EXPECT_TRUE(gf_hours2bitset("10:4").none());
  EXPECT_TRUE(log.contains("==> gf_hours2bitset descending range not allowed (10:4 in 10:4)\n"));
  EXPECT_TRUE(gf_hours2bitset("1:2:3").none());
  EXPECT_TRUE(log.contains("==> gf_hours2bitset more than one colon char in: 1:2:3\n"));
  EXPECT_TRUE(gf_hours2bitset("47:48").none());
  EXPECT_TRUE(log.contains("==> operator () invalid hour '48' in 47:48\n"));
  EXPECT_TRUE(gf_hours2bitset(":").none());
}

TEST(HalfHours, TextsFromBits) {
  HalfHourBits bits;
  EXPECT_EQ(gf_bitset2hours(bits), std::nullopt);
  EXPECT_EQ(gf_bitset2range(bits), std::nullopt);
  for (std::size_t n = 4; n <= 9; ++n) bits.set(n);
  EXPECT_EQ(gf_bitset2range(bits), "4:9");
  EXPECT_EQ(gf_bitset2hours(bits), "4,5,6,7,8,9");
  EXPECT_EQ(gf_bitset2range(HalfHourBits(1ULL << 7)), "7");
  EXPECT_EQ(gf_bitset2range(HalfHourBits(0b1010)), std::nullopt);
  EXPECT_EQ(gf_bitset2hours(HalfHourBits(0b1010)), "1,3");
  EXPECT_EQ(gf_bitset2range(HalfHourBits(1ULL << 47 | 1)), std::nullopt);
  // The texts read back as the same bits.
  const HalfHourBits mixed = gf_hours2bitset("0,2,3,10,47");
  EXPECT_EQ(gf_hours2bitset(*gf_bitset2hours(mixed)), mixed);
  EXPECT_EQ(gf_hours2bitset(*gf_bitset2range(bits)), bits);
}
