// What the scan makes of one scanned airport: a link file to its archived airport file, or
// a generated airport file.
#include <algorithm>
#include <system_error>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "airports/airport_locations.h"
#include "airports/airport_writer.h"
#include "airports/airports_scan.h"
#include "foundation/charset.h"
#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "refdata/airports_db.h"
#include "refdata/dbase_lookups.h"
#include "refdata/dbase_tables.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

constexpr const char* kSimaddon = "simaddon";

// Writes the text as the airport's link file in the folder, under the airport's write lock.
void lf_writeLinkFile(const fs::path& folder, const IcaoCode& icao, const std::string& relativePath) {
  const auto lock = g_airportsScan.writeLockFor(icao);
  const std::lock_guard guard(*lock);
  std::error_code ec;
  fs::create_directories(folder, ec);
  gf_writeTextFile(relativePath, folder / gf_airportTxtPath(icao));
}

// The airport file of a decoded airport, its stands sorted by id (equal ids keep their order).
AirportFile lf_airportFileOf(const BglAirport& airport) {
  AirportFile file;
  file.airportName = airport.name;
  file.bglPath = airport.bglPath;
  file.publisher = airport.publisher;
  file.altitude = airport.altitude;
  std::vector<std::pair<std::string, std::size_t>> ids;  // the stand's id text, its place in the airport
  ids.reserve(airport.stands.size());
  for (std::size_t n = 0; n < airport.stands.size(); ++n) ids.emplace_back(airport.stands[n].id(), n);
  std::ranges::stable_sort(ids, {}, &std::pair<std::string, std::size_t>::first);
  file.stands.reserve(ids.size());
  for (auto& [id, n] : ids) {
    const BglStand& s = airport.stands[n];
    const bool cargo = s.type == 5 || s.type == 6;
    const bool ramp = (s.type >= 1 && s.type <= 4) || s.type == 14;
    file.stands.emplace_back(std::move(id), std::vector<LearnedFlight>{}, s.latitude, s.longitude, s.heading, s.radius,
                             s.type, cargo, ramp, s.heli);
  }
  return file;
}

}  // namespace

std::string gf_publisherFromFileName(const fs::path& bglPath) {
  if (gf_pathToUtf8(bglPath).find("ORBX") != std::string::npos || gf_pathContainsNoCase(bglPath, "ORBX")) {
    lf_appendScanLog(fmt::format("from filename => publisher {}", kSimaddon));
    return kSimaddon;
  }
  return gf_publisherOfPath(bglPath).value_or("");
}

std::optional<std::string> lf_findArchivedSimaddon(const IcaoCode& icao) {
  if (g_dbase.simaddonAirports.contains(icao.str())) return fmt::format("archive/{}/{}.xml", kSimaddon, icao.str());
  lf_appendScanLog(fmt::format("{} does not exist as simaddon", icao));
  return std::nullopt;
}

std::optional<std::string> lf_findArchivedThirdparty(const std::string& publisher, const IcaoCode& icao,
                                                     int& archivedStands) {
  std::string folder;
  for (char c : publisher) folder += c == ' ' ? std::string("%20") : std::string(1, c);
  for (const ThirdPartyAirports& entry : g_dbase.thirdPartyAirports) {
    if (entry.publisher != publisher) continue;
    for (const std::string& airport : entry.airports) {
      if (gf_parseCodeNumber("thirdparty", icao, airport, archivedStands))
        return fmt::format("archive/thirdparty/{}/{}.xml", folder, icao.str());
    }
  }
  lf_appendScanLog(fmt::format("thirdparty {} {} does not exist", publisher, icao));
  return std::nullopt;
}

bool lf_linkArchivedAirport(BglAirport& airport, int& archivedStands, const fs::path& bglPath) {
  archivedStands = 0;
  airport.bglPath = gf_pathToUtf8(bglPath);
  if (airport.publisher.empty()) airport.publisher = gf_publisherFromFileName(bglPath);
  if (airport.publisher.empty()) return false;
  if (airport.publisher == kSimaddon) {
    const auto archived = lf_findArchivedSimaddon(airport.icao);
    if (!archived) return false;
    lf_writeLinkFile(g_myOrbxFolder, airport.icao, *archived);
    lf_appendScanLog(fmt::format("{} airport {} linked to {}\n", kSimaddon, airport.icao, *archived));
    return true;
  }
  const auto archived = lf_findArchivedThirdparty(airport.publisher, airport.icao, archivedStands);
  if (!archived) return false;
  lf_writeLinkFile(g_myThirdpartyFolder, airport.icao, *archived);
  lf_appendScanLog(fmt::format("thirdparty airport {} linked to {}\n", airport.icao, *archived));
  return true;
}

void lf_generateAirportFile(BglAirport& airport, int helipads) {
  if (airport.stands.empty()) return;
  const fs::path folder = airport.publisher == kSimaddon ? g_myOrbxFolder : g_myThirdpartyFolder;
  const std::size_t count = airport.stands.size();
  const std::string helipadText =
      helipads > 0 ? fmt::format(", of which {} helipad{}\n", helipads, gf_plural(helipads)) : std::string();
  lf_appendScanLog(fmt::format("Generated {}: {} position{}{}", gf_airportXmlName(airport.icao), count,
                               gf_plural(count), helipadText));
  const AirportFile file = lf_airportFileOf(airport);

  std::error_code ec;
  const bool exists = fs::exists(folder, ec);
  if (ec) throw fs::filesystem_error("exists", folder, ec);
  if (!exists && !fs::create_directories(folder, ec) && ec) throw fs::filesystem_error("create_directory", folder, ec);
  const fs::path target = folder / gf_airportXmlPath(airport.icao);
  // Written beside the target and renamed over it, so a reader never sees half a file and
  // the target keeps no older generation in the output folder.
  fs::path part = target;
  part += ".part";
  const auto lock = g_airportsScan.writeLockFor(airport.icao);
  const std::lock_guard guard(*lock);
  bool ok = gf_writeAirportFile(file, part, StandWriteMode::full, g_simulatorNumber);
  if (ok) {
    fs::rename(part, target, ec);
    ok = !ec;
  }
  if (!ok) {
    fs::remove(part, ec);
    lf_appendScanLog(fmt::format("{}Generating {} did not succeed", "===> ", gf_pathToUtf8(target)));
  }
}

BglScanHooks gf_bglScanHooks() {
  return BglScanHooks{[](const IcaoCode& icao) { return gf_isKnownAirport(icao); }, lf_linkArchivedAirport,
                      lf_generateAirportFile, lf_appendScanLog};
}

void lf_processBGLfile(const fs::path& path) {
  static const BglScanHooks hooks = gf_bglScanHooks();
  lf_processBGLfile(path, hooks);
}

}  // namespace vexo
