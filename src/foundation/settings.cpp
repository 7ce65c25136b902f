#include "foundation/settings.h"

namespace vexo {

namespace {

template <std::size_t N>
void lf_appendAll(std::vector<StringSetting*>& out, std::array<StringSetting, N>& settings) {
  for (StringSetting& s : settings) out.push_back(&s);
}

std::vector<StringSetting*> lf_stringRegistry(SettingsState& s) {
  std::vector<StringSetting*> out{&s.PROGRAM_VERSION, &s.SIM_INSTALL_PATH, &s.PORT_NUMBER};
  lf_appendAll(out, s.lfolder);
  lf_appendAll(out, s.afolder);
  out.insert(out.end(), {&s.AIG_VERSION, &s.DBASE_VERSION, &s.AIRPORTS_VERSION, &s.LIV_SCAN_VERSION,
                         &s.ADDONS_SCAN_VERSION, &s.DESTINATION});
  return out;
}

}  // namespace

SettingsState::SettingsState()
    : boolSettings{&RANDOM},
      checkboxSettings{&ALWAYS_ON_TOP, &NAV_LIGHTS_WHILE_PARKED, &AEROWINX, &GUID_CHANGES, &SCAN_LIVERIES,
                       &LIG_PRIORITIZE, &SCAN_AIRPORTS, &LIGHT_AIRCRAFT, &HELICOPTERS, &HIGH_PERF_AIRCRAFT,
                       &AUTO_RANGE, &AIRBORNE_ONLY, &COLLISION_USER_GND, &COLLISION_USER_AIR,
                       &COLLISION_LIVE_PARKED_GND, &STRAIGHT_PBS_ONLY, &INITIAL_LOAD_ONLY, &WEEK, &PARK_SOFT},
      numericSettings{&MAIN_WINDOW_X, &MAIN_WINDOW_Y, &LAST_EPOCH_TIME, &CUSTOM_PARKING_PERCENTAGE,
                      &HOLDING_THRESHOLD_METERS, &MAX_HOLDING_MINUTES, &AIRP_HEIGHT, &MAX_FIT, &P3D_VERSION},
      comboSettings{&MATCHING_DEPTH, &RANGE, &AR_ABOVE_HEIGHT, &MAX_PARK_SEL, &MAX_LIVE_SEL, &AIRP_RANGE, &AIRP_HEIGHT},
      stringSettings(lf_stringRegistry(*this)),
      editSettings{&BLOCK_CALLSIGN} {
  rangeNm = static_cast<double>(RANGE.value.load());
  rangeMeters = static_cast<std::uint32_t>(RANGE.value.load()) * 1852U;
}

SettingsState g_settings;

}  // namespace vexo
