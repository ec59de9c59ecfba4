#pragma once

#include "ui/core/layout.h"

namespace ui {

// Children side by side from left to right; stretch children share what
// the others leave.
class HLayout : public Layout {
 public:
  Size ArrangeChildren(const std::vector<Control*>& children, Rect content) override;
  Size EstimateChildren(const std::vector<Control*>& children, Size available) override;
};

}  // namespace ui
