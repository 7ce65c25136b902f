#include "app/main_window_paint.h"

#include <gtest/gtest.h>

#include <optional>
#include <variant>

#include "platform/recording_canvas.h"
#include "simlink/sim_client.h"
#include "window_fixture.h"

using namespace vexo;
using platform::Point;
using platform::RecordingCanvas;

namespace {

class Painting : public test::WindowFixture {
protected:
  MainWindowState state;

  RecordingCanvas paint() {
    RecordingCanvas canvas;
    lf_paintMainWindow(canvas, state);
    return canvas;
  }
  // Expects `text` drawn at `at` in `colour`.
  static void expectText(const RecordingCanvas& c, Point at, std::string_view text, platform::Colour colour) {
    const auto drawn = c.textAt(at);
    ASSERT_TRUE(drawn.has_value()) << at.x << "," << at.y;
    EXPECT_EQ(drawn->text, text);
    EXPECT_EQ(drawn->colour, colour);
  }
};

}  // namespace

TEST_F(Painting, TheWindowPaintsItsBandsLinesAndHeaderOnWmPaint) {
  open();
  const RecordingCanvas c = window->paint();
  EXPECT_EQ(c.fillColourAt({10, 10}), g_black);       // header
  EXPECT_EQ(c.fillColourAt({10, 200}), g_lightBlue);  // controls band
  EXPECT_EQ(c.fillColourAt({10, 420}), g_black);      // park band
  EXPECT_EQ(c.fillColourAt({10, 460}), g_limeGreen);  // status band
  EXPECT_TRUE(c.hasSegment({0, 28}, {880, 28}, g_white));
  EXPECT_TRUE(c.hasSegment({642, 140}, {642, 308}, g_black));
  expectText(c, {3, 7}, "Version 12.3.0", g_limeGreen);
  EXPECT_EQ(c.textAt({390, 7})->text, "Vendrake_P3D");
}

// The five areas filled up to their edges, the four white lines between them and the black
// separators of the controls band.
TEST_F(Painting, EveryAreaIsFilledToItsEdgesAndEveryLineDrawn) {
  const RecordingCanvas c = paint();
  const std::pair<Point, platform::Colour> edges[] = {
      {{0, 0}, g_black},       {{879, 27}, g_black},       // header
      {{0, 28}, g_black},      {{879, 111}, g_black},      // state band
      {{0, 112}, g_lightBlue}, {{879, 391}, g_lightBlue},  // controls band
      {{0, 392}, g_black},     {{879, 447}, g_black},      // park band
      {{0, 448}, g_limeGreen}, {{879, 475}, g_limeGreen},  // status band
  };
  for (const auto& [at, colour] : edges) EXPECT_EQ(c.fillColourAt(at), colour) << at.x << "," << at.y;
  for (const int y : {28, 113, 449, 392}) EXPECT_TRUE(c.hasSegment({0, y}, {880, y}, g_white)) << y;
  EXPECT_TRUE(c.hasSegment({0, 140}, {880, 140}, g_black));
  for (const int y : {168, 196, 224, 252, 280}) EXPECT_TRUE(c.hasSegment({0, y}, {642, y}, g_black)) << y;
  EXPECT_TRUE(c.hasSegment({0, 308}, {880, 308}, g_black));
  EXPECT_TRUE(c.hasSegment({642, 140}, {642, 308}, g_black));
  EXPECT_EQ(g_statusRect, (platform::Rect{0, 448, 880, 476}));
  EXPECT_EQ(g_parkRect, (platform::Rect{0, 392, 880, 448}));
  EXPECT_EQ(g_controlsRect, (platform::Rect{0, 112, 880, 392}));
}

