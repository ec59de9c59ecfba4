#pragma once

#include "include/cef_browser.h"

class CefLoadHandler : public virtual CefBaseRefCounted {
 public:
  virtual void OnLoadingStateChange(CefRefPtr<CefBrowser> browser, bool is_loading, bool can_go_back,
                                    bool can_go_forward) {}
  virtual void OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                           CefLoadHandlerTransitionType transition_type) {}
  virtual void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, int http_status_code) {}
  virtual void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefLoadHandlerErrorCode error_code,
                           const CefString& error_text, const CefString& failed_url) {}
};
