#include "ui/core/h_layout.h"

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

Size HLayout::ArrangeChildren(const std::vector<Control*>& children, Rect content) {
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
    if (size.cx == kLengthStretch) {
      ++stretch_count;
      fixed_total += margin.left + margin.right;
    } else {
      fixed_total += ClampLength(size.cx, child->GetMinWidth(), child->GetMaxWidth()) + margin.left + margin.right;
    }
  }
  if (flow_count > 0) fixed_total += child_margin_ * (flow_count - 1);

  int share = 0;
  int remainder = 0;
  if (stretch_count > 0) {
    share = std::max((width - fixed_total) / stretch_count, 0);
    // The first stretch children take the leftover pixels, one each.
    remainder = width - stretch_count * share - fixed_total;
  }

  int x = content.left;
  int remaining = width;
  int used_width = 0;
  int used_height = 0;
  for (Control* child : children) {
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(child, content);
      continue;
    }
    const Rect margin = child->GetMargin();
    remaining -= margin.left;
    const Size size = child->EstimateSize(Size(remaining, height));
    int cx = size.cx;
    if (cx == kLengthStretch) {
      cx = share;
      if (remainder > 0) {
        ++cx;
        --remainder;
      }
    }
    cx = ClampLength(cx, child->GetMinWidth(), child->GetMaxWidth());
    int cy = size.cy == kLengthStretch ? height - margin.top - margin.bottom : size.cy;
    cy = ClampLength(std::max(cy, 0), child->GetMinHeight(), child->GetMaxHeight());

    int y = content.top + margin.top;
    if (child->GetVerAlignType() == kAlignBottom) {
      y = content.bottom - margin.bottom - cy;
    } else if (child->GetVerAlignType() == kAlignVCenter) {
      y = content.top + (margin.top + height - margin.bottom - cy) / 2;
    }
    const int left = x + margin.left;
    child->SetPos(Rect(left, y, left + cx, y + cy));

    x += margin.left + cx + margin.right + child_margin_;
    remaining -= cx + margin.right + child_margin_;
    used_width += margin.left + cx + margin.right;
    used_height = std::max(used_height, cy);
  }
  if (flow_count > 1) used_width += child_margin_ * (flow_count - 1);
  return Size(used_width, used_height);
}

Size HLayout::EstimateChildren(const std::vector<Control*>& children, Size available) {
  Size needed;
  int count = 0;
  for (Control* child : children) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    const Size size = child->EstimateSize(available);
    const Rect margin = child->GetMargin();
    needed.cx += ClampLength(size.cx, child->GetMinWidth(), child->GetMaxWidth()) + margin.left + margin.right;
    needed.cy = std::max(needed.cy, ClampLength(size.cy, child->GetMinHeight(), child->GetMaxHeight()) +
                                        margin.top + margin.bottom);
    ++count;
  }
  if (count >= 2) needed.cx += child_margin_ * (count - 1);
  needed.cx += padding_.left + padding_.right;
  needed.cy += padding_.top + padding_.bottom;
  return needed;
}

}  // namespace ui
