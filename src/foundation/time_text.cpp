#include "foundation/time_text.h"

#include <fmt/format.h>

#include <array>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <vector>

#include "foundation/log.h"
#include "foundation/text.h"

namespace vexo {

namespace {

std::atomic<TrafficTimeSource> g_trafficTimeSource{nullptr};

std::string_view lf_monthName(unsigned month) {
  static constexpr std::array<std::string_view, 12> kNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                              "Jul", "Aug", "Sep", "Okt", "Nov", "Dec"};
  return month >= 1 && month <= 12 ? kNames[month - 1] : "???";
}

std::string_view lf_weekdayName(unsigned weekday) {
  static constexpr std::array<std::string_view, 7> kNames = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  return weekday >= 1 && weekday <= 7 ? kNames[weekday - 1] : "???";
}

// UTC calendar fields of a time; false when it cannot be converted.
struct UtcFields {
  int year = 0;
  unsigned month = 0, day = 0, weekday = 0;  // weekday 1 (Monday) to 7 (Sunday)
  int hour = 0, minute = 0, second = 0;
};

bool lf_utcFields(TimeValue time, UtcFields& fields) {
  using namespace std::chrono;
  if (time < 0 || time > g_latestTimeValue) return false;
  const sys_seconds at{seconds{time}};
  const sys_days day = floor<days>(at);
  const year_month_day date{day};
  const hh_mm_ss clock{at - day};
  fields.year = static_cast<int>(date.year());
  fields.month = static_cast<unsigned>(date.month());
  fields.day = static_cast<unsigned>(date.day());
  fields.weekday = weekday{day}.iso_encoding();
  fields.hour = static_cast<int>(clock.hours().count());
  fields.minute = static_cast<int>(clock.minutes().count());
  fields.second = static_cast<int>(clock.seconds().count());
  return true;
}

// The clock part of a time text; the text itself when it holds no clock.
std::string lf_clockOf(const std::string& timeText) {
  return timeText.size() == 24 ? timeText.substr(timeText.size() - 13, 8) : timeText;
}

// A whole number 0 to 47 at the start of a piece; nothing when there is none.
std::optional<int> lf_halfHour(std::string_view piece) {
  int value = -1;
  const auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
  if (ec != std::errc() || value < 0 || value > 47) return std::nullopt;
  return value;
}

std::vector<std::string_view> lf_split(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  for (std::size_t start = 0;;) {
    const auto at = text.find(separator, start);
    pieces.push_back(text.substr(start, at == std::string_view::npos ? text.npos : at - start));
    if (at == std::string_view::npos) return pieces;
    start = at + 1;
  }
}

void lf_invalidHour(std::string_view piece, std::string_view text) {
  gf_logWarning(fmt::format("{} invalid hour '{}' in {}", "operator ()", piece, text));
}

}  // namespace

std::string gf_utcTimeText(TimeValue time) {
  UtcFields f;
  if (!lf_utcFields(time, f)) return "Invalid time";
  return fmt::format("{:3} {:3} {:02} {:02}:{:02}:{:02} {:4}", lf_weekdayName(f.weekday), lf_monthName(f.month), f.day,
                     f.hour, f.minute, f.second, f.year);
}

TimeValue gf_systemTimeNow() {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

std::string gf_utcClockNow() { return lf_clockOf(gf_utcTimeText(gf_systemTimeNow())); }

std::string gf_utcDateText() {
  const std::string text = gf_utcTimeText(gf_systemTimeNow());
  if (text.size() != 24) return text;
  return fmt::format("{}, {}", text.substr(4, 6), text.substr(20, 4));
}

void gf_setTrafficTimeSource(TrafficTimeSource source) { g_trafficTimeSource.store(source); }

bool gf_isTrafficTime(double recordTime) {
  return std::isfinite(recordTime) && recordTime >= 1.0 && recordTime < static_cast<double>(g_latestTimeValue + 1);
}

TimeValue gf_trafficTime(double recordTime) {
  // The record time comes from the network: only a finite time in range is cast.
  if (gf_isTrafficTime(recordTime)) return static_cast<TimeValue>(recordTime);
  return gf_systemTimeNow();
}

namespace {
TimeValue lf_trafficTimeNow() {
  const TrafficTimeSource source = g_trafficTimeSource.load();
  return gf_trafficTime(source ? source() : 0.0);
}
}  // namespace

std::string gf_trafficClockNow() { return lf_clockOf(gf_utcTimeText(lf_trafficTimeNow())); }

WeekSlot gf_weekSlotOf(TimeValue time) {
  UtcFields f;
  if (!lf_utcFields(time, f)) return {};
  const bool secondHalf = f.minute > 29 || (f.minute == 29 && f.second >= 30);
  return {static_cast<std::int32_t>(f.weekday), 2 * f.hour + (secondHalf ? 1 : 0)};
}

WeekSlot gf_weekdayAndHalfHour() { return gf_weekSlotOf(lf_trafficTimeNow()); }

HalfHourBits gf_hours2bitset(std::string_view text) {
  HalfHourBits bits;
  if (text.empty()) return bits;
  if (text.find(':') == std::string_view::npos) {
    for (const auto raw : lf_split(text, ',')) {
      const auto piece = gf_stripSpace(raw);
      if (const auto hour = lf_halfHour(piece)) {
        bits.set(static_cast<std::size_t>(*hour));
      } else {
        lf_invalidHour(piece, text);
      }
    }
    return bits;
  }
  const auto pieces = lf_split(text, ':');
  if (pieces.size() > 2) {
    gf_logWarning(fmt::format("{} more than one colon char in: {}", "gf_hours2bitset", text));
    return bits;
  }
  std::array<int, 2> ends{};
  for (std::size_t i = 0; i < 2; ++i) {
    const auto piece = gf_stripSpace(pieces[i]);
    const auto hour = lf_halfHour(piece);
    if (!hour) {
      lf_invalidHour(piece, text);
      return bits;
    }
    ends[i] = *hour;
  }
  if (ends[0] > ends[1]) {
    gf_logWarning(
        fmt::format("{} descending range not allowed ({}:{} in {})", "gf_hours2bitset", ends[0], ends[1], text));
    return bits;
  }
  for (int n = ends[0]; n <= ends[1]; ++n) bits.set(static_cast<std::size_t>(n));
  return bits;
}

std::optional<std::string> gf_bitset2hours(const HalfHourBits& bits) {
  if (bits.none()) return std::nullopt;
  std::string text;
  for (std::size_t n = 0; n < bits.size(); ++n) {
    if (!bits.test(n)) continue;
    if (!text.empty()) text += ',';
    text += std::to_string(n);
  }
  return text;
}

std::optional<std::string> gf_bitset2range(const HalfHourBits& bits) {
  if (bits.none()) return std::nullopt;
  std::size_t first = 0;
  while (!bits.test(first)) ++first;
  std::size_t last = bits.size() - 1;
  while (!bits.test(last)) --last;
  if (bits.count() != last - first + 1) return std::nullopt;
  if (first == last) return std::to_string(first);
  return fmt::format("{}:{}", first, last);
}

}  // namespace vexo
