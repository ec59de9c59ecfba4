#include "ui/core/window.h"

#include <algorithm>
#include <cstddef>
#include <cwchar>

#include "ui/controls/rich_edit.h"
#include "ui/core/attribute_values.h"
#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/native_input.h"
#include "ui/core/resource_manager.h"
#include "ui/core/shadow_box.h"
#include "ui/core/timer_service.h"
#include "ui/render/auto_clip.h"
#include "ui/render/render_interface.h"

namespace ui {

namespace {

constexpr const wchar_t* kWindowProperty = L"WndX";
constexpr const wchar_t* kDefaultShadowImage = L"file='../public/bk/bk_shadow.png' corner='30,30,30,30'";
constexpr int kCloseFadeMs = 300;
constexpr DWORD kDefaultHoverMs = 400;
// Pointer messages arrived with a newer platform than the program targets.
constexpr UINT kPointerUpdate = 0x0245;
constexpr UINT kPointerDown = 0x0246;
constexpr UINT kPointerUp = 0x0247;
constexpr UINT kPointerLeave = 0x024A;
constexpr UINT kPointerCaptureChanged = 0x024C;
constexpr UINT kTouch = 0x0240;
// Reflected child notifications arrive as the message plus this offset.
constexpr UINT kReflectOffset = 0x2000;

// Signed: points left of or above a window are negative.
Point PointFromLParam(LPARAM lparam) {
  return Point(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
}

Point ScreenToClientPoint(HWND hwnd, const Point& screen) {
  POINT point = {screen.x, screen.y};
  ::ScreenToClient(hwnd, &point);
  return Point(point.x, point.y);
}

Rect MonitorWorkArea(HWND hwnd) {
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  ::GetMonitorInfoW(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &info);
  return Rect(info.rcWork);
}

// Containers are not tab stops, except the text field, which is a box
// only so it can scroll.
bool IsTabStop(Control* control) {
  const bool container = dynamic_cast<Box*>(control) != nullptr && dynamic_cast<RichEdit*>(control) == nullptr;
  return !container && control->IsKeyboardEnabled() && !control->IsNoFocus();
}

}  // namespace

Window::Window() : shadow_image_(kDefaultShadowImage) {
  LOGFONTW description = {};
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(description), &description);
  description.lfCharSet = DEFAULT_CHARSET;
  default_font_.font.reset(::CreateFontIndirectW(&description));
  default_font_.face_name = description.lfFaceName;
  default_font_.size = -description.lfHeight;
  default_font_.bold = description.lfWeight >= FW_BOLD;
  default_font_.underline = description.lfUnderline != 0;
  default_font_.italic = description.lfItalic != 0;
}

Window::~Window() {
  // Controls reach back into the window while they are destroyed, so they go
  // before any other member.
  delete root_;
  root_ = nullptr;
  DestroyDelayedControls();
  if (hwnd_) {
    // The native window outlived its object: cut the link first so no
    // message reaches a half-destroyed window.
    if (subclassed_) {
      Unsubclass();
    } else {
      ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    }
    if (window_dc_) ::ReleaseDC(hwnd_, window_dc_);
    window_dc_ = nullptr;
    HWND hwnd = hwnd_;
    hwnd_ = nullptr;
    ::DestroyWindow(hwnd);
  }
}

HWND Window::Create(HWND owner, const std::wstring& title, DWORD style, DWORD ex_style, bool layered,
                    const Rect& rect) {
  const bool registered = GetSuperClassName().empty() ? RegisterWindowClass() : RegisterSuperClass();
  if (!registered) return nullptr;
  layered_ = layered;
  if (layered) ex_style |= WS_EX_LAYERED;
  const std::wstring class_name = GetWindowClassName();
  HWND hwnd = ::CreateWindowExW(ex_style, class_name.c_str(), title.c_str(), style, rect.left, rect.top,
                                rect.Width(), rect.Height(), owner, nullptr, ::GetModuleHandleW(nullptr), this);
  // A window refused in WM_CREATE has already run its final message, which
  // may have destroyed this object: touch nothing then.
  if (!hwnd) return nullptr;
  const LONG current = ::GetWindowLongW(hwnd, GWL_STYLE);
  if (current & WS_CAPTION) ::SetWindowLongW(hwnd, GWL_STYLE, current & ~WS_CAPTION);
  return hwnd;
}

bool Window::RegisterWindowClass() {
  const std::wstring class_name = GetWindowClassName();
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.style = GetClassStyle();
  window_class.lpfnWndProc = WindowProcedure;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = class_name.c_str();
  if (::RegisterClassExW(&window_class)) return true;
  return ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool Window::RegisterSuperClass() {
  const std::wstring super_name = GetSuperClassName();
  const std::wstring class_name = GetWindowClassName();
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  if (!::GetClassInfoExW(nullptr, super_name.c_str(), &window_class) &&
      !::GetClassInfoExW(instance, super_name.c_str(), &window_class)) {
    return false;
  }
  previous_procedure_ = window_class.lpfnWndProc;
  window_class.lpfnWndProc = SuperClassProcedure;
  window_class.hInstance = instance;
  window_class.lpszClassName = class_name.c_str();
  if (::RegisterClassExW(&window_class)) return true;
  return ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

LRESULT CALLBACK Window::WindowProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RouteMessage(hwnd, message, wparam, lparam, false);
}

LRESULT CALLBACK Window::SuperClassProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RouteMessage(hwnd, message, wparam, lparam, true);
}

LRESULT Window::RouteMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, bool in_property) {
  Window* window = nullptr;
  if (message == WM_NCCREATE) {
    window = static_cast<Window*>(reinterpret_cast<const CREATESTRUCTW*>(lparam)->lpCreateParams);
    if (window) {
      window->hwnd_ = hwnd;
      if (in_property) {
        ::SetPropW(hwnd, kWindowProperty, window);
      } else {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
      }
    }
  } else {
    window = in_property ? static_cast<Window*>(::GetPropW(hwnd, kWindowProperty))
                         : reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window && message == WM_NCDESTROY) {
      const LRESULT result = ::CallWindowProcW(window->previous_procedure_, hwnd, message, wparam, lparam);
      if (in_property) {
        ::RemovePropW(hwnd, kWindowProperty);
      } else {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      }
      window->DetachNativeWindow(hwnd);
      return result;
    }
  }
  if (window) return window->HandleMessage(message, wparam, lparam);
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

