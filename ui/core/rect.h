#pragma once

#include <windows.h>

#include "ui/core/point.h"
#include "ui/core/size.h"

namespace ui {

// A rectangle with exclusive right and bottom edges, laid out like the
// platform's RECT so that &rect can go straight into its rectangle calls.
// The same type carries four edge widths (margins, padding, borders).
struct Rect : public RECT {
  Rect() : RECT{0, 0, 0, 0} {}
  Rect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
  Rect(const RECT& other) : RECT(other) {}

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  Size GetSize() const { return Size(Width(), Height()); }
  bool IsEmpty() const { return Width() <= 0 || Height() <= 0; }
  bool IsZero() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }

  void Clear() { left = top = right = bottom = 0; }

  void Offset(int dx, int dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
  }
  void Offset(const Point& delta) { Offset(delta.x, delta.y); }

  // Shrinks by a set of edge widths.
  void Deflate(const Rect& edges) {
    left += edges.left;
    top += edges.top;
    right -= edges.right;
    bottom -= edges.bottom;
  }
  void Inflate(const Rect& edges) {
    left -= edges.left;
    top -= edges.top;
    right += edges.right;
    bottom += edges.bottom;
  }

  // Like the platform's IntersectRect: an empty result is all zeros.
  bool Intersect(const Rect& a, const Rect& b);
  bool Intersect(const Rect& other) { return Intersect(*this, other); }

  bool Contains(const Point& point) const { return Contains(point.x, point.y); }
  bool Contains(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }

  bool operator==(const Rect& other) const {
    return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
  }
  bool operator!=(const Rect& other) const { return !(*this == other); }
};

static_assert(sizeof(Rect) == sizeof(RECT), "Rect must stay layout-compatible with RECT");

}  // namespace ui