TEST_F(Painting, SimulatorAndRealTrafficBoxesFollowTheirState) {
  RecordingCanvas c = paint();
  EXPECT_EQ(c.fillColourAt({410, 60}), g_red);    // simulator not connected
  EXPECT_EQ(c.fillColourAt({440, 60}), g_black);  // RealTraffic not started
  EXPECT_FALSE(c.textAt({5, 35}).has_value());

  state.simConnected = true;
  state.updateTexts([](ShownTexts& t) {
    t.simulatorText = "Prepar3D (5.4.9.28482)";
    t.userStand = "A12";
  });
  c = paint();
  EXPECT_EQ(c.fillColourAt({410, 60}), g_yellow);  // connected, no flight yet
  expectText(c, {5, 35}, "Prepar3D (5.4.9.28482), user stand A12", g_yellow);

  state.flightRunning = true;
  state.updateTexts([](ShownTexts& t) { t.aircraftTitle = "Airbus A320 Vendrake"; });
  state.userAcKnown = false;
  state.rtNotStarted = false;
  c = paint();
  EXPECT_EQ(c.fillColourAt({410, 60}), g_limeGreen);
  EXPECT_EQ(c.textAt({5, 63})->colour, g_yellow);  // an unknown user aircraft stands out
  EXPECT_EQ(c.fillColourAt({440, 60}), g_red);     // started, not connected

  state.rtConnected = true;
  state.trafficLight = g_lightReceiving;
  state.qnhLight = g_lightIdle;
  state.qnhShown = 1013;
  state.liveShown = 7;
  state.updateTexts([](ShownTexts& t) { t.rtEdition = "RealTraffic 10.0.158"; });
  c = paint();
  EXPECT_EQ(c.fillColourAt({440, 60}), g_limeGreen);
  EXPECT_EQ(c.textAt({458, 35})->text, "RealTraffic 10.0.158");
  expectText(c, {458, 63}, "Weather", g_yellow);
  expectText(c, {458, 91}, "Traffic", g_limeGreen);
  EXPECT_EQ(c.textAt({642, 63})->text, "qnh: 1013");
  EXPECT_EQ(c.textAt({642, 91})->text, "live:   7");

  // No qnh yet and a stopped reader: neither the values nor "Traffic" are shown.
  state.qnhShown = 0;
  state.trafficLight = g_lightStopped;
  c = paint();
  EXPECT_FALSE(c.findText("qnh:").has_value());
  EXPECT_FALSE(c.findText("live:").has_value());
  EXPECT_FALSE(c.textAt({458, 91}).has_value());
  state.qnhShown = 1013;
  state.rtConnected = false;
  c = paint();
  EXPECT_FALSE(c.findText("qnh:").has_value());
}

// The simulator and RealTraffic boxes are drawn down to row 112: the state band's repaint
// after a colour change must cover them whole, or a stale row stays.
TEST_F(Painting, TheStateBandsRepaintCoversTheSimulatorAndRealTrafficBoxesWhole) {
  open();
  const RecordingCanvas c = paint();
  window->clearInvalidations();
  gf_repaintSimState();
  system->pump();
  ASSERT_EQ(window->invalidations().size(), 1U);
  const platform::Rect repainted = window->invalidations()[0].first;
  for (const Point inBox : {Point{410, 60}, Point{440, 60}}) {
    std::optional<platform::Rect> box;  // the last fill over the point
    for (const auto& op : c.ops())
      if (const auto* fill = std::get_if<platform::FillOp>(&op); fill && fill->area.contains(inBox)) box = fill->area;
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(repainted.left <= box->left && repainted.top <= box->top && box->right <= repainted.right &&
                box->bottom <= repainted.bottom)
        << box->left << "," << box->top << "," << box->right << "," << box->bottom;
  }
}

TEST_F(Painting, ScanCountsShowPlaceholdersUntilCounted) {
  RecordingCanvas c = paint();
  expectText(c, {5, 91}, "# liveries: ...", g_red);
  expectText(c, {141, 91}, "# simaddon: ...", g_yellow);
  state.liveriesCount = 4711;
  c = paint();
  expectText(c, {5, 91}, "# liveries: 4711", g_limeGreen);
}

TEST_F(Painting, LabelsFollowTheirSettingsAndTheParkState) {
  open();  // the labels of the traffic categories follow their check boxes' state
  SettingsState& s = g_settings;
  RecordingCanvas c = paint();
  EXPECT_EQ(c.textAt({768, 147})->text, "Stay on top");
  expectText(c, {430, 231}, "Ah:", g_black);         // AUTO_RANGE on
  EXPECT_EQ(c.textAt({25, 147})->colour, g_yellow);  // SCAN_LIVERIES on
  EXPECT_EQ(c.textAt({343, 203})->colour, g_black);
  EXPECT_FALSE(c.findText("(next in").has_value());

  s.AUTO_RANGE.value = false;
  s.SCAN_LIVERIES.value = false;
  s.MAX_PARK_SEL.value = 0;
  window->setEnabled(s.LIGHT_AIRCRAFT.commandId, false);
  state.parkAirportSet = true;
  state.minutesToRenewal = 7;
  c = paint();
  EXPECT_EQ(c.textAt({430, 231})->colour, g_grey);
  EXPECT_EQ(c.textAt({25, 147})->colour, g_black);
  EXPECT_EQ(c.textAt({343, 203})->colour, g_grey);
  EXPECT_EQ(c.textAt({171, 315})->colour, g_yellow);  // max park 0, max live not
  EXPECT_EQ(c.textAt({5, 343})->text, "(next in 7 min)");
  s.MAX_LIVE_SEL.value = 0;
  s.INITIAL_LOAD_ONLY.value = true;
  g_parkBusy = true;
  c = paint();
  EXPECT_EQ(c.textAt({171, 315})->colour, g_red);
  EXPECT_EQ(c.textAt({5, 315})->colour, g_yellow);  // "Airport parking" while busy
  EXPECT_FALSE(c.textAt({5, 343}).has_value());      // no renewal note while busy
  g_parkBusy = false;
  c = paint();
  EXPECT_EQ(c.textAt({5, 343})->text, "(no next ... )");
}

