#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/remote/frame_pipeline.h"
#include "engine/remote/json_util.h"
#include "engine/remote/page_navigation.h"
#include "engine/remote/page_owner.h"
#include "engine/remote/page_requests.h"
#include "engine/remote/page_view.h"
#include "engine/remote/remote_frame.h"
#include "include/cef_browser.h"
#include "include/cef_client.h"

namespace remote {

// A browser of the real engine: one page target of the browser program with
// its own protocol session, and, when windowed, the native child window that
// shows it. Calls from any thread are carried over to the engine's UI
// thread, where all of its state changes and every client callback runs.
class RemoteBrowser : public PageOwner, public CefBrowserHost, private PageView::Delegate {
 public:
  enum class State { kAlive, kClosing, kClosed };

  RemoteBrowser(int identifier, CefRefPtr<CefClient> client, const CefWindowInfo& window_info, bool is_popup);

  // ---- Engine UI thread ----
  bool CreateView();
  // The page target for this browser exists; its session is ready for use.
  void Attach(const std::string& target_id, const std::string& session);
  // The browser program is gone: the page with it.
  void ConnectionLost();
  // A sub-frame in another process has a session of its own.
  void AttachChildSession(const std::string& session, const Json& target_info);
  void DetachChildSession(const std::string& session);
  void HandleEvent(const std::string& session, const std::string& method, Json& params);
  void TargetCrashed(const std::string& status);
  // The page went away without our asking (it closed itself).
  void TargetGone();
  void Navigate(const std::wstring& url) override;
  void ClearPendingUrl() { pending_url_.clear(); }
  void DownloadWillBegin(const Json& params) { requests_.DownloadWillBegin(params); }
  void Close(bool force);
  // An off-screen browser's picture, for its render handler; a native
  // view's pictures go straight to its surface.
  void PresentFrame(std::shared_ptr<const PageFrame> frame);

  bool IsAlive() const override { return state_ == State::kAlive; }
  bool attached() const override { return !session_.empty(); }
  bool windowless() const { return window_info_.windowless_rendering_enabled != 0; }
  bool is_popup() const { return is_popup_; }
  const std::string& target_id() const { return target_id_; }
  const std::string& session() const override { return session_; }
  const std::wstring& pending_url() const { return pending_url_; }
  CefRefPtr<CefClient> client() override;
  CefRefPtr<RemoteFrame> main_frame() const override { return main_frame_; }
  CefRefPtr<RemoteFrame> FrameFor(const std::string& protocol_id,
                                  const std::string& parent_id = std::string()) override;
  void ForgetFrame(const std::string& protocol_id) override;
  bool KnowsFrame(const std::string& protocol_id);
  bool Command(const std::string& method, Json params = Json::object(),
               const std::string& session = std::string()) override;
  PageNavigation& navigation() override { return navigation_; }
  std::shared_ptr<FrameSink> frame_sink() const { return frame_sink_; }
  std::shared_ptr<ViewSurface> view_surface() const { return view_ ? view_->surface() : nullptr; }

  // ---- Any thread ----
  std::wstring url() override;
  bool audio_muted() const { return muted_; }

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
  void SetAudioMuted(bool mute) override;
  void SendKeyEvent(const CefKeyEvent& event) override;
  void SendMouseClickEvent(const CefMouseEvent& event, cef_mouse_button_type_t type, bool mouse_up,
                           int click_count) override;
  void SendMouseMoveEvent(const CefMouseEvent& event, bool mouse_leave) override;
  void SendMouseWheelEvent(const CefMouseEvent& event, int delta_x, int delta_y) override;
  void SendFocusEvent(bool set_focus) override;
  void SendCaptureLostEvent() override;

 private:
  // PageView::Delegate
  void OnViewResized(int width, int height) override;
  void OnViewMouse(Json event) override;
  bool OnViewKey(const CefKeyEvent& event, const MSG& message) override;
  void OnViewComposition(const std::wstring& text, int caret) override;
  void OnViewCommit(const std::wstring& text) override;
  void OnViewFocus(bool focused) override;
  void OnViewDestroyed() override;

  void SetUpSession(const std::string& session, bool main);
  // The page has been set up and runs: navigations may go to it.
  void SessionReady();
  void OpenDevTools();
  void UpdateViewport();
  void StartFrames();
  void StopFrames();
  void SendInput(const char* method, Json params);
  void SendMouse(Json event);
  void FlushMouseMove();
  void SendKey(const CefKeyEvent& event, bool auto_repeat);
  void ApplyMute();
  void AgentReport(const std::string& session, const std::string& payload);
  void ContextEvent(const std::string& session, const std::string& method, const Json& params);
  // The renderer hears that every script world of the page has gone.
  void ReleaseContexts();
  void FinishClose();
  void Post(std::function<void(RemoteBrowser&)> task);

  const int identifier_;
  const bool is_popup_;
  const CefWindowInfo window_info_;
  CefRefPtr<RemoteFrame> main_frame_;

  // Shared with other threads.
  std::mutex lock_;
  CefRefPtr<CefClient> client_;
  HWND window_handle_ = nullptr;
  std::map<std::string, CefRefPtr<RemoteFrame>> frames_;
  std::atomic<bool> muted_{false};

  // Engine UI thread only.
  State state_ = State::kAlive;
  // DoClose said the client closes the window; a later forced close ends it.
  bool client_closing_ = false;
  std::unique_ptr<PageView> view_;
  std::string target_id_;
  std::string session_;
  std::map<std::string, std::string> child_sessions_;  // session -> frame id
  std::map<std::string, int64_t> contexts_;            // "session#context" -> frame
  std::wstring pending_url_;
  bool ready_ = false;
  PageNavigation navigation_;
  PageRequests requests_;
  std::shared_ptr<FrameSink> frame_sink_;
  bool hidden_ = false;
  bool frames_running_ = false;
  int viewport_width_ = 0;
  int viewport_height_ = 0;
  bool move_in_flight_ = false;
  Json pending_move_;
  uint32_t pressed_buttons_ = 0;
  CefMouseEvent last_mouse_;
  bool composing_ = false;
  std::string cursor_;
  CefRefPtr<RemoteBrowser> devtools_;
  IMPLEMENT_REFCOUNTING(RemoteBrowser);
};

}  // namespace remote
