#include "simlink/recv_messages.h"

#include <fmt/format.h>

#include "foundation/log.h"
#include "simlink/byte_io.h"
#include "simlink/simconnect_ids.h"

namespace vexo {

namespace {
// Reads the header and checks the size for the id the caller expects; logs a refusal.
std::optional<ByteReader> lf_open(std::span<const std::byte> message, std::uint32_t expectedId) {
  const auto header = gf_readRecvHeader(message);
  if (!header) return std::nullopt;
  if (header->id != expectedId) {
    gf_logWarning(fmt::format("SimConnect message id {} read as id {}", header->id, expectedId));
    return std::nullopt;
  }
  return ByteReader(message);
}
}  // namespace

std::size_t gf_recvMinSize(std::uint32_t id) {
  switch (id) {
    case SimConnectRecvId::EXCEPTION: return RecvLayout::exceptionSize;
    case SimConnectRecvId::OPEN: return RecvLayout::openMinSize;
    case SimConnectRecvId::EVENT: return RecvLayout::eventSize;
    case SimConnectRecvId::EVENT_FRAME: return RecvLayout::eventSize;
    case SimConnectRecvId::EVENT_OBJECT_ADDREMOVE: return RecvLayout::objectAddRemoveSize;
    case SimConnectRecvId::SIMOBJECT_DATA:
    case SimConnectRecvId::SIMOBJECT_DATA_BYTYPE: return RecvLayout::simObjectDataOffset;
    default: return g_simConnectRecvHeaderSize;
  }
}

std::optional<RecvHeader> gf_readRecvHeader(std::span<const std::byte> message) {
  ByteReader reader(message);
  if (!reader.has(0, g_simConnectRecvHeaderSize)) {
    gf_logWarning(fmt::format("SimConnect message of {} bytes dropped: shorter than its header", message.size()));
    return std::nullopt;
  }
  RecvHeader header{reader.u32(0), reader.u32(4), reader.u32(8)};
  const std::size_t need = gf_recvMinSize(header.id);
  if (message.size() < need) {
    gf_logWarning(fmt::format("SimConnect message id {} of {} bytes dropped: needs {}", header.id, message.size(),
                              need));
    return std::nullopt;
  }
  return header;
}

std::optional<RecvException> gf_readRecvException(std::span<const std::byte> message) {
  auto reader = lf_open(message, SimConnectRecvId::EXCEPTION);
  if (!reader) return std::nullopt;
  return RecvException{reader->u32(12), reader->u32(16), reader->u32(20)};
}

std::optional<RecvOpen> gf_readRecvOpen(std::span<const std::byte> message) {
  auto reader = lf_open(message, SimConnectRecvId::OPEN);
  if (!reader) return std::nullopt;
  RecvOpen open;
  open.applicationName = reader->fixedString(RecvLayout::openNameOffset, RecvLayout::openNameWidth);
  open.versionMajor = reader->u32(RecvLayout::openVersionOffset);
  open.versionMinor = reader->u32(RecvLayout::openVersionOffset + 4);
  open.buildMajor = reader->u32(RecvLayout::openVersionOffset + 8);
  open.buildMinor = reader->u32(RecvLayout::openVersionOffset + 12);
  return open;
}

std::optional<RecvEvent> gf_readRecvEvent(std::span<const std::byte> message) {
  const auto header = gf_readRecvHeader(message);
  if (!header) return std::nullopt;
  if (header->id != SimConnectRecvId::EVENT && header->id != SimConnectRecvId::EVENT_FRAME &&
      header->id != SimConnectRecvId::EVENT_OBJECT_ADDREMOVE) {
    gf_logWarning(fmt::format("SimConnect message id {} read as an event", header->id));
    return std::nullopt;
  }
  ByteReader reader(message);
  return RecvEvent{reader.u32(12), reader.u32(16), reader.u32(20)};
}

std::optional<RecvObjectAddRemove> gf_readRecvObjectAddRemove(std::span<const std::byte> message) {
  auto reader = lf_open(message, SimConnectRecvId::EVENT_OBJECT_ADDREMOVE);
  if (!reader) return std::nullopt;
  return RecvObjectAddRemove{reader->u32(16), reader->u32(20), reader->u32(24)};
}

std::optional<RecvSimObjectData> gf_readRecvSimObjectData(std::span<const std::byte> message) {
  const auto header = gf_readRecvHeader(message);
  if (!header) return std::nullopt;
  if (header->id != SimConnectRecvId::SIMOBJECT_DATA && header->id != SimConnectRecvId::SIMOBJECT_DATA_BYTYPE) {
    gf_logWarning(fmt::format("SimConnect message id {} read as object data", header->id));
    return std::nullopt;
  }
  ByteReader reader(message);
  return RecvSimObjectData{reader.u32(12), reader.u32(16), reader.u32(20),
                           reader.rest(RecvLayout::simObjectDataOffset)};
}

std::optional<std::span<const std::byte>> gf_dataBlock(const RecvSimObjectData& data, std::size_t minBytes) {
  if (data.data.size() < minBytes) {
    gf_logWarning(fmt::format("SimConnect data for request {} dropped: {} bytes, definition needs {}",
                              data.requestId, data.data.size(), minBytes));
    return std::nullopt;
  }
  return data.data;
}

}  // namespace vexo
