#include "app/page_crash_recovery.h"

#include "base/thread_registry.h"
#include "browser/cef_control_base.h"
#include "ui/core/window.h"

namespace tarnwell {

void PageCrashRecovery::Attach(ui::Window* window, qiv_comp::CefControlBase* page) {
  page_ = page;
  message_ = window ? window->FindControl(kMessageName) : nullptr;
  ui::Control* retry = message_ ? window->FindSubControlByName(message_, kRetryButtonName) : nullptr;
  if (retry) {
    retry->AttachEvent(ui::kEventClick, ToWeakCallback([this](ui::EventArgs*) {
                         TryAgain();
                         return true;
                       }));
  }
}

void PageCrashRecovery::OnPageCrashed() {
  if (!page_) return;
  if (!rate_limit_.TryReload()) {
    ShowMessage(true);
    return;
  }
  // Not from inside the engine's report: the browser is still telling its
  // handlers. The control may go with its window before the task runs.
  qiv_comp::CefControlBase* page = page_;
  qbase::ThreadRegistry::PostTask(qbase::UiThreadId, page->ToWeakCallback([page] { page->Refresh(); }));
}

void PageCrashRecovery::OnLoadEnd() {
  if (IsMessageShown()) ShowMessage(false);
}

void PageCrashRecovery::TryAgain() {
  if (!page_) return;
  ShowMessage(false);
  page_->Refresh();
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