void Window::DetachNativeWindow(HWND hwnd) {
  if (subclassed_) Unsubclass();
  if (window_dc_) ::ReleaseDC(hwnd, window_dc_);
  window_dc_ = nullptr;
  tooltip_window_ = nullptr;  // destroyed with its owner
  hwnd_ = nullptr;
  // May delete this object.
  OnFinalMessage(hwnd);
}

HWND Window::Subclass(HWND hwnd) {
  if (!::IsWindow(hwnd) || subclassed_) return nullptr;
  previous_procedure_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SuperClassProcedure)));
  if (!previous_procedure_) {
    previous_procedure_ = ::DefWindowProcW;
    return nullptr;
  }
  subclassed_ = true;
  hwnd_ = hwnd;
  ::SetPropW(hwnd, kWindowProperty, this);
  return hwnd_;
}

void Window::Unsubclass() {
  if (!subclassed_ || !hwnd_) return;
  if (::IsWindow(hwnd_)) {
    ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_procedure_));
    ::RemovePropW(hwnd_, kWindowProperty);
  }
  previous_procedure_ = ::DefWindowProcW;
  subclassed_ = false;
}

void Window::Init(HWND hwnd) {
  hwnd_ = hwnd;
  if (!window_dc_) window_dc_ = ::GetDC(hwnd);
  if (IRenderFactory* factory = ResourceManager::GetRenderFactory()) render_context_ = factory->CreateRenderContext();
  native_input::RegisterTouch(hwnd);
}

void Window::Close(UINT result) {
  HWND owner = hwnd_ ? ::GetWindow(hwnd_, GW_OWNER) : nullptr;
  if (modal_ && owner) {
    ::EnableWindow(owner, TRUE);
    ::SetFocus(owner);
  }
  if (!hwnd_) return;
  if (root_) {
    root_->SetFadeVisible(false);
    HWND hwnd = hwnd_;
    TimerService::GetInstance()->AddCancelableTimer(
        GetWeakFlag(), [hwnd, result]() { ::PostMessageW(hwnd, WM_CLOSE, result, 0); }, kCloseFadeMs, 1);
  } else {
    ::PostMessageW(hwnd_, WM_CLOSE, result, 0);
  }
}

