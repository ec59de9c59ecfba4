#include "engine/remote/page_view.h"

#include <imm.h>
#include <windowsx.h>

#include "base/path_util.h"
#include "engine/remote/input_events.h"

namespace remote {

const wchar_t PageView::kClassName[] = L"RemoteEngineView";

namespace {

// One paint of the window.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  ~PaintScope() { ::EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC get() const { return dc_; }
  const RECT& area() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_ = {};
  HDC dc_;
};

// The window's input method context for one scope.
class ImeContext {
 public:
  explicit ImeContext(HWND window) : window_(window), context_(::ImmGetContext(window)) {}
  ~ImeContext() {
    if (context_) ::ImmReleaseContext(window_, context_);
  }
  ImeContext(const ImeContext&) = delete;
  ImeContext& operator=(const ImeContext&) = delete;
  HIMC get() const { return context_; }

 private:
  HWND window_;
  HIMC context_;
};

bool RegisterViewClass(WNDPROC procedure) {
  static bool registered = [procedure] {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = qbase::CurrentModule();
    window_class.hCursor = nullptr;
    window_class.lpszClassName = PageView::kClassName;
    return ::RegisterClassExW(&window_class) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

uint32_t MouseFlags(WPARAM key_state) {
  uint32_t flags = 0;
  if (key_state & MK_SHIFT) flags |= EVENTFLAG_SHIFT_DOWN;
  if (key_state & MK_CONTROL) flags |= EVENTFLAG_CONTROL_DOWN;
  if (key_state & MK_LBUTTON) flags |= EVENTFLAG_LEFT_MOUSE_BUTTON;
  if (key_state & MK_MBUTTON) flags |= EVENTFLAG_MIDDLE_MOUSE_BUTTON;
  if (key_state & MK_RBUTTON) flags |= EVENTFLAG_RIGHT_MOUSE_BUTTON;
  if (::GetKeyState(VK_MENU) & 0x8000) flags |= EVENTFLAG_ALT_DOWN;
  return flags;
}

// The button a move drags with, as the protocol wants it named.
const char* HeldButton(uint32_t flags) {
  if (flags & EVENTFLAG_LEFT_MOUSE_BUTTON) return "left";
  if (flags & EVENTFLAG_RIGHT_MOUSE_BUTTON) return "right";
  if (flags & EVENTFLAG_MIDDLE_MOUSE_BUTTON) return "middle";
  return "none";
}

std::wstring CompositionString(HIMC context, DWORD kind) {
  LONG bytes = ::ImmGetCompositionStringW(context, kind, nullptr, 0);
  if (bytes <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(bytes) / sizeof(wchar_t), L'\0');
  ::ImmGetCompositionStringW(context, kind, &text[0], static_cast<DWORD>(bytes));
  return text;
}

}  // namespace

std::unique_ptr<PageView> PageView::Create(const CefWindowInfo& info, Delegate* delegate) {
  if (!RegisterViewClass(&PageView::WindowProc)) return nullptr;
  if ((info.style & WS_CHILD) && !::IsWindow(info.parent_window)) return nullptr;
  std::unique_ptr<PageView> view(new PageView(delegate));
  HWND window = ::CreateWindowExW(0, kClassName, info.window_name.c_str(), info.style, info.x, info.y, info.width,
                                  info.height, info.parent_window, nullptr, qbase::CurrentModule(), nullptr);
  if (!window) return nullptr;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view.get()));
  view->window_.reset(window);
  view->surface_ = std::make_shared<ViewSurface>(window);
  view->cursor_ = ::LoadCursorW(nullptr, IDC_ARROW);
  return view;
}

PageView::~PageView() {
  if (surface_) surface_->Detach();
  if (window_) ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

void PageView::Detach() {
  if (surface_) surface_->Detach();
  delegate_ = nullptr;
  if (window_) ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  window_.release();
}

SIZE PageView::ClientSize() const {
  RECT client = {};
  if (window_) ::GetClientRect(window_.get(), &client);
  return SIZE{client.right - client.left, client.bottom - client.top};
}

void PageView::SetCursor(HCURSOR cursor) {
  cursor_ = cursor;
  if (!window_) return;
  POINT point = {};
  ::GetCursorPos(&point);
  if (::WindowFromPoint(point) == window_.get()) ::SetCursor(cursor_);
}

void PageView::SetCaretRect(const RECT& caret) {
  caret_ = caret;
  if (composing_) PlaceImeWindows();
}

void PageView::PlaceImeWindows() {
  ImeContext scope(window_.get());
  HIMC context = scope.get();
  if (!context) return;
  COMPOSITIONFORM composition = {};
  composition.dwStyle = CFS_POINT;
  composition.ptCurrentPos = POINT{caret_.left, caret_.top};
  ::ImmSetCompositionWindow(context, &composition);
  CANDIDATEFORM candidate = {};
  candidate.dwIndex = 0;
  candidate.dwStyle = CFS_EXCLUDE;
  candidate.ptCurrentPos = POINT{caret_.left, caret_.bottom};
  candidate.rcArea = caret_;
  ::ImmSetCandidateWindow(context, &candidate);
}

void PageView::Mouse(UINT message, WPARAM wparam, LPARAM lparam) {
  int x = GET_X_LPARAM(lparam);
  int y = GET_Y_LPARAM(lparam);
  uint32_t flags = MouseFlags(GET_KEYSTATE_WPARAM(wparam));
  const char* button = "none";
  const char* type = nullptr;
  int clicks = 1;
  switch (message) {
    case WM_MOUSEMOVE:
      if (!tracking_leave_) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window_.get(), 0};
        tracking_leave_ = ::TrackMouseEvent(&track) != FALSE;
      }
      delegate_->OnViewMouse(MouseEvent("mouseMoved", x, y, flags, HeldButton(flags)));
      return;
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
      clicks = 2;
      [[fallthrough]];
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDOWN:
      type = "mousePressed";
      if (::GetFocus() != window_.get()) ::SetFocus(window_.get());
      ::SetCapture(window_.get());
      break;
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONUP:
      type = "mouseReleased";
      if (!(flags & (EVENTFLAG_LEFT_MOUSE_BUTTON | EVENTFLAG_MIDDLE_MOUSE_BUTTON | EVENTFLAG_RIGHT_MOUSE_BUTTON))) {
        ::ReleaseCapture();
      }
      break;
    default:
      return;
  }
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
      button = "left";
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      button = "middle";
      break;
    default:
      button = "right";
      break;
  }
  delegate_->OnViewMouse(MouseEvent(type, x, y, flags, button, clicks));
}

