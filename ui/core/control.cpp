#include "ui/core/control.h"

#include <algorithm>

#include "base/string_conversions.h"
#include "ui/core/box.h"
#include "ui/core/build_session.h"
#include "ui/core/control_host.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/resource_manager.h"
#include "ui/core/string_util.h"
#include "ui/render/auto_clip.h"
#include "ui/render/image_painter.h"
#include "ui/render/render_interface.h"

namespace ui {

namespace {

// Classes may name classes; a class that names itself would otherwise
// recurse until the stack runs out.
constexpr int kMaxClassDepth = 16;
int g_class_depth = 0;

Rect ScaleEdges(const Rect& edges) {
  const DpiScale& scale = DpiScale::GetInstance();
  return Rect(scale.ScaleValue(edges.left), scale.ScaleValue(edges.top), scale.ScaleValue(edges.right),
              scale.ScaleValue(edges.bottom));
}

Rect Union(const Rect& a, const Rect& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  return Rect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom));
}

std::wstring TrimLeadingSpace(const std::wstring& text) {
  size_t start = 0;
  while (start < text.size() && (text[start] == L' ' || (text[start] >= L'\t' && text[start] <= L'\r'))) ++start;
  return text.substr(start);
}

bool ParseState(const std::wstring& value, int* state) {
  if (value == L"normal") {
    *state = kControlStateNormal;
  } else if (value == L"hot") {
    *state = kControlStateHot;
  } else if (value == L"pushed") {
    *state = kControlStatePushed;
  } else if (value == L"disabled") {
    *state = kControlStateDisabled;
  } else {
    return false;
  }
  return true;
}

// The state named by the part of an attribute name before its suffix, e.g.
// "hot" in "hotcolor"; -1 for none.
int StateFromPrefix(const std::wstring& name, size_t prefix_start, const wchar_t* suffix) {
  const size_t suffix_length = std::char_traits<wchar_t>::length(suffix);
  if (name.size() <= prefix_start + suffix_length) return -1;
  if (name.compare(name.size() - suffix_length, suffix_length, suffix) != 0) return -1;
  int state = -1;
  if (!ParseState(name.substr(prefix_start, name.size() - suffix_length - prefix_start), &state)) return -1;
  return state;
}

std::unique_ptr<IRenderContext> CreateCacheContext() {
  IRenderFactory* factory = ResourceManager::GetRenderFactory();
  return factory ? factory->CreateRenderContext() : nullptr;
}

}  // namespace

int Control::instance_count_ = 0;

Control::Control()
    : animation_manager_(this),
      image_animator_([this]() { Invalidate(); },
                      [this]() {
                        // The play count is used up; tell whoever waits for it.
                        image_animation_on_ = false;
                        EventArgs args;
                        args.kind = kEventNone;
                        args.sender = this;
                        bool result = true;
                        RunEventHandlers(internal_handlers_, kEventNone, &args, &result);
                      }) {
  ++instance_count_;
}

Control::~Control() {
  // Pending timers, posted tasks and markup handlers bound to this control
  // must not run from here on.
  ReleaseWeakFlag();
  animation_manager_.Clear();
  if (window_) window_->ReapControl(this);
  --instance_count_;
}

Size Control::EstimateSize(Size available) {
  if (!IsAutoSized()) return Size(fixed_width_, fixed_height_);
  if (!needs_estimate_) return estimated_size_;

  Size image_size;
  if (Image* image = GetSizingImage()) {
    const Rect& source = image->attribute.source;
    if (ImageAttribute::IsSet(source)) {
      // A sprite piece sizes the control exactly.
      SetFixedWidth(source.Width(), true, true);
      SetFixedHeight(source.Height(), true, false);
      return Size(fixed_width_, fixed_height_);
    }
    if (ImageInfo* info = FetchImage(*image)) image_size = Size(info->width(), info->height());
  }

  // Cleared first: text that wraps to the available width keeps the
  // estimate open from inside EstimateText.
  needs_estimate_ = false;
  const Size text_size = EstimateText(available);
  Size result(fixed_width_, fixed_height_);
  if (IsAutoWidth()) result.cx = std::max(image_size.cx, text_size.cx);
  if (IsAutoHeight()) result.cy = std::max(image_size.cy, text_size.cy);
  estimated_size_ = result;
  return result;
}

