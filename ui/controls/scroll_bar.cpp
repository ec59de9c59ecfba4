#include "ui/controls/scroll_bar.h"

#include <algorithm>
#include <climits>
#include <cwchar>

#include "ui/controls/scrollable_box.h"
#include "ui/core/attribute_values.h"
#include "ui/core/control_host.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/timer_service.h"
#include "ui/render/image_painter.h"

namespace ui {

namespace {

constexpr int kDefaultThickness = 16;

bool ParseStateWord(const std::wstring& word, int* state) {
  if (word == L"normal") {
    *state = kControlStateNormal;
  } else if (word == L"hot") {
    *state = kControlStateHot;
  } else if (word == L"pushed") {
    *state = kControlStatePushed;
  } else if (word == L"disabled") {
    *state = kControlStateDisabled;
  } else {
    return false;
  }
  return true;
}

bool HasImageFor(const std::map<int, Image>& images, int state) {
  auto it = images.find(state);
  return it != images.end() && !it->second.attribute.image_name.empty();
}

// A button or the grip: disabled shows its own picture (normal when there
// is none); pushed falls back to hot, then normal; hot, or any part while
// the thumb is dragged, shows hot, else normal.
int PartImageState(const std::map<int, Image>& images, int state, bool thumb_pushed) {
  if (state == kControlStateDisabled)
    return HasImageFor(images, kControlStateDisabled) ? kControlStateDisabled : kControlStateNormal;
  if (state == kControlStatePushed) {
    if (HasImageFor(images, kControlStatePushed)) return kControlStatePushed;
    return HasImageFor(images, kControlStateHot) ? kControlStateHot : kControlStateNormal;
  }
  if (state == kControlStateHot || thumb_pushed)
    return HasImageFor(images, kControlStateHot) ? kControlStateHot : kControlStateNormal;
  return kControlStateNormal;
}

std::wstring DestModifier(const Rect& part, const Rect& bar) {
  wchar_t text[128] = {};
  std::swprintf(text, 128, L"destscale='false' dest='%d,%d,%d,%d'", part.left - bar.left, part.top - bar.top,
                part.right - bar.left, part.bottom - bar.top);
  return text;
}

int64_t ClampPosition(int64_t value, int64_t range) { return std::max<int64_t>(0, std::min(value, range)); }

TimerService* ServiceOrDefault(TimerService* service) { return service ? service : TimerService::GetInstance(); }

}  // namespace

ScrollBar::ScrollBar() {
  float_ = true;
  // Clicking a bar must not take the keyboard from the content it scrolls.
  no_focus_ = true;
  fixed_width_ = DpiScale::GetInstance().ScaleValue(kDefaultThickness);
  fixed_height_ = 0;
}

ScrollBar::~ScrollBar() { repeat_flag_.Cancel(); }

void ScrollBar::SetScrollRange(int64_t range) {
  range = std::max<int64_t>(range, 0);
  if (range == range_) return;
  range_ = range;
  position_ = ClampPosition(position_, range_);
  if (range_ == 0) {
    SetVisible(false);
  } else if (!visible_ && !auto_hide_) {
    SetFadeVisible(true);
  }
  Relayout();
}

void ScrollBar::SetScrollPos(int64_t position) {
  position = ClampPosition(position, range_);
  if (position == position_) return;
  position_ = position;
  Relayout();
}

void ScrollBar::SetHorizontal(bool horizontal) {
  if (horizontal == horizontal_) return;
  horizontal_ = horizontal;
  const int thickness = DpiScale::GetInstance().ScaleValue(kDefaultThickness);
  fixed_width_ = horizontal ? 0 : thickness;
  fixed_height_ = horizontal ? thickness : 0;
  Relayout();
}

void ScrollBar::SetLineSize(int size) { line_size_ = std::max(size, 0); }

void ScrollBar::SetThumbMinLength(int length) {
  thumb_min_length_ = std::max(length, 0);
  Relayout();
}

void ScrollBar::SetShowButton1(bool show) {
  show_button1_ = show;
  Relayout();
}

void ScrollBar::SetShowButton2(bool show) {
  show_button2_ = show;
  Relayout();
}

void ScrollBar::SetPos(Rect rect) {
  Control::SetPos(rect);
  ComputeGeometry();
  Invalidate();
}

void ScrollBar::ComputeGeometry() {
  const Rect& r = rect_;
  int b = Thickness();
  if (b < 0) b = horizontal_ ? r.Height() : r.Width();
  const int cross_start = horizontal_ ? r.top : r.left;
  const int cross_end = cross_start + b;
  const int start = horizontal_ ? r.left : r.top;
  const int end = horizontal_ ? r.right : r.bottom;
  const int length = end - start;
  // A span along the bar, full thickness across it.
  auto span = [&](int from, int to) {
    return horizontal_ ? Rect(from, cross_start, to, cross_end) : Rect(cross_start, from, cross_end, to);
  };
  auto empty_at = [&](int at) { return horizontal_ ? Rect(at, r.top, at, r.top) : Rect(r.left, at, r.left, at); };
  auto main_start = [&](const Rect& rect) { return horizontal_ ? rect.left : rect.top; };
  auto main_end = [&](const Rect& rect) { return horizontal_ ? rect.right : rect.bottom; };

  const int usable = length - (show_button1_ ? b : 0) - (show_button2_ ? b : 0);
  if (b < usable) {
    button1_rect_ = show_button1_ ? span(start, start + b) : empty_at(start);
    button2_rect_ = show_button2_ ? span(end - b, end) : empty_at(end);
    const int rail_start = main_end(button1_rect_);
    const int rail_end = main_start(button2_rect_);
    if (range_ == 0) {
      thumb_rect_ = span(rail_start, rail_end);
      return;
    }
    // 64-bit products: ranges of long content reach billions.
    int64_t thumb = static_cast<int64_t>(length) * usable / (static_cast<int64_t>(length) + range_);
    thumb = std::max<int64_t>(thumb, thumb_min_length_);
    thumb = std::min<int64_t>(thumb, usable);
    int top = rail_start + static_cast<int>((usable - thumb) * position_ / range_);
    int bottom = top + static_cast<int>(thumb);
    if (bottom > rail_end) {
      bottom = rail_end;
      top = bottom - static_cast<int>(thumb);
    }
    thumb_rect_ = span(top, bottom);
    return;
  }
  // No room for a thumb: the buttons share the length.
  const int button = std::max(0, std::min(b, length / 2));
  button1_rect_ = show_button1_ ? span(start, start + button) : empty_at(start);
  button2_rect_ = show_button2_ ? span(end - button, end) : empty_at(end);
  thumb_rect_ = Rect();
}

int ScrollBar::UsableLength() const {
  const int length = horizontal_ ? rect_.Width() : rect_.Height();
  const int thumb = horizontal_ ? thumb_rect_.Width() : thumb_rect_.Height();
  const int buttons = (show_button1_ ? (horizontal_ ? button1_rect_.Width() : button1_rect_.Height()) : 0) +
                      (show_button2_ ? (horizontal_ ? button2_rect_.Width() : button2_rect_.Height()) : 0);
  return length - thumb - buttons;
}

void ScrollBar::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  Control::SetEnabled(enabled);
  const int part_state = enabled ? kControlStateNormal : kControlStateDisabled;
  button1_state_ = button2_state_ = thumb_state_ = part_state;
  if (!enabled) StopRepeat();
}

