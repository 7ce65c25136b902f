// Choosing, reading and leaving the park airport, its reserved stand and its learned file.
#include <fmt/format.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "airports/airport_locations.h"
#include "airports/airport_reader.h"
#include "airports/airports_state.h"
#include "airports/park_airports.h"
#include "airports/static_cycle.h"
#include "engine/engine_services.h"
#include "foundation/charset.h"
#include "foundation/error.h"
#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/main_window_state.h"
#include "foundation/settings.h"
#include "foundation/status_line.h"
#include "foundation/text.h"
#include "foundation/time_text.h"
#include "realtraffic/traffic_receiver.h"
#include "airports/closest_airport.h"
#include "simlink/sim_link_state.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

ParkingPosition* lf_standById(std::string_view id) {
  const auto found = std::ranges::find(g_stands, id, &ParkingPosition::id);
  return found == g_stands.end() ? nullptr : &*found;
}

void lf_showReservedStand() {
  g_mainWindowState.updateTexts([](ShownTexts& t) { t.reservedStand = g_reservedStand; });
  g_mainWindowState.reservedStandValid = !g_reservedStand.empty();
  gf_invalidateMainWindow(g_parkRect, true);
}

std::optional<ParkAirportEntry> lf_frontEntry() {
  std::lock_guard lock(g_parkAirportsMutex);
  if (g_parkAirports.empty()) return std::nullopt;
  return g_parkAirports.front();
}

bool lf_inSight(double distance, double altitude) {
  return distance <= g_settings.AIRP_RANGE.value && altitude <= g_settings.AIRP_HEIGHT.value;
}

// The user's stand becomes the park airport's reserved stand when it changed; a park
// airport that is not at the front enters the list there.
void lf_takeUserStand() {
  if (!g_userOnGroundKnown) return;
  const UserAcData user = g_simLink.userAc();
  const std::string stand = gf_nearestStandName(user.latitude, user.longitude);
  bool write = false;
  {
    std::lock_guard lock(g_parkAirportsMutex);
    if (!g_parkAirports.empty() && g_parkAirports.front().icao == g_parkAirport.icao) {
      ParkAirportEntry& front = g_parkAirports.front();
      if (!stand.empty() && stand != front.reservedStand) {
        front.reservedStand = stand;
        write = true;
      }
    } else {
      g_parkAirports.push_front(ParkAirportEntry{stand, g_parkAirport.latLon(), 0.0, g_parkAirport.icao});
      write = true;
    }
  }
  if (write) gf_addToMyParkAirports();
}

void lf_settleReservedStand() {
  const auto front = lf_frontEntry();
  g_reservedStand.clear();
  if (front && front->icao == g_parkAirport.icao && !front->reservedStand.empty()) {
    if (ParkingPosition* stand = lf_standById(front->reservedStand)) {
      g_reservedStand = front->reservedStand;
      stand->reserved = 1;
    }
  }
  lf_showReservedStand();
}

// Flights that came with the archived stand list are the archive's, not learned ones; the
// rest are numbered afresh so that none is lost to a temporary index 0.
void lf_prepareFlightsForSaving(ParkingPosition& stand, bool handmade) {
  auto& flights = stand.learnedFlights;
  if (!handmade) std::erase_if(flights, [](const LearnedFlight& f) { return f.archived == 1; });
  std::uint32_t index = 0;
  for (LearnedFlight& flight : flights) flight.index = ++index;
}

// The stands lent to a file for writing go back to the table however the writing ends
// (moving a stand cannot throw; the room for them is made before the first is moved).
class LentStands {
public:
  LentStands(AirportFile& file, std::vector<std::size_t> taken) : file_(file), taken_(std::move(taken)) {
    file_.stands.reserve(taken_.size());
    for (std::size_t n : taken_) file_.stands.push_back(std::move(g_stands[n]));
  }
  ~LentStands() {
    for (std::size_t k = 0; k < file_.stands.size(); ++k) g_stands[taken_[k]] = std::move(file_.stands[k]);
    file_.stands.clear();
  }
  LentStands(const LentStands&) = delete;
  LentStands& operator=(const LentStands&) = delete;

private:
  AirportFile& file_;
  std::vector<std::size_t> taken_;
};

