// A canvas that records what is drawn on it, so tests can check a painting.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/canvas.h"

namespace vexo::platform {

struct FillOp {
  Rect area;
  Colour colour;
};
struct LineOp {
  std::vector<Point> points;
  Colour colour;
};
struct TextOp {
  Point at;
  std::string text;
  Colour colour;
};
using CanvasOp = std::variant<FillOp, LineOp, TextOp>;

class RecordingCanvas final : public Canvas {
public:
  void fillRect(const Rect& area, Colour colour) override;
  void polyline(std::span<const Point> points, Colour colour) override;
  void text(Point at, std::string_view utf8, Colour colour) override;

  const std::vector<CanvasOp>& ops() const { return ops_; }
  std::vector<TextOp> texts() const;
  std::vector<LineOp> lines() const;
  // The first text that contains part; none when no text does.
  std::optional<TextOp> findText(std::string_view part) const;
  // The first text drawn exactly at a point.
  std::optional<TextOp> textAt(Point at) const;
  // The colour of the last fill that covers the point; none when no fill does.
  std::optional<Colour> fillColourAt(Point p) const;
  // Whether a line runs from a to b (as one segment of a polyline, either direction).
  bool hasSegment(Point a, Point b, Colour colour) const;

private:
  std::vector<CanvasOp> ops_;
};

}  // namespace vexo::platform
