#include "simlink/sim_actions.h"

#include "simlink/byte_io.h"

namespace vexo {

std::array<std::byte, 64> AiPositionAction::block() const {
  std::array<std::byte, 64> bytes{};
  ByteWriter w(bytes);
  const double values[] = {latitude, longitude, pitch, bank, heading, altitude, verticalSpeed, trueAirspeed};
  for (std::size_t i = 0; i < 8; ++i) w.f64(i * 8, values[i]);
  return bytes;
}

UserAcData UserAcData::fromBlock(std::span<const std::byte> block) {
  ByteReader r(block);
  UserAcData d;
  d.latitude = r.f64(0);
  d.longitude = r.f64(8);
  d.pitch = r.f64(16);
  d.bank = r.f64(24);
  d.heading = r.f64(32);
  d.altitude = r.f64(40);
  d.altAboveGround = r.f64(48);
  d.groundSpeed = r.f64(56);
  d.zuluTime = r.i64(64);
  d.zuluDayOfYear = r.i64(72);
  d.zuluYear = r.i64(80);
  d.lightStates = r.i64(88);
  return d;
}

}  // namespace vexo
