#include "realtraffic/rt_lines.h"

#include <fmt/format.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "foundation/run_state.h"
#include "foundation/status_line.h"
#include "simlink/sim_actions.h"
#include "foundation/geodesy.h"
#include "foundation/time_text.h"
#include "realtraffic/reader_display.h"
#include "realtraffic/reader_threads.h"
#include "realtraffic/rt_server.h"

namespace vexo {

namespace {

constexpr double g_noPosition = 0.0001;

// A whole number in fixed notation ("-0" never appears).
double lf_whole(double value) { return std::round(value) + 0.0; }

}  // namespace

std::string gf_userPositionLine(const UserPose& pose) {
  return fmt::format("Qs121={:.0f};{:.0f};{:.6f};{:.0f};{:.0f};{:.6f};{:.6f}\r\n", lf_whole(pose.pitch * 100000.0),
                     lf_whole(pose.bank * 100000.0), pose.heading, lf_whole(pose.altitude * 1000.0),
                     lf_whole(pose.groundSpeed * 1000.0), pose.latitude * g_degToRad, pose.longitude * g_degToRad);
}

void gf_sendSimTime(RTServer& server, std::int64_t seconds) {
  if (!server.connected() || seconds < 1 || seconds > std::numeric_limits<std::int64_t>::max() / 1000) return;
  server.sendDataPacket(fmt::format("Qs123={}\r\n", seconds * 1000));
}

void gf_sendSimTime(std::int64_t seconds) { gf_sendSimTime(g_rtServer, seconds); }

void gf_lookForRealTraffic(RTServer& server, bool rtAtThisPc, const VersionReplyHandler& processVersion) {
  if (!rtAtThisPc || g_exitReason.load() != ExitReason::notYetSet) return;
  RealTrafficLook look = server.lookForRealTraffic();
  if (!look.answered) return;
  if (processVersion) processVersion(look.reply);
  gf_setRtLinkUp(true);
  gf_setStatus(fmt::format("{} RealTraffic re-connected", gf_utcClockNow()), true);
  gf_clearStatus();
}

void gf_sendUserPosition(RTServer& server, const UserPose& pose, bool rtAtThisPc,
                         const std::function<void()>& takeLiveAcsOutOfSim) {
  if (!rtAtThisPc) return;
  if (std::abs(pose.latitude) <= g_noPosition && std::abs(pose.longitude) <= g_noPosition) return;
  if (server.connected() && server.sendDataPacket(gf_userPositionLine(pose))) return;
  // Only a connection that answered the version request is ever the client: when it is
  // lost, RealTraffic has gone. While it stays away, the tick looks for it.
  if (!server.takeLoss()) return;
  gf_setRtLinkUp(false);
  if (!g_windowClosed.load() && takeLiveAcsOutOfSim) takeLiveAcsOutOfSim();
  gf_resetReaders();
  gf_setStatus(fmt::format("{} RealTraffic gone? Wait for RealTraffic to re-connect ...", gf_utcClockNow()), true);
}

}  // namespace vexo

namespace vexo {

void gf_sendUserPosition(const UserAcData& user, bool rtAtThisPc, const std::function<void()>& takeLiveAcsOutOfSim) {
  const UserPose pose{user.latitude, user.longitude, user.pitch,      user.bank,
                      user.heading,  user.altitude,  user.groundSpeed};
  gf_sendUserPosition(g_rtServer, pose, rtAtThisPc, takeLiveAcsOutOfSim);
}

}  // namespace vexo
