// Helipads and parking lists of an airport record.
#include <cmath>
#include <numbers>

#include <fmt/format.h>

#include "airports/bgl_convert.h"
#include "airports/bgl_decode_state.h"
#include "airports/bgl_format.h"

namespace vexo {

namespace {
constexpr double kDegToRad = 0.017453292519943295;

std::string lf_positionText(double latitude, double longitude) {
  return fmt::format("{:.6f},{:.6f}", latitude, longitude);
}
}  // namespace

void lf_logCutShort(const BglDecodeInput& in, std::string_view what, std::size_t offset) {
  in.hooks.appendScanLog(fmt::format("{}Warning: {} at offset {} runs past its record or the end of {}, rest skipped",
                                     "===> ", what, offset, in.words.pathText()));
}

bool lf_decodeHelipad(const BglDecodeInput& in, BglAirportDecode& state, std::size_t record) {
  const BglWords& words = in.words;
  const std::size_t offset = 4 * record;
  if (words.u32(offset + 2) < bgl::helipadSize || !words.has(offset, bgl::helipadSize)) {
    lf_logCutShort(in, "helipad", offset);
    return false;
  }
  const double latitude = gf_bglLatitude(words.u32(offset + bgl::helipadLatitudeField));
  const double longitude = gf_bglLongitude(words.u32(offset + bgl::helipadLongitudeField));
  const float width = words.f32(offset + bgl::helipadWidthField);
  const float heading = words.f32(offset + bgl::helipadHeadingField);
  if (!gf_bglPositionUsable(latitude, longitude)) {
    in.hooks.appendScanLog("lat/lon helipad incorrect (skipped): " + lf_positionText(latitude, longitude));
    return true;
  }
  for (const LatLon& taken : state.helipads) {
    if (std::fabs(taken.lat - latitude) < 1e-08 && std::fabs(taken.lon - longitude) < 1e-08) {
      in.hooks.appendScanLog("double helipad " + state.airport.name + " (skipped) " +
                             lf_positionText(latitude, longitude));
      return true;
    }
  }
  if (!std::isfinite(width) || !std::isfinite(heading)) {
    in.hooks.appendScanLog(fmt::format("Skipped helipad with width {:.1F} m and heading {:.1F} in {}", width, heading,
                                       in.words.pathText()));
    return true;
  }
  state.helipads.push_back(LatLon{latitude, longitude});
  BglStand stand;
  stand.number = static_cast<std::uint16_t>(state.helipadCounter++);
  stand.latitude = latitude;
  stand.longitude = longitude;
  stand.heading = heading == 0.0F ? 0.0 : heading * kDegToRad;
  stand.radius = width * 0.5;
  stand.heli = true;
  state.airport.stands.push_back(std::move(stand));
  return true;
}

void lf_decodeParking(const BglDecodeInput& in, BglAirportDecode& state, std::size_t record, bool isNew) {
  const BglWords& words = in.words;
  const std::size_t start = 4 * record;
  const std::size_t listSize = words.u32(start + 2);
  if (listSize < bgl::parkingFirstEntry || !words.has(start, bgl::parkingFirstEntry)) {
    lf_logCutShort(in, "parking list", start);
    return;
  }
  // Entries must lie inside the list and inside the data, whatever the count says.
  const std::size_t end = words.has(start, listSize) ? start + listSize : words.byteCount();
  const std::size_t entrySize = isNew ? bgl::parkingNewEntrySize : bgl::parkingEntrySize;
  const std::uint32_t count = words.u16(start + bgl::parkingCountField);
  const std::string& pathText = words.pathText();
  std::size_t offset = start + bgl::parkingFirstEntry;
  const std::size_t fitting = std::min<std::size_t>(count, (end - offset) / entrySize);
  state.airport.stands.reserve(state.airport.stands.size() + fitting);
  state.usedIds = StandIdSet(fitting);
  const std::byte* data = words.data();
  for (std::uint32_t k = 0; k < count; ++k) {
    // The one bounds check of the entry: its fields are read from the data directly.
    if (offset > end || entrySize > end - offset) {
      lf_logCutShort(in, "parking entry", offset);
      return;
    }
    const std::byte* entry = data + offset;
    const std::uint32_t packed = gf_bglLoadU32(entry);
    offset += entrySize + bgl::airlineCodeSize * (packed >> 24);

    const float radius = gf_bglLoadF32(entry + bgl::parkingRadiusField);
    if (!(radius > 1.0F && radius < 200.0F)) {  // also refuses NaN
      in.hooks.appendScanLog(fmt::format("Skipped position with radius {:.1F} m in {}", radius, pathText));
      continue;
    }
    const std::uint32_t nameCode = packed & 0x3FU;
    const std::uint32_t number = (packed >> 12) & 0xFFFU;
    const auto type = static_cast<std::uint16_t>((packed >> 8) & 0xFU);
    if (type == 0 || type == 12 || type == 13) continue;
    const double latitude = gf_bglLatitude(gf_bglLoadU32(entry + bgl::parkingLatitudeField));
    const double longitude = gf_bglLongitude(gf_bglLoadU32(entry + bgl::parkingLongitudeField));
    if (!gf_bglPositionUsable(latitude, longitude)) {
      in.hooks.appendScanLog(fmt::format("LatLon {} invalid (skipped)", lf_positionText(latitude, longitude)));
      continue;
    }
    const float heading = gf_bglLoadF32(entry + bgl::parkingHeadingField);
    if (!std::isfinite(heading)) {
      in.hooks.appendScanLog(fmt::format("Skipped position {} with heading {:.1F} in {}",
                                         gf_bglStandId(nameCode, number), heading, pathText));
      continue;
    }
    const int repeat = lf_uniqueStandId(state.usedIds, nameCode, number);
    if (repeat < 0) {
      in.hooks.appendScanLog(fmt::format("{}Warning: more than 10 duplicate IDs {} in {}", "===> ",
                                         gf_bglStandId(nameCode, number), pathText));
      continue;
    }
    BglStand& stand = state.airport.stands.emplace_back();
    stand.latitude = latitude;
    stand.longitude = longitude;
    stand.heading = heading == 0.0F ? 2.0 * std::numbers::pi : heading * kDegToRad;
    stand.radius = radius;
    stand.type = type;
    stand.number = static_cast<std::uint16_t>(number);
    stand.nameCode = static_cast<std::uint8_t>(nameCode);
    stand.repeat = static_cast<std::uint8_t>(repeat);
  }
}

}  // namespace vexo
