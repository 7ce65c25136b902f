#include "platform/fltk/fltk_widgets.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <climits>

namespace vexo::platform::fltk {

void FltkCanvas::fillRect(const Rect& area, Colour colour) {
  fl_rectf(area.left, area.top, area.width(), area.height(), colour.r, colour.g, colour.b);
}

void FltkCanvas::polyline(std::span<const Point> points, Colour colour) {
  fl_color(colour.r, colour.g, colour.b);
  fl_line_style(FL_SOLID, 1);
  for (std::size_t i = 1; i < points.size(); ++i)
    fl_line(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
  fl_line_style(0);
}

void FltkCanvas::text(Point at, std::string_view utf8, Colour colour) {
  fl_font(FL_HELVETICA, g_fontSize);
  fl_color(colour.r, colour.g, colour.b);
  const int length = utf8.size() > INT_MAX ? INT_MAX : static_cast<int>(utf8.size());
  // The x, y form draws the bytes as they are: no symbols, no shortcut marks.
  fl_draw(utf8.data(), length, at.x, at.y + fl_height() - fl_descent());
}

void CheckBox::checked(bool on) {
  if (checked_ == on) return;
  checked_ = on;
  redraw();
}

void CheckBox::draw() {
  const bool enabled = active_r();
  fl_rectf(x(), y(), w(), h(), enabled ? FL_WHITE : fl_rgb_color(230, 230, 230));
  fl_color(enabled ? FL_BLACK : fl_rgb_color(160, 160, 160));
  fl_rect(x(), y(), w(), h());
  if (checked_) {
    fl_line_style(FL_SOLID, 2);
    fl_line(x() + 2, y() + h() / 2, x() + w() / 2 - 1, y() + h() - 3, x() + w() - 3, y() + 2);
    fl_line_style(0);
  }
  if (Fl::focus() == this) draw_focus();
}

int CheckBox::handle(int event) {
  switch (event) {
    case FL_PUSH:
    case FL_DRAG:
      return 1;
    case FL_RELEASE:
      if (Fl::event_inside(this)) do_callback();
      return 1;
    case FL_FOCUS:
    case FL_UNFOCUS:
      redraw();
      return 1;
    case FL_KEYBOARD:
      if (Fl::focus() == this && Fl::event_key() == ' ') {
        do_callback();
        return 1;
      }
      return 0;
    default:
      return Fl_Widget::handle(event);
  }
}

int EnterInput::handle(int event) {
  if (event == FL_KEYBOARD && (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter) && onEnter &&
      onEnter())
    return 1;
  return Fl_Input::handle(event);
}

namespace {
// Menu labels treat '&' as a shortcut mark and '@' as a symbol: doubled, each stands for itself.
std::string lf_menuLabel(const std::string& text) {
  std::string label;
  label.reserve(text.size());
  for (char c : text) {
    if (c == '&' || c == '@') label += c;
    label += c;
  }
  return label;
}
}  // namespace

void DropDown::items(const std::vector<std::string>& texts) {
  std::vector<std::string> labels;
  labels.reserve(texts.size());
  for (const auto& t : texts) labels.push_back(lf_menuLabel(t));
  std::vector<Fl_Menu_Item> newMenu(labels.size() + 1);  // value-initialised: all zero
  for (std::size_t i = 0; i < labels.size(); ++i) {
    newMenu[i].text = labels[i].c_str();
    newMenu[i].labelfont_ = FL_HELVETICA;
    newMenu[i].labelsize_ = g_fontSize;
  }
  // Point the widget at the new items before the old ones go (swapping keeps the buffers).
  menu(newMenu.data());
  labels_.swap(labels);
  menu_.swap(newMenu);
  value(static_cast<const Fl_Menu_Item*>(nullptr));
  redraw();
}

void DropDown::select(int index) {
  if (index < 0 || index >= itemCount())
    value(static_cast<const Fl_Menu_Item*>(nullptr));
  else
    value(index);
  redraw();
}

void MainFlWindow::draw() {
  paint_();
  draw_children();
}

}  // namespace vexo::platform::fltk
