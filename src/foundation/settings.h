// Every setting of the program, with the registries that load and save them.
//
// One production instance, g_settings; a test builds a fresh SettingsState. Code reads a
// setting's current value directly from its object (g_settings.RANGE.value).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "foundation/setting.h"

namespace vexo {

// Command ids of the controls (also their child-window ids).
namespace cmd {
inline constexpr platform::ControlId alwaysOnTop = 32771;
inline constexpr platform::ControlId guidChanges = 32773;
inline constexpr platform::ControlId navLightsWhileParked = 32774;
inline constexpr platform::ControlId aerowinx = 32776;
inline constexpr platform::ControlId allInstallPath = 32788;
inline constexpr platform::ControlId scanLiveries = 32798;
inline constexpr platform::ControlId ligPrioritize = 32800;
inline constexpr platform::ControlId scanAirports = 32802;
inline constexpr platform::ControlId tbloZip = 32804;
inline constexpr platform::ControlId matchingDepth = 32808;
inline constexpr platform::ControlId lightAircraft = 32809;
inline constexpr platform::ControlId helicopters = 32810;
inline constexpr platform::ControlId highPerfAircraft = 32811;
inline constexpr platform::ControlId range = 32818;
inline constexpr platform::ControlId autoRange = 32819;
inline constexpr platform::ControlId arAboveHeight = 32820;
inline constexpr platform::ControlId airborneOnly = 32821;
inline constexpr platform::ControlId blockCallsign = 32828;
inline constexpr platform::ControlId unblock = 32829;
inline constexpr platform::ControlId csToOid = 32830;
inline constexpr platform::ControlId callsign2ObjectId = 32831;
inline constexpr platform::ControlId block = 32832;
inline constexpr platform::ControlId collisionUserAir = 32833;
inline constexpr platform::ControlId collisionUserGnd = 32834;
inline constexpr platform::ControlId collisionLiveParkedGnd = 32835;
inline constexpr platform::ControlId reread = 32838;
inline constexpr platform::ControlId destination = 32839;
inline constexpr platform::ControlId airpRange = 32840;
inline constexpr platform::ControlId airpHeight = 32841;
inline constexpr platform::ControlId now = 32847;
inline constexpr platform::ControlId maxParkSel = 32848;
inline constexpr platform::ControlId maxLiveSel = 32849;
inline constexpr platform::ControlId parkingPercentage = 32850;
inline constexpr platform::ControlId initialLoadOnly = 32851;
inline constexpr platform::ControlId parkSoft = 32852;
inline constexpr platform::ControlId week = 32853;
inline constexpr platform::ControlId maxFitFl = 32854;
inline constexpr platform::ControlId straightPbsOnly = 32855;
inline constexpr platform::ControlId flushStatic = 32857;
}  // namespace cmd

struct SettingsState {
  SettingsState();
  SettingsState(const SettingsState&) = delete;
  SettingsState& operator=(const SettingsState&) = delete;

  // Check boxes.
  CheckboxSetting ALWAYS_ON_TOP{"ALWAYS_ON_TOP", false, cmd::alwaysOnTop, 147};
  CheckboxSetting NAV_LIGHTS_WHILE_PARKED{"NAV_LIGHTS_WHILE_PARKED", true, cmd::navLightsWhileParked, 175};
  CheckboxSetting AEROWINX{"AEROWINX", false, cmd::aerowinx, 203};
  CheckboxSetting GUID_CHANGES{"GUID_CHANGES", true, cmd::guidChanges, 203};
  CheckboxSetting SCAN_LIVERIES{"SCAN_LIVERIES", true, cmd::scanLiveries, 147};
  CheckboxSetting LIG_PRIORITIZE{"LIG_PRIORITIZE", true, cmd::ligPrioritize, 147};
  CheckboxSetting SCAN_AIRPORTS{"SCAN_AIRPORTS", true, cmd::scanAirports, 175};
  CheckboxSetting LIGHT_AIRCRAFT{"LIGHT_AIRCRAFT", true, cmd::lightAircraft, 203};
  CheckboxSetting HELICOPTERS{"HELICOPTERS", true, cmd::helicopters, 203};
  CheckboxSetting HIGH_PERF_AIRCRAFT{"HIGH_PERF_AIRCRAFT", true, cmd::highPerfAircraft, 203};
  CheckboxSetting AUTO_RANGE{"AUTO_RANGE", true, cmd::autoRange, 231};
  CheckboxSetting AIRBORNE_ONLY{"AIRBORNE_ONLY", false, cmd::airborneOnly, 231};
  CheckboxSetting COLLISION_USER_GND{"COLLISION_USER_GND", true, cmd::collisionUserGnd, 287};
  CheckboxSetting COLLISION_USER_AIR{"COLLISION_USER_AIR", true, cmd::collisionUserAir, 287};
  CheckboxSetting COLLISION_LIVE_PARKED_GND{"COLLISION_LIVE_PARKED_GND", false, cmd::collisionLiveParkedGnd, 287};
  CheckboxSetting STRAIGHT_PBS_ONLY{"STRAIGHT_PBS_ONLY", false, cmd::straightPbsOnly, 315};
  CheckboxSetting INITIAL_LOAD_ONLY{"INITIAL_LOAD_ONLY", false, cmd::initialLoadOnly, 371};
  CheckboxSetting WEEK{"WEEK", false, cmd::week, 371};
  CheckboxSetting PARK_SOFT{"PARK_SOFT", false, cmd::parkSoft, 371};

