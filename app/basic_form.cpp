#include "app/basic_form.h"

#include <utility>

#include "app/cef_form.h"
#include "app/cef_game_form.h"
#include "app/portal.h"
#include "app/window_messages.h"
#include "app/window_names.h"
#include "browser/cef_control_base.h"
#include "browser/cef_manager.h"
#include "ui/core/box.h"
#include "ui/core/control.h"

namespace tarnwell {

namespace {

// A visible overlapped window with caption, system menu, sizing frame,
// minimise and maximise boxes.
constexpr DWORD kLoginWindowStyle = 0x10CF0000;
// The same, maximised.
constexpr DWORD kGameWindowStyle = 0x11CF0000;
constexpr UINT kPlaceHidden = SWP_NOACTIVATE | SWP_HIDEWINDOW;  // 0x0090

}  // namespace

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
  CreateLoginWindow();
}

void BasicForm::CreateLoginWindow() {
  if (login_window_.Get()) return;
  auto* login = new CefForm(identity_.user_id, identity_.file_name, login_address_);
  login->SetOwnerWindow(GetHWND());
  std::weak_ptr<qbase::WeakFlag> alive = login->GetWeakFlag();
  if (!login->Create(GetHWND(), kLoginWindowName, kLoginWindowStyle, 0,
                     qiv_comp::CefManager::Instance()->IsOffscreenRenderingEnabled(), ui::Rect())) {
    // A window refused while it was made has deleted itself already.
    if (!alive.expired()) delete login;
    return;
  }
  login_window_.Reset(login);
  // In its place from the start, even while we are not shown yet: it must
  // be there when its page has loaded.
  PlaceLoginWindow(kPlaceHidden, GetHWND());
  login->ShowWindow(false, false);
}

LRESULT BasicForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_MOVE:
      // A hidden start window has no place for the login window to follow.
      // The login window keeps its visibility: it shows itself once its
      // page has loaded, never as an empty frame before.
      if (login_window_.Get() && ::IsWindowVisible(GetHWND())) PlaceLoginWindow(SWP_NOACTIVATE, HWND_TOP);
      break;
    case WM_SHOWWINDOW:
      // We were placed while hidden (centred, say): the login window comes
      // along.
      if (wparam && login_window_.Get()) PlaceLoginWindow(SWP_NOACTIVATE | SWP_NOZORDER, nullptr);
      break;
    case OpenGameMessage:
      OnOpenGame(lparam);
      break;
    case BackToStartMessage:
      OnBackToStart();
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
  if (CefForm* login = login_window_.Get()) {
    login->SetPos(ui::Rect(), false, kPlaceHidden, GetHWND());
    login->Close(1);
  }
  Close(1);
  return true;
}

void BasicForm::OnOpenGame(LPARAM lparam) {
  // Taking the address frees it when this returns; a parameter that
  // PostOpenGame did not hand out is refused without being touched.
  std::unique_ptr<std::wstring> address = TakeOpenGameAddress(lparam);
  if (!address) return;
  auto* game = new CefGameForm(*address);
  game->SetOwnerWindow(GetHWND());
  address.reset();
  std::weak_ptr<qbase::WeakFlag> alive = game->GetWeakFlag();
  if (!game->Create(nullptr, kGameWindowName, kGameWindowStyle, 0,
                    qiv_comp::CefManager::Instance()->IsOffscreenRenderingEnabled(), ui::Rect())) {
    if (!alive.expired()) delete game;
    return;
  }
  game_window_.Reset(game);
  if (CefForm* login = login_window_.Get()) login->ShowWindow(false, true);
  ShowWindow(false, true);
}

void BasicForm::OnBackToStart() {
  // The login window shows itself again once its page has loaded anew.
  if (CefForm* login = login_window_.Get()) {
    if (qiv_comp::CefControlBase* control = login->GetBrowserControl()) control->Refresh();
  }
  ShowWindow(true, true);
}

void BasicForm::PlaceLoginWindow(UINT flags, HWND insert_after) {
  CefForm* login = login_window_.Get();
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
