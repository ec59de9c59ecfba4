#pragma once

#include <windows.h>

namespace ui {

// Same layout as the platform's SIZE.
struct Size : public SIZE {
  Size() : SIZE{0, 0} {}
  Size(int width, int height) : SIZE{width, height} {}
  Size(const SIZE& other) : SIZE(other) {}

  bool operator==(const Size& other) const { return cx == other.cx && cy == other.cy; }
  bool operator!=(const Size& other) const { return !(*this == other); }
};

static_assert(sizeof(Size) == sizeof(SIZE), "Size must stay layout-compatible with SIZE");

}  // namespace ui
