// Drawing surface of a window: the few operations the main window's painter needs.
// The painter draws a whole frame into one canvas; the backend shows it in one step.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vexo::platform {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// Client coordinates; right and bottom lie just outside the rectangle.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  constexpr int width() const { return right - left; }
  constexpr int height() const { return bottom - top; }
  constexpr bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  constexpr bool intersects(const Rect& o) const {
    return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Colour {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Colour&, const Colour&) = default;
};

constexpr Colour gf_rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return Colour{r, g, b}; }

class Canvas {
public:
  virtual ~Canvas() = default;
  virtual void fillRect(const Rect& area, Colour colour) = 0;
  // A one-pixel line through the points in order (a polyline leaves out its last point,
  // as the window system's own does).
  virtual void polyline(std::span<const Point> points, Colour colour) = 0;
  // UTF-8 text with its top-left corner at `at`, on a transparent background. The text
  // must be valid UTF-8; the caller checks it.
  virtual void text(Point at, std::string_view utf8, Colour colour) = 0;
};

}  // namespace vexo::platform
