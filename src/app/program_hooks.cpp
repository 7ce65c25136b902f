#include "app/program_hooks.h"

#include <string>
#include <string_view>

#include "airports/static_parking.h"
#include "app/main_window.h"
#include "foundation/run_state.h"
#include "app/start_traffic.h"
#include "foundation/status_line.h"
#include "foundation/line_file.h"
#include "foundation/settings_log.h"
#include "foundation/time_text.h"
#include "realtraffic/traffic_receiver.h"

namespace vexo {

namespace {
void lf_showReadFailure(std::string_view text, bool alsoLog) { gf_setStatus(std::string(text), alsoLog); }

bool lf_runEnding() { return gf_runEnding(); }

// Any thread: reads atomics only.
double lf_professionalRecordTime() { return g_rtProfessional ? g_trafficReceiver.recordTime.load() : 0.0; }

void lf_parkControls(bool lock) {
  if (lock)
    gf_lockParkControls();
  else
    gf_unlockParkControls();
}
}  // namespace

void gf_installProgramHooks() {
  gf_setReadFailureReporter(&lf_showReadFailure);
  gf_setRunEndingCheck(&lf_runEnding);
  gf_setTrafficTimeSource(&lf_professionalRecordTime);
  g_staticParkingState.parkControls = &lf_parkControls;
}

}  // namespace vexo
