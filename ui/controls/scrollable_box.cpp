#include "ui/controls/scrollable_box.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "ui/core/attribute_values.h"
#include "ui/core/control_host.h"
#include "ui/core/dpi_scale.h"
#include "ui/render/auto_clip.h"
#include "ui/render/render_interface.h"

namespace ui {

namespace {

// Smooth line steps start at full speed and brake over the second half.
constexpr double kScrollSlowDownRatio = 0.5;
constexpr double kScrollSlowDownFactor = -0.012;
// The settle after jumping to the end.
constexpr double kSettleSpeedUpRatio = 0.3;
constexpr double kSettleSlowDownRatio = 0.7;
constexpr double kSettleSpeedUpFactor = 0.003;
constexpr int kSettleMaxTotalTime = 650;

int ClampToInt(int64_t value) {
  return static_cast<int>(std::max<int64_t>(INT_MIN, std::min<int64_t>(value, INT_MAX)));
}

int BarRange(const ScrollBar* bar) {
  return bar ? static_cast<int>(std::min<int64_t>(bar->GetScrollRange(), INT_MAX)) : 0;
}

int Positive(int value) { return value > 0 ? value : 0; }

}  // namespace

ScrollableBox::ScrollableBox(std::unique_ptr<Layout> layout) : Box(std::move(layout)) {}

ScrollableBox::~ScrollableBox() {
  scroll_animation_.Stop();
  render_offset_animation_.Stop();
}

void ScrollableBox::SetTimerService(TimerService* service) {
  timer_service_ = service;
  scroll_animation_.SetTimerService(service);
  render_offset_animation_.SetTimerService(service);
  for (ScrollBar* bar : {vertical_bar_.get(), horizontal_bar_.get()}) {
    if (bar) bar->SetTimerService(service);
  }
}

Size ScrollableBox::GetScrollPos() const {
  const int x = HasRange(horizontal_bar_.get()) ? static_cast<int>(horizontal_bar_->GetScrollPos()) : 0;
  const int y = HasRange(vertical_bar_.get()) ? static_cast<int>(vertical_bar_->GetScrollPos()) : 0;
  return Size(x, y);
}

Size ScrollableBox::GetScrollRange() const {
  return Size(BarRange(horizontal_bar_.get()), BarRange(vertical_bar_.get()));
}

Point ScrollableBox::GetScrollOffset() const {
  const Size position = GetScrollPos();
  return Point(position.cx, position.cy);
}

void ScrollableBox::SetScrollPos(Size position) {
  int y = position.cy;
  if (y < 0) {
    scroll_animation_.Stop();
    y = 0;
  } else if (y > BarRange(vertical_bar_.get())) {
    y = BarRange(vertical_bar_.get());
    scroll_animation_.Stop();
  }
  const Size old = GetScrollPos();
  if (HasRange(vertical_bar_.get())) vertical_bar_->SetScrollPos(y);
  if (HasRange(horizontal_bar_.get())) horizontal_bar_->SetScrollPos(position.cx);
  const Size now = GetScrollPos();
  if (now == old) return;
  PrefetchImages(now.cy > old.cy);
  Invalidate();
  SendEvent(kEventScrollChange);
}

void ScrollableBox::SetScrollPosY(int y) { SetScrollPos(Size(GetScrollPos().cx, y)); }

void ScrollableBox::SetScrollPosX(int x) { SetScrollPos(Size(x, GetScrollPos().cy)); }

void ScrollableBox::PrefetchImages(bool forward) {
  const Size position = GetScrollPos();
  Rect near_view = rect_;
  near_view.Offset(position.cx + render_offset_.x, position.cy + render_offset_.y);
  near_view.top = ClampToInt(static_cast<int64_t>(near_view.top) - kPrefetchMargin);
  near_view.bottom = ClampToInt(static_cast<int64_t>(near_view.bottom) + kPrefetchMargin);
  auto prefetch = [&near_view](Control* child) {
    Rect overlap;
    if (child->IsVisible() && !child->IsFloat() && overlap.Intersect(near_view, child->GetPos())) {
      child->LoadBkImage();
    } else {
      child->ReleaseBkImage();
    }
  };
  flow_index_.Update(*this);
  if (!flow_index_.ordered() || prefetched_generation_ != children_generation()) {
    // Every child once; after that, with the children where they were,
    // only those near the old or the new view can change.
    const size_t count = children_.size();
    for (size_t i = 0; i < count; ++i) prefetch(children_[forward ? i : count - 1 - i]);
    prefetched_ = flow_index_.ordered() ? flow_index_.Span(near_view.top, near_view.bottom)
                                        : std::make_pair<size_t, size_t>(0, 0);
    prefetched_generation_ = children_generation();
    return;
  }
  const std::vector<FlowIndex::Entry>& entries = flow_index_.entries();
  const std::pair<size_t, size_t> now = flow_index_.Span(near_view.top, near_view.bottom);
  for (size_t i = prefetched_.first; i < prefetched_.second && i < entries.size(); ++i) {
    if (i < now.first || i >= now.second) prefetch(entries[i].control);
  }
  for (size_t i = now.first; i < now.second; ++i)
    prefetch(entries[forward ? i : now.second - 1 - (i - now.first)].control);
  prefetched_ = now;
}

void ScrollableBox::AnimateTo(int target) {
  const int y = GetScrollPos().cy;
  scroll_animation_.Reset();
  scroll_animation_.SetStartValue(y);
  scroll_animation_.SetEndValue(target);
  scroll_animation_.SetSpeedUpRatio(0);
  scroll_animation_.SetSlowDownRatio(kScrollSlowDownRatio);
  scroll_animation_.SetSlowDownFactor(kScrollSlowDownFactor);
  scroll_animation_.SetCallback([this](int value) { SetScrollPosY(value); });
  scroll_animation_.Start();
}

void ScrollableBox::LineUp(int step, bool animate) {
  const int unit = VerticalUnit();
  if (step < 0 || step > unit) step = unit;
  const int y = GetScrollPos().cy;
  if (y < 1) return;
  if (!animate) {
    SetScrollPosY(std::max(y - step, 0));
    return;
  }
  // Steps taken while a step runs add up instead of restarting from here.
  int64_t target = static_cast<int64_t>(y) - step;
  if (scroll_animation_.is_playing() && scroll_animation_.end_value() < y)
    target = static_cast<int64_t>(scroll_animation_.end_value()) - step;
  AnimateTo(ClampToInt(target));
}

void ScrollableBox::LineDown(int step, bool animate) {
  const int unit = VerticalUnit();
  if (step < 0 || step > unit) step = unit;
  const int y = GetScrollPos().cy;
  if (y >= BarRange(vertical_bar_.get())) return;
  int64_t target = static_cast<int64_t>(y) + step;
  if (!animate) {
    SetScrollPosY(ClampToInt(target));
    return;
  }
  if (scroll_animation_.is_playing() && scroll_animation_.end_value() > y)
    target = static_cast<int64_t>(scroll_animation_.end_value()) + step;
  AnimateTo(ClampToInt(target));
}

void ScrollableBox::LineLeft(int step) {
  const int unit = HorizontalUnit();
  if (step < 0 || step > unit) step = unit;
  const int x = GetScrollPos().cx;
  if (x < 1) return;
  SetScrollPosX(std::max(x - step, 0));
}

void ScrollableBox::LineRight(int step) {
  const int unit = HorizontalUnit();
  if (step < 0 || step > unit) step = unit;
  const int x = GetScrollPos().cx;
  if (x >= BarRange(horizontal_bar_.get())) return;
  SetScrollPosX(ClampToInt(static_cast<int64_t>(x) + step));
}

void ScrollableBox::PageUp() {
  const Rect padding = layout_->GetPadding();
  int page = rect_.Height() - padding.top - padding.bottom;
  if (HasRange(horizontal_bar_.get())) page -= Positive(horizontal_bar_->GetFixedHeight());
  SetScrollPosY(ClampToInt(static_cast<int64_t>(GetScrollPos().cy) - page));
}

void ScrollableBox::PageDown() {
  const Rect padding = layout_->GetPadding();
  int page = rect_.Height() - padding.top - padding.bottom;
  if (HasRange(horizontal_bar_.get())) page -= Positive(horizontal_bar_->GetFixedHeight());
  SetScrollPosY(ClampToInt(static_cast<int64_t>(GetScrollPos().cy) + page));
}

void ScrollableBox::HomeUp() { SetScrollPosY(0); }

void ScrollableBox::EndDown(bool arrange, bool animate) {
  if (arrange) SetPos(rect_);
  const int range = BarRange(vertical_bar_.get());
  if (animate && range > 0) {
    // The view jumps to the end and then settles from where it was.
    const int64_t distance =
        static_cast<int64_t>(range) - GetScrollPos().cy - render_offset_.y + render_offset_animation_.end_value();
    if (distance > 0) {
      render_offset_animation_.Reset();
      render_offset_animation_.SetStartValue(ClampToInt(-distance));
      render_offset_animation_.SetEndValue(0);
      render_offset_animation_.SetSpeedUpRatio(kSettleSpeedUpRatio);
      render_offset_animation_.SetSlowDownRatio(kSettleSlowDownRatio);
      render_offset_animation_.SetSpeedUpFactor(kSettleSpeedUpFactor);
      render_offset_animation_.SetMaxTotalTime(kSettleMaxTotalTime);
      render_offset_animation_.SetCallback([this](int value) { SetRenderOffsetY(value); });
      render_offset_animation_.Start();
    }
  }
  SetScrollPosY(range);
}

void ScrollableBox::PageLeft() {
  const Rect padding = layout_->GetPadding();
  const int page = rect_.Width() - padding.left - padding.right;
  SetScrollPosX(ClampToInt(static_cast<int64_t>(GetScrollPos().cx) - page));
}

void ScrollableBox::PageRight() {
  const Rect padding = layout_->GetPadding();
  const int page = rect_.Width() - padding.left - padding.right;
  SetScrollPosX(ClampToInt(static_cast<int64_t>(GetScrollPos().cx) + page));
}

void ScrollableBox::HomeLeft() { SetScrollPosX(0); }

void ScrollableBox::EndRight() { SetScrollPosX(BarRange(horizontal_bar_.get())); }

void ScrollableBox::TouchUp(int delta) {
  const int y = GetScrollPos().cy;
  if (y < 1) return;
  SetScrollPosY(ClampToInt(static_cast<int64_t>(y) - delta));
}

void ScrollableBox::TouchDown(int delta) {
  const int y = GetScrollPos().cy;
  if (y >= BarRange(vertical_bar_.get())) return;
  SetScrollPosY(ClampToInt(static_cast<int64_t>(y) + delta));
}

void ScrollableBox::EnableScrollBar(bool vertical, bool horizontal) {
  auto make_bar = [this](bool is_horizontal) {
    auto bar = std::make_unique<ScrollBar>();
    bar->SetOwner(this);
    if (is_horizontal) bar->SetHorizontal(true);
    bar->SetTimerService(timer_service_);
    bar->SetWindow(window_, this, false);
    bar->SetScrollRange(0);
    bar->SetVisible(false);
    bar->SetInternVisible(IsVisible());
    if (!IsEnabled()) bar->SetEnabled(false);
    bar->SetClass(is_horizontal ? L"hscrollbar" : L"vscrollbar");
    return bar;
  };
  if (!vertical) {
    vertical_bar_.reset();
  } else if (!vertical_bar_) {
    vertical_bar_ = make_bar(false);
  }
  if (!horizontal) {
    horizontal_bar_.reset();
  } else if (!horizontal_bar_) {
    horizontal_bar_ = make_bar(true);
  }
  Arrange();
}

void ScrollableBox::SetScrollBarFloat(bool value) {
  if (value == scrollbar_float_) return;
  scrollbar_float_ = value;
  Arrange();
}

void ScrollableBox::SetVerScrollUnit(int unit) { vertical_unit_ = Positive(unit); }

void ScrollableBox::SetHorScrollUnit(int unit) { horizontal_unit_ = Positive(unit); }

void ScrollableBox::SetScrollBarPadding(const Rect& padding) {
  scrollbar_padding_ =
      Rect(Positive(padding.left), Positive(padding.top), Positive(padding.right), Positive(padding.bottom));
  Arrange();
}

void ScrollableBox::SetWindow(ControlHost* window) {
  Box::SetWindow(window);
  for (ScrollBar* bar : {vertical_bar_.get(), horizontal_bar_.get()}) {
    if (bar) bar->SetWindow(window);
  }
}

void ScrollableBox::SetWindow(ControlHost* window, Box* parent, bool init) {
  Box::SetWindow(window, parent, init);
  for (ScrollBar* bar : {vertical_bar_.get(), horizontal_bar_.get()}) {
    if (bar) bar->SetWindow(window, this, init);
  }
}

void ScrollableBox::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const wchar_t* text = value.c_str();
  const DpiScale& scale = DpiScale::GetInstance();
  if (name == L"vscrollbar") {
    EnableScrollBar(ParseBool(text), horizontal_bar_ != nullptr);
  } else if (name == L"vscrollbarstyle") {
    EnableScrollBar(true, horizontal_bar_ != nullptr);
    if (vertical_bar_) vertical_bar_->ApplyAttributeList(value);
  } else if (name == L"hscrollbar") {
    EnableScrollBar(vertical_bar_ != nullptr, ParseBool(text));
  } else if (name == L"hscrollbarstyle") {
    EnableScrollBar(vertical_bar_ != nullptr, true);
    if (horizontal_bar_) horizontal_bar_->ApplyAttributeList(value);
  } else if (name == L"scrollbarpadding") {
    SetScrollBarPadding(scale.ScaleRect(ParseRect(text)));
  } else if (name == L"vscrollunit") {
    SetVerScrollUnit(scale.ScaleValue(ParseInt(text)));
  } else if (name == L"hscrollunit") {
    SetHorScrollUnit(scale.ScaleValue(ParseInt(text)));
  } else if (name == L"scrollbarfloat") {
    SetScrollBarFloat(ParseBool(text));
  } else if (name == L"holdend") {
    SetHoldEnd(ParseBool(text));
  } else {
    Box::SetAttribute(name, value);
  }
}