void Control::SetPos(Rect rect) {
  if (rect.right < rect.left) rect.right = rect.left;
  if (rect.bottom < rect.top) rect.bottom = rect.top;
  needs_arrange_ = false;
  if (rect == rect_) return;

  const Rect old = rect_.IsEmpty() ? rect : rect_;
  rect_ = rect;
  NoteParentOfChange();
  if (!resize_in_progress_) {
    std::weak_ptr<qbase::WeakFlag> alive = GetWeakFlag();
    resize_in_progress_ = true;
    SendEvent(kEventResize, 0, 0, 0, 0.0f, window_ ? window_->GetLastMousePoint() : Point());
    if (alive.expired()) return;
    resize_in_progress_ = false;
  }

  if (!window_) return;
  Rect invalid = Union(old, rect_);
  const Point offset = GetScrollOffsetInScrollBox();
  invalid.Offset(-offset.x, -offset.y);
  for (Box* parent = parent_; parent; parent = parent->GetParent()) {
    if (!invalid.Intersect(parent->GetPos())) return;
  }
  window_->Invalidate(invalid);
}

void Control::Invalidate() {
  if (!IsVisible()) return;
  cache_dirty_ = true;
  if (!window_) return;
  Rect invalid = rect_;
  const Point offset = GetScrollOffsetInScrollBox();
  invalid.Offset(-offset.x, -offset.y);
  window_->Invalidate(invalid);
}

Image* Control::GetSizingImage() {
  if (HasFile(bk_image_)) return &bk_image_;
  auto it = state_images_.find(kControlStateNormal);
  return it == state_images_.end() || !HasFile(it->second) ? nullptr : &it->second;
}

std::wstring Control::GetToolTipText() const {
  if (tooltip_text_.empty() && !tooltip_text_id_.empty())
    return ResourceManager::GetLanguageStrings().GetStringViaID(tooltip_text_id_);
  return tooltip_text_;
}

std::string Control::GetUTF8ToolTipText() const { return qbase::UTF16ToUTF8(GetToolTipText()); }

void Control::SetToolTipText(const std::wstring& text) { tooltip_text_ = ReplaceAll(text, L"<n>", L"\r\n"); }

void Control::SetUTF8ToolTipText(const std::string& text) { SetToolTipText(qbase::UTF8ToUTF16(text)); }

void Control::SetToolTipTextId(const std::wstring& id) { tooltip_text_id_ = id; }

void Control::SetUTF8ToolTipTextId(const std::string& id) { SetToolTipTextId(qbase::UTF8ToUTF16(id)); }

std::string Control::GetUTF8DataID() const { return qbase::UTF16ToUTF8(data_id_); }

void Control::SetUTF8DataID(const std::string& id) { data_id_ = qbase::UTF8ToUTF16(id); }

void Control::SetFadeVisible(bool visible) {
  if (visible) {
    SetVisible(true);
    if (animation_manager_.HasShowHideAnimation()) animation_manager_.Appear();
    return;
  }
  if (!IsVisible()) {
    SetVisible(false);
    return;
  }
  // Without show/hide animations this hides at once.
  animation_manager_.Disappear();
}

void Control::SetInternVisible(bool visible) {
  if (visible == intern_visible_) return;
  intern_visible_ = visible;
  NoteParentOfChange();
  if (!visible && window_ && window_->GetFocus() == this) window_->SetFocus(nullptr);
  if (!IsVisible()) {
    StopImageAnimation();
    Invalidate();
  }
}

void Control::SetVisible(bool visible) {
  if (visible == visible_) return;
  const bool was_visible = IsVisible();
  visible_ = visible;
  NoteParentOfChange();
  if (!visible && window_ && window_->GetFocus() == this) window_->SetFocus(nullptr);
  if (IsVisible() != was_visible) ArrangeAncestor();
  if (!IsVisible()) {
    StopImageAnimation();
    Invalidate();
  }
}

void Control::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) {
    state_ = kControlStateNormal;
    hot_alpha_ = 0;
  } else {
    state_ = kControlStateDisabled;
  }
  Invalidate();
}

void Control::SetFocus() {
  if (no_focus_ || !window_) return;
  window_->SetFocus(this);
}

Control* Control::FindControl(const FindVisitor& visitor, void* data, UINT flags, Point /*scroll_offset*/) {
  if ((flags & kFindVisible) && !IsVisible()) return nullptr;
  if ((flags & kFindEnabled) && !IsEnabled()) return nullptr;
  if ((flags & kFindHitTest) && (!mouse_enabled_ || !rect_.Contains(*static_cast<const Point*>(data))))
    return nullptr;
  return visitor ? visitor(this, data) : nullptr;
}

void Control::SetMargin(const Rect& margin, bool scale) {
  const Rect value = scale ? ScaleEdges(margin) : margin;
  if (value == margin_) return;
  margin_ = value;
  ArrangeAncestor();
}

