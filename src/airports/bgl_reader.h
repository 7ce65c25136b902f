// The scenery reader: walks the airport records of one .bgl file, keeps the airports that
// RealTraffic supports and hands each to the scan driver, either to be linked to an
// archived airport file or, decoded with its name, altitude, helipads and parking spots,
// to be written as an airport file.
//
// Threads: one worker task per file; a task touches only its own data and calls the hooks,
// which must be safe to call from several tasks at once.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

#include "airports/bgl_records.h"
#include "airports/bgl_words.h"
#include "refdata/fixed_code.h"

namespace vexo {

// What the reader needs of the scan driver (and of the airports database), so that it can
// be run without them.
struct BglScanHooks {
  std::function<bool(const IcaoCode&)> isKnownAirport;
  // True when an archived airport file covers the airport (nothing is generated then);
  // sets the airport's BGL path and publisher, and the archived file's stand count.
  std::function<bool(BglAirport&, int& archivedStands, const std::filesystem::path& bglPath)> linkArchivedAirport;
  std::function<void(BglAirport&, int helipads)> generateAirportFile;
  std::function<void(std::string line)> appendScanLog;
};

// One whole file. A file that cannot be opened or fails the header checks yields nothing.
// An exception inside is logged as a warning and passed on.
void lf_processBGLfile(const std::filesystem::path& path, const BglScanHooks& hooks);

// The same on words already read (what the tests and the fuzz target drive).
void lf_processBglWords(const BglWords& words, const std::filesystem::path& path, const BglScanHooks& hooks);

// The text of an airport ident when it is a valid 4-character code; supported tells whether
// the airports database knows it (an unknown one is reported in the scan log).
std::string lf_decodeIcao(std::uint32_t ident, bool& supported, const BglScanHooks& hooks);

// What one airport decode works on.
struct BglDecodeInput {
  const BglWords& words;
  const BglScanHooks& hooks;
  const std::filesystem::path& path;
};

// One airport record at word index record, of size sizeWords words.
void lf_decodeAirport(const BglDecodeInput& in, std::size_t record, bool isNew, std::size_t sizeWords,
                      const IcaoCode& icao);

}  // namespace vexo
