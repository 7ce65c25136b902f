#include "airports/airports_state.h"

#include <algorithm>

#include "engine/aircraft_texts.h"

namespace vexo {

AirportsState g_airportsState;

namespace {

std::optional<std::string> lf_standNameOf(std::uint32_t sid) {
  const ParkingPosition* stand = gf_standBySid(sid);
  return stand == nullptr ? std::nullopt : std::optional<std::string>(stand->id);
}

// The engine names stands in its log lines through this lookup.
const bool g_standNamesInstalled = (g_standNameOf = &lf_standNameOf, true);

}  // namespace

void gf_resetAirportsState() {
  AirportsState& a = g_airportsState;
  a.stands.clear();
  gf_publishStandNames();
  a.handmadeFile = false;
  a.rtTrafficWeek = 0;
  a.qualityFactors = {-1, -1};
  a.snapshot = AirportSettingsSnapshot{};
  a.header = ParkAirportHeader{};
  a.learnedPath.clear();
  a.learnedFileUnsafe = false;
  a.unsavedLearning.clear();
  a.fileLoaded = false;
  a.fileOk = false;
  a.parkAirport = AirportData{};
  a.parkAirportId = IcaoCode();
  a.reservedStand.clear();
  a.lastSortPosition.reset();
  {
    std::lock_guard lock(a.parkAirportsMutex);
    a.parkAirports.clear();
  }
  a.parkAirportSet = false;
}

void gf_publishStandNames() { g_standNames.publish(g_stands); }

ParkingPosition* gf_standBySid(std::uint32_t sid) {
  const auto found = std::ranges::lower_bound(g_stands, sid, {}, &ParkingPosition::sid);
  return found != g_stands.end() && found->sid == sid ? &*found : nullptr;
}

}  // namespace vexo
