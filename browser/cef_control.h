#pragma once

#include "browser/cef_control_base.h"
#include "browser/memory_bitmap.h"
#include "ui/core/window.h"

namespace qiv_comp {

// A browser rendered off-screen: the engine's frames are copied into memory
// bitmaps and drawn in the control's paint step, and the window's input is
// handed to the engine through a message filter.
class CefControl : public CefControlBase, public ui::IUIMessageFilter {
 public:
  CefControl();
  ~CefControl() override;

  using CefControlBase::SetWindow;
  void SetWindow(ui::ControlHost* window, ui::Box* parent, bool init) override;
  void Init() override;
  void SetPos(ui::Rect rect) override;
  void HandleEvent(ui::EventArgs* args) override;
  void Paint(ui::IRenderContext* context, const ui::Rect& dirty) override;

  // |view| must be another CefControl: the tools show in its browser.
  bool AttachDevTools(ui::Control* view) override;
  void ReCreateBrowser() override;

  // HandlerDelegate, on the UI thread.
  void OnPaint(CefRefPtr<CefBrowser> browser, cef_paint_element_type_t type,
               const CefRenderHandler::RectList& dirty_rects, const std::string* buffer, int width,
               int height) override;
  void OnPopupShow(CefRefPtr<CefBrowser> browser, bool show) override;
  void OnPopupSize(CefRefPtr<CefBrowser> browser, const CefRect& rect) override;
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;

  // IUIMessageFilter: input for the page while the control is visible,
  // enabled and has a browser.
  LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;

  const MemoryBitmap& view_bitmap() const { return view_bitmap_; }
  const MemoryBitmap& popup_bitmap() const { return popup_bitmap_; }
  const CefRect& popup_rect() const { return popup_rect_; }

 private:
  ui::Window* HostWindow() const { return dynamic_cast<ui::Window*>(window_); }
  HDC ReferenceDc() const;
  CefRefPtr<CefBrowserHost> Host() const;
  void ApplyVisibility() override;

  MemoryBitmap view_bitmap_;
  MemoryBitmap popup_bitmap_;
  CefRect popup_rect_;
  bool creating_browser_ = false;
};

}  // namespace qiv_comp
