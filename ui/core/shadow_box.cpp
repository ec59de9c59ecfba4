#include "ui/core/shadow_box.h"

namespace ui {

namespace {

int AddCorners(int length, int first, int second) { return length > 0 ? length + first + second : length; }

}  // namespace

ShadowBox::ShadowBox() = default;

void ShadowBox::Wrap(Control* root, const Rect& corner, const std::wstring& shadow_image) {
  GetLayout()->SetPadding(corner, false);
  SetFixedWidth(AddCorners(root->GetFixedWidth(), corner.left, corner.right), false, false);
  SetFixedHeight(AddCorners(root->GetFixedHeight(), corner.top, corner.bottom), false, false);
  SetBkImage(shadow_image);
  Add(root);
}

void ShadowBox::SetShadowCorner(const Rect& corner) {
  GetLayout()->SetPadding(corner, false);
  ArrangeSelf();
}

void ShadowBox::PaintContent(IRenderContext* context, const Rect& dirty) {
  const Rect inner = GetPaddingPos();
  const bool inside = dirty.left >= inner.left && dirty.top >= inner.top && dirty.right <= inner.right &&
                      dirty.bottom <= inner.bottom;
  if (!inside) Box::PaintContent(context, dirty);
}

}  // namespace ui
