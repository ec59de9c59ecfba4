#pragma once

#include <windows.h>

#include <string>

#include "app/page_crash_recovery.h"
#include "browser/shadow_wnd.h"

namespace qiv_comp {
class CefControlBase;
}

namespace tarnwell {

// The login window: the portal's login page for the player, laid over the
// start window. It decides where the page may go, hands the game's address
// to the start window instead of going there, and shows itself whenever a
// load has ended.
class CefForm : public qiv_comp::ShadowWndBase {
 public:
  // What "ShowMessageBox" always answers.
  static constexpr char kMessageBoxAnswer[] = "{ \"message\": \"Success.\" }";

  CefForm(std::wstring user_id, std::wstring file_name, std::wstring login_address);
  ~CefForm() override;

  // The window that hears OpenGameMessage; set once, before Create.
  void SetOwnerWindow(HWND owner) { owner_window_ = owner; }

  std::wstring GetWindowClassName() const override;
  void InitWindow() override;
  ui::Control* CreateControl(const std::wstring& element_name) override;
  LRESULT OnClose(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;
  std::wstring GetSkinFolder() override { return L"cef"; }
  std::wstring GetSkinFile() override { return L"cef.xml"; }

  qiv_comp::CefControlBase* GetBrowserControl() const { return cef_control_; }
  // The address loaded at start: the login address with the identity.
  std::wstring GetStartAddress() const;
  PageCrashRecovery& page_crash_recovery() { return crash_recovery_; }

 private:
  void OnLoadEnd(int http_status_code);
  // On the engine's thread: reads nothing but what never changes.
  bool OnBeforeNavigate(const std::wstring& url);
  bool OnLinkClick(const std::wstring& url);
  bool OnClicked(ui::EventArgs* args);
  void OnPageCrashed();

  qiv_comp::CefControlBase* cef_control_ = nullptr;
  ui::Control* devtools_container_ = nullptr;
  HWND owner_window_ = nullptr;
  const std::wstring user_id_;
  const std::wstring file_name_;
  const std::wstring login_address_;
  PageCrashRecovery crash_recovery_;
};

}  // namespace tarnwell
