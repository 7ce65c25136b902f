#include "foundation/paths.h"

#include <mutex>
#include <optional>

#include "foundation/charset.h"
#include "foundation/log.h"
#include "platform/known_folders.h"

namespace vexo {

namespace fs = std::filesystem;

// Defined in this order so that every folder exists before a path is joined from it.
const fs::path g_inputFolder = "input";
const fs::path g_dbaseEncPath = g_inputFolder / "dbase.enc";
const fs::path g_dbaseXmlPath = g_inputFolder / "dbase.xml";
const fs::path g_airportsEncPath = g_inputFolder / "airports.enc";
const fs::path g_airportsXmlPath = g_inputFolder / "airports.xml";
const fs::path g_aigRegcodesEncPath = g_inputFolder / "AIG-regcodes.enc";
const fs::path g_aigRegcodesXmlPath = g_inputFolder / "AIG-regcodes.xml";
const fs::path g_myRegcodesFolder = g_inputFolder / "my_regcodes";

const fs::path g_outputFolder = "output";
const fs::path g_liveriesScannedPath = g_outputFolder / "LiveriesScanned.xml";
const fs::path g_infoFolder = g_outputFolder / "info";
const fs::path g_errorsFolder = g_outputFolder / "errors";
const fs::path g_objectIdListPath = g_infoFolder / "ObjectIdList.txt";
const fs::path g_airportsScanLogPath = g_infoFolder / "AirportsScanLog.txt";
const fs::path g_noFltsimSectionPath = g_infoFolder / "AircraftCfgWithNoFltsimSection.txt";
const fs::path g_offlineRegcodesPath = g_infoFolder / "OfflineRegcodes.txt";
const fs::path g_inlineRegcodesPath = g_errorsFolder / "InlineRegcodes.txt";
const fs::path g_invalidAirlineCodesPath = g_errorsFolder / "InvalidAirlineCodes.txt";
const fs::path g_invalidAircraftCodesPath = g_errorsFolder / "InvalidAircraftCodes.txt";
const fs::path g_fixesPath = g_errorsFolder / "Fixes.txt";
const fs::path g_invalidAircraftCfgFilesPath = g_errorsFolder / "InvalidAircraftCfgFiles.txt";
const fs::path g_incompleteFltsimSectionsPath = g_errorsFolder / "IncompleFltsimSections.txt";

const fs::path g_airportsFolder = "airports";
const fs::path g_learnedFolder = g_airportsFolder / "learned";
const fs::path g_learnedStockFolder = g_learnedFolder / "stock";
const fs::path g_learnedSimaddonFolder = g_learnedFolder / "simaddon";
const fs::path g_learnedThirdpartyFolder = g_learnedFolder / "thirdparty";
const fs::path g_myOrbxFolder = g_airportsFolder / "my_ORBX";
const fs::path g_myThirdpartyFolder = g_airportsFolder / "my_thirdparty";
const fs::path g_myParkAirportsPath = g_airportsFolder / "my_park_airports.txt";

const fs::path g_tbloFolder = "tblo";
const fs::path g_tbloZipPath = "tblo.zip";
const fs::path g_docsFolder = "docs";
const fs::path g_insideSystemsName = "InsideSystems";
const fs::path g_newVersionFolder = "new_version";
const fs::path g_newVersionExe = "install_new_version.exe";
const fs::path g_releaseNotesPdf = "ReleaseNotes.pdf";

namespace {

std::mutex g_userPathsMutex;            // guards g_appFolderCache
std::optional<fs::path> g_appFolderCache;

}  // namespace

fs::path gf_appFolder() {
  std::lock_guard lock(g_userPathsMutex);
  if (!g_appFolderCache) {
    fs::path appData;
    if (auto known = platform::gf_knownFolderPath(platform::KnownFolder::roamingAppData)) {
      appData = *known;
    } else {
      gf_logWarning("Could not find the AppData path");
    }
    g_appFolderCache = appData / g_programName;
  }
  return *g_appFolderCache;
}

fs::path gf_parametersPath() { return gf_appFolder() / "parameters.xml"; }

std::string gf_parametersPathUtf8() { return gf_pathToUtf8(gf_parametersPath()); }

void gf_resetUserPaths() {
  std::lock_guard lock(g_userPathsMutex);
  g_appFolderCache.reset();
}

}  // namespace vexo
