#pragma once

#include <vector>

#include "include/cef_browser.h"

class CefFileDialogCallback : public virtual CefBaseRefCounted {
 public:
  virtual void Continue(int selected_accept_filter, const std::vector<CefString>& file_paths) = 0;
  virtual void Cancel() = 0;
};

class CefDialogHandler : public virtual CefBaseRefCounted {
 public:
  // True: the client shows its own dialog and answers the callback.
  virtual bool OnFileDialog(CefRefPtr<CefBrowser> browser, CefDialogHandlerFileDialogMode mode,
                            const CefString& title, const CefString& default_file_path,
                            const std::vector<CefString>& accept_filters, int selected_accept_filter,
                            CefRefPtr<CefFileDialogCallback> callback) {
    return false;
  }
};
