// A fresh airports state in a temporary working folder, with a small airports database.
#pragma once

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "airports/airports_state.h"
#include "engine/learned_flight.h"
#include "engine/traffic_engine.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "refdata/airports_db.h"
#include "test_support.h"

namespace vexo::test {

class AirportsTest : public ::testing::Test {
protected:
  void SetUp() override {
    // Leaving a park airport saves settings into parameters.xml of the user's folder.
    ::setenv("VDRK_APPDATA", (dir_.path() / "appdata").c_str(), 1);
    gf_resetUserPaths();
    gf_resetAirportsState();
    g_learnedFlightsState.airportFileUpdates = 0;
    g_learnedFlightsState.shownAirportFileUpdates = 0;
    g_weekSlotNow = WeekSlot{};
    airport("EHAM", 52.3086, 4.7639, 3);
    airport("KLAX", 33.9425, -118.408, 0);
    airport("KSMO", 34.0158, -118.451, 1);
    airport("EGLL", 51.4775, -0.4614, 2);
    g_airportsDb.sortAndIndex();
  }
  void TearDown() override {
    ::unsetenv("VDRK_APPDATA");
    gf_resetUserPaths();
    gf_resetAirportsState();
    g_airportsDb = AirportsDb{};
    SettingsState& s = g_settings;
    for (CheckboxSetting* c : {&s.AUTO_RANGE, &s.WEEK, &s.PARK_SOFT, &s.INITIAL_LOAD_ONLY}) c->value = c->defaultValue;
    for (NumericSetting* n : {static_cast<NumericSetting*>(&s.RANGE), static_cast<NumericSetting*>(&s.MAX_LIVE_SEL),
                              static_cast<NumericSetting*>(&s.parking_percentage), &s.MAX_FIT})
      n->value = n->defaultValue;
    s.MAX_FIT_FL.value = s.MAX_FIT_FL.defaultValue;
    s.DESTINATION.setValue("");
  }
  static void airport(const char* icao, double lat, double lon, int stands) {
    AirportData a;
    a.icao = IcaoCode(icao);
    a.latitude = lat;
    a.longitude = lon;
    a.stands = stands;
    g_airportsDb.airports.push_back(a);
    g_airportsDb.icaoSet.insert(a.icao);
  }
  static pugi::xml_document parse(const std::string& text) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(text.c_str()));
    return document;
  }

  TempDir dir_;
  ScopedCwd cwd_{dir_.path()};
  LogCapture log_;
};

}  // namespace vexo::test