void ScrollBar::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const wchar_t* text = value.c_str();
  const size_t image_suffix = 5;  // "image"
  if (name.size() > image_suffix && name.compare(name.size() - image_suffix, image_suffix, L"image") == 0) {
    struct Family {
      const wchar_t* prefix;
      std::map<int, Image>* images;
    };
    const Family families[] = {{L"button1", &button1_images_},
                               {L"button2", &button2_images_},
                               {L"thumb", &thumb_images_},
                               {L"rail", &rail_images_},
                               {L"bk", &bk_images_}};
    for (const Family& family : families) {
      const size_t prefix = std::wcslen(family.prefix);
      if (name.compare(0, prefix, family.prefix) != 0) continue;
      int state = kControlStateNormal;
      if (!ParseStateWord(name.substr(prefix, name.size() - prefix - image_suffix), &state)) break;
      (*family.images)[state].SetImageString(value);
      if (family.images == &bk_images_ && state == kControlStateHot) animation_manager_.SetFadeHot(true);
      Invalidate();
      return;
    }
  }
  if (name == L"hor") {
    SetHorizontal(ParseBool(text));
  } else if (name == L"linesize") {
    SetLineSize(DpiScale::GetInstance().ScaleValue(ParseInt(text)));
  } else if (name == L"thumbminlength") {
    SetThumbMinLength(DpiScale::GetInstance().ScaleValue(ParseInt(text)));
  } else if (name == L"range") {
    SetScrollRange(ParseInt(text));
  } else if (name == L"value") {
    SetScrollPos(ParseInt(text));
  } else if (name == L"showbutton1") {
    SetShowButton1(ParseBool(text));
  } else if (name == L"showbutton2") {
    SetShowButton2(ParseBool(text));
  } else if (name == L"autohidescroll") {
    SetAutoHideScroll(ParseBool(text));
  } else {
    Control::SetAttribute(name, value);
  }
}

