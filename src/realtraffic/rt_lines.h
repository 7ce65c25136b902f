// The two periodic lines to RealTraffic: the simulator's time ("Qs123=") and the user
// aircraft ("Qs121="), what happens when RealTraffic has gone, and the look for it on
// the tick while it is away.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vexo {

class RTServer;
struct UserAcData;

// The user aircraft as the "Qs121=" line carries it.
struct UserPose {
  double latitude = 0.0;   // degrees
  double longitude = 0.0;  // degrees
  double pitch = 0.0;      // radians
  double bank = 0.0;       // radians
  double heading = 0.0;    // true heading, radians
  double altitude = 0.0;   // feet
  double groundSpeed = 0.0;  // knots
};

// "Qs121=<pitch>;<bank>;<heading>;<altitude>;<speed>;<lat>;<lon>\r\n": pitch and bank in
// radians x 100000, the altitude in feet x 1000 and the speed in knots x 1000 as whole
// numbers in fixed notation (the peer reads no exponent), the heading in radians with
// six decimals, latitude and longitude in radians with six decimals.
std::string gf_userPositionLine(const UserPose& pose);

// Sends "Qs123=<seconds x 1000>\r\n" when a client is connected and seconds >= 1.
void gf_sendSimTime(RTServer& server, std::int64_t seconds);
void gf_sendSimTime(std::int64_t seconds);

// RealTraffic's answer to the version request.
using VersionReplyHandler = std::function<void(const std::string&)>;

// One look for RealTraffic on the tick while it is away (RTServer::lookForRealTraffic),
// only while RealTraffic runs on this machine and no exit reason is set. Never waits. A
// connection that answered is RealTraffic: its answer goes to processVersion, the link
// is shown as up and the status line says that RealTraffic re-connected.
void gf_lookForRealTraffic(RTServer& server, bool rtAtThisPc, const VersionReplyHandler& processVersion);

// Sends the user aircraft to RealTraffic when it runs on this machine (rtAtThisPc), is
// connected and the position is known. When RealTraffic is lost (this line or another
// could not go to it), the link is shown as down, takeLiveAcsOutOfSim takes the live
// aircraft out of the simulator (not when the window was closed), the readers are reset
// and the status line says so. Start-up and tick thread.
void gf_sendUserPosition(RTServer& server, const UserPose& pose, bool rtAtThisPc,
                         const std::function<void()>& takeLiveAcsOutOfSim);

// The program's call: the user aircraft block on g_rtServer.
void gf_sendUserPosition(const UserAcData& user, bool rtAtThisPc, const std::function<void()>& takeLiveAcsOutOfSim);

}  // namespace vexo