void Window::ShowWindow(bool show, bool take_focus) {
  if (!hwnd_) return;
  ::ShowWindow(hwnd_, show ? (take_focus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

void Window::OnFinalMessage(HWND hwnd) {
  native_input::UnregisterTouch(hwnd);
  RaiseWindowClose();
}

void Window::RaiseWindowClose() {
  EventArgs args;
  args.kind = kEventWindowClose;
  args.timestamp = ::GetTickCount();
  args.mouse_point = last_mouse_point_;
  bool result = true;
  RunEventHandlers(window_handlers_, kEventWindowClose, &args, &result);
  RunEventHandlers(window_handlers_, kEventAll, &args, &result);
}

void Window::AttachWindowClose(EventHandler handler) { window_handlers_[kEventWindowClose].push_back(std::move(handler)); }

void Window::CenterWindow() {
  if (!hwnd_) return;
  Rect window_rect;
  ::GetWindowRect(hwnd_, &window_rect);
  const Rect work = MonitorWorkArea(hwnd_);
  Rect center = work;
  HWND owner = ::GetWindow(hwnd_, GW_OWNER);
  if (owner && !::IsIconic(owner)) ::GetWindowRect(owner, &center);
  const int width = window_rect.Width();
  const int height = window_rect.Height();
  int x = center.left + (center.Width() - width) / 2;
  int y = center.top + (center.Height() - height) / 2;
  if (x < work.left) {
    x = work.left;
  } else if (x + width > work.right) {
    x = work.right - width;
  }
  if (y < work.top) {
    y = work.top;
  } else if (y + height > work.bottom) {
    y = work.bottom - height;
  }
  ::SetWindowPos(hwnd_, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::SetPos(const Rect& rect, bool need_dpi_scale, UINT flags, HWND insert_after, bool include_shadow) {
  if (!hwnd_) return;
  Rect target = need_dpi_scale ? DpiScale::GetInstance().ScaleRect(rect) : rect;
  if (include_shadow) target.Inflate(GetShadowCorner());
  ::SetWindowPos(hwnd_, insert_after, target.left, target.top, target.Width(), target.Height(), flags);
}

Rect Window::GetWindowPos(bool include_shadow) const {
  Rect rect;
  if (hwnd_) ::GetWindowRect(hwnd_, &rect);
  if (!include_shadow) rect.Deflate(GetShadowCorner());
  return rect;
}

void Window::SetIcon(UINT resource_id) {
  if (!hwnd_) return;
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  HICON big = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resource_id), IMAGE_ICON,
                                              ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON),
                                              LR_DEFAULTCOLOR | LR_SHARED));
  HICON small = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resource_id), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                                LR_DEFAULTCOLOR | LR_SHARED));
  if (big) ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small) ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void Window::SetLayeredWindow(bool layered) {
  layered_ = layered;
  presented_alpha_ = 0;
  if (!hwnd_) return;
  const LONG ex_style = ::GetWindowLongW(hwnd_, GWL_EXSTYLE);
  ::SetWindowLongW(hwnd_, GWL_EXSTYLE, layered ? (ex_style | WS_EX_LAYERED) : (ex_style & ~WS_EX_LAYERED));
  // A fresh surface repaints everything in the new mode.
  if (render_context_) render_context_->Resize(0, 0);
  ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void Window::SetWindowAlpha(int alpha) {
  window_alpha_ = std::max(0, std::min(255, alpha));
  if (root_) Invalidate(root_->GetPos());
}

void Window::SetRenderOffset(Point offset) {
  render_offset_ = offset;
  if (root_) Invalidate(root_->GetPos());
}

Size Window::GetInitSize(bool contain_shadow) const {
  Size size = init_size_;
  if (!contain_shadow) {
    const Rect corner = GetShadowCorner();
    size.cx -= corner.left + corner.right;
    size.cy -= corner.top + corner.bottom;
  }
  return size;
}

void Window::SetInitSize(int cx, int cy, bool contain_shadow, bool need_dpi_scale) {
  if (need_dpi_scale) {
    cx = DpiScale::GetInstance().ScaleValue(cx);
    cy = DpiScale::GetInstance().ScaleValue(cy);
  }
  if (!contain_shadow) {
    const Rect corner = GetShadowCorner();
    cx += corner.left + corner.right;
    cy += corner.top + corner.bottom;
  }
  init_size_ = Size(cx, cy);
  if (hwnd_ && !root_) {
    ::SetWindowPos(hwnd_, nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  }
}

namespace {

// A zero stays "none"; anything else gains the shadow's corners.
int TrackingLength(int value, int corners) { return value == 0 ? 0 : value + corners; }
int WithoutCorners(int value, int corners) { return value == 0 ? 0 : value - corners; }

}  // namespace

Size Window::TrackingSize(int cx, int cy, bool contain_shadow, bool need_dpi_scale) const {
  if (need_dpi_scale) {
    cx = DpiScale::GetInstance().ScaleValue(cx);
    cy = DpiScale::GetInstance().ScaleValue(cy);
  }
  const Rect corner = contain_shadow ? Rect() : GetShadowCorner();
  return Size(TrackingLength(cx, corner.left + corner.right), TrackingLength(cy, corner.top + corner.bottom));
}

Size Window::TrackingSizeOut(const Size& size, bool contain_shadow) const {
  if (contain_shadow) return size;
  const Rect corner = GetShadowCorner();
  return Size(WithoutCorners(size.cx, corner.left + corner.right), WithoutCorners(size.cy, corner.top + corner.bottom));
}

Size Window::GetMinInfo(bool contain_shadow) const { return TrackingSizeOut(min_info_, contain_shadow); }

void Window::SetMinInfo(int cx, int cy, bool contain_shadow, bool need_dpi_scale) {
  min_info_ = TrackingSize(cx, cy, contain_shadow, need_dpi_scale);
}

Size Window::GetMaxInfo(bool contain_shadow) const { return TrackingSizeOut(max_info_, contain_shadow); }

void Window::SetMaxInfo(int cx, int cy, bool contain_shadow, bool need_dpi_scale) {
  max_info_ = TrackingSize(cx, cy, contain_shadow, need_dpi_scale);
}

void Window::SetRoundCorner(int cx, int cy) {
  round_corner_ = Size(DpiScale::GetInstance().ScaleValue(cx), DpiScale::GetInstance().ScaleValue(cy));
}

void Window::SetText(const std::wstring& text) {
  if (hwnd_) ::SetWindowTextW(hwnd_, text.c_str());
}

void Window::SetTextId(const std::wstring& id) {
  SetText(ResourceManager::GetLanguageStrings().GetStringViaID(id));
}

void Window::SetShadowImage(const std::wstring& image) {
  shadow_image_ = image;
  default_shadow_image_ = false;
}

Rect Window::GetShadowCorner() const { return shadow_attached_ ? shadow_corner_ : Rect(); }

void Window::SetShadowCorner(const Rect& corner, bool need_dpi_scale) {
  // Negative widths would shrink the root past the window.
  const Rect safe(std::max(0L, corner.left), std::max(0L, corner.top), std::max(0L, corner.right),
                  std::max(0L, corner.bottom));
  shadow_corner_unscaled_ = safe;
  if (need_dpi_scale) {
    const DpiScale& scale = DpiScale::GetInstance();
    shadow_corner_ = Rect(scale.ScaleValue(safe.left), scale.ScaleValue(safe.top), scale.ScaleValue(safe.right),
                          scale.ScaleValue(safe.bottom));
  } else {
    shadow_corner_ = safe;
  }
}

void Window::RescaleShadowCorner() {
  SetShadowCorner(shadow_corner_unscaled_, true);
  if (shadow_attached_ && shadow_box_ && !maximized_) shadow_box_->SetShadowCorner(shadow_corner_);
}

void Window::MaximizedOrRestored(bool maximized) {
  maximized_ = maximized;
  if (!shadow_attached_ || !shadow_box_) return;
  shadow_box_->SetShadowCorner(maximized ? Rect() : shadow_corner_);
}

Control* Window::AttachShadow(Control* root) {
  if (!shadow_attached_ || !root) return root;
  if (default_shadow_image_) root->SetBorderRound(Size(3, 3));
  shadow_box_ = new ShadowBox();
  shadow_box_->Wrap(root, shadow_corner_, shadow_image_);
  return shadow_box_;
}

void Window::ApplyWindowAttribute(const std::wstring& name, const std::wstring& value) {
  const wchar_t* text = value.c_str();
  if (name == L"size") {
    const Size size = ParseSize(text);
    SetInitSize(size.cx, size.cy);
  } else if (name == L"heightpercent") {
    const double percent = std::wcstod(text, nullptr);
    if (!(percent > 0.0 && percent <= 1.0)) return;  // also rejects NaN
    height_percent_ = percent;
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    int height = static_cast<int>((info.rcWork.bottom - info.rcWork.top) * percent);
    const Size min_size = GetMinInfo();
    const Size max_size = GetMaxInfo();
    if (min_size.cy > 0 && height < min_size.cy) height = min_size.cy;
    if (max_size.cy > 0 && height > max_size.cy) height = max_size.cy;
    const Rect corner = GetShadowCorner();
    int width = init_size_.cx;
    if (width == 0) width = corner.left + corner.right;
    init_size_ = Size(width, height + corner.top + corner.bottom);
    if (hwnd_ && !root_) {
      ::SetWindowPos(hwnd_, nullptr, 0, 0, init_size_.cx, init_size_.cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }
  } else if (name == L"sizebox") {
    size_box_ = ParseRect(text);
  } else if (name == L"caption") {
    caption_ = DpiScale::GetInstance().ScaleRect(ParseRect(text));
  } else if (name == L"textid") {
    SetTextId(value);
  } else if (name == L"roundcorner") {
    const Size size = ParseSize(text);
    SetRoundCorner(size.cx, size.cy);
  } else if (name == L"mininfo") {
    const Size size = ParseSize(text);
    SetMinInfo(size.cx, size.cy);
  } else if (name == L"maxinfo") {
    const Size size = ParseSize(text);
    SetMaxInfo(size.cx, size.cy);
  } else if (name == L"shadowattached") {
    shadow_attached_ = ParseBool(text);
  } else if (name == L"shadowimage") {
    SetShadowImage(value);
  } else if (name == L"shadowcorner") {
    SetShadowCorner(ParseRect(text));
  } else if (name == L"alphafixcorner" || name == L"custom_shadow") {
    alpha_fix_corner_ = DpiScale::GetInstance().ScaleRect(ParseRect(text));
  }
}

bool Window::AttachRoot(Control* root) {
  ClearTrackedControls();
  names_.clear();
  if (root_ && root_ != root) {
    Control* old = root_;
    root_ = nullptr;
    AddDelayedCleanup(old);
  }
  if (shadow_box_ && shadow_box_ != root) shadow_box_ = nullptr;
  root_ = root;
  needs_layout_ = true;
  first_layout_ = true;
  if (!root) return false;
  root->SetWindow(this, root->GetParent(), true);
  RegisterNames(root);
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
  return true;
}

void Window::ClearTrackedControls() {
  if (focus_) SetFocus(nullptr);
  focus_ = hover_ = entered_ = pressed_ = key_down_ = touch_ = pointer_ = nullptr;
  focus_next_pending_ = false;
}

void Window::InitControls(Control* control, Box* parent) {
  if (!control) return;
  control->SetWindow(this, parent, true);
  RegisterNames(control);
}

void Window::RegisterNames(Control* control) {
  control->FindControl(
      [this](Control* found, void*) -> Control* {
        if (!found->GetName().empty()) names_[found->GetName()] = found;
        return nullptr;
      },
      nullptr, 0);
}

void Window::ReapControl(Control* control) {
  if (!control) return;
  if (focus_ == control) focus_ = nullptr;
  if (hover_ == control) hover_ = nullptr;
  if (entered_ == control) entered_ = nullptr;
  if (pressed_ == control) pressed_ = nullptr;
  if (key_down_ == control) key_down_ = nullptr;
  if (touch_ == control) touch_ = nullptr;
  if (pointer_ == control) pointer_ = nullptr;
  if (root_ == control) root_ = nullptr;
  if (shadow_box_ == control) shadow_box_ = nullptr;
  auto it = names_.find(control->GetName());
  if (it != names_.end() && it->second == control) names_.erase(it);
}

Control* Window::FindControl(const std::wstring& name) const {
  auto it = names_.find(name);
  return it == names_.end() ? nullptr : it->second;
}

Control* Window::FindSubControlByName(Control* parent, const std::wstring& name) const {
  if (!parent) return nullptr;
  return parent->FindControl([&name](Control* control, void*) { return control->GetName() == name ? control : nullptr; },
                             nullptr, kFindMeFirst);
}

Control* Window::FindControlAt(const Point& point) const {
  for (const HitTestHook& hook : hit_test_hooks_) {
    if (Control* control = hook(point)) return control;
  }
  if (!root_) return nullptr;
  Point probe = point;
  return root_->FindControl([](Control* control, void*) { return control; }, &probe,
                            kFindVisible | kFindHitTest | kFindTopFirst);
}

void Window::AddDelayedCleanup(Control* control) {
  if (!control) return;
  delayed_cleanup_.push_back(control);
  if (hwnd_) ::PostMessageW(hwnd_, kDelayedCleanupMessage, 0, 0);
}

void Window::DestroyDelayedControls() {
  // Destroying a control may queue more.
  while (!delayed_cleanup_.empty()) {
    std::vector<Control*> pending;
    pending.swap(delayed_cleanup_);
    for (Control* control : pending) delete control;
  }
}

std::wstring Window::GetClassAttributes(const std::wstring& class_name) const {
  auto it = classes_.find(class_name);
  return it == classes_.end() ? std::wstring() : it->second;
}

void Window::AddClass(const std::wstring& class_name, const std::wstring& attribute_list) {
  classes_[class_name] = attribute_list;
}

void Window::SetResourcePath(const std::wstring& path) {
  resource_path_ = path;
  if (!resource_path_.empty() && resource_path_.back() != L'\\' && resource_path_.back() != L'/')
    resource_path_.push_back(L'\\');
}

bool Window::AddOptionGroup(const std::wstring& group, Control* control) {
  std::vector<Control*>& members = option_groups_[group];
  if (std::find(members.begin(), members.end(), control) != members.end()) return false;
  members.push_back(control);
  return true;
}

const std::vector<Control*>* Window::GetOptionGroup(const std::wstring& group) const {
  auto it = option_groups_.find(group);
  return it == option_groups_.end() ? nullptr : &it->second;
}

void Window::RemoveOptionGroup(const std::wstring& group, Control* control) {
  auto it = option_groups_.find(group);
  if (it == option_groups_.end()) return;
  std::vector<Control*>& members = it->second;
  members.erase(std::remove(members.begin(), members.end(), control), members.end());
  if (members.empty()) option_groups_.erase(it);
}

bool Window::AddMessageFilter(IUIMessageFilter* filter) {
  if (!filter || std::find(message_filters_.begin(), message_filters_.end(), filter) != message_filters_.end())
    return false;
  message_filters_.push_back(filter);
  return true;
}

bool Window::RemoveMessageFilter(IUIMessageFilter* filter) {
  auto it = std::find(message_filters_.begin(), message_filters_.end(), filter);
  if (it == message_filters_.end()) return false;
  message_filters_.erase(it);
  return true;
}

void Window::SetNeedsLayout() {
  needs_layout_ = true;
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void Window::Invalidate(const Rect& rect) {
  if (!hwnd_) return;
  RECT area = rect;
  ::InvalidateRect(hwnd_, &area, FALSE);
}

void Window::SendNotify(Control* control, int kind, WPARAM wparam, LPARAM lparam) {
  if (!control) return;
  control->SendEvent(kind, wparam, lparam, 0, 0.0f, last_mouse_point_);
}

void Window::SetFocus(Control* control) {
  if (hwnd_ && ::GetFocus() != hwnd_ && control && control != focus_) ::SetFocus(hwnd_);
  if (control == focus_) return;
  if (Control* old = focus_) {
    old->SendEvent(kEventInternalKillFocus);
    // The first event may have destroyed it, which reaps it from focus_.
    if (focus_ == old) SendNotify(old, kEventKillFocus);
    focus_ = nullptr;
  }
  if (control && control->GetWindow() == this && control->IsVisible() && control->IsEnabled()) {
    focus_ = control;
    control->SendEvent(kEventInternalSetFocus);
    if (focus_ == control) SendNotify(control, kEventSetFocus);
  }
}

bool Window::SetNextTabControl(bool forward) {
  if (!root_) return false;
  if (needs_layout_ && forward) {
    focus_next_pending_ = true;
    if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
    return true;
  }
  focus_next_pending_ = false;
  std::vector<Control*> stops;
  root_->FindControl(
      [&stops](Control* control, void*) -> Control* {
        if (IsTabStop(control)) stops.push_back(control);
        return nullptr;
      },
      nullptr, kFindVisible | kFindEnabled | kFindMeFirst);
  if (stops.empty()) return false;
  auto current = std::find(stops.begin(), stops.end(), focus_);
  Control* next = nullptr;
  if (current == stops.end()) {
    next = forward ? stops.front() : stops.back();
  } else if (forward) {
    next = (current + 1 == stops.end()) ? stops.front() : *(current + 1);
  } else {
    next = (current == stops.begin()) ? stops.back() : *(current - 1);
  }
  SetFocus(next);
  return true;
}

void Window::SetCapture() {
  if (!hwnd_) return;
  ::SetCapture(hwnd_);
  mouse_captured_ = true;
}

void Window::ReleaseCapture() {
  if (mouse_captured_) ::ReleaseCapture();
  mouse_captured_ = false;
}

LRESULT Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  // A filter may remove itself while it runs.
  const std::vector<IUIMessageFilter*> filters = message_filters_;
  for (IUIMessageFilter* filter : filters) {
    bool handled = false;
    const LRESULT result = filter->MessageHandler(message, wparam, lparam, handled);
    if (handled && message != WM_MOUSEMOVE) return result;
  }
  bool handled = false;
  const LRESULT result = HandleWindowMessage(message, wparam, lparam, handled);
  if (handled) return result;
  return CallDefaultProc(message, wparam, lparam);
}

LRESULT Window::CallDefaultProc(UINT message, WPARAM wparam, LPARAM lparam) {
  return ::CallWindowProcW(previous_procedure_, hwnd_, message, wparam, lparam);
}

LRESULT Window::HandleWindowMessage(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  switch (message) {
    case WM_SIZE:
      DispatchSize(wparam);
      handled = true;
      return 0;
    case WM_KILLFOCUS: {
      Control* capturing = pointer_ ? pointer_ : (touch_ ? touch_ : pressed_);
      if (capturing && capturing->IsNeedButtonUpWhenKillFocus()) {
        ReleaseCapture();
        capturing->SendEvent(kEventMouseButtonUp, 0, 0, 0, 0.0f, last_mouse_point_);
      }
      pointer_ = touch_ = pressed_ = nullptr;
      return 0;
    }
    case WM_PAINT:
      Paint();
      handled = true;
      return 0;
    case WM_CLOSE:
      DispatchClose();
      return 0;
    case WM_ERASEBKGND:
      handled = true;
      return 1;
    case WM_SETCURSOR: {
      if (LOWORD(lparam) != HTCLIENT || pressed_) return 0;
      POINT cursor = {};
      ::GetCursorPos(&cursor);
      last_mouse_point_ = ScreenToClientPoint(hwnd_, Point(cursor.x, cursor.y));
      if (Control* control = FindControlAt(last_mouse_point_)) {
        control->SendEvent(kEventSetCursor, wparam, lparam, 0, 0.0f, last_mouse_point_);
        handled = true;
        return TRUE;
      }
      return 0;
    }
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lparam);
      // Only a child window's own header is reflected; anything else
      // (a rich edit's link text, say) names no window to send it to.
      if (!header || !header->hwndFrom || !::IsChild(hwnd_, header->hwndFrom)) return 0;
      handled = true;
      return ::SendMessageW(header->hwndFrom, message + kReflectOffset, wparam, lparam);
    }
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
      HWND child = reinterpret_cast<HWND>(lparam);
      if (!child) return 0;
      handled = true;
      return ::SendMessageW(child, message + kReflectOffset, wparam, lparam);
    }
    case WM_CONTEXTMENU:
      if (Control* control = pressed_) {
        ReleaseCapture();
        pressed_ = nullptr;
        control->SendEvent(kEventInternalMenu, wparam, lparam, 0, 0.0f, last_mouse_point_);
      }
      return 0;
    case WM_KEYDOWN:
      if (wparam == VK_TAB && !FocusWantsTab()) {
        SetNextTabControl(::GetKeyState(VK_SHIFT) >= 0);
        handled = true;
        return 1;
      }
      DispatchKeyDown(wparam);
      return 0;
    case WM_KEYUP:
      if (Control* control = key_down_) {
        key_down_ = nullptr;
        control->SendEvent(kEventKeyUp, wparam, lparam, static_cast<wchar_t>(wparam));
      }
      return 0;
    case WM_CHAR:
      if (focus_) focus_->SendEvent(kEventChar, wparam, lparam, static_cast<wchar_t>(wparam));
      return 0;
    case WM_IME_STARTCOMPOSITION:
      if (focus_) focus_->SendEvent(kEventImeStartComposition, wparam, lparam);
      return 0;
    case WM_IME_ENDCOMPOSITION:
      if (focus_) focus_->SendEvent(kEventImeEndComposition, wparam, lparam);
      return 0;
    case WM_MOUSEMOVE:
      if (touch_ || pointer_) return 0;
      DispatchMouseMove(PointFromLParam(lparam), wparam);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
      if (touch_ || pointer_) return 0;
      DispatchButtonDown(message, PointFromLParam(lparam));
      return 0;
    case WM_LBUTTONUP: {
      const Point point = PointFromLParam(lparam);
      last_mouse_point_ = point;
      ReleaseCapture();
      if (Control* control = pressed_) {
        pressed_ = nullptr;
        control->SendEvent(kEventMouseButtonUp, wparam, lparam, 0, 0.0f, point);
      }
      return 0;
    }
    case WM_RBUTTONUP: {
      const Point point = PointFromLParam(lparam);
      last_mouse_point_ = point;
      ReleaseCapture();
      if (pressed_) pressed_->SendEvent(kEventMouseRightButtonUp, wparam, lparam, 0, 0.0f, point);
      return 0;
    }
    case WM_MOUSEWHEEL: {
      const Point point = ScreenToClientPoint(hwnd_, PointFromLParam(lparam));
      if (Control* control = FindControlAt(point)) {
        const int delta = static_cast<short>(HIWORD(wparam));
        control->SendEvent(kEventMouseScrollWheel, static_cast<WPARAM>(static_cast<INT_PTR>(delta)), lparam, 0,
                           0.0f, point);
        handled = true;
      }
      return 0;
    }
    case kTouch:
      return DispatchTouch(wparam, lparam, handled);
    case kPointerDown:
    case kPointerUpdate:
    case kPointerUp:
    case kPointerLeave:
    case kPointerCaptureChanged:
      return DispatchPointer(message, wparam, lparam, handled);
    case WM_MOUSEHOVER:
      DispatchMouseHover(PointFromLParam(lparam));
      return 0;
    case WM_MOUSELEAVE:
      DispatchMouseLeave();
      return 0;
    case kDelayedCleanupMessage:
      DestroyDelayedControls();
      handled = true;
      return 0;
    default:
      return 0;
  }
}

