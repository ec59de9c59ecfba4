#include "browser/cef_control.h"

#include <windowsx.h>

#include <algorithm>

#include "browser/off_screen_input.h"
#include "ui/core/box.h"
#include "ui/render/render_interface.h"

namespace qiv_comp {

namespace {

CefMouseEvent MouseEvent(int x, int y, WPARAM key_state) {
  CefMouseEvent event;
  event.x = x;
  event.y = y;
  event.modifiers = MouseEventModifiers(key_state);
  return event;
}

cef_mouse_button_type_t ButtonOf(UINT message) {
  switch (message) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      return MBT_RIGHT;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      return MBT_MIDDLE;
    default:
      return MBT_LEFT;
  }
}

}  // namespace

CefControl::CefControl() = default;

CefControl::~CefControl() {
  if (browser_handler_) {
    if (GetBrowser()) browser_handler_->CloseAllBrowsers();
    ReleaseHandler();
  }
  if (ui::Window* window = HostWindow()) window->RemoveMessageFilter(this);
  view_bitmap_.Release();
  popup_bitmap_.Release();
}

CefRefPtr<CefBrowserHost> CefControl::Host() const {
  CefRefPtr<CefBrowser> browser = GetBrowser();
  return browser ? browser->GetHost() : nullptr;
}

HDC CefControl::ReferenceDc() const {
  ui::IRenderContext* context = window_ ? window_->GetRenderContext() : nullptr;
  return context ? context->GetHdc() : nullptr;
}

void CefControl::SetWindow(ui::ControlHost* window, ui::Box* parent, bool init) {
  if (!browser_handler_) {
    window_ = window;
    parent_ = parent;
    if (init && parent) Init();
  } else {
    if (ui::Window* old = HostWindow()) old->RemoveMessageFilter(this);
    window_ = window;
    parent_ = parent;
    if (init && parent) Init();
    if (ui::Window* added = HostWindow()) added->AddMessageFilter(this);
  }
  if (browser_handler_) browser_handler_->SetHostWindow(window_ ? window_->GetHWND() : nullptr);
}

void CefControl::Init() {
  if (ui::Window* window = HostWindow()) window->AddMessageFilter(this);
  CreateHandlerAndBridge();
  CefControlBase::Init();
}

void CefControl::ReCreateBrowser() {
  if (!browser_handler_ || browser_handler_->GetBrowser() || creating_browser_) return;
  CefWindowInfo info;
  info.parent_window = browser_handler_->GetHostWindow();
  info.style = 0;
  info.windowless_rendering_enabled = 1;
  creating_browser_ =
      CefBrowserHost::CreateBrowser(info, browser_handler_.get(), CefString(), CefBrowserSettings(), nullptr, nullptr);
}

void CefControl::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  creating_browser_ = false;
  // The view's size goes to the engine as soon as there is a browser.
  if (browser_handler_) browser_handler_->SetViewRect(GetPos());
  if (!IsVisible()) ApplyVisibility();
  CefControlBase::OnAfterCreated(browser);
}

void CefControl::SetPos(ui::Rect rect) {
  CefControlBase::SetPos(rect);
  if (browser_handler_) browser_handler_->SetViewRect(GetPos());
}

void CefControl::ApplyVisibility() {
  if (CefRefPtr<CefBrowserHost> host = Host()) host->WasHidden(!IsVisible());
}

void CefControl::HandleEvent(ui::EventArgs* args) {
  if (args && (args->kind == ui::kEventInternalSetFocus || args->kind == ui::kEventInternalKillFocus)) {
    if (CefRefPtr<CefBrowserHost> host = Host()) host->SendFocusEvent(args->kind == ui::kEventInternalSetFocus);
  }
  CefControlBase::HandleEvent(args);
}

void CefControl::Paint(ui::IRenderContext* context, const ui::Rect& dirty) {
  CefControlBase::Paint(context, dirty);
  if (!context || !view_bitmap_.IsValid() || !GetBrowser()) return;
  const ui::Rect pos = GetPos();
  const int view_width = std::min(pos.Width(), view_bitmap_.GetWidth());
  const int view_height = std::min(pos.Height(), view_bitmap_.GetHeight());
  context->CopyFrom(pos.left, pos.top, view_width, view_height, view_bitmap_.GetDC(), 0, 0, SRCCOPY);
  if (popup_rect_.width < 1 || popup_rect_.height < 1 || !popup_bitmap_.IsValid()) return;
  // A popup reaching past the control's top or left edge is cut there.
  const int skip_x = popup_rect_.x < 0 ? -popup_rect_.x : 0;
  const int skip_y = popup_rect_.y < 0 ? -popup_rect_.y : 0;
  const int width = std::min(popup_bitmap_.GetWidth(), popup_rect_.width) - skip_x;
  const int height = std::min(popup_bitmap_.GetHeight(), popup_rect_.height) - skip_y;
  if (width <= 0 || height <= 0) return;
  context->CopyFrom(pos.left + popup_rect_.x + skip_x, pos.top + popup_rect_.y + skip_y, width, height,
                    popup_bitmap_.GetDC(), skip_x, skip_y, SRCCOPY);
}

