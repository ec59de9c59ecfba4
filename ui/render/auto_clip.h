#pragma once

#include "ui/render/render_interface.h"

namespace ui {

// Pushes a clip for one scope and pops it on every exit path. A disabled
// guard does nothing at all.
class AutoClip {
 public:
  AutoClip(IRenderContext* context, const Rect& rect, bool enabled = true) : context_(context), enabled_(enabled) {
    if (enabled_ && context_) context_->PushClip(rect);
  }
  AutoClip(IRenderContext* context, const Rect& rect, int ellipse_width, int ellipse_height, bool enabled = true)
      : context_(context), enabled_(enabled) {
    if (enabled_ && context_) context_->PushRoundClip(rect, ellipse_width, ellipse_height);
  }
  ~AutoClip() {
    if (enabled_ && context_) context_->PopClip();
  }
  AutoClip(const AutoClip&) = delete;
  AutoClip& operator=(const AutoClip&) = delete;

 private:
  IRenderContext* context_;
  bool enabled_;
};

}  // namespace ui