void ScrollableBox::SetPos(Rect rect) {
  const bool at_end =
      hold_end_ && HasRange(vertical_bar_.get()) && vertical_bar_->GetScrollPos() == vertical_bar_->GetScrollRange();
  std::weak_ptr<qbase::WeakFlag> alive = GetWeakFlag();
  Control::SetPos(rect);
  if (alive.expired()) return;
  rect = rect_;
  Rect content = rect;
  content.Deflate(layout_->GetPadding());
  const Size required = CalcRequiredSize(content);
  // A bar that appears or disappears lays the box out again from inside;
  // that pass has done everything left to do here.
  const unsigned pass = ++layout_pass_;
  ProcessVScrollBar(rect, required.cy);
  if (pass != layout_pass_ || alive.expired()) return;
  ProcessHScrollBar(rect, required.cx);
  if (pass != layout_pass_ || alive.expired()) return;
  if (at_end && HasRange(vertical_bar_.get())) EndDown(false, false);
}

Size ScrollableBox::CalcRequiredSize(const Rect& rect) {
  if (children_.empty()) return Size();
  Rect area = rect;
  if (!scrollbar_float_) {
    if (HasRange(vertical_bar_.get())) area.right -= Positive(vertical_bar_->GetFixedWidth());
    if (HasRange(horizontal_bar_.get())) area.bottom -= Positive(horizontal_bar_->GetFixedHeight());
  }
  return layout_->ArrangeChildren(children_, area);
}

