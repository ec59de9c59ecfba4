#pragma once

#include <windows.h>

#include <vector>

#include "ui/core/point.h"

namespace ui {

// Touch and pointer input, read through functions looked up by name in
// user32, so the program still starts where a platform lacks them.
namespace native_input {

enum class PointerKind { kOther, kTouch, kPen };

struct PointerSample {
  PointerKind kind = PointerKind::kOther;
  bool primary = false;
  Point screen_point;
  // 0..1; raw pressure divided by 1024.
  float pressure = 0.0f;
};

struct TouchSample {
  enum Phase { kDown, kMove, kUp } phase = kMove;
  Point screen_point;
};

void RegisterTouch(HWND hwnd);
void UnregisterTouch(HWND hwnd);
// Reads the touch points of a WM_TOUCH message and closes its handle.
// Empty when the platform has no touch input.
std::vector<TouchSample> ReadTouch(WPARAM wparam, LPARAM lparam);
// False when the pointer cannot be read.
bool ReadPointer(WPARAM wparam, PointerSample* sample);

}  // namespace native_input
}  // namespace ui
