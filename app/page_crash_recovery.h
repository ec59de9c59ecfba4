#pragma once

#include <string>

#include "app/reload_rate_limit.h"
#include "base/weak_callback.h"

namespace ui {
class Control;
class Window;
}  // namespace ui

namespace qiv_comp {
class CefControlBase;
}

namespace tarnwell {

// What a client window does when the renderer of its page dies: it reloads
// the page, but only as often as ReloadRateLimit allows; after that it lays
// the skin's message over the page, whose button tries once more. Owned by
// the window, UI thread only.
class PageCrashRecovery : public qbase::SupportWeakCallback {
 public:
  // Names in the skin: the hidden message over the page and its button.
  static constexpr wchar_t kMessageName[] = L"page_crashed";
  static constexpr wchar_t kRetryButtonName[] = L"btn_page_retry";

  PageCrashRecovery() = default;
  PageCrashRecovery(const PageCrashRecovery&) = delete;
  PageCrashRecovery& operator=(const PageCrashRecovery&) = delete;

  // Finds the message in |window|'s layout and hears its button. Without a
  // message the page is still reloaded, and left as it is after the limit.
  // |address| is what the window loads first.
  void Attach(ui::Window* window, qiv_comp::CefControlBase* page, std::wstring address);

  // True when the message shows now, the reloads spent.
  bool OnPageCrashed();
  // A page that loaded again, whoever reloaded it, needs no message. The
  // reloads counted so far stay counted: a page that dies soon after each
  // load must still run out of them.
  void OnLoadEnd();
  // The button: the page comes back and is reloaded at once.
  void TryAgain();

  bool IsMessageShown() const;
  ReloadRateLimit& rate_limit() { return rate_limit_; }

 private:
  static void Reload(qiv_comp::CefControlBase* page, const std::wstring& address);
  void ShowMessage(bool show);

  qiv_comp::CefControlBase* page_ = nullptr;
  ui::Control* message_ = nullptr;
  std::wstring address_;
  ReloadRateLimit rate_limit_;
};

}  // namespace tarnwell
