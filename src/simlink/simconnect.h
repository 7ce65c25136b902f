// The program's own SimConnect client: the SimConnect functions the simulator connection
// uses, under their public names and argument lists. Every function returns an HRESULT
// and never throws; the rest of the program reports by exceptions.
//
// Calls on one handle must not overlap: the caller serialises them (one thread, or a
// mutex around every call). Received messages are queued by the link's I/O thread and
// handed to the dispatch callback only inside SimConnect_CallDispatch, on the caller's
// thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "simlink/simconnect_ids.h"

namespace vexo {

namespace platform {
class NotifyEvent;
}

using HRESULT = std::int32_t;
// The connection handle: the address of one client, null while none is open.
using HANDLE = void*;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
// A string argument did not fit its fixed-width field; nothing was sent.
inline constexpr HRESULT E_INSUFFICIENT_BUFFER = static_cast<HRESULT>(0x8007007Au);

inline bool gf_succeeded(HRESULT hr) { return hr >= 0; }

// Where a created AI aircraft starts. Angles in degrees, altitude in feet, airspeed in knots.
struct SimConnectInitPosition {
  double Latitude = 0;
  double Longitude = 0;
  double Altitude = 0;
  double Pitch = 0;
  double Bank = 0;
  double Heading = 0;
  std::uint32_t OnGround = 0;
  std::uint32_t Airspeed = 0;
};

// The dispatch callback: one whole received message (it begins with the 12-byte header
// size, version, id) and its size in bytes. The pointer is valid only during the call.
// Read its fields through simlink/recv_messages.h, which checks every size.
using SimConnectDispatchProc = void (*)(const std::byte* pData, std::uint32_t cbData, void* pContext);

// Connects (SimConnect.cfg, named pipe or TCP) and sends the Open request. hWnd and
// UserEventWin32: when both are set, every received message posts UserEventWin32 to the
// main window; hEventHandle, when set, is signalled for every received message and when
// the link fails. ConfigIndex 0 reads section "SimConnect" of SimConnect.cfg, n reads
// "SimConnect.n" (E_INVALIDARG when no file has it), 0xFFFFFFFF reads no file.
// On failure *phSimConnect stays null.
HRESULT SimConnect_Open(HANDLE* phSimConnect, const char* szName, void* hWnd, std::uint32_t UserEventWin32,
                        platform::NotifyEvent* hEventHandle, std::uint32_t ConfigIndex);

// Sends what is still staged and destroys the client; the handle is gone afterwards.
HRESULT SimConnect_Close(HANDLE hSimConnect);

// Delivers every message received so far, oldest first, on the calling thread. E_FAIL
// without a callback; after the link failed, the failure status once the queue is empty
// (E_ABORT or E_OUTOFMEMORY for a bad received stream, else the NT status of the failed
// read or write). An exception thrown by the callback passes through to the caller.
HRESULT SimConnect_CallDispatch(HANDLE hSimConnect, SimConnectDispatchProc pfnDispatch, void* pContext);

// The send id of the request made last on this handle (ties a later exception to it).
HRESULT SimConnect_GetLastSentPacketID(HANDLE hSimConnect, std::uint32_t* pdwSendID);

HRESULT SimConnect_MapClientEventToSimEvent(HANDLE hSimConnect, std::uint32_t EventID, const char* EventName);
HRESULT SimConnect_TransmitClientEvent(HANDLE hSimConnect, std::uint32_t ObjectID, std::uint32_t EventID,
                                       std::uint32_t dwData, std::uint32_t GroupID, std::uint32_t Flags);
HRESULT SimConnect_AddClientEventToNotificationGroup(HANDLE hSimConnect, std::uint32_t GroupID,
                                                     std::uint32_t EventID, bool bMaskable = false);
HRESULT SimConnect_SetNotificationGroupPriority(HANDLE hSimConnect, std::uint32_t GroupID, std::uint32_t uPriority);
HRESULT SimConnect_AddToDataDefinition(HANDLE hSimConnect, std::uint32_t DefineID, const char* DatumName,
                                       const char* UnitsName,
                                       std::uint32_t DatumType = SimConnectDataType::FLOAT64, float fEpsilon = 0,
                                       std::uint32_t DatumID = 0xFFFFFFFFu);
HRESULT SimConnect_RequestDataOnSimObject(HANDLE hSimConnect, std::uint32_t RequestID, std::uint32_t DefineID,
                                          std::uint32_t ObjectID, std::uint32_t Period, std::uint32_t Flags = 0,
                                          std::uint32_t origin = 0, std::uint32_t interval = 0,
                                          std::uint32_t limit = 0);
HRESULT SimConnect_RequestDataOnSimObjectType(HANDLE hSimConnect, std::uint32_t RequestID, std::uint32_t DefineID,
                                              std::uint32_t dwRadiusMeters, std::uint32_t type);
// Sends ArrayCount elements of cbUnitSize bytes (one when ArrayCount is 0). A byte count
// that overflows or cannot fit one request gives E_INVALIDARG and sends nothing.
HRESULT SimConnect_SetDataOnSimObject(HANDLE hSimConnect, std::uint32_t DefineID, std::uint32_t ObjectID,
                                      std::uint32_t Flags, std::uint32_t ArrayCount, std::uint32_t cbUnitSize,
                                      const void* pDataSet);
HRESULT SimConnect_SubscribeToSystemEvent(HANDLE hSimConnect, std::uint32_t EventID, const char* SystemEventName);
HRESULT SimConnect_AICreateNonATCAircraft(HANDLE hSimConnect, const char* szContainerTitle, const char* szTailNumber,
                                          const SimConnectInitPosition& InitPos, std::uint32_t RequestID);
HRESULT SimConnect_AIReleaseControl(HANDLE hSimConnect, std::uint32_t ObjectID, std::uint32_t RequestID);
HRESULT SimConnect_AIRemoveObject(HANDLE hSimConnect, std::uint32_t ObjectID, std::uint32_t RequestID);
HRESULT SimConnect_AISetAircraftFlightPlan(HANDLE hSimConnect, std::uint32_t ObjectID, const char* szFlightPlanPath,
                                           std::uint32_t RequestID);

}  // namespace vexo
