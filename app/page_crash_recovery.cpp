#include "app/page_crash_recovery.h"

#include <utility>

#include "base/thread_registry.h"
#include "browser/cef_control_base.h"
#include "ui/core/window.h"

namespace tarnwell {

void PageCrashRecovery::Attach(ui::Window* window, qiv_comp::CefControlBase* page, std::wstring address) {
  page_ = page;
  address_ = std::move(address);
  message_ = window ? window->FindControl(kMessageName) : nullptr;
  ui::Control* retry = message_ ? window->FindSubControlByName(message_, kRetryButtonName) : nullptr;
  if (retry) {
    retry->AttachEvent(ui::kEventClick, ToWeakCallback([this](ui::EventArgs*) {
                         TryAgain();
                         return true;
                       }));
  }
}

bool PageCrashRecovery::OnPageCrashed() {
  if (!page_) return false;
  if (!rate_limit_.TryReload()) {
    ShowMessage(true);
    return IsMessageShown();
  }
  // Not from inside the engine's report: the browser is still telling its
  // handlers. The control may go with its window before the task runs.
  qiv_comp::CefControlBase* page = page_;
  qbase::ThreadRegistry::PostTask(qbase::UiThreadId,
                                  page->ToWeakCallback([page, address = address_] { Reload(page, address); }));
  return false;
}

void PageCrashRecovery::OnLoadEnd() {
  if (IsMessageShown()) ShowMessage(false);
}

void PageCrashRecovery::TryAgain() {
  if (!page_) return;
  ShowMessage(false);
  Reload(page_, address_);
}

void PageCrashRecovery::Reload(qiv_comp::CefControlBase* page, const std::wstring& address) {
  // A renderer that died during the first load leaves the blank page the
  // browser started on; reloading that would show nothing.
  const std::wstring url = page->GetURL().ToWString();
  if (url.empty() || url == L"about:blank") {
    page->LoadURL(address);
  } else {
    page->Refresh();
  }
}

bool PageCrashRecovery::IsMessageShown() const { return message_ && message_->IsVisible(); }

void PageCrashRecovery::ShowMessage(bool show) {
  if (!message_ || !page_) return;
  // The page's own window would cover anything drawn over it: it steps
  // aside while the message shows.
  page_->SetVisible(!show);
  message_->SetVisible(show);
}

}  // namespace tarnwell