// Every label of the controls band at its x and at its setting's row, first with every
// setting that colours a label at its plain side (all black), then at its other side.
TEST_F(Painting, EveryLabelStandsAtItsRowInTheColourItsSettingGives) {
  open();
  SettingsState& s = g_settings;
  s.MAX_PARK_SEL.value = 500;
  // Every setting that colours a label, at its plain side or at its other one.
  const auto sides = [&](bool plain) {
    s.GUID_CHANGES.value = plain;
    s.AEROWINX.value = !plain;
    s.SCAN_LIVERIES.value = !plain;
    s.SCAN_AIRPORTS.value = !plain;
    s.AUTO_RANGE.value = plain;
    s.AIRBORNE_ONLY.value = !plain;
    s.STRAIGHT_PBS_ONLY.value = plain;
    s.INITIAL_LOAD_ONLY.value = !plain;
    s.MAX_LIVE_SEL.value = plain ? 500 : 0;
    for (const CheckboxSetting* category : {&s.LIGHT_AIRCRAFT, &s.HELICOPTERS, &s.HIGH_PERF_AIRCRAFT})
      window->setEnabled(category->commandId, plain);
    g_parkBusy = !plain;
    state.tbloNote = !plain;
  };
  sides(true);
  struct Label {
    const char* text;
    int x, row;
    platform::Colour other;  // with the setting at its other side
  };
  const Label labels[] = {
      {"Meta:", 652, 147, g_black},
      {"Stay on top", 768, 147, g_black},
      {"Nav lights", 768, 175, g_black},
      {"GUID changes", 768, 203, g_yellow},  // off
      {"Aerowinx", 672, 203, g_yellow},      // on
      {"Install path:", 5, 119, g_black},
      {"Scan for liveries", 25, 147, g_yellow},  // on
      {"Prioritize", 556, 147, g_black},
      {"Scan for addon airports", 25, 175, g_yellow},  // on
      {"Max aircraft matching depth", 5, 203, g_black},
      {"Optional:", 258, 203, g_black},
      {"Light aircraft", 343, 203, g_grey},  // its check box disabled
      {"Helicopters", 450, 203, g_grey},
      {"FighterJets", 556, 203, g_grey},
      {"Traffic injection", 5, 231, g_black},
      {"Radius:", 163, 231, g_black},
      {"nm, or", 270, 231, g_black},
      {"Auto radius", 343, 231, g_black},
      {"Ah:", 430, 231, g_grey},  // AUTO_RANGE off
      {"ft", 536, 231, g_grey},
      {"AirOnly", 592, 231, g_yellow},  // on
      {"Block callsign:", 5, 259, g_black},
      {"Collision avoidance", 5, 287, g_black},
      {"User ground", 237, 287, g_black},
      {"User air", 343, 287, g_black},
      {"Live X parked", 450, 287, g_black},
      {"Airport parking", 5, 315, g_yellow},  // the static parking busy
      {"Max park (static+live):", 171, 315, g_black},
      {"Max live (park incl):", 401, 315, g_yellow},   // MAX_LIVE_SEL 0
      {"Straight push backs only", 672, 315, g_grey},  // off
      {"Destination:", 137, 343, g_black},
      {"Range:", 303, 343, g_black},
      {"nm", 403, 343, g_black},
      {"Height above gnd:", 440, 343, g_black},
      {"ft", 646, 343, g_black},
      {"ILO", 25, 371, g_yellow},  // on
      {"Week", 91, 371, g_black},
      {"Soft", 171, 371, g_black},
      {"Target: ", 264, 371, g_black},
      {"%", 378, 371, g_black},
      {"Max fit:", 506, 371, g_black},
      {"hrs", 632, 371, g_black},
  };
  RecordingCanvas c = paint();
  for (const Label& l : labels) {
    SCOPED_TRACE(l.text);
    expectText(c, {l.x, l.row}, l.text, g_black);
  }
  EXPECT_FALSE(c.textAt({303, 175}).has_value());  // no tblo.zip yet

  sides(false);
  c = paint();
  for (const Label& l : labels) {
    SCOPED_TRACE(l.text);
    expectText(c, {l.x, l.row}, l.text, l.other);
  }
  EXPECT_EQ(c.textAt({303, 175})->colour, g_yellow);
  g_parkBusy = false;
}