bool Control::ContainsPointScrolled(const Point& point) const {
  Point shifted = point;
  const Point offset = GetScrollOffsetInScrollBox();
  shifted.Offset(offset.x, offset.y);
  return rect_.Contains(shifted);
}

Point Control::GetScrollOffsetInScrollBox() const {
  Point total;
  for (Box* parent = parent_; parent; parent = parent->GetParent()) {
    const Point offset = parent->GetScrollOffset();
    total.Offset(offset.x, offset.y);
  }
  return total;
}

bool Control::ContainsControl(const Control* control) const {
  for (const Control* node = control; node; node = node->GetParent()) {
    if (node == this) return true;
  }
  return false;
}

bool Control::RunOwnHandlers(EventArgs* args, bool* result) {
  std::weak_ptr<qbase::WeakFlag> alive = GetWeakFlag();
  const int kind = args->kind;
  // The last list that ran decides; "all" runs after the kind's own list.
  bool outcome = true;
  RunEventHandlers(code_handlers_, kind, args, &outcome);
  if (alive.expired()) return false;
  if (kind != kEventAll) RunEventHandlers(code_handlers_, kEventAll, args, &outcome);
  if (alive.expired()) return false;
  if (outcome) {
    RunEventHandlers(markup_handlers_, kind, args, &outcome);
    if (alive.expired()) return false;
    if (kind != kEventAll) RunEventHandlers(markup_handlers_, kEventAll, args, &outcome);
    if (alive.expired()) return false;
  }
  *result = outcome;
  return true;
}

void Control::DispatchEvent(EventArgs* args) {
  if (args->sender != this) {
    HandleEvent(args);
    return;
  }
  std::weak_ptr<qbase::WeakFlag> alive = GetWeakFlag();
  bool result = true;
  if (!RunOwnHandlers(args, &result)) return;
  if (!result) return;
  RunEventHandlers(internal_handlers_, args->kind, args, &result);
  if (alive.expired() || !result) return;
  HandleEvent(args);
}

bool Control::HasHotState() {
  auto color = state_colors_.find(kControlStateHot);
  if (color != state_colors_.end() && !color->second.empty()) return true;
  auto image = state_images_.find(kControlStateHot);
  if (image != state_images_.end() && HasFile(image->second)) return true;
  auto fore = fore_state_images_.find(kControlStateHot);
  return fore != fore_state_images_.end() && HasFile(fore->second);
}