void ScrollableBox::ProcessVScrollBar(Rect rect, int required_height) {
  ScrollBar* bar = vertical_bar_.get();
  if (!bar) return;
  const Rect padding = layout_->GetPadding();
  const int right = rect.right - scrollbar_padding_.right;
  const Rect bar_rect(right - Positive(bar->GetFixedWidth()), rect.top + scrollbar_padding_.top, right,
                      rect.bottom - scrollbar_padding_.bottom);
  int visible = rect.Height() - padding.top - padding.bottom;
  // A horizontal bar in the flow covers the bottom of the view, so the
  // last row must scroll out from under it.
  if (!scrollbar_float_ && HasRange(horizontal_bar_.get())) visible -= Positive(horizontal_bar_->GetFixedHeight());
  const int64_t overflow = static_cast<int64_t>(required_height) - visible;
  if (visible < required_height && bar->GetScrollRange() == 0) {
    bar->SetScrollRange(overflow);
    bar->SetScrollPos(0);
    // Once more, knowing the bar takes its width from the children.
    scroll_processing_ = true;
    SetPos(rect_);
    scroll_processing_ = false;
    return;
  }
  if (bar->GetScrollRange() == 0) return;
  if (overflow > 0 || scroll_processing_) {
    bar->SetPos(bar_rect);
    if (bar->GetScrollRange() == overflow) return;
    const int64_t old_position = bar->GetScrollPos();
    bar->SetScrollRange(std::max<int64_t>(overflow, 0));
    if (bar->GetScrollPos() >= old_position) return;
    SetPos(rect_);
    return;
  }
  bar->SetScrollPos(0);
  bar->SetScrollRange(0);
  SetPos(rect_);
}

