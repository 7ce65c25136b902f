#include "app/main_window_paint.h"

#include <fmt/format.h>

#include <array>
#include <exception>

#include "app/window_requests.h"
#include "foundation/charset.h"
#include "foundation/log.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "foundation/text.h"
#include "foundation/version.h"

namespace vexo {

using platform::Colour;
using platform::Point;

namespace {

constexpr std::string_view kCreditLine = "by the Vendrake team";
constexpr std::string_view kTbloNote = "Please mail tblo.zip to the Vendrake team, thanks!";

// The horizontal lines of the controls band.
constexpr std::array<std::array<Point, 2>, 7> kSeparators{{
    {Point{0, 140}, Point{880, 140}},
    {Point{0, 168}, Point{642, 168}},
    {Point{0, 196}, Point{642, 196}},
    {Point{0, 224}, Point{642, 224}},
    {Point{0, 252}, Point{642, 252}},
    {Point{0, 280}, Point{642, 280}},
    {Point{0, 308}, Point{880, 308}},
}};

void lf_line(platform::Canvas& canvas, Point a, Point b, Colour colour) {
  const std::array<Point, 2> points{a, b};
  canvas.polyline(points, colour);
}

int lf_row(const SettingControl& setting) { return static_cast<int>(setting.y); }

Colour lf_onOff(bool on, Colour whenOn, Colour whenOff) { return on ? whenOn : whenOff; }

}  // namespace

void lf_textOut(platform::Canvas& canvas, int x, int y, std::string_view text, Colour colour) {
  try {
    // The strict conversion is the check: a window text must be valid UTF-8.
    (void)utf8_to_wide(text);
  } catch (const std::exception& e) {
    gf_log(fmt::format("TextOut utf8  to wide failed for '{}': {}", text, e.what()));
    return;
  }
  canvas.text(Point{x, y}, text, colour);
}

void lf_paintCounters(platform::Canvas& canvas, const MainWindowState& state) {
  const ShownTexts texts = state.texts();
  const bool simConnected = state.simConnected;
  const Colour simColour = !simConnected ? g_red
                           : (state.flightRunning && !texts.aircraftTitle.empty()) ? g_limeGreen
                                                                                    : g_yellow;
  canvas.fillRect({397, 30, 426, 113}, simColour);
  lf_textOut(canvas, 398, 63, "Sim", g_limeGreen);
  if (simConnected) {
    std::string simLine = texts.simulatorText;
    if (!texts.userStand.empty()) simLine += ", user stand " + texts.userStand;
    lf_textOut(canvas, 5, 35, simLine, simColour);
    lf_textOut(canvas, 5, 63, texts.aircraftTitle, state.userAcKnown ? simColour : g_yellow);
  }

  const auto liveries = state.liveriesCount.load();
  if (liveries == 0)
    lf_textOut(canvas, 5, 91, "# liveries: ...", g_red);
  else
    lf_textOut(canvas, 5, 91, fmt::format("# liveries: {}", liveries), g_limeGreen);
  auto scanCount = [&](int x, std::string_view name, std::uint64_t count) {
    if (count == 0)
      lf_textOut(canvas, x, 91, fmt::format("# {}: ...", name), g_yellow);
    else
      lf_textOut(canvas, x, 91, fmt::format("# {}: {}", name, count), g_limeGreen);
  };
  scanCount(141, "simaddon", state.simaddonCount);
  scanCount(278, "thirdp", state.thirdpartyCount);

  const bool rtConnected = state.rtConnected;
  const std::uint32_t trafficLight = state.trafficLight;
  const std::uint32_t qnhLight = state.qnhLight;
  const Colour rtColour = state.rtNotStarted ? g_black
                          : !rtConnected     ? g_red
                          : trafficLight == g_lightReceiving ? g_limeGreen
                                                             : g_yellow;
  canvas.fillRect({425, 30, 454, 113}, rtColour);
  lf_textOut(canvas, 430, 63, "RT", g_limeGreen);
  if (rtConnected) {
    lf_textOut(canvas, 458, 35, texts.rtEdition, lf_onOff(trafficLight == g_lightReceiving, g_limeGreen, g_yellow));
    if (qnhLight != g_lightStopped)
      lf_textOut(canvas, 458, 63, "Weather", lf_onOff(qnhLight == g_lightReceiving, g_limeGreen, g_yellow));
    if (trafficLight != g_lightStopped)
      lf_textOut(canvas, 458, 91, "Traffic", lf_onOff(trafficLight == g_lightReceiving, g_limeGreen, g_yellow));
  }
  lf_line(canvas, {425, 29}, {425, 112}, g_black);
}

void lf_paintLabels(platform::Canvas& canvas, const MainWindowState& state) {
  const SettingsState& s = g_settings;
  const platform::Controls& controls = platform::gf_controls();
  auto label = [&](int x, const SettingControl& row, std::string_view text, Colour colour) {
    lf_textOut(canvas, x, lf_row(row), text, colour);
  };
  auto enabledColour = [&](const SettingControl& setting) {
    return controls.isEnabled(setting.commandId) ? g_black : g_grey;
  };

  label(652, s.ALWAYS_ON_TOP, "Meta:", g_black);
  label(768, s.ALWAYS_ON_TOP, "Stay on top", g_black);
  label(768, s.NAV_LIGHTS_WHILE_PARKED, "Nav lights", g_black);
  label(768, s.GUID_CHANGES, "GUID changes", lf_onOff(s.GUID_CHANGES.value, g_black, g_yellow));
  label(672, s.AEROWINX, "Aerowinx", lf_onOff(s.AEROWINX.value, g_yellow, g_black));
  label(5, s.ALL_INSTALL_PATH, "Install path:", g_black);
  label(25, s.SCAN_LIVERIES, "Scan for liveries", lf_onOff(s.SCAN_LIVERIES.value, g_yellow, g_black));
  label(556, s.LIG_PRIORITIZE, "Prioritize", g_black);
  label(25, s.SCAN_AIRPORTS, "Scan for addon airports", lf_onOff(s.SCAN_AIRPORTS.value, g_yellow, g_black));
  if (state.tbloNote) label(303, s.SCAN_AIRPORTS, kTbloNote, g_yellow);
  label(5, s.MATCHING_DEPTH, "Max aircraft matching depth", g_black);
  label(258, s.LIGHT_AIRCRAFT, "Optional:", g_black);
  label(343, s.LIGHT_AIRCRAFT, "Light aircraft", enabledColour(s.LIGHT_AIRCRAFT));
  label(450, s.HELICOPTERS, "Helicopters", enabledColour(s.HELICOPTERS));
  label(556, s.HIGH_PERF_AIRCRAFT, "FighterJets", enabledColour(s.HIGH_PERF_AIRCRAFT));
  label(5, s.RANGE, "Traffic injection", g_black);
  label(163, s.RANGE, "Radius:", g_black);
  label(270, s.RANGE, "nm, or", g_black);
  label(343, s.AUTO_RANGE, "Auto radius", g_black);
  const Colour autoColour = lf_onOff(s.AUTO_RANGE.value, g_black, g_grey);
  label(430, s.AR_ABOVE_HEIGHT, "Ah:", autoColour);
  label(536, s.AR_ABOVE_HEIGHT, "ft", autoColour);
  label(592, s.AIRBORNE_ONLY, "AirOnly", lf_onOff(s.AIRBORNE_ONLY.value, g_yellow, g_black));
  label(5, s.BLOCK_CALLSIGN, "Block callsign:", g_black);
  label(5, s.COLLISION_USER_GND, "Collision avoidance", g_black);
  label(237, s.COLLISION_USER_GND, "User ground", g_black);
  label(343, s.COLLISION_USER_AIR, "User air", g_black);
  label(450, s.COLLISION_LIVE_PARKED_GND, "Live X parked", g_black);

  const bool parkBusy = g_parkBusy;
  label(5, s.MAX_PARK_SEL, "Airport parking", lf_onOff(parkBusy, g_yellow, g_black));
  const bool maxParkZero = s.MAX_PARK_SEL.value == 0;
  const bool maxLiveZero = s.MAX_LIVE_SEL.value == 0;
  auto limitColour = [&](bool zero) { return (maxParkZero && maxLiveZero) ? g_red : zero ? g_yellow : g_black; };
  label(171, s.MAX_PARK_SEL, "Max park (static+live):", limitColour(maxParkZero));
  label(401, s.MAX_LIVE_SEL, "Max live (park incl):", limitColour(maxLiveZero));
  label(672, s.STRAIGHT_PBS_ONLY, "Straight push backs only", lf_onOff(s.STRAIGHT_PBS_ONLY.value, g_black, g_grey));
  label(137, s.DESTINATION, "Destination:", g_black);
  label(303, s.AIRP_RANGE, "Range:", g_black);
  label(403, s.AIRP_RANGE, "nm", g_black);
  label(440, s.AIRP_HEIGHT, "Height above gnd:", g_black);
  label(646, s.AIRP_HEIGHT, "ft", g_black);
  if (state.parkAirportSet && !parkBusy) {
    const std::int32_t minutes = state.minutesToRenewal;
    if (s.INITIAL_LOAD_ONLY.value)
      label(5, s.AIRP_RANGE, "(no next ... )", g_black);
    else if (minutes >= 1 && minutes <= 19)
      label(5, s.AIRP_RANGE, fmt::format("(next in {} min)", minutes), g_black);
  }
  label(25, s.INITIAL_LOAD_ONLY, "ILO", lf_onOff(s.INITIAL_LOAD_ONLY.value, g_yellow, g_black));
  label(91, s.WEEK, "Week", g_black);
  label(171, s.PARK_SOFT, "Soft", g_black);
  label(264, s.parking_percentage, "Target: ", g_black);
  label(378, s.parking_percentage, "%", g_black);
  label(506, s.MAX_FIT_FL, "Max fit:", g_black);
  label(632, s.MAX_FIT_FL, "hrs", g_black);
}

void lf_paintParkPanel(platform::Canvas& canvas, const MainWindowState& state) {
  const ShownTexts texts = state.texts();
  if (texts.parkAirportLine.empty()) return;
  const int y = static_cast<int>(MainWindowState::parkRow);
  const int y2 = y + 28;
  const bool valid = state.parkAirportValid;
  lf_textOut(canvas, 5, y, texts.parkAirportLine, valid ? g_limeGreen : g_yellow);
  if (!valid) return;

  lf_textOut(canvas, 90, y,
             fmt::format(" {}, {}{}, wk={}", texts.parkAirportName, texts.parkAirportPublisher,
                         state.handmade ? " (h)" : "", state.trafficWeek.load()),
             g_limeGreen);
  const bool week = state.weekMode;
  const bool soft = state.softMode;
  const char* mode = (week && soft) ? "*WS*" : soft ? "*S*" : week ? "*W*" : "";
  if (*mode != '\0') lf_textOut(canvas, 370, y, mode, g_limeGreen);
  lf_textOut(canvas, 430, y, fmt::format("qf: {}", texts.qualityFactor), g_limeGreen);
  if (!texts.reservedStand.empty())
    lf_textOut(canvas, 571, y, fmt::format("reserved stand: {}", texts.reservedStand),
               state.reservedStandValid ? g_limeGreen : g_red);
  lf_textOut(canvas, 748, y, fmt::format("# updates: {:4}", state.updatesCount.load()), g_limeGreen);

  lf_textOut(canvas, 5, y2, fmt::format("# stands: {:3}", state.stands.load()), g_limeGreen);
  lf_textOut(canvas, 111, y2, fmt::format("parked live: {:3}", state.parkedLive.load()), g_limeGreen);
  if (const float fit = state.liveAverageFit; fit > 0)
    lf_textOut(canvas, 249, y2, fmt::format("average fit: {}", gf_numberText(fit)), g_limeGreen);
  const std::int32_t maxPark = state.maxPark;
  if (maxPark > 0) {
    lf_textOut(canvas, 430, y2, fmt::format("static: {:3}", state.staticCount.load()), g_limeGreen);
    if (const auto candidates = state.staticCandidates.load(); candidates != 0)
      lf_textOut(canvas, 500, y2, fmt::format(" ({})", candidates), g_yellow);
    if (const float fit = state.staticAverageFit; !week && fit > 0)
      lf_textOut(canvas, 571, y2, fmt::format("average fit: {}", gf_numberText(fit)), g_limeGreen);
  }
  if (maxPark != 0)
    lf_textOut(canvas, 708, y2, fmt::format("max park: {:3} (={} %)", maxPark, state.parkPercentage.load()),
               g_limeGreen);
  else
    lf_textOut(canvas, 708, y2, "no max park live", g_limeGreen);
}

void lf_paintStatusLine(platform::Canvas& canvas, const StatusLine& statusLine) {
  const StatusLine::Texts texts = statusLine.texts();
  constexpr platform::Rect band{0, 448, 881, 477};
  if (!texts.error.empty()) {
    canvas.fillRect(band, g_red);
    lf_textOut(canvas, 3, 455, texts.error, g_yellow);
    return;
  }
  canvas.fillRect(band, g_limeGreen);
  if (!texts.status.empty()) lf_textOut(canvas, 3, 455, texts.status, g_yellow);
}

void lf_paintMainWindow(platform::Canvas& canvas, const MainWindowState& state) {
  canvas.fillRect(g_headerRect, g_black);
  canvas.fillRect(g_stateRect, g_black);
  canvas.fillRect(g_controlsRect, g_lightBlue);
  canvas.fillRect(g_parkRect, g_black);
  canvas.fillRect(g_statusRect, g_limeGreen);

  lf_line(canvas, {0, 28}, {880, 28}, g_white);
  lf_line(canvas, {0, 113}, {880, 113}, g_white);
  lf_line(canvas, {0, 449}, {880, 449}, g_white);
  lf_line(canvas, {0, 392}, {880, 392}, g_white);

  lf_textOut(canvas, 3, 7, fmt::format("Version {}", g_programVersion.toString()), g_limeGreen);
  lf_textOut(canvas, 390, 7, g_programName, g_limeGreen);
  lf_textOut(canvas, 632, 7, kCreditLine, g_limeGreen);

  for (const auto& segment : kSeparators) canvas.polyline(segment, g_black);
  lf_line(canvas, {642, 140}, {642, 308}, g_black);

  lf_paintCounters(canvas, state);
  if (state.rtConnected) {
    const std::uint32_t qnhLight = state.qnhLight;
    const std::uint32_t qnh = state.qnhShown;
    if ((qnhLight == g_lightReceiving || qnhLight == g_lightIdle) && qnh >= 1)
      lf_textOut(canvas, 642, 63, fmt::format("qnh: {:4}", qnh), g_limeGreen);
    const std::uint32_t trafficLight = state.trafficLight;
    if (trafficLight == g_lightReceiving || trafficLight == g_lightIdle)
      lf_textOut(canvas, 642, 91, fmt::format("live: {:3}", state.liveShown.load()), g_limeGreen);
  }
  lf_paintLabels(canvas, state);
  lf_paintParkPanel(canvas, state);
  lf_paintStatusLine(canvas);
}

}  // namespace vexo