void Control::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const wchar_t* text = value.c_str();
  if (name == L"class") {
    SetClass(value);
  } else if (name == L"halign") {
    ParseHorizontalAlign(text, &horizontal_align_);
  } else if (name == L"valign") {
    ParseVerticalAlign(text, &vertical_align_);
  } else if (name == L"margin") {
    SetMargin(ParseRect(text), true);
  } else if (name == L"bkcolor") {
    SetBkColor(TrimLeadingSpace(value));
  } else if (name == L"bkcolor1") {
    SetBkColor1(TrimLeadingSpace(value));
  } else if (name == L"bordersize") {
    if (value.find(L',') == std::wstring::npos) {
      SetBorderSize(DpiScale::GetInstance().ScaleValue(ParseInt(text)));
      SetBorderSizes(Rect());
    } else {
      SetBorderSizes(ScaleEdges(ParseRect(text)));
    }
  } else if (name == L"borderround") {
    const Size round = ParseSize(text);
    const DpiScale& scale = DpiScale::GetInstance();
    SetBorderRound(Size(scale.ScaleValue(round.cx), scale.ScaleValue(round.cy)));
  } else if (name == L"width") {
    int width = fixed_width_;
    if (ParseLength(text, false, &width)) SetFixedWidth(width, true, true);
  } else if (name == L"height") {
    int height = fixed_height_;
    if (ParseLength(text, false, &height)) SetFixedHeight(height, true, true);
  } else if (name == L"maxwidth") {
    int width = max_width_;
    if (ParseLength(text, false, &width)) SetMaxWidth(width);
  } else if (name == L"maxheight") {
    int height = max_height_;
    if (ParseLength(text, false, &height)) SetMaxHeight(height);
  } else if (name == L"minwidth") {
    SetMinWidth(ParseInt(text));
  } else if (name == L"minheight") {
    SetMinHeight(ParseInt(text));
  } else if (name == L"state") {
    int state = state_;
    if (ParseState(value, &state)) {
      if (state == kControlStateNormal) hot_alpha_ = 0;
      if (state == kControlStateHot) hot_alpha_ = 255;
      SetState(state);
    }
  } else if (name == L"cursortype") {
    if (value == L"arrow") {
      cursor_type_ = kCursorArrow;
    } else if (value == L"hand") {
      cursor_type_ = kCursorHand;
    } else if (value == L"ibeam") {
      cursor_type_ = kCursorIBeam;
    }
  } else if (name == L"renderoffset") {
    const Point offset = ParsePoint(text);
    const DpiScale& scale = DpiScale::GetInstance();
    SetRenderOffset(Point(scale.ScaleValue(offset.x), scale.ScaleValue(offset.y)));
  } else if (name == L"bordercolor") {
    SetBorderColor(value);
  } else if (name == L"leftbordersize") {
    SetLeftBorderSize(DpiScale::GetInstance().ScaleValue(ParseInt(text)));
  } else if (name == L"topbordersize") {
    SetTopBorderSize(DpiScale::GetInstance().ScaleValue(ParseInt(text)));
  } else if (name == L"rightbordersize") {
    SetRightBorderSize(DpiScale::GetInstance().ScaleValue(ParseInt(text)));
  } else if (name == L"bottombordersize") {
    SetBottomBorderSize(DpiScale::GetInstance().ScaleValue(ParseInt(text)));
  } else if (name == L"bkimage") {
    SetBkImage(value);
  } else if (name == L"name") {
    SetName(value);
  } else if (name == L"tooltiptext") {
    SetToolTipText(value);
  } else if (name == L"tooltiptextid") {
    SetToolTipTextId(value);
  } else if (name == L"dataid") {
    SetDataID(value);
  } else if (name == L"enabled") {
    SetEnabled(ParseBool(text));
  } else if (name == L"mouse") {
    SetMouseEnabled(ParseBool(text));
  } else if (name == L"keyboard") {
    SetKeyboardEnabled(ParseBool(text));
  } else if (name == L"visible") {
    SetVisible(ParseBool(text));
  } else if (name == L"fadevisible") {
    SetFadeVisible(ParseBool(text));
  } else if (name == L"float") {
    SetFloat(ParseBool(text));
  } else if (name == L"menu") {
    SetContextMenuUsed(ParseBool(text));
  } else if (name == L"cache") {
    SetCacheEnabled(ParseBool(text));
  } else if (name == L"nofocus") {
    SetNoFocus();
  } else if (name == L"alpha") {
    SetAlpha(ParseInt(text));
  } else if (name == L"fadealpha") {
    animation_manager_.SetFadeAlpha(ParseBool(text));
  } else if (name == L"fadehot") {
    animation_manager_.SetFadeHot(ParseBool(text));
  } else if (name == L"fadewidth") {
    animation_manager_.SetFadeWidth(ParseBool(text));
  } else if (name == L"fadeheight") {
    animation_manager_.SetFadeHeight(ParseBool(text));
  } else if (name == L"fadeinoutxfromleft") {
    animation_manager_.SetFadeInOutX(ParseBool(text), false);
  } else if (name == L"fadeinoutxfromright") {
    animation_manager_.SetFadeInOutX(ParseBool(text), true);
  } else if (name == L"fadeinoutyfromtop") {
    animation_manager_.SetFadeInOutY(ParseBool(text), false);
  } else if (name == L"fadeinoutyfrombottom") {
    animation_manager_.SetFadeInOutY(ParseBool(text), true);
  } else if (name == L"receivepointer") {
    SetReceivePointer(ParseBool(text));
  } else {
    int state = StateFromPrefix(name, 0, L"color");
    if (state >= 0) {
      SetStateColor(state, value);
      if (state == kControlStateHot) animation_manager_.SetFadeHot(true);
      return;
    }
    if (name.compare(0, 4, L"fore") == 0) {
      state = StateFromPrefix(name, 4, L"image");
      if (state >= 0) {
        SetForeStateImage(state, value);
        if (state == kControlStateHot) animation_manager_.SetFadeHot(true);
      }
      return;
    }
    state = StateFromPrefix(name, 0, L"image");
    if (state >= 0) {
      SetStateImage(state, value);
      if (state == kControlStateHot) animation_manager_.SetFadeHot(true);
    }
  }
}

void Control::ApplyAttributeList(const std::wstring& list) {
  size_t pos = 0;
  while (pos < list.size()) {
    const size_t equals = list.find(L'=', pos);
    if (equals == std::wstring::npos) return;
    if (equals + 1 >= list.size() || list[equals + 1] != L'"') return;
    const size_t value_start = equals + 2;
    const size_t close = list.find(L'"', value_start);
    if (close == std::wstring::npos) return;
    std::weak_ptr<qbase::WeakFlag> alive = GetWeakFlag();
    SetAttribute(list.substr(pos, equals - pos), list.substr(value_start, close - value_start));
    if (alive.expired()) return;
    const size_t next = close + 1;
    if (next + 1 >= list.size() || list[next] != L' ') return;
    pos = next + 1;
  }
}

