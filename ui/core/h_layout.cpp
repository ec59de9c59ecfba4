#include "ui/core/h_layout.h"

#include "ui/core/flow_layout.h"

namespace ui {

namespace {
constexpr FlowAxis kAxis{true};
}  // namespace

Size HLayout::ArrangeChildren(const std::vector<Control*>& children, Rect content) {
  return ArrangeFlow(kAxis, children, content, child_margin_);
}

Size HLayout::EstimateChildren(const std::vector<Control*>& children, Size available) {
  Size needed = EstimateFlow(kAxis, children, available, child_margin_);
  needed.cx += padding_.left + padding_.right;
  needed.cy += padding_.top + padding_.bottom;
  return needed;
}

}  // namespace ui
