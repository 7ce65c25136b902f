// The window layer: one top-level window with child controls, driven by a window
// procedure that receives messages as (message, wParam, lParam) on the UI thread.
//
// Backends: HeadlessWindow (tests: a message queue, the control model, a recording
// canvas) and the FLTK window in platform/fltk. Message ids, notification codes and the
// packing of wParam keep the values the program has always used.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/canvas.h"
#include "platform/controls.h"
#include "platform/window_post.h"

namespace vexo::platform {

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

inline constexpr std::uint32_t WM_CREATE = 0x0001;
inline constexpr std::uint32_t WM_DESTROY = 0x0002;
inline constexpr std::uint32_t WM_PAINT = 0x000F;
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_ERASEBKGND = 0x0014;
inline constexpr std::uint32_t WM_CHAR = 0x0102;
inline constexpr std::uint32_t WM_COMMAND = 0x0111;
inline constexpr std::uint32_t WM_CTLCOLOREDIT = 0x0133;
inline constexpr std::uint32_t WM_CTLCOLORSTATIC = 0x0138;

// Notification codes (high word of a WM_COMMAND's wParam).
inline constexpr std::uint16_t BN_CLICKED = 0;
inline constexpr std::uint16_t CBN_SELCHANGE = 1;

constexpr WParam gf_makeWParam(std::uint16_t low, std::uint16_t high) {
  return static_cast<WParam>(low) | (static_cast<WParam>(high) << 16);
}
constexpr std::uint16_t gf_loWord(WParam w) { return static_cast<std::uint16_t>(w & 0xFFFF); }
constexpr std::uint16_t gf_hiWord(WParam w) { return static_cast<std::uint16_t>((w >> 16) & 0xFFFF); }

// WM_CTLCOLOREDIT and WM_CTLCOLORSTATIC carry the control id in wParam; a procedure that
// wants its own background answers with gf_colourResult (0 = the backend's default).
constexpr LResult gf_colourResult(Colour c) {
  return static_cast<LResult>((1u << 24) | (static_cast<std::uint32_t>(c.r) << 16) |
                              (static_cast<std::uint32_t>(c.g) << 8) | c.b);
}
constexpr std::optional<Colour> gf_resultColour(LResult r) {
  if ((r & (1 << 24)) == 0) return std::nullopt;
  return Colour{static_cast<std::uint8_t>((r >> 16) & 0xFF), static_cast<std::uint8_t>((r >> 8) & 0xFF),
                static_cast<std::uint8_t>(r & 0xFF)};
}

// The window procedure: called on the UI thread for every message of the main window.
using WindowProc = LResult (*)(std::uint32_t message, WParam wParam, LParam lParam);

// A control's own message handler, run before anything else for the messages of that
// control (an edit field's Enter key arrives as WM_CHAR 13). It returns true when it
// handled the message, which then goes no further.
using ControlProc = std::function<bool(std::uint32_t message, WParam wParam, LParam lParam)>;

enum class ControlKind { checkBox, pushButton, edit, comboBox };

struct ControlSpec {
  ControlKind kind = ControlKind::pushButton;
  ControlId id = 0;
  Rect bounds;        // for a combo box, bottom - top is the height of its open list
  std::string label;  // a push button's label; empty for the others
  ControlProc proc;   // edits: the key handler; empty for none
};

struct WindowPlacement {
  Rect window;  // where the window is now
  Rect normal;  // where it stands when neither minimised nor maximised
  bool minimised = false;
  bool maximised = false;
};

// The main window as its procedure sees it. The Controls operations may be called from
// any thread; the others belong to the UI thread.
class Window : public Controls {
public:
  // Makes a child control, enabled, unchecked, with an empty list; a control with the
  // same id is replaced.
  virtual void createControl(const ControlSpec& spec) = 0;
  // Marks an area for repainting; erase asks for the background to be erased first (the
  // painter paints every pixel, so backends may ignore it).
  virtual void invalidate(const Rect& area, bool erase) = 0;
  // The canvas of the paint in progress (WM_PAINT), between beginPaint and endPaint.
  virtual Canvas& beginPaint() = 0;
  virtual void endPaint() = 0;
  virtual std::optional<WindowPlacement> placement() const = 0;
  virtual Rect windowRect() const = 0;
  // Moves the window without changing its size, stacking or activation.
  virtual void move(Point topLeft) = 0;
  virtual void setTopmost(bool topmost) = 0;
  // Ends the message loop with this code once the current message is handled.
  virtual void postQuit(int exitCode) = 0;
  // A warning box without owner.
  virtual void messageBox(std::string_view text, std::string_view caption) = 0;
};

// What the program needs of the window system before and besides its one window. A
// window system owns the main window's message queue from its construction on, so
// messages posted before the window exists wait for it.
class WindowSystem {
public:
  virtual ~WindowSystem() = default;
  // The work area (screen without task bars) of the monitor nearest to the rectangle.
  virtual Rect workAreaNearest(const Rect& area) const = 0;
  // Creates the main window with this title and outer rectangle, makes it the main
  // window, hands WM_CREATE to proc and shows it. Null when it cannot be created.
  virtual Window* createMainWindow(std::string_view title, Rect bounds, WindowProc proc) = 0;
};

// The window system in use (null until one is installed by its owner).
WindowSystem* gf_windowSystem();
void gf_setWindowSystem(WindowSystem* system);

// The main window once a backend has created it (null before and after).
Window* gf_mainWindow();
void gf_setMainWindow(Window* window);

// The work area of the monitor nearest to a rectangle: the one it overlaps most, else the
// one closest to its centre. monitors must not be empty.
Rect gf_nearestWorkArea(const std::vector<Rect>& monitors, const Rect& area);

}  // namespace vexo::platform
