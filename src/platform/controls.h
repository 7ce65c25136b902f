// What the settings need of the main window's controls, reached by their command id.
//
// The window layer implements Controls for the real window and installs it with
// gf_setControls; until then (and in tests) a HeadlessControls keeps the state that the
// controls would show. Every operation may be called from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::platform {

// The WM_COMMAND id of a control, also its child-window id.
using ControlId = std::uint16_t;

class Controls {
public:
  virtual ~Controls() = default;

  // Whether a control with this id exists (has been created and not destroyed).
  virtual bool exists(ControlId id) const = 0;

  // Check boxes. Nothing happens for a missing control; a missing one reads unchecked.
  virtual void setCheck(ControlId id, bool checked) = 0;
  virtual bool isChecked(ControlId id) const = 0;

  // The control's text (UTF-8). setText returns false when the control does not exist.
  virtual bool setText(ControlId id, std::string_view utf8) = 0;
  virtual std::string text(ControlId id) const = 0;

  virtual void setEnabled(ControlId id, bool enabled) = 0;
  virtual bool isEnabled(ControlId id) const = 0;

  // Drop-down lists: replaces all items (empties the list and adds each in order);
  // the selection is then none.
  virtual void fillList(ControlId id, const std::vector<std::string>& items) = 0;
  // Selects the item at index (-1: none); an index past the end selects none.
  virtual void selectIndex(ControlId id, int index) = 0;
  // Selects the first item that begins with text, compared without regard to ASCII case
  // (as a drop-down list's own search does); false and the selection unchanged when none does.
  virtual bool selectString(ControlId id, std::string_view text) = 0;
  // The selected index, -1 when none or the control is missing.
  virtual int selectedIndex(ControlId id) const = 0;
  // The text of the item at index, whatever its length; empty when there is no such item.
  virtual std::optional<std::string> itemText(ControlId id, int index) const = 0;
};

// The controls in use: the one installed with gf_setControls, else a process-wide
// HeadlessControls. The installed object must outlive its use; install nullptr to go back
// to the headless one.
Controls& gf_controls();
void gf_setControls(Controls* controls);

// Installs a Controls object for the life of this guard (tests), then restores the previous one.
class ScopedControls {
public:
  explicit ScopedControls(Controls& controls);
  ~ScopedControls();
  ScopedControls(const ScopedControls&) = delete;
  ScopedControls& operator=(const ScopedControls&) = delete;

private:
  Controls* previous_;
};

// The state of each control, kept in memory. With autoCreate (the default) a control
// exists as soon as it is first written; without it only the ids given to create() exist.
class HeadlessControls final : public Controls {
public:
  struct State {
    bool checked = false;
    bool enabled = true;
    std::string text;
    std::vector<std::string> items;
    int selected = -1;
  };

  explicit HeadlessControls(bool autoCreate = true) : autoCreate_(autoCreate) {}

  void create(ControlId id);
  void destroy(ControlId id);
  // A copy of a control's state; empty when it does not exist.
  std::optional<State> state(ControlId id) const;

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

private:
  State* find(ControlId id);  // creates when autoCreate; caller holds mutex_
  const State* find(ControlId id) const;

  const bool autoCreate_;
  mutable std::mutex mutex_;  // guards controls_
  std::map<ControlId, State> controls_;
};

}  // namespace vexo::platform
