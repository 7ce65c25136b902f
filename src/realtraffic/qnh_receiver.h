// The QNH Reader's receiver: the local QNH as a small JSON object per datagram.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string_view>

#include "realtraffic/udp_receiver.h"

namespace vexo {

// The QNH in hPa that a QNH datagram carries, clamped to 900..1100 (a value above 1100
// is taken as hundredths of an inch of mercury). None, with the reason logged, when the
// datagram holds no usable QNH (through log; the one-argument form logs through a log of
// its own).
std::optional<std::int32_t> gf_readQnh(std::string_view datagram, LimitedLog& log);
std::optional<std::int32_t> gf_readQnh(std::string_view datagram);

class QnhReceiver : public UdpReceiver {
public:
  // Reader thread: reads the QNH and publishes a new value (g_qnh, the main window).
  void onReceive() override;
  // Logs "QNH Reader has stopped".
  void onStop() override;

  // The value last published: 0 at program start, 1013 after a reset. Any thread.
  std::atomic<std::int32_t> lastQnh{0};
};

extern QnhReceiver g_qnhReceiver;

}  // namespace vexo
