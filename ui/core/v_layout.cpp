#include "ui/core/v_layout.h"

#include <algorithm>

#include "ui/core/attribute_values.h"
#include "ui/core/control.h"

namespace ui {

namespace {

int ClampLength(int value, int minimum, int maximum) {
  value = std::max(value, minimum);
  if (maximum >= 0) value = std::min(value, maximum);
  return value;
}

}  // namespace

Size VLayout::ArrangeChildren(const std::vector<Control*>& children, Rect content) {
  const int width = content.Width();
  const int height = content.Height();

  int flow_count = 0;
  int stretch_count = 0;
  int fixed_total = 0;
  for (Control* child : children) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    ++flow_count;
    const Size size = child->EstimateSize(Size(width, height));
    const Rect margin = child->GetMargin();
    if (size.cy == kLengthStretch) {
      ++stretch_count;
      fixed_total += margin.top + margin.bottom;
    } else {
      fixed_total +=
          ClampLength(size.cy, child->GetMinHeight(), child->GetMaxHeight()) + margin.top + margin.bottom;
    }
  }
  if (flow_count > 0) fixed_total += child_margin_ * (flow_count - 1);

  int share = 0;
  int remainder = 0;
  if (stretch_count > 0) {
    share = std::max((height - fixed_total) / stretch_count, 0);
    remainder = height - stretch_count * share - fixed_total;
  }

  int y = content.top;
  int remaining = height;
  int used_width = 0;
  int used_height = 0;
  for (Control* child : children) {
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(child, content);
      continue;
    }
    const Rect margin = child->GetMargin();
    remaining -= margin.top;
    const Size size = child->EstimateSize(Size(width, remaining));
    int cy = size.cy;
    if (cy == kLengthStretch) {
      cy = share;
      if (remainder > 0) {
        ++cy;
        --remainder;
      }
    }
    cy = ClampLength(cy, child->GetMinHeight(), child->GetMaxHeight());
    int cx = size.cx == kLengthStretch ? width - margin.left - margin.right : size.cx;
    cx = ClampLength(std::max(cx, 0), child->GetMinWidth(), child->GetMaxWidth());

    int x = content.left + margin.left;
    if (child->GetHorAlignType() == kAlignRight) {
      x = content.right - margin.right - cx;
    } else if (child->GetHorAlignType() == kAlignCenter) {
      x = content.left + (margin.left + width - margin.right - cx) / 2;
    }
    const int top = y + margin.top;
    child->SetPos(Rect(x, top, x + cx, top + cy));

    y += margin.top + cy + margin.bottom + child_margin_;
    remaining -= cy + margin.bottom + child_margin_;
    used_height += margin.top + cy + margin.bottom;
    used_width = std::max(used_width, cx);
  }
  if (flow_count > 1) used_height += child_margin_ * (flow_count - 1);
  return Size(used_width, used_height);
}

Size VLayout::EstimateChildren(const std::vector<Control*>& children, Size available) {
  Size needed;
  int count = 0;
  for (Control* child : children) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    const Size size = child->EstimateSize(available);
    const Rect margin = child->GetMargin();
    needed.cy += ClampLength(size.cy, child->GetMinHeight(), child->GetMaxHeight()) + margin.top + margin.bottom;
    needed.cx = std::max(needed.cx, ClampLength(size.cx, child->GetMinWidth(), child->GetMaxWidth()) +
                                        margin.left + margin.right);
    ++count;
  }
  if (count >= 2) needed.cy += child_margin_ * (count - 1);
  needed.cx += padding_.left + padding_.right;
  needed.cy += padding_.top + padding_.bottom;
  return needed;
}

}  // namespace ui
