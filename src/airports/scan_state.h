// What the add-on airports scan keeps while it runs, part of the airports subsystem's
// state (AirportsState::scan, g_airportsScan).
//
// Threads: the scan driver runs on the start-up thread; its worker tasks append to the scan
// log and take an airport's write lock. Each member says what guards it.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "refdata/fixed_code.h"

namespace vexo {

struct AirportsScanState {
  std::mutex scanLogMutex;           // guards scanLog
  std::vector<std::string> scanLog;  // lines of the current scan, in the order appended

  // Two scenery files of one airport write the same files from two tasks: each airport's
  // writes take its own lock, so they follow each other (the last one written stays).
  std::mutex writeLocksMutex;  // guards writeLocks
  std::map<IcaoCode, std::shared_ptr<std::mutex>> writeLocks;

  // Files in tblo when the off-line learning package was last made; 0 when none was needed.
  std::atomic<std::uint64_t> tbloPackageCount{0};

  std::shared_ptr<std::mutex> writeLockFor(const IcaoCode& icao);
};

}  // namespace vexo
