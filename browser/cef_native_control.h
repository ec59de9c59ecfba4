#pragma once

#include "browser/cef_control_base.h"

namespace qiv_comp {

// A browser whose page is a native child window of the host window, moved,
// shown and sized with the control. Its host window must not be layered:
// child windows do not show in a layered window.
class CefNativeControl : public CefControlBase {
 public:
  // Window style of the browser's child window: WS_CHILD, WS_VISIBLE,
  // WS_CLIPSIBLINGS, WS_CLIPCHILDREN and WS_TABSTOP.
  static constexpr DWORD kBrowserWindowStyle = 0x56010000;
  // What the host window gains so that it never paints over the browser.
  static constexpr DWORD kHostClipStyles = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

  CefNativeControl();
  ~CefNativeControl() override;

  using CefControlBase::SetWindow;
  void SetWindow(ui::ControlHost* window, ui::Box* parent, bool init) override;
  void Init() override;
  void SetPos(ui::Rect rect) override;
  void HandleEvent(ui::EventArgs* args) override;

  // Opens the tools in a top-level window of their own ("cef_devtools");
  // |view| is not used.
  bool AttachDevTools(ui::Control* view) override;
  void DetachDevTools() override;
  void ReCreateBrowser() override;

  // Nothing is painted off-screen here.
  void OnPaint(CefRefPtr<CefBrowser>, cef_paint_element_type_t, const CefRenderHandler::RectList&, const std::string*,
               int, int) override {}
  void OnPopupShow(CefRefPtr<CefBrowser>, bool) override {}
  void OnPopupSize(CefRefPtr<CefBrowser>, const CefRect&) override {}
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;

 private:
  HWND BrowserWindow() const;
  // A hidden control keeps its browser window shown at 0 x 0 instead of
  // hiding it; the next SetPos gives it its size back.
  void ApplyVisibility() override;
  void AddHostClipStyles();

  bool creating_browser_ = false;
  // The tools' own client, and whether their browser has come.
  CefRefPtr<BrowserHandler> devtools_client_;
  bool devtools_shown_ = false;
};

}  // namespace qiv_comp