  // Drop-down lists of numbers (lo = first choice, hi = last).
  ComboSetting MATCHING_DEPTH{"MATCHING_DEPTH", 4, cmd::matchingDepth, 203, {1, 2, 3, 4}};
  ComboSetting RANGE{"RANGE", 40, cmd::range, 231, {2, 3, 4, 5, 6, 8, 10, 12, 14, 16, 18, 20, 25, 30, 35, 40, 50, 65, 80, 100}};
  ComboSetting AR_ABOVE_HEIGHT{"AR_ABOVE_HEIGHT", 48000, cmd::arAboveHeight, 231,
                               {18000, 21000, 24000, 27000, 30000, 33000, 36000, 39000, 42000, 45000, 48000}};
  ComboSetting MAX_PARK_SEL{"MAX_PARK_SEL", 500, cmd::maxParkSel, 315, {0, 10, 25, 50, 75, 100, 500}};
  ComboSetting MAX_LIVE_SEL{"MAX_LIVE_SEL", 500, cmd::maxLiveSel, 315, {0, 10, 25, 50, 75, 100, 500}};
  ComboSetting AIRP_RANGE{"AIRP_RANGE", 20, cmd::airpRange, 343, {5, 10, 15, 20, 25, 30}};
  ComboSetting AIRP_HEIGHT{"AIRP_HEIGHT", 18000, cmd::airpHeight, 343,
                           {2000, 4000, 6000, 8000, 10000, 12000, 14000, 16000, 18000, 36000, 48000}};
  // In no registry: never loaded; written only by its own one-value save.
  ComboSetting parking_percentage{"parking_percentage", 30, cmd::parkingPercentage, 371,
                                  {0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60, 65, 70, 75, 80, 85, 90, 95, 100}};
  // Shown form of MAX_FIT (see gf_setMaxFitFl); never stored.
  FloatComboSetting MAX_FIT_FL{"MAX_FIT_FL", 24.0F, cmd::maxFitFl, 371,
                               {0.5F, 1.0F, 1.5F, 2.0F, 2.5F, 3.0F, 3.5F, 4.0F, 4.5F, 5.0F, 6.0F, 7.0F, 8.0F, 9.0F,
                                10.0F, 12.0F, 15.0F, 18.0F, 21.0F, 24.0F}};

  // Plain numbers without control.
  NumericSetting MAIN_WINDOW_X{"MAIN_WINDOW_X", 400, -30000, 30000};
  NumericSetting MAIN_WINDOW_Y{"MAIN_WINDOW_Y", 20, -30000, 30000};
  NumericSetting LAST_EPOCH_TIME{"LAST_EPOCH_TIME:", 0, 0, 2147483647};
  NumericSetting CUSTOM_PARKING_PERCENTAGE{"CUSTOM_PARKING_PERCENTAGE", -1, -1, 100};
  NumericSetting HOLDING_THRESHOLD_METERS{"HOLDING_THRESHOLD_METERS", 250, 10, 4000};
  NumericSetting MAX_HOLDING_MINUTES{"MAX_HOLDING_MINUTES", 20, 1, 60};
  NumericSetting MAX_FIT{"MAX_FIT", 47, 0, 47};
  NumericSetting P3D_VERSION{"P3D_VERSION", 5, 5, 6};

