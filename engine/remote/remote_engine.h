#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "engine/remote/browser_process.h"
#include "engine/remote/event_order.h"
#include "engine/remote/frame_pipeline.h"
#include "engine/remote/json_util.h"
#include "engine/remote/page_services.h"
#include "engine/remote/protocol_client.h"
#include "engine/remote/remote_browser.h"
#include "engine/remote/remote_renderer.h"
#include "engine/remote/renderer_channel.h"
#include "engine/shared/command_line_impl.h"
#include "engine/shared/cookie_manager_impl.h"
#include "engine/shared/engine_config.h"
#include "engine/shared/engine_log.h"
#include "engine/shared/engine_thread.h"
#include "include/cef_app.h"

namespace remote {

// The running real engine, from CefInitialize to CefShutdown: the browser
// program, the protocol connection to it, the engine's UI thread on which
// every browser-process callback runs, and the browsers.
class RemoteEngine : public PageServices, public RendererChannel {
 public:
  enum class Connection { kStarting, kConnected, kGone };

  RemoteEngine(const CefSettings& settings, CefRefPtr<CefApp> app, const engine::EngineConfig& config);
  ~RemoteEngine() override;

  static std::shared_ptr<RemoteEngine> Get();
  static bool Initialize(const CefSettings& settings, CefRefPtr<CefApp> app, const engine::EngineConfig& config);
  static void Shutdown();
  static bool PostUi(std::function<void(RemoteEngine&)> task, int64_t delay_ms = 0);

  engine::EngineThread* ui() const override { return ui_.get(); }
  engine::EngineLog& log() override { return log_; }
  CefRefPtr<engine::CookieManagerImpl> cookie_manager() const { return cookies_; }
  bool shutting_down() const { return shutting_down_; }
  int NextBrowserId() override { return ++next_browser_id_; }
  int64_t NextFrameId() override { return ++next_frame_id_; }
  int live_browsers() const { return live_browsers_; }

  // Any thread. False when there is no connection; the answer then never runs.
  bool Command(const std::string& method, Json params, const std::string& session, UiAnswer answer = nullptr) override;
  // Answers of commands sent this way come on the reading thread.
  bool CommandFromAnyThread(const std::string& method, Json params, const std::string& session,
                            ProtocolClient::Answer answer = nullptr);

  // Engine UI thread only.
  CefRefPtr<RemoteBrowser> CreateBrowserOnUi(int id, const CefWindowInfo& window_info, CefRefPtr<CefClient> client,
                                             const std::wstring& url, bool is_popup) override;
  void OpenPopup(const CefWindowInfo& window_info, CefRefPtr<CefClient> client, const std::wstring& url) override;
  CefRefPtr<RemoteBrowser> FindBrowser(int id) const override;
  CefRefPtr<RemoteBrowser> FindBrowserByFrame(const std::string& protocol_frame_id) const;
  // A browser wants its page target (made now, or once connected).
  void RequestTarget(RemoteBrowser* browser) override;
  void ForgetSession(const std::string& session) override;
  void RegisterChildSession(const std::string& session, int browser_id);
  void BrowserClosed(RemoteBrowser* browser) override;
  // The sink of a browser's pictures: registered for its session until stopped.
  std::shared_ptr<FrameSink> StartFrames(RemoteBrowser* browser) override;
  void StopFrames(RemoteBrowser* browser) override;
  // One picture for a browser outside its stream (no acknowledgement).
  void SubmitFrame(RemoteBrowser* browser, std::string base64) override;
  Connection connection() const { return connection_; }
  int debugging_port() const override { return port_; }
  bool PostToRenderer(std::function<void(RemoteRenderer&)> task) override;
  RemoteRenderer* renderer() const override { return renderer_.get(); }

