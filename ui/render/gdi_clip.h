#pragma once

#include "ui/render/render_interface.h"

namespace ui {

// Clips as a stack on the device context's own save stack, shared with the
// render context's SaveState/RestoreState.
class GdiClip : public IClip {
 public:
  void PushClip(HDC dc, const Rect& rect) override;
  void PushRoundClip(HDC dc, const Rect& rect, int ellipse_width, int ellipse_height) override;
  void PopClip(HDC dc) override;
};

}  // namespace ui
