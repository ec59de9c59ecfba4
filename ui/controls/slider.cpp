#include "ui/controls/slider.h"

#include <cwchar>

#include "ui/core/attribute_values.h"
#include "ui/core/control_host.h"
#include "ui/core/dpi_scale.h"

namespace ui {

namespace {

int ThumbState(const std::wstring& name) {
  if (name == L"thumbnormalimage") return kControlStateNormal;
  if (name == L"thumbhotimage") return kControlStateHot;
  if (name == L"thumbpushedimage") return kControlStatePushed;
  if (name == L"thumbdisabledimage") return kControlStateDisabled;
  return -1;
}

}  // namespace

Slider::Slider() = default;

void Slider::SetThumbSize(Size size) {
  thumb_size_ = Size(std::max<int>(0, size.cx), std::max<int>(0, size.cy));
  Invalidate();
}

void Slider::SetProgressBarPadding(const Rect& padding) {
  progress_bar_padding_ = padding;
  if (IsAutoSized()) {
    ArrangeAncestor();
  } else {
    Invalidate();
  }
}

std::wstring Slider::GetThumbStateImage(int state) const {
  auto it = thumb_images_.find(state);
  return it == thumb_images_.end() ? std::wstring() : it->second.attribute.image_string;
}

void Slider::SetThumbStateImage(int state, const std::wstring& image_string) {
  thumb_images_[state].SetImageString(image_string);
  Invalidate();
}

void Slider::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const wchar_t* text = value.c_str();
  const int thumb_state = ThumbState(name);
  const DpiScale& scale = DpiScale::GetInstance();
  if (name == L"step") {
    SetChangeStep(ParseInt(text));
  } else if (thumb_state >= 0) {
    SetThumbStateImage(thumb_state, value);
  } else if (name == L"thumbsize") {
    const Size size = ParseSize(text);
    SetThumbSize(Size(scale.ScaleValue(size.cx), scale.ScaleValue(size.cy)));
  } else if (name == L"progressbarpadding") {
    SetProgressBarPadding(scale.ScaleRect(ParseRect(text)));
  } else {
    Progress::SetAttribute(name, value);
  }
}

Rect Slider::GetProgressPos() {
  double minimum = 0, maximum = 0, value = 0;
  Normalised(&minimum, &maximum, &value);
  const double span = maximum - minimum;
  const int width = rect_.Width();
  const int height = rect_.Height();
  if (horizontal_) {
    const double right = (width - thumb_size_.cx) * (value - minimum) / span + thumb_size_.cx / 2 + 0.5;
    return Rect(0, 0, static_cast<int>(right), height);
  }
  const double top = (maximum - value) * (height - thumb_size_.cy) / span + thumb_size_.cy / 2 + 0.5;
  return Rect(0, static_cast<int>(top), width, height);
}

Rect Slider::GetThumbRect() const {
  double minimum = 0, maximum = 0, value = 0;
  Normalised(&minimum, &maximum, &value);
  const double span = maximum - minimum;
  const Size& thumb = thumb_size_;
  if (horizontal_) {
    const int left = rect_.left + static_cast<int>((rect_.Width() - thumb.cx) * (value - minimum) / span);
    const int top = (rect_.top + rect_.bottom - thumb.cy) / 2;
    return Rect(left, top, left + thumb.cx, top + thumb.cy);
  }
  const int left = (rect_.left + rect_.right - thumb.cx) / 2;
  const int top = rect_.bottom - thumb.cy - static_cast<int>((rect_.Height() - thumb.cy) * (value - minimum) / span);
  return Rect(left, top, left + thumb.cx, top + thumb.cy);
}