  // RendererChannel
  void MessageToBrowser(int browser_id, int64_t frame_id, const std::wstring& name,
                        const engine::ListData& data) override;
  void Navigate(int browser_id, int64_t frame_id, const std::wstring& url) override;
  void History(int browser_id, int step) override;
  bool Evaluate(const std::string& session, int context_id, const std::string& expression, unsigned long timeout_ms,
                Json* value) override;
  bool EvaluateAsync(const std::string& session, int context_id, const std::string& expression,
                     std::function<void(bool ok, const Json& value)> done) override;
  void EvaluateLater(const std::string& session, int context_id, const std::string& expression) override;

  // Inspection, any thread.
  std::vector<std::wstring> browser_arguments() const { return browser_arguments_; }
  unsigned long browser_process_id();

 private:
  class Connector;

  bool ProcessExited();
  void StartBrowserProgram();
  void StartRenderer();
  void Connected(std::shared_ptr<ProtocolClient> protocol, int port);
  void ConnectFailed(const std::wstring& reason);
  void Disconnected(const std::wstring& reason);
  void OnProtocolEvent(const std::string& session, const std::string& method, Json& params);
  // A call of the renderer's binding goes to it: straight from the reading
  // thread, or from the UI thread when events read before it were queued.
  // False for any other binding.
  bool NativeCallToRenderer(const std::string& session, Json& params);
  void HandleEvent(const std::string& session, const std::string& method, Json& params);
  void PageAttached(const Json& params);
  void RequestPaused(const Json& params);
  void ResolveParked();
  void Discard(const std::string& target, const std::string& session);
  void Watch();
  // An answer for this engine's own commands.
  static UiAnswer ForEngine(std::function<void(RemoteEngine&, const Json*, const std::string&)> answer);
  void CloseEverything();

  CefSettings settings_;
  CefRefPtr<CefApp> app_;
  engine::EngineConfig config_;
  CefRefPtr<engine::CommandLineImpl> command_line_;
  CefRefPtr<engine::CookieManagerImpl> cookies_;
  engine::EngineLog log_;
  std::unique_ptr<engine::EngineThread> ui_;
  FramePipeline pipeline_;
  // Set on the UI thread; other threads post to it under the lock.
  std::mutex renderer_lock_;
  std::unique_ptr<RemoteRenderer> renderer_;
  DWORD init_thread_ = 0;
  std::atomic<bool> shutting_down_{false};
  std::atomic<int> next_browser_id_{0};
  std::atomic<int64_t> next_frame_id_{0};
  std::atomic<int> live_browsers_{0};
  std::wstring user_data_dir_;
  std::wstring browser_log_;
  std::vector<std::wstring> browser_arguments_;

  // The protocol is reached from other threads through this lock; it is
  // replaced only on the UI thread.
  mutable std::mutex protocol_lock_;
  std::shared_ptr<ProtocolClient> protocol_;
  std::mutex process_lock_;
  std::unique_ptr<BrowserProcess> process_;
  std::unique_ptr<Connector> connector_;
  // Pictures arrive on the reading thread; their sinks are found here.
  std::mutex sinks_lock_;
  std::map<std::string, std::shared_ptr<FrameSink>> sinks_;
  // Events on their way through the UI thread, which calls may not overtake.
  EventOrder event_order_;

  // Engine UI thread only.
  Connection connection_ = Connection::kStarting;
  int port_ = 0;
  int launches_ = 0;
  ULONGLONG first_launch_in_window_ = 0;
  int generation_ = 0;
  std::map<int, CefRefPtr<RemoteBrowser>> browsers_;
  std::map<std::string, int> sessions_;           // session -> browser
  std::map<std::string, int> targets_;            // target -> browser
  std::map<std::string, std::string> unclaimed_;  // target -> session, attached before it was claimed
  std::set<std::string> discarded_;               // sessions of pages being closed
  std::set<std::string> discarded_targets_;
  struct Parked {
    Json params;
    ULONGLONG since = 0;
  };
  std::vector<Parked> parked_;  // requests of frames not known yet
  bool intercepting_ = false;
  int pending_creations_ = 0;
  ULONGLONG last_heartbeat_ = 0;
  ULONGLONG heartbeat_answered_ = 0;
  bool heartbeat_sent_ = false;
};

}  // namespace remote