void Control::SetClass(const std::wstring& classes) {
  // Within the depth limit a class that names itself several times still
  // multiplies the work at every level; the session bounds the total, for
  // a whole layout build or for one attribute set later.
  BuildSession::Scope session;
  if (g_class_depth >= kMaxClassDepth || !session->TakeClassList(classes.size())) return;
  ++g_class_depth;
  std::weak_ptr<qbase::WeakFlag> alive = GetWeakFlag();
  for (const std::wstring& class_name : Split(classes, L" ")) {
    std::wstring attributes = ResourceManager::GetClassAttributes(class_name);
    if (attributes.empty() && window_) attributes = window_->GetClassAttributes(class_name);
    if (attributes.empty()) continue;
    if (!session->TakeClassList(attributes.size())) break;
    ApplyAttributeList(attributes);
    if (alive.expired()) break;  // an attribute's handler destroyed us
  }
  --g_class_depth;
}

void Control::SetBkColor(const std::wstring& color) {
  if (color == bk_color_) return;
  bk_color_ = color;
  Invalidate();
}

void Control::SetBkColor1(const std::wstring& color) {
  if (color == bk_color1_) return;
  bk_color1_ = color;
  Invalidate();
}

std::wstring Control::GetStateColor(int state) const {
  auto it = state_colors_.find(state);
  return it == state_colors_.end() ? std::wstring() : it->second;
}

void Control::SetStateColor(int state, const std::wstring& color) {
  state_colors_[state] = color;
  Invalidate();
}

void Control::ArrangeOrInvalidate() {
  if (IsAutoSized()) {
    ArrangeAncestor();
  } else {
    Invalidate();
  }
}

void Control::SetBkImage(const std::wstring& image_string) {
  StopImageAnimation();
  image_animator_.Reset();
  bk_image_.SetImageString(image_string);
  image_animation_on_ = bk_image_.attribute.play_count != 0;
  ArrangeOrInvalidate();
}

std::wstring Control::GetStateImage(int state) const {
  auto it = state_images_.find(state);
  return it == state_images_.end() ? std::wstring() : it->second.attribute.image_string;
}

void Control::SetStateImage(int state, const std::wstring& image_string) {
  state_images_[state].SetImageString(image_string);
  ArrangeOrInvalidate();
}

std::wstring Control::GetForeStateImage(int state) const {
  auto it = fore_state_images_.find(state);
  return it == fore_state_images_.end() ? std::wstring() : it->second.attribute.image_string;
}

void Control::SetForeStateImage(int state, const std::wstring& image_string) {
  fore_state_images_[state].SetImageString(image_string);
  ArrangeOrInvalidate();
}

void Control::SetBorderColor(const std::wstring& color) {
  if (color == border_color_) return;
  border_color_ = color;
  Invalidate();
}

void Control::SetBorderSize(int size) {
  if (size == border_size_) return;
  border_size_ = size;
  Invalidate();
}

void Control::SetBorderSizes(const Rect& sizes) {
  border_sizes_ = sizes;
  Invalidate();
}

void Control::SetLeftBorderSize(int size) {
  border_sizes_.left = size;
  Invalidate();
}

void Control::SetTopBorderSize(int size) {
  border_sizes_.top = size;
  Invalidate();
}

void Control::SetRightBorderSize(int size) {
  border_sizes_.right = size;
  Invalidate();
}

void Control::SetBottomBorderSize(int size) {
  border_sizes_.bottom = size;
  Invalidate();
}

void Control::SetBorderRound(Size round) {
  border_round_ = round;
  Invalidate();
}

void Control::SetAlpha(int alpha) {
  alpha = std::max(0, std::min(255, alpha));
  if (alpha == alpha_) return;
  alpha_ = alpha;
  Invalidate();
}

void Control::SetHotAlpha(int alpha) {
  alpha = std::max(0, std::min(255, alpha));
  if (alpha == hot_alpha_) return;
  hot_alpha_ = alpha;
  Invalidate();
}

void Control::SetRenderOffset(Point offset) {
  if (offset == render_offset_) return;
  render_offset_ = offset;
  Invalidate();
}

void Control::SetState(int state) {
  state_ = state;
  Invalidate();
}

