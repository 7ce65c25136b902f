// Inside the scenery reader: the state of one airport while it is decoded, and the
// sub-record decoders that share it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "airports/bgl_convert.h"
#include "airports/bgl_reader.h"
#include "foundation/geodesy.h"

namespace vexo {

struct BglAirportDecode {
  BglAirport airport;
  StandIdSet usedIds;  // parking ids taken (helipads do not count)
  std::vector<LatLon> helipads;             // helipad positions taken
  int helipadCounter = 1;
};

// A record or list that runs past its enclosing record or the end of the data: reported in
// the scan log, and the walk concerned ends with what was decoded so far.
void lf_logCutShort(const BglDecodeInput& in, std::string_view what, std::size_t offset);

// One helipad sub-record at word index record. False when it does not fit its record or the
// data (the walk ends); a helipad that is only unusable is skipped with true.
bool lf_decodeHelipad(const BglDecodeInput& in, BglAirportDecode& state, std::size_t record);

// One parking list at word index record; entries of an 0xAD list (isNew) are 40 bytes.
void lf_decodeParking(const BglDecodeInput& in, BglAirportDecode& state, std::size_t record, bool isNew);

}  // namespace vexo
