#include "browser/shadow_wnd.h"

namespace qiv_comp {

ShadowWnd::ShadowWnd(ui::Window* owner)
    : owner_(owner), owner_alive_(owner ? owner->GetWeakFlag() : std::weak_ptr<qbase::WeakFlag>()) {}

HWND ShadowWnd::Create(HWND owner_window) {
  owner_window_ = owner_window;
  return ui::WindowImplBase::Create(nullptr, L"ShadowWindow", kStyle, kExStyle, true, ui::Rect());
}

void ShadowWnd::OnFinalMessage(HWND hwnd) {
  // The owner must not call a filter that is about to go.
  if (!owner_alive_.expired() && owner_) owner_->RemoveMessageFilter(this);
  ui::WindowImplBase::OnFinalMessage(hwnd);
}

void ShadowWnd::FollowOwner() {
  HWND shadow = GetHWND();
  if (!shadow || !::IsWindow(owner_window_)) return;
  if (!::IsWindowVisible(owner_window_) || ::IsIconic(owner_window_) || ::IsZoomed(owner_window_)) {
    if (::IsWindowVisible(shadow)) ::ShowWindow(shadow, SW_HIDE);
    return;
  }
  RECT owner = {};
  ::GetWindowRect(owner_window_, &owner);
  // The shadow is drawn in the window's margins, so the window reaches past
  // the owner by them.
  ui::Rect rect(owner);
  rect.Inflate(GetShadowCorner());
  // The owner's every paint comes here; a shadow already in place is left
  // alone, as moving a window costs more than the paint itself.
  RECT current = {};
  ::GetWindowRect(shadow, &current);
  if (::IsWindowVisible(shadow) && ui::Rect(current) == rect && ::GetWindow(owner_window_, GW_HWNDNEXT) == shadow) {
    return;
  }
  ::SetWindowPos(shadow, owner_window_, rect.left, rect.top, rect.Width(), rect.Height(),
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

LRESULT ShadowWnd::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  HWND shadow = GetHWND();
  if (!shadow || !::IsWindow(owner_window_)) return 0;
  switch (message) {
    case WM_MOVE:
    case WM_SIZE:
    case WM_ACTIVATE:
    case WM_PAINT:
    case WM_ERASEBKGND:
    case WM_NCACTIVATE:
    case WM_WINDOWPOSCHANGED:
      FollowOwner();
      break;
    case WM_SHOWWINDOW:
      if (wparam) {
        ShowWindow(true, false);
        FollowOwner();
      } else {
        ShowWindow(false, false);
      }
      break;
    case WM_CLOSE:
      ShowWindow(false, false);
      Close(IDOK);
      break;
    case WM_DESTROY:
      // An owner destroyed without closing takes its shadow with it, rather
      // than leaving it on the screen.
      ::DestroyWindow(shadow);
      break;
    default:
      break;
  }
  return 0;
}

ShadowWndBase::ShadowWndBase() : shadow_(new ShadowWnd(this)) {
  shadow_alive_ = shadow_->GetWeakFlag();
  AddMessageFilter(shadow_);
}

ShadowWndBase::~ShadowWndBase() {
  if (shadow_alive_.expired()) return;
  RemoveMessageFilter(shadow_);
  // A shadow with a native window deletes itself with it.
  if (HWND shadow = shadow_->GetHWND())
    ::DestroyWindow(shadow);
  else
    delete shadow_;
}

ShadowWnd* ShadowWndBase::GetShadow() const { return shadow_alive_.expired() ? nullptr : shadow_; }

HWND ShadowWndBase::Create(HWND parent, const std::wstring& name, DWORD style, DWORD ex_style, bool layered,
                           const ui::Rect& rect) {
  HWND hwnd = ui::WindowImplBase::Create(parent, name, style, ex_style, false, rect);
  if (!hwnd) return nullptr;
  ShadowWnd* shadow = GetShadow();
  if (!shadow) return hwnd;
  HWND shadow_window = shadow->Create(hwnd);
  if (!shadow_window) {
    // One refused while it was being made has deleted itself already.
    if (!shadow_alive_.expired()) {
      RemoveMessageFilter(shadow_);
      delete shadow_;
    }
    return hwnd;
  }
  // It never takes input: clicks go through it to whatever lies below.
  ::EnableWindow(shadow_window, FALSE);
  if (::IsWindowVisible(hwnd)) shadow->FollowOwner();
  return hwnd;
}

}  // namespace qiv_comp
