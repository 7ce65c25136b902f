#include "airports/airport_reader.h"

#include <fmt/format.h>

#include <algorithm>
#include <exception>
#include <system_error>

#include "airports/airport_file.h"
#include "airports/airport_locations.h"
#include "foundation/download.h"
#include "foundation/error.h"
#include "foundation/log.h"
#include "foundation/main_window_state.h"
#include "foundation/meta_info.h"
#include "foundation/parameter_xml.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "foundation/settings_startup.h"
#include "realtraffic/traffic_receiver.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

constexpr const char* g_readApf = "gf_readApf";

bool lf_isLocal(std::string_view path) { return path.starts_with("airports"); }

void lf_removeQuietly(const fs::path& path) {
  std::error_code ec;
  fs::remove(path, ec);
}

// A learned file, or the learning of a visit whose learned file could not be written.
bool lf_learningExists(const fs::path& learnedPath) {
  std::error_code ec;
  return fs::exists(learnedPath, ec) || fs::exists(gf_unsavedLearnedPath(learnedPath), ec) ||
         g_airportsState.unsavedLearning.contains(learnedPath);
}

AirportSettingsSnapshot lf_takeSnapshot() {
  const SettingsState& s = g_settings;
  return AirportSettingsSnapshot{s.MAX_LIVE_SEL.value, s.MAX_FIT.value,          s.parking_percentage.value,
                                 s.RANGE.value,        s.AUTO_RANGE.value,       s.INITIAL_LOAD_ONLY.value,
                                 s.PARK_SOFT.value,    s.WEEK.value};
}

void lf_setCheckbox(CheckboxSetting& setting, bool value) {
  setting.value = value;
  setting.updateControl();
}

// Without a learned file the quality factors of the airport file choose the parking kind.
void lf_settingsByQuality() {
  SettingsState& s = g_settings;
  const auto [real, soft] = g_qualityFactors;
  if (real < 3 && soft >= 1) {
    lf_setCheckbox(s.PARK_SOFT, true);
    lf_setCheckbox(s.WEEK, true);
    s.MAX_FIT.value = s.MAX_FIT.hi;
    gf_setMaxFitFl();
  } else if (real >= 46) {
    lf_setCheckbox(s.PARK_SOFT, false);
    lf_setCheckbox(s.WEEK, false);
  }
}

void lf_parkingPercentageFromDatabase() {
  const auto& airports = g_airportsDb.airports;
  const auto found = std::ranges::find_if(airports, [](const AirportData& a) { return a.icao == g_parkAirport.icao; });
  const std::int32_t stands = found == airports.end() ? 0 : found->stands;
  ComboSetting& percentage = g_settings.parking_percentage;
  percentage.value = stands == 1 ? 100 : (stands == 2 ? 50 : 30);
  gf_logIndented(fmt::format("{:24}: {}%", percentage.key, percentage.value.load()));
  if (percentage.selectValue(percentage.value)) percentage.enable();
}

void lf_publishRead(const std::string& readFrom, const ParkAirportHeader& header) {
  MainWindowState& w = g_mainWindowState;
  gf_log(fmt::format("Airport file read from '{}' for {}", readFrom, header.airportName));
  w.updateTexts([&](ShownTexts& t) {
    t.parkAirportName = header.airportName;
    t.parkAirportPublisher = header.publisher;
  });
  w.handmade = g_handmadeFile;
  gf_invalidateMainWindow(g_parkRect, true);
  const std::string quality = gf_qualityText(g_qualityFactors);
  gf_logIndented(fmt::format("{:24}: {}", "publisher", header.publisher));
  gf_logIndented(fmt::format("{:24}: {} ft", "altitude", header.altitude));
  gf_logIndented(fmt::format("{:24}: {}", "num_parkpos", g_stands.size()));
  gf_logIndented(fmt::format("{:24}: {}", "quality factor", quality));
  gf_logIndented(fmt::format("{:24}: {}", "RT traffic week", g_rtTrafficWeek));
  w.updateTexts([&](ShownTexts& t) { t.qualityFactor = quality; });
  w.trafficWeek = g_rtTrafficWeek;
  g_airportsState.fileLoaded.exchange(true);
  g_settings.rereadButton.enable();
  gf_invalidateMainWindow(g_parkRect, true);
}

