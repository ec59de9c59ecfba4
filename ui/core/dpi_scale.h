#pragma once

#include "ui/core/rect.h"

namespace ui {

// The display-scale facility. Nothing switches it on today; every length that
// comes from markup still goes through it, so a scale can be enabled in one
// place. UI thread only.
class DpiScale {
 public:
  static DpiScale& GetInstance();

  int percent() const { return percent_; }
  void set_percent(int percent) { percent_ = percent; }
  bool enabled() const { return enabled_; }
  void set_enabled(bool enabled) { enabled_ = enabled; }

  // True when scaling changes anything at all.
  bool IsActive() const { return enabled_ && percent_ != 100; }

  // value * percent / 100, rounded half away from zero.
  int ScaleValue(int value) const;

  // Scales width and height first and puts them back on the scaled corner,
  // so neighbouring rectangles keep their scaled sizes exactly.
  Rect ScaleRect(const Rect& rect) const;
  void ScaleRectInPlace(Rect* rect) const { *rect = ScaleRect(*rect); }

 private:
  DpiScale() = default;

  int percent_ = 100;
  bool enabled_ = false;
};

}  // namespace ui
