#include "platform/headless_window.h"

#include <algorithm>

namespace vexo::platform {

HeadlessWindowSystem::HeadlessWindowSystem() {
  gf_setWindowSystem(this);
  queue_.installAsPoster();
}

HeadlessWindowSystem::~HeadlessWindowSystem() {
  window_.reset();
  if (gf_windowSystem() == this) gf_setWindowSystem(nullptr);
}

Window* HeadlessWindowSystem::createMainWindow(std::string_view title, Rect bounds, WindowProc proc) {
  if (failCreation_) return nullptr;
  title_ = std::string(title);
  window_ = std::make_unique<HeadlessWindow>(proc, bounds);
  gf_setMainWindow(window_.get());
  gf_setControls(window_.get());
  window_->send(WM_CREATE);
  return window_.get();
}

int HeadlessWindowSystem::pump() {
  int handled = 0;
  if (!window_) return 0;
  // Bounded, so a procedure that keeps posting to itself fails a test instead of hanging it.
  for (int round = 0; round < 1000 && !window_->quitCode_; ++round) {
    auto messages = queue_.takeAll();
    if (messages.empty()) break;
    for (const Message& m : messages) {
      if (window_->quitCode_) break;
      window_->proc_(m.message, m.wParam, m.lParam);
      ++handled;
    }
  }
  return handled;
}

HeadlessWindow::HeadlessWindow(WindowProc proc, Rect bounds) : proc_(proc), placement_{bounds, bounds, false, false} {}

HeadlessWindow::~HeadlessWindow() {
  if (gf_mainWindow() == this) gf_setMainWindow(nullptr);
  if (&gf_controls() == this) gf_setControls(nullptr);
}

LResult HeadlessWindow::send(std::uint32_t message, WParam wParam, LParam lParam) {
  return proc_(message, wParam, lParam);
}

RecordingCanvas HeadlessWindow::paint() {
  send(WM_PAINT);
  return canvas_ ? *canvas_ : RecordingCanvas{};
}

LResult HeadlessWindow::click(ControlId id) { return send(WM_COMMAND, gf_makeWParam(id, BN_CLICKED)); }

LResult HeadlessWindow::choose(ControlId id, int index) {
  controls_.selectIndex(id, index);
  return send(WM_COMMAND, gf_makeWParam(id, CBN_SELCHANGE));
}

bool HeadlessWindow::pressEnter(ControlId id) {
  const ControlSpec* s = spec(id);
  return s != nullptr && s->proc && s->proc(WM_CHAR, 13, 0);
}

void HeadlessWindow::type(ControlId id, std::string_view text) { controls_.setText(id, text); }

const ControlSpec* HeadlessWindow::spec(ControlId id) const {
  // The last one made with this id is the live one.
  for (auto it = created_.rbegin(); it != created_.rend(); ++it)
    if (it->id == id) return &*it;
  return nullptr;
}

bool HeadlessWindow::invalidated(const Rect& area) const {
  return std::any_of(invalidations_.begin(), invalidations_.end(), [&](const auto& i) { return i.first == area; });
}

void HeadlessWindow::createControl(const ControlSpec& spec) {
  controls_.destroy(spec.id);
  controls_.create(spec.id);
  created_.push_back(spec);
}

void HeadlessWindow::invalidate(const Rect& area, bool erase) { invalidations_.emplace_back(area, erase); }

Canvas& HeadlessWindow::beginPaint() {
  canvas_ = std::make_unique<RecordingCanvas>();
  return *canvas_;
}

std::optional<WindowPlacement> HeadlessWindow::placement() const {
  if (placementFails_) return std::nullopt;
  return placement_;
}

void HeadlessWindow::move(Point topLeft) {
  auto shift = [&](Rect& r) { r = Rect{topLeft.x, topLeft.y, topLeft.x + r.width(), topLeft.y + r.height()}; };
  shift(placement_.window);
  shift(placement_.normal);
}

void HeadlessWindow::postQuit(int exitCode) {
  if (!quitCode_) quitCode_ = exitCode;
}

void HeadlessWindow::messageBox(std::string_view text, std::string_view caption) {
  messageBoxes_.emplace_back(std::string(text), std::string(caption));
}

}  // namespace vexo::platform
