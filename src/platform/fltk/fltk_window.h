// The main window on FLTK 1.3 (X11): a double-buffered window whose painting is the
// window procedure's, with check boxes that the program toggles, edit fields that report
// Enter, drop-down lists and push buttons.
//
// FLTK's widgets are touched on the UI thread only. Other threads reach the controls
// through a model of their state (the Controls operations), which the UI thread applies
// to the widgets, and wake the loop through Fl::awake.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/message_queue.h"
#include "platform/window.h"

class Fl_Widget;
class Fl_Window;

namespace vexo::platform {

class FltkWindow;

class FltkWindowSystem final : public WindowSystem {
public:
  // On the UI thread, before any other FLTK use. Installs itself as the window system and
  // its queue as the receiver of posted messages.
  FltkWindowSystem();
  ~FltkWindowSystem() override;
  FltkWindowSystem(const FltkWindowSystem&) = delete;
  FltkWindowSystem& operator=(const FltkWindowSystem&) = delete;

  // Whether a display can be opened (DISPLAY names a reachable X server).
  static bool displayAvailable();

  Rect workAreaNearest(const Rect& area) const override;
  Window* createMainWindow(std::string_view title, Rect bounds, WindowProc proc) override;

  // The message loop: events, posted messages and control updates until the window
  // posts its quit; returns the exit code given with it.
  int run();
  // One round of the loop, waiting at most `seconds` for something to happen; false once
  // the window has quit.
  bool runOnce(double seconds);
  FltkWindow* window() { return window_.get(); }

private:
  void dispatchPending();

  MessageQueue queue_;
  std::unique_ptr<FltkWindow> window_;
};

class FltkWindow final : public Window {
public:
  FltkWindow(std::string_view title, Rect bounds, WindowProc proc, MessageQueue& queue);
  ~FltkWindow() override;

  void show();
  // Applies the control states changed since the last call to the widgets. UI thread.
  void syncControls();
  std::optional<int> quitCode() const { return quitCode_; }
  // The window's pixels as 8-bit RGB rows, read back from the screen. UI thread.
  std::vector<unsigned char> capture(int& width, int& height);
  LResult dispatch(std::uint32_t message, WParam wParam, LParam lParam);
  // The FLTK objects, for driving the window as a user would (tests). UI thread.
  Fl_Window& flWindow();
  Fl_Widget* widget(ControlId id);

  // Controls (any thread)
  bool exists(ControlId id) const override;
  void setCheck(ControlId id, bool checked) override;
  bool isChecked(ControlId id) const override;
  bool setText(ControlId id, std::string_view utf8) override;
  std::string text(ControlId id) const override;
  void setEnabled(ControlId id, bool enabled) override;
  bool isEnabled(ControlId id) const override;
  void fillList(ControlId id, const std::vector<std::string>& items) override;
  void selectIndex(ControlId id, int index) override;
  bool selectString(ControlId id, std::string_view text) override;
  int selectedIndex(ControlId id) const override;
  std::optional<std::string> itemText(ControlId id, int index) const override;

  // Window (UI thread)
  void createControl(const ControlSpec& spec) override;
  void invalidate(const Rect& area, bool erase) override;
  Canvas& beginPaint() override;
  void endPaint() override;
  std::optional<WindowPlacement> placement() const override;
  Rect windowRect() const override;
  void move(Point topLeft) override;
  void setTopmost(bool topmost) override;
  void postQuit(int exitCode) override;
  void messageBox(std::string_view text, std::string_view caption) override;

  struct Impl;  // the FLTK side

private:
  void markDirty(ControlId id);

  const WindowProc proc_;
  MessageQueue& queue_;
  std::unique_ptr<Impl> impl_;
  HeadlessControls model_{false};  // the controls' state; source of truth for every thread
  std::mutex dirtyMutex_;           // guards dirty_
  std::set<ControlId> dirty_;       // controls whose widgets lag behind the model
  std::optional<int> quitCode_;
};

}  // namespace vexo::platform
