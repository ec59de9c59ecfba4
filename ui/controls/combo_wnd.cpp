#include "ui/controls/combo_wnd.h"

#include "ui/controls/combo.h"
#include "ui/controls/list_box.h"
#include "ui/core/box.h"

namespace ui {

bool CComboWnd::Open(Combo* owner, const Rect& screen_rect) {
  owner_ = owner;
  list_ = owner->GetListBox();
  list_home_ = owner->GetWindow();
  HWND owner_window = list_home_ ? list_home_->GetHWND() : nullptr;
  if (!owner_window) return false;
  SetShadowAttached(false);
  if (!Create(owner_window, std::wstring(), WS_POPUP | WS_CLIPSIBLINGS, WS_EX_TOOLWINDOW, false, screen_rect))
    return false;
  ::ShowWindow(GetHWND(), SW_SHOW);
  ::SetFocus(GetHWND());
  // The window the combo is in still looks active while its list is open.
  ::SendMessageW(::GetAncestor(owner_window, GA_ROOT), WM_NCACTIVATE, TRUE, 0);
  return true;
}

LRESULT CComboWnd::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE: {
      Init(GetHWND());
      // The list is lent, not given: the box never destroys it.
      root_box_ = new Box();
      root_box_->SetAutoDestroy(false);
      AttachRoot(root_box_);
      if (list_) root_box_->Add(list_);
      return 0;
    }
    case WM_KILLFOCUS:
      ::PostMessageW(GetHWND(), WM_CLOSE, 0, 0);
      break;
    case WM_KEYDOWN:
      if (wparam == VK_ESCAPE) {
        ::PostMessageW(GetHWND(), WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    default:
      break;
  }
  return Window::HandleMessage(message, wparam, lparam);
}

void CComboWnd::ReturnList() {
  if (!list_ || !root_box_) return;
  root_box_->Remove(list_);
  // Out of this window, whose controls it must no longer name.
  list_->SetWindow(list_home_, nullptr, false);
  list_ = nullptr;
}

void CComboWnd::OnFinalMessage(HWND hwnd) {
  ReturnList();
  Window::OnFinalMessage(hwnd);
  if (Combo* owner = owner_) {
    owner_ = nullptr;
    owner->PopupClosed();
  }
  delete this;
}

}  // namespace ui