void CefControl::OnPaint(CefRefPtr<CefBrowser> browser, cef_paint_element_type_t type,
                         const CefRenderHandler::RectList& dirty_rects, const std::string* buffer, int width,
                         int height) {
  if (!buffer || width <= 0 || height <= 0) return;
  if (type == PET_VIEW) {
    if (width != view_bitmap_.GetWidth() || height != view_bitmap_.GetHeight() || !view_bitmap_.IsValid())
      view_bitmap_.ReInit(ReferenceDc(), width, height);
    view_bitmap_.CopyPixels(buffer->data(), buffer->size());
  } else {
    if (!view_bitmap_.IsValid() || popup_rect_.width <= 0 || popup_rect_.height <= 0) return;
    if (width != popup_bitmap_.GetWidth() || height != popup_bitmap_.GetHeight() || !popup_bitmap_.IsValid())
      popup_bitmap_.ReInit(ReferenceDc(), width, height);
    popup_bitmap_.CopyPixels(buffer->data(), buffer->size());
  }
  Invalidate();
}

void CefControl::OnPopupShow(CefRefPtr<CefBrowser> browser, bool show) {
  if (show) return;
  popup_rect_ = CefRect();
  if (CefRefPtr<CefBrowserHost> host = Host()) host->Invalidate(PET_VIEW);
  Invalidate();
}

void CefControl::OnPopupSize(CefRefPtr<CefBrowser> browser, const CefRect& rect) {
  if (rect.width <= 0 || rect.height <= 0) return;
  popup_rect_ = rect;
}

bool CefControl::AttachDevTools(ui::Control* view) {
  auto* other = dynamic_cast<CefControl*>(view);
  if (!other) return false;
  if (devtools_attached_) return true;
  CefRefPtr<CefBrowser> browser = GetBrowser();
  CefRefPtr<CefBrowser> other_browser = other->GetBrowser();
  if (!other_browser) {
    if (CefRefPtr<BrowserHandler> other_handler = other->GetHandler()) {
      other_handler->AddAfterCreatedCallback(ToWeakCallback([this, view] { AttachDevTools(view); }));
    }
    return true;
  }
  CefRefPtr<CefBrowserHost> host = browser ? browser->GetHost() : nullptr;
  CefRefPtr<CefBrowserHost> other_host = other_browser->GetHost();
  if (!host || !other_host) return true;
  CefWindowInfo info;
  info.parent_window = window_ ? window_->GetHWND() : nullptr;
  info.windowless_rendering_enabled = 1;
  host->ShowDevTools(info, other_host->GetClient(), CefBrowserSettings(), CefPoint(0, 0));
  SetDevToolsAttached(true);
  return true;
}

LRESULT CefControl::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  CefRefPtr<CefBrowserHost> host = Host();
  if (!IsVisible() || !IsEnabled() || !host || !window_) return 0;
  HWND hwnd = window_->GetHWND();
  const ui::Rect pos = GetPos();
  const int x = GET_X_LPARAM(lparam);
  const int y = GET_Y_LPARAM(lparam);
  const bool inside = pos.Contains(x, y);
  const bool captured = hwnd && ::GetCapture() == hwnd;
  switch (message) {
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      host->SendCaptureLostEvent();
      handled = true;
      return 0;
    case WM_SETCURSOR: {
      POINT cursor = {};
      ::GetCursorPos(&cursor);
      ::ScreenToClient(hwnd, &cursor);
      if (!pos.Contains(cursor.x, cursor.y)) return 0;
      handled = true;
      if (ui::Window* window = HostWindow()) return window->CallDefaultProc(message, wparam, lparam);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
      if (!IsFocused()) return 0;
      host->SendKeyEvent(KeyEventFromMessage(message, wparam, lparam));
      handled = true;
      return 0;
    case WM_MOUSEMOVE:
      if (inside || captured) host->SendMouseMoveEvent(MouseEvent(x - pos.left, y - pos.top, wparam), false);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (!inside) return 0;
      SetFocus();
      host->SendMouseClickEvent(MouseEvent(x - pos.left, y - pos.top, wparam), ButtonOf(message), false, 1);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      if (!inside && !captured) return 0;
      // The right button's release is given in window coordinates.
      const bool window_position = message == WM_RBUTTONUP;
      CefMouseEvent event = window_position ? MouseEvent(x, y, wparam) : MouseEvent(x - pos.left, y - pos.top, wparam);
      host->SendMouseClickEvent(event, ButtonOf(message), true, 1);
      return 0;
    }
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      if (!inside) return 0;
      host->SendMouseClickEvent(MouseEvent(x - pos.left, y - pos.top, wparam), MBT_LEFT, false, 2);
      handled = true;
      return 0;
    case WM_MOUSEWHEEL: {
      POINT screen = {x, y};
      if (::WindowFromPoint(screen) != hwnd) return 0;
      POINT client = screen;
      ::ScreenToClient(hwnd, &client);
      if (!pos.Contains(client.x, client.y)) return 0;
      const int delta = GET_WHEEL_DELTA_WPARAM(wparam);
      const WPARAM key_state = GET_KEYSTATE_WPARAM(wparam);
      CefMouseEvent event = MouseEvent(client.x - pos.left, client.y - pos.top, key_state);
      if (key_state & MK_SHIFT)
        host->SendMouseWheelEvent(event, delta, 0);
      else
        host->SendMouseWheelEvent(event, 0, delta);
      handled = true;
      return 0;
    }
    case WM_MOUSELEAVE:
      if (!inside) return 0;
      host->SendMouseMoveEvent(MouseEvent(x - pos.left, y - pos.top, 0), true);
      handled = true;
      return 0;
    default:
      return 0;
  }
}

}  // namespace qiv_comp
