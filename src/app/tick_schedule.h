// Which duties of the tick loop run on a work tick (one per user-aircraft report, about
// once a second), as a pure function of the work-tick count.
#pragma once

#include <cstdint>

namespace vexo {

struct WorkTickDuties {
  // Multiples of 5: reference position, simulator time, reserved stand, park re-read.
  bool fiveSecond = false;
  // Multiples of 15: one half of the static parking step (when requested); reader
  // lights when one shows idle.
  bool parkStep = false;
  bool halfMinute = false;        // multiples of 30: rematch request, auto range
  bool minute = false;            // multiples of 60: renewal countdown
  bool missingLiveries = false;   // multiples of 1200
  bool day = false;               // multiples of 86400: summary, id map, count back to 0
  // Only on ticks that are not multiples of 5 (so work tick 80 skips the driver):
  bool staticParkingDriver = false;  // multiples of 16 (first half of the park step only)
  bool readerLights = false;         // multiples of 59
  bool staticTwins = false;          // multiples of 61
};

inline constexpr std::int32_t g_workTicksPerDay = 86400;

constexpr WorkTickDuties gf_workTickDuties(std::int32_t n) {
  WorkTickDuties d;
  if (n % 5 != 0) {
    d.staticParkingDriver = n % 16 == 0;
    d.readerLights = n % 59 == 0;
    d.staticTwins = n % 61 == 0;
    return d;
  }
  d.fiveSecond = true;
  if (n % 15 != 0) return d;
  d.parkStep = true;
  if (n % 30 != 0) return d;
  d.halfMinute = true;
  if (n % 60 != 0) return d;
  d.minute = true;
  d.missingLiveries = n % 1200 == 0;
  d.day = n % g_workTicksPerDay == 0;
  return d;
}

}  // namespace vexo
