#include "app/cef_game_form.h"

#include "app/game_title.h"
#include "app/portal.h"
#include "app/show_message_box.h"
#include "app/window_messages.h"
#include "app/window_names.h"
#include "browser/browser_control_factory.h"
#include "browser/cef_control_base.h"
#include "browser/cef_manager.h"
#include "ui/core/box.h"
#include "ui/core/dpi_scale.h"

namespace tarnwell {

namespace {

// The edge strips are thinner when maximised: there is no edge to grab.
constexpr int kMaximizedStrip = 1;
constexpr int kRestoredStrip = 2;

}  // namespace

CefGameForm::CefGameForm(std::wstring game_address) : game_address_(std::move(game_address)) {}

CefGameForm::~CefGameForm() {
  if (cef_control_) cef_control_->DetachAllCallbacks();
}

std::wstring CefGameForm::GetWindowClassName() const { return kGameWindowName; }

ui::Control* CefGameForm::CreateControl(const std::wstring& element_name) {
  return qiv_comp::CreateBrowserControl(element_name);
}

void CefGameForm::InitWindow() {
  if (auto* root = dynamic_cast<ui::Box*>(GetRoot())) {
    root->AttachBubbledEvent(ui::kEventClick, ToWeakCallback([this](ui::EventArgs* args) { return OnClicked(args); }));
  }
  cef_control_ = dynamic_cast<qiv_comp::CefControlBase*>(FindControl(L"cef_control"));
  title_label_ = dynamic_cast<ui::Label*>(FindControl(L"label_title"));
  if (cef_control_) {
    cef_control_->AttachLoadEnd(ToWeakCallback([this](int) {
      crash_recovery_.OnLoadEnd();
      cef_control_->RegisterNativeFunction(L"ShowMessageBox", MakeShowMessageBox(GetHWND(), GetWeakFlag()), false,
                                           TrustedPageOrigins());
    }));
    // Every navigation goes ahead, and every pop-up replaces the game page.
    cef_control_->AttachBeforeNavigate(
        [](CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefRequest>, bool) { return false; });
    cef_control_->AttachLinkClick([](const std::wstring&) { return true; });
    crash_recovery_.Attach(this, cef_control_, game_address_);
    cef_control_->AttachRenderProcessTerminated(
        ToWeakCallback([this](CefRequestHandlerTerminationStatus) { crash_recovery_.OnPageCrashed(); }));
    cef_control_->LoadURL(game_address_);
  }
  CenterWindow();
  max_button_ = FindControl(L"maxbtn");
  restore_button_ = FindControl(L"restorebtn");
  if (max_button_ && restore_button_) {
    max_button_->SetVisible(false);
    restore_button_->SetVisible(true);
  }
  left_strip_ = FindControl(L"size_left");
  right_strip_ = FindControl(L"size_right");
  bottom_strip_ = FindControl(L"size_bottom");

  const std::wstring title = GameTitleFromAddress(game_address_);
  if (game_address_.find(L'|') != std::wstring::npos && title_label_) title_label_->SetText(title);
  ::SetWindowTextW(GetHWND(), title.c_str());
  // The maximised size arrived before the strips were known.
  if (::IsZoomed(GetHWND())) OnSize(SIZE_MAXIMIZED);
}

void CefGameForm::SetStripThickness(int thickness) {
  // Nothing changes without the left strip; the others may be missing.
  if (!left_strip_) return;
  const int value = ui::DpiScale::GetInstance().ScaleValue(thickness);
  if (left_strip_->GetFixedWidth() != value) left_strip_->SetFixedWidth(value, true, false);
  if (right_strip_ && right_strip_->GetFixedWidth() != value) right_strip_->SetFixedWidth(value, true, false);
  if (bottom_strip_ && bottom_strip_->GetFixedHeight() != value) bottom_strip_->SetFixedHeight(value, true, false);
}

void CefGameForm::OnSize(WPARAM size_kind) {
  if (size_kind == SIZE_MAXIMIZED) {
    SetStripThickness(kMaximizedStrip);
    return;
  }
  if (max_button_ && restore_button_) {
    max_button_->SetVisible(true);
    restore_button_->SetVisible(false);
  }
  SetStripThickness(kRestoredStrip);
}

LRESULT CefGameForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      OnSize(wparam);
      break;
    case WM_ACTIVATE:
      // The game is silent while its window is not the active one.
      if (cef_control_) {
        if (LOWORD(wparam) != WA_INACTIVE) {
          cef_control_->SetFocus();
          cef_control_->SetAudioMuted(false);
        } else {
          cef_control_->SetAudioMuted(true);
        }
      }
      break;
    case WM_TIMER:
      if (wparam == kMaximizeTimerId) {
        ::KillTimer(GetHWND(), kMaximizeTimerId);
        ::ShowWindow(GetHWND(), SW_SHOWMAXIMIZED);
        return 0;
      }
      break;
    default:
      break;
  }
  return qiv_comp::ShadowWndBase::HandleMessage(message, wparam, lparam);
}

bool CefGameForm::OnClicked(ui::EventArgs* args) {
  if (!args || !args->sender || args->sender->GetName() != L"btn_close") return true;
  ShowWindow(false, true);
  Close(1);
  ReturnToStart();
  return true;
}

void CefGameForm::ReturnToStart() {
  if (returned_to_start_ || !owner_window_) return;
  returned_to_start_ = true;
  ::PostMessageW(owner_window_, BackToStartMessage, 0, 0);
  ::PostMessageW(owner_window_, WM_MOVE, 0, 0);
}

LRESULT CefGameForm::OnClose(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  // Alt+F4, the taskbar or another program closing the window must not
  // leave the player without any window: back to the start window, as the
  // close button goes.
  ReturnToStart();
  qiv_comp::CefManager::Instance()->RequestQuit(0);
  handled = false;
  return 0;
}

}  // namespace tarnwell