Point ScrollBar::GetScrollOffsetInScrollBox() const {
  return owner_ ? owner_->GetScrollOffsetInScrollBox() : Control::GetScrollOffsetInScrollBox();
}

void ScrollBar::ArrangeAncestor() {
  if (!owner_) {
    Control::ArrangeAncestor();
    return;
  }
  if (!window_) return;
  Rect area = rect_;
  const Point offset = GetScrollOffsetInScrollBox();
  area.Offset(-offset.x, -offset.y);
  window_->Invalidate(area);
}

ScrollBar::Part ScrollBar::PartAt(const Point& point) const {
  if (button1_rect_.Contains(point)) return kPartButton1;
  if (button2_rect_.Contains(point)) return kPartButton2;
  if (thumb_rect_.Contains(point)) return kPartThumb;
  if (thumb_rect_.IsEmpty()) return kPartNone;
  const int coordinate = horizontal_ ? point.x : point.y;
  return coordinate < (horizontal_ ? thumb_rect_.left : thumb_rect_.top) ? kPartRailBefore : kPartRailAfter;
}

void ScrollBar::SetOwnPosition(int64_t position) { SetScrollPos(ClampPosition(position, range_)); }

void ScrollBar::StepPart(Part part) {
  const int length = horizontal_ ? rect_.Width() : rect_.Height();
  switch (part) {
    case kPartButton1:
      if (!owner_) {
        SetOwnPosition(position_ - line_size_);
      } else if (horizontal_) {
        owner_->LineLeft(-1);
      } else {
        owner_->LineUp(-1, true);
      }
      break;
    case kPartButton2:
      if (!owner_) {
        SetOwnPosition(position_ + line_size_);
      } else if (horizontal_) {
        owner_->LineRight(-1);
      } else {
        owner_->LineDown(-1, true);
      }
      break;
    case kPartRailBefore:
      if (!owner_) {
        SetOwnPosition(position_ - length);
      } else if (horizontal_) {
        owner_->PageLeft();
      } else {
        owner_->PageUp();
      }
      break;
    case kPartRailAfter:
      if (!owner_) {
        SetOwnPosition(position_ + length);
      } else if (horizontal_) {
        owner_->PageRight();
      } else {
        owner_->PageDown();
      }
      break;
    default:
      break;
  }
}

void ScrollBar::StartRepeat() {
  repeat_flag_.Cancel();
  ServiceOrDefault(timer_service_)
      ->AddCancelableTimer(repeat_flag_.GetWeakFlag(), ToWeakCallback([this] { OnRepeatTimer(); }), kRepeatIntervalMs,
                           TimerService::kRepeatForever);
}

