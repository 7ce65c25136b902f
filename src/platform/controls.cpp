#include "platform/controls.h"

#include <algorithm>

#include "platform/ascii_text.h"

namespace vexo::platform {

namespace {

std::atomic<Controls*> g_installedControls{nullptr};

HeadlessControls& lf_headless() {
  static HeadlessControls headless;
  return headless;
}

bool lf_startsWithNoCase(std::string_view item, std::string_view prefix) {
  return item.size() >= prefix.size() && gf_equalsNoCase(item.substr(0, prefix.size()), prefix);
}

}  // namespace

Controls& gf_controls() {
  Controls* installed = g_installedControls.load();
  return installed != nullptr ? *installed : lf_headless();
}

void gf_setControls(Controls* controls) { g_installedControls.store(controls); }

ScopedControls::ScopedControls(Controls& controls) : previous_(g_installedControls.exchange(&controls)) {}

ScopedControls::~ScopedControls() { g_installedControls.store(previous_); }

void HeadlessControls::create(ControlId id) {
  std::lock_guard lock(mutex_);
  controls_.try_emplace(id);
}

void HeadlessControls::destroy(ControlId id) {
  std::lock_guard lock(mutex_);
  controls_.erase(id);
}

std::optional<HeadlessControls::State> HeadlessControls::state(ControlId id) const {
  std::lock_guard lock(mutex_);
  const State* s = find(id);
  if (s == nullptr) return std::nullopt;
  return *s;
}

HeadlessControls::State* HeadlessControls::find(ControlId id) {
  if (autoCreate_) return &controls_[id];
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : &it->second;
}

const HeadlessControls::State* HeadlessControls::find(ControlId id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : &it->second;
}

bool HeadlessControls::exists(ControlId id) const {
  std::lock_guard lock(mutex_);
  return autoCreate_ || find(id) != nullptr;
}

void HeadlessControls::setCheck(ControlId id, bool checked) {
  std::lock_guard lock(mutex_);
  if (State* s = find(id)) s->checked = checked;
}

bool HeadlessControls::isChecked(ControlId id) const {
  std::lock_guard lock(mutex_);
  const State* s = find(id);
  return s != nullptr && s->checked;
}

bool HeadlessControls::setText(ControlId id, std::string_view utf8) {
  std::lock_guard lock(mutex_);
  State* s = find(id);
  if (s == nullptr) return false;
  s->text.assign(utf8);
  return true;
}

std::string HeadlessControls::text(ControlId id) const {
  std::lock_guard lock(mutex_);
  const State* s = find(id);
  return s != nullptr ? s->text : std::string();
}

void HeadlessControls::setEnabled(ControlId id, bool enabled) {
  std::lock_guard lock(mutex_);
  if (State* s = find(id)) s->enabled = enabled;
}

bool HeadlessControls::isEnabled(ControlId id) const {
  std::lock_guard lock(mutex_);
  const State* s = find(id);
  return s != nullptr && s->enabled;
}

void HeadlessControls::fillList(ControlId id, const std::vector<std::string>& items) {
  std::lock_guard lock(mutex_);
  if (State* s = find(id)) {
    s->items = items;
    s->selected = -1;
  }
}

void HeadlessControls::selectIndex(ControlId id, int index) {
  std::lock_guard lock(mutex_);
  if (State* s = find(id)) {
    const bool inList = index >= 0 && static_cast<std::size_t>(index) < s->items.size();
    s->selected = inList ? index : -1;
  }
}

bool HeadlessControls::selectString(ControlId id, std::string_view text) {
  std::lock_guard lock(mutex_);
  State* s = find(id);
  if (s == nullptr) return false;
  for (std::size_t i = 0; i < s->items.size(); ++i) {
    if (lf_startsWithNoCase(s->items[i], text)) {
      s->selected = static_cast<int>(i);
      return true;
    }
  }
  return false;
}

int HeadlessControls::selectedIndex(ControlId id) const {
  std::lock_guard lock(mutex_);
  const State* s = find(id);
  return s != nullptr ? s->selected : -1;
}

std::optional<std::string> HeadlessControls::itemText(ControlId id, int index) const {
  std::lock_guard lock(mutex_);
  const State* s = find(id);
  if (s == nullptr || index < 0 || static_cast<std::size_t>(index) >= s->items.size()) return std::nullopt;
  return s->items[static_cast<std::size_t>(index)];
}

}  // namespace vexo::platform