void ScrollableBox::ProcessHScrollBar(Rect rect, int required_width) {
  ScrollBar* bar = horizontal_bar_.get();
  if (!bar) return;
  const Rect padding = layout_->GetPadding();
  const int bottom = rect.bottom - scrollbar_padding_.bottom;
  int right = rect.right - scrollbar_padding_.right;
  // The corner belongs to the vertical bar, so the horizontal one's end
  // button stays reachable.
  if (HasRange(vertical_bar_.get())) right = std::min<int>(right, vertical_bar_->GetPos().left);
  const Rect bar_rect(rect.left + scrollbar_padding_.left, bottom - Positive(bar->GetFixedHeight()), right, bottom);
  int visible = rect.Width() - padding.left - padding.right;
  if (!scrollbar_float_ && HasRange(vertical_bar_.get())) visible -= Positive(vertical_bar_->GetFixedWidth());
  const int64_t overflow = static_cast<int64_t>(required_width) - visible;
  if (visible < required_width && bar->GetScrollRange() == 0) {
    bar->SetScrollRange(overflow);
    bar->SetScrollPos(0);
    scroll_processing_ = true;
    SetPos(rect_);
    scroll_processing_ = false;
    return;
  }
  if (bar->GetScrollRange() == 0) return;
  if (overflow > 0 || scroll_processing_) {
    bar->SetPos(bar_rect);
    if (bar->GetScrollRange() == overflow) return;
    const int64_t old_position = bar->GetScrollPos();
    bar->SetScrollRange(std::max<int64_t>(overflow, 0));
    if (bar->GetScrollPos() >= old_position) return;
    SetPos(rect_);
    return;
  }
  bar->SetScrollPos(0);
  bar->SetScrollRange(0);
  SetPos(rect_);
}

