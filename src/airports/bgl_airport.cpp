// One airport record: the archived-file question, altitude and name, then its own
// sub-records up to the parking list.
#include <optional>

#include <fmt/format.h>

#include "airports/bgl_convert.h"
#include "airports/bgl_decode_state.h"
#include "airports/bgl_format.h"
#include "foundation/charset.h"
#include "foundation/log.h"

namespace vexo {

namespace {

void lf_warnSizeZero(std::size_t record) {
  gf_logWarning(fmt::format("   Warning: decodeSizeAtBoundary returned 0 at o3 = {}", record));
}

// One name sub-record: its bytes after the header, at most 45, trailing zero bytes removed;
// nothing when the record holds none.
std::optional<std::string> lf_decodeAirportNAME(const BglWords& words, std::size_t record) {
  try {
    const std::size_t offset = 4 * record + bgl::recordHeaderSize;
    const long count = static_cast<long>(words.u32(4 * record + 2) & 0xFFFFU) - static_cast<long>(bgl::recordHeaderSize);
    if (count <= 0) return std::nullopt;
    std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(count), bgl::nameMaxBytes);
    const std::size_t available = words.byteCount() > offset ? words.byteCount() - offset : 0;
    if (length > available) {
      length = available;
      gf_logFlush(fmt::format("! name blocks truncated at o3={}, available={}", record, words.wordCount() - record));
    }
    std::string name = words.text(offset, length);
    while (!name.empty() && name.back() == '\0') name.pop_back();
    // The name goes into the airport files, which other readers refuse whole for one byte
    // that is no UTF-8 or one character XML 1.0 cannot hold. Scenery of any age and maker:
    // what is no UTF-8 is read as ANSI, as the program reads any text of unknown encoding.
    if (!gf_isUtf8Sample(name, false)) name = gf_ansi2utf8(name);
    gf_dropNonXmlChars(name);
    return name;
  } catch (...) {
    gf_logFlush(std::string("lf_decodeAirportNAME") + " EXCEPTION");
    return std::nullopt;
  }
}

// Altitude and name. The name walk runs to the end of the data, past the airport record:
// the first name found is taken, a different later one empties it again.
void lf_decodeAirportHeader(const BglDecodeInput& in, BglAirport& airport, std::size_t record, std::size_t first) {
  const BglWords& words = in.words;
  airport.altitude = gf_bglAltitudeFeet(words.i32(4 * record + bgl::airportAltitudeField));
  int steps = 0;
  for (std::size_t sub = first; sub < words.wordCount();) {
    if (++steps > bgl::walkCap) {
      gf_logWarning(std::string("Error: Maximum loop iterations reached (3) ") + '\x97' +
                    " possible corrupt Airport Basic data or malformed input.");
      return;
    }
    if (!words.has(4 * sub, bgl::recordHeaderSize)) {
      lf_logCutShort(in, "record", 4 * sub);
      return;
    }
    const std::size_t step = words.u32(4 * sub + 2) / 4;
    if (step == 0) {
      lf_warnSizeZero(sub);
      return;
    }
    if (words.u16(4 * sub) == gf_bglId(BglRecordKind::name)) {
      if (const auto name = lf_decodeAirportNAME(words, sub)) {
        if (airport.name.empty()) {
          airport.name = *name;
        } else if (airport.name != *name) {
          airport.name.clear();
        }
      }
    }
    sub += step;
  }
}

}  // namespace

void lf_decodeAirport(const BglDecodeInput& in, std::size_t record, bool isNew, std::size_t sizeWords,
                      const IcaoCode& icao) {
  const BglWords& words = in.words;
  BglAirportDecode state;
  BglAirport& airport = state.airport;
  airport.icao = icao;
  int archivedStands = 0;
  if (in.hooks.linkArchivedAirport(airport, archivedStands, in.path)) return;

  const std::size_t first = record + (isNew ? bgl::airportNewFirstSubRecord : bgl::airportFirstSubRecord) / 4;
  lf_decodeAirportHeader(in, airport, record, first);

  const std::uint16_t parkingId = gf_bglId(isNew ? BglRecordKind::parkingNew : BglRecordKind::parking);
  const std::size_t end = record + sizeWords;
  int steps = 0;
  for (std::size_t sub = first; sub < end;) {
    if (++steps > bgl::walkCap) {
      gf_logWarning(std::string("Error: Maximum loop iterations reached (1) ") + '\x97' +
                    " possible corrupt SIA or malformed input");
      break;
    }
    if (sub >= words.wordCount()) {
      gf_logFlush(fmt::format("   Error: o3={} exceeded data buffer size ({}), aborting.", sub, words.wordCount()));
      break;
    }
    if (!words.has(4 * sub, bgl::recordHeaderSize)) {
      lf_logCutShort(in, "record", 4 * sub);
      break;
    }
    const std::uint16_t id = words.u16(4 * sub);
    const std::size_t step = words.u32(4 * sub + 2) / 4;
    if (id == parkingId) {
      lf_decodeParking(in, state, sub, isNew);
      break;  // one parking list per airport
    }
    if (step == 0) {
      if (id == gf_bglId(BglRecordKind::name) || id == gf_bglId(BglRecordKind::helipad)) {
        lf_warnSizeZero(sub);
      } else {
        gf_logFlush(fmt::format("   Warning: decodeSizeAtBoundary returned 0 at o3 = {}", sub));
      }
      break;
    }
    if (id != gf_bglId(BglRecordKind::helipad)) {
      sub += step;
      continue;
    }
    if (!lf_decodeHelipad(in, state, sub)) break;
    // The record right after a helipad is only looked at as a parking list; anything else
    // there (a second helipad too) is stepped over undecoded.
    sub += step;
    if (!words.has(4 * sub, bgl::recordHeaderSize)) {
      lf_logCutShort(in, "record after a helipad", 4 * sub);
      break;
    }
    if (words.u16(4 * sub) == parkingId) {
      lf_decodeParking(in, state, sub, isNew);
      break;
    }
    sub += words.u32(4 * sub + 2) / 4;
  }

  if (static_cast<long>(airport.stands.size()) > archivedStands && airport.publisher != "simaddon") {
    in.hooks.appendScanLog(fmt::format("{} has {} parkpos while archived one has {}", airport.icao,
                                       airport.stands.size(), archivedStands));
  }
  in.hooks.generateAirportFile(airport, state.helipadCounter - 1);
}

}  // namespace vexo
