// Open, Close, CallDispatch and GetLastSentPacketID: the calls that make, use and end a
// client rather than send a request.
#include "simlink/simconnect.h"

#include "simlink/client_list.h"
#include "simlink/open_chain.h"
#include "simlink/request_packet.h"

namespace vexo {

namespace {
constexpr std::uint32_t g_openMagic = 0x50334400u;  // bytes 00 44 33 50

HRESULT lf_stageOpen(SimConnectClient& client, const char* szName, bool& handed) {
  return gf_stageRequest(client, SimConnectPacketSize::Open, SimConnectFunction::Open, [&](ByteWriter& w) {
    if (!w.fixedString(16, 256, gf_textArg(szName))) return false;
    w.u32(272, 0);
    w.u32(276, g_openMagic);
    w.u32(280, 5);
    w.u32(284, 3);
    w.u32(288, 0);
    w.u32(292, 0);
    return true;
  }, &handed);
}
}  // namespace

HRESULT SimConnect_Open(HANDLE* phSimConnect, const char* szName, void* hWnd, std::uint32_t UserEventWin32,
                        platform::NotifyEvent* hEventHandle, std::uint32_t ConfigIndex) {
  if (!phSimConnect || !szName) return E_INVALIDARG;
  *phSimConnect = nullptr;
  try {
    return gf_openSimConnect(phSimConnect, szName, hWnd, UserEventWin32, hEventHandle, ConfigIndex,
                             gf_simConnectEnvironment());
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT gf_openSimConnect(HANDLE* phSimConnect, const char* szName, void* hWnd, std::uint32_t UserEventWin32,
                          platform::NotifyEvent* hEventHandle, std::uint32_t ConfigIndex,
                          const SimConnectEnvironment& environment) {
  if (!phSimConnect || !szName) return E_INVALIDARG;
  *phSimConnect = nullptr;
  try {
    std::shared_ptr<SimConnectClient> client;
    const int opened = lf_openSimConnectClient(client, ConfigIndex, environment);
    if (opened == 3) return E_INVALIDARG;
    if (opened != 0 || !client) return E_FAIL;
    client->setNotification(hWnd, UserEventWin32, hEventHandle);
    const HANDLE handle = gf_addClient(client);

    // The Open packet goes out at once; a link that does not take it is no link.
    bool handed = false;
    HRESULT result = lf_stageOpen(*client, szName, handed);
    if (result == S_OK && !handed) result = E_FAIL;
    if (result != S_OK) {
      gf_destroyClient(std::move(client));
      return result;
    }
    *phSimConnect = handle;
    return S_OK;
  } catch (...) {
    // Only an allocation can throw here; the API reports, it never throws.
    return E_FAIL;
  }
}

HRESULT SimConnect_Close(HANDLE hSimConnect) {
  auto client = gf_findClient(hSimConnect);
  if (!client) return E_FAIL;
  client->commitPacket();  // what is still staged goes out before the link closes
  gf_destroyClient(std::move(client));
  return S_OK;
}

HRESULT SimConnect_CallDispatch(HANDLE hSimConnect, SimConnectDispatchProc pfnDispatch, void* pContext) {
  const auto client = gf_findClient(hSimConnect);
  if (!client) return E_FAIL;
  return client->dispatch(pfnDispatch, pContext);
}

HRESULT SimConnect_GetLastSentPacketID(HANDLE hSimConnect, std::uint32_t* pdwSendID) {
  if (!pdwSendID) return E_FAIL;
  const auto client = gf_findClient(hSimConnect);
  if (!client) return E_FAIL;
  *pdwSendID = client->lastSendId();
  return S_OK;
}

}  // namespace vexo
