// The program's own SimConnect vocabulary: the ids it gives its system events, client
// events, notification group, data definitions and requests. All are fixed numbers chosen
// by the program, each family in its own range, so an id seen in a message or an
// exception tells what it belongs to.
#pragma once

#include <cstdint>

namespace vexo {

namespace SystemEventId {
inline constexpr std::uint32_t sim = 201;
inline constexpr std::uint32_t objectAdded = 202;
inline constexpr std::uint32_t objectRemoved = 203;
inline constexpr std::uint32_t frame = 204;
inline constexpr std::uint32_t positionChanged = 205;
inline constexpr std::uint32_t flightLoaded = 206;
}  // namespace SystemEventId

namespace ClientEventId {
inline constexpr std::uint32_t BEACON_LIGHTS_SET = 207;
inline constexpr std::uint32_t NAV_LIGHTS_SET = 208;
inline constexpr std::uint32_t TAXI_LIGHTS_SET = 209;
inline constexpr std::uint32_t STROBES_SET = 210;
inline constexpr std::uint32_t LANDING_LIGHTS_SET = 211;
inline constexpr std::uint32_t CABIN_LIGHTS_SET = 212;
inline constexpr std::uint32_t LOGO_LIGHTS_SET = 213;
inline constexpr std::uint32_t ALL_LIGHTS_TOGGLE = 214;
inline constexpr std::uint32_t FREEZE_LATITUDE_LONGITUDE_SET = 215;
inline constexpr std::uint32_t FREEZE_ALTITUDE_SET = 216;
inline constexpr std::uint32_t FREEZE_ATTITUDE_SET = 217;
inline constexpr std::uint32_t FLAPS_SET = 218;
inline constexpr std::uint32_t SPOILERS_SET = 219;
inline constexpr std::uint32_t GEAR_SET = 220;
inline constexpr std::uint32_t ENGINE_AUTO_START = 221;
inline constexpr std::uint32_t ENGINE_AUTO_SHUTDOWN = 222;
inline constexpr std::uint32_t THROTTLE_SET = 223;
}  // namespace ClientEventId

namespace NotificationGroupId {
inline constexpr std::uint32_t all = 301;
}

namespace DataDefinitionId {
inline constexpr std::uint32_t aiControls = 401;
inline constexpr std::uint32_t aiPosition = 402;
inline constexpr std::uint32_t userAircraft = 403;
inline constexpr std::uint32_t aircraftInRange = 404;
inline constexpr std::uint32_t staticCg = 405;
inline constexpr std::uint32_t lightsOn = 406;
inline constexpr std::uint32_t userTitle = 407;
inline constexpr std::uint32_t userModel = 408;
inline constexpr std::uint32_t userOnGround = 409;
}  // namespace DataDefinitionId

namespace RequestId {
inline constexpr std::uint32_t aircraftInRange = 101;
inline constexpr std::uint32_t staticCg = 102;
inline constexpr std::uint32_t aiReleaseControl = 103;
inline constexpr std::uint32_t aiCreate = 104;
inline constexpr std::uint32_t aiRemove = 105;
inline constexpr std::uint32_t userTitle = 106;
inline constexpr std::uint32_t userModel = 107;
inline constexpr std::uint32_t userOnGround = 108;
inline constexpr std::uint32_t userAircraft = 109;
inline constexpr std::uint32_t aiFlightPlan = 110;
}  // namespace RequestId

// Sizes of the data blocks the program reads and writes.
inline constexpr std::uint32_t g_aiPositionBlockSize = 64;   // definition 402
inline constexpr std::uint32_t g_userAcBlockSize = 96;       // definition 403
inline constexpr std::uint32_t g_inRangeBlockSize = 56;      // definition 404
inline constexpr std::uint32_t g_staticCgBlockSize = 16;     // definition 405
inline constexpr std::uint32_t g_atcIdWidth = 32;            // STRING32

// Hexids above this are live aircraft; at or below, static ones.
inline constexpr std::uint32_t g_staticHexidLimit = 10000;

}  // namespace vexo
