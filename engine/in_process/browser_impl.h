#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "engine/in_process/input_event.h"
#include "include/cef_browser.h"
#include "include/cef_client.h"
#include "include/cef_v8.h"

namespace inproc {

class BrowserImpl;

// A frame as the browser side sees it: the main frame, or a child frame of
// the current page with the address it loaded.
class FrameImpl : public CefFrame {
 public:
  FrameImpl(BrowserImpl* browser, int64_t identifier, bool is_main = true, std::wstring url = std::wstring())
      : browser_(browser), identifier_(identifier), is_main_(is_main), url_(std::move(url)) {}

  // When the browser has closed, or the page holding a child frame has
  // gone: the frame no longer reaches the browser.
  void DetachBrowser();

  // A child frame's load does nothing: only main frames navigate here.
  void LoadURL(const CefString& url) override;
  bool IsMain() override { return is_main_; }
  CefString GetURL() override;
  int64_t GetIdentifier() override { return identifier_; }
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefV8Context> GetV8Context() override { return nullptr; }
  void SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) override;

 private:
  std::mutex lock_;
  CefRefPtr<BrowserImpl> browser_;
  int64_t identifier_;
  bool is_main_;
  std::wstring url_;
  IMPLEMENT_REFCOUNTING(FrameImpl);
};

// A browser as the browser process sees it, with its host. Calls from any
// thread are carried over to the engine's UI thread, where all its state
// changes.
class BrowserImpl : public CefBrowser, public CefBrowserHost {
 public:
  enum class Navigation { kNew, kBack, kForward, kReload };

  BrowserImpl(int identifier, int64_t frame_id, CefRefPtr<CefClient> client, const CefWindowInfo& window_info,
              bool is_popup);

  // Engine UI thread only.
  bool CreateView();
  void Navigate(const std::wstring& url, Navigation kind);
  void LoadFinished(int sequence, int error_code, const std::wstring& error_text, const std::wstring& title,
                    int http_status);
  // The page's dialog goes to the client; the page never waits for it.
  void Dialog(cef_jsdialog_type_t type, const std::wstring& message, const std::wstring& default_prompt);
  // The page's renderer died: its page is gone until the next navigation.
  // False when there was no page to lose.
  bool RendererCrashed();
  void TitleChanged(const std::wstring& title);
  void SetBackground(uint32_t bgra);
  // For the page of load |sequence| only: a later page starts afresh.
  void AttachChildFrame(int sequence, int64_t frame_id, const std::wstring& url);
  void AddContentRect(int sequence, const CefRect& rect, uint32_t bgra);
  void SetPopupWidget(int sequence, bool show, const CefRect& rect, uint32_t bgra);
  void Close(bool force);
  void ViewDestroyedByParent();
  void Repaint();
  // Also while the client closes the window it asked to close itself.
  bool IsAlive() const { return state_ == State::kAlive || state_ == State::kClientClosing; }
  bool is_popup() const { return is_popup_; }
  uint32_t background() const { return background_; }
  CefRefPtr<FrameImpl> main_frame() const { return main_frame_; }
  CefRefPtr<CefClient> client();

  // Any thread.
  std::wstring url();
  bool audio_muted() const { return muted_; }
  bool hidden() const { return hidden_; }
  std::vector<InputEvent> TakeInputEvents();

  // CefBrowser
  CefRefPtr<CefBrowserHost> GetHost() override { return this; }
  void GoBack() override;
  void GoForward() override;
  void Reload() override;
  int GetIdentifier() override { return identifier_; }
  bool IsSame(CefRefPtr<CefBrowser> that) override { return that && that->GetIdentifier() == identifier_; }
  CefRefPtr<CefFrame> GetMainFrame() override { return main_frame_.get(); }
  CefRefPtr<CefFrame> GetFrame(int64_t identifier) override;

  // CefBrowserHost
  void CloseBrowser(bool force_close) override;
  void SetFocus(bool focus) override;
  CefWindowHandle GetWindowHandle() override;
  CefRefPtr<CefClient> GetClient() override { return client(); }
  void ShowDevTools(const CefWindowInfo& window_info, CefRefPtr<CefClient> client, const CefBrowserSettings& settings,
                    const CefPoint& inspect_element_at) override;
  void CloseDevTools() override;
  void WasResized() override;
  void WasHidden(bool hidden) override;
  void Invalidate(cef_paint_element_type_t type) override;
  void SetAudioMuted(bool mute) override { muted_ = mute; }
  void SendKeyEvent(const CefKeyEvent& event) override;
  void SendMouseClickEvent(const CefMouseEvent& event, cef_mouse_button_type_t type, bool mouse_up,
                           int click_count) override;
  void SendMouseMoveEvent(const CefMouseEvent& event, bool mouse_leave) override;
  void SendMouseWheelEvent(const CefMouseEvent& event, int delta_x, int delta_y) override;
  void SendFocusEvent(bool set_focus) override;
  void SendCaptureLostEvent() override;

 private:
  // kClientClosing: DoClose said the client closes the parent window; the
  // view's destruction or a forced close ends it. kClosing: the end is
  // posted.
  enum class State { kAlive, kClientClosing, kClosing, kClosed };

  static LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept;
  void FinishClose();
  void DetachChildFrames();
  void PaintPopup();
  void RecordInput(const InputEvent& event);
  bool CanGoBack() const { return history_index_ > 0; }
  bool CanGoForward() const { return history_index_ + 1 < static_cast<int>(history_.size()); }

  const int identifier_;
  const bool is_popup_;
  const CefWindowInfo window_info_;
  CefRefPtr<FrameImpl> main_frame_;

  // Shared with other threads.
  std::mutex lock_;
  CefRefPtr<CefClient> client_;
  HWND window_handle_ = nullptr;
  std::wstring url_;
  std::vector<InputEvent> input_;
  std::vector<CefRefPtr<FrameImpl>> child_frames_;
  std::atomic<bool> muted_{false};
  std::atomic<bool> hidden_{false};

  // Engine UI thread only.
  State state_ = State::kAlive;
  qbase::UniqueWindow view_;
  uint32_t background_ = 0xFFFFFFFF;
  struct ContentRect {
    CefRect rect;
    uint32_t bgra;
  };
  std::vector<ContentRect> content_;
  bool popup_shown_ = false;
  CefRect popup_rect_;
  uint32_t popup_bgra_ = 0;
  std::vector<std::wstring> history_;
  int history_index_ = -1;
  int sequence_ = 0;
  bool crashed_ = false;
  CefRefPtr<BrowserImpl> devtools_;
  IMPLEMENT_REFCOUNTING(BrowserImpl);
};

}  // namespace inproc
