#include "app/cef_form.h"

#include "app/login_navigation.h"
#include "app/portal.h"
#include "app/show_message_box.h"
#include "app/system_browser.h"
#include "app/window_messages.h"
#include "app/window_names.h"
#include "base/thread_registry.h"
#include "browser/browser_control_factory.h"
#include "browser/cef_control_base.h"
#include "browser/cef_manager.h"
#include "ui/core/box.h"

namespace tarnwell {

CefForm::CefForm(std::wstring user_id, std::wstring file_name, std::wstring login_address)
    : user_id_(std::move(user_id)), file_name_(std::move(file_name)), login_address_(std::move(login_address)) {}

CefForm::~CefForm() {
  // The engine's thread may be inside one of our handlers: let it finish and
  // call none again before our members go.
  if (cef_control_) cef_control_->DetachAllCallbacks();
}

std::wstring CefForm::GetWindowClassName() const { return kLoginWindowName; }

std::wstring CefForm::GetStartAddress() const { return LoginAddressWithIdentity(login_address_, user_id_, file_name_); }

ui::Control* CefForm::CreateControl(const std::wstring& element_name) {
  return qiv_comp::CreateBrowserControl(element_name);
}

void CefForm::InitWindow() {
  ShowWindow(false, true);
  if (auto* root = dynamic_cast<ui::Box*>(GetRoot())) {
    root->AttachBubbledEvent(ui::kEventClick, ToWeakCallback([this](ui::EventArgs* args) { return OnClicked(args); }));
  }
  cef_control_ = dynamic_cast<qiv_comp::CefControlBase*>(FindControl(L"cef_control"));
  if (!cef_control_) return;
  cef_control_->AttachLoadEnd(ToWeakCallback([this](int status) { OnLoadEnd(status); }));
  cef_control_->AttachBeforeNavigate(
      ToWeakCallback([this](CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefRequest> request, bool) {
        return request && OnBeforeNavigate(request->GetURL().ToWString());
      }));
  cef_control_->AttachLinkClick(ToWeakCallback([this](const std::wstring& url) { return OnLinkClick(url); }));
  crash_recovery_.Attach(this, cef_control_, GetStartAddress());
  cef_control_->AttachRenderProcessTerminated(
      ToWeakCallback([this](CefRequestHandlerTerminationStatus) { OnPageCrashed(); }));
  cef_control_->LoadURL(GetStartAddress());
}

void CefForm::OnLoadEnd(int) {
  crash_recovery_.OnLoadEnd();
  // Registered once; later loads find the name taken, which is fine.
  cef_control_->RegisterNativeFunction(L"ShowMessageBox", MakeShowMessageBox(GetHWND(), GetWeakFlag()), false,
                                       TrustedPageOrigins());
  ShowWindow(true, true);
}

void CefForm::OnPageCrashed() {
  // Behind the game the page waits: the start window reloads it when the
  // player comes back, and a load now would show this window over the game.
  if (owner_window_ && !::IsWindowVisible(owner_window_)) return;
  // A page that never finished its first load never showed this window.
  if (crash_recovery_.OnPageCrashed()) ShowWindow(true, true);
}

bool CefForm::OnBeforeNavigate(const std::wstring& url) {
  switch (DecideLoginNavigation(url)) {
    case LoginNavigation::kOpenGame:
      PostOpenGame(owner_window_, url);
      return true;
    case LoginNavigation::kCancel:
      return true;
    case LoginNavigation::kAllow:
      return false;
  }
  return false;
}

bool CefForm::OnLinkClick(const std::wstring& url) {
  // On the engine's thread: the shell is asked from the UI thread, where it
  // may take its time.
  qbase::ThreadRegistry::PostTask(qbase::UiThreadId, [url] { OpenInSystemBrowser(url); });
  return true;
}

bool CefForm::OnClicked(ui::EventArgs* args) {
  if (!args || !args->sender || !cef_control_) return true;
  const std::wstring& name = args->sender->GetName();
  if (name == L"btn_dev_tool") {
    if (cef_control_->IsDevToolsAttached()) {
      cef_control_->DetachDevTools();
    } else {
      cef_control_->AttachDevTools(devtools_container_);
    }
    if (qiv_comp::CefManager::Instance()->IsOffscreenRenderingEnabled() && devtools_container_)
      devtools_container_->SetVisible(cef_control_->IsDevToolsAttached());
  } else if (name == L"btn_back") {
    cef_control_->GoBack();
  } else if (name == L"btn_forward") {
    cef_control_->GoForward();
  } else if (name == L"btn_refresh") {
    cef_control_->Refresh();
  }
  // "btn_navigate" needs an address box, which this window does not have.
  return true;
}

LRESULT CefForm::OnClose(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  if (cef_control_) cef_control_->SetVisible(false);
  qiv_comp::CefManager::Instance()->RequestQuit(0);
  handled = false;
  return 0;
}

}  // namespace tarnwell
