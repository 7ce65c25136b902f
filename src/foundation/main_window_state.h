// What the main window shows. Other threads (start-up and tick, "SimClient", the
// readers) write the shown values here and then invalidate the area that shows them;
// only the UI thread paints, reading them.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "platform/canvas.h"
#include "foundation/window_messages.h"

namespace vexo {

// Areas of the 880 x 516 client rectangle, each filled and invalidated as a whole. The
// state band takes in row 112, the last row of its simulator and RealTraffic boxes, so
// that a box repainted in a new colour leaves no stale row; the controls band, filled
// after it, paints the rest of that row.
inline constexpr platform::Rect g_headerRect{0, 0, 880, 28};
inline constexpr platform::Rect g_stateRect{0, 28, 880, 113};
inline constexpr platform::Rect g_controlsRect{0, 112, 880, 392};
inline constexpr platform::Rect g_parkRect{0, 392, 880, 448};
inline constexpr platform::Rect g_statusRect{0, 448, 880, 476};

inline constexpr int g_mainWindowWidth = 880;
inline constexpr int g_mainWindowHeight = 516;

// The colours of the window's brushes and pens.
inline constexpr platform::Colour g_red = platform::gf_rgb(255, 0, 0);
inline constexpr platform::Colour g_lightBlue = platform::gf_rgb(153, 204, 255);
inline constexpr platform::Colour g_black = platform::gf_rgb(0, 0, 0);
inline constexpr platform::Colour g_limeGreen = platform::gf_rgb(50, 205, 50);
inline constexpr platform::Colour g_yellow = platform::gf_rgb(255, 255, 0);
inline constexpr platform::Colour g_white = platform::gf_rgb(255, 255, 255);
inline constexpr platform::Colour g_grey = platform::gf_rgb(160, 160, 160);

// Marks an area of the main window for repainting. Any thread: it posts, so it never
// waits for the UI thread (a window that does not exist yet paints everything anyway).
void gf_invalidateMainWindow(const platform::Rect& area, bool erase);
// Keeps the main window above other windows, or not. Any thread: it posts.
void gf_setMainWindowTopmost(bool topmost);
// The rectangle packed into a WM_APP_INVALIDATE message, and back.
std::intptr_t gf_packRect(const platform::Rect& area);
platform::Rect gf_unpackRect(std::intptr_t packed);

// Reader light values.
inline constexpr std::uint32_t g_lightReceiving = 1;
inline constexpr std::uint32_t g_lightIdle = 2;
inline constexpr std::uint32_t g_lightStopped = 3;

// The shown texts. They are assigned by one thread while the painter reads them on the
// UI thread, so they live together under one mutex and the painter works on a copy.
struct ShownTexts {
  std::string aircraftTitle;         // the user aircraft's title as the simulator reports it
  std::string parkAirportLine;       // first line of the static-parking band
  std::string parkAirportName;
  std::string parkAirportPublisher;  // publisher of the airport file
  std::string qualityFactor;         // quality factor of the airport file, as text
  std::string simulatorText;         // "{} ({}.{}.{}.{})": the simulator's name and version
  std::string rtEdition;             // version text of the connected RealTraffic
  std::string userStand;             // stand of the user aircraft; empty = none
  std::string objectIdText;          // shown for the callsign chosen in the callsign list
  std::string reservedStand;         // reserved stand of the park airport; empty = none
};

struct MainWindowState {
  MainWindowState();
  ~MainWindowState();
  MainWindowState(const MainWindowState&) = delete;
  MainWindowState& operator=(const MainWindowState&) = delete;

  // Copy of the texts, for the painter. Any thread.
  ShownTexts texts() const;
  // Changes texts under their mutex: update([](ShownTexts& t) { t.userStand = "A12"; }).
  // Any thread; the caller invalidates the area that shows them afterwards.
  void updateTexts(const std::function<void(ShownTexts&)>& change);

  // Back to what a fresh run shows (the reset before a restart): texts empty, aircraft
  // counts 0, lights stopped, flags at their start values.
  void resetShown();

  std::atomic<float> staticAverageFit{-1.0f};  // mean parked time of static aircraft, half-hours; -1 none
  std::atomic<float> liveAverageFit{-1.0f};    // the same for parked live aircraft
  std::atomic<std::uint64_t> liveShown{0};     // active live aircraft that are not parked
  std::atomic<std::uint64_t> simaddonCount{0};    // add-on airports of the scenery scan; 0 = not counted yet
  std::atomic<std::uint64_t> thirdpartyCount{0};  // thirdparty airports of the scan; 0 = not counted yet
  std::atomic<std::uint64_t> liveriesCount{0};    // liveries found; 0 = not counted yet
  std::atomic<std::uint64_t> parkedLive{0};       // live aircraft parked at stands
  std::atomic<std::uint64_t> staticCount{0};      // static aircraft in the simulator
  std::atomic<std::uint64_t> stands{0};           // stands of the park airport
  static constexpr std::uint32_t parkRow = 399;   // y of the first line of the static-parking band
  std::atomic<std::uint32_t> parkPercentage{0};   // shown with the maximum park count
  std::atomic<std::uint32_t> qnhShown{0};         // hPa as painted; drawn only when at least 1
  std::atomic<std::int32_t> maxPark{0};           // maximum parked aircraft; 0 = no maximum
  // Minutes to the next static-parking renewal. It is the renewal countdown itself: the
  // tick loop counts it down and the "Now" command sets it back to 20.
  std::atomic<std::int32_t> minutesToRenewal{20};
  std::atomic<std::int32_t> trafficWeek{0};       // traffic week of the park airport's file
  std::atomic<std::uint32_t> updatesCount{0};     // learned-flight updates of the park airport
  std::atomic<std::uint64_t> staticCandidates{0};
  std::atomic<bool> handmade{false};              // the park airport's file is handmade
  std::atomic<bool> rtNotStarted{true};           // the start-up has not reached RealTraffic yet
  std::atomic<bool> rtConnected{false};           // RealTraffic is connected, or not waited for
  std::atomic<bool> parkAirportValid{false};      // the park airport's data is complete
  std::atomic<bool> parkAirportSet{false};        // a park airport is set
  std::atomic<bool> simConnected{false};          // the SimConnect connection is open
  std::atomic<bool> flightRunning{false};         // the simulator reports a running flight
  std::atomic<bool> userAcKnown{true};            // the user aircraft's model and span were found
  std::atomic<bool> softMode{false};
  std::atomic<bool> weekMode{false};
  std::atomic<bool> reservedStandValid{false};    // the reserved stand came from the parked file
  std::atomic<bool> tbloNote{false};              // the scenery scan produced tblo.zip in this run
  std::atomic<std::uint32_t> trafficLight{g_lightStopped};  // Traffic Reader: 1 receiving, 2 idle, 3 stopped
  std::atomic<std::uint32_t> qnhLight{g_lightStopped};      // QNH Reader, same values
  std::atomic<bool> initialised{false};           // set last by the constructor

private:
  mutable std::mutex textsMutex_;  // guards texts_
  ShownTexts texts_;
};

extern MainWindowState g_mainWindowState;

// The reader lights under the names the readers and the tick loop use.
extern std::atomic<std::uint32_t>& g_trafficLight;
extern std::atomic<std::uint32_t>& g_qnhLight;

}  // namespace vexo
