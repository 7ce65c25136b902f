// The setting objects: a key (the parameter name in parameters.xml), a default and the
// current value, and for settings shown in the main window the command id and row of
// their control.
//
// Several threads read and write settings (the UI thread's commands, the start-up and
// tick thread, airport files): bool, int and float values are atomics; string values sit
// behind their own mutex and are copied out.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/controls.h"

namespace vexo {

class Setting {
public:
  explicit Setting(std::string key) : key(std::move(key)) {}
  virtual ~Setting() = default;
  Setting(const Setting&) = delete;
  Setting& operator=(const Setting&) = delete;

  const std::string key;  // the parameter name; a CommandButton's label
};

class BoolSetting : public Setting {
public:
  BoolSetting(std::string key, bool value) : Setting(std::move(key)), defaultValue(value), value(value) {}

  const bool defaultValue;
  std::atomic<bool> value;
};

class NumericSetting : public Setting {
public:
  // value := defaultValue, which is not clamped.
  NumericSetting(std::string key, std::int32_t defaultValue, std::int32_t lo, std::int32_t hi)
      : Setting(std::move(key)), defaultValue(defaultValue), lo(lo), hi(hi), value(defaultValue) {}

  // v raised to lo when below it, else lowered to hi when above it.
  std::int32_t clamp(std::int64_t v) const { return static_cast<std::int32_t>(v < lo ? lo : (v > hi ? hi : v)); }

  const std::int32_t defaultValue;
  const std::int32_t lo;
  const std::int32_t hi;
  std::atomic<std::int32_t> value;
};

class StringSetting : public Setting {
public:
  StringSetting(std::string key, std::string value)
      : Setting(std::move(key)), defaultValue_(value), value_(std::move(value)) {}

  std::string value() const;
  void setValue(std::string newValue);
  bool valueEquals(std::string_view text) const;
  std::string defaultValue() const;
  // Only PROGRAM_VERSION changes its default: a file of defaults records the running version.
  void setDefaultValue(std::string newDefault);

  // value := newValue, then written into parameters.xml at once.
  void setAndSave(std::string newValue);

private:
  mutable std::mutex mutex_;  // guards defaultValue_ and value_
  std::string defaultValue_;
  std::string value_;
};

// The control of a setting shown in the main window, reached through platform::Controls
// by its command id (also its child-window id).
class SettingControl {
public:
  SettingControl(platform::ControlId commandId, std::uint32_t y) : commandId(commandId), y(y) {}
  virtual ~SettingControl() = default;
  SettingControl(const SettingControl&) = delete;
  SettingControl& operator=(const SettingControl&) = delete;

  void enable() const { setEnabled(true); }
  void disable() const { setEnabled(false); }
  void setEnabled(bool enabled) const;
  bool exists() const;

  const platform::ControlId commandId;
  const std::uint32_t y;  // top of the control's row in the main window's client area, pixels
};

class CheckboxSetting : public BoolSetting, public SettingControl {
public:
  CheckboxSetting(std::string key, bool value, platform::ControlId commandId, std::uint32_t y)
      : BoolSetting(std::move(key), value), SettingControl(commandId, y) {}

  // Sets the check box from the current value.
  void updateControl() const;
};

class ComboSetting : public NumericSetting, public SettingControl {
public:
  // lo and hi are the first and last of the choices, which are in ascending order.
  ComboSetting(std::string key, std::int32_t defaultValue, platform::ControlId commandId, std::uint32_t y,
               std::vector<std::int32_t> choices);

  // Refills the list with the choices and selects the current value when it is one of them.
  void fillComboBox() const;
  // Writes the current value in decimal into the control (also a value that is no choice).
  void updateControl() const;
  // Selects the first choice equal to v; false and the selection unchanged when none is.
  bool selectValue(std::int32_t v) const;

  const std::vector<std::int32_t> choices;
};

// MAX_FIT_FL: a drop-down list of float steps that shows MAX_FIT in its own units.
class FloatComboSetting : public Setting, public SettingControl {
public:
  FloatComboSetting(std::string key, float defaultValue, platform::ControlId commandId, std::uint32_t y,
                    std::vector<float> choices);

  void fillComboBox() const;
  void updateControl() const;
  bool selectValue(float v) const;  // exact comparison

  const float defaultValue;
  const float lo;
  const float hi;
  std::atomic<float> value;
  const std::vector<float> choices;
};

class EditSetting : public StringSetting, public SettingControl {
public:
  EditSetting(std::string key, std::string value, platform::ControlId commandId, std::uint32_t y)
      : StringSetting(std::move(key), std::move(value)), SettingControl(commandId, y) {}

  // Writes the current value into the edit field.
  void updateControl() const;
};

// A list of strings shared between its owner (the traffic engine fills it) and the
// drop-down list that shows it. Any thread.
class SharedStringList {
public:
  std::vector<std::string> get() const;
  void set(std::vector<std::string> list);

private:
  mutable std::mutex mutex_;  // guards list_
  std::vector<std::string> list_;
};

class StringComboSetting : public EditSetting {
public:
  StringComboSetting(std::string key, platform::ControlId commandId, std::uint32_t y,
                     std::shared_ptr<SharedStringList> choices)
      : EditSetting(std::move(key), std::string(), commandId, y), choices(std::move(choices)) {}

  // Refills the list from the shared strings, then selects the first item that begins with
  // the current value.
  void fillComboBox() const;

  const std::shared_ptr<SharedStringList> choices;
};

class CommandButton : public Setting, public SettingControl {
public:
  CommandButton(std::string label, platform::ControlId commandId, std::uint32_t y)
      : Setting(std::move(label)), SettingControl(commandId, y) {}
};

}  // namespace vexo
