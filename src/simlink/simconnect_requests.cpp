// The request functions: each writes its arguments into its packet in the order it takes
// them (offsets from the start of the packet; the body begins at 16).
#include <limits>

#include "simlink/request_packet.h"
#include "simlink/simconnect.h"

namespace vexo {

namespace F = SimConnectFunction;
namespace Size = SimConnectPacketSize;

HRESULT SimConnect_MapClientEventToSimEvent(HANDLE hSimConnect, std::uint32_t EventID, const char* EventName) {
  return gf_request(hSimConnect, Size::MapClientEventToSimEvent, F::MapClientEventToSimEvent, [&](ByteWriter& w) {
    w.u32(16, EventID);
    return w.fixedString(20, 256, gf_textArg(EventName));
  });
}

HRESULT SimConnect_TransmitClientEvent(HANDLE hSimConnect, std::uint32_t ObjectID, std::uint32_t EventID,
                                       std::uint32_t dwData, std::uint32_t GroupID, std::uint32_t Flags) {
  return gf_request(hSimConnect, Size::TransmitClientEvent, F::TransmitClientEvent, [&](ByteWriter& w) {
    w.u32(16, ObjectID);
    w.u32(20, EventID);
    w.u32(24, dwData);
    w.u32(28, GroupID);
    w.u32(32, Flags);
    return true;
  });
}

HRESULT SimConnect_AddClientEventToNotificationGroup(HANDLE hSimConnect, std::uint32_t GroupID, std::uint32_t EventID,
                                                     bool bMaskable) {
  return gf_request(hSimConnect, Size::AddClientEventToNotificationGroup, F::AddClientEventToNotificationGroup,
                    [&](ByteWriter& w) {
                      w.u32(16, GroupID);
                      w.u32(20, EventID);
                      w.u32(24, bMaskable ? 1 : 0);
                      return true;
                    });
}

HRESULT SimConnect_SetNotificationGroupPriority(HANDLE hSimConnect, std::uint32_t GroupID, std::uint32_t uPriority) {
  return gf_request(hSimConnect, Size::SetNotificationGroupPriority, F::SetNotificationGroupPriority,
                    [&](ByteWriter& w) {
                      w.u32(16, GroupID);
                      w.u32(20, uPriority);
                      return true;
                    });
}

HRESULT SimConnect_AddToDataDefinition(HANDLE hSimConnect, std::uint32_t DefineID, const char* DatumName,
                                       const char* UnitsName, std::uint32_t DatumType, float fEpsilon,
                                       std::uint32_t DatumID) {
  return gf_request(hSimConnect, Size::AddToDataDefinition, F::AddToDataDefinition, [&](ByteWriter& w) {
    w.u32(16, DefineID);
    if (!w.fixedString(20, 256, gf_textArg(DatumName))) return false;
    if (!w.fixedString(276, 256, gf_textArg(UnitsName))) return false;
    w.u32(532, DatumType);
    w.f32(536, fEpsilon);
    w.u32(540, DatumID);
    return true;
  });
}

HRESULT SimConnect_RequestDataOnSimObject(HANDLE hSimConnect, std::uint32_t RequestID, std::uint32_t DefineID,
                                          std::uint32_t ObjectID, std::uint32_t Period, std::uint32_t Flags,
                                          std::uint32_t origin, std::uint32_t interval, std::uint32_t limit) {
  return gf_request(hSimConnect, Size::RequestDataOnSimObject, F::RequestDataOnSimObject, [&](ByteWriter& w) {
    w.u32(16, RequestID);
    w.u32(20, DefineID);
    w.u32(24, ObjectID);
    w.u32(28, Period);
    w.u32(32, Flags);
    w.u32(36, origin);
    w.u32(40, interval);
    w.u32(44, limit);
    return true;
  });
}

HRESULT SimConnect_RequestDataOnSimObjectType(HANDLE hSimConnect, std::uint32_t RequestID, std::uint32_t DefineID,
                                              std::uint32_t dwRadiusMeters, std::uint32_t type) {
  return gf_request(hSimConnect, Size::RequestDataOnSimObjectType, F::RequestDataOnSimObjectType, [&](ByteWriter& w) {
    w.u32(16, RequestID);
    w.u32(20, DefineID);
    w.u32(24, dwRadiusMeters);
    w.u32(28, type);
    return true;
  });
}

HRESULT SimConnect_SetDataOnSimObject(HANDLE hSimConnect, std::uint32_t DefineID, std::uint32_t ObjectID,
                                      std::uint32_t Flags, std::uint32_t ArrayCount, std::uint32_t cbUnitSize,
                                      const void* pDataSet) {
  const std::uint64_t count = ArrayCount == 0 ? 1 : ArrayCount;
  const std::uint64_t dataBytes = count * cbUnitSize;  // both below 2^32: no overflow in 64 bits
  // The whole packet must fit one staging area; a product that wrapped in 32 bits would
  // otherwise send a short packet and read past the caller's data.
  if (dataBytes > g_sendBufferCapacity - Size::SetDataOnSimObjectHeader) return E_INVALIDARG;
  if (dataBytes > 0 && !pDataSet) return E_INVALIDARG;
  const auto size = static_cast<std::uint32_t>(Size::SetDataOnSimObjectHeader + dataBytes);
  return gf_request(hSimConnect, size, F::SetDataOnSimObject, [&](ByteWriter& w) {
    w.u32(16, DefineID);
    w.u32(20, ObjectID);
    w.u32(24, Flags);
    w.u32(28, static_cast<std::uint32_t>(count));
    w.u32(32, cbUnitSize);
    w.bytes(36, std::span(static_cast<const std::byte*>(pDataSet), static_cast<std::size_t>(dataBytes)));
    return true;
  });
}

HRESULT SimConnect_SubscribeToSystemEvent(HANDLE hSimConnect, std::uint32_t EventID, const char* SystemEventName) {
  return gf_request(hSimConnect, Size::SubscribeToSystemEvent, F::SubscribeToSystemEvent, [&](ByteWriter& w) {
    w.u32(16, EventID);
    return w.fixedString(20, 256, gf_textArg(SystemEventName));
  });
}

HRESULT SimConnect_AICreateNonATCAircraft(HANDLE hSimConnect, const char* szContainerTitle, const char* szTailNumber,
                                          const SimConnectInitPosition& InitPos, std::uint32_t RequestID) {
  return gf_request(hSimConnect, Size::AICreateNonATCAircraft, F::AICreateNonATCAircraft, [&](ByteWriter& w) {
    if (!w.fixedString(16, 256, gf_textArg(szContainerTitle))) return false;
    if (!w.fixedString(272, 12, gf_textArg(szTailNumber))) return false;
    w.f64(284, InitPos.Latitude);
    w.f64(292, InitPos.Longitude);
    w.f64(300, InitPos.Altitude);
    w.f64(308, InitPos.Pitch);
    w.f64(316, InitPos.Bank);
    w.f64(324, InitPos.Heading);
    w.u32(332, InitPos.OnGround);
    w.u32(336, InitPos.Airspeed);
    w.u32(340, RequestID);
    return true;
  });
}

HRESULT SimConnect_AIReleaseControl(HANDLE hSimConnect, std::uint32_t ObjectID, std::uint32_t RequestID) {
  return gf_request(hSimConnect, Size::AIReleaseControl, F::AIReleaseControl, [&](ByteWriter& w) {
    w.u32(16, ObjectID);
    w.u32(20, RequestID);
    return true;
  });
}

HRESULT SimConnect_AIRemoveObject(HANDLE hSimConnect, std::uint32_t ObjectID, std::uint32_t RequestID) {
  return gf_request(hSimConnect, Size::AIRemoveObject, F::AIRemoveObject, [&](ByteWriter& w) {
    w.u32(16, ObjectID);
    w.u32(20, RequestID);
    return true;
  });
}

HRESULT SimConnect_AISetAircraftFlightPlan(HANDLE hSimConnect, std::uint32_t ObjectID, const char* szFlightPlanPath,
                                           std::uint32_t RequestID) {
  return gf_request(hSimConnect, Size::AISetAircraftFlightPlan, F::AISetAircraftFlightPlan, [&](ByteWriter& w) {
    w.u32(16, ObjectID);
    if (!w.fixedString(20, 260, gf_textArg(szFlightPlanPath))) return false;
    w.u32(280, RequestID);
    return true;
  });
}

}  // namespace vexo
