// Bounds-checked readers of the messages the simulator sends. A message shorter than its
// id needs is refused (nullopt) and logged once per call, never read at a fixed offset
// past its end; every text is read within its field or within the message.
//
// Layout (offsets from the start of the message, u32 unless noted):
//   all:                    0 size, 4 version, 8 id
//   EXCEPTION (1):          12 dwException, 16 dwSendID, 20 dwIndex
//   OPEN (2):               12 szApplicationName char[256], 268 version major, 272 minor,
//                           276 build major, 280 build minor
//   EVENT (4), FRAME (7):   12 group id, 16 uEventID, 20 dwData
//   OBJECT_ADDREMOVE (5):   as EVENT, 24 eObjType
//   SIMOBJECT_DATA (8, 9):  12 dwRequestID, 16 dwObjectID, 20 dwDefineID, 40 data block
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vexo {

namespace RecvLayout {
inline constexpr std::size_t exceptionSize = 24;
inline constexpr std::size_t openNameOffset = 12;
inline constexpr std::size_t openNameWidth = 256;
inline constexpr std::size_t openVersionOffset = 268;
inline constexpr std::size_t openMinSize = 284;
inline constexpr std::size_t eventSize = 24;
inline constexpr std::size_t objectAddRemoveSize = 28;
inline constexpr std::size_t simObjectDataOffset = 40;
}  // namespace RecvLayout

struct RecvHeader {
  std::uint32_t size = 0;
  std::uint32_t version = 0;
  std::uint32_t id = 0;
};

struct RecvException {
  std::uint32_t exception = 0;
  std::uint32_t sendId = 0;
  std::uint32_t index = 0;
};

struct RecvOpen {
  std::string applicationName;
  std::uint32_t versionMajor = 0;
  std::uint32_t versionMinor = 0;
  std::uint32_t buildMajor = 0;
  std::uint32_t buildMinor = 0;
};

struct RecvEvent {
  std::uint32_t groupId = 0;
  std::uint32_t eventId = 0;
  std::uint32_t data = 0;
};

struct RecvObjectAddRemove {
  std::uint32_t eventId = 0;
  std::uint32_t objectId = 0;  // dwData
  std::uint32_t objectType = 0;
};

// SIMOBJECT_DATA and SIMOBJECT_DATA_BYTYPE. data views the message (valid while the
// message is): everything from byte 40 to its end.
struct RecvSimObjectData {
  std::uint32_t requestId = 0;
  std::uint32_t objectId = 0;
  std::uint32_t defineId = 0;
  std::span<const std::byte> data;
};

// The smallest size a message of this id must have to be read at all.
std::size_t gf_recvMinSize(std::uint32_t id);

// The header of a message that is at least as long as its id needs; nullopt (logged)
// for a shorter one.
std::optional<RecvHeader> gf_readRecvHeader(std::span<const std::byte> message);

std::optional<RecvException> gf_readRecvException(std::span<const std::byte> message);
std::optional<RecvOpen> gf_readRecvOpen(std::span<const std::byte> message);
std::optional<RecvEvent> gf_readRecvEvent(std::span<const std::byte> message);
std::optional<RecvObjectAddRemove> gf_readRecvObjectAddRemove(std::span<const std::byte> message);
std::optional<RecvSimObjectData> gf_readRecvSimObjectData(std::span<const std::byte> message);

// The data block of a data message when it holds at least minBytes (the size of the
// request's data definition); nullopt, logged with the request id, when it is shorter.
std::optional<std::span<const std::byte>> gf_dataBlock(const RecvSimObjectData& data, std::size_t minBytes);

}  // namespace vexo
