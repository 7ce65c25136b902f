// Message cutting and reading of the simulator's byte stream: arbitrary bytes arrive in
// reads of arbitrary lengths; every message cut is read as its id says, as the dispatch
// of the simulator connection would.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "simlink/byte_io.h"
#include "simlink/message_cutter.h"
#include "simlink/recv_messages.h"
#include "simlink/simconnect_ids.h"

namespace {

void lf_read(std::span<const std::byte> message) {
  using namespace vexo;
  if (message.size() < g_simConnectRecvHeaderSize) return;
  const auto header = gf_readRecvHeader(message);
  if (!header) return;
  switch (header->id) {
    case SimConnectRecvId::EXCEPTION: (void)gf_readRecvException(message); break;
    case SimConnectRecvId::OPEN: (void)gf_readRecvOpen(message); break;
    case SimConnectRecvId::EVENT:
    case SimConnectRecvId::EVENT_FRAME: (void)gf_readRecvEvent(message); break;
    case SimConnectRecvId::EVENT_OBJECT_ADDREMOVE: (void)gf_readRecvObjectAddRemove(message); break;
    case SimConnectRecvId::SIMOBJECT_DATA:
    case SimConnectRecvId::SIMOBJECT_DATA_BYTYPE:
      if (const auto data = gf_readRecvSimObjectData(message)) {
        for (std::size_t need : {8u, 16u, 72u, 96u}) {
          if (const auto block = gf_dataBlock(*data, need)) {
            ByteReader r(*block);
            (void)r.f64(0);
            (void)r.i64(need - 8);
            (void)r.fixedString(need > 32 ? need - 32 : 0, 32);
          }
        }
        (void)ByteReader(data->data).varString(0);
      }
      break;
    default: break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vexo;
  if (size < 2) return 0;
  // The first byte picks the read length, the second the maximum message size.
  const std::size_t chunk = 1 + data[0] % 64;
  const std::uint32_t maxSize = data[1] & 1 ? 41088 : 64 + data[1] * 16u;
  data += 2;
  size -= 2;

  MessageCutter cutter(maxSize);
  std::size_t pos = 0;
  while (pos < size) {
    auto space = cutter.freeSpace();
    if (space.empty()) __builtin_trap();  // a stream that could never be read on
    const std::size_t count = std::min<std::size_t>({chunk, space.size(), size - pos});
    std::memcpy(space.data(), data + pos, count);
    cutter.commitRead(count);
    pos += count;
    for (;;) {
      const CutResult result = cutter.next();
      if (result == CutResult::message) {
        const auto message = cutter.takeMessage();
        lf_read(message);
        continue;
      }
      if (result == CutResult::skippedZeros) continue;
      if (result != CutResult::needMore) return 0;  // the link would close here
      break;
    }
  }
  return 0;
}
