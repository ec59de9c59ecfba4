#pragma once

#include <windows.h>

#include <string>

#include "ui/core/window.h"

namespace ui {

// The base of every application window: a borderless skinned frame whose
// content is the layout file a derived class names. It wires the caption
// buttons ("closebtn", "minbtn", "maxbtn", "restorebtn"), answers hit tests
// for caption and resize borders itself, keeps a maximised window on the
// work area, applies the rounded region and routes each message to a
// handler a derived class may replace. Handlers clear |handled| to let the
// message go on to the host window. The object deletes itself after its
// native window's last message.
class WindowImplBase : public Window, public IUIMessageFilter, public virtual qbase::SupportWeakCallback {
 public:
  WindowImplBase();
  ~WindowImplBase() override;

  // Window
  UINT GetClassStyle() const override { return CS_DBLCLKS; }
  void OnFinalMessage(HWND hwnd) override;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  // Called once the layout is attached.
  virtual void InitWindow() {}
  virtual LONG GetStyle();
  virtual std::wstring GetResourceID() const { return std::wstring(); }
  // Element names the markup builder does not know; null to skip them.
  virtual Control* CreateControl(const std::wstring& element_name) { return nullptr; }

  virtual LRESULT OnClose(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnDestroy(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnNcActivate(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnNcCalcSize(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnWindowPosChanging(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnNcPaint(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnNcLButtonDbClick(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnNcHitTest(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnGetMinMaxInfo(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnMouseWheel(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnMouseHover(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnDpiChanged(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnSize(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnChar(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnSysCommand(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnKeyDown(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnKillFocus(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnSetFocus(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnLButtonDown(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnLButtonUp(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnMouseMove(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  // Restores, shows and brings the window to the foreground.
  virtual void ActiveWindow();
  virtual void SetTaskbarTitle(const std::wstring& title);
  // Folder of the layout below the theme folder, and the layout file in it.
  virtual std::wstring GetSkinFolder() = 0;
  virtual std::wstring GetSkinFile() = 0;

  // IUIMessageFilter: nothing is filtered unless a derived window says so.
  LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override {
    handled = false;
    return 0;
  }

  // The message box text for a layout that cannot be loaded.
  static std::wstring FormatLoadFailure(const std::wstring& layout_path);

 protected:
  // WM_CREATE: builds the layout; -1 refuses the window when it fails.
  LRESULT OnCreate(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  // Click handler of the caption buttons.
  bool OnButtonClick(EventArgs* args);
};

}  // namespace ui
