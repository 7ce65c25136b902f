// The FLTK widgets behind the controls, and the canvas that draws with FLTK.
#pragma once

#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Widget.H>

#include <functional>
#include <string>
#include <vector>

#include "platform/canvas.h"

namespace vexo::platform::fltk {

// The font of every text the program draws and of the controls.
inline constexpr int g_fontSize = 13;

class FltkCanvas final : public Canvas {
public:
  void fillRect(const Rect& area, Colour colour) override;
  void polyline(std::span<const Point> points, Colour colour) override;
  void text(Point at, std::string_view utf8, Colour colour) override;
};

// A check box that does not toggle itself: a click only reports, the program sets the check.
class CheckBox final : public Fl_Widget {
public:
  CheckBox(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) {}
  void checked(bool on);
  bool checked() const { return checked_; }

protected:
  void draw() override;
  int handle(int event) override;

private:
  bool checked_ = false;
};

// An edit field that hands the Enter key to a handler instead of acting on it.
class EnterInput final : public Fl_Input {
public:
  EnterInput(int x, int y, int w, int h) : Fl_Input(x, y, w, h) {}
  std::function<bool()> onEnter;  // true: the key was taken

protected:
  int handle(int event) override;
};

// A drop-down list whose items are plain texts (no menu syntax, no symbols).
class DropDown final : public Fl_Choice {
public:
  DropDown(int x, int y, int w, int h) : Fl_Choice(x, y, w, h) {}
  void items(const std::vector<std::string>& texts);
  int itemCount() const { return static_cast<int>(labels_.size()); }
  void select(int index);  // -1: none

private:
  std::vector<std::string> labels_;  // the texts as the menu shows them
  std::vector<Fl_Menu_Item> menu_;   // points into labels_; ends with an empty item
};

// The top-level window: the procedure paints it, the children are drawn on top.
class MainFlWindow final : public Fl_Double_Window {
public:
  MainFlWindow(int x, int y, int w, int h, std::function<void()> paint)
      : Fl_Double_Window(x, y, w, h), paint_(std::move(paint)) {}

protected:
  void draw() override;

private:
  std::function<void()> paint_;
};

}  // namespace vexo::platform::fltk
