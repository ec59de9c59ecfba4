#pragma once

#include "include/cef_browser.h"

using CefEventHandle = MSG*;

class CefKeyboardHandler : public virtual CefBaseRefCounted {
 public:
  virtual bool OnPreKeyEvent(CefRefPtr<CefBrowser> browser, const CefKeyEvent& event, CefEventHandle os_event,
                             bool* is_keyboard_shortcut) {
    return false;
  }
  virtual bool OnKeyEvent(CefRefPtr<CefBrowser> browser, const CefKeyEvent& event, CefEventHandle os_event) {
    return false;
  }
};
