#include "platform/recording_canvas.h"

namespace vexo::platform {

void RecordingCanvas::fillRect(const Rect& area, Colour colour) { ops_.emplace_back(FillOp{area, colour}); }

void RecordingCanvas::polyline(std::span<const Point> points, Colour colour) {
  ops_.emplace_back(LineOp{{points.begin(), points.end()}, colour});
}

void RecordingCanvas::text(Point at, std::string_view utf8, Colour colour) {
  ops_.emplace_back(TextOp{at, std::string(utf8), colour});
}

std::vector<TextOp> RecordingCanvas::texts() const {
  std::vector<TextOp> result;
  for (const auto& op : ops_)
    if (const auto* t = std::get_if<TextOp>(&op)) result.push_back(*t);
  return result;
}

std::vector<LineOp> RecordingCanvas::lines() const {
  std::vector<LineOp> result;
  for (const auto& op : ops_)
    if (const auto* l = std::get_if<LineOp>(&op)) result.push_back(*l);
  return result;
}

std::optional<TextOp> RecordingCanvas::findText(std::string_view part) const {
  for (const auto& op : ops_)
    if (const auto* t = std::get_if<TextOp>(&op); t != nullptr && t->text.find(part) != std::string::npos) return *t;
  return std::nullopt;
}

std::optional<TextOp> RecordingCanvas::textAt(Point at) const {
  for (const auto& op : ops_)
    if (const auto* t = std::get_if<TextOp>(&op); t != nullptr && t->at == at) return *t;
  return std::nullopt;
}

std::optional<Colour> RecordingCanvas::fillColourAt(Point p) const {
  std::optional<Colour> colour;
  for (const auto& op : ops_)
    if (const auto* f = std::get_if<FillOp>(&op); f != nullptr && f->area.contains(p)) colour = f->colour;
  return colour;
}

bool RecordingCanvas::hasSegment(Point a, Point b, Colour colour) const {
  for (const auto& op : ops_) {
    const auto* l = std::get_if<LineOp>(&op);
    if (l == nullptr || l->colour != colour) continue;
    for (std::size_t i = 1; i < l->points.size(); ++i) {
      const Point p = l->points[i - 1];
      const Point q = l->points[i];
      if ((p == a && q == b) || (p == b && q == a)) return true;
    }
  }
  return false;
}

}  // namespace vexo::platform
