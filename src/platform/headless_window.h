// A window system without a screen, for tests: a message queue, the control model and a
// recording canvas. User actions (a click, a choice, Enter in an edit field) are played
// in by the test on the thread that plays the UI thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/message_queue.h"
#include "platform/recording_canvas.h"
#include "platform/window.h"

namespace vexo::platform {

class HeadlessWindow;

class HeadlessWindowSystem final : public WindowSystem {
public:
  // Installs itself as the window system and its queue as the receiver of posted messages.
  HeadlessWindowSystem();
  ~HeadlessWindowSystem() override;

  Rect workAreaNearest(const Rect& area) const override { return gf_nearestWorkArea(monitors_, area); }
  Window* createMainWindow(std::string_view title, Rect bounds, WindowProc proc) override;

  // Hands every queued message to the window's procedure, also those posted meanwhile,
  // until the queue is empty or the loop was told to quit. Returns how many were handled.
  int pump();
  MessageQueue& queue() { return queue_; }

  void setMonitors(std::vector<Rect> workAreas) { monitors_ = std::move(workAreas); }
  void failCreation() { failCreation_ = true; }
  HeadlessWindow* window() { return window_.get(); }
  const std::string& title() const { return title_; }

private:
  MessageQueue queue_;
  std::vector<Rect> monitors_{Rect{0, 0, 1920, 1040}};
  std::unique_ptr<HeadlessWindow> window_;
  std::string title_;
  bool failCreation_ = false;
};

class HeadlessWindow final : public Window {
public:
  HeadlessWindow(WindowProc proc, Rect bounds);
  ~HeadlessWindow() override;

  // Calls the procedure at once, as a message sent rather than posted.
  LResult send(std::uint32_t message, WParam wParam = 0, LParam lParam = 0);
  // A WM_PAINT; returns what it drew.
  RecordingCanvas paint();

  // User actions, handed to the procedure the way the control reports them.
  LResult click(ControlId id);                     // push button or check box
  LResult choose(ControlId id, int index);         // drop-down list
  bool pressEnter(ControlId id);                   // edit field; true when its handler took the key
  void type(ControlId id, std::string_view text);  // edit field: its text

  // What the procedure did to the window.
  const std::vector<ControlSpec>& createdControls() const { return created_; }
  const ControlSpec* spec(ControlId id) const;
  const std::vector<std::pair<Rect, bool>>& invalidations() const { return invalidations_; }
  void clearInvalidations() { invalidations_.clear(); }
  bool invalidated(const Rect& area) const;
  std::optional<int> quitCode() const { return quitCode_; }
  bool topmost() const { return topmost_; }
  const std::vector<std::pair<std::string, std::string>>& messageBoxes() const { return messageBoxes_; }
  HeadlessControls& model() { return controls_; }

  // What the test makes the window system report.
  void setPlacement(const WindowPlacement& placement) { placement_ = placement; }
  void failPlacement() { placementFails_ = true; }

  // Controls
  bool exists(ControlId id) const override { return controls_.exists(id); }
  void setCheck(ControlId id, bool checked) override { controls_.setCheck(id, checked); }
  bool isChecked(ControlId id) const override { return controls_.isChecked(id); }
  bool setText(ControlId id, std::string_view utf8) override { return controls_.setText(id, utf8); }
  std::string text(ControlId id) const override { return controls_.text(id); }
  void setEnabled(ControlId id, bool enabled) override { controls_.setEnabled(id, enabled); }
  bool isEnabled(ControlId id) const override { return controls_.isEnabled(id); }
  void fillList(ControlId id, const std::vector<std::string>& items) override { controls_.fillList(id, items); }
  void selectIndex(ControlId id, int index) override { controls_.selectIndex(id, index); }
  bool selectString(ControlId id, std::string_view text) override { return controls_.selectString(id, text); }
  int selectedIndex(ControlId id) const override { return controls_.selectedIndex(id); }
  std::optional<std::string> itemText(ControlId id, int index) const override {
    return controls_.itemText(id, index);
  }

  // Window
  void createControl(const ControlSpec& spec) override;
  void invalidate(const Rect& area, bool erase) override;
  Canvas& beginPaint() override;
  void endPaint() override {}
  std::optional<WindowPlacement> placement() const override;
  Rect windowRect() const override { return placement_.window; }
  void move(Point topLeft) override;
  void setTopmost(bool topmost) override { topmost_ = topmost; }
  void postQuit(int exitCode) override;
  void messageBox(std::string_view text, std::string_view caption) override;

private:
  friend class HeadlessWindowSystem;
  const WindowProc proc_;
  HeadlessControls controls_{false};
  std::vector<ControlSpec> created_;
  std::vector<std::pair<Rect, bool>> invalidations_;
  std::unique_ptr<RecordingCanvas> canvas_;
  WindowPlacement placement_;
  bool placementFails_ = false;
  bool topmost_ = false;
  std::optional<int> quitCode_;
  std::vector<std::pair<std::string, std::string>> messageBoxes_;
};

}  // namespace vexo::platform
