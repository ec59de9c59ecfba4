#include "ui/core/window_impl_base.h"

#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/markup_builder.h"
#include "ui/core/resource_manager.h"
#include "ui/controls/button.h"
#include "ui/controls/rich_edit.h"
#include "ui/controls/scroll_bar.h"

namespace ui {

namespace {

constexpr const wchar_t* kLoadFailureCaption = L"Plaxon";
constexpr const wchar_t* kCaptionButtons[] = {L"closebtn", L"minbtn", L"maxbtn", L"restorebtn"};

// Controls in the caption that take clicks themselves instead of dragging
// the window: buttons, text fields, and the bars that scroll content there.
bool TakesClicksInCaption(Control* control) {
  return dynamic_cast<ButtonBase*>(control) != nullptr || dynamic_cast<RichEdit*>(control) != nullptr ||
         dynamic_cast<ScrollBar*>(control) != nullptr;
}

}  // namespace

WindowImplBase::WindowImplBase() = default;

WindowImplBase::~WindowImplBase() = default;

std::wstring WindowImplBase::FormatLoadFailure(const std::wstring& layout_path) {
  return L"Failed to load xml file " + layout_path;
}

LONG WindowImplBase::GetStyle() {
  return hwnd_ ? (::GetWindowLongW(hwnd_, GWL_STYLE) & ~WS_CAPTION) : 0;
}

void WindowImplBase::OnFinalMessage(HWND hwnd) {
  Window::OnFinalMessage(hwnd);
  delete this;
}

LRESULT WindowImplBase::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  bool handled = true;
  LRESULT result = 0;
  switch (message) {
    case WM_CREATE: result = OnCreate(message, wparam, lparam, handled); break;
    case WM_DESTROY: result = OnDestroy(message, wparam, lparam, handled); break;
    case WM_SIZE: result = OnSize(message, wparam, lparam, handled); break;
    case WM_SETFOCUS: result = OnSetFocus(message, wparam, lparam, handled); break;
    case WM_KILLFOCUS: result = OnKillFocus(message, wparam, lparam, handled); break;
    case WM_CLOSE: result = OnClose(message, wparam, lparam, handled); break;
    case WM_GETMINMAXINFO: result = OnGetMinMaxInfo(message, wparam, lparam, handled); break;
    case WM_WINDOWPOSCHANGING: result = OnWindowPosChanging(message, wparam, lparam, handled); break;
    case WM_NCCALCSIZE: result = OnNcCalcSize(message, wparam, lparam, handled); break;
    case WM_NCHITTEST: result = OnNcHitTest(message, wparam, lparam, handled); break;
    case WM_NCPAINT: result = OnNcPaint(message, wparam, lparam, handled); break;
    case WM_NCACTIVATE: result = OnNcActivate(message, wparam, lparam, handled); break;
    case WM_NCLBUTTONDBLCLK: result = OnNcLButtonDbClick(message, wparam, lparam, handled); break;
    case WM_KEYDOWN: result = OnKeyDown(message, wparam, lparam, handled); break;
    case WM_CHAR: result = OnChar(message, wparam, lparam, handled); break;
    case WM_SYSCOMMAND: result = OnSysCommand(message, wparam, lparam, handled); break;
    case WM_MOUSEMOVE: result = OnMouseMove(message, wparam, lparam, handled); break;
    case WM_LBUTTONDOWN: result = OnLButtonDown(message, wparam, lparam, handled); break;
    case WM_LBUTTONUP: result = OnLButtonUp(message, wparam, lparam, handled); break;
    case WM_MOUSEWHEEL: result = OnMouseWheel(message, wparam, lparam, handled); break;
    case WM_MOUSEHOVER: result = OnMouseHover(message, wparam, lparam, handled); break;
    case WM_DPICHANGED: result = OnDpiChanged(message, wparam, lparam, handled); break;
    default: handled = false; break;
  }
  if (handled) return result;
  return Window::HandleMessage(message, wparam, lparam);
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool& handled) {
  handled = true;
  ::SetWindowLongW(hwnd_, GWL_STYLE, GetStyle());
  Init(hwnd_);
  // The program's icon in its resources; programs without one show none.
  // Only a window with a taskbar button shows it, and under Wine handing a
  // window its icon costs milliseconds of the program's start.
  const bool on_taskbar =
      !::GetWindow(hwnd_, GW_OWNER) && !(::GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  if (on_taskbar) SetIcon(kProgramIconId);
  SetResourcePath(GetSkinFolder());

  const std::wstring layout_path = GetResourcePath() + GetSkinFile();
  MarkupBuilder builder;
  MarkupBuilder::CreateControlCallback callback =
      ToWeakCallback([this](const std::wstring& element_name) { return CreateControl(element_name); });
  Control* root = builder.Create(layout_path, callback, this, nullptr);
  if (!root) {
    const std::wstring text = FormatLoadFailure(ResourceManager::GetResourcePath() + layout_path);
    ::MessageBoxW(nullptr, text.c_str(), kLoadFailureCaption, MB_ICONHAND);
    return -1;
  }

  AttachRoot(AttachShadow(root));
  InitWindow();
  if (root_ && root_->IsAutoSized()) ResizeToAutoRoot(true);
  for (const wchar_t* name : kCaptionButtons) {
    Control* control = FindControl(name);
    if (!control || !dynamic_cast<ButtonBase*>(control)) continue;
    control->AttachEvent(kEventClick, ToWeakCallback([this](EventArgs* args) { return OnButtonClick(args); }));
  }
  return 0;
}

bool WindowImplBase::OnButtonClick(EventArgs* args) {
  if (!args || !args->sender) return true;
  const std::wstring name = args->sender->GetName();
  Control* max_button = FindControl(L"maxbtn");
  Control* restore_button = FindControl(L"restorebtn");
  if (name == L"closebtn") {
    Close(1);
  } else if (name == L"minbtn") {
    ::SendMessageW(hwnd_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (name == L"maxbtn") {
    if (max_button && restore_button) {
      max_button->SetFadeVisible(false);
      restore_button->SetFadeVisible(true);
    }
    ::SendMessageW(hwnd_, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (name == L"restorebtn") {
    if (max_button && restore_button) {
      max_button->SetFadeVisible(true);
      restore_button->SetFadeVisible(false);
    }
    ::SendMessageW(hwnd_, WM_SYSCOMMAND, SC_RESTORE, 0);
  }
  return true;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM wparam, LPARAM, bool& handled) {
  handled = !::IsIconic(hwnd_);
  return wparam == 0 ? 1 : 0;
}

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM, LPARAM, bool& handled) {
  handled = true;
  return 0;
}

LRESULT WindowImplBase::OnWindowPosChanging(UINT, WPARAM, LPARAM lparam, bool& handled) {
  handled = false;
  WINDOWPOS* position = reinterpret_cast<WINDOWPOS*>(lparam);
  if (!position || !::IsZoomed(hwnd_) || !(position->flags & SWP_FRAMECHANGED)) return 0;
  HMONITOR monitor = ::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  if (!::GetMonitorInfoW(monitor, &info) || (info.dwFlags & MONITORINFOF_PRIMARY)) return 0;
  position->x = info.rcWork.left;
  position->y = info.rcWork.top;
  position->cx = info.rcWork.right - info.rcWork.left;
  position->cy = info.rcWork.bottom - info.rcWork.top;
  return 0;
}

LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, bool& handled) {
  handled = true;
  return 0;
}

LRESULT WindowImplBase::OnNcLButtonDbClick(UINT, WPARAM, LPARAM, bool& handled) {
  handled = true;
  return 0;
}

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lparam, bool& handled) {
  handled = true;
  POINT screen = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  ::ScreenToClient(hwnd_, &screen);
  const Point point(screen.x, screen.y);
  Rect area;
  ::GetClientRect(hwnd_, &area);
  // Maximised, the root fills the window: the shadow has no padding then,
  // and the edges and the caption are where the user sees them.
  if (IsShadowAttached() && !::IsZoomed(hwnd_)) area.Deflate(GetShadowCorner());

  if (!::IsZoomed(hwnd_)) {
    const Rect& box = GetSizeBox();
    if (point.y < area.top + box.top) {
      if (point.y < area.top) return HTCLIENT;
      if (point.x >= area.left && point.x < area.left + box.left) return HTTOPLEFT;
      if (point.x > area.right - box.right && point.x <= area.right) return HTTOPRIGHT;
      return HTTOP;
    }
    if (point.y > area.bottom - box.bottom) {
      if (point.y > area.bottom) return HTCLIENT;
      if (point.x >= area.left && point.x < area.left + box.left) return HTBOTTOMLEFT;
      if (point.x > area.right - box.right && point.x <= area.right) return HTBOTTOMRIGHT;
      return HTBOTTOM;
    }
    if (point.x < area.left + box.left) return point.x < area.left ? HTCLIENT : HTLEFT;
    if (point.x > area.right - box.right) return point.x > area.right ? HTCLIENT : HTRIGHT;
  }

  const Rect& caption = GetCaptionRect();
  if (point.x >= area.left + caption.left && point.x < area.right - caption.right &&
      point.y >= area.top + caption.top && point.y < area.top + caption.bottom) {
    Control* control = FindControlAt(point);
    if (control && !TakesClicksInCaption(control)) return HTCAPTION;
  }
  return HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lparam, bool& handled) {
  handled = false;
  MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lparam);
  if (!info) return 0;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor);
  Rect work(monitor.rcWork);
  work.Offset(-monitor.rcMonitor.left, -monitor.rcMonitor.top);
  const Rect& maximized = GetMaximizeInfo();
  if (maximized.IsEmpty()) {
    info->ptMaxPosition = POINT{work.left, work.top};
    info->ptMaxSize = POINT{work.Width(), work.Height()};
  } else {
    info->ptMaxPosition = POINT{work.left + maximized.left, work.top + maximized.top};
    info->ptMaxSize = POINT{maximized.Width(), maximized.Height()};
  }

  const Rect corner = GetShadowCorner();
  const int shadow_width = corner.left + corner.right;
  const int shadow_height = corner.top + corner.bottom;
  const Size min_size = GetMinInfo(true);
  const Size max_size = GetMaxInfo(true);
  if (min_size.cx != 0 && min_size.cx != shadow_width) info->ptMinTrackSize.x = min_size.cx;
  if (min_size.cy != 0 && min_size.cy != shadow_height) info->ptMinTrackSize.y = min_size.cy;
  if (max_size.cx != 0 && max_size.cx != shadow_width) info->ptMaxTrackSize.x = max_size.cx;
  if (max_size.cy != 0 && max_size.cy != shadow_height) info->ptMaxTrackSize.y = max_size.cy;
  return 0;
}

