#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/player_identity.h"
#include "base/weak_callback.h"
#include "ui/core/rect.h"
#include "ui/core/window_impl_base.h"

namespace tarnwell {

class CefForm;
class CefGameForm;

// The start window: the game's start picture, with the login window kept at
// a fixed place over its right part. Closing it ends the program.
class BasicForm : public ui::WindowImplBase {
 public:
  // Where the login window's top-left corner sits, from ours.
  static constexpr int kLoginOffsetX = 550;
  static constexpr int kLoginOffsetY = 252;

  explicit BasicForm(std::wstring config_path = ConfigFilePath());
  ~BasicForm() override;

  std::wstring GetWindowClassName() const override;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void InitWindow() override;
  LRESULT OnClose(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;
  std::wstring GetSkinFolder() override;
  std::wstring GetSkinFile() override;

  const std::wstring& user_id() const { return identity_.user_id; }
  const std::wstring& file_name() const { return identity_.file_name; }
  const std::wstring& login_address() const { return login_address_; }
  // The windows this one made, while they live.
  CefForm* login_window() const { return login_window_.Get(); }
  CefGameForm* game_window() const { return game_window_.Get(); }

 private:
  // A window we did not create the lifetime of: it deletes itself, so the
  // pointer is only used while the window's own weak flag lives.
  template <typename T>
  class WindowRef {
   public:
    void Reset(T* window) {
      window_ = window;
      flag_ = window ? window->GetWeakFlag() : std::weak_ptr<qbase::WeakFlag>();
    }
    T* Get() const { return flag_.expired() ? nullptr : window_; }

   private:
    T* window_ = nullptr;
    std::weak_ptr<qbase::WeakFlag> flag_;
  };

  bool OnClicked(ui::EventArgs* args);
  void OnOpenGame(LPARAM lparam);
  void OnBackToStart();
  void CreateLoginWindow();
  // Puts the login window at the fixed offset from our outer top-left.
  void PlaceLoginWindow(UINT flags, HWND insert_after);

  WindowRef<CefForm> login_window_;
  WindowRef<CefGameForm> game_window_;
  std::wstring config_path_;
  PlayerIdentity identity_;
  std::wstring login_address_;
};

}  // namespace tarnwell
