#pragma once

#include "include/cef_browser.h"

class CefJSDialogCallback : public virtual CefBaseRefCounted {};

class CefJSDialogHandler : public virtual CefBaseRefCounted {
 public:
  // Setting suppress_message and returning false answers the page at once
  // without showing anything.
  virtual bool OnJSDialog(CefRefPtr<CefBrowser> browser, const CefString& origin_url,
                          CefJSDialogHandlerJSDialogType dialog_type, const CefString& message_text,
                          const CefString& default_prompt_text, CefRefPtr<CefJSDialogCallback> callback,
                          bool& suppress_message) {
    return false;
  }
  virtual bool OnBeforeUnloadDialog(CefRefPtr<CefBrowser> browser, const CefString& message_text, bool is_reload,
                                    CefRefPtr<CefJSDialogCallback> callback) {
    return false;
  }
  virtual void OnResetDialogState(CefRefPtr<CefBrowser> browser) {}
  virtual void OnDialogClosed(CefRefPtr<CefBrowser> browser) {}
};