void Window::DispatchSize(WPARAM type) {
  if (focus_) focus_->SendEvent(kEventWindowSize);
  if (root_) root_->ArrangeSelf();
  if (type == SIZE_MAXIMIZED) {
    MaximizedOrRestored(true);
  } else if (type == SIZE_RESTORED) {
    MaximizedOrRestored(false);
  }
}

void Window::DispatchClose() {
  if (Control* control = entered_) {
    entered_ = nullptr;
    control->SendEvent(kEventMouseLeave, 0, 0, 0, 0.0f, last_mouse_point_);
  }
  for (Control** tracked : {&pressed_, &touch_, &pointer_}) {
    if (Control* control = *tracked) {
      *tracked = nullptr;
      control->SendEvent(kEventMouseButtonUp, 0, 0, 0, 0.0f, last_mouse_point_);
    }
  }
  SetFocus(nullptr);
  if (HWND owner = ::GetWindow(hwnd_, GW_OWNER)) ::SetFocus(owner);
}

bool Window::FocusWantsTab() const {
  const auto* edit = dynamic_cast<const RichEdit*>(focus_);
  return edit && edit->IsEnabled() && edit->IsWantTab();
}

void Window::DispatchKeyDown(WPARAM key) {
  if (!focus_) return;
  key_down_ = focus_;
  focus_->SendEvent(kEventKeyDown, key, 0, static_cast<wchar_t>(key));
}