void ScrollableBox::SetVisible(bool visible) {
  Box::SetVisible(visible);
  for (ScrollBar* bar : {vertical_bar_.get(), horizontal_bar_.get()}) {
    if (bar) bar->SetInternVisible(IsVisible());
  }
}

void ScrollableBox::SetInternVisible(bool visible) {
  Box::SetInternVisible(visible);
  for (ScrollBar* bar : {vertical_bar_.get(), horizontal_bar_.get()}) {
    if (bar) bar->SetInternVisible(IsVisible());
  }
}

void ScrollableBox::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  Box::SetEnabled(enabled);
  for (ScrollBar* bar : {vertical_bar_.get(), horizontal_bar_.get()}) {
    if (bar) bar->SetEnabled(enabled);
  }
}

bool ScrollableBox::HandleVerticalInput(EventArgs* args) {
  switch (args->kind) {
    case kEventKeyDown:
      switch (args->key) {
        case VK_PRIOR:
          PageUp();
          return true;
        case VK_NEXT:
          PageDown();
          return true;
        case VK_END:
          EndDown(true, true);
          return true;
        case VK_HOME:
          HomeUp();
          return true;
        case VK_UP:
          LineUp(-1, true);
          return true;
        case VK_DOWN:
          LineDown(-1, true);
          return true;
        default:
          return false;
      }
    case kEventMouseScrollWheel: {
      const int delta = static_cast<int>(static_cast<INT_PTR>(args->wparam));
      if (delta <= 0) {
        LineDown(-delta, true);
      } else {
        LineUp(delta, true);
      }
      return true;
    }
    case kEventTouchDown:
    case kEventPointerDown:
      if (!IsEnabled()) return false;
      touch_captured_ = true;
      SetMouseCaptured(true);
      last_pointer_point_ = args->mouse_point;
      return true;
    case kEventTouchMove:
    case kEventPointerUpdate: {
      if (!touch_captured_) return false;
      const int dy = args->mouse_point.y - last_pointer_point_.y;
      if (dy != 0) {
        last_pointer_point_ = args->mouse_point;
        // The content follows the finger.
        if (dy > 0) {
          TouchUp(dy);
        } else {
          TouchDown(-dy);
        }
      }
      return true;
    }
    case kEventTouchUp:
    case kEventPointerUp:
      if (!touch_captured_) return false;
      touch_captured_ = false;
      SetMouseCaptured(false);
      last_pointer_point_ = args->mouse_point;
      return true;
    default:
      return false;
  }
}

