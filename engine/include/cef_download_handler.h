#pragma once

#include "include/cef_browser.h"

// Handed on to the application unread.
class CefDownloadItem : public virtual CefBaseRefCounted {};
class CefBeforeDownloadCallback : public virtual CefBaseRefCounted {};
class CefDownloadItemCallback : public virtual CefBaseRefCounted {};

class CefDownloadHandler : public virtual CefBaseRefCounted {
 public:
  virtual void OnBeforeDownload(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                                const CefString& suggested_name, CefRefPtr<CefBeforeDownloadCallback> callback) {}
  virtual void OnDownloadUpdated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                                 CefRefPtr<CefDownloadItemCallback> callback) {}
};
