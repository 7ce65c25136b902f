// How every request function stages its packet: reserve room (and a send id), write the
// header and the body in place, then commit the packet to the link at once.
#pragma once

#include <cstdint>
#include <string_view>

#include "simlink/byte_io.h"
#include "simlink/client_list.h"
#include "simlink/simconnect_client.h"

namespace vexo {

// A null text pointer is an empty field.
inline std::string_view gf_textArg(const char* text) { return text ? std::string_view(text) : std::string_view(); }

// fill(ByteWriter&) writes the body and returns false when a text did not fit its field;
// the packet is then dropped and the result is E_INSUFFICIENT_BUFFER. handed (when given)
// tells whether the link took the packet.
template <class Fill>
HRESULT gf_stageRequest(SimConnectClient& client, std::uint32_t size, std::uint32_t function, Fill&& fill,
                        bool* handed = nullptr) {
  std::span<std::byte> packet;
  switch (client.reservePacket(size, packet)) {
    case g_reserveOk: break;
    case g_reserveLinkFailed: return client.failureStatus();
    default: return E_FAIL;
  }
  ByteWriter writer(packet);
  writer.u32(0, size);
  writer.u32(4, g_simConnectProtocolVersion);
  writer.u32(8, g_simConnectPacketIdBase | function);
  if (!fill(writer)) {
    client.releasePacket(packet);
    return E_INSUFFICIENT_BUFFER;
  }
  // Whether the link took the packet does not change the result: a failed link reports
  // itself on the next request and dispatch.
  const bool taken = client.commitPacket();
  if (handed) *handed = taken;
  return S_OK;
}

template <class Fill>
HRESULT gf_request(HANDLE handle, std::uint32_t size, std::uint32_t function, Fill&& fill) {
  const auto client = gf_findClient(handle);
  if (!client) return E_FAIL;
  return gf_stageRequest(*client, size, function, fill);
}

}  // namespace vexo