void Window::DispatchMouseMove(const Point& point, WPARAM wparam) {
  if (!mouse_tracking_ && point.x >= 0 && point.y >= 0) {
    DWORD hover_time = kDefaultHoverMs;
    if (tooltip_window_) {
      hover_time = static_cast<DWORD>(::SendMessageW(tooltip_window_, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
    }
    TRACKMOUSEEVENT track = {};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_HOVER | TME_LEAVE;
    track.hwndTrack = hwnd_;
    track.dwHoverTime = hover_time;
    ::TrackMouseEvent(&track);
    mouse_tracking_ = true;
  }
  last_mouse_point_ = point;
  UpdateHover(point);
  Control* target = pressed_ ? pressed_ : hover_;
  if (target) target->SendEvent(kEventMouseMove, wparam, MAKELPARAM(point.x, point.y), 0, 0.0f, point);
}

void Window::UpdateHover(const Point& point) {
  Control* found = FindControlAt(point);
  if (found && found->GetWindow() != this) return;
  hover_ = found;
  if (entered_ && entered_ != hover_) {
    Control* left = entered_;
    entered_ = nullptr;
    left->SendEvent(kEventMouseLeave, 0, 0, 0, 0.0f, point);
    HideTooltip();
  }
  if (hover_ && hover_ != entered_) {
    entered_ = hover_;
    hover_->SendEvent(kEventMouseEnter, 0, 0, 0, 0.0f, point);
  }
}

void Window::DispatchButtonDown(UINT message, const Point& point) {
  ::SetFocus(hwnd_);
  last_mouse_point_ = point;
  Control* control = FindControlAt(point);
  if (!control || control->GetWindow() != this) return;
  pressed_ = control;
  if (message != WM_LBUTTONDBLCLK) control->SetFocus();
  // Focus handlers may have destroyed it, which reaps it from pressed_.
  if (pressed_ != control) return;
  SetCapture();
  const int kind = message == WM_LBUTTONDOWN   ? kEventMouseButtonDown
                   : message == WM_RBUTTONDOWN ? kEventMouseRightButtonDown
                                               : kEventInternalDoubleClick;
  control->SendEvent(kind, 0, MAKELPARAM(point.x, point.y), 0, 0.0f, point);
}

LRESULT Window::DispatchTouch(WPARAM wparam, LPARAM lparam, bool& handled) {
  const std::vector<native_input::TouchSample> samples = native_input::ReadTouch(wparam, lparam);
  if (samples.empty()) return 0;
  handled = true;
  const native_input::TouchSample& sample = samples.front();
  const Point point = ScreenToClientPoint(hwnd_, sample.screen_point);
  switch (sample.phase) {
    case native_input::TouchSample::kDown:
      if (Control* control = FindControlAt(point)) {
        touch_ = control;
        SetCapture();
        control->SendEvent(kEventTouchDown, 0, 0, 0, 0.0f, point);
      }
      break;
    case native_input::TouchSample::kMove:
      if (touch_ && point != last_touch_point_) touch_->SendEvent(kEventTouchMove, 0, 0, 0, 0.0f, point);
      break;
    case native_input::TouchSample::kUp:
      if (Control* control = touch_) {
        ReleaseCapture();
        touch_ = nullptr;
        control->SendEvent(kEventTouchUp, 0, 0, 0, 0.0f, point);
      }
      break;
  }
  last_touch_point_ = point;
  return 0;
}

LRESULT Window::DispatchPointer(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  if (!pointer_input_) return 0;
  native_input::PointerSample sample;
  if (!native_input::ReadPointer(wparam, &sample) || !sample.primary ||
      sample.kind == native_input::PointerKind::kOther) {
    return 0;
  }
  const Point point = ScreenToClientPoint(hwnd_, sample.screen_point);
  Control* control = nullptr;
  int kind = kEventNone;
  if (message == kPointerDown) {
    control = FindControlAt(point);
    if (!control) return 0;
    control->SetFocus();
    SetCapture();
    pointer_ = control;
    kind = kEventPointerDown;
  } else if (message == kPointerUpdate) {
    control = pointer_;
    kind = kEventPointerUpdate;
  } else {
    control = pointer_;
    if (control) ReleaseCapture();
    pointer_ = nullptr;
    kind = kEventPointerUp;
  }
  if (!control) return 0;
  // Asked before the event: its handler may destroy the control.
  handled = control->IsReceivePointer();
  control->SendEvent(kind, wparam, lparam, 0, sample.pressure, point);
  return 0;
}

void Window::DispatchMouseHover(const Point& point) {
  mouse_tracking_ = false;
  Control* control = FindControlAt(point);
  if (!control) return;
  if (entered_) entered_->SendEvent(kEventMouseHover, 0, MAKELPARAM(point.x, point.y), 0, 0.0f, point);
  ShowTooltip(control);
}

void Window::ShowTooltip(Control* control) {
  tooltip_text_ = control->GetToolTipText();
  if (tooltip_text_.empty()) return;
  if (!tooltip_window_) {
    tooltip_window_ = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                        ::GetModuleHandleW(nullptr), nullptr);
    if (!tooltip_window_) return;
    tooltip_info_ = {};
    // The whole record, up to its last field: the size of common controls
    // 6, which the program's manifest asks for.
    static_assert(sizeof(TOOLINFOW) == offsetof(TOOLINFOW, lpReserved) + sizeof(void*),
                  "the tool record of common controls 6");
    tooltip_info_.cbSize = sizeof(tooltip_info_);
    tooltip_info_.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tooltip_info_.hwnd = hwnd_;
    tooltip_info_.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    tooltip_info_.lpszText = const_cast<wchar_t*>(tooltip_text_.c_str());
    ::SendMessageW(tooltip_window_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tooltip_info_));
  }
  tooltip_info_.lpszText = const_cast<wchar_t*>(tooltip_text_.c_str());
  tooltip_info_.rect = control->GetPos();
  // A maximum width makes the tip wrap and honour line breaks.
  ::SendMessageW(tooltip_window_, TTM_SETMAXTIPWIDTH, 0, control->GetToolTipWidth());
  ::SendMessageW(tooltip_window_, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tooltip_info_));
  POINT cursor = {};
  ::GetCursorPos(&cursor);
  ::SendMessageW(tooltip_window_, TTM_TRACKPOSITION, 0, MAKELPARAM(cursor.x + 12, cursor.y + 20));
  ::SendMessageW(tooltip_window_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tooltip_info_));
}

