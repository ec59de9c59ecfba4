#pragma once

#include "include/cef_browser.h"

class CefContextMenuParams : public virtual CefBaseRefCounted {
 public:
  virtual int GetTypeFlags() = 0;
};

class CefMenuModel : public virtual CefBaseRefCounted {
 public:
  virtual size_t GetCount() = 0;
  virtual bool Clear() = 0;
};

class CefRunContextMenuCallback : public virtual CefBaseRefCounted {};

class CefContextMenuHandler : public virtual CefBaseRefCounted {
 public:
  virtual void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                   CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model) {}
  virtual bool RunContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                              CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model,
                              CefRefPtr<CefRunContextMenuCallback> callback) {
    return false;
  }
  virtual bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                    CefRefPtr<CefContextMenuParams> params, int command_id,
                                    cef_event_flags_value_t event_flags) {
    return false;
  }
  virtual void OnContextMenuDismissed(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) {}
};