// The park airport's learned file as text: the manual stands, those with learned flights
// and those changed at run time (every stand of a handmade file).
std::optional<std::string> lf_learnedFileText(bool handmade) {
  const AirportsState& a = g_airportsState;
  AirportFile file;
  file.airportName = a.header.airportName;
  file.publisher = a.header.publisher;
  file.altitude = a.header.altitude;
  std::vector<std::size_t> taken;
  for (std::size_t n = 0; n < g_stands.size(); ++n) {
    ParkingPosition& stand = g_stands[n];
    lf_prepareFlightsForSaving(stand, handmade);
    if (handmade || stand.manual || !stand.learnedFlights.empty() || stand.radius_change || stand.cargo_change)
      taken.push_back(n);
  }
  if (handmade) {
    const auto [real, soft] = gf_qualityFactors(g_stands);
    file.Qf_real = static_cast<std::uint32_t>(std::max(real, 0));
    file.Qf_soft = static_cast<std::uint32_t>(std::max(soft, 0));
  }
  const LentStands lent(file, std::move(taken));
  return gf_airportFileText(file, StandWriteMode::learned, g_simulatorNumber);
}

// The learning of a visit whose learned file could not be written is kept beside it (and
// for this run in memory, should even that fail) and read in its place at the next visit.
void lf_keepUnsavedLearning(const fs::path& learned, std::string text) {
  const fs::path side = gf_unsavedLearnedPath(learned);
  std::error_code ec;
  fs::create_directories(side.parent_path(), ec);
  const bool kept = !ec && gf_replaceFileContent(side, text);
  g_airportsState.unsavedLearning[learned] = std::move(text);
  if (kept)
    gf_log(fmt::format("The flights learned at {} are kept in '{}' and read again at the next visit",
                       g_parkAirport.icao, gf_pathToUtf8(side)));
  else
    gf_logWarning(fmt::format("The flights learned at {} could not be kept in '{}' either: they are kept until "
                              "the next visit while the program runs",
                              g_parkAirport.icao, gf_pathToUtf8(side)));
}

void lf_forgetUnsavedLearning(const fs::path& learned) {
  g_airportsState.unsavedLearning.erase(learned);
  std::error_code ec;
  fs::remove(gf_unsavedLearnedPath(learned), ec);
}

std::string lf_timeOfDayNow() { return gf_utcTimeText(gf_systemTimeNow()).substr(11, 8); }

}  // namespace

bool gf_setParkAirport(const IcaoCode& icao) {
  const AirportData* airport = gf_findAirport(icao);
  if (airport == nullptr) {
    g_mainWindowState.updateTexts([](ShownTexts& t) { t.parkAirportLine.clear(); });
    gf_invalidateMainWindow(g_parkRect, true);
    return false;
  }
  g_parkAirport = *airport;
  g_parkAirportId = airport->icao;
  g_parkAirportSet = true;
  g_mainWindowState.parkAirportSet = true;
  const std::string text = gf_airportText(*airport);
  gf_log(fmt::format("\nThe park airport is {}", text));
  g_mainWindowState.updateTexts([&](ShownTexts& t) { t.parkAirportLine = text; });
  gf_invalidateMainWindow(g_parkRect, true);
  return true;
}

bool lf_findParkAirport(LatLon user, bool announce) {
  if (!g_parkAirport.icao.empty()) return false;
  if (g_userOnGround) {
    const AirportData* closest = gf_closestAirport(user);
    if (closest == nullptr) {
      gf_setStatus("User aircraft on the ground, no RT supported airport in sight", true);
      return false;
    }
    if (!gf_hasAirportData(closest->icao)) {
      gf_setStatus(fmt::format("User aircraft on the ground at {}, no airport file found", closest->icao), true);
      return false;
    }
    gf_log(fmt::format("User aircraft on the ground at {}", closest->icao));
    if (!gf_setParkAirport(closest->icao)) return false;
    lf_startStaticCalculation(announce);
    return true;
  }
  g_settings.DESTINATION.enable();
  const auto front = lf_frontEntry();
  if (!front) return false;
  const double distance = gf_greatCircleNm(user, front->position);
  if (!lf_inSight(distance, g_simLink.userAc().altitude) || !gf_setParkAirport(front->icao)) return false;
  gf_setStatus(fmt::format("{} in sight at {:.1F} nm", front->icao, distance), true);
  lf_startStaticCalculation(false);
  return true;
}

