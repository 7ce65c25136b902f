// A park airport read as the program reads it: the sample airports database from the
// build's input folder, the airport's file (data/airports/<ICAO>.xml of the project) in a
// fresh user folder's my_thirdparty, the park airport chosen by its ICAO code and its file
// read into the stand table, which also gives the traffic reader its elevation. The
// engine then sees the park airport through the program's own hooks (its position from
// the airports database, its elevation from the traffic reader), not through a test's.
//
// Usage: a member ParkAirportFiles park{"KLAX"}; then park.read() in SetUp (or a later
// ParkAirportFiles of another airport, read in the test) and
// park.useProgramHooks(engine) for the engine under test. Everything is undone when the
// object goes: the park airport is left, the airports state and database emptied.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "airports/airport_locations.h"
#include "airports/airports_state.h"
#include "airports/park_airports.h"
#include "engine/traffic_engine.h"
#include "foundation/paths.h"
#include "realtraffic/traffic_receiver.h"
#include "refdata/airports_db.h"
#include "test_support.h"

namespace vexo::test {

class ParkAirportFiles {
public:
  explicit ParkAirportFiles(std::string icao) : icao_(std::move(icao)) {}
  ParkAirportFiles(const ParkAirportFiles&) = delete;
  ParkAirportFiles& operator=(const ParkAirportFiles&) = delete;
  ~ParkAirportFiles() {
    if (!read_) return;
    gf_resetAirportsState();
    g_trafficReceiver.setParkAirportElevation(std::nullopt);
    g_trafficReceiver.setParkAirport(std::nullopt);
    g_airportsDb = AirportsDb{};
    ::unsetenv("VDRK_APPDATA");
    gf_resetUserPaths();
  }

  // Reads the airports database and the airport's file; fails the test when the program
  // would not have the park airport with its stands. An airport that the sample database
  // lacks (it holds only airports with an IATA code) is added to it first, and the file's
  // text may be given instead of the project's file.
  void read(const std::optional<AirportData>& missingAirport = std::nullopt, const std::string& fileText = {}) {
    ::setenv("VDRK_APPDATA", (dir_.path() / "appdata").c_str(), 1);
    gf_resetUserPaths();
    gf_resetAirportsState();
    read_ = true;
    ASSERT_TRUE(g_airportsDb.read(std::filesystem::path(VDRK_SAMPLE_INPUT_DIR) / "airports.enc",
                                  dir_.path() / "airports.xml"));
    if (missingAirport) {
      g_airportsDb.airports.push_back(*missingAirport);
      g_airportsDb.icaoSet.insert(missingAirport->icao);
      g_airportsDb.sortAndIndex();
    }
    std::filesystem::create_directories(g_myThirdpartyFolder);
    const std::filesystem::path file = g_myThirdpartyFolder / (icao_ + ".xml");
    if (fileText.empty())
      std::filesystem::copy_file(testdataDir() / ".." / ".." / "data" / "airports" / (icao_ + ".xml"), file);
    else
      writeFile(file, fileText);
    ASSERT_TRUE(gf_setParkAirport(IcaoCode(icao_)));
    ASSERT_EQ(lf_readParkedFile(), "");
    ASSERT_FALSE(g_stands.empty());
  }

  // An airport file of the program's own form with the elevation and the stands given as
  // "parkpos" elements.
  static std::string airportFile(const std::string& name, int altitude, const std::string& parkpos) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <meta>\n"
           "    <info name=\"author\" value=\"Vendrake_P3D\" />\n    <info name=\"version\" value=\"12.3.0\" />\n"
           "    <info name=\"date\" value=\"Dec 07, 2026\" />\n"
           "    <info name=\"copyright\" value=\"Copyright (c) Vendrake Systems. All rights reserved.\" />\n"
           "    <info name=\"sim\" value=\"3\" />\n  </meta>\n  <parameters>\n"
           "    <parameter name=\"airport_name\" value=\"" + name + "\" />\n"
           "    <parameter name=\"publisher\" value=\"test\" />\n"
           "    <parameter name=\"altitude\" value=\"" + std::to_string(altitude) + "\" />\n"
           "  </parameters>\n  <parkpositions>\n" + parkpos + "  </parkpositions>\n</root>\n";
  }

  // The engine sees the park airport as the program's engine does.
  static void useProgramHooks(TrafficEngine& engine) {
    const TrafficEngine program(engine.link);
    engine.hooks.parkAirportElevation = program.hooks.parkAirportElevation;
    engine.hooks.parkAirportPosition = program.hooks.parkAirportPosition;
  }

  // The park airport's position and elevation as read.
  static LatLon position() { return g_parkAirport.latLon(); }
  static double elevation() { return g_trafficReceiver.parkAirportElevation().value_or(0.0); }

private:
  std::string icao_;
  TempDir dir_;
  ScopedCwd cwd_{dir_.path()};
  bool read_ = false;
};

}  // namespace vexo::test
