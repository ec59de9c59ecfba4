#pragma once

#include <vector>

#include "include/cef_browser.h"

class CefDragData : public virtual CefBaseRefCounted {};

struct CefDraggableRegion {
  CefRect bounds;
  int draggable = 0;
};

class CefDragHandler : public virtual CefBaseRefCounted {
 public:
  // True cancels the drag.
  virtual bool OnDragEnter(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDragData> drag_data,
                           CefDragHandlerDragOperationsMask mask) {
    return false;
  }
  virtual void OnDraggableRegionsChanged(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                         const std::vector<CefDraggableRegion>& regions) {}
};