std::string lf_readApf(const std::string& path, ParkAirportHeader& header) {
  if (path.empty()) return fmt::format("{}: xml is empty", g_readApf);
  if (g_parkAirport.icao.empty()) return fmt::format("{}: no park airport set", g_readApf);
  AirportsState& a = g_airportsState;
  // Nothing of the previous park airport may carry over into this one.
  a.qualityFactors = {-1, -1};
  a.rtTrafficWeek = 0;
  a.learnedPath.clear();
  a.learnedFileUnsafe = false;
  a.handmadeFile = false;
  header = ParkAirportHeader{};
  fs::path loaded(path);
  if (!lf_isLocal(path)) {
    loaded = g_airportsFolder / "park_airport.xml";
    if (std::string failure = lf_downloadAirportFile(path, loaded); !failure.empty()) return failure;
  }
  pugi::xml_document document;
  if (!document.load_file(loaded.c_str()))
    return fmt::format("{}: could not load file: {}", path, loaded.generic_string());
  if (!gf_readMetaInfo(document, true)) return fmt::format("{}: refused to load", path);
  a.rtTrafficWeek = gf_readIntParameter(document, "RT_traffic_week").value_or(0);
  header.publisher = gf_readStringParameter(document, "publisher").value_or("");
  const auto altitude = gf_readIntParameter(document, "altitude");
  if (!altitude) throw UserErrorException(65, fmt::format("Parameter {} not found", "altitude"));
  header.altitude = *altitude;
  // The traffic reader tells parked aircraft by the park airport's elevation, and passes
  // on aircraft on the ground only near the park airport.
  g_trafficReceiver.setParkAirportElevation(static_cast<double>(*altitude));
  g_trafficReceiver.setParkAirport(ParkAirportRef{g_parkAirport.latLon(), static_cast<double>(*altitude)});
  header.airportName = gf_readStringParameter(document, "airport_name").value_or("");
  lf_readStands(gf_airportFileElement(document, "parkpositions"), g_stands, 1);
  const auto qfReal = gf_readIntParameter(document, "Qf_real");
  const auto qfSoft = gf_readIntParameter(document, "Qf_soft");
  if (qfReal && qfSoft) a.qualityFactors = {*qfReal, *qfSoft};
  // Done with the archived file: its memory is free again before the learned file is loaded.
  document.reset();
  a.snapshot = lf_takeSnapshot();
  a.learnedPath = lf_learnedPathFor(path, header.publisher);
  if (!a.learnedPath.empty() && lf_learningExists(a.learnedPath)) {
    lf_readLearned(a.learnedPath, header);
    a.qualityFactors = gf_qualityFactors(g_stands);
    if (g_handmadeFile) gf_log("A handmade airport file overruled the archived file!");
  } else {
    gf_logFlush("learned does not exist");
    lf_settingsByQuality();
    lf_parkingPercentageFromDatabase();
  }
  gf_numberStands(g_stands);
  g_mainWindowState.stands = g_stands.size();
  gf_findAdjacentStands(g_stands);
  a.header = header;
  lf_publishRead(g_handmadeFile ? a.learnedPath.generic_string() : path, header);
  return g_stands.empty() ? "no stands found" : "";
}

}  // namespace

std::string gf_readApf(const std::string& path, ParkAirportHeader& header) {
  // Whatever the read left in the table is what the name lookups see.
  struct Publish {
    ~Publish() { gf_publishStandNames(); }
  } publish;
  try {
    return lf_readApf(path, header);
  } catch (const UserErrorException&) {
    throw;
  } catch (const std::exception& e) {
    return fmt::format("{}: {}", g_readApf, e.what());
  }
}