LRESULT WindowImplBase::OnMouseWheel(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseHover(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnDpiChanged(UINT, WPARAM wparam, LPARAM, bool& handled) {
  handled = false;
  DpiScale& scale = DpiScale::GetInstance();
  if (scale.enabled()) scale.set_percent(LOWORD(wparam) * 100 / 96);
  if (IsShadowAttached() && GetShadowBox()) RescaleShadowCorner();
  return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  const Size& round = GetRoundCorner();
  if (wparam != SIZE_MINIMIZED && (round.cx != 0 || round.cy != 0)) {
    const int width = LOWORD(lparam);
    const int height = HIWORD(lparam);
    // The window takes ownership of the region.
    HRGN region = ::CreateRoundRectRgn(0, 0, width + 1, height + 1, round.cx, round.cy);
    if (region && !::SetWindowRgn(hwnd_, region, TRUE)) ::DeleteObject(region);
  }
  return 0;
}

LRESULT WindowImplBase::OnChar(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT, WPARAM wparam, LPARAM, bool& handled) {
  if ((wparam & 0xFFF0) == SC_CLOSE) {
    handled = true;
    ::SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    return 0;
  }
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

void WindowImplBase::ActiveWindow() {
  if (!hwnd_) return;
  if (::IsIconic(hwnd_)) {
    ::ShowWindow(hwnd_, SW_RESTORE);
  } else if (!::IsWindowVisible(hwnd_)) {
    ::ShowWindow(hwnd_, SW_SHOW);
  }
  ::SetForegroundWindow(hwnd_);
}

void WindowImplBase::SetTaskbarTitle(const std::wstring& title) {
  if (hwnd_) ::SetWindowTextW(hwnd_, title.c_str());
}

}  // namespace ui
