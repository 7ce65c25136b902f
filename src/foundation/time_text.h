// Time texts, the program's traffic clock and the slots of the week by which learned
// flights are filed. The program works in UTC throughout.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexo {

// Seconds since 1970-01-01 00:00 UTC.
using TimeValue = std::int64_t;

// The latest time gf_utcTimeText converts: the end of the year 9999, so the year always
// has four digits.
inline constexpr TimeValue g_latestTimeValue = 253402300799;

// "Sat Dec 05 19:43:02 2026" (24 characters); "Invalid time" outside 0 to g_latestTimeValue.
std::string gf_utcTimeText(TimeValue time);

TimeValue gf_systemTimeNow();

// "19:43:02" of the system time now, in UTC.
std::string gf_utcClockNow();

// "Dec 05, 2026": today's UTC date.
std::string gf_utcDateText();

// The RealTraffic link installs a source that returns the time of the latest traffic
// record (seconds since 1970, fraction allowed) when RealTraffic's professional edition
// runs, and 0 otherwise. Called from any thread, so it must read atomics only. Without a
// source, the traffic clock is the system clock.
using TrafficTimeSource = double (*)();
void gf_setTrafficTimeSource(TrafficTimeSource source);

// True for a record time the traffic clock can take: a finite time from 1 to
// g_latestTimeValue (seconds since 1970).
bool gf_isTrafficTime(double recordTime);

// The traffic time for a record time: its whole seconds when gf_isTrafficTime, else (0
// before the first record, or nonsense from the network) the system time.
TimeValue gf_trafficTime(double recordTime);

// "19:43:02" of the traffic time; never throws.
std::string gf_trafficClockNow();

// Weekday 1 (Monday) to 7 (Sunday) and half-hour slot 0 to 47; -1 when the time cannot
// be converted.
struct WeekSlot {
  std::int32_t weekday = -1;
  std::int32_t halfHour = -1;
  friend bool operator==(const WeekSlot&, const WeekSlot&) = default;
};
inline constexpr std::int32_t g_slotsPerWeek = 7 * 48;

// The slot of a time: the second half hour of an hour starts at minute 29, second 30.
WeekSlot gf_weekSlotOf(TimeValue time);
WeekSlot gf_weekdayAndHalfHour();  // of the traffic time

// The 48 half hours of a day; bit n is the half hour from n x 30 minutes after midnight.
using HalfHourBits = std::bitset<48>;

// "3,5,7" or the run "5:9". Bad pieces are skipped (list) or give no bits (run), with a
// warning in the log; never throws.
HalfHourBits gf_hours2bitset(std::string_view text);

// "2,3,10"; nothing when no bit is set.
std::optional<std::string> gf_bitset2hours(const HalfHourBits& bits);

// "4:9", or "7" for a single bit; nothing when no bit is set or the bits are not one run.
std::optional<std::string> gf_bitset2range(const HalfHourBits& bits);

}  // namespace vexo