void ScrollBar::StopRepeat() { repeat_flag_.Cancel(); }

void ScrollBar::ApplyDrag() {
  const int64_t target = ClampPosition(drag_origin_position_ + drag_delta_, range_);
  if (!owner_) {
    SetScrollPos(target);
    return;
  }
  const Size current = owner_->GetScrollPos();
  const int value = static_cast<int>(std::min<int64_t>(target, INT_MAX));
  owner_->SetScrollPos(horizontal_ ? Size(value, current.cy) : Size(current.cx, value));
}

void ScrollBar::OnRepeatTimer() {
  ++repeat_ticks_;
  if (pressed_part_ == kPartThumb) {
    ApplyDrag();
    return;
  }
  if (repeat_ticks_ <= kRepeatDelayTicks) return;
  if (pressed_part_ == kPartButton1 || pressed_part_ == kPartButton2) {
    StepPart(pressed_part_);
    return;
  }
  if (pressed_part_ != kPartRailBefore && pressed_part_ != kPartRailAfter) return;
  // The rail repeats towards wherever the cursor is now.
  POINT cursor = {};
  if (!window_ || !window_->GetHWND() || !::GetCursorPos(&cursor)) return;
  ::ScreenToClient(window_->GetHWND(), &cursor);
  const Point offset = GetScrollOffsetInScrollBox();
  const int coordinate = (horizontal_ ? cursor.x + offset.x : cursor.y + offset.y);
  if (coordinate < (horizontal_ ? thumb_rect_.left : thumb_rect_.top)) {
    StepPart(kPartRailBefore);
  } else if (coordinate >= (horizontal_ ? thumb_rect_.right : thumb_rect_.bottom)) {
    StepPart(kPartRailAfter);
  }
}

void ScrollBar::ButtonPressed(EventArgs* args) {
  Point point = args->mouse_point;
  const Point offset = GetScrollOffsetInScrollBox();
  point.Offset(offset.x, offset.y);
  std::weak_ptr<qbase::WeakFlag> alive = GetWeakFlag();
  StartRepeat();
  repeat_ticks_ = 0;
  drag_delta_ = 0;
  pressed_part_ = PartAt(point);
  switch (pressed_part_) {
    case kPartButton1:
      button1_state_ = kControlStatePushed;
      break;
    case kPartButton2:
      button2_state_ = kControlStatePushed;
      break;
    case kPartThumb:
      thumb_state_ = kControlStatePushed;
      SetMouseCaptured(true);
      drag_origin_ = point;
      drag_origin_position_ = position_;
      // A smooth scroll still running would fight the drag.
      if (owner_) owner_->StopScrollAnimation();
      break;
    default:
      break;
  }
  Invalidate();
  if (pressed_part_ != kPartThumb) StepPart(pressed_part_);
  if (!alive.expired()) Invalidate();
}

void ScrollBar::ButtonReleased(EventArgs* args) {
  Point point = args->mouse_point;
  const Point offset = GetScrollOffsetInScrollBox();
  point.Offset(offset.x, offset.y);
  repeat_ticks_ = 0;
  StopRepeat();
  if (IsMouseCaptured()) {
    SetMouseCaptured(false);
    const bool over = rect_.Contains(point);
    thumb_state_ = over ? kControlStateHot : kControlStateNormal;
    state_ = over ? kControlStateHot : kControlStateNormal;
    hot_alpha_ = over ? 255 : 0;
  } else {
    if (button1_state_ == kControlStatePushed) button1_state_ = kControlStateNormal;
    if (button2_state_ == kControlStatePushed) button2_state_ = kControlStateNormal;
  }
  drag_delta_ = 0;
  pressed_part_ = kPartNone;
  Invalidate();
  if (auto_hide_ && owner_ && !owner_->GetPos().Contains(point)) SetFadeVisible(false);
}

void ScrollBar::SetPartsState(int state) {
  for (int* part : {&button1_state_, &button2_state_, &thumb_state_}) {
    if (*part != kControlStatePushed) *part = state;
  }
}

