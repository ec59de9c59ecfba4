#include "ui/core/place_holder.h"

#include "ui/core/box.h"
#include "ui/core/control_host.h"
#include "ui/core/dpi_scale.h"
#include "ui/render/render_interface.h"

namespace ui {

PlaceHolder::PlaceHolder() = default;

PlaceHolder::~PlaceHolder() = default;

void PlaceHolder::SetWindow(ControlHost* window, Box* parent, bool init) {
  window_ = window;
  parent_ = parent;
  if (init && parent_) Init();
}

void PlaceHolder::Init() { DoInit(); }

Size PlaceHolder::EstimateSize(Size /*available*/) { return Size(fixed_width_, fixed_height_); }

void PlaceHolder::Arrange() {
  if (IsAutoSized()) {
    ArrangeAncestor();
  } else {
    ArrangeSelf();
  }
}

void PlaceHolder::ArrangeAncestor() {
  needs_estimate_ = true;
  if (window_ && window_->GetRoot()) {
    // Auto-sized ancestors depend on this size; the first fixed one bounds
    // the change.
    Box* parent = parent_;
    while (parent && parent->IsAutoSized()) {
      parent->SetReEstimateSize(true);
      parent = parent->GetParent();
    }
    if (parent) {
      parent->ArrangeSelf();
    } else {
      window_->GetRoot()->ArrangeSelf();
    }
  } else if (parent_) {
    parent_->ArrangeSelf();
  } else {
    ArrangeSelf();
  }
}

void PlaceHolder::ArrangeSelf() {
  if (!IsVisible()) return;
  needs_estimate_ = true;
  needs_arrange_ = true;
  Invalidate();
  if (window_) window_->SetNeedsLayout();
}

void PlaceHolder::SetFixedWidth(int width, bool arrange, bool scale) {
  if (width < 0 && width != kLengthStretch && width != kLengthAuto) return;
  if (width > 0 && scale) width = DpiScale::GetInstance().ScaleValue(width);
  if (width == fixed_width_) return;
  fixed_width_ = width;
  if (arrange) {
    ArrangeAncestor();
  } else {
    needs_estimate_ = true;
  }
}

void PlaceHolder::SetFixedHeight(int height, bool arrange, bool scale) {
  if (height < 0 && height != kLengthStretch && height != kLengthAuto) return;
  if (height > 0 && scale) height = DpiScale::GetInstance().ScaleValue(height);
  if (height == fixed_height_) return;
  fixed_height_ = height;
  if (arrange) {
    ArrangeAncestor();
  } else {
    needs_estimate_ = true;
  }
}

void PlaceHolder::SetMinWidth(int width) {
  if (width == min_width_) return;
  min_width_ = width;
  ArrangeAncestor();
}

void PlaceHolder::SetMinHeight(int height) {
  if (height == min_height_) return;
  min_height_ = height;
  ArrangeAncestor();
}

void PlaceHolder::SetMaxWidth(int width) {
  if (width == max_width_) return;
  max_width_ = width;
  ArrangeAncestor();
}

void PlaceHolder::SetMaxHeight(int height) {
  if (height == max_height_) return;
  max_height_ = height;
  ArrangeAncestor();
}

void PlaceHolder::NoteParentOfChange() {
  if (parent_) parent_->NoteChildrenChanged();
}

void PlaceHolder::SetFloat(bool value) {
  if (value == float_) return;
  float_ = value;
  NoteParentOfChange();
  ArrangeAncestor();
}

}  // namespace ui
