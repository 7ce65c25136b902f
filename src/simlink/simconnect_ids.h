// Numbers of the SimConnect wire protocol that both ends of the link agree on: request
// function numbers, received message ids, and the values of the request arguments the
// program uses. Plain u32 constants, because they travel as u32 fields.
#pragma once

#include <cstdint>

namespace vexo {

inline constexpr std::uint32_t g_simConnectProtocolVersion = 35;
inline constexpr std::uint32_t g_simConnectPacketIdBase = 0xF0000000u;
inline constexpr std::uint32_t g_simConnectRequestHeaderSize = 16;
inline constexpr std::uint32_t g_simConnectRecvHeaderSize = 12;

// Function numbers of the requests (the packet id is g_simConnectPacketIdBase | number).
namespace SimConnectFunction {
inline constexpr std::uint32_t Open = 0x01;
inline constexpr std::uint32_t MapClientEventToSimEvent = 0x04;
inline constexpr std::uint32_t TransmitClientEvent = 0x05;
inline constexpr std::uint32_t AddClientEventToNotificationGroup = 0x07;
inline constexpr std::uint32_t SetNotificationGroupPriority = 0x09;
inline constexpr std::uint32_t AddToDataDefinition = 0x0C;
inline constexpr std::uint32_t RequestDataOnSimObject = 0x0E;
inline constexpr std::uint32_t RequestDataOnSimObjectType = 0x0F;
inline constexpr std::uint32_t SetDataOnSimObject = 0x10;
inline constexpr std::uint32_t SubscribeToSystemEvent = 0x17;
inline constexpr std::uint32_t AICreateNonATCAircraft = 0x29;
inline constexpr std::uint32_t AIReleaseControl = 0x2B;
inline constexpr std::uint32_t AIRemoveObject = 0x2C;
inline constexpr std::uint32_t AISetAircraftFlightPlan = 0x2D;
}  // namespace SimConnectFunction

// Sizes of the fixed request packets, header included.
namespace SimConnectPacketSize {
inline constexpr std::uint32_t Open = 296;
inline constexpr std::uint32_t MapClientEventToSimEvent = 276;
inline constexpr std::uint32_t TransmitClientEvent = 36;
inline constexpr std::uint32_t AddClientEventToNotificationGroup = 28;
inline constexpr std::uint32_t SetNotificationGroupPriority = 24;
inline constexpr std::uint32_t AddToDataDefinition = 544;
inline constexpr std::uint32_t RequestDataOnSimObject = 48;
inline constexpr std::uint32_t RequestDataOnSimObjectType = 32;
inline constexpr std::uint32_t SetDataOnSimObjectHeader = 36;  // plus the data bytes
inline constexpr std::uint32_t SubscribeToSystemEvent = 276;
inline constexpr std::uint32_t AICreateNonATCAircraft = 344;
inline constexpr std::uint32_t AIReleaseControl = 24;
inline constexpr std::uint32_t AIRemoveObject = 24;
inline constexpr std::uint32_t AISetAircraftFlightPlan = 284;
}  // namespace SimConnectPacketSize

// Ids of the received messages (u32 at byte 8 of every message).
namespace SimConnectRecvId {
inline constexpr std::uint32_t NULL_ = 0;
inline constexpr std::uint32_t EXCEPTION = 1;
inline constexpr std::uint32_t OPEN = 2;
inline constexpr std::uint32_t QUIT = 3;
inline constexpr std::uint32_t EVENT = 4;
inline constexpr std::uint32_t EVENT_OBJECT_ADDREMOVE = 5;
inline constexpr std::uint32_t EVENT_FILENAME = 6;
inline constexpr std::uint32_t EVENT_FRAME = 7;
inline constexpr std::uint32_t SIMOBJECT_DATA = 8;
inline constexpr std::uint32_t SIMOBJECT_DATA_BYTYPE = 9;
inline constexpr std::uint32_t ASSIGNED_OBJECT_ID = 12;
}  // namespace SimConnectRecvId

// dwException of an EXCEPTION message.
namespace SimConnectException {
inline constexpr std::uint32_t UNRECOGNIZED_ID = 3;
inline constexpr std::uint32_t VERSION_MISMATCH = 5;
inline constexpr std::uint32_t TOO_MANY_OBJECTS = 11;
inline constexpr std::uint32_t INVALID_DATA_TYPE = 18;
inline constexpr std::uint32_t INVALID_DATA_SIZE = 19;
inline constexpr std::uint32_t CREATE_OBJECT_FAILED = 22;
inline constexpr std::uint32_t LOAD_FLIGHTPLAN_FAILED = 23;
inline constexpr std::uint32_t OPERATION_INVALID_FOR_OBJECT_TYPE = 24;
inline constexpr std::uint32_t INVALID_ENUM = 27;
}  // namespace SimConnectException

// DatumType of AddToDataDefinition: the layout of the datum in a data block.
namespace SimConnectDataType {
inline constexpr std::uint32_t INT32 = 1;
inline constexpr std::uint32_t INT64 = 2;
inline constexpr std::uint32_t FLOAT32 = 3;
inline constexpr std::uint32_t FLOAT64 = 4;
inline constexpr std::uint32_t STRING8 = 5;
inline constexpr std::uint32_t STRING32 = 6;
inline constexpr std::uint32_t STRING64 = 7;
inline constexpr std::uint32_t STRING128 = 8;
inline constexpr std::uint32_t STRING256 = 9;
inline constexpr std::uint32_t STRING260 = 10;
inline constexpr std::uint32_t STRINGV = 11;
inline constexpr std::uint32_t INITPOSITION = 12;
inline constexpr std::uint32_t MARKERSTATE = 13;
inline constexpr std::uint32_t WAYPOINT = 14;
inline constexpr std::uint32_t LATLONALT = 15;
inline constexpr std::uint32_t XYZ = 16;
}  // namespace SimConnectDataType

namespace SimConnectPeriod {
inline constexpr std::uint32_t NEVER = 0;
inline constexpr std::uint32_t ONCE = 1;
inline constexpr std::uint32_t VISUAL_FRAME = 2;
inline constexpr std::uint32_t SIM_FRAME = 3;
inline constexpr std::uint32_t SECOND = 4;
}  // namespace SimConnectPeriod

// Flags of RequestDataOnSimObject.
namespace SimConnectDataRequestFlag {
inline constexpr std::uint32_t CHANGED = 1;
inline constexpr std::uint32_t TAGGED = 2;
}  // namespace SimConnectDataRequestFlag

namespace SimConnectObjectType {
inline constexpr std::uint32_t AIRCRAFT = 2;
}

// The object id that names the user's own aircraft in requests.
inline constexpr std::uint32_t g_simConnectUserObject = 0;

}  // namespace vexo
