#pragma once

#include "include/cef_browser.h"

class CefDownloadItem : public virtual CefBaseRefCounted {
 public:
  virtual CefString GetURL() = 0;
};

class CefBeforeDownloadCallback : public virtual CefBaseRefCounted {
 public:
  virtual void Continue(const CefString& download_path, bool show_dialog) = 0;
};

class CefDownloadItemCallback : public virtual CefBaseRefCounted {
 public:
  virtual void Cancel() = 0;
};

class CefDownloadHandler : public virtual CefBaseRefCounted {
 public:
  virtual void OnBeforeDownload(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                                const CefString& suggested_name, CefRefPtr<CefBeforeDownloadCallback> callback) {}
  virtual void OnDownloadUpdated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                                 CefRefPtr<CefDownloadItemCallback> callback) {}
};
