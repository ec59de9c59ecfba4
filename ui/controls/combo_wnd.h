#pragma once

#include "ui/core/window.h"

namespace ui {

class Combo;
class ControlHost;
class ListBox;

// The popup of an open combo: a borderless tool window owned by the
// combo's window that holds the combo's list while it is open and hands it
// back when it closes. It closes when it loses the focus and deletes
// itself after its last message.
class CComboWnd : public Window {
 public:
  static constexpr const wchar_t* kClassName = L"ComboWnd";

  // Creates and shows the popup at |screen_rect|; false when it could not.
  bool Open(Combo* owner, const Rect& screen_rect);
  // The combo goes first: the popup closes without reaching back to it.
  void Detach() { owner_ = nullptr; }

  // Window
  std::wstring GetWindowClassName() const override { return kClassName; }
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnFinalMessage(HWND hwnd) override;
  void OnInitLayout() override {}

 private:
  void ReturnList();

  Combo* owner_ = nullptr;
  ListBox* list_ = nullptr;
  ControlHost* list_home_ = nullptr;
  Box* root_box_ = nullptr;
};

}  // namespace ui
