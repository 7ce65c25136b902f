// The program's file and folder names. Relative paths are relative to the working
// folder, which is the program's own folder (start-up checks that it holds "docs").
#pragma once

#include <filesystem>
#include <string>

namespace vexo {

extern const std::filesystem::path g_inputFolder;         // input
extern const std::filesystem::path g_dbaseEncPath;        // input/dbase.enc
extern const std::filesystem::path g_dbaseXmlPath;        // input/dbase.xml
extern const std::filesystem::path g_airportsEncPath;     // input/airports.enc
extern const std::filesystem::path g_airportsXmlPath;     // input/airports.xml
extern const std::filesystem::path g_aigRegcodesEncPath;  // input/AIG-regcodes.enc
extern const std::filesystem::path g_aigRegcodesXmlPath;  // input/AIG-regcodes.xml
extern const std::filesystem::path g_myRegcodesFolder;    // input/my_regcodes

extern const std::filesystem::path g_outputFolder;                 // output
extern const std::filesystem::path g_liveriesScannedPath;          // output/LiveriesScanned.xml
extern const std::filesystem::path g_infoFolder;                   // output/info
extern const std::filesystem::path g_errorsFolder;                 // output/errors
extern const std::filesystem::path g_objectIdListPath;             // output/info/ObjectIdList.txt
extern const std::filesystem::path g_airportsScanLogPath;          // output/info/AirportsScanLog.txt
extern const std::filesystem::path g_noFltsimSectionPath;          // output/info/AircraftCfgWithNoFltsimSection.txt
extern const std::filesystem::path g_offlineRegcodesPath;          // output/info/OfflineRegcodes.txt
extern const std::filesystem::path g_inlineRegcodesPath;           // output/errors/InlineRegcodes.txt
extern const std::filesystem::path g_invalidAirlineCodesPath;      // output/errors/InvalidAirlineCodes.txt
extern const std::filesystem::path g_invalidAircraftCodesPath;     // output/errors/InvalidAircraftCodes.txt
extern const std::filesystem::path g_fixesPath;                    // output/errors/Fixes.txt
extern const std::filesystem::path g_invalidAircraftCfgFilesPath;  // output/errors/InvalidAircraftCfgFiles.txt
extern const std::filesystem::path g_incompleteFltsimSectionsPath; // output/errors/IncompleFltsimSections.txt

extern const std::filesystem::path g_airportsFolder;            // airports
extern const std::filesystem::path g_learnedFolder;             // airports/learned
extern const std::filesystem::path g_learnedStockFolder;        // airports/learned/stock
extern const std::filesystem::path g_learnedSimaddonFolder;     // airports/learned/simaddon
extern const std::filesystem::path g_learnedThirdpartyFolder;   // airports/learned/thirdparty
extern const std::filesystem::path g_myOrbxFolder;              // airports/my_ORBX
extern const std::filesystem::path g_myThirdpartyFolder;        // airports/my_thirdparty
extern const std::filesystem::path g_myParkAirportsPath;        // airports/my_park_airports.txt

extern const std::filesystem::path g_tbloFolder;          // tblo
extern const std::filesystem::path g_tbloZipPath;         // tblo.zip
extern const std::filesystem::path g_docsFolder;          // docs
extern const std::filesystem::path g_insideSystemsName;   // InsideSystems
extern const std::filesystem::path g_newVersionFolder;    // new_version
extern const std::filesystem::path g_newVersionExe;       // install_new_version.exe
extern const std::filesystem::path g_releaseNotesPdf;     // ReleaseNotes.pdf

// The program's name as it appears in folder names and messages.
inline constexpr const char* g_programName = "Vendrake_P3D";

// The per-user folder: the roaming application-data folder joined with "Vendrake_P3D";
// the relative folder Vendrake_P3D when that folder is not known (logged as a warning).
// Worked out on first use; any thread.
std::filesystem::path gf_appFolder();
// parameters.xml in the per-user folder, and the same path as UTF-8 text for messages.
std::filesystem::path gf_parametersPath();
std::string gf_parametersPathUtf8();
// Forgets the per-user folder so that the next use works it out again (tests).
void gf_resetUserPaths();

}  // namespace vexo
