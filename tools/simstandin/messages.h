// The messages the simulator stand-in sends, built byte for byte in the layout that the
// client's readers (simlink/recv_messages.h) expect. Each begins with size, version, id.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "simlink/recv_messages.h"

namespace vexo::simstandin {

using Bytes = std::vector<std::byte>;

// The OPEN reply: 308 bytes; the simulator's name and its four version numbers, the very
// fields the client reads from it.
using OpenReply = RecvOpen;

Bytes gf_buildOpen(std::uint32_t version, const OpenReply& reply);
Bytes gf_buildException(std::uint32_t version, std::uint32_t exception, std::uint32_t sendId, std::uint32_t index);
Bytes gf_buildQuit(std::uint32_t version);
// EVENT (4): group, event id and data.
Bytes gf_buildEvent(std::uint32_t version, std::uint32_t groupId, std::uint32_t eventId, std::uint32_t data);
// EVENT_FRAME (7): as EVENT with the frame rate and the simulation speed behind.
Bytes gf_buildFrame(std::uint32_t version, std::uint32_t eventId, float frameRate, float simSpeed);
Bytes gf_buildObjectAddRemove(std::uint32_t version, std::uint32_t eventId, std::uint32_t objectId,
                              std::uint32_t objectType);
// EVENT_FILENAME (6): as EVENT with a 260-byte file name and flags.
Bytes gf_buildFilename(std::uint32_t version, std::uint32_t eventId, std::string_view fileName);
// SIMOBJECT_DATA (8) or, with byType, SIMOBJECT_DATA_BYTYPE (9): the request's flags at
// 24, entry counts at 28 and 32, the number of data in the block at 36.
Bytes gf_buildSimObjectData(std::uint32_t version, bool byType, std::uint32_t requestId, std::uint32_t objectId,
                            std::uint32_t defineId, std::uint32_t entry, std::uint32_t outOf,
                            std::span<const std::byte> data, std::uint32_t flags = 0, std::uint32_t defineCount = 1);
// ASSIGNED_OBJECT_ID (12): the request id of a creation and the object id it got.
Bytes gf_buildAssignedObjectId(std::uint32_t version, std::uint32_t requestId, std::uint32_t objectId);
// Any message: the header with the given size field over body (for fault tests the size
// field need not match).
Bytes gf_buildRaw(std::uint32_t sizeField, std::uint32_t version, std::uint32_t id, std::span<const std::byte> body);

}  // namespace vexo::simstandin