bool ScrollableBox::HandleHorizontalInput(EventArgs* args) {
  switch (args->kind) {
    case kEventKeyDown:
      switch (args->key) {
        case VK_PRIOR:
          PageLeft();
          return true;
        case VK_NEXT:
          PageRight();
          return true;
        case VK_END:
          EndRight();
          return true;
        case VK_HOME:
          HomeLeft();
          return true;
        case VK_UP:
          LineLeft(-1);
          return true;
        case VK_DOWN:
          LineRight(-1);
          return true;
        default:
          return false;
      }
    case kEventMouseScrollWheel: {
      const int delta = static_cast<int>(static_cast<INT_PTR>(args->wparam));
      if (delta <= 0) {
        LineRight(-delta);
      } else {
        LineLeft(delta);
      }
      return true;
    }
    default:
      return false;
  }
}

void ScrollableBox::HandleEvent(EventArgs* args) {
  const int kind = args->kind;
  if (!mouse_enabled_ && kind >= kEventMouseFirst && kind <= kEventMouseLast) {
    Box::HandleEvent(args);
    return;
  }
  if (HasRange(vertical_bar_.get()) && vertical_bar_->IsEnabled()) {
    if (HandleVerticalInput(args)) return;
  } else if (HasRange(horizontal_bar_.get()) && horizontal_bar_->IsEnabled()) {
    if (HandleHorizontalInput(args)) return;
  }
  Box::HandleEvent(args);
}

void ScrollableBox::MouseEnter() {
  Box::MouseEnter();
  for (ScrollBar* bar : {vertical_bar_.get(), horizontal_bar_.get()}) {
    if (bar && bar->IsEnabled() && HasRange(bar) && bar->IsAutoHideScroll()) bar->SetFadeVisible(true);
  }
}

