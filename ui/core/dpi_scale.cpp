#include "ui/core/dpi_scale.h"

#include <climits>
#include <cstdint>

namespace ui {

namespace {

int Clamp(int64_t value) {
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

// Inputs are at most 33 bits and percent 32, so the product fits in 64 bits.
int64_t MulDivRounded(int64_t value, int percent) {
  int64_t product = value * percent;
  int64_t result = ((product < 0 ? -product : product) + 50) / 100;
  return product < 0 ? -result : result;
}

}  // namespace

DpiScale& DpiScale::GetInstance() {
  static DpiScale instance;
  return instance;
}

int DpiScale::ScaleValue(int value) const {
  if (!IsActive()) return value;
  return Clamp(MulDivRounded(value, percent_));
}

Rect DpiScale::ScaleRect(const Rect& rect) const {
  if (!IsActive()) return rect;
  int64_t width = MulDivRounded(static_cast<int64_t>(rect.right) - rect.left, percent_);
  int64_t height = MulDivRounded(static_cast<int64_t>(rect.bottom) - rect.top, percent_);
  int left = Clamp(MulDivRounded(rect.left, percent_));
  int top = Clamp(MulDivRounded(rect.top, percent_));
  return Rect(left, top, Clamp(left + width), Clamp(top + height));
}

}  // namespace ui
