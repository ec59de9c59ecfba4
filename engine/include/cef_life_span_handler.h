#pragma once

#include "include/cef_browser.h"
#include "include/cef_values.h"

class CefClient;

class CefLifeSpanHandler : public virtual CefBaseRefCounted {
 public:
  // On the engine's UI thread. True cancels the pop-up; false lets the
  // engine open it with the (possibly changed) window information and client.
  virtual bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& target_url,
                             const CefString& target_frame_name,
                             CefLifeSpanHandlerWindowOpenDisposition target_disposition, bool user_gesture,
                             const CefPopupFeatures& popup_features, CefWindowInfo& window_info,
                             CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                             CefRefPtr<CefDictionaryValue>& extra_info, bool* no_javascript_access) {
    return false;
  }
  virtual void OnAfterCreated(CefRefPtr<CefBrowser> browser) {}
  // False lets the close go ahead.
  virtual bool DoClose(CefRefPtr<CefBrowser> browser) { return false; }
  // Exactly once per created browser; the browser is gone afterwards.
  virtual void OnBeforeClose(CefRefPtr<CefBrowser> browser) {}
};