double Slider::ValueAt(Point point) const {
  const Point offset = GetScrollOffsetInScrollBox();
  point.Offset(offset.x, offset.y);
  double minimum = 0, maximum = 0, value = 0;
  Normalised(&minimum, &maximum, &value);
  const double span = maximum - minimum;
  if (horizontal_) {
    const int half = thumb_size_.cx / 2;
    const int room = rect_.Width() - thumb_size_.cx;
    if (point.x >= rect_.right - half) return maximum;
    if (point.x > rect_.left + half && room > 0) return minimum + (point.x - rect_.left - half) * span / room;
    return minimum;
  }
  const int half = thumb_size_.cy / 2;
  const int room = rect_.Height() - thumb_size_.cy;
  if (point.y >= rect_.bottom - half) return minimum;
  if (point.y > rect_.top + half && room > 0) return minimum + (rect_.bottom - half - point.y) * span / room;
  return maximum;
}

void Slider::NotifyValueChange() {
  if (window_) {
    window_->SendNotify(this, kEventValueChange);
  } else {
    SendEvent(kEventValueChange);
  }
}

void Slider::HandleEvent(EventArgs* args) {
  const int kind = args->kind;
  if (!mouse_enabled_ && kind >= kEventMouseFirst && kind <= kEventMouseLast) {
    Progress::HandleEvent(args);
    return;
  }
  switch (kind) {
    case kEventMouseButtonDown:
    case kEventInternalDoubleClick:
    case kEventPointerDown: {
      if (!IsEnabled()) return;
      Point point = args->mouse_point;
      const Point offset = GetScrollOffsetInScrollBox();
      point.Offset(offset.x, offset.y);
      if (GetThumbRect().Contains(point)) {
        thumb_captured_ = true;
        Invalidate();
      }
      return;
    }
    case kEventMouseMove:
    case kEventPointerUpdate: {
      if (thumb_captured_) {
        value_ = ValueAt(args->mouse_point);
        Invalidate();
        return;
      }
      Point point = args->mouse_point;
      const Point offset = GetScrollOffsetInScrollBox();
      point.Offset(offset.x, offset.y);
      const bool hot = GetThumbRect().Contains(point);
      if (hot != thumb_hot_) {
        thumb_hot_ = hot;
        Invalidate();
      }
      break;
    }
    case kEventMouseButtonUp:
    case kEventPointerUp:
      thumb_captured_ = false;
      if (IsEnabled()) {
        value_ = ValueAt(args->mouse_point);
        Invalidate();
        NotifyValueChange();
      }
      return;
    case kEventMouseScrollWheel: {
      if (!IsEnabled()) break;
      const int delta = static_cast<int>(static_cast<INT_PTR>(args->wparam));
      // Kept within the range when painted and when read.
      value_ += delta > 0 ? step_ : -step_;
      double minimum = 0, maximum = 0, value = 0;
      Normalised(&minimum, &maximum, &value);
      value_ = value;
      Invalidate();
      NotifyValueChange();
      return;
    }
    case kEventMouseLeave:
      thumb_hot_ = false;
      break;
    default:
      break;
  }
  Progress::HandleEvent(args);
}

void Slider::PaintStateImages(IRenderContext* context) {
  // The bar paints inside its padding; the thumb over the whole control.
  const Rect whole = rect_;
  rect_.Deflate(progress_bar_padding_);
  Progress::PaintStateImages(context);
  rect_ = whole;
  const Rect thumb = GetThumbRect();
  if (thumb.IsEmpty()) return;
  int state = kControlStateNormal;
  if (thumb_captured_) {
    state = kControlStatePushed;
  } else if (thumb_hot_) {
    state = kControlStateHot;
  }
  auto it = thumb_images_.find(state);
  if (it == thumb_images_.end() || it->second.attribute.image_name.empty())
    it = thumb_images_.find(kControlStateNormal);
  if (it == thumb_images_.end()) return;
  wchar_t modifier[128] = {};
  std::swprintf(modifier, 128, L"destscale='false' dest='%d,%d,%d,%d'", thumb.left - rect_.left, thumb.top - rect_.top,
                thumb.right - rect_.left, thumb.bottom - rect_.top);
  DrawImage(context, it->second, modifier);
}

void Slider::ReleaseAllImages() {
  for (auto& entry : thumb_images_) entry.second.ClearCache();
  Progress::ReleaseAllImages();
}

}  // namespace ui