void Window::HideTooltip() {
  if (tooltip_window_) ::SendMessageW(tooltip_window_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tooltip_info_));
}

void Window::DispatchMouseLeave() {
  HideTooltip();
  if (mouse_tracking_) ::SendMessageW(hwnd_, WM_MOUSEMOVE, 0, MAKELPARAM(-1, -1));
  mouse_tracking_ = false;
}

void Window::ResizeToAutoRoot(bool move_to_origin) {
  if (!root_ || !hwnd_) return;
  Size size = root_->EstimateSize(Size(99999, 99999));
  size.cx = std::max<LONG>(size.cx, root_->GetMinWidth());
  size.cy = std::max<LONG>(size.cy, root_->GetMinHeight());
  if (root_->GetMaxWidth() >= 0) size.cx = std::min<LONG>(size.cx, root_->GetMaxWidth());
  if (root_->GetMaxHeight() >= 0) size.cy = std::min<LONG>(size.cy, root_->GetMaxHeight());
  if (size.cx <= 0 || size.cy <= 0) return;
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  if (move_to_origin) {
    flags |= SWP_NOREDRAW;
  } else {
    flags |= SWP_NOMOVE;
  }
  ::SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy, flags);
}

void Window::UpdateLayout(const Rect& client) {
  needs_layout_ = false;
  if (!client.IsEmpty()) {
    if (root_->IsArranged()) {
      root_->SetPos(client);
    } else {
      // Bounded: a control that keeps asking for arrangement must not hang
      // the paint.
      for (int pass = 0; pass < 10000 && root_; ++pass) {
        Control* next = root_->FindControl(
            [](Control* control, void*) { return control->IsArranged() ? control : nullptr; }, nullptr,
            kFindVisible | kFindMeFirst);
        if (!next) break;
        next->SetPos(next->GetPos());
      }
    }
  }
  if (first_layout_) {
    first_layout_ = false;
    OnInitLayout();
  }
  if (focus_next_pending_) SetNextTabControl(true);
}

