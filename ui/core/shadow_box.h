#pragma once

#include "ui/core/box.h"

namespace ui {

// The frame around a window's root that holds the drop shadow: its padding
// is the shadow's width and its background the shadow image.
class ShadowBox : public Box {
 public:
  ShadowBox();

  // Sizes the box to |root| plus |corner| and makes |root| its only child.
  void Wrap(Control* root, const Rect& corner, const std::wstring& shadow_image);
  void SetShadowCorner(const Rect& corner);

  // The shadow lies outside the padding area; repaints inside it skip the
  // shadow image.
  void PaintContent(IRenderContext* context, const Rect& dirty) override;
};

}  // namespace ui
