#include "browser/cef_native_control.h"

#include "ui/core/box.h"
#include "ui/core/control_host.h"

namespace qiv_comp {

namespace {

constexpr DWORD kDevToolsStyle = 0x16CF0000;  // WS_OVERLAPPEDWINDOW, WS_VISIBLE and the clip styles
constexpr int kDevToolsWidth = 900;
constexpr int kDevToolsHeight = 700;

}  // namespace

CefNativeControl::CefNativeControl() = default;

CefNativeControl::~CefNativeControl() {
  if (!browser_handler_) return;
  if (GetBrowser()) {
    // Out of the host window, so that the window going first cannot take
    // the page down before the engine has closed it; hidden, so that it
    // never shows on the desktop meanwhile.
    HWND browser_window = BrowserWindow();
    if (::IsWindow(browser_window) && (::GetWindowLongW(browser_window, GWL_STYLE) & WS_CHILD)) {
      ::ShowWindow(browser_window, SW_HIDE);
      ::SetParent(browser_window, ::GetDesktopWindow());
    }
    browser_handler_->CloseAllBrowsers();
  }
  ReleaseHandler();
}

HWND CefNativeControl::BrowserWindow() const {
  CefRefPtr<CefBrowser> browser = GetBrowser();
  CefRefPtr<CefBrowserHost> host = browser ? browser->GetHost() : nullptr;
  return host ? host->GetWindowHandle() : nullptr;
}

void CefNativeControl::AddHostClipStyles() {
  HWND host = window_ ? window_->GetHWND() : nullptr;
  if (!host) return;
  LONG_PTR style = ::GetWindowLongPtrW(host, GWL_STYLE);
  if ((style & kHostClipStyles) != kHostClipStyles) ::SetWindowLongPtrW(host, GWL_STYLE, style | kHostClipStyles);
}

void CefNativeControl::SetWindow(ui::ControlHost* window, ui::Box* parent, bool init) {
  HWND host = window ? window->GetHWND() : nullptr;
  if (browser_handler_) browser_handler_->SetHostWindow(host);
  HWND browser_window = BrowserWindow();
  if (host && ::IsWindow(browser_window) && ::GetParent(browser_window) != host) ::SetParent(browser_window, host);
  window_ = window;
  parent_ = parent;
  AddHostClipStyles();
  if (init && parent) Init();
}

void CefNativeControl::Init() {
  AddHostClipStyles();
  CreateHandlerAndBridge();
  CefControlBase::Init();
}

void CefNativeControl::ReCreateBrowser() {
  if (!browser_handler_ || browser_handler_->GetBrowser() || creating_browser_) return;
  CefWindowInfo info;
  info.parent_window = browser_handler_->GetHostWindow();
  info.style = kBrowserWindowStyle;
  info.x = rect_.left;
  info.y = rect_.top;
  info.width = rect_.Width();
  info.height = rect_.Height();
  info.windowless_rendering_enabled = 0;
  creating_browser_ =
      CefBrowserHost::CreateBrowser(info, browser_handler_.get(), CefString(), CefBrowserSettings(), nullptr, nullptr);
}

void CefNativeControl::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  creating_browser_ = false;
  // A control hidden before its browser came keeps it at 0 x 0.
  if (!IsVisible()) ApplyVisibility();
  CefControlBase::OnAfterCreated(browser);
}

void CefNativeControl::SetPos(ui::Rect rect) {
  CefControlBase::SetPos(rect);
  HWND browser_window = BrowserWindow();
  if (!::IsWindow(browser_window)) return;
  const ui::Rect pos = GetPos();
  ::SetWindowPos(browser_window, nullptr, pos.left, pos.top, pos.Width(), pos.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void CefNativeControl::ApplyVisibility() {
  HWND browser_window = BrowserWindow();
  if (!::IsWindow(browser_window)) return;
  if (IsVisible()) {
    ::ShowWindow(browser_window, SW_SHOW);
  } else {
    ::SetWindowPos(browser_window, nullptr, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE);
  }
}

void CefNativeControl::HandleEvent(ui::EventArgs* args) {
  if (args && (args->kind == ui::kEventInternalSetFocus || args->kind == ui::kEventInternalKillFocus)) {
    CefRefPtr<CefBrowser> browser = GetBrowser();
    if (CefRefPtr<CefBrowserHost> host = browser ? browser->GetHost() : nullptr)
      host->SetFocus(args->kind == ui::kEventInternalSetFocus);
  }
  CefControlBase::HandleEvent(args);
}

bool CefNativeControl::AttachDevTools(ui::Control*) {
  // Tools the user closed with their own window are opened again.
  if (devtools_attached_ && devtools_shown_ && devtools_client_ && !devtools_client_->GetBrowser()) {
    devtools_client_ = nullptr;
    SetDevToolsAttached(false);
  }
  if (devtools_attached_) return true;
  CefRefPtr<CefBrowser> browser = GetBrowser();
  if (!browser) {
    if (browser_handler_)
      browser_handler_->AddAfterCreatedCallback(ToWeakCallback([this] { AttachDevTools(nullptr); }));
    return true;
  }
  CefRefPtr<CefBrowserHost> host = browser->GetHost();
  if (!host) return true;
  CefWindowInfo info;
  info.style = kDevToolsStyle;
  info.parent_window = nullptr;
  info.x = CW_USEDEFAULT;
  info.y = CW_USEDEFAULT;
  info.width = kDevToolsWidth;
  info.height = kDevToolsHeight;
  info.window_name = L"cef_devtools";
  // A handler of their own, with nobody to tell: the tools need no control.
  devtools_client_ = new BrowserHandler();
  devtools_shown_ = false;
  devtools_client_->AddAfterCreatedCallback(ToWeakCallback([this] { devtools_shown_ = true; }));
  host->ShowDevTools(info, devtools_client_.get(), CefBrowserSettings(), CefPoint(0, 0));
  SetDevToolsAttached(true);
  return true;
}

void CefNativeControl::DetachDevTools() {
  CefControlBase::DetachDevTools();
  if (!devtools_attached_) devtools_client_ = nullptr;
}

}  // namespace qiv_comp
