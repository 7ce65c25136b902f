#include "simstandin/messages.h"

#include "simlink/byte_io.h"
#include "simlink/recv_messages.h"
#include "simlink/simconnect_ids.h"

namespace vexo::simstandin {

namespace {
constexpr std::size_t g_openReplySize = 308;
constexpr std::size_t g_frameSize = 32;
constexpr std::size_t g_fileNameWidth = 260;
constexpr std::size_t g_assignedObjectIdSize = 20;

Bytes lf_message(std::size_t size, std::uint32_t version, std::uint32_t id) {
  Bytes bytes(size);
  ByteWriter writer(bytes);
  writer.u32(0, static_cast<std::uint32_t>(size));
  writer.u32(4, version);
  writer.u32(8, id);
  return bytes;
}
}  // namespace

Bytes gf_buildOpen(std::uint32_t version, const OpenReply& reply) {
  Bytes bytes = lf_message(g_openReplySize, version, SimConnectRecvId::OPEN);
  ByteWriter writer(bytes);
  const std::string_view name = std::string_view(reply.applicationName).substr(0, RecvLayout::openNameWidth - 1);
  writer.fixedString(RecvLayout::openNameOffset, RecvLayout::openNameWidth, name);
  writer.u32(RecvLayout::openVersionOffset, reply.versionMajor);
  writer.u32(RecvLayout::openVersionOffset + 4, reply.versionMinor);
  writer.u32(RecvLayout::openVersionOffset + 8, reply.buildMajor);
  writer.u32(RecvLayout::openVersionOffset + 12, reply.buildMinor);
  // The protocol the stand-in speaks, then two reserved words.
  writer.u32(284, 5);
  writer.u32(288, 0);
  writer.u32(292, g_simConnectProtocolVersion);
  writer.u32(296, 0);
  return bytes;
}

Bytes gf_buildException(std::uint32_t version, std::uint32_t exception, std::uint32_t sendId, std::uint32_t index) {
  Bytes bytes = lf_message(RecvLayout::exceptionSize, version, SimConnectRecvId::EXCEPTION);
  ByteWriter writer(bytes);
  writer.u32(12, exception);
  writer.u32(16, sendId);
  writer.u32(20, index);
  return bytes;
}

Bytes gf_buildQuit(std::uint32_t version) {
  return lf_message(g_simConnectRecvHeaderSize, version, SimConnectRecvId::QUIT);
}

Bytes gf_buildEvent(std::uint32_t version, std::uint32_t groupId, std::uint32_t eventId, std::uint32_t data) {
  Bytes bytes = lf_message(RecvLayout::eventSize, version, SimConnectRecvId::EVENT);
  ByteWriter writer(bytes);
  writer.u32(12, groupId);
  writer.u32(16, eventId);
  writer.u32(20, data);
  return bytes;
}

Bytes gf_buildFrame(std::uint32_t version, std::uint32_t eventId, float frameRate, float simSpeed) {
  Bytes bytes = lf_message(g_frameSize, version, SimConnectRecvId::EVENT_FRAME);
  ByteWriter writer(bytes);
  writer.u32(12, 0xFFFFFFFFu);
  writer.u32(16, eventId);
  writer.f32(24, frameRate);
  writer.f32(28, simSpeed);
  return bytes;
}

Bytes gf_buildObjectAddRemove(std::uint32_t version, std::uint32_t eventId, std::uint32_t objectId,
                              std::uint32_t objectType) {
  Bytes bytes = lf_message(RecvLayout::objectAddRemoveSize, version, SimConnectRecvId::EVENT_OBJECT_ADDREMOVE);
  ByteWriter writer(bytes);
  writer.u32(12, 0xFFFFFFFFu);
  writer.u32(16, eventId);
  writer.u32(20, objectId);
  writer.u32(24, objectType);
  return bytes;
}

Bytes gf_buildFilename(std::uint32_t version, std::uint32_t eventId, std::string_view fileName) {
  Bytes bytes = lf_message(RecvLayout::eventSize + g_fileNameWidth + 4, version, SimConnectRecvId::EVENT_FILENAME);
  ByteWriter writer(bytes);
  writer.u32(12, 0xFFFFFFFFu);
  writer.u32(16, eventId);
  writer.fixedString(RecvLayout::eventSize, g_fileNameWidth, fileName.substr(0, g_fileNameWidth - 1));
  return bytes;
}

Bytes gf_buildSimObjectData(std::uint32_t version, bool byType, std::uint32_t requestId, std::uint32_t objectId,
                            std::uint32_t defineId, std::uint32_t entry, std::uint32_t outOf,
                            std::span<const std::byte> data, std::uint32_t flags, std::uint32_t defineCount) {
  Bytes bytes = lf_message(RecvLayout::simObjectDataOffset + data.size(), version,
                           byType ? SimConnectRecvId::SIMOBJECT_DATA_BYTYPE : SimConnectRecvId::SIMOBJECT_DATA);
  ByteWriter writer(bytes);
  writer.u32(12, requestId);
  writer.u32(16, objectId);
  writer.u32(20, defineId);
  writer.u32(24, flags);
  writer.u32(28, entry);
  writer.u32(32, outOf);
  writer.u32(36, defineCount);
  writer.bytes(RecvLayout::simObjectDataOffset, data);
  return bytes;
}

Bytes gf_buildAssignedObjectId(std::uint32_t version, std::uint32_t requestId, std::uint32_t objectId) {
  Bytes bytes = lf_message(g_assignedObjectIdSize, version, SimConnectRecvId::ASSIGNED_OBJECT_ID);
  ByteWriter writer(bytes);
  writer.u32(12, requestId);
  writer.u32(16, objectId);
  return bytes;
}

Bytes gf_buildRaw(std::uint32_t sizeField, std::uint32_t version, std::uint32_t id, std::span<const std::byte> body) {
  Bytes bytes = lf_message(g_simConnectRecvHeaderSize + body.size(), version, id);
  ByteWriter writer(bytes);
  writer.u32(0, sizeField);
  writer.bytes(g_simConnectRecvHeaderSize, body);
  return bytes;
}

}  // namespace vexo::simstandin
