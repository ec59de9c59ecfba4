#include "ui/core/layout.h"

#include <algorithm>

#include "ui/core/attribute_values.h"
#include "ui/core/box.h"
#include "ui/core/dpi_scale.h"

namespace ui {

int Layout::ClampLength(int value, int minimum, int maximum) {
  value = std::max(value, minimum);
  if (maximum >= 0) value = std::min(value, maximum);
  return value;
}

bool Layout::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"padding") {
    SetPadding(ParseRect(value.c_str()), true);
    return true;
  }
  if (name == L"childmargin") {
    SetChildMargin(ParseInt(value.c_str()));
    return true;
  }
  return false;
}

void Layout::SetPadding(const Rect& padding, bool scale) {
  Rect value = padding;
  if (scale) {
    const DpiScale& dpi = DpiScale::GetInstance();
    value = Rect(dpi.ScaleValue(padding.left), dpi.ScaleValue(padding.top), dpi.ScaleValue(padding.right),
                 dpi.ScaleValue(padding.bottom));
  }
  padding_ = value;
  if (owner_) owner_->Arrange();
}

void Layout::SetChildMargin(int margin) {
  child_margin_ = DpiScale::GetInstance().ScaleValue(margin);
  if (owner_) owner_->Arrange();
}

Size Layout::SetFloatPos(Control* child, const Rect& rect) {
  if (!child->IsVisible()) return Size();
  Rect slot = rect;
  slot.Deflate(child->GetMargin());
  const int width = slot.Width();
  const int height = slot.Height();
  const int room = std::max(width, 0);

  Size size = child->EstimateSize(Size(width, height));
  if (child->IsAutoWidth() && child->IsAutoHeight() && child->GetMaxWidth() == kLengthStretch && size.cx > room) {
    // Measure again at the slot's width so text wraps to it.
    child->SetFixedWidth(room, false, false);
    size = child->EstimateSize(Size(width, height));
    child->SetFixedWidth(kLengthAuto, false, false);
  }

  int cx = size.cx == kLengthStretch ? room : size.cx;
  cx = ClampLength(cx, child->GetMinWidth(), child->GetMaxWidth());
  int cy = size.cy == kLengthStretch ? std::max(height, 0) : size.cy;
  cy = ClampLength(cy, child->GetMinHeight(), child->GetMaxHeight());

  int x = slot.left;
  if (child->GetHorAlignType() == kAlignRight) {
    x = slot.right - cx;
  } else if (child->GetHorAlignType() == kAlignCenter) {
    x = slot.left + (slot.right - cx - slot.left) / 2;
  }
  int y = slot.top;
  if (child->GetVerAlignType() == kAlignBottom) {
    y = slot.bottom - cy;
  } else if (child->GetVerAlignType() == kAlignVCenter) {
    y = slot.top + (slot.bottom - cy - slot.top) / 2;
  }
  child->SetPos(Rect(x, y, x + cx, y + cy));
  return Size(cx, cy);
}

Size Layout::ArrangeChildren(const std::vector<Control*>& children, Rect content) {
  Size used;
  for (Control* child : children) {
    if (!child->IsVisible()) continue;
    const Size size = SetFloatPos(child, content);
    used.cx = std::max(used.cx, size.cx);
    used.cy = std::max(used.cy, size.cy);
  }
  return used;
}

Size Layout::EstimateChildren(const std::vector<Control*>& children, Size available) {
  Size needed(-9999, -9999);
  for (Control* child : children) {
    if (!child->IsVisible()) continue;
    const Size size = child->EstimateSize(available);
    const int cx = ClampLength(size.cx, child->GetMinWidth(), child->GetMaxWidth());
    const int cy = ClampLength(size.cy, child->GetMinHeight(), child->GetMaxHeight());
    const Rect margin = child->GetMargin();
    needed.cx = std::max(needed.cx, cx + margin.left + margin.right);
    needed.cy = std::max(needed.cy, cy + margin.top + margin.bottom);
  }
  needed.cx += padding_.left + padding_.right;
  needed.cy += padding_.top + padding_.bottom;
  return needed;
}

}  // namespace ui
