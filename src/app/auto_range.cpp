// RANGE following the user aircraft (AUTO_RANGE).
#include <atomic>
#include <cmath>

#include "app/main_window_commands.h"
#include "foundation/status_line.h"
#include "app/window_requests.h"
#include "foundation/settings.h"
#include "foundation/settings_startup.h"

namespace vexo {

namespace {
// The range the user chose by hand, given back when AUTO_RANGE goes off; -1 until first
// remembered. The UI thread (the check box) and the tick thread (airport files) use it.
std::atomic<std::int32_t> g_manualRange{-1};
}  // namespace

std::int32_t gf_autoRangeNm(bool onGround, double altitudeFt, std::optional<double> distanceNm,
                            std::int32_t arAboveHeight, std::int32_t airpHeight) {
  if (onGround) return 10;
  if (altitudeFt > arAboveHeight) return 100;
  if (altitudeFt > airpHeight) return 40;
  const double d = distanceNm.value_or(10000.0);
  if (d <= 7.0) return 10;
  if (d >= 37.0) return 40;
  const long n = std::lround(d);
  if (n >= 33) return 35;
  if (n >= 28) return 30;
  if (n >= 23) return 25;
  if (n >= 19) return 20;
  if (n >= 17) return 18;
  if (n >= 15) return 16;
  if (n >= 13) return 14;
  if (n >= 11) return 12;
  if (n >= 9) return 10;
  return 8;
}

void gf_applyAutoRange() {
  SettingsState& s = g_settings;
  if (s.AUTO_RANGE.value) {
    g_manualRange = s.RANGE.value.load();
    // The user aircraft and the park airports belong to the tick thread.
    g_autoRangeRequest = true;
  } else {
    std::int32_t manual = g_manualRange;
    if (manual < 0) manual = s.RANGE.defaultValue;
    gf_setRange(manual);
    gf_clearStatus();
  }
  s.RANGE.setEnabled(!s.AUTO_RANGE.value);
}

}  // namespace vexo
