// The traffic record reader (and the QNH reader) against arbitrary datagrams.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "realtraffic/qnh_receiver.h"
#include "realtraffic/record_fields.h"
#include "realtraffic/traffic_receiver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace vexo;
  static const auto receiver = [] {
    auto r = std::make_unique<TrafficReceiver>();
    r->setRefPosition({33.9425, -118.408});
    r->setParkAirport(ParkAirportRef{{33.9425, -118.408}, 125.0});
    r->setParkAirportElevation(125.0);
    r->collectCallsigns.store(true);
    return r;
  }();
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(bytes + 1), size - 1);
  if (bytes[0] == 'Q') {
    (void)gf_readQnh(text);
    return 0;
  }
  receiver->loadDatagram(text);
  RecordContext context = receiver->currentContext();
  context.rangeNm = 1e9;  // let positions anywhere reach the later fields
  context.airborneOnly = (bytes[0] & 1) != 0;
  if (receiver->datagram().find(" VEH") == std::string_view::npos) {
    gf_splitRecord(receiver->datagram(), receiver->fields);
    (void)receiver->processLineSub(context);
  }
  if (receiver->callsigns().size() > 10000) receiver->clearCallsigns();
  return 0;
}