  BoolSetting RANDOM{"RANDOM", true};

  // Strings.
  StringSetting PROGRAM_VERSION{"PROGRAM_VERSION", ""};
  StringSetting SIM_INSTALL_PATH{"SIM_INSTALL_PATH", ""};
  StringSetting PORT_NUMBER{"PORT_NUMBER", "10747"};
  std::array<StringSetting, 10> lfolder{
      StringSetting{"lfolder0", ""}, StringSetting{"lfolder1", ""}, StringSetting{"lfolder2", ""},
      StringSetting{"lfolder3", ""}, StringSetting{"lfolder4", ""}, StringSetting{"lfolder5", ""},
      StringSetting{"lfolder6", ""}, StringSetting{"lfolder7", ""}, StringSetting{"lfolder8", ""},
      StringSetting{"lfolder9", ""}};
  std::array<StringSetting, 10> afolder{
      StringSetting{"afolder0", ""}, StringSetting{"afolder1", ""}, StringSetting{"afolder2", ""},
      StringSetting{"afolder3", ""}, StringSetting{"afolder4", ""}, StringSetting{"afolder5", ""},
      StringSetting{"afolder6", ""}, StringSetting{"afolder7", ""}, StringSetting{"afolder8", ""},
      StringSetting{"afolder9", ""}};
  StringSetting AIG_VERSION{"AIG_VERSION", ""};
  StringSetting DBASE_VERSION{"DBASE_VERSION", ""};
  StringSetting AIRPORTS_VERSION{"AIRPORTS_VERSION", ""};
  StringSetting LIV_SCAN_VERSION{"LIV_SCAN_VERSION", ""};
  StringSetting ADDONS_SCAN_VERSION{"ADDONS_SCAN_VERSION", ""};
  // An edit field, but registered as a plain string: the store does not refresh its field.
  EditSetting DESTINATION{"DESTINATION", "", cmd::destination, 343};

  // Edit fields.
  EditSetting BLOCK_CALLSIGN{"BLOCK_CALLSIGN", "", cmd::blockCallsign, 259};
  // Shows the install path; never stored under its own key.
  EditSetting ALL_INSTALL_PATH{"ALL_INSTALL_PATH", "", cmd::allInstallPath, 119};

  // The callsigns of the traffic in sight, filled by the traffic engine.
  std::shared_ptr<SharedStringList> callsignChoices = std::make_shared<SharedStringList>();
  StringComboSetting CALLSIGN_2_OBJECTID{"CALLSIGN_2_OBJECTID", cmd::callsign2ObjectId, 259, callsignChoices};

  // Push buttons (the label is the key).
  CommandButton tbloZipButton{"tblo.zip", cmd::tbloZip, 175};
  CommandButton unblockButton{"Unblock", cmd::unblock, 257};
  CommandButton csToOidButton{"cs->oid:", cmd::csToOid, 257};
  CommandButton blockButton{"Block", cmd::block, 257};
  CommandButton rereadButton{"Re-read", cmd::reread, 341};
  CommandButton nowButton{"Now", cmd::now, 313};
  CommandButton flushStaticButton{"Flush static", cmd::flushStatic, 369};

  // RANGE in nautical miles and in metres, kept by gf_setRange.
  std::atomic<double> rangeNm{40.0};
  std::atomic<std::uint32_t> rangeMeters{40U * 1852U};

  // Registries: the order of loading, of saving and of a new parameters.xml. AIRP_HEIGHT
  // stands in both numericSettings and comboSettings.
  const std::vector<BoolSetting*> boolSettings;
  const std::vector<CheckboxSetting*> checkboxSettings;
  const std::vector<NumericSetting*> numericSettings;
  const std::vector<ComboSetting*> comboSettings;
  const std::vector<StringSetting*> stringSettings;
  const std::vector<EditSetting*> editSettings;
};

// The production settings.
extern SettingsState g_settings;

// Keys of the settings that an airport file carries as its own parameters.
inline constexpr std::array<std::string_view, 8> g_airportFileSettingKeys{
    "RANGE", "AUTO_RANGE", "INITIAL_LOAD_ONLY", "PARK_SOFT", "parking_percentage", "MAX_FIT", "WEEK", "MAX_LIVE_SEL"};

}  // namespace vexo