std::string lf_downloadAirportFile(const std::string& relativePath, const fs::path& destination) {
  const std::string url = gf_downloadBase() + "P3D/" + relativePath;
  Downloader downloader;
  downloader.setLimits(gf_downloadLimits(g_airportFileMaxBytes, g_airportFileTotalTime));
  if (downloader.download(url, destination, true)) return {};
  std::error_code ec;
  if (fs::exists(destination, ec)) lf_removeQuietly(destination);
  std::string failure = fmt::format("failed to download: '{}'", url);
  gf_log(failure);
  return failure;
}

double gf_readDestApfForClosestStand(const IcaoCode& icao, LatLon position, std::string& standName) {
  const fs::path workFile("airport.xml");
  try {
    const std::string path = gf_airportFileFor(icao);
    if (path.empty()) return 100.0;
    fs::path loaded(path);
    if (!lf_isLocal(path)) {
      if (!lf_downloadAirportFile(path, workFile).empty()) return 100.0;
      loaded = workFile;
    }
    pugi::xml_document document;
    const bool ok = static_cast<bool>(document.load_file(loaded.c_str()));
    if (!lf_isLocal(path)) lf_removeQuietly(workFile);
    if (!ok) return 100.0;
    // The stands are where the main reader finds them: under root in the program's files.
    const pugi::xml_node parkpositions = gf_airportFileElement(document, "parkpositions");
    double best = 100.0;
    for (const auto& parkpos : parkpositions.children("parkpos")) {
      const LatLon stand{gf_doubleAttribute(parkpos, "latitude"), gf_doubleAttribute(parkpos, "longitude")};
      const double distance = gf_greatCircleNm(position, stand);
      if (distance < best) {
        best = distance;
        standName = parkpos.attribute("id").value();
      }
    }
    return best;
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{}: {}", "gf_readDestApfForClosestStand", e.what()));
    lf_removeQuietly(workFile);
    return 100.0;
  }
}

void gf_restoreAirportSettings() {
  SettingsState& s = g_settings;
  const AirportSettingsSnapshot& snap = g_airportsState.snapshot;
  if (snap.maxLiveSel != s.MAX_LIVE_SEL.value) {
    s.MAX_LIVE_SEL.value = s.MAX_LIVE_SEL.clamp(snap.maxLiveSel);
    s.MAX_LIVE_SEL.selectValue(s.MAX_LIVE_SEL.value);
    gf_saveIntParameter(s.MAX_LIVE_SEL);
  }
  if (snap.maxFit != s.MAX_FIT.value) {
    s.MAX_FIT.value = s.MAX_FIT.clamp(snap.maxFit);
    gf_setMaxFitFl();
    gf_saveIntParameter(s.MAX_FIT);
  }
  if (snap.range != s.RANGE.value) {
    gf_setRange(s.RANGE.clamp(snap.range));
    gf_saveIntParameter(s.RANGE);
  }
  if (snap.parkingPercentage != s.parking_percentage.value) {
    s.parking_percentage.value = s.parking_percentage.clamp(snap.parkingPercentage);
    s.parking_percentage.selectValue(s.parking_percentage.value);
    gf_saveIntParameter(s.parking_percentage);
  }
  if (snap.autoRange != s.AUTO_RANGE.value) {
    lf_setCheckbox(s.AUTO_RANGE, snap.autoRange);
    s.RANGE.setEnabled(!snap.autoRange);
    s.AR_ABOVE_HEIGHT.setEnabled(snap.autoRange);
    gf_saveBoolParameter(s.AUTO_RANGE);
  }
  for (auto [setting, value] : {std::pair{&s.INITIAL_LOAD_ONLY, snap.initialLoadOnly},
                                std::pair{&s.PARK_SOFT, snap.parkSoft}, std::pair{&s.WEEK, snap.week}}) {
    if (value == setting->value) continue;
    lf_setCheckbox(*setting, value);
    gf_saveBoolParameter(*setting);
  }
}

void gf_clearStands() {
  g_stands.clear();
  gf_publishStandNames();
}

}  // namespace vexo
