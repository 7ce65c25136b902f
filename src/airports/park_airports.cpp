// The list of park airports: airports/my_park_airports.txt, the folder
// airports/my_thirdparty, and the list's order.
#include "airports/park_airports.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unordered_set>

#include "airports/airport_locations.h"
#include "airports/airports_state.h"
#include "foundation/charset.h"
#include "foundation/files.h"
#include "foundation/line_file.h"
#include "foundation/log.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "foundation/status_line.h"
#include "foundation/text.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

constexpr const char* g_myParkAirportsName = "my_park_airports.txt";

// The read-modify-write of my_park_airports.txt, which two threads may do.
std::mutex g_myParkAirportsFileMutex;

ParkAirportEntry lf_entryFor(const AirportData& airport, std::string reservedStand) {
  return ParkAirportEntry{std::move(reservedStand), airport.latLon(), 0.0, airport.icao};
}

// Returns false when the reading went wrong somewhere.
bool lf_readMyParkAirportsFile(std::list<ParkAirportEntry>& list) {
  std::ifstream in(g_myParkAirportsPath, std::ios::binary);
  if (!in) {
    gf_log(fmt::format("{} not found", gf_pathToUtf8(g_myParkAirportsPath)));
    return true;
  }
  std::vector<std::string> lines;
  gf_readLines(in, lines);
  bool ok = true;
  std::unordered_set<std::string> taken;
  for (const std::string& line : lines) {
    const std::vector<std::string> fields = gf_splitCommaTrimmed(line);
    if (fields.empty() || (fields.size() == 1 && fields[0].empty())) continue;
    if (fields.size() >= 3) {
      gf_logWarning(fmt::format("{}:{} wrong syntax, skipped", g_myParkAirportsName, line));
      continue;
    }
    // Codes are taken upper-cased, so "egll" and "EGLL" are the same airport.
    std::string key = fields[0];
    gf_toUpperInPlace(key);
    if (taken.contains(key)) {
      gf_logWarning(fmt::format("{}:{} double, skipped", g_myParkAirportsName, fields[0]));
      continue;
    }
    const IcaoCode icao(fields[0]);
    const AirportData* airport = gf_findAirport(icao);
    if (airport == nullptr) {
      gf_setStatus(fmt::format("airport {} is unknown", fields[0]), true);
      ok = false;
      continue;
    }
    list.push_back(lf_entryFor(*airport, fields.size() == 2 ? fields[1] : std::string()));
    taken.insert(std::move(key));
  }
  if (!list.empty()) {
    gf_log(fmt::format("\n{:5} park airport{} read from '{}'", list.size(), gf_plural(list.size()), g_myParkAirportsName));
    if (list.size() > 3000)
      gf_setStatus(fmt::format("Warning: There are a lot of airports ({}), that will cost VDRK much cpu time and may "
                               "cause stutters",
                               list.size()),
                   true);
  }
  return ok;
}

void lf_readMyThirdpartyFolder(std::list<ParkAirportEntry>& list) {
  std::error_code ec;
  if (!fs::is_directory(g_myThirdpartyFolder, ec)) return;
  for (fs::directory_iterator it(g_myThirdpartyFolder, ec), end; !ec && it != end; it.increment(ec)) {
    try {
      if (!it->is_regular_file()) continue;
      const IcaoCode icao(it->path().stem().string());
      if (std::ranges::any_of(list, [&](const ParkAirportEntry& e) { return e.icao == icao; })) continue;
      if (const AirportData* airport = gf_findAirport(icao)) list.push_back(lf_entryFor(*airport, {}));
    } catch (const std::exception&) {
      // Not an airport file of ours (a README, a name that is no code): passed over.
    }
  }
}

std::string lf_firstFieldUpper(const std::string& line) {
  std::string field = gf_trim(std::string_view(line).substr(0, line.find(',')));
  gf_toUpperInPlace(field);
  return field;
}

}  // namespace

bool lf_readMyParkAirports() {
  std::list<ParkAirportEntry> list;
  bool ok = true;
  try {
    ok = lf_readMyParkAirportsFile(list);
    lf_readMyThirdpartyFolder(list);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{}: {}", "lf_readMyParkAirports", e.what()));
    ok = false;
  }
  std::lock_guard lock(g_parkAirportsMutex);
  g_parkAirports = std::move(list);
  return ok;
}

void gf_addToMyParkAirports() {
  // The entry is copied under the file's lock: of two threads, the one that writes last
  // writes the entry as it is then, never an older copy.
  std::lock_guard fileLock(g_myParkAirportsFileMutex);
  std::optional<ParkAirportEntry> front;
  {
    std::lock_guard lock(g_parkAirportsMutex);
    if (!g_parkAirports.empty()) front = g_parkAirports.front();
  }
  if (!front) return;
  const std::string code = front->icao.str();
  const std::string line = front->reservedStand.empty() ? code : fmt::format("{},{}", code, front->reservedStand);
  const fs::path& path = g_myParkAirportsPath;
  std::vector<std::string> lines;
  std::error_code ec;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    // A file that is there but cannot be read is the user's list: it is not replaced.
    if (fs::exists(path, ec)) {
      gf_logWarning(fmt::format("{} cannot be read, {} not written", gf_pathToUtf8(path), line));
      return;
    }
    lines.push_back(line);
    gf_log(fmt::format("{} created with {}", g_myParkAirportsName, line));
  } else {
    gf_readLines(in, lines);
    in.close();
    const auto found = std::ranges::find_if(lines, [&](const std::string& l) { return lf_firstFieldUpper(l) == code; });
    if (found != lines.end()) {
      *found = line;
      gf_log(fmt::format("{}:{} updated stand", g_myParkAirportsName, line));
    } else {
      lines.insert(lines.begin(), line);
      gf_log(fmt::format("{}:{} new entry", g_myParkAirportsName, line));
    }
  }
  std::ranges::sort(lines);
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  std::string content;
  for (const std::string& l : lines) content.append(l).push_back('\n');
  gf_replaceKeepingGeneration(path, content);
}

void gf_sortParkAirports(LatLon user) {
  std::lock_guard lock(g_parkAirportsMutex);
  if (g_parkAirports.empty()) return;
  auto& last = g_airportsState.lastSortPosition;
  if (last && std::abs(last->lat - user.lat) < 1e-8 && std::abs(last->lon - user.lon) < 1e-8) return;
  last = user;
  if (!g_settings.DESTINATION.value().empty()) return;
  for (ParkAirportEntry& entry : g_parkAirports) entry.distance = gf_greatCircleNm(user, entry.position);
  // std::list::sort is a stable merge sort: equal distances keep their order.
  g_parkAirports.sort([](const ParkAirportEntry& a, const ParkAirportEntry& b) { return a.distance < b.distance; });
}

void gf_addParkAirport(IcaoCode icao, LatLon position) {
  {
    std::lock_guard lock(g_parkAirportsMutex);
    const auto found = std::ranges::find_if(g_parkAirports, [&](const ParkAirportEntry& e) { return e.icao == icao; });
    if (found != g_parkAirports.end()) {
      g_parkAirports.splice(g_parkAirports.begin(), g_parkAirports, found);
      return;
    }
    g_parkAirports.push_front(ParkAirportEntry{{}, position, 0.0, icao});
  }
  gf_addToMyParkAirports();
}

}  // namespace vexo