void ScrollableBox::MouseLeave() {
  Box::MouseLeave();
  for (ScrollBar* bar : {vertical_bar_.get(), horizontal_bar_.get()}) {
    // A bar whose thumb is held stays until it is let go.
    if (bar && bar->IsEnabled() && HasRange(bar) && bar->IsAutoHideScroll() &&
        bar->GetThumbState() == kControlStateNormal) {
      bar->SetFadeVisible(false);
    }
  }
}

void ScrollableBox::PaintChildren(IRenderContext* context, const Rect& dirty) {
  Rect overlap;
  if (!overlap.Intersect(dirty, rect_)) return;
  {
    AutoClip clip(context, rect_, clip_);
    const Size position = GetScrollPos();
    Rect scrolled_dirty = dirty;
    scrolled_dirty.Offset(position.cx + render_offset_.x, position.cy + render_offset_.y);
    const Point old_origin = context->OffsetOrigin(position.cx, position.cy);
    flow_index_.Update(*this);
    if (flow_index_.ordered()) {
      // Only the run of children the dirty rows meet.
      const std::vector<FlowIndex::Entry>& entries = flow_index_.entries();
      const std::pair<size_t, size_t> span = flow_index_.Span(scrolled_dirty.top, scrolled_dirty.bottom);
      // Entries are the visible flow children; any change rebuilds them.
      for (size_t i = span.first; i < span.second; ++i) entries[i].control->Paint(context, scrolled_dirty);
    } else {
      for (Control* child : children_) {
        if (child->IsVisible() && !child->IsFloat()) child->Paint(context, scrolled_dirty);
      }
    }
    context->SetOrigin(old_origin);
    for (const FlowIndex::Entry& entry : flow_index_.floats()) {
      if (entry.control->IsVisible()) entry.control->Paint(context, dirty);
    }
  }
  PaintScrollBars(context, dirty);
}

void ScrollableBox::PaintScrollBars(IRenderContext* context, const Rect& dirty) {
  for (ScrollBar* bar : {horizontal_bar_.get(), vertical_bar_.get()}) {
    if (bar && bar->IsVisible()) bar->Paint(context, dirty);
  }
}

void ScrollableBox::CollectHitCandidates(const Point& point, UINT flags, std::vector<Control*>* candidates) {
  flow_index_.Update(*this);
  // Hidden children are only skipped when the search asks for visible ones.
  if (!flow_index_.ordered() || !(flags & kFindVisible)) {
    Box::CollectHitCandidates(point, flags, candidates);
    return;
  }
  const std::vector<FlowIndex::Entry>& entries = flow_index_.entries();
  const std::vector<FlowIndex::Entry>& floats = flow_index_.floats();
  const std::pair<size_t, size_t> span = flow_index_.Span(point.y, point.y + 1);
  // The run and the floats merged back into child order.
  candidates->clear();
  size_t next_float = 0;
  for (size_t i = span.first; i < span.second; ++i) {
    while (next_float < floats.size() && floats[next_float].child_index < entries[i].child_index)
      candidates->push_back(floats[next_float++].control);
    candidates->push_back(entries[i].control);
  }
  while (next_float < floats.size()) candidates->push_back(floats[next_float++].control);
}

Control* ScrollableBox::FindControl(const FindVisitor& visitor, void* data, UINT flags, Point scroll_offset) {
  // Bars lie over the children and are not scrolled with them.
  const bool searchable = (!(flags & kFindVisible) || IsVisible()) && (!(flags & kFindEnabled) || IsEnabled());
  if ((flags & kFindHitTest) && searchable && mouse_child_ && rect_.Contains(*static_cast<const Point*>(data))) {
    for (ScrollBar* bar : {vertical_bar_.get(), horizontal_bar_.get()}) {
      if (!bar) continue;
      if (Control* found = bar->FindControl(visitor, data, flags, scroll_offset)) return found;
    }
  }
  return Box::FindControl(visitor, data, flags, scroll_offset);
}

}  // namespace ui