void lf_watchParkAirport(LatLon user, TrafficEngine& engine) {
  if (g_userOnGround || g_parkAirport.icao.empty()) return;
  const double altitude = g_simLink.userAc().altitude;
  const double parkDistance = gf_greatCircleNm(user, g_parkAirport.latLon());
  if (!lf_inSight(parkDistance, altitude)) {
    gf_log(fmt::format("\n{} {} is out of sight ({:.1F} nm), parked aircraft will be removed", gf_trafficClockNow(),
                       gf_airportText(g_parkAirport), parkDistance));
    gf_clearParkAirport(engine);
    return;
  }
  const auto front = lf_frontEntry();
  if (!front || front->icao == g_parkAirport.icao) return;
  const double frontDistance = gf_greatCircleNm(user, front->position);
  if (!lf_inSight(frontDistance, altitude) || parkDistance < frontDistance) return;
  gf_log(fmt::format("\n{} {} is in sight ({:.1F} nm), parked aircraft at {} will be removed first",
                     gf_trafficClockNow(), front->icao, frontDistance, gf_airportText(g_parkAirport)));
  gf_clearParkAirport(engine);
}

std::string lf_readParkedFile() {
  AirportsState& a = g_airportsState;
  gf_clearStands();
  a.fileLoaded = false;
  const std::string path = gf_airportFileFor(g_parkAirport.icao);
  if (path.empty()) return fmt::format("{} {} not found", "lf_readParkedFile", g_parkAirport.icao);
  g_mainWindowState.updateTexts([](ShownTexts& t) { t.parkAirportPublisher.clear(); });
  std::string error;
  try {
    error = gf_readApf(path, a.header);
  } catch (const UserErrorException& e) {
    // A broken airport file is this airport's problem: the park airport is left with the
    // message, the program runs on.
    error = e.what();
    a.fileLoaded = false;
    gf_logWarning(fmt::format("{}: {}", path, error));
  }
  if (error.empty()) {
    lf_takeUserStand();
    g_stands.shrink_to_fit();
    lf_settleReservedStand();
  }
  a.fileOk = error.empty();
  g_mainWindowState.parkAirportValid = a.fileOk;
  gf_invalidateMainWindow(g_parkRect, true);
  g_airportFileUpdates = 0;
  return error;
}

bool gf_checkParkAirports(bool checkReserved, std::string& text) {
  if (!lf_readMyParkAirports()) return false;
  const auto front = lf_frontEntry();
  if (checkReserved && g_userOnGroundKnown && front && front->icao == g_parkAirport.icao &&
      !g_parkAirport.icao.empty() && g_simLink.standName().empty() && !front->reservedStand.empty() &&
      front->reservedStand != g_reservedStand) {
    text = fmt::format("reserved stand changed from '{}' to '{}'", g_reservedStand, front->reservedStand);
    if (ParkingPosition* old = lf_standById(g_reservedStand)) old->reserved = 0;
    g_reservedStand = front->reservedStand;
    gf_removeAcAtStand(g_reservedStand);
    if (ParkingPosition* stand = lf_standById(g_reservedStand)) stand->reserved = 1;
    lf_showReservedStand();
  }
  if (text.empty()) text = "park airports and stands are okay";
  return true;
}

void gf_saveLearnedFile(const SaveFault& fault) {
  AirportsState& a = g_airportsState;
  if (!a.fileLoaded) return;
  const std::string path = gf_pathToUtf8(a.learnedPath);
  if (a.learnedPath.empty()) {
    gf_log(fmt::format("{} has no learned file, {} update{} not saved", g_parkAirport.icao, g_airportFileUpdates,
                       gf_plural(g_airportFileUpdates)));
  } else if (a.learnedFileUnsafe) {
    gf_logWarning(fmt::format("{} was not read completely and is kept as it is: {} update{} not saved", path,
                              g_airportFileUpdates, gf_plural(g_airportFileUpdates)));
  } else {
    const bool handmade = g_handmadeFile;
    std::optional<std::string> text;
    bool ok = false;
    try {
      text = lf_learnedFileText(handmade);
      ok = text && gf_replaceKeepingGeneration(a.learnedPath, *text, fault);
    } catch (const std::exception& e) {
      gf_logWarning(fmt::format("{}: {}", "gf_saveLearnedFile", e.what()));
      ok = false;
    }
    if (ok) {
      gf_log(fmt::format("{}{} '{}' saved with {} update{}", lf_timeOfDayNow(), handmade ? " handmade" : "", path,
                         g_airportFileUpdates, gf_plural(g_airportFileUpdates)));
      lf_forgetUnsavedLearning(a.learnedPath);
    } else {
      gf_log(fmt::format("{} saving '{}' did not succeed", lf_timeOfDayNow(), path));
      if (text) lf_keepUnsavedLearning(a.learnedPath, std::move(*text));
    }
  }
  g_airportFileUpdates = 0;
}

std::string gf_reservedStandName() { return g_reservedStand; }

}  // namespace vexo