void Control::SendEvent(int kind, WPARAM wparam, LPARAM lparam, wchar_t key, float pressure,
                        const Point& mouse_point) {
  EventArgs args;
  args.kind = kind;
  args.sender = this;
  args.timestamp = ::GetTickCount();
  args.mouse_point = mouse_point;
  if (mouse_point == Point() && window_) args.mouse_point = window_->GetLastMousePoint();
  args.key = key;
  args.wparam = wparam;
  args.lparam = lparam;
  args.pressure = pressure;
  DispatchEvent(&args);
}

void Control::HandleEvent(EventArgs* args) {
  const int kind = args->kind;
  if (!mouse_enabled_ && kind >= kEventMouseFirst && kind <= kEventMouseLast) {
    if (parent_) parent_->DispatchEvent(args);
    return;
  }
  switch (kind) {
    case kEventSetCursor: {
      LPCTSTR cursor = IDC_ARROW;
      if (cursor_type_ == kCursorHand) {
        cursor = IsEnabled() ? IDC_HAND : IDC_ARROW;
      } else if (cursor_type_ == kCursorIBeam) {
        cursor = IDC_IBEAM;
      }
      ::SetCursor(::LoadCursor(nullptr, cursor));
      return;
    }
    case kEventInternalSetFocus:
      SetHotAlpha(255);
      SetState(kControlStateHot);
      focused_ = true;
      Invalidate();
      return;
    case kEventInternalKillFocus:
      SetHotAlpha(0);
      SetState(kControlStateNormal);
      focused_ = false;
      Invalidate();
      return;
    case kEventInternalMenu:
      if (IsEnabled() && context_menu_ && window_) {
        window_->SendNotify(this, kEventMouseMenu, args->wparam, args->lparam);
      } else if (parent_) {
        parent_->DispatchEvent(args);
      }
      return;
    case kEventMouseEnter: {
      Control* hover = window_ ? window_->GetHoverControl() : nullptr;
      if (args->sender == this || ContainsControl(hover)) {
        MouseEnter();
      } else {
        return;  // a descendant's enter while the mouse is elsewhere
      }
      break;
    }
    case kEventMouseLeave: {
      // The mouse is still inside: either a descendant's leave while the
      // hover control is here, or the window's leave as the mouse moves
      // onto a child.
      Control* hover = window_ ? window_->GetHoverControl() : nullptr;
      if (ContainsControl(hover) && (args->sender != this || hover != this)) return;
      MouseLeave();
      break;
    }
    case kEventMouseButtonDown:
    case kEventInternalDoubleClick:
      ButtonDown(args);
      return;
    case kEventMouseButtonUp:
      ButtonUp(args);
      return;
    case kEventPointerDown:
      if (receive_pointer_) {
        ButtonDown(args);
        return;
      }
      break;
    case kEventPointerUp:
      if (receive_pointer_) {
        ButtonUp(args);
        return;
      }
      break;
    default:
      break;
  }
  if (parent_) parent_->DispatchEvent(args);
}

void Control::MouseEnter() {
  if (!IsEnabled() || state_ != kControlStateNormal) return;
  state_ = kControlStateHot;
  if (HasHotState()) {
    animation_manager_.MouseEnter();
    Invalidate();
  }
}

void Control::MouseLeave() {
  if (!IsEnabled() || state_ != kControlStateHot) return;
  state_ = kControlStateNormal;
  if (HasHotState()) {
    animation_manager_.MouseLeave();
    Invalidate();
  }
}

void Control::ButtonDown(EventArgs* /*args*/) {
  if (!IsEnabled()) return;
  state_ = kControlStatePushed;
  mouse_captured_ = true;
  Invalidate();
}

void Control::ButtonUp(EventArgs* args) {
  if (!mouse_captured_) return;
  mouse_captured_ = false;
  if (AnimationPlayer* hot = animation_manager_.GetAnimationPlayer(kAnimationHot)) hot->Stop();
  Invalidate();
  if (ContainsPointScrolled(args->mouse_point)) {
    if (args->kind == kEventPointerUp) {
      state_ = kControlStateNormal;
      hot_alpha_ = 0;
    } else {
      state_ = kControlStateHot;
      hot_alpha_ = 255;
    }
    Activate();  // may destroy this control
  } else {
    state_ = kControlStateNormal;
    hot_alpha_ = 0;
  }
}

