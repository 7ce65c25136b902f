// The two periodic lines to RealTraffic: the simulator's time ("Qs123=") and the user
// aircraft ("Qs121="), and what happens when RealTraffic has gone.
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

// RealTraffic's answer to the version request (empty: none received).
using VersionReplyHandler = std::function<void(const std::string&)>;

// Sends the user aircraft to RealTraffic when it runs on this machine (rtAtThisPc) and
// the position is known. When RealTraffic went away earlier, accepts it again if it is
// connecting now (while no exit reason is set) and returns at once otherwise: the tick
// thread calls this once a second and never waits for a connection. A client that never
// answered the version request gives way to a newer connection in the same way. A client
// taken back is asked for its version (waiting a few seconds at most) and its answer goes
// to processVersion; one that goes before it answers was not RealTraffic. When the send
// fails, RealTraffic is gone: the link is shown as down, takeLiveAcsOutOfSim takes the
// live aircraft out of the simulator (not when the window was closed), the readers are
// reset and the status line says so; a connection taken back that fails before its first
// line only goes down again (it was not RealTraffic). Start-up and tick thread.
void gf_sendUserPosition(RTServer& server, const UserPose& pose, bool rtAtThisPc,
                         const std::function<void()>& takeLiveAcsOutOfSim,
                         const VersionReplyHandler& processVersion = {});

// The program's call: the user aircraft block on g_rtServer.
void gf_sendUserPosition(const UserAcData& user, bool rtAtThisPc, const std::function<void()>& takeLiveAcsOutOfSim,
                         const VersionReplyHandler& processVersion = {});

}  // namespace vexo
