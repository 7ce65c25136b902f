// window_shot OUTPUT.png [start|running|error]: shows the main window in one of a few
// states and writes what the screen shows of it as a PNG. Needs an X display; settings
// are read from and written to a temporary per-user folder, never the user's own.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_window.h"
#include "foundation/main_window_state.h"
#include "foundation/status_line.h"
#include "app/window_requests.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "foundation/settings_startup.h"
#include "platform/fltk/fltk_window.h"

using namespace vexo;

namespace {

bool writePng(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y)
    png_write_row(png, rgb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

// The controls as the start-up leaves them once the program is ready.
void enableControls() {
  SettingsState& s = g_settings;
  for (CheckboxSetting* c : s.checkboxSettings) c->enable();
  for (ComboSetting* c : {&s.MATCHING_DEPTH, &s.RANGE, &s.AR_ABOVE_HEIGHT, &s.MAX_PARK_SEL, &s.MAX_LIVE_SEL,
                          &s.AIRP_RANGE, &s.AIRP_HEIGHT, &s.parking_percentage})
    c->fillComboBox();
  s.MAX_FIT_FL.fillComboBox();
  s.RANGE.setEnabled(!s.AUTO_RANGE.value);
  s.BLOCK_CALLSIGN.enable();
  s.ALL_INSTALL_PATH.setValue("/opt/Prepar3D v5");
  s.ALL_INSTALL_PATH.updateControl();
  s.ALL_INSTALL_PATH.enable();
  s.DESTINATION.setValue("EDDF");
  s.DESTINATION.updateControl();
}

void runningState() {
  MainWindowState& w = g_mainWindowState;
  w.updateTexts([](ShownTexts& t) {
    t.simulatorText = "Prepar3D v5 (5.4.9.28482)";
    t.userStand = "V155";
    t.aircraftTitle = "Airbus A320neo Vendrake livery";
    t.rtEdition = "RealTraffic 10.0.158 (professional)";
    t.parkAirportLine = "EDDF (FRA)";
    t.parkAirportName = "Frankfurt am Main";
    t.parkAirportPublisher = "stock";
    t.qualityFactor = "0.82";
    t.reservedStand = "V155";
  });
  w.simConnected = true;
  w.flightRunning = true;
  w.rtNotStarted = false;
  w.rtConnected = true;
  w.trafficLight = g_lightReceiving;
  w.qnhLight = g_lightReceiving;
  w.qnhShown = 1013;
  w.liveShown = 37;
  w.liveriesCount = 5231;
  w.simaddonCount = 14;
  w.thirdpartyCount = 3;
  w.parkAirportSet = true;
  w.parkAirportValid = true;
  w.reservedStandValid = true;
  w.trafficWeek = 49;
  w.stands = 287;
  w.parkedLive = 12;
  w.liveAverageFit = 2.5f;
  w.maxPark = 100;
  w.parkPercentage = 30;
  w.staticCount = 64;
  w.staticAverageFit = 6.0f;
  w.updatesCount = 415;
  w.minutesToRenewal = 12;
  g_nowAllowed = true;
  SettingsState& s = g_settings;
  s.nowButton.enable();
  s.flushStaticButton.enable();
  s.rereadButton.enable();
  s.csToOidButton.enable();
  s.callsignChoices->set({"BAW123", "DLH4AB", "KLM1745"});
  s.CALLSIGN_2_OBJECTID.setValue("DLH4AB");
  s.CALLSIGN_2_OBJECTID.fillComboBox();
  gf_setStatus("New destination: EDDF", false);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: window_shot OUTPUT.png [start|running|error]\n";
    return 2;
  }
  const std::string output = argv[1];
  const std::string_view state = argc > 2 ? argv[2] : "running";
  if (state != "start" && state != "running" && state != "error") {
    std::cerr << "window_shot: unknown state '" << state << "' (start, running or error)\n";
    return 2;
  }
  if (!platform::FltkWindowSystem::displayAvailable()) {
    std::cerr << "window_shot: no X display (set DISPLAY, or run scripts/screenshot.sh)\n";
    return 1;
  }
  const std::filesystem::path appData = std::filesystem::temp_directory_path() / "vdrk_window_shot";
  std::filesystem::create_directories(appData);
  ::setenv("VDRK_APPDATA", appData.c_str(), 1);
  std::filesystem::remove(gf_parametersPath());  // always the default settings

  platform::FltkWindowSystem system;
  if (!initInstance(system, "Vendrake_P3D")) {
    std::cerr << "window_shot: the window could not be created\n";
    return 1;
  }
  if (state != "start") enableControls();
  if (state == "running") runningState();
  if (state == "error") gf_setStatusError("151: No P3D install path detected. Type the full Install Path above, then press Enter");
  auto* window = system.window();
  for (int round = 0; round < 20; ++round) system.runOnce(0.02);
  int width = 0;
  int height = 0;
  const auto pixels = window->capture(width, height);
  if (!writePng(output, width, height, pixels)) {
    std::cerr << "window_shot: cannot write " << output << '\n';
    return 1;
  }
  std::cout << "window_shot: wrote " << output << " (" << width << " x " << height << ", " << state << ")\n";
  std::filesystem::remove_all(appData);
  return 0;
}