void Control::Paint(IRenderContext* context, const Rect& dirty) {
  if (alpha_ == 0 || !context) return;
  Rect visible_part;
  if (!visible_part.Intersect(dirty, rect_)) return;
  const bool round_clip = border_round_.cx > 0 || border_round_.cy > 0;

  if (alpha_ < 255 || cache_) {
    const int width = rect_.Width();
    const int height = rect_.Height();
    if (!render_context_) render_context_ = CreateCacheContext();
    if (render_context_) {
      const bool resized = render_context_->Resize(width, height);
      if (resized || cache_dirty_ || alpha_ < 255) {
        render_context_->ClearPixels();
        const Rect whole(0, 0, width, height);
        AutoClip clip(render_context_.get(), whole);
        AutoClip round(render_context_.get(), whole, border_round_.cx, border_round_.cy, round_clip);
        // Per-pixel alpha must survive in the cache until it is blended.
        const bool was_transparent = render_context_->SetTransparentTarget(true);
        const Point old_origin =
            render_context_->SetOrigin(Point(rect_.left + render_offset_.x, rect_.top + render_offset_.y));
        // The whole control: the cache is reused for later paints whatever
        // part of the window they update.
        PaintContent(render_context_.get(), rect_);
        render_context_->SetOrigin(old_origin);
        render_context_->SetTransparentTarget(was_transparent);
        cache_dirty_ = false;
      }
      if (alpha_ < 255) PaintChildrenClipped(context, dirty, round_clip);
      context->BlendFrom(rect_.left, rect_.top, width, height, render_context_->GetHdc(), 0, 0, width, height,
                         static_cast<uint8_t>(alpha_));
      if (alpha_ < 255) {
        render_context_.reset();
      } else {
        PaintChildrenClipped(context, dirty, round_clip);
      }
      return;
    }
  }

  AutoClip clip(context, rect_, clip_);
  AutoClip round(context, rect_, border_round_.cx, border_round_.cy, round_clip);
  const Point old_origin = context->OffsetOrigin(render_offset_.x, render_offset_.y);
  PaintContent(context, dirty);
  PaintChildren(context, dirty);
  context->SetOrigin(old_origin);
}

// Children of a cached or translucent control are painted on the window's
// surface, inside the same clips and offset as in the plain path.
void Control::PaintChildrenClipped(IRenderContext* context, const Rect& dirty, bool round_clip) {
  AutoClip clip(context, rect_, clip_);
  AutoClip round(context, rect_, border_round_.cx, border_round_.cy, round_clip);
  const Point old_origin = context->OffsetOrigin(render_offset_.x, render_offset_.y);
  PaintChildren(context, dirty);
  context->SetOrigin(old_origin);
}

void Control::PaintContent(IRenderContext* context, const Rect& dirty) {
  if (!paint_rect_.Intersect(dirty, rect_)) return;
  PaintBkColor(context);
  PaintBkImage(context);
  PaintStateColors(context);
  PaintStateImages(context);
  PaintText(context);
  PaintBorder(context);
}

void Control::PaintBkColor(IRenderContext* context) {
  if (bk_color_.empty()) return;
  const uint32_t color = ResourceManager::GetTextColor(bk_color_);
  if (!bk_color1_.empty()) {
    const uint32_t color1 = ResourceManager::GetTextColor(bk_color1_);
    if (color != 0 && color1 != 0) context->FillGradient(paint_rect_, color, color1);
    return;
  }
  if (color == 0) return;
  // An opaque fill may stop at the dirty part; a translucent one covers the
  // whole control so overlapping partial repaints blend the same.
  context->FillColor((color >> 24) == 0xFF ? paint_rect_ : rect_, color);
}

void Control::PaintBkImage(IRenderContext* context) { DrawImage(context, bk_image_); }

void Control::PaintStateColors(IRenderContext* context) {
  const std::wstring normal = GetStateColor(kControlStateNormal);
  const std::wstring hot = GetStateColor(kControlStateHot);
  if (HasHotFade() && !hot.empty() && (state_ == kControlStateNormal || state_ == kControlStateHot)) {
    context->FillNamedColor(paint_rect_, normal);
    if (hot_alpha_ >= 1) context->FillNamedColor(paint_rect_, hot, static_cast<uint8_t>(hot_alpha_));
    return;
  }
  std::wstring color;
  switch (state_) {
    case kControlStatePushed:
      color = GetStateColor(kControlStatePushed);
      if (color.empty()) color = hot;
      if (color.empty()) color = normal;
      break;
    case kControlStateHot:
      color = hot.empty() ? normal : hot;
      break;
    case kControlStateDisabled:
      color = GetStateColor(kControlStateDisabled);
      if (color.empty()) color = normal;
      break;
    default:
      color = normal;
      break;
  }
  context->FillNamedColor(paint_rect_, color);
}

