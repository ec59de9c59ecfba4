#pragma once

#include <windows.h>

#include <string>

#include "app/page_crash_recovery.h"
#include "browser/shadow_wnd.h"
#include "ui/controls/label.h"

namespace qiv_comp {
class CefControlBase;
}

namespace tarnwell {

// The game window: the game page maximised, titled from its address, with
// thin edge strips and maximise/restore buttons that follow the window's
// state. However it closes, the player returns to the start window.
class CefGameForm : public qiv_comp::ShadowWndBase {
 public:
  // Shows the window maximised when it fires; nothing in the client sets it.
  static constexpr UINT_PTR kMaximizeTimerId = 1001;

  explicit CefGameForm(std::wstring game_address);
  ~CefGameForm() override;

  // The start window, which hears BackToStartMessage; set before Create.
  void SetOwnerWindow(HWND owner) { owner_window_ = owner; }

  std::wstring GetWindowClassName() const override;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void InitWindow() override;
  ui::Control* CreateControl(const std::wstring& element_name) override;
  LRESULT OnClose(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;
  std::wstring GetSkinFolder() override { return L"cef"; }
  std::wstring GetSkinFile() override { return L"game.xml"; }

  qiv_comp::CefControlBase* GetBrowserControl() const { return cef_control_; }
  const std::wstring& GetGameAddress() const { return game_address_; }
  PageCrashRecovery& page_crash_recovery() { return crash_recovery_; }

 private:
  bool OnClicked(ui::EventArgs* args);
  void OnSize(WPARAM size_kind);
  void SetStripThickness(int thickness);
  // Tells the start window to come back, once per window.
  void ReturnToStart();

  qiv_comp::CefControlBase* cef_control_ = nullptr;
  const std::wstring game_address_;
  HWND owner_window_ = nullptr;
  ui::Label* title_label_ = nullptr;
  ui::Control* left_strip_ = nullptr;
  ui::Control* right_strip_ = nullptr;
  ui::Control* bottom_strip_ = nullptr;
  ui::Control* max_button_ = nullptr;
  ui::Control* restore_button_ = nullptr;
  bool returned_to_start_ = false;
  PageCrashRecovery crash_recovery_;
};

}  // namespace tarnwell
