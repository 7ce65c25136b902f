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

namespace {

// A client just accepted in place of RealTraffic gone, or of one that never answered.
void lf_askTakenBack(RTServer& server, const VersionReplyHandler& processVersion) {
  const std::string reply = server.askVersion();
  if (gf_runEnding()) return;
  if (!server.connected()) {
    gf_setRtLinkUp(false);  // it went before it answered: not RealTraffic
    return;
  }
  if (processVersion) processVersion(reply);
  gf_setRtLinkUp(true);
  gf_setStatus(fmt::format("{} RealTraffic re-connected", gf_utcClockNow()), true);
  gf_clearStatus();
}

}  // namespace

void gf_sendUserPosition(RTServer& server, const UserPose& pose, bool rtAtThisPc,
                         const std::function<void()>& takeLiveAcsOutOfSim, const VersionReplyHandler& processVersion) {
  if (!rtAtThisPc) return;
  if (std::abs(pose.latitude) <= g_noPosition && std::abs(pose.longitude) <= g_noPosition) return;
  const bool takeBack = g_exitReason.load() == ExitReason::notYetSet;
  if (!server.connected()) {
    // RealTraffic went away earlier: take it back when it is connecting now.
    if (takeBack && server.acceptPendingClient()) lf_askTakenBack(server, processVersion);
    return;
  }
  if (takeBack && server.replaceSilentClient()) {
    lf_askTakenBack(server, processVersion);
    return;
  }
  const bool realTraffic = server.clientCarriedLine();
  if (server.sendDataPacket(gf_userPositionLine(pose))) return;

  gf_setRtLinkUp(false);
  // A connection taken back that fails before its first line was not RealTraffic but a
  // connect-and-close call on the port: what RealTraffic delivers meanwhile stays.
  if (realTraffic) {
    if (!g_windowClosed.load() && takeLiveAcsOutOfSim) takeLiveAcsOutOfSim();
    gf_resetReaders();
  }
  gf_setStatus(fmt::format("{} RealTraffic gone? Wait for RealTraffic to re-connect ...", gf_utcClockNow()), true);
}

}  // namespace vexo

namespace vexo {

void gf_sendUserPosition(const UserAcData& user, bool rtAtThisPc, const std::function<void()>& takeLiveAcsOutOfSim,
                         const VersionReplyHandler& processVersion) {
  const UserPose pose{user.latitude, user.longitude, user.pitch,      user.bank,
                      user.heading,  user.altitude,  user.groundSpeed};
  gf_sendUserPosition(g_rtServer, pose, rtAtThisPc, takeLiveAcsOutOfSim, processVersion);
}

}  // namespace vexo
