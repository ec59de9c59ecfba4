#include "engine/in_process/engine_context.h"

#include "base/path_util.h"
#include "engine/shared/renderer_launch.h"
#include "engine/shared/values_impl.h"
#include "include/cef_task.h"

namespace inproc {

namespace {

class SchemeRegistrarImpl : public CefSchemeRegistrar {};

// The process's own command line, as the engine reads its switches from it.
CefRefPtr<engine::CommandLineImpl> ProcessCommandLine() {
  const wchar_t* line = ::GetCommandLineW();
  return engine::CommandLineImpl::FromString(line ? line : L"");
}

}  // namespace

EngineContext::EngineContext(const CefSettings& settings, CefRefPtr<CefApp> app)
    : settings_(settings),
      app_(app),
      cookies_(new engine::CookieManagerImpl(
          [](qbase::Closure task) { return PostUi([task](EngineContext&) { task(); }); })),
      log_("in_process_engine"),
      init_thread_(::GetCurrentThreadId()) {}

EngineContext::~EngineContext() {
  if (ui_) ui_->Stop();
}

std::shared_ptr<EngineContext> EngineContext::Get() {
  // Only this engine runs as the in-process one.
  return std::static_pointer_cast<EngineContext>(BrowserServices::Running());
}

bool EngineContext::PostUi(std::function<void(EngineContext&)> task, int64_t delay_ms) {
  std::shared_ptr<EngineContext> engine = Get();
  if (!engine || !engine->ui_ || !task) return false;
  // The engine outlives its UI thread, so the task may hold it by pointer.
  EngineContext* raw = engine.get();
  return engine->ui_->PostTask([raw, task] { task(*raw); }, delay_ms);
}

bool EngineContext::Initialize(const CefSettings& settings, CefRefPtr<CefApp> app) {
  if (Get() || settings.size != sizeof(CefSettings)) return false;
  auto engine = std::make_shared<EngineContext>(settings, app);

  engine->command_line_ = ProcessCommandLine();
  if (app) {
    app->OnBeforeCommandLineProcessing(CefString(), engine->command_line_.get());
    SchemeRegistrarImpl registrar;
    app->OnRegisterCustomSchemes(&registrar);
  }

  std::wstring log_file = settings.log_file.ToWString();
  engine->log_.Open(log_file, settings.log_severity);
  engine->log_.Write(LOGSEVERITY_INFO,
                     L"engine starting: " + engine->command_line_->GetCommandLineString().ToWString());
  std::wstring cache = settings.cache_path.ToWString();
  if (!cache.empty() && !qbase::CreateDirectories(cache)) {
    // The engine keeps its data in memory then, as a real one would.
    engine->log_.Write(LOGSEVERITY_WARNING, L"cache folder cannot be created, running without one: " + cache);
  }

  engine->ui_ = settings.multi_threaded_message_loop ? engine::EngineThread::StartOwnThread("EngineUI")
                                                     : engine::EngineThread::UseCurrentThread();
  if (!engine->ui_) {
    engine->log_.Write(LOGSEVERITY_ERROR, "the engine's UI thread did not start");
    return false;
  }
  if (!SetRunning(engine)) return false;
  CefRefPtr<CefApp> application = app;
  PostUi([application](EngineContext& self) {
    self.log_.Write(LOGSEVERITY_INFO, "context initialized");
    CefRefPtr<CefBrowserProcessHandler> handler = application ? application->GetBrowserProcessHandler() : nullptr;
    if (handler) handler->OnContextInitialized();
  });
  return true;
}

void EngineContext::Shutdown() {
  std::shared_ptr<EngineContext> engine = Get();
  if (!engine || engine->shutting_down_.exchange(true)) return;
  if (::GetCurrentThreadId() != engine->init_thread_) {
    // Only the thread that started the engine may stop it.
    engine->log_.Write(LOGSEVERITY_ERROR, "shutdown called on the wrong thread");
    engine->shutting_down_ = false;
    return;
  }
  engine->ui_->RunAndWait([raw = engine.get()] { raw->CloseEverything(); });
  engine->ui_->Stop();
  engine->log_.Write(LOGSEVERITY_INFO, "engine stopped");
  engine->log_.Close();
  SetRunning(nullptr);
  engine->app_ = nullptr;
}

void EngineContext::CloseEverything() {
  // Browsers still open at shutdown close as if forced, so every client
  // still hears OnBeforeClose; one client's close may end another browser
  // meanwhile, so look again until none is left. Only then does the
  // renderer stop, with every browser's end queued before its stop.
  for (int round = 0; !browsers_.empty() && round < 64; ++round) {
    std::map<int, CefRefPtr<BrowserImpl>> open = browsers_;
    for (auto& entry : open) entry.second->Close(true);
  }
  if (renderer_) renderer_->Stop();
}

bool EngineContext::EnsureRenderer() {
  if (renderer_) return true;
  if (shutting_down_) return false;
  engine::RendererLaunch launch = engine::RendererLaunch::Prepare(app_, command_line_);
  auto renderer = std::make_unique<Renderer>(
      [](std::function<void(RendererHost&)> call) { return PostUi([call](EngineContext& engine) { call(engine); }); });
  if (!renderer->Start(launch.extra_info, launch.command_line)) {
    log_.Write(LOGSEVERITY_ERROR, "the renderer did not start");
    return false;
  }
  {
    std::lock_guard<std::mutex> guard(renderer_lock_);
    renderer_ = std::move(renderer);
  }
  log_.Write(LOGSEVERITY_INFO, "renderer started");
  return true;
}

CefRefPtr<BrowserImpl> EngineContext::CreateBrowserOnUi(int id, const CefWindowInfo& window_info,
                                                        CefRefPtr<CefClient> client, const std::wstring& url,
                                                        bool is_popup) {
  if (shutting_down_ || !client) return nullptr;
  if (!EnsureRenderer()) return nullptr;
  CefRefPtr<BrowserImpl> browser = new BrowserImpl(id, ++next_frame_id_, client, window_info, is_popup);
  if (!browser->CreateView()) {
    log_.Write(LOGSEVERITY_ERROR, L"browser window could not be created for " + url);
    browser->main_frame()->DetachBrowser();
    return nullptr;
  }
  browsers_[id] = browser;
  ++live_browsers_;
  int64_t frame_id = browser->main_frame()->GetIdentifier();
  renderer_->Post([id, frame_id](Renderer& renderer) { renderer.BrowserCreated(id, frame_id); });
  log_.Write(LOGSEVERITY_INFO, "browser " + std::to_string(id) + " created");

  CefRefPtr<CefLifeSpanHandler> life_span = client->GetLifeSpanHandler();
  if (life_span) life_span->OnAfterCreated(browser.get());
  browser->Repaint();
  if (!url.empty()) browser->Navigate(url, BrowserImpl::Navigation::kNew);
  return browser;
}

CefRefPtr<BrowserImpl> EngineContext::FindBrowser(int id) const {
  auto it = browsers_.find(id);
  return it == browsers_.end() ? nullptr : it->second;
}

void EngineContext::LoadInRenderer(int browser_id, const std::wstring& url, int sequence) {
  if (!renderer_) return;
  renderer_->Post([browser_id, url, sequence](Renderer& renderer) { renderer.Load(browser_id, url, sequence); });
}

void EngineContext::SendToRenderer(int browser_id, int64_t frame_id, const std::wstring& name,
                                   const engine::ListData& data) {
  if (!renderer_ || !FindBrowser(browser_id)) return;
  renderer_->Post([browser_id, frame_id, name, data](Renderer& renderer) {
    renderer.DeliverMessage(browser_id, frame_id, name, data);
  });
}

bool EngineContext::PostToRenderer(std::function<void(Renderer&)> task) {
  std::lock_guard<std::mutex> guard(renderer_lock_);
  return renderer_ && renderer_->Post(std::move(task));
}

bool EngineContext::DeliverToRenderer(int browser_id, int64_t frame_id, const std::wstring& name,
                                      const engine::ListData& data) {
  return PostToRenderer([browser_id, frame_id, name, data](Renderer& renderer) {
    renderer.DeliverMessage(browser_id, frame_id, name, data);
  });
}

void EngineContext::BrowserClosed(int browser_id) {
  if (browsers_.erase(browser_id) == 0) return;
  --live_browsers_;
  log_.Write(LOGSEVERITY_INFO, "browser " + std::to_string(browser_id) + " closed");
  if (renderer_ && !renderer_->Post([browser_id](Renderer& renderer) { renderer.BrowserDestroyed(browser_id); })) {
    log_.Write(LOGSEVERITY_ERROR, "the renderer had stopped before browser " + std::to_string(browser_id) + " closed");
  }
}

void EngineContext::PageCrashed(int browser_id) {
  log_.Write(LOGSEVERITY_ERROR, "the renderer of browser " + std::to_string(browser_id) + " crashed");
  if (renderer_) renderer_->Post([browser_id](Renderer& renderer) { renderer.PageCrashed(browser_id); });
}

void EngineContext::OnLoadFinished(int browser_id, int sequence, int error_code, const std::wstring& error_text,
                                   const std::wstring& title, int http_status) {
  if (CefRefPtr<BrowserImpl> browser = FindBrowser(browser_id)) {
    browser->LoadFinished(sequence, error_code, error_text, title, http_status);
  }
}

void EngineContext::OnDialog(int browser_id, cef_jsdialog_type_t type, const std::wstring& message,
                             const std::wstring& default_prompt) {
  if (CefRefPtr<BrowserImpl> browser = FindBrowser(browser_id)) browser->Dialog(type, message, default_prompt);
}

void EngineContext::OnNavigateRequest(int browser_id, const std::wstring& url) {
  if (CefRefPtr<BrowserImpl> browser = FindBrowser(browser_id)) browser->Navigate(url, BrowserImpl::Navigation::kNew);
}

void EngineContext::OnHistoryRequest(int browser_id, int step) {
  CefRefPtr<BrowserImpl> browser = FindBrowser(browser_id);
  if (!browser) return;
  browser->Navigate(std::wstring(), step < 0   ? BrowserImpl::Navigation::kBack
                                    : step > 0 ? BrowserImpl::Navigation::kForward
                                               : BrowserImpl::Navigation::kReload);
}

void EngineContext::OnPopupRequest(int browser_id, const std::wstring& url, const std::wstring& frame_name) {
  CefRefPtr<BrowserImpl> browser = FindBrowser(browser_id);
  if (!browser || !browser->IsAlive()) return;
  CefRefPtr<CefClient> client = browser->client();
  CefWindowInfo window_info;
  window_info.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE;
  window_info.x = window_info.y = window_info.width = window_info.height = CW_USEDEFAULT;
  window_info.window_name = frame_name;
  CefBrowserSettings settings;
  CefRefPtr<CefDictionaryValue> extra_info;
  bool no_javascript_access = false;
  CefRefPtr<CefLifeSpanHandler> life_span = client ? client->GetLifeSpanHandler() : nullptr;
  if (life_span &&
      life_span->OnBeforePopup(browser.get(), browser->GetMainFrame(), url, frame_name, WOD_NEW_FOREGROUND_TAB, true,
                               CefPopupFeatures(), window_info, client, settings, extra_info, &no_javascript_access)) {
    return;
  }
  CreateBrowserOnUi(NextBrowserId(), window_info, client, url, true);
}

void EngineContext::OnProcessMessage(int browser_id, int64_t frame_id, const std::wstring& name,
                                     const engine::ListData& data) {
  CefRefPtr<BrowserImpl> browser = FindBrowser(browser_id);
  if (!browser || !browser->IsAlive()) return;
  CefRefPtr<CefClient> client = browser->client();
  if (!client) return;
  // A message from a frame that has gone away is dropped: it must never
  // pass for one of another frame.
  CefRefPtr<CefFrame> frame = browser->GetFrame(frame_id);
  if (!frame) {
    log_.Write(LOGSEVERITY_INFO, L"message from a frame that is gone dropped: " + name);
    return;
  }
  client->OnProcessMessageReceived(browser.get(), frame, PID_RENDERER,
                                   engine::ProcessMessageImpl::Received(name, data));
}

void EngineContext::OnFrameAttached(int browser_id, int sequence, int64_t frame_id, const std::wstring& url) {
  if (CefRefPtr<BrowserImpl> browser = FindBrowser(browser_id)) browser->AttachChildFrame(sequence, frame_id, url);
}

void EngineContext::OnPaintRect(int browser_id, int sequence, const CefRect& rect, uint32_t bgra) {
  if (CefRefPtr<BrowserImpl> browser = FindBrowser(browser_id)) browser->AddContentRect(sequence, rect, bgra);
}

void EngineContext::OnPopupWidget(int browser_id, int sequence, bool show, const CefRect& rect, uint32_t bgra) {
  if (CefRefPtr<BrowserImpl> browser = FindBrowser(browser_id)) browser->SetPopupWidget(sequence, show, rect, bgra);
}

void EngineContext::OnTitleChange(int browser_id, const std::wstring& title) {
  if (CefRefPtr<BrowserImpl> browser = FindBrowser(browser_id)) browser->TitleChanged(title);
}

void EngineContext::OnBackgroundChange(int browser_id, uint32_t bgra) {
  if (CefRefPtr<BrowserImpl> browser = FindBrowser(browser_id)) browser->SetBackground(bgra);
}

void EngineContext::OnConsoleMessage(int browser_id, const std::wstring& message) {
  CefRefPtr<BrowserImpl> browser = FindBrowser(browser_id);
  if (!browser || !browser->IsAlive()) return;
  CefRefPtr<CefClient> client = browser->client();
  CefRefPtr<CefDisplayHandler> display = client ? client->GetDisplayHandler() : nullptr;
  if (display && display->OnConsoleMessage(browser.get(), LOGSEVERITY_INFO, message, browser->url(), 1)) return;
  log_.Write(LOGSEVERITY_INFO, L"CONSOLE: \"" + message + L"\", source: " + browser->url());
}

}  // namespace inproc
