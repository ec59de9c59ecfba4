#pragma once

#include <windows.h>

namespace ui {

// Same layout as the platform's POINT, so it can be handed to its calls.
struct Point : public POINT {
  Point() : POINT{0, 0} {}
  Point(int x_value, int y_value) : POINT{x_value, y_value} {}
  Point(const POINT& other) : POINT(other) {}

  void Offset(int dx, int dy) {
    x += dx;
    y += dy;
  }

  bool operator==(const Point& other) const { return x == other.x && y == other.y; }
  bool operator!=(const Point& other) const { return !(*this == other); }
};

static_assert(sizeof(Point) == sizeof(POINT), "Point must stay layout-compatible with POINT");

}  // namespace ui
