#pragma once

#include <vector>

#include "include/cef_browser.h"
#include "include/cef_drag_handler.h"

struct CefCursorInfo {
  CefPoint hotspot;
  float image_scale_factor = 1.0f;
  void* buffer = nullptr;
  CefSize size;
};

// Windowless browsers draw through this handler: BGRA rows, top-down,
// 4 bytes per pixel without padding.
class CefRenderHandler : public virtual CefBaseRefCounted {
 public:
  using RectList = std::vector<CefRect>;

  virtual bool GetRootScreenRect(CefRefPtr<CefBrowser> browser, CefRect& rect) { return false; }
  virtual void GetViewRect(CefRefPtr<CefBrowser> browser, CefRect& rect) = 0;
  virtual bool GetScreenPoint(CefRefPtr<CefBrowser> browser, int view_x, int view_y, int& screen_x, int& screen_y) {
    return false;
  }
  virtual bool GetScreenInfo(CefRefPtr<CefBrowser> browser, CefScreenInfo& screen_info) { return false; }
  virtual void OnPopupShow(CefRefPtr<CefBrowser> browser, bool show) {}
  virtual void OnPopupSize(CefRefPtr<CefBrowser> browser, const CefRect& rect) {}
  virtual void OnPaint(CefRefPtr<CefBrowser> browser, cef_paint_element_type_t type, const RectList& dirty_rects,
                       const void* buffer, int width, int height) = 0;
  virtual void OnAcceleratedPaint(CefRefPtr<CefBrowser> browser, cef_paint_element_type_t type,
                                  const RectList& dirty_rects, void* shared_handle) {}
  virtual void OnCursorChange(CefRefPtr<CefBrowser> browser, CefCursorHandle cursor, CefRenderHandlerCursorType type,
                              const CefCursorInfo& custom_cursor_info) {}
  virtual bool StartDragging(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDragData> drag_data,
                             CefRenderHandlerDragOperation allowed_ops, int x, int y) {
    return false;
  }
  virtual void UpdateDragCursor(CefRefPtr<CefBrowser> browser, CefRenderHandlerDragOperation operation) {}
  virtual void OnScrollOffsetChanged(CefRefPtr<CefBrowser> browser, double x, double y) {}
  virtual void OnImeCompositionRangeChanged(CefRefPtr<CefBrowser> browser, const CefRange& selected_range,
                                            const RectList& character_bounds) {}
  virtual void OnTextSelectionChanged(CefRefPtr<CefBrowser> browser, const CefString& selected_text,
                                      const CefRange& selected_range) {}
  virtual void OnVirtualKeyboardRequested(CefRefPtr<CefBrowser> browser, CefRenderHandlerTextInputMode input_mode) {}
};