void Control::PaintStateImages(IRenderContext* context) {
  if (state_images_.empty() && fore_state_images_.empty()) return;
  const ImagePaintTarget target = MakeImagePaintTarget(context);
  PaintStateImage(target, state_images_, state_, std::wstring(), HasHotFade(), hot_alpha_);
  PaintStateImage(target, fore_state_images_, state_, std::wstring(), HasHotFade(), hot_alpha_);
}

void Control::PaintBorder(IRenderContext* context) {
  if (border_color_.empty()) return;
  const uint32_t color = ResourceManager::GetTextColor(border_color_);
  if (color == 0) return;
  const bool no_sides =
      border_sizes_.left < 1 && border_sizes_.top < 1 && border_sizes_.right < 1 && border_sizes_.bottom < 1;
  if (no_sides && border_size_ >= 1) {
    // The pen is centred on the outline, so pull it in by half its width
    // (the odd pixel on the far sides) to keep it inside the control.
    const int half = border_size_ / 2;
    const int far_half = half + border_size_ % 2;
    const Rect outline(rect_.left + half, rect_.top + half, rect_.right - far_half, rect_.bottom - far_half);
    if (border_round_.cx > 0 || border_round_.cy > 0) {
      context->DrawRoundRect(outline, border_round_, border_size_, color);
    } else {
      context->DrawRect(outline, border_size_, color);
    }
    return;
  }
  // A 1-pixel line loses its last pixel so it does not spill past the edge.
  if (border_sizes_.left > 0) {
    const int x = rect_.left + border_sizes_.left / 2;
    const int end = border_sizes_.left == 1 ? rect_.bottom - 1 : rect_.bottom;
    context->DrawLine(Rect(x, rect_.top, x, end), border_sizes_.left, color);
  }
  if (border_sizes_.top > 0) {
    const int y = rect_.top + border_sizes_.top / 2;
    const int end = border_sizes_.top == 1 ? rect_.right - 1 : rect_.right;
    context->DrawLine(Rect(rect_.left, y, end, y), border_sizes_.top, color);
  }
  if (border_sizes_.right > 0) {
    const int x = rect_.right - (border_sizes_.right + 1) / 2;
    const int end = border_sizes_.right == 1 ? rect_.bottom - 1 : rect_.bottom;
    context->DrawLine(Rect(x, rect_.top, x, end), border_sizes_.right, color);
  }
  if (border_sizes_.bottom > 0) {
    const int y = rect_.bottom - (border_sizes_.bottom + 1) / 2;
    const int end = border_sizes_.bottom == 1 ? rect_.right - 1 : rect_.right;
    context->DrawLine(Rect(rect_.left, y, end, y), border_sizes_.bottom, color);
  }
}

void Control::LoadBkImage() {
  if (HasFile(bk_image_)) FetchImage(bk_image_);
}

void Control::ReleaseBkImage() {
  // Scrolling boxes release the images of every child far from the view on
  // each step: only a running animation needs stopping (and a repaint).
  if (bk_image_.playing) image_animator_.Stop(ImageAnimator::kStopKeepFrame);
  image_animator_.Reset();
  bk_image_.ClearCache();
  bk_image_.current_frame = 0;
  bk_image_.playing = false;
}

void Control::ReleaseAllImages() {
  for (auto& entry : state_images_) entry.second.ClearCache();
  for (auto& entry : fore_state_images_) entry.second.ClearCache();
  ReleaseBkImage();
}

void Control::StopImageAnimation() {
  if (bk_image_.playing) image_animator_.Stop(ImageAnimator::kStopKeepFrame);
}

std::wstring Control::GetImageFolder() const {
  std::wstring folder = ResourceManager::GetResourcePath();
  if (window_) folder += window_->GetResourcePath();
  return folder;
}

ImageInfo* Control::FetchImage(Image& image) const {
  if (!image.info && HasFile(image))
    image.info = ResourceManager::GetImage(ResolveImagePath(GetImageFolder(), image.attribute.image_name));
  return image.info.get();
}

ImagePaintTarget Control::MakeImagePaintTarget(IRenderContext* context) {
  ImagePaintTarget target;
  target.context = context;
  target.control_rect = rect_;
  target.paint_rect = paint_rect_;
  target.image_folder = GetImageFolder();
  target.background = &bk_image_;
  target.image_animation_on = image_animation_on_;
  target.start_animation = [this]() { image_animator_.Play(&bk_image_); };
  return target;
}

bool Control::DrawImage(IRenderContext* context, Image& image, const std::wstring& modify, int fade) {
  return DrawControlImage(MakeImagePaintTarget(context), image, modify, fade);
}

}  // namespace ui