// The renewal note shows the minutes from 1 to 19 only, and only at a park airport.
TEST_F(Painting, TheRenewalNoteShowsOneToNineteenMinutes) {
  SettingsState& s = g_settings;
  s.INITIAL_LOAD_ONLY.value = false;
  state.parkAirportSet = true;
  for (const auto& [minutes, shown] : {std::pair{0, ""}, {1, "(next in 1 min)"}, {19, "(next in 19 min)"}, {20, ""}}) {
    SCOPED_TRACE(minutes);
    state.minutesToRenewal = minutes;
    const RecordingCanvas c = paint();
    EXPECT_EQ(c.textAt({5, 343}).has_value() ? c.textAt({5, 343})->text : "", shown);
  }
  state.minutesToRenewal = 7;
  s.INITIAL_LOAD_ONLY.value = true;
  state.parkAirportSet = false;
  EXPECT_FALSE(paint().textAt({5, 343}).has_value());
  state.parkAirportSet = true;
  EXPECT_EQ(paint().textAt({5, 343})->text, "(no next ... )");
}

TEST_F(Painting, ParkBandShowsTheParkAirport) {
  state.updateTexts([](ShownTexts& t) {
    t.parkAirportLine = "EDDF";
    t.parkAirportName = "Frankfurt";
    t.parkAirportPublisher = "stock";
    t.qualityFactor = "0.8";
    t.reservedStand = "V155";
  });
  RecordingCanvas c = paint();
  EXPECT_EQ(c.textAt({5, 399})->colour, g_yellow);  // not valid yet: nothing more
  EXPECT_FALSE(c.textAt({90, 399}).has_value());
  state.parkAirportValid = true;
  state.handmade = true;
  state.trafficWeek = 12;
  state.softMode = true;
  state.weekMode = true;
  state.stands = 250;
  state.liveAverageFit = 2.5f;
  state.maxPark = 100;
  state.parkPercentage = 30;
  state.staticCount = 42;
  state.staticAverageFit = 4.0f;
  c = paint();
  EXPECT_EQ(c.textAt({90, 399})->text, " Frankfurt, stock (h), wk=12");
  EXPECT_EQ(c.textAt({370, 399})->text, "*WS*");
  EXPECT_EQ(c.textAt({571, 399})->colour, g_red);  // the reserved stand was not confirmed
  EXPECT_EQ(c.textAt({5, 427})->text, "# stands: 250");
  EXPECT_EQ(c.textAt({249, 427})->text, "average fit: 2.5");
  EXPECT_EQ(c.textAt({430, 427})->text, "static:  42");
  EXPECT_FALSE(c.textAt({571, 427}).has_value());  // week mode hides the static fit
  EXPECT_EQ(c.textAt({708, 427})->text, "max park: 100 (=30 %)");
  state.weekMode = false;
  state.maxPark = 0;
  c = paint();
  EXPECT_EQ(c.textAt({370, 399})->text, "*S*");
  EXPECT_EQ(c.textAt({708, 427})->text, "no max park live");
}

TEST_F(Painting, StatusBandIsGreenWithTheStatusAndRedWithAnError) {
  gf_setStatus("All fine", false);
  RecordingCanvas c = paint();
  EXPECT_EQ(c.fillColourAt({880, 476}), g_limeGreen);
  expectText(c, {3, 455}, "All fine", g_yellow);
  gf_setStatusError("41: Vendrake_P3D must be run from the Vendrake_P3D folder!");
  c = paint();
  EXPECT_EQ(c.fillColourAt({3, 460}), g_red);
  expectText(c, {3, 455}, "41: Vendrake_P3D must be run from the Vendrake_P3D folder!", g_yellow);
}

TEST_F(Painting, TextThatIsNotUtf8IsLoggedAndNotDrawn) {
  test::LogCapture log;
  RecordingCanvas c;
  lf_textOut(c, 5, 5, "bad \xFF text", g_black);
  EXPECT_TRUE(c.texts().empty());
  EXPECT_TRUE(log.contains("TextOut utf8  to wide failed for 'bad"));
}
