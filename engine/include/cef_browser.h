#pragma once

#include "include/cef_base.h"
#include "include/cef_frame.h"
#include "include/cef_types.h"
#include "include/cef_values.h"

class CefBrowserHost;
class CefClient;

// Only ever passed as null by this client.
class CefRequestContext : public virtual CefBaseRefCounted {};

class CefBrowser : public virtual CefBaseRefCounted {
 public:
  // Null in a renderer.
  virtual CefRefPtr<CefBrowserHost> GetHost() = 0;
  virtual void GoBack() = 0;
  virtual void GoForward() = 0;
  virtual void Reload() = 0;
  virtual int GetIdentifier() = 0;
  virtual bool IsSame(CefRefPtr<CefBrowser> that) = 0;
  virtual CefRefPtr<CefFrame> GetMainFrame() = 0;
  virtual CefRefPtr<CefFrame> GetFrame(int64_t identifier) = 0;
};

// The browser-process side of a browser: its window, input and life.
class CefBrowserHost : public virtual CefBaseRefCounted {
 public:
  // Asynchronous: the client hears of the browser in OnAfterCreated.
  static bool CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client, const CefString& url,
                            const CefBrowserSettings& settings, CefRefPtr<CefDictionaryValue> extra_info,
                            CefRefPtr<CefRequestContext> request_context);

  virtual void CloseBrowser(bool force_close) = 0;
  virtual void SetFocus(bool focus) = 0;
  virtual CefWindowHandle GetWindowHandle() = 0;
  virtual CefRefPtr<CefClient> GetClient() = 0;
  virtual void ShowDevTools(const CefWindowInfo& window_info, CefRefPtr<CefClient> client,
                            const CefBrowserSettings& settings, const CefPoint& inspect_element_at) = 0;
  virtual void CloseDevTools() = 0;
  virtual void WasResized() = 0;
  virtual void WasHidden(bool hidden) = 0;
  virtual void Invalidate(cef_paint_element_type_t type) = 0;
  virtual void SetAudioMuted(bool mute) = 0;
  virtual void SendKeyEvent(const CefKeyEvent& event) = 0;
  virtual void SendMouseClickEvent(const CefMouseEvent& event, cef_mouse_button_type_t type, bool mouse_up,
                                   int click_count) = 0;
  virtual void SendMouseMoveEvent(const CefMouseEvent& event, bool mouse_leave) = 0;
  virtual void SendMouseWheelEvent(const CefMouseEvent& event, int delta_x, int delta_y) = 0;
  virtual void SendFocusEvent(bool set_focus) = 0;
  virtual void SendCaptureLostEvent() = 0;
};
