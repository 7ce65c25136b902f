#include "platform/fltk/fltk_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>

#include <map>
#include <string>

#include "platform/fltk/fltk_widgets.h"
#include "platform/fltk/fltk_x11.h"

namespace vexo::platform {

using fltk::CheckBox;
using fltk::DropDown;
using fltk::EnterInput;

namespace {
// The original window's outer size held the caption and frame; the client area is the
// rest, and that is what the painter fills.
constexpr int kCaptionAndFrame = 39;

Fl_Color lf_flColour(Colour c) { return fl_rgb_color(c.r, c.g, c.b); }
}  // namespace

struct FltkWindow::Impl {
  struct Control {
    ControlSpec spec;
    Fl_Widget* widget = nullptr;  // owned by the window (an FLTK group deletes its children)
  };
  std::unique_ptr<fltk::MainFlWindow> window;
  std::map<ControlId, Control> controls;
  fltk::FltkCanvas canvas;

  const Control* find(const Fl_Widget* widget) const {
    for (const auto& [id, control] : controls)
      if (control.widget == widget) return &control;
    return nullptr;
  }
};

// --- window system ---------------------------------------------------------------

FltkWindowSystem::FltkWindowSystem() : queue_([] { Fl::awake(static_cast<void*>(nullptr)); }) {
  Fl::lock();  // turns on FLTK's wake-up channel; the UI thread holds the lock from now on
  Fl::visual(FL_RGB);
  gf_setWindowSystem(this);
  queue_.installAsPoster();
}

FltkWindowSystem::~FltkWindowSystem() {
  window_.reset();
  if (gf_windowSystem() == this) gf_setWindowSystem(nullptr);
}

bool FltkWindowSystem::displayAvailable() { return fltk::gf_x11DisplayAvailable(); }

Rect FltkWindowSystem::workAreaNearest(const Rect& area) const {
  std::vector<Rect> monitors;
  const int count = Fl::screen_count();
  for (int n = 0; n < count; ++n) {
    int x = 0, y = 0, w = 0, h = 0;
    Fl::screen_work_area(x, y, w, h, n);
    monitors.push_back({x, y, x + w, y + h});
  }
  if (monitors.empty()) return area;
  return gf_nearestWorkArea(monitors, area);
}

Window* FltkWindowSystem::createMainWindow(std::string_view title, Rect bounds, WindowProc proc) {
  window_ = std::make_unique<FltkWindow>(title, bounds, proc, queue_);
  gf_setMainWindow(window_.get());
  gf_setControls(window_.get());
  window_->dispatch(WM_CREATE, 0, 0);
  window_->syncControls();
  window_->show();
  return window_.get();
}

void FltkWindowSystem::dispatchPending() {
  if (!window_) return;  // messages wait for the window
  window_->syncControls();
  for (const Message& m : queue_.takeAll()) {
    if (window_->quitCode()) break;
    window_->dispatch(m.message, m.wParam, m.lParam);
  }
  window_->syncControls();
}

bool FltkWindowSystem::runOnce(double seconds) {
  dispatchPending();
  if (window_ && window_->quitCode()) return false;
  Fl::wait(seconds);
  dispatchPending();
  return !(window_ && window_->quitCode());
}

int FltkWindowSystem::run() {
  while (runOnce(1.0)) {
  }
  return window_ && window_->quitCode() ? *window_->quitCode() : 0;
}

// --- window -----------------------------------------------------------------------

FltkWindow::FltkWindow(std::string_view title, Rect bounds, WindowProc proc, MessageQueue& queue)
    : proc_(proc), queue_(queue), impl_(std::make_unique<Impl>()) {
  const int height = bounds.height() > kCaptionAndFrame ? bounds.height() - kCaptionAndFrame : bounds.height();
  impl_->window = std::make_unique<fltk::MainFlWindow>(bounds.left, bounds.top, bounds.width(), height,
                                                         [this] { dispatch(WM_PAINT, 0, 0); });
  impl_->window->end();
  impl_->window->copy_label(std::string(title).c_str());
  // The close box (and Escape) only asks; the program closes through its closing down.
  impl_->window->callback([](Fl_Widget*, void* data) {
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    static_cast<FltkWindow*>(data)->queue_.post({WM_CLOSE, 0, 0});
  }, this);
}

FltkWindow::~FltkWindow() {
  if (gf_mainWindow() == this) gf_setMainWindow(nullptr);
  if (&gf_controls() == this) gf_setControls(nullptr);
}

void FltkWindow::show() {
  impl_->window->show();
  impl_->window->wait_for_expose();
}

Fl_Window& FltkWindow::flWindow() { return *impl_->window; }

Fl_Widget* FltkWindow::widget(ControlId id) {
  auto it = impl_->controls.find(id);
  return it == impl_->controls.end() ? nullptr : it->second.widget;
}

LResult FltkWindow::dispatch(std::uint32_t message, WParam wParam, LParam lParam) {
  return proc_(message, wParam, lParam);
}

void FltkWindow::markDirty(ControlId id) {
  bool wake = false;
  {
    std::lock_guard lock(dirtyMutex_);
    wake = dirty_.empty();
    dirty_.insert(id);
  }
  if (wake) Fl::awake(static_cast<void*>(nullptr));
}

void FltkWindow::syncControls() {
  std::set<ControlId> ids;
  {
    std::lock_guard lock(dirtyMutex_);
    ids.swap(dirty_);
  }
  for (ControlId id : ids) {
    auto it = impl_->controls.find(id);
    const auto state = model_.state(id);
    if (it == impl_->controls.end() || !state) continue;
    Fl_Widget* w = it->second.widget;
    if (state->enabled)
      w->activate();
    else
      w->deactivate();
    switch (it->second.spec.kind) {
      case ControlKind::checkBox:
        static_cast<CheckBox*>(w)->checked(state->checked);
        break;
      case ControlKind::pushButton:
        w->copy_label(state->text.c_str());
        break;
      case ControlKind::edit: {
        auto* input = static_cast<EnterInput*>(w);
        if (state->text != input->value()) input->value(state->text.c_str());
        break;
      }
      case ControlKind::comboBox: {
        auto* list = static_cast<DropDown*>(w);
        list->items(state->items);
        int selected = state->selected;
        // A text written into a drop-down list selects the item that shows it.
        for (std::size_t i = 0; selected < 0 && !state->text.empty() && i < state->items.size(); ++i)
          if (state->items[i] == state->text) selected = static_cast<int>(i);
        if (selected != state->selected) model_.selectIndex(id, selected);
        list->select(selected);
        break;
      }
    }
    w->redraw();
  }
}

// Controls: the model answers; a change reaches the widget on the UI thread's next round.
bool FltkWindow::exists(ControlId id) const { return model_.exists(id); }
void FltkWindow::setCheck(ControlId id, bool checked) {
  model_.setCheck(id, checked);
  markDirty(id);
}
bool FltkWindow::isChecked(ControlId id) const { return model_.isChecked(id); }
bool FltkWindow::setText(ControlId id, std::string_view utf8) {
  if (!model_.setText(id, utf8)) return false;
  markDirty(id);
  return true;
}
std::string FltkWindow::text(ControlId id) const { return model_.text(id); }
void FltkWindow::setEnabled(ControlId id, bool enabled) {
  model_.setEnabled(id, enabled);
  markDirty(id);
}
bool FltkWindow::isEnabled(ControlId id) const { return model_.isEnabled(id); }
void FltkWindow::fillList(ControlId id, const std::vector<std::string>& items) {
  model_.fillList(id, items);
  model_.setText(id, "");
  markDirty(id);
}
void FltkWindow::selectIndex(ControlId id, int index) {
  model_.selectIndex(id, index);
  markDirty(id);
}
bool FltkWindow::selectString(ControlId id, std::string_view text) {
  const bool found = model_.selectString(id, text);
  if (found) markDirty(id);
  return found;
}
int FltkWindow::selectedIndex(ControlId id) const { return model_.selectedIndex(id); }
std::optional<std::string> FltkWindow::itemText(ControlId id, int index) const { return model_.itemText(id, index); }

void FltkWindow::createControl(const ControlSpec& spec) {
  if (auto old = impl_->controls.find(spec.id); old != impl_->controls.end()) {
    impl_->window->remove(old->second.widget);
    Fl::delete_widget(old->second.widget);
    impl_->controls.erase(old);
  }
  model_.destroy(spec.id);
  model_.create(spec.id);
  const Rect& b = spec.bounds;
  Fl_Widget* widget = nullptr;
  impl_->window->begin();
  switch (spec.kind) {
    case ControlKind::checkBox: {
      auto* box = new CheckBox(b.left, b.top, b.width(), b.height());
      widget = box;
      break;
    }
    case ControlKind::pushButton: {
      auto* button = new Fl_Button(b.left, b.top, b.width(), b.height());
      button->copy_label(spec.label.c_str());
      button->labelsize(fltk::g_fontSize);
      model_.setText(spec.id, spec.label);
      widget = button;
      break;
    }
    case ControlKind::edit: {
      auto* input = new EnterInput(b.left, b.top, b.width(), b.height());
      input->textsize(fltk::g_fontSize - 1);
      input->when(FL_WHEN_CHANGED);
      if (auto c = gf_resultColour(dispatch(WM_CTLCOLOREDIT, spec.id, 0))) input->color(lf_flColour(*c));
      const ControlId id = spec.id;
      const ControlProc proc = spec.proc;
      input->onEnter = [this, id, proc, input] {
        model_.setText(id, input->value());
        return proc && proc(WM_CHAR, 13, 0);
      };
      widget = input;
      break;
    }
    case ControlKind::comboBox: {
      // The height is the open list's; the closed box is one line high.
      auto* list = new DropDown(b.left, b.top, b.width(), 22);
      list->textsize(fltk::g_fontSize);
      widget = list;
      break;
    }
  }
  impl_->window->end();
  widget->callback([](Fl_Widget* w, void* data) {
    auto* self = static_cast<FltkWindow*>(data);
    const Impl::Control* control = self->impl_->find(w);
    if (control == nullptr) return;
    const ControlId id = control->spec.id;
    switch (control->spec.kind) {
      case ControlKind::edit:  // a keystroke: the model follows the field
        self->model_.setText(id, static_cast<EnterInput*>(w)->value());
        return;
      case ControlKind::comboBox:
        self->model_.selectIndex(id, static_cast<DropDown*>(w)->value());
        self->dispatch(WM_COMMAND, gf_makeWParam(id, CBN_SELCHANGE), 0);
        return;
      default:
        self->dispatch(WM_COMMAND, gf_makeWParam(id, BN_CLICKED), 0);
        return;
    }
  }, this);
  impl_->controls[spec.id] = Impl::Control{spec, widget};
  markDirty(spec.id);
}

void FltkWindow::invalidate(const Rect& area, bool /*erase*/) {
  // The painter fills every pixel, so nothing needs erasing first.
  impl_->window->damage(FL_DAMAGE_ALL, area.left, area.top, area.width(), area.height());
}

Canvas& FltkWindow::beginPaint() { return impl_->canvas; }
void FltkWindow::endPaint() {}

std::optional<WindowPlacement> FltkWindow::placement() const {
  if (!impl_->window->shown()) return std::nullopt;
  const Rect r = windowRect();
  // FLTK keeps the normal position while the window is iconified.
  return WindowPlacement{r, r, !impl_->window->visible(), false};
}

Rect FltkWindow::windowRect() const {
  const auto& w = *impl_->window;
  return {w.x(), w.y(), w.x() + w.w(), w.y() + w.h() + kCaptionAndFrame};
}

void FltkWindow::move(Point topLeft) { impl_->window->position(topLeft.x, topLeft.y); }

void FltkWindow::setTopmost(bool topmost) { fltk::gf_x11SetAbove(*impl_->window, topmost); }

void FltkWindow::postQuit(int exitCode) {
  if (!quitCode_) quitCode_ = exitCode;
}

void FltkWindow::messageBox(std::string_view text, std::string_view caption) {
  fl_message_title(std::string(caption).c_str());
  fl_alert("%s", std::string(text).c_str());
}

std::vector<unsigned char> FltkWindow::capture(int& width, int& height) {
  auto& w = *impl_->window;
  Fl::flush();
  width = w.w();
  height = w.h();
  std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
  w.make_current();
  fl_read_image(pixels.data(), 0, 0, width, height);
  return pixels;
}

}  // namespace vexo::platform
