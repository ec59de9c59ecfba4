#include "app/basic_form.h"

#include <utility>

#include "app/portal.h"
#include "app/window_messages.h"
#include "app/window_names.h"
#include "ui/core/box.h"
#include "ui/core/control.h"

namespace tarnwell {

void BasicForm::WindowRef::Reset(ui::Window* window) {
  window_ = window;
  flag_ = window ? window->GetWeakFlag() : std::weak_ptr<qbase::WeakFlag>();
}

BasicForm::BasicForm(std::wstring config_path) : config_path_(std::move(config_path)) {}

BasicForm::~BasicForm() = default;

std::wstring BasicForm::GetWindowClassName() const { return kStartWindowName; }

std::wstring BasicForm::GetSkinFolder() { return L"cef"; }

std::wstring BasicForm::GetSkinFile() { return L"basic.xml"; }

void BasicForm::InitWindow() {
  ::SetWindowTextW(GetHWND(), L"Tarnwell");
  if (auto* root = dynamic_cast<ui::Box*>(GetRoot())) {
    root->AttachBubbledEvent(ui::kEventClick, ToWeakCallback([this](ui::EventArgs* args) { return OnClicked(args); }));
  }
  identity_ = ReadPlayerIdentity(config_path_);
  login_address_ = LoginAddress();
}

LRESULT BasicForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_MOVE:
      // A hidden start window has no place for the login window to follow.
      if (login_window_.Get() && ::IsWindowVisible(GetHWND()))
        PlaceLoginWindow(SWP_NOACTIVATE | SWP_SHOWWINDOW, HWND_TOP);
      break;
    case OpenGameMessage:
      OnOpenGame(lparam);
      break;
    case BackToStartMessage:
      ShowWindow(true, true);
      break;
    default:
      break;
  }
  return WindowImplBase::HandleMessage(message, wparam, lparam);
}

LRESULT BasicForm::OnClose(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  // The start window is the program: closing it ends the UI loop at once.
  ::PostQuitMessage(0);
  handled = false;
  return 0;
}

bool BasicForm::OnClicked(ui::EventArgs* args) {
  if (!args->sender || args->sender->GetName() != L"btn_close") return true;
  if (ui::Window* login = login_window_.Get()) {
    login->SetPos(ui::Rect(), false, SWP_NOACTIVATE | SWP_HIDEWINDOW, GetHWND());
    login->Close(1);
  }
  Close(1);
  return true;
}

void BasicForm::OnOpenGame(LPARAM lparam) {
  // Taking the address frees it when this returns; a parameter that
  // PostOpenGame did not hand out is refused without being touched.
  std::unique_ptr<std::wstring> address = TakeOpenGameAddress(lparam);
}

void BasicForm::PlaceLoginWindow(UINT flags, HWND insert_after) {
  ui::Window* login = login_window_.Get();
  RECT ours = {};
  if (!login || !::GetWindowRect(GetHWND(), &ours)) return;
  // The login window keeps its size; the shadow margins are added back by
  // SetPos, so the size is taken without them.
  ui::Rect visible = login->GetWindowPos(false);
  ui::Rect target(ours.left + kLoginOffsetX, ours.top + kLoginOffsetY, ours.left + kLoginOffsetX + visible.Width(),
                  ours.top + kLoginOffsetY + visible.Height());
  login->SetPos(target, false, flags, insert_after, true);
}

}  // namespace tarnwell
