#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/in_process/browser_impl.h"
#include "engine/in_process/browser_services.h"
#include "engine/in_process/renderer.h"
#include "engine/in_process/renderer_host.h"
#include "engine/shared/command_line_impl.h"
#include "engine/shared/cookie_manager_impl.h"
#include "engine/shared/engine_log.h"
#include "engine/shared/engine_thread.h"
#include "include/cef_app.h"

namespace inproc {

// The running in-process engine: from CefInitialize to CefShutdown.
class EngineContext : public BrowserServices, public RendererHost {
 public:
  EngineContext(const CefSettings& settings, CefRefPtr<CefApp> app);
  ~EngineContext() override;

  // The running engine, or null.
  static std::shared_ptr<EngineContext> Get();
  static bool Initialize(const CefSettings& settings, CefRefPtr<CefApp> app);
  static void Shutdown();

  // Posts to the engine's UI thread with the running engine.
  static bool PostUi(std::function<void(EngineContext&)> task, int64_t delay_ms = 0);

  engine::EngineThread* ui() const override { return ui_.get(); }
  Renderer* renderer() const { return renderer_.get(); }
  engine::EngineLog& log() override { return log_; }
  const CefSettings& settings() const { return settings_; }
  CefRefPtr<engine::CommandLineImpl> command_line() const { return command_line_; }
  CefRefPtr<engine::CookieManagerImpl> cookie_manager() const { return cookies_; }
  bool shutting_down() const { return shutting_down_; }
  int live_browsers() const { return live_browsers_; }
  int NextBrowserId() override { return ++next_browser_id_; }

  // Engine UI thread only.
  CefRefPtr<BrowserImpl> CreateBrowserOnUi(int id, const CefWindowInfo& window_info, CefRefPtr<CefClient> client,
                                           const std::wstring& url, bool is_popup) override;
  CefRefPtr<BrowserImpl> FindBrowser(int id) const;
  void LoadInRenderer(int browser_id, const std::wstring& url, int sequence) override;
  void SendToRenderer(int browser_id, int64_t frame_id, const std::wstring& name,
                      const engine::ListData& data) override;
  void BrowserClosed(int browser_id) override;
  void PageCrashed(int browser_id) override;
  // Any thread. False when there is no renderer.
  bool PostToRenderer(std::function<void(Renderer&)> task);
  bool DeliverToRenderer(int browser_id, int64_t frame_id, const std::wstring& name,
                         const engine::ListData& data) override;

  // RendererHost
  void OnLoadFinished(int browser_id, int sequence, int error_code, const std::wstring& error_text,
                      const std::wstring& title, int http_status) override;
  void OnDialog(int browser_id, cef_jsdialog_type_t type, const std::wstring& message,
                const std::wstring& default_prompt) override;
  void OnNavigateRequest(int browser_id, const std::wstring& url) override;
  void OnHistoryRequest(int browser_id, int step) override;
  void OnPopupRequest(int browser_id, const std::wstring& url, const std::wstring& frame_name) override;
  void OnProcessMessage(int browser_id, int64_t frame_id, const std::wstring& name,
                        const engine::ListData& data) override;
  void OnTitleChange(int browser_id, const std::wstring& title) override;
  void OnBackgroundChange(int browser_id, uint32_t bgra) override;
  void OnConsoleMessage(int browser_id, const std::wstring& message) override;
  void OnFrameAttached(int browser_id, int sequence, int64_t frame_id, const std::wstring& url) override;
  void OnPaintRect(int browser_id, int sequence, const CefRect& rect, uint32_t bgra) override;
  void OnPopupWidget(int browser_id, int sequence, bool show, const CefRect& rect, uint32_t bgra) override;

 private:
  bool EnsureRenderer();
  void CloseEverything();

  CefSettings settings_;
  CefRefPtr<CefApp> app_;
  CefRefPtr<engine::CommandLineImpl> command_line_;
  CefRefPtr<engine::CookieManagerImpl> cookies_;
  engine::EngineLog log_;
  std::unique_ptr<engine::EngineThread> ui_;
  DWORD init_thread_ = 0;
  std::atomic<bool> shutting_down_{false};
  std::atomic<int> next_browser_id_{0};
  std::atomic<int64_t> next_frame_id_{0};
  std::atomic<int> live_browsers_{0};
  // Set and reset on the engine's UI thread; other threads only post to it
  // under the lock.
  std::mutex renderer_lock_;
  std::unique_ptr<Renderer> renderer_;
  std::map<int, CefRefPtr<BrowserImpl>> browsers_;
};

}  // namespace inproc
