#include "engine/remote/remote_engine.h"

#include <cstdlib>

#include "base/path_util.h"
#include "base/string_conversions.h"
#include "base/unique_handle.h"
#include "engine/remote/browser_arguments.h"
#include "engine/remote/browser_launch.h"
#include "engine/remote/wine_paths.h"
#include "engine/shared/renderer_launch.h"
#include "engine/shared/values_impl.h"

namespace remote {

namespace {

// How long the browser program may take to open its debugging port.
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kConnectTimeoutMs = 5000;
// A browser that leaves its heartbeat unanswered this long is taken for hung.
constexpr uint64_t kHungAfterMs = 15000;
constexpr int64_t kWatchIntervalMs = 1000;
constexpr ULONGLONG kHeartbeatMs = 2000;
// Restarts of a browser program that keeps dying, within one minute.
constexpr int kMaxLaunchesPerMinute = 3;
// Bounds of a clean end: the browser's own close, then its termination.
constexpr DWORD kCloseWaitMs = 3000;
constexpr DWORD kKillWaitMs = 3000;
// How often, and how long at most, a request of an unknown frame waits.
constexpr int64_t kParkCheckMs = 50;
constexpr ULONGLONG kParkLimitMs = 2000;

class SchemeRegistrarImpl : public CefSchemeRegistrar {};

std::wstring Wide(const std::string& text) { return qbase::UTF8ToUTF16(text); }

// The port and path that the browser writes once its debugging server runs.
bool ReadEndpoint(const std::wstring& file, int* port, std::string* path) {
  HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  qbase::UniqueFileHandle owner(handle);
  char buffer[512];
  DWORD read = 0;
  if (!::ReadFile(handle, buffer, sizeof(buffer) - 1, &read, nullptr)) return false;
  std::string text(buffer, read);
  size_t line = text.find('\n');
  if (line == std::string::npos) return false;
  int value = std::atoi(text.substr(0, line).c_str());
  std::string rest = text.substr(line + 1);
  size_t end = rest.find_first_of("\r\n");
  if (end != std::string::npos) rest.resize(end);
  if (value <= 0 || value > 65535 || rest.compare(0, 18, "/devtools/browser/") != 0) return false;
  *port = value;
  *path = rest;
  return true;
}

}  // namespace

// Waits for the browser program's debugging port and connects to it, on a
// thread of its own so that a slow or failed start never holds the UI.
class RemoteEngine::Connector : public qbase::Thread {
 public:
  Connector(RemoteEngine* engine, std::wstring endpoint_file, int generation)
      : engine_(engine), endpoint_file_(std::move(endpoint_file)), generation_(generation) {}
  ~Connector() override {
    cancelled_ = true;
    Join();
  }
  void Cancel() { cancelled_ = true; }

 protected:
  void Run() override {
    int port = 0;
    std::string path;
    ULONGLONG deadline = ::GetTickCount64() + kStartTimeoutMs;
    std::wstring failure;
    for (;;) {
      if (cancelled_) return;
      if (ReadEndpoint(endpoint_file_, &port, &path)) break;
      if (engine_->ProcessExited()) {
        failure = L"the browser program ended before it opened its debugging port";
        break;
      }
      if (::GetTickCount64() > deadline) {
        failure = L"the browser program did not open its debugging port in time";
        break;
      }
      ::Sleep(25);
    }
    int generation = generation_;
    if (failure.empty()) {
      RemoteEngine* engine = engine_;
      auto protocol =
          std::make_shared<ProtocolClient>([engine](const std::string& session, const std::string& method,
                                                    Json& params) { engine->OnProtocolEvent(session, method, params); },
                                           [generation] {
                                             RemoteEngine::PostUi([generation](RemoteEngine& self) {
                                               if (generation == self.generation_)
                                                 self.Disconnected(L"the connection to the browser closed");
                                             });
                                           });
      if (!cancelled_ && protocol->Connect(port, path, kConnectTimeoutMs)) {
        RemoteEngine::PostUi([protocol, port, generation](RemoteEngine& self) {
          if (generation != self.generation_) {
            protocol->Close();
            return;
          }
          self.Connected(protocol, port);
        });
        return;
      }
      failure = L"the browser's debugging port did not take the connection";
    }
    if (cancelled_) return;
    RemoteEngine::PostUi([failure, generation](RemoteEngine& self) {
      if (generation == self.generation_) self.ConnectFailed(failure);
    });
  }

