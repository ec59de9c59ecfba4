#pragma once

#include "ui/core/layout.h"

namespace ui {

// Children stacked from top to bottom; stretch children share what the
// others leave.
class VLayout : public Layout {
 public:
  Size ArrangeChildren(const std::vector<Control*>& children, Rect content) override;
  Size EstimateChildren(const std::vector<Control*>& children, Size available) override;
};

}  // namespace ui
