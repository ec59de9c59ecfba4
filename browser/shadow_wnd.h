#pragma once

#include <windows.h>

#include <memory>

#include "ui/core/window_impl_base.h"

namespace qiv_comp {

// A layered, click-through window directly behind its owner that draws the
// shadow of its skin round the owner's rectangle. It watches the owner's
// messages as one of its filters and follows its place, z-order, showing,
// hiding and closing; it never marks a message handled.
class ShadowWnd : public ui::WindowImplBase {
 public:
  // Caption, system menu, sizing frame and minimise box, as the client's
  // frame windows; tool window and transparent to the mouse.
  static constexpr DWORD kStyle = 0x00CE0000;
  static constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT;

  explicit ShadowWnd(ui::Window* owner);

  std::wstring GetWindowClassName() const override { return L"ShadowWindow"; }
  std::wstring GetSkinFolder() override { return L"shadow"; }
  std::wstring GetSkinFile() override { return L"shadow.xml"; }
  void OnFinalMessage(HWND hwnd) override;

  // Creates the native window, layered, with no parent.
  HWND Create(HWND owner_window);
  HWND GetOwnerWindow() const { return owner_window_; }
  // Moves behind the owner, round its rectangle, and shows; hidden while
  // the owner is hidden, minimised or maximised (no edge to shade then).
  void FollowOwner();

  // The owner's messages.
  LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;

 private:
  using ui::WindowImplBase::Create;

  ui::Window* owner_;
  std::weak_ptr<qbase::WeakFlag> owner_alive_;
  HWND owner_window_ = nullptr;
};

// A frame window with a ShadowWnd of its own. It is always created
// non-layered, whatever the caller asks: browsers show as child windows,
// which a layered window cannot hold; the shadow is the layered part.
class ShadowWndBase : public ui::WindowImplBase {
 public:
  ShadowWndBase();
  ~ShadowWndBase() override;

  HWND Create(HWND parent, const std::wstring& name, DWORD style, DWORD ex_style, bool layered = true,
              const ui::Rect& rect = ui::Rect()) override;
  // Null once the shadow's native window is gone.
  ShadowWnd* GetShadow() const;

 private:
  ShadowWnd* shadow_;
  std::weak_ptr<qbase::WeakFlag> shadow_alive_;
};

}  // namespace qiv_comp