bool PageView::Composition(LPARAM lparam) {
  ImeContext scope(window_.get());
  HIMC context = scope.get();
  if (!context) return false;
  if (lparam & GCS_RESULTSTR) {
    std::wstring result = CompositionString(context, GCS_RESULTSTR);
    if (!result.empty()) delegate_->OnViewCommit(result);
  }
  if (lparam & GCS_COMPSTR) {
    std::wstring text = CompositionString(context, GCS_COMPSTR);
    int caret = static_cast<int>(text.size());
    if (lparam & GCS_CURSORPOS) {
      LONG position = ::ImmGetCompositionStringW(context, GCS_CURSORPOS, nullptr, 0);
      if (position >= 0 && position <= static_cast<LONG>(text.size())) caret = static_cast<int>(position);
    }
    delegate_->OnViewComposition(text, caret);
  }
  return true;
}

LRESULT CALLBACK PageView::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  auto* view = reinterpret_cast<PageView*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (view && view->delegate_) {
    try {
      return view->Handle(message, wparam, lparam);
    } catch (...) {
      // A fault in one message leaves the window working.
    }
  }
  if (message == WM_ERASEBKGND) return 1;
  return ::DefWindowProcW(window, message, wparam, lparam);
}

LRESULT PageView::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  HWND window = window_.get();
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PaintScope paint(window);
      if (paint.get()) surface_->Paint(paint.get(), paint.area());
      return 0;
    }
    case WM_SIZE:
      delegate_->OnViewResized(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lparam) == HTCLIENT) {
        ::SetCursor(cursor_);
        return TRUE;
      }
      break;
    case WM_SETFOCUS:
      delegate_->OnViewFocus(true);
      return 0;
    case WM_KILLFOCUS:
      delegate_->OnViewFocus(false);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
      Mouse(message, wparam, lparam);
      return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL: {
      POINT point = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ::ScreenToClient(window, &point);
      int delta = GET_WHEEL_DELTA_WPARAM(wparam);
      uint32_t flags = MouseFlags(GET_KEYSTATE_WPARAM(wparam));
      bool horizontal = message == WM_MOUSEHWHEEL || (flags & EVENTFLAG_SHIFT_DOWN);
      delegate_->OnViewMouse(WheelEvent(point.x, point.y, horizontal ? delta : 0, horizontal ? 0 : delta, flags));
      return 0;
    }
    case WM_MOUSELEAVE:
      tracking_leave_ = false;
      delegate_->OnViewMouse(MouseEvent("mouseMoved", -1, -1, CurrentEventFlags()));
      return 0;
    case WM_CHAR:
    case WM_SYSCHAR: {
      wchar_t character = static_cast<wchar_t>(wparam);
      // A character beyond the basic plane comes in two messages; the page
      // gets it whole.
      if (character >= 0xD800 && character <= 0xDBFF) {
        high_surrogate_ = character;
        return 0;
      }
      if (character >= 0xDC00 && character <= 0xDFFF) {
        if (high_surrogate_) delegate_->OnViewCommit(std::wstring{high_surrogate_, character});
        high_surrogate_ = 0;
        return 0;
      }
      high_surrogate_ = 0;
      MSG original = {window, message, wparam, lparam, 0, {}};
      delegate_->OnViewKey(KeyEventFromMessage(message, wparam, lparam), original);
      if (message == WM_SYSCHAR) break;
      return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: {
      MSG original = {window, message, wparam, lparam, 0, {}};
      delegate_->OnViewKey(KeyEventFromMessage(message, wparam, lparam), original);
      // System keys keep their meaning for the window (Alt+F4, the menu).
      if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) break;
      return 0;
    }
    case WM_IME_SETCONTEXT:
      // The page shows the composition itself.
      lparam &= ~static_cast<LPARAM>(ISC_SHOWUICOMPOSITIONWINDOW);
      break;
    case WM_IME_STARTCOMPOSITION:
      composing_ = true;
      PlaceImeWindows();
      return 0;
    case WM_IME_COMPOSITION:
      if (Composition(lparam)) return 0;
      break;
    case WM_IME_ENDCOMPOSITION:
      if (composing_) delegate_->OnViewCommit(std::wstring());
      composing_ = false;
      break;
    case WM_IME_CHAR:
      // The finished text arrived with the composition already.
      return 0;
    case WM_DESTROY: {
      surface_->Detach();
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      Delegate* delegate = delegate_;
      window_.release();
      delegate_ = nullptr;
      if (delegate) delegate->OnViewDestroyed();
      return 0;
    }
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace remote