 private:
  RemoteEngine* engine_;
  std::wstring endpoint_file_;
  int generation_;
  std::atomic<bool> cancelled_{false};
};

RemoteEngine::RemoteEngine(const CefSettings& settings, CefRefPtr<CefApp> app, const engine::EngineConfig& config)
    : settings_(settings),
      app_(app),
      config_(config),
      cookies_(
          new engine::CookieManagerImpl([](qbase::Closure task) { return PostUi([task](RemoteEngine&) { task(); }); })),
      log_("remote_engine"),
      init_thread_(::GetCurrentThreadId()) {}

RemoteEngine::~RemoteEngine() {
  if (renderer_) renderer_->Stop();
  connector_.reset();
  std::shared_ptr<ProtocolClient> protocol;
  {
    std::lock_guard<std::mutex> guard(protocol_lock_);
    protocol.swap(protocol_);
  }
  if (protocol) protocol->Close();
  pipeline_.Stop();
  if (ui_) ui_->Stop();
  std::lock_guard<std::mutex> guard(process_lock_);
  process_.reset();
}

std::shared_ptr<RemoteEngine> RemoteEngine::Get() {
  // Only this engine runs as the real one.
  return std::static_pointer_cast<RemoteEngine>(PageServices::Running());
}

PageServices::UiAnswer RemoteEngine::ForEngine(
    std::function<void(RemoteEngine&, const Json*, const std::string&)> answer) {
  return [answer](PageServices& services, const Json* result, const std::string& error) {
    answer(static_cast<RemoteEngine&>(services), result, error);
  };
}

bool RemoteEngine::PostUi(std::function<void(RemoteEngine&)> task, int64_t delay_ms) {
  std::shared_ptr<RemoteEngine> engine = Get();
  if (!engine || !engine->ui_ || !task) return false;
  // The engine outlives its UI thread, so the task may hold it by pointer.
  RemoteEngine* raw = engine.get();
  return engine->ui_->PostTask([raw, task] { task(*raw); }, delay_ms);
}

bool RemoteEngine::ProcessExited() {
  std::lock_guard<std::mutex> guard(process_lock_);
  return !process_ || process_->HasExited();
}

unsigned long RemoteEngine::browser_process_id() {
  std::lock_guard<std::mutex> guard(process_lock_);
  return process_ ? process_->process_id() : 0;
}

bool RemoteEngine::Initialize(const CefSettings& settings, CefRefPtr<CefApp> app, const engine::EngineConfig& config) {
  if (Get() || settings.size != sizeof(CefSettings) || !config.NamesBrowser()) return false;
  auto engine = std::make_shared<RemoteEngine>(settings, app, config);

  const wchar_t* line = ::GetCommandLineW();
  engine->command_line_ = engine::CommandLineImpl::FromString(line ? line : L"");
  if (app) {
    app->OnBeforeCommandLineProcessing(CefString(), engine->command_line_.get());
    SchemeRegistrarImpl registrar;
    app->OnRegisterCustomSchemes(&registrar);
  }

  std::wstring log_file = settings.log_file.ToWString();
  engine->log_.Open(log_file, settings.log_severity);
  engine->log_.Write(LOGSEVERITY_INFO, L"engine starting with the browser " + config.browser);
  engine->user_data_dir_ = settings.cache_path.ToWString();
  if (!engine->user_data_dir_.empty() && !qbase::CreateDirectories(engine->user_data_dir_)) {
    engine->log_.Write(LOGSEVERITY_WARNING, L"cache folder cannot be created: " + engine->user_data_dir_);
  }
  std::wstring log_folder = qbase::DirectoryOf(log_file);
  engine->browser_log_ = log_folder.empty() ? std::wstring() : log_folder + L"browser.log";

  engine->ui_ = settings.multi_threaded_message_loop ? engine::EngineThread::StartOwnThread("EngineUI")
                                                     : engine::EngineThread::UseCurrentThread();
  if (!engine->ui_ || !engine->pipeline_.Start()) {
    engine->log_.Write(LOGSEVERITY_ERROR, "the engine's threads did not start");
    return false;
  }
  if (!SetRunning(engine)) return false;
  CefRefPtr<CefApp> application = app;
  PostUi([application](RemoteEngine& self) {
    self.StartBrowserProgram();
    self.Watch();
    CefRefPtr<CefBrowserProcessHandler> handler = application ? application->GetBrowserProcessHandler() : nullptr;
    if (handler) handler->OnContextInitialized();
    // Before any browser can be made, so that every page gets the
    // renderer's extensions.
    self.StartRenderer();
  });
  return true;
}

void RemoteEngine::StartBrowserProgram() {
  if (shutting_down_) return;
  ULONGLONG now = ::GetTickCount64();
  if (now - first_launch_in_window_ > 60000) {
    first_launch_in_window_ = now;
    launches_ = 0;
  }
  if (launches_ >= kMaxLaunchesPerMinute) {
    ConnectFailed(L"the browser program keeps ending; not starting it again for now");
    return;
  }
  ++launches_;
  ++generation_;
  connection_ = Connection::kStarting;
  connector_.reset();
  {
    std::lock_guard<std::mutex> guard(process_lock_);
    process_.reset();
  }

  BrowserArgumentInputs inputs;
  inputs.client_switches = command_line_ ? command_line_->Switches() : inputs.client_switches;
  inputs.windows_program = config_.browser.empty() || config_.browser[0] != L'/';
  inputs.user_data_dir = inputs.windows_program ? user_data_dir_ : Wide(ToUnixPath(user_data_dir_));
  inputs.log_file = inputs.windows_program ? browser_log_ : std::wstring();
  inputs.no_sandbox = settings_.no_sandbox != 0;
  inputs.locale = settings_.locale.ToWString();
  inputs.user_agent = settings_.user_agent.ToWString();
  inputs.extra_arguments = config_.arguments;
  browser_arguments_ = BrowserArguments(inputs);

  // A port file left by an earlier run must not be taken for this one's.
  std::wstring endpoint_file = qbase::JoinPath(user_data_dir_, L"DevToolsActivePort");
  ::DeleteFileW(endpoint_file.c_str());

  int generation = generation_;
  std::wstring error;
  std::unique_ptr<BrowserProcess> process = LaunchBrowser(
      config_.browser, browser_arguments_, browser_log_,
      [generation](int code) {
        RemoteEngine::PostUi([generation, code](RemoteEngine& self) {
          if (generation != self.generation_) return;
          self.log_.Write(LOGSEVERITY_WARNING, "the browser program ended with code " + std::to_string(code));
          if (self.connection_ == Connection::kConnected) self.Disconnected(L"the browser program ended");
        });
      },
      &error);
  if (!process) {
    ConnectFailed(error);
    return;
  }
  log_.Write(LOGSEVERITY_INFO, L"browser program started: " + config_.browser);
  {
    std::lock_guard<std::mutex> guard(process_lock_);
    process_ = std::move(process);
  }
  connector_ = std::make_unique<Connector>(this, endpoint_file, generation);
  if (!connector_->Start()) ConnectFailed(L"no thread to connect with");
}

void RemoteEngine::Connected(std::shared_ptr<ProtocolClient> protocol, int port) {
  {
    std::lock_guard<std::mutex> guard(protocol_lock_);
    protocol_ = protocol;
  }
  connection_ = Connection::kConnected;
  port_ = port;
  last_heartbeat_ = ::GetTickCount64();
  heartbeat_sent_ = false;
  log_.Write(LOGSEVERITY_INFO, "connected to the browser on port " + std::to_string(port));
  // Every page the browser makes is paused until this engine has set it up.
  Json pages_only = Json::array();
  pages_only.push_back({{"type", "page"}});
  Command("Target.setDiscoverTargets", {{"discover", true}}, std::string());
  Command("Target.setAutoAttach",
          {{"autoAttach", true}, {"waitForDebuggerOnStart", true}, {"flatten", true}, {"filter", pages_only}},
          std::string());
  Command("Browser.setDownloadBehavior", {{"behavior", "deny"}, {"eventsEnabled", true}}, std::string());
  // Every document request of every page, pop-ups opened by pages included,
  // waits for this engine: there is no moment in which one slips through.
  // Pages are made only once that holds.
  Json document_requests = Json::array();
  document_requests.push_back({{"urlPattern", "*"}, {"resourceType", "Document"}, {"requestStage", "Request"}});
  int generation = generation_;
  Command("Fetch.enable", {{"patterns", document_requests}}, std::string(),
          ForEngine([generation](RemoteEngine& self, const Json*, const std::string& error) {
            if (generation != self.generation_ || self.connection_ != Connection::kConnected) return;
            if (!error.empty()) self.log_.Write(LOGSEVERITY_ERROR, "no interception of navigations: " + error);
            self.intercepting_ = true;
            std::map<int, CefRefPtr<RemoteBrowser>> browsers = self.browsers_;
            for (auto& entry : browsers) {
              if (entry.second->IsAlive() && !entry.second->attached()) self.RequestTarget(entry.second.get());
            }
          }));
}

void RemoteEngine::RequestPaused(const Json& params) {
  std::string frame = JsonString(params, "frameId");
  CefRefPtr<RemoteBrowser> browser = FindBrowserByFrame(frame);
  if (browser && browser->IsAlive()) {
    browser->navigation().RequestPaused(params);
    return;
  }
  // A frame no page of ours knows yet (its page's events may still be on
  // their way) waits a moment; a pop-up's never becomes known and fails.
  parked_.push_back(Parked{params, ::GetTickCount64()});
  if (parked_.size() == 1) PostUi([](RemoteEngine& self) { self.ResolveParked(); }, kParkCheckMs);
}

void RemoteEngine::ResolveParked() {
  if (parked_.empty()) return;
  ULONGLONG now = ::GetTickCount64();
  std::vector<Parked> waiting;
  waiting.swap(parked_);
  for (Parked& parked : waiting) {
    std::string frame = JsonString(parked.params, "frameId");
    CefRefPtr<RemoteBrowser> browser = FindBrowserByFrame(frame);
    if (browser && browser->IsAlive()) {
      browser->navigation().RequestPaused(parked.params);
    } else if (discarded_targets_.count(frame) || now - parked.since > kParkLimitMs) {
      Command("Fetch.failRequest", {{"requestId", JsonString(parked.params, "requestId")}, {"errorReason", "Aborted"}},
              std::string());
    } else {
      parked_.push_back(std::move(parked));
    }
  }
  if (!parked_.empty()) PostUi([](RemoteEngine& self) { self.ResolveParked(); }, kParkCheckMs);
}

void RemoteEngine::ConnectFailed(const std::wstring& reason) {
  log_.Write(LOGSEVERITY_ERROR, L"no browser: " + reason);
  connection_ = Connection::kGone;
  {
    std::lock_guard<std::mutex> guard(process_lock_);
    if (process_) process_->Kill();
  }
  // Pages that waited for the browser fail as loads do.
  std::map<int, CefRefPtr<RemoteBrowser>> browsers = browsers_;
  for (auto& entry : browsers) {
    RemoteBrowser* browser = entry.second.get();
    if (!browser->IsAlive() || browser->pending_url().empty()) continue;
    std::wstring url = browser->pending_url();
    CefRefPtr<CefClient> client = browser->client();
    CefRefPtr<CefLoadHandler> load = client ? client->GetLoadHandler() : nullptr;
    if (load) {
      load->OnLoadError(browser, browser->main_frame().get(), static_cast<cef_errorcode_t>(-104),
                        L"net::ERR_CONNECTION_FAILED", url);
    }
    browser->ClearPendingUrl();
  }
}

void RemoteEngine::Disconnected(const std::wstring& reason) {
  if (connection_ == Connection::kGone) return;
  log_.Write(LOGSEVERITY_ERROR, L"lost the browser: " + reason);
  connection_ = Connection::kGone;
  ++generation_;
  std::shared_ptr<ProtocolClient> protocol;
  {
    std::lock_guard<std::mutex> guard(protocol_lock_);
    protocol.swap(protocol_);
  }
  if (protocol) protocol->Close();
  {
    std::lock_guard<std::mutex> guard(process_lock_);
    if (process_) process_->Kill();
  }
  {
    std::lock_guard<std::mutex> guard(sinks_lock_);
    for (auto& entry : sinks_) entry.second->Close();
    sinks_.clear();
  }
  sessions_.clear();
  targets_.clear();
  unclaimed_.clear();
  discarded_.clear();
  discarded_targets_.clear();
  parked_.clear();
  intercepting_ = false;
  pending_creations_ = 0;
  std::map<int, CefRefPtr<RemoteBrowser>> browsers = browsers_;
  for (auto& entry : browsers) entry.second->ConnectionLost();
}

bool RemoteEngine::Command(const std::string& method, Json params, const std::string& session, UiAnswer answer) {
  ProtocolClient::Answer wrapped;
  if (answer) {
    wrapped = [answer](const Json* result, const std::string& error) {
      std::shared_ptr<Json> copy = result ? std::make_shared<Json>(*result) : nullptr;
      PageServices::PostUi([answer, copy, error](PageServices& self) { answer(self, copy.get(), error); });
    };
  }
  return CommandFromAnyThread(method, std::move(params), session, std::move(wrapped));
}

bool RemoteEngine::CommandFromAnyThread(const std::string& method, Json params, const std::string& session,
                                        ProtocolClient::Answer answer) {
  std::shared_ptr<ProtocolClient> protocol;
  {
    std::lock_guard<std::mutex> guard(protocol_lock_);
    protocol = protocol_;
  }
  return protocol && protocol->Send(method, std::move(params), session, std::move(answer));
}

void RemoteEngine::OnProtocolEvent(const std::string& session, const std::string& method, Json& params) {
  // Pictures go straight to the decoder, past the UI thread.
  if (method == "Page.screencastFrame") {
    int number = static_cast<int>(JsonInt(params, "sessionId", -1));
    std::shared_ptr<FrameSink> sink;
    {
      std::lock_guard<std::mutex> guard(sinks_lock_);
      auto it = sinks_.find(session);
      if (it != sinks_.end()) sink = it->second;
    }
    auto data = params.find("data");
    if (!sink || data == params.end() || !data->is_string()) {
      if (number >= 0) CommandFromAnyThread("Page.screencastFrameAck", {{"sessionId", number}}, session);
      return;
    }
    pipeline_.Submit(sink, std::move(data->get_ref<std::string&>()), number);
    return;
  }
  // A page's native call skips the UI thread, which would only pass it on,
  // whenever that keeps it behind every event read before it.
  if (method == "Runtime.bindingCalled" && event_order_.MayPass() && NativeCallToRenderer(session, params)) return;
  std::string event_session = session;
  std::string event_method = method;
  std::shared_ptr<Json> event_params = std::make_shared<Json>(std::move(params));
  std::shared_ptr<EventOrder::Ticket> ticket = event_order_.Take();
  PostUi([event_session, event_method, event_params, ticket](RemoteEngine& self) {
    self.HandleEvent(event_session, event_method, *event_params);
    ticket->Done();
  });
}

bool RemoteEngine::NativeCallToRenderer(const std::string& session, Json& params) {
  std::lock_guard<std::mutex> guard(renderer_lock_);
  if (!renderer_ || JsonString(params, "name") != renderer_->binding_name()) return false;
  if (settings_.log_severity == LOGSEVERITY_VERBOSE) {
    log_.Write(LOGSEVERITY_VERBOSE, "event " + session.substr(0, 8) + " native call");
  }
  int context_id = static_cast<int>(JsonInt(params, "executionContextId", -1));
  // Payloads may be large: moved, not copied.
  std::string payload;
  auto found = params.find("payload");
  if (found != params.end() && found->is_string()) payload = std::move(found->get_ref<std::string&>());
  renderer_->Post([session, context_id, payload = std::move(payload)](RemoteRenderer& renderer) {
    renderer.NativeCall(session, context_id, payload);
  });
  return true;
}

void RemoteEngine::HandleEvent(const std::string& session, const std::string& method, Json& params) {
  if (connection_ != Connection::kConnected) return;
  if (settings_.log_severity == LOGSEVERITY_VERBOSE) {
    log_.Write(LOGSEVERITY_VERBOSE,
               "event " + session.substr(0, 8) + " " + method + " " + DumpJson(params).substr(0, 300));
  }
  if (!session.empty()) {
    if (discarded_.count(session)) return;
    auto owner = sessions_.find(session);
    if (owner == sessions_.end()) return;
    CefRefPtr<RemoteBrowser> browser = FindBrowser(owner->second);
    if (!browser) return;
    // A page's native call that had to wait behind other events.
    if (method == "Runtime.bindingCalled" && NativeCallToRenderer(session, params)) return;
    // A sub-frame of another origin runs in a target of its own.
    if (method == "Target.attachedToTarget") {
      std::string child = JsonString(params, "sessionId");
      const Json& info = JsonObject(params, "targetInfo");
      if (JsonString(info, "type") == "iframe") {
        sessions_[child] = browser->GetIdentifier();
        browser->AttachChildSession(child, info);
      } else {
        Command("Runtime.runIfWaitingForDebugger", Json::object(), child);
        Command("Target.detachFromTarget", {{"sessionId", child}}, session);
      }
      return;
    }
    if (method == "Target.detachedFromTarget") {
      std::string child = JsonString(params, "sessionId");
      browser->DetachChildSession(child);
      ForgetSession(child);
      return;
    }
    browser->HandleEvent(session, method, params);
    return;
  }
  if (method == "Fetch.requestPaused") {
    RequestPaused(params);
  } else if (method == "Target.attachedToTarget") {
    PageAttached(params);
  } else if (method == "Target.detachedFromTarget" || method == "Target.targetDestroyed") {
    std::string target = JsonString(params, "targetId");
    if (method == "Target.detachedFromTarget") discarded_.erase(JsonString(params, "sessionId"));
    if (method == "Target.targetDestroyed") discarded_targets_.erase(target);
    auto it = targets_.find(target);
    if (it == targets_.end()) return;
    CefRefPtr<RemoteBrowser> browser = FindBrowser(it->second);
    targets_.erase(it);
    if (browser && browser->target_id() == target) browser->TargetGone();
  } else if (method == "Target.targetCrashed") {
    auto it = targets_.find(JsonString(params, "targetId"));
    CefRefPtr<RemoteBrowser> browser = it == targets_.end() ? nullptr : FindBrowser(it->second);
    if (browser) browser->TargetCrashed(JsonString(params, "status"));
  } else if (method == "Browser.downloadWillBegin") {
    CefRefPtr<RemoteBrowser> browser = FindBrowserByFrame(JsonString(params, "frameId"));
    if (browser) browser->DownloadWillBegin(params);
  }
}

void RemoteEngine::PageAttached(const Json& params) {
  std::string session = JsonString(params, "sessionId");
  const Json& info = JsonObject(params, "targetInfo");
  std::string target = JsonString(info, "targetId");
  if (session.empty() || target.empty()) return;
  if (JsonString(info, "type") != "page") {
    Command("Runtime.runIfWaitingForDebugger", Json::object(), session);
    return;
  }
  auto it = targets_.find(target);
  if (it != targets_.end()) {
    CefRefPtr<RemoteBrowser> browser = FindBrowser(it->second);
    if (browser && browser->IsAlive() && !browser->attached()) {
      sessions_[session] = browser->GetIdentifier();
      browser->Attach(target, session);
    }
    return;
  }
  // Pages that the browser opened for a page of ours (pop-ups) are not
  // kept: the client decided on them through its life-span handler.
  if (pending_creations_ == 0 || !JsonString(info, "openerId").empty()) {
    Discard(target, session);
    return;
  }
  unclaimed_[target] = session;
}

void RemoteEngine::Discard(const std::string& target, const std::string& session) {
  // A paused pop-up may hold its opener's renderer paused too, so it runs
  // once more (its requests fail at the interception) until it is gone.
  discarded_.insert(session);
  discarded_targets_.insert(target);
  Command("Runtime.runIfWaitingForDebugger", Json::object(), session);
  Command("Target.closeTarget", {{"targetId", target}}, std::string());
}

void RemoteEngine::RequestTarget(RemoteBrowser* browser) {
  if (shutting_down_ || !browser->IsAlive() || browser->attached()) return;
  if (connection_ == Connection::kGone) {
    // A browser program that ended comes back for the page that needs it.
    StartBrowserProgram();
    return;
  }
  if (connection_ != Connection::kConnected || !intercepting_) return;  // done once connected
  int id = browser->GetIdentifier();
  ++pending_creations_;
  bool sent = Command("Target.createTarget", {{"url", "about:blank"}}, std::string(),
                      ForEngine([id](RemoteEngine& self, const Json* result, const std::string& error) {
                        if (self.pending_creations_ > 0) --self.pending_creations_;
                        std::string target = result ? JsonString(*result, "targetId") : std::string();
                        CefRefPtr<RemoteBrowser> browser = self.FindBrowser(id);
                        if (!target.empty()) {
                          if (browser && browser->IsAlive()) {
                            self.targets_[target] = id;
                            auto waiting = self.unclaimed_.find(target);
                            if (waiting != self.unclaimed_.end()) {
                              std::string session = waiting->second;
                              self.unclaimed_.erase(waiting);
                              self.sessions_[session] = id;
                              browser->Attach(target, session);
                            }
                          } else {
                            self.Command("Target.closeTarget", {{"targetId", target}}, std::string());
                          }
                        }
                        if (self.pending_creations_ == 0) {
                          // What no creation of ours claimed is no page of ours.
                          for (const auto& stray : self.unclaimed_) self.Discard(stray.first, stray.second);
                          self.unclaimed_.clear();
                        }
                      }));
  if (!sent) --pending_creations_;
}

void RemoteEngine::ForgetSession(const std::string& session) {
  sessions_.erase(session);
  std::lock_guard<std::mutex> guard(sinks_lock_);
  auto it = sinks_.find(session);
  if (it == sinks_.end()) return;
  it->second->Close();
  sinks_.erase(it);
}

std::shared_ptr<FrameSink> RemoteEngine::StartFrames(RemoteBrowser* browser) {
  std::string session = browser->session();
  int id = browser->GetIdentifier();
  std::shared_ptr<ViewSurface> surface = browser->view_surface();
  FrameSink::Deliver deliver;
  if (surface) {
    deliver = [surface](std::shared_ptr<const PageFrame> frame) { return surface->Show(std::move(frame)); };
  } else {
    deliver = [id](std::shared_ptr<const PageFrame> frame) {
      RemoteEngine::PostUi([id, frame](RemoteEngine& self) {
        if (CefRefPtr<RemoteBrowser> browser = self.FindBrowser(id)) browser->PresentFrame(frame);
      });
      return false;
    };
  }
  auto sink = std::make_shared<FrameSink>(
      [this, session](int number) {
        CommandFromAnyThread("Page.screencastFrameAck", {{"sessionId", number}}, session);
      },
      std::move(deliver));
  std::lock_guard<std::mutex> guard(sinks_lock_);
  auto old = sinks_.find(session);
  if (old != sinks_.end()) old->second->Close();
  sinks_[session] = sink;
  return sink;
}

void RemoteEngine::StopFrames(RemoteBrowser* browser) {
  std::lock_guard<std::mutex> guard(sinks_lock_);
  auto it = sinks_.find(browser->session());
  if (it == sinks_.end()) return;
  it->second->Close();
  sinks_.erase(it);
}

void RemoteEngine::SubmitFrame(RemoteBrowser* browser, std::string base64) {
  std::shared_ptr<FrameSink> sink;
  {
    std::lock_guard<std::mutex> guard(sinks_lock_);
    auto it = sinks_.find(browser->session());
    if (it != sinks_.end()) sink = it->second;
  }
  if (sink) pipeline_.Submit(sink, std::move(base64), -1);
}

void RemoteEngine::StartRenderer() {
  if (renderer_ || shutting_down_) return;
  engine::RendererLaunch launch = engine::RendererLaunch::Prepare(app_, command_line_);
  auto renderer = std::make_unique<RemoteRenderer>(this);
  if (!renderer->Start(launch.extra_info, launch.command_line)) {
    log_.Write(LOGSEVERITY_ERROR, "the renderer did not start");
    return;
  }
  std::lock_guard<std::mutex> guard(renderer_lock_);
  renderer_ = std::move(renderer);
}

bool RemoteEngine::PostToRenderer(std::function<void(RemoteRenderer&)> task) {
  std::lock_guard<std::mutex> guard(renderer_lock_);
  return renderer_ && renderer_->Post(std::move(task));
}

void RemoteEngine::MessageToBrowser(int browser_id, int64_t frame_id, const std::wstring& name,
                                    const engine::ListData& data) {
  PostUi([browser_id, frame_id, name, data](RemoteEngine& self) {
    CefRefPtr<RemoteBrowser> browser = self.FindBrowser(browser_id);
    if (!browser || !browser->IsAlive()) return;
    CefRefPtr<CefClient> client = browser->client();
    // A message from a frame that has gone away is dropped: it must never
    // pass for one of another frame.
    CefRefPtr<CefFrame> frame = browser->GetFrame(frame_id);
    if (!client || !frame) return;
    client->OnProcessMessageReceived(browser.get(), frame, PID_RENDERER,
                                     engine::ProcessMessageImpl::Received(name, data));
  });
}

void RemoteEngine::Navigate(int browser_id, int64_t frame_id, const std::wstring& url) {
  PostUi([browser_id, frame_id, url](RemoteEngine& self) {
    CefRefPtr<RemoteBrowser> browser = self.FindBrowser(browser_id);
    CefRefPtr<CefFrame> frame = browser ? browser->GetFrame(frame_id) : nullptr;
    if (frame) frame->LoadURL(url);
  });
}

void RemoteEngine::History(int browser_id, int step) {
  PostUi([browser_id, step](RemoteEngine& self) {
    CefRefPtr<RemoteBrowser> browser = self.FindBrowser(browser_id);
    if (!browser) return;
    if (step < 0) browser->GoBack();
    if (step > 0) browser->GoForward();
    if (step == 0) browser->Reload();
  });
}

bool RemoteEngine::Evaluate(const std::string& session, int context_id, const std::string& expression,
                            unsigned long timeout_ms, Json* value) {
  std::shared_ptr<ProtocolClient> protocol;
  {
    std::lock_guard<std::mutex> guard(protocol_lock_);
    protocol = protocol_;
  }
  Json result;
  Json params = {{"expression", expression}, {"contextId", context_id}, {"returnByValue", true}};
  if (!protocol || !protocol->SendAndWait("Runtime.evaluate", std::move(params), session, timeout_ms, &result)) {
    return false;
  }
  if (JsonMember(result, "exceptionDetails")) return false;
  const Json* inner = JsonMember(JsonObject(result, "result"), "value");
  if (value) *value = inner ? *inner : Json();
  return true;
}

bool RemoteEngine::EvaluateAsync(const std::string& session, int context_id, const std::string& expression,
                                 std::function<void(bool ok, const Json& value)> done) {
  std::shared_ptr<ProtocolClient> protocol;
  {
    std::lock_guard<std::mutex> guard(protocol_lock_);
    protocol = protocol_;
  }
  if (!protocol || !done) return false;
  Json params = {{"expression", expression}, {"contextId", context_id}, {"returnByValue", true}};
  return protocol->Send("Runtime.evaluate", std::move(params), session, [done](const Json* result, const std::string&) {
    if (!result || JsonMember(*result, "exceptionDetails")) {
      done(false, Json());
      return;
    }
    const Json* inner = JsonMember(JsonObject(*result, "result"), "value");
    done(true, inner ? *inner : Json());
  });
}

void RemoteEngine::EvaluateLater(const std::string& session, int context_id, const std::string& expression) {
  CommandFromAnyThread("Runtime.evaluate", {{"expression", expression}, {"contextId", context_id}}, session);
}

CefRefPtr<RemoteBrowser> RemoteEngine::CreateBrowserOnUi(int id, const CefWindowInfo& window_info,
                                                         CefRefPtr<CefClient> client, const std::wstring& url,
                                                         bool is_popup) {
  if (shutting_down_ || !client) return nullptr;
  CefRefPtr<RemoteBrowser> browser = new RemoteBrowser(id, client, window_info, is_popup);
  if (!browser->CreateView()) {
    log_.Write(LOGSEVERITY_ERROR, L"browser window could not be created for " + url);
    browser->main_frame()->DetachBrowser();
    return nullptr;
  }
  browsers_[id] = browser;
  ++live_browsers_;
  int64_t main_frame = browser->main_frame()->GetIdentifier();
  PostToRenderer([id, main_frame](RemoteRenderer& renderer) { renderer.BrowserCreated(id, main_frame); });
  log_.Write(LOGSEVERITY_INFO, "browser " + std::to_string(id) + " created");
  CefRefPtr<CefLifeSpanHandler> life_span = client->GetLifeSpanHandler();
  if (life_span) life_span->OnAfterCreated(browser.get());
  if (!browser->IsAlive()) return browser;
  if (!url.empty()) {
    browser->Navigate(url);
  } else {
    RequestTarget(browser.get());
  }
  return browser;
}

void RemoteEngine::OpenPopup(const CefWindowInfo& window_info, CefRefPtr<CefClient> client, const std::wstring& url) {
  CreateBrowserOnUi(NextBrowserId(), window_info, client, url, true);
}

CefRefPtr<RemoteBrowser> RemoteEngine::FindBrowser(int id) const {
  auto it = browsers_.find(id);
  return it == browsers_.end() ? nullptr : it->second;
}

CefRefPtr<RemoteBrowser> RemoteEngine::FindBrowserByFrame(const std::string& frame_id) const {
  auto target = targets_.find(frame_id);
  if (target != targets_.end()) return FindBrowser(target->second);
  for (const auto& entry : browsers_) {
    if (entry.second->KnowsFrame(frame_id)) return entry.second;
  }
  return nullptr;
}

void RemoteEngine::BrowserClosed(RemoteBrowser* browser) {
  if (browsers_.erase(browser->GetIdentifier()) == 0) return;
  if (!browser->target_id().empty()) targets_.erase(browser->target_id());
  --live_browsers_;
  int id = browser->GetIdentifier();
  PostToRenderer([id](RemoteRenderer& renderer) { renderer.BrowserDestroyed(id); });
  log_.Write(LOGSEVERITY_INFO, "browser " + std::to_string(browser->GetIdentifier()) + " closed");
}

void RemoteEngine::Watch() {
  if (shutting_down_) return;
  if (connection_ == Connection::kConnected) {
    // Only the browser's own answers tell whether it hangs: a page's
    // renderer may be busy for a long time with a large page.
    ULONGLONG now = ::GetTickCount64();
    if (heartbeat_sent_ && now - heartbeat_answered_ > kHungAfterMs) {
      Disconnected(L"the browser stopped answering");
    } else if (now - last_heartbeat_ > kHeartbeatMs) {
      last_heartbeat_ = now;
      if (!heartbeat_sent_) {
        heartbeat_sent_ = true;
        heartbeat_answered_ = now;
      }
      int generation = generation_;
      Command("Browser.getVersion", Json::object(), std::string(),
              ForEngine([generation](RemoteEngine& self, const Json* result, const std::string&) {
                if (result && generation == self.generation_) self.heartbeat_answered_ = ::GetTickCount64();
              }));
    }
  }
  PostUi([](RemoteEngine& self) { self.Watch(); }, kWatchIntervalMs);
}

void RemoteEngine::Shutdown() {
  std::shared_ptr<RemoteEngine> engine = Get();
  if (!engine || engine->shutting_down_.exchange(true)) return;
  if (::GetCurrentThreadId() != engine->init_thread_) {
    // Only the thread that started the engine may stop it.
    engine->log_.Write(LOGSEVERITY_ERROR, "shutdown called on the wrong thread");
    engine->shutting_down_ = false;
    return;
  }
  engine->ui_->RunAndWait([raw = engine.get()] { raw->CloseEverything(); });
  if (engine->connector_) engine->connector_->Cancel();
  engine->connector_.reset();
  std::shared_ptr<ProtocolClient> protocol;
  {
    std::lock_guard<std::mutex> guard(engine->protocol_lock_);
    protocol = engine->protocol_;
  }
  std::unique_ptr<BrowserProcess> process;
  {
    std::lock_guard<std::mutex> guard(engine->process_lock_);
    process = std::move(engine->process_);
  }
  if (process) {
    // The browser's own close first, so it leaves its data in order; then,
    // if it takes too long, the end of it.
    if (protocol && protocol->connected()) protocol->SendAndWait("Browser.close", Json::object(), "", 2000, nullptr);
    if (!process->WaitForExit(kCloseWaitMs)) {
      engine->log_.Write(LOGSEVERITY_WARNING, "the browser did not close in time; ending it");
      process->Kill();
      process->WaitForExit(kKillWaitMs);
    }
  }
  if (protocol) protocol->Close();
  {
    std::lock_guard<std::mutex> guard(engine->protocol_lock_);
    engine->protocol_.reset();
  }
  engine->pipeline_.Stop();
  if (engine->renderer_) engine->renderer_->Stop();
  engine->ui_->Stop();
  process.reset();
  engine->log_.Write(LOGSEVERITY_INFO, "engine stopped");
  engine->log_.Close();
  SetRunning(nullptr);
  engine->app_ = nullptr;
}

void RemoteEngine::CloseEverything() {
  // Browsers still open at shutdown close as if forced, so every client
  // still hears OnBeforeClose.
  std::map<int, CefRefPtr<RemoteBrowser>> open = browsers_;
  for (auto& entry : open) entry.second->Close(true);
}

}  // namespace remote