void Window::PaintNow() {
  if (hwnd_) ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void Window::Paint() {
  if (::IsIconic(hwnd_) || !root_ || !render_context_) {
    ::ValidateRect(hwnd_, nullptr);
    return;
  }
  if (needs_layout_ && root_->IsArranged() && root_->IsAutoSized()) ResizeToAutoRoot(false);

  Rect update;
  ::GetUpdateRect(hwnd_, &update, FALSE);
  if (update.IsEmpty() && !first_layout_) return;
  Rect client;
  ::GetClientRect(hwnd_, &client);
  Rect window_rect;
  ::GetWindowRect(hwnd_, &window_rect);
  if (layered_) {
    // The system reports no update beyond the virtual screen; a window
    // reaching past it would keep stale pixels there.
    const Rect screen(::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                      ::GetSystemMetrics(SM_XVIRTUALSCREEN) + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                      ::GetSystemMetrics(SM_YVIRTUALSCREEN) + ::GetSystemMetrics(SM_CYVIRTUALSCREEN));
    if (window_rect.left < screen.left && update.left == screen.left - window_rect.left) update.left = client.left;
    if (window_rect.top < screen.top && update.top == screen.top - window_rect.top) update.top = client.top;
    if (window_rect.right > screen.right && update.right == screen.right - window_rect.left)
      update.right = client.right;
    if (window_rect.bottom > screen.bottom && update.bottom == screen.bottom - window_rect.top)
      update.bottom = client.bottom;
  }

  PAINTSTRUCT paint = {};
  HDC paint_dc = ::BeginPaint(hwnd_, &paint);
  if (needs_layout_) UpdateLayout(client);
  if (!root_) {
    ::EndPaint(hwnd_, &paint);
    return;
  }
  if (render_context_->Resize(client.Width(), client.Height())) {
    render_context_->SetTransparentTarget(!shadow_attached_);
    update = client;
  }
  if (update.IsEmpty()) update = client;
  if (layered_) render_context_->FillAlpha(update, 0);
  {
    AutoClip clip(render_context_.get(), update);
    const Point old_origin = render_context_->OffsetOrigin(render_offset_.x, render_offset_.y);
    root_->Paint(render_context_.get(), update);
    render_context_->SetOrigin(old_origin);
  }
  if (layered_) {
    PresentLayered(update, client);
  } else if (paint_dc) {
    ::BitBlt(paint_dc, update.left, update.top, update.Width(), update.Height(), render_context_->GetHdc(),
             update.left, update.top, SRCCOPY);
  }
  ::EndPaint(hwnd_, &paint);
}

void Window::PresentLayered(const Rect& update, const Rect& client) {
  Box* root_box = dynamic_cast<Box*>(root_);
  const Rect inner = root_box ? root_box->GetPaddingPos() : root_->GetPos();
  const bool offset = render_offset_.x != 0 || render_offset_.y != 0;
  if (!shadow_attached_ || offset) {
    const Rect& fix = alpha_fix_corner_;
    if (fix.left > 0 || fix.top > 0 || fix.right > 0 || fix.bottom > 0) {
      Rect area;
      if (area.Intersect(update, inner)) {
        area.Deflate(fix);
        render_context_->RepairAlpha(area, Rect(), 0);
      }
    }
  } else {
    Rect area;
    if (area.Intersect(update, inner)) {
      Rect padding = root_box && root_box->GetLayout() ? root_box->GetLayout()->GetPadding() : Rect();
      padding.Inflate(Rect(1, 1, 1, 1));
      render_context_->RepairAlpha(area, padding, 0);
    }
  }
  // A window that shows nothing and would show nothing needs no update: the
  // first frames of a fade-in are invisible, and an update costs as much as
  // the paint.
  if (window_alpha_ == 0 && presented_alpha_ == 0) return;
  Rect window_rect;
  ::GetWindowRect(hwnd_, &window_rect);
  POINT destination = {window_rect.left, window_rect.top};
  SIZE size = {client.Width(), client.Height()};
  POINT source = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, static_cast<BYTE>(window_alpha_), AC_SRC_ALPHA};
  // Only the changed pixels travel when nothing else about the window did;
  // a new alpha, place or size needs the whole surface.
  const bool partial = presented_alpha_ == window_alpha_ && presented_rect_ == window_rect && update != client;
  presented_alpha_ = window_alpha_;
  presented_rect_ = window_rect;
  RECT dirty = update;
  UPDATELAYEREDWINDOWINFO info = {};
  info.cbSize = sizeof(info);
  info.pptDst = &destination;
  info.psize = &size;
  info.hdcSrc = render_context_->GetHdc();
  info.pptSrc = &source;
  info.pblend = &blend;
  info.dwFlags = ULW_ALPHA;
  info.prcDirty = partial ? &dirty : nullptr;
  ::UpdateLayeredWindowIndirect(hwnd_, &info);
}

void Window::OnInitLayout() {
  if (!root_) return;
  AnimationManager& animations = root_->GetAnimationManager();
  animations.SetFadeAlpha(true);
  AnimationPlayer* player = animations.GetAnimationPlayer(kAnimationAlpha);
  if (!player) return;
  // The root's alpha fade drives the whole window's alpha instead of the
  // root's own, so the root keeps painting opaque into the surface.
  window_alpha_ = 0;
  player->SetCallback(ToWeakCallback([this](int value) {
    window_alpha_ = std::max(0, std::min(255, value));
    if (root_) Invalidate(root_->GetPos());
    if (layered_ && hwnd_) ::PostMessageW(hwnd_, WM_PAINT, 0, 0);
  }));
  player->Start();
}

}  // namespace ui
