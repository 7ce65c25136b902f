// One installed livery, as the liveries scan finds it and LiveriesScanned.xml keeps it.
//
// For the livery index and matching: g_liveryScan.scannedLiveries (liveries_scan.h) holds
// the records read back by lf_readScannedLiveries (scanned_liveries_xml.h), sorted by
// lf_liveryLess, every record complete and every title unique.
#pragma once

#include <cstdint>
#include <string>

#include "refdata/ac_codes.h"

namespace vexo {

struct LiveryData {
  std::string title;    // the section's title: the simulator's name of the livery
  std::string regcode;  // the registration the livery shows, or empty
  // Airline and model ids of the code pools (0 = none), operator id (0 = none), cargo flag;
  // the marker is the dbase record's own when the code word came from the dbase, else 0.
  AcCodes codes;
  // Position of the lfolder folder the file came from among the folders scanned (1 to
  // 10); 0 in records read back from LiveriesScanned.xml.
  std::int16_t folderIndex = 0;
};

// Incomplete: no airline or no model; such a record is never kept.
inline bool lf_isIncompleteLivery(const LiveryData& livery) {
  return livery.codes.airlineId == 0 || livery.codes.modelId == 0;
}

// The order of LiveriesScanned.xml and of the scan's result: airline code text, then
// operator code text (operator 0 is the empty text), then model code text, compared as
// unsigned bytes (a prefix first, an id outside its pool counts as the empty text); the
// title decides only when all three ids are equal. Use it with a stable sort.
bool lf_liveryLess(const LiveryData& a, const LiveryData& b);

}  // namespace vexo
