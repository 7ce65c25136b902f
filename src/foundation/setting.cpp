#include "foundation/setting.h"

#include <fmt/format.h>

#include <algorithm>

#include "foundation/log.h"

namespace vexo {

namespace {

void lf_writeControlText(platform::ControlId id, std::string_view text) {
  if (!platform::gf_controls().setText(id, text)) gf_log(fmt::format("GetDlgItem failed for ID {}", id));
}

}  // namespace

std::string StringSetting::value() const {
  std::lock_guard lock(mutex_);
  return value_;
}

void StringSetting::setValue(std::string newValue) {
  std::lock_guard lock(mutex_);
  value_ = std::move(newValue);
}

bool StringSetting::valueEquals(std::string_view text) const {
  std::lock_guard lock(mutex_);
  return value_ == text;
}

std::string StringSetting::defaultValue() const {
  std::lock_guard lock(mutex_);
  return defaultValue_;
}

void StringSetting::setDefaultValue(std::string newDefault) {
  std::lock_guard lock(mutex_);
  defaultValue_ = std::move(newDefault);
}

void SettingControl::setEnabled(bool enabled) const { platform::gf_controls().setEnabled(commandId, enabled); }

bool SettingControl::exists() const { return platform::gf_controls().exists(commandId); }

void CheckboxSetting::updateControl() const { platform::gf_controls().setCheck(commandId, value.load()); }

ComboSetting::ComboSetting(std::string key, std::int32_t defaultValue, platform::ControlId commandId, std::uint32_t y,
                           std::vector<std::int32_t> choicesIn)
    : NumericSetting(std::move(key), defaultValue, choicesIn.front(), choicesIn.back()),
      SettingControl(commandId, y),
      choices(std::move(choicesIn)) {}

void ComboSetting::fillComboBox() const {
  platform::Controls& controls = platform::gf_controls();
  if (!controls.exists(commandId)) return;
  std::vector<std::string> items;
  items.reserve(choices.size());
  for (std::int32_t c : choices) items.push_back(fmt::format("{}", c));
  controls.fillList(commandId, items);
  selectValue(value.load());
}

void ComboSetting::updateControl() const { lf_writeControlText(commandId, fmt::format("{}", value.load())); }

bool ComboSetting::selectValue(std::int32_t v) const {
  auto it = std::find(choices.begin(), choices.end(), v);
  if (it == choices.end()) return false;
  platform::gf_controls().selectIndex(commandId, static_cast<int>(it - choices.begin()));
  return true;
}

FloatComboSetting::FloatComboSetting(std::string key, float defaultValue, platform::ControlId commandId,
                                     std::uint32_t y, std::vector<float> choicesIn)
    : Setting(std::move(key)),
      SettingControl(commandId, y),
      defaultValue(defaultValue),
      lo(choicesIn.front()),
      hi(choicesIn.back()),
      value(defaultValue),
      choices(std::move(choicesIn)) {}

void FloatComboSetting::fillComboBox() const {
  platform::Controls& controls = platform::gf_controls();
  if (!controls.exists(commandId)) return;
  std::vector<std::string> items;
  items.reserve(choices.size());
  for (float c : choices) items.push_back(fmt::format("{:.1f}", c));
  controls.fillList(commandId, items);
  selectValue(value.load());
}

void FloatComboSetting::updateControl() const { lf_writeControlText(commandId, fmt::format("{:.1f}", value.load())); }

bool FloatComboSetting::selectValue(float v) const {
  auto it = std::find(choices.begin(), choices.end(), v);
  if (it == choices.end()) return false;
  platform::gf_controls().selectIndex(commandId, static_cast<int>(it - choices.begin()));
  return true;
}

void EditSetting::updateControl() const { lf_writeControlText(commandId, value()); }

std::vector<std::string> SharedStringList::get() const {
  std::lock_guard lock(mutex_);
  return list_;
}

void SharedStringList::set(std::vector<std::string> list) {
  std::lock_guard lock(mutex_);
  list_ = std::move(list);
}

void StringComboSetting::fillComboBox() const {
  platform::Controls& controls = platform::gf_controls();
  if (!controls.exists(commandId)) return;
  controls.fillList(commandId, choices->get());
  controls.selectString(commandId, value());
}

}  // namespace vexo
