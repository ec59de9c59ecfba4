#pragma once

#include <windows.h>

#include <string>

#include "ui/core/window_impl_base.h"

namespace qiv_comp {

// A small message window: the text, a close button while the mouse is over
// it, and its own end after three seconds, on Escape or a double click.
// Pages can ask for toasts at any rate, so only the newest few live at
// once and the text shown is cut to a readable length.
class Toast : public ui::WindowImplBase {
 public:
  static constexpr int kCloseDelayMs = 3000;
  // Characters of a text that show; a longer one ends in an ellipsis.
  static constexpr size_t kMaxTextLength = 2000;
  // Toasts alive at once; a newer one replaces the oldest.
  static constexpr size_t kMaxToasts = 3;
  // CS_VREDRAW, CS_HREDRAW and CS_DBLCLKS.
  static constexpr UINT kClassStyle = 11;

  Toast() = default;
  ~Toast() override;

  // Shows |text| centred over |parent| with the focus; null when the window
  // could not be made. |close_delay_ms| is for those who cannot wait.
  static Toast* ShowToast(const std::wstring& text, HWND parent, int close_delay_ms = kCloseDelayMs);
  // The toasts alive now, oldest first.
  static std::vector<Toast*> LiveToasts();

  std::wstring GetWindowClassName() const override { return L"Toast"; }
  UINT GetClassStyle() const override { return kClassStyle; }
  std::wstring GetSkinFolder() override { return L"toast"; }
  std::wstring GetSkinFile() override { return L"toast.xml"; }
  void InitWindow() override;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnFinalMessage(HWND hwnd) override;
  // A second close while the first fades changes nothing.
  void Close(UINT result = IDOK) override;

  // Sets the text and gives the content the height the text needs.
  void SetContent(const std::wstring& text);
  void StartCloseTimer(int delay_ms = kCloseDelayMs);
  bool IsClosing() const { return closing_; }
  ui::Control* GetContent() const { return content_; }
  ui::Control* GetCloseButton() const { return close_button_; }

 private:
  bool OnClicked(ui::EventArgs* args);
  void ShowCloseButton(bool show);

  ui::Control* content_ = nullptr;
  ui::Control* close_button_ = nullptr;
  bool closing_ = false;
};

}  // namespace qiv_comp