void ScrollBar::MouseEnter() {
  if (!IsEnabled()) return;
  state_ = kControlStateHot;
  SetPartsState(kControlStateHot);
  if (HasHotState()) animation_manager_.MouseEnter();
  Invalidate();
}

void ScrollBar::MouseLeave() {
  if (!IsEnabled()) return;
  state_ = kControlStateNormal;
  SetPartsState(kControlStateNormal);
  if (HasHotState()) animation_manager_.MouseLeave();
  Invalidate();
}

void ScrollBar::HandleEvent(EventArgs* args) {
  const int kind = args->kind;
  if (!mouse_enabled_ && kind >= kEventMouseFirst && kind <= kEventMouseLast) {
    if (owner_) {
      owner_->DispatchEvent(args);
    } else {
      Control::HandleEvent(args);
    }
    return;
  }
  switch (kind) {
    case kEventMouseButtonDown:
    case kEventInternalDoubleClick:
    case kEventPointerDown:
      if (IsEnabled()) ButtonPressed(args);
      return;
    case kEventMouseMove:
    case kEventPointerUpdate:
      if (IsMouseCaptured() && pressed_part_ == kPartThumb) {
        Point point = args->mouse_point;
        const Point offset = GetScrollOffsetInScrollBox();
        point.Offset(offset.x, offset.y);
        const int usable = UsableLength();
        if (usable != 0) {
          const int moved = horizontal_ ? point.x - drag_origin_.x : point.y - drag_origin_.y;
          drag_delta_ = static_cast<int64_t>(moved) * range_ / usable;
          // Followed at once as well as on the next tick, so the thumb
          // never lags the pointer and a quick release loses nothing.
          ApplyDrag();
        }
        return;
      }
      break;
    case kEventMouseButtonUp:
    case kEventPointerUp:
      ButtonReleased(args);
      return;
    case kEventSetCursor:
      ::SetCursor(::LoadCursor(nullptr, cursor_type_ == kCursorHand ? IDC_HAND : IDC_ARROW));
      return;
    default:
      break;
  }
  Control::HandleEvent(args);
}

bool ScrollBar::HasHotState() { return HasImageFor(bk_images_, kControlStateHot) || Control::HasHotState(); }

void ScrollBar::DrawPart(IRenderContext* context, std::map<int, Image>& images, const Rect& part, int state) {
  if (part.IsEmpty()) return;
  auto it = images.find(PartImageState(images, state, thumb_state_ == kControlStatePushed));
  if (it == images.end()) return;
  DrawImage(context, it->second, DestModifier(part, rect_));
}

void ScrollBar::PaintStateImages(IRenderContext* context) {
  Control::PaintStateImages(context);
  const ImagePaintTarget target = MakeImagePaintTarget(context);
  PaintStateImage(target, bk_images_, state_, std::wstring(), HasHotFade(), hot_alpha_);
  if (show_button1_) DrawPart(context, button1_images_, button1_rect_, button1_state_);
  if (show_button2_) DrawPart(context, button2_images_, button2_rect_, button2_state_);
  if (thumb_rect_.IsEmpty()) return;
  PaintStateImage(target, thumb_images_, thumb_state_, DestModifier(thumb_rect_, rect_), false, 0);
  // The grip: a square of the bar's thickness in the middle of the thumb.
  const int b = horizontal_ ? thumb_rect_.Height() : thumb_rect_.Width();
  Rect grip;
  if (horizontal_) {
    const int left = (thumb_rect_.left + thumb_rect_.right) / 2 - b / 2;
    grip = Rect(left, thumb_rect_.top, left + b, thumb_rect_.bottom);
  } else {
    const int top = (thumb_rect_.top + thumb_rect_.bottom) / 2 - b / 2;
    grip = Rect(thumb_rect_.left, top, thumb_rect_.right, top + b);
  }
  DrawPart(context, rail_images_, grip, thumb_state_);
}

}  // namespace ui
