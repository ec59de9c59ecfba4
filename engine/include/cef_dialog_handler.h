#pragma once

#include <vector>

#include "include/cef_browser.h"

// Handed on to the application unread.
class CefFileDialogCallback : public virtual CefBaseRefCounted {};

class CefDialogHandler : public virtual CefBaseRefCounted {
 public:
  // True: the client shows its own dialog and answers the callback.
  virtual bool OnFileDialog(CefRefPtr<CefBrowser> browser, CefDialogHandlerFileDialogMode mode, const CefString& title,
                            const CefString& default_file_path, const std::vector<CefString>& accept_filters,
                            int selected_accept_filter, CefRefPtr<CefFileDialogCallback> callback) {
    return false;
  }
};
