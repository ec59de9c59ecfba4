#include "engine/remote/remote_browser.h"

#include <set>

#include "base/string_conversions.h"
#include "engine/remote/input_events.h"
#include "engine/remote/page_agent.h"
#include "engine/remote/page_bridge.h"
#include "engine/remote/page_services.h"
#include "engine/remote/remote_renderer.h"

namespace remote {

namespace {

// Pictures of the page travel as JPEG: the fastest the browser encodes.
constexpr int kFrameQuality = 80;
// Larger views are refused rather than allocated.
constexpr int kMaxViewSide = 16384;

std::string Utf8(const std::wstring& text) { return qbase::UTF16ToUTF8(text); }

}  // namespace

RemoteBrowser::RemoteBrowser(int identifier, CefRefPtr<CefClient> client, const CefWindowInfo& window_info,
                             bool is_popup)
    : identifier_(identifier),
      is_popup_(is_popup),
      window_info_(window_info),
      client_(client),
      navigation_(this),
      requests_(this) {
  std::shared_ptr<PageServices> engine = PageServices::Running();
  int64_t frame_id = engine ? engine->NextFrameId() : 1;
  // Made here, not in the initializer list: the frame takes a reference to
  // this browser, and the reference count is only ready once every member is.
  main_frame_ = new RemoteFrame(this, frame_id, std::string(), true);
}

CefRefPtr<CefClient> RemoteBrowser::client() {
  std::lock_guard<std::mutex> guard(lock_);
  return client_;
}

std::wstring RemoteBrowser::url() { return main_frame_->GetURL().ToWString(); }

void RemoteBrowser::Post(std::function<void(RemoteBrowser&)> task) {
  CefRefPtr<RemoteBrowser> self(this);
  PageServices::PostUi([self, task](PageServices&) { task(*self); });
}

bool RemoteBrowser::CreateView() {
  if (windowless()) return true;
  view_ = PageView::Create(window_info_, this);
  if (!view_) return false;
  std::lock_guard<std::mutex> guard(lock_);
  window_handle_ = view_->window();
  return true;
}

// ---- frames ----

CefRefPtr<RemoteFrame> RemoteBrowser::FrameFor(const std::string& protocol_id, const std::string& parent_id) {
  if (protocol_id.empty() || protocol_id == target_id_) return main_frame_;
  std::lock_guard<std::mutex> guard(lock_);
  auto it = frames_.find(protocol_id);
  if (it != frames_.end()) {
    if (!parent_id.empty()) it->second->set_parent_id(parent_id);
    return it->second;
  }
  std::shared_ptr<PageServices> engine = PageServices::Running();
  CefRefPtr<RemoteFrame> frame = new RemoteFrame(this, engine ? engine->NextFrameId() : 0, protocol_id, false);
  frame->set_parent_id(parent_id);
  frames_[protocol_id] = frame;
  return frame;
}

void RemoteBrowser::ForgetFrame(const std::string& protocol_id) {
  CefRefPtr<RemoteFrame> frame;
  {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = frames_.find(protocol_id);
    if (it == frames_.end()) return;
    frame = it->second;
    frames_.erase(it);
  }
  frame->DetachBrowser();
}

bool RemoteBrowser::KnowsFrame(const std::string& protocol_id) {
  if (protocol_id == target_id_) return true;
  std::lock_guard<std::mutex> guard(lock_);
  return frames_.count(protocol_id) != 0;
}

CefRefPtr<CefFrame> RemoteBrowser::GetFrame(int64_t identifier) {
  if (main_frame_->GetIdentifier() == identifier) return main_frame_.get();
  std::lock_guard<std::mutex> guard(lock_);
  for (const auto& entry : frames_) {
    if (entry.second->GetIdentifier() == identifier) return entry.second.get();
  }
  return nullptr;
}

// ---- the page target ----

bool RemoteBrowser::Command(const std::string& method, Json params, const std::string& session) {
  const std::string& target_session = session.empty() ? session_ : session;
  if (target_session.empty()) return false;
  std::shared_ptr<PageServices> engine = PageServices::Running();
  return engine && engine->Command(method, std::move(params), target_session);
}

void RemoteBrowser::Attach(const std::string& target_id, const std::string& session) {
  target_id_ = target_id;
  session_ = session;
  SetUpSession(session, true);
  // A new page has no size yet, whatever an earlier one had.
  viewport_width_ = viewport_height_ = 0;
  UpdateViewport();
  if (muted_) ApplyMute();
  // A navigation sent before the page has taken its resumption can lose the
  // page's events of that navigation: the first one waits for the answer.
  std::shared_ptr<PageServices> engine = PageServices::Running();
  int id = identifier_;
  std::string attached_session = session;
  if (!engine || !engine->Command("Runtime.runIfWaitingForDebugger", Json::object(), session,
                                  [id, attached_session](PageServices& engine, const Json*, const std::string&) {
                                    CefRefPtr<RemoteBrowser> browser = engine.FindBrowser(id);
                                    if (browser && browser->session() == attached_session) browser->SessionReady();
                                  })) {
    SessionReady();
  }
}

void RemoteBrowser::SessionReady() {
  if (state_ != State::kAlive || ready_) return;
  ready_ = true;
  if (!pending_url_.empty()) {
    std::wstring url;
    url.swap(pending_url_);
    navigation_.Navigate(url);
  }
  if (devtools_ && devtools_->IsAlive()) OpenDevTools();
}

void RemoteBrowser::OpenDevTools() {
  std::shared_ptr<PageServices> engine = PageServices::Running();
  if (!engine || !devtools_) return;
  // The browser program's own inspector, served by its debugging port,
  // looking at this page.
  std::wstring port = std::to_wstring(engine->debugging_port());
  devtools_->Navigate(L"http://127.0.0.1:" + port + L"/devtools/inspector.html?ws=127.0.0.1:" + port +
                      L"/devtools/page/" + qbase::UTF8ToUTF16(target_id_));
}

void RemoteBrowser::SetUpSession(const std::string& session, bool main) {
  // Commands on one session run in order, so none waits for the one before.
  Command("Page.enable", Json::object(), session);
  Command("Page.setLifecycleEventsEnabled", {{"enabled", true}}, session);
  Command("Runtime.enable", Json::object(), session);
  // Only the documents' answers matter; bodies are not kept.
  Command("Network.enable", {{"maxTotalBufferSize", 0}, {"maxResourceBufferSize", 0}, {"maxPostDataSize", 0}}, session);
  Command(
      "Runtime.addBinding",
      {{"name", std::string(PageAgent::kBindingName)}, {"executionContextName", std::string(PageAgent::kWorldName)}},
      session);
  Command(
      "Page.addScriptToEvaluateOnNewDocument",
      {{"source", PageAgent::Script()}, {"worldName", std::string(PageAgent::kWorldName)}, {"runImmediately", true}},
      session);
  // The renderer's half in the page's own world: its extensions and the
  // table of values native code refers to, before any script of the page.
  std::shared_ptr<PageServices> engine = PageServices::Running();
  RemoteRenderer* renderer = engine ? engine->renderer() : nullptr;
  if (renderer) {
    Command("Runtime.addBinding", {{"name", PageBridge::BindingName(renderer->token())}}, session);
    Command("Page.addScriptToEvaluateOnNewDocument", {{"source", renderer->PageScript()}, {"runImmediately", true}},
            session);
  }
  Json frames_only = Json::array();
  frames_only.push_back({{"type", "iframe"}});
  Command("Target.setAutoAttach",
          {{"autoAttach", true}, {"waitForDebuggerOnStart", true}, {"flatten", true}, {"filter", frames_only}},
          session);
  if (main) Command("Page.setInterceptFileChooserDialog", {{"enabled", true}}, session);
}

void RemoteBrowser::AttachChildSession(const std::string& session, const Json& target_info) {
  std::string frame_id = JsonString(target_info, "targetId");
  child_sessions_[session] = frame_id;
  FrameFor(frame_id, JsonString(target_info, "parentFrameId"));
  SetUpSession(session, false);
  Command("Runtime.runIfWaitingForDebugger", Json::object(), session);
}

void RemoteBrowser::DetachChildSession(const std::string& session) { child_sessions_.erase(session); }

void RemoteBrowser::ConnectionLost() {
  if (state_ != State::kAlive) return;
  ReleaseContexts();
  bool had_page = attached();
  navigation_.Ended();
  if (frame_sink_) frame_sink_->Close();
  frames_running_ = false;
  frame_sink_.reset();
  target_id_.clear();
  session_.clear();
  ready_ = false;
  child_sessions_.clear();
  if (!had_page) return;
  CefRefPtr<CefClient> client = this->client();
  CefRefPtr<CefRequestHandler> request = client ? client->GetRequestHandler() : nullptr;
  if (request) request->OnRenderProcessTerminated(this, TS_PROCESS_WAS_KILLED);
}

void RemoteBrowser::TargetCrashed(const std::string& status) {
  if (state_ != State::kAlive) return;
  ReleaseContexts();
  navigation_.Ended();
  CefRefPtr<CefClient> client = this->client();
  CefRefPtr<CefRequestHandler> request = client ? client->GetRequestHandler() : nullptr;
  cef_termination_status_t termination = status == "killed"    ? TS_PROCESS_WAS_KILLED
                                         : status == "crashed" ? TS_PROCESS_CRASHED
                                                               : TS_ABNORMAL_TERMINATION;
  if (request) request->OnRenderProcessTerminated(this, termination);
}

void RemoteBrowser::TargetGone() {
  if (state_ != State::kAlive) return;
  target_id_.clear();
  session_.clear();
  ready_ = false;
  Close(true);
}

void RemoteBrowser::HandleEvent(const std::string& session, const std::string& method, Json& params) {
  if (state_ != State::kAlive) return;
  // The renderer's own binding reaches it from the engine; only the page
  // agent's reports are the browser's.
  if (method == "Runtime.bindingCalled") {
    if (JsonString(params, "name") == PageAgent::kBindingName) AgentReport(session, JsonString(params, "payload"));
    return;
  }
  if (method == "Runtime.executionContextCreated" || method == "Runtime.executionContextDestroyed" ||
      method == "Runtime.executionContextsCleared") {
    ContextEvent(session, method, params);
    return;
  }
  if (navigation_.Handle(session, method, params)) return;
  requests_.Handle(session, method, params);
}

void RemoteBrowser::ContextEvent(const std::string& session, const std::string& method, const Json& params) {
  std::shared_ptr<PageServices> engine = PageServices::Running();
  if (!engine) return;
  int id = identifier_;
  if (method == "Runtime.executionContextCreated") {
    const Json& context = JsonObject(params, "context");
    const Json& details = JsonObject(context, "auxData");
    // Only each frame's main world is the page's: the engine's own world
    // and others stay out of the renderer's view.
    if (!JsonBool(details, "isDefault")) return;
    CefRefPtr<RemoteFrame> frame = FrameFor(JsonString(details, "frameId"));
    int64_t frame_id = frame->GetIdentifier();
    bool is_main = frame->IsMain();
    std::wstring url = frame->GetURL().ToWString();
    int context_id = static_cast<int>(JsonInt(context, "id", -1));
    contexts_[session + "#" + std::to_string(context_id)] = frame_id;
    engine->PostToRenderer([id, frame_id, is_main, url, session, context_id](RemoteRenderer& renderer) {
      renderer.ContextCreated(id, frame_id, is_main, url, session, context_id);
    });
    return;
  }
  int context_id =
      method == "Runtime.executionContextDestroyed" ? static_cast<int>(JsonInt(params, "executionContextId", -1)) : -1;
  if (context_id < 0) {
    for (auto it = contexts_.begin(); it != contexts_.end();) {
      it = it->first.compare(0, session.size() + 1, session + "#") == 0 ? contexts_.erase(it) : std::next(it);
    }
  } else if (contexts_.erase(session + "#" + std::to_string(context_id)) == 0) {
    return;
  }
  engine->PostToRenderer(
      [id, session, context_id](RemoteRenderer& renderer) { renderer.ContextReleased(id, session, context_id); });
}

void RemoteBrowser::ReleaseContexts() {
  std::shared_ptr<PageServices> engine = PageServices::Running();
  if (!engine || contexts_.empty()) return;
  std::set<std::string> sessions;
  for (const auto& entry : contexts_) sessions.insert(entry.first.substr(0, entry.first.find('#')));
  contexts_.clear();
  int id = identifier_;
  for (const std::string& session : sessions) {
    engine->PostToRenderer([id, session](RemoteRenderer& renderer) { renderer.ContextReleased(id, session, -1); });
  }
}

void RemoteBrowser::AgentReport(const std::string& session, const std::string& payload) {
  PageAgent::Report report = PageAgent::Parse(payload);
  switch (report.kind) {
    case PageAgent::Kind::kTitle:
      // Only the top frame reports its title; a child session has none.
      if (session == session_) navigation_.TitleReported(qbase::UTF8ToUTF16(report.text));
      break;
    case PageAgent::Kind::kCursor: {
      if (report.text == cursor_) break;
      cursor_ = report.text;
      HCURSOR cursor = report.text == "none" ? nullptr : ::LoadCursorW(nullptr, SystemCursorFor(report.text));
      if (view_) view_->SetCursor(cursor);
      CefRefPtr<CefClient> client = this->client();
      CefRefPtr<CefRenderHandler> render = client ? client->GetRenderHandler() : nullptr;
      if (render && windowless()) render->OnCursorChange(this, cursor, CT_POINTER, CefCursorInfo());
      break;
    }
    case PageAgent::Kind::kFocus: {
      std::shared_ptr<PageServices> engine = PageServices::Running();
      if (!engine) break;
      auto child = child_sessions_.find(session);
      CefRefPtr<RemoteFrame> frame = child == child_sessions_.end() ? main_frame_ : FrameFor(child->second);
      int id = identifier_;
      int64_t frame_id = frame->GetIdentifier();
      bool focused = report.focused;
      bool editable = report.editable;
      engine->PostToRenderer([id, frame_id, focused, editable](RemoteRenderer& renderer) {
        renderer.FocusChanged(id, frame_id, focused, editable);
      });
      break;
    }
    default:
      break;
  }
}

void RemoteBrowser::Navigate(const std::wstring& url) {
  if (state_ != State::kAlive || url.empty()) return;
  if (ready_) {
    navigation_.Navigate(url);
    return;
  }
  pending_url_ = url;
  main_frame_->SetUrl(url);
  if (attached()) return;
  std::shared_ptr<PageServices> engine = PageServices::Running();
  if (engine) engine->RequestTarget(this);
}

// ---- pictures ----

void RemoteBrowser::UpdateViewport() {
  int width = 0;
  int height = 0;
  if (windowless()) {
    CefRefPtr<CefClient> client = this->client();
    CefRefPtr<CefRenderHandler> render = client ? client->GetRenderHandler() : nullptr;
    if (!render) return;
    CefRect rect;
    render->GetViewRect(this, rect);
    width = rect.width;
    height = rect.height;
  } else if (view_) {
    SIZE size = view_->ClientSize();
    width = size.cx;
    height = size.cy;
  }
  // A window sized to nothing is hidden: the page keeps its size and shows nothing.
  if (width <= 0 || height <= 0 || width > kMaxViewSide || height > kMaxViewSide) {
    StopFrames();
    return;
  }
  bool changed = width != viewport_width_ || height != viewport_height_;
  viewport_width_ = width;
  viewport_height_ = height;
  if (changed && attached()) {
    Command("Emulation.setDeviceMetricsOverride",
            {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", false}});
    // The pictures follow the new size.
    if (frames_running_) {
      StopFrames();
      StartFrames();
    }
  }
  if (!frames_running_ && !hidden_) StartFrames();
}

void RemoteBrowser::StartFrames() {
  if (frames_running_ || !attached() || viewport_width_ <= 0 || viewport_height_ <= 0) return;
  if (windowless()) {
    CefRefPtr<CefClient> client = this->client();
    if (!client || !client->GetRenderHandler()) return;
  }
  std::shared_ptr<PageServices> engine = PageServices::Running();
  if (!engine) return;
  frames_running_ = true;
  frame_sink_ = engine->StartFrames(this);
  Command("Page.startScreencast", {{"format", "jpeg"},
                                   {"quality", kFrameQuality},
                                   {"maxWidth", viewport_width_},
                                   {"maxHeight", viewport_height_},
                                   {"everyNthFrame", 1}});
}

void RemoteBrowser::StopFrames() {
  if (!frames_running_) return;
  frames_running_ = false;
  Command("Page.stopScreencast");
  std::shared_ptr<PageServices> engine = PageServices::Running();
  if (engine) engine->StopFrames(this);
  frame_sink_.reset();
}

void RemoteBrowser::PresentFrame(std::shared_ptr<const PageFrame> frame) {
  if (state_ != State::kAlive || !frame || hidden_) return;
  if (frame_sink_) frame_sink_->CountPresented();
  CefRefPtr<CefClient> client = this->client();
  CefRefPtr<CefRenderHandler> render = client ? client->GetRenderHandler() : nullptr;
  if (!render) return;
  CefRenderHandler::RectList dirty{CefRect(0, 0, frame->width, frame->height)};
  render->OnPaint(this, PET_VIEW, dirty, frame->pixels.data(), frame->width, frame->height);
}

// ---- the host ----

void RemoteBrowser::GoBack() {
  Post([](RemoteBrowser& self) {
    if (self.IsAlive()) self.navigation_.GoBack();
  });
}

void RemoteBrowser::GoForward() {
  Post([](RemoteBrowser& self) {
    if (self.IsAlive()) self.navigation_.GoForward();
  });
}

void RemoteBrowser::Reload() {
  Post([](RemoteBrowser& self) {
    if (!self.IsAlive()) return;
    if (self.attached()) {
      self.navigation_.Reload();
    } else {
      // A page lost with the browser program comes back on a new one.
      self.Navigate(self.url());
    }
  });
}

void RemoteBrowser::CloseBrowser(bool force_close) {
  Post([force_close](RemoteBrowser& self) { self.Close(force_close); });
}

void RemoteBrowser::Close(bool force) {
  if (state_ != State::kAlive) return;
  // The client was asked once; a forced close ends it now.
  if (client_closing_) {
    if (force) FinishClose();
    return;
  }
  CefRefPtr<CefClient> client = this->client();
  CefRefPtr<CefLifeSpanHandler> life_span = client ? client->GetLifeSpanHandler() : nullptr;
  bool client_closes = life_span && life_span->DoClose(this);
  if (state_ != State::kAlive) return;
  // A client that closes the parent window itself finishes the close through
  // the view's destruction; without a view there is nothing to wait for.
  if (client_closes && !force && view_) {
    client_closing_ = true;
    return;
  }
  state_ = State::kClosing;
  FinishClose();
}

void RemoteBrowser::FinishClose() {
  if (state_ == State::kClosed) return;
  state_ = State::kClosing;
  ReleaseContexts();
  if (devtools_) {
    devtools_->Close(true);
    devtools_ = nullptr;
  }
  if (frame_sink_) frame_sink_->Close();
  std::shared_ptr<PageServices> engine = PageServices::Running();
  if (engine) {
    if (frames_running_) engine->StopFrames(this);
    if (!target_id_.empty()) engine->Command("Target.closeTarget", {{"targetId", target_id_}}, std::string());
    for (const auto& child : child_sessions_) engine->ForgetSession(child.first);
    if (!session_.empty()) engine->ForgetSession(session_);
  }
  frames_running_ = false;
  view_.reset();
  {
    std::lock_guard<std::mutex> guard(lock_);
    window_handle_ = nullptr;
  }
  CefRefPtr<CefClient> client = this->client();
  CefRefPtr<CefLifeSpanHandler> life_span = client ? client->GetLifeSpanHandler() : nullptr;
  state_ = State::kClosed;
  if (engine) engine->BrowserClosed(this);
  if (life_span) life_span->OnBeforeClose(this);
  main_frame_->DetachBrowser();
  std::map<std::string, CefRefPtr<RemoteFrame>> frames;
  {
    std::lock_guard<std::mutex> guard(lock_);
    frames.swap(frames_);
    client_ = nullptr;
  }
  for (auto& entry : frames) entry.second->DetachBrowser();
}

void RemoteBrowser::OnViewDestroyed() {
  view_->Detach();
  view_.reset();
  {
    std::lock_guard<std::mutex> guard(lock_);
    window_handle_ = nullptr;
  }
  if (state_ != State::kAlive) return;
  state_ = State::kClosing;
  // Not from inside the window's destruction.
  Post([](RemoteBrowser& self) { self.FinishClose(); });
}

void RemoteBrowser::SetFocus(bool focus) {
  Post([focus](RemoteBrowser& self) {
    if (!self.IsAlive()) return;
    if (focus && self.view_) ::SetFocus(self.view_->window());
    self.SendFocusEvent(focus);
  });
}

CefWindowHandle RemoteBrowser::GetWindowHandle() {
  std::lock_guard<std::mutex> guard(lock_);
  return window_handle_;
}

void RemoteBrowser::ShowDevTools(const CefWindowInfo& window_info, CefRefPtr<CefClient> client,
                                 const CefBrowserSettings& settings, const CefPoint& inspect_element_at) {
  Post([window_info, client](RemoteBrowser& self) {
    if (!self.IsAlive() || (self.devtools_ && self.devtools_->IsAlive())) return;
    std::shared_ptr<PageServices> engine = PageServices::Running();
    if (!engine) return;
    self.devtools_ = engine->CreateBrowserOnUi(engine->NextBrowserId(), window_info, client, std::wstring(), true);
    // Without the page yet, the tools follow once it exists.
    if (self.devtools_ && self.ready_) self.OpenDevTools();
  });
}

void RemoteBrowser::CloseDevTools() {
  Post([](RemoteBrowser& self) {
    if (self.devtools_) self.devtools_->Close(true);
    self.devtools_ = nullptr;
  });
}

void RemoteBrowser::WasResized() {
  Post([](RemoteBrowser& self) {
    if (self.IsAlive()) self.UpdateViewport();
  });
}

void RemoteBrowser::WasHidden(bool hidden) {
  Post([hidden](RemoteBrowser& self) {
    if (!self.IsAlive()) return;
    self.hidden_ = hidden;
    if (hidden) {
      self.StopFrames();
    } else {
      self.UpdateViewport();
      self.StartFrames();
    }
  });
}

void RemoteBrowser::Invalidate(cef_paint_element_type_t type) {
  if (type != PET_VIEW) return;
  Post([](RemoteBrowser& self) {
    if (!self.IsAlive() || !self.attached() || !self.frames_running_) return;
    std::shared_ptr<PageServices> engine = PageServices::Running();
    if (!engine) return;
    // The screencast sends only what changes: a fresh picture is asked for.
    int id = self.identifier_;
    engine->Command("Page.captureScreenshot", {{"format", "jpeg"}, {"quality", kFrameQuality}}, self.session_,
                    [id](PageServices& engine, const Json* result, const std::string&) {
                      CefRefPtr<RemoteBrowser> browser = engine.FindBrowser(id);
                      if (browser && result) engine.SubmitFrame(browser.get(), JsonString(*result, "data"));
                    });
  });
}

void RemoteBrowser::SetAudioMuted(bool mute) {
  muted_ = mute;
  Post([](RemoteBrowser& self) { self.ApplyMute(); });
}

void RemoteBrowser::ApplyMute() {
  if (!attached()) return;
  // Media elements of every frame follow the flag, also those made later.
  std::string script =
      std::string("(() => { const muted = ") + (muted_ ? "true" : "false") +
      "; window.__engineMuted = muted;"
      " const apply = (root) => root.querySelectorAll('audio, video').forEach(m => { m.muted = muted; });"
      " apply(document); for (const f of document.querySelectorAll('iframe')) {"
      " try { apply(f.contentDocument); } catch (e) {} } })()";
  Command("Runtime.evaluate", {{"expression", script}});
}

// ---- input ----

void RemoteBrowser::SendInput(const char* method, Json params) {
  if (!attached()) return;
  Command(method, std::move(params));
}

void RemoteBrowser::SendMouse(Json event) {
  if (!attached()) return;
  if (JsonString(event, "type") == "mouseMoved") {
    // Moves come faster than the page takes them: only the newest waits.
    if (move_in_flight_) {
      pending_move_ = std::move(event);
      return;
    }
    move_in_flight_ = true;
    int id = identifier_;
    std::shared_ptr<PageServices> engine = PageServices::Running();
    if (!engine || !engine->Command("Input.dispatchMouseEvent", std::move(event), session_,
                                    [id](PageServices& engine, const Json*, const std::string&) {
                                      if (CefRefPtr<RemoteBrowser> browser = engine.FindBrowser(id)) {
                                        browser->FlushMouseMove();
                                      }
                                    })) {
      move_in_flight_ = false;
    }
    return;
  }
  // A move still waiting goes first, so the press lands where the pointer is.
  if (!pending_move_.is_null()) {
    Command("Input.dispatchMouseEvent", std::move(pending_move_));
    pending_move_ = Json();
  }
  Command("Input.dispatchMouseEvent", std::move(event));
}

void RemoteBrowser::FlushMouseMove() {
  move_in_flight_ = false;
  if (pending_move_.is_null()) return;
  Json next = std::move(pending_move_);
  pending_move_ = Json();
  SendMouse(std::move(next));
}

void RemoteBrowser::SendKey(const CefKeyEvent& event, bool auto_repeat) {
  if (event.type == KEYEVENT_CHAR && CharacterText(event).empty()) return;
  SendInput("Input.dispatchKeyEvent", KeyEvent(event, auto_repeat));
}

void RemoteBrowser::OnViewResized(int width, int height) { UpdateViewport(); }

void RemoteBrowser::OnViewMouse(Json event) { SendMouse(std::move(event)); }

bool RemoteBrowser::OnViewKey(const CefKeyEvent& event, const MSG& message) {
  CefRefPtr<CefClient> client = this->client();
  CefRefPtr<CefKeyboardHandler> keyboard = client ? client->GetKeyboardHandler() : nullptr;
  MSG copy = message;
  bool shortcut = false;
  if (keyboard && keyboard->OnPreKeyEvent(this, event, &copy, &shortcut)) return true;
  SendKey(event, (message.lParam & (1 << 30)) != 0);
  return false;
}

void RemoteBrowser::OnViewComposition(const std::wstring& text, int caret) {
  composing_ = !text.empty();
  SendInput("Input.imeSetComposition", {{"text", Utf8(text)}, {"selectionStart", caret}, {"selectionEnd", caret}});
}

void RemoteBrowser::OnViewCommit(const std::wstring& text) {
  if (text.empty()) {
    // The composition ended without a result: the page's draft goes.
    if (composing_) SendInput("Input.imeSetComposition", {{"text", ""}, {"selectionStart", 0}, {"selectionEnd", 0}});
  } else {
    SendInput("Input.insertText", {{"text", Utf8(text)}});
  }
  composing_ = false;
}

void RemoteBrowser::OnViewFocus(bool focused) {
  if (focused) SendFocusEvent(true);
}

void RemoteBrowser::SendKeyEvent(const CefKeyEvent& event) {
  Post([event](RemoteBrowser& self) {
    if (self.IsAlive()) self.SendKey(event, false);
  });
}

void RemoteBrowser::SendMouseClickEvent(const CefMouseEvent& event, cef_mouse_button_type_t type, bool mouse_up,
                                        int click_count) {
  Post([event, type, mouse_up, click_count](RemoteBrowser& self) {
    if (!self.IsAlive()) return;
    uint32_t button_flag = type == MBT_LEFT     ? EVENTFLAG_LEFT_MOUSE_BUTTON
                           : type == MBT_MIDDLE ? EVENTFLAG_MIDDLE_MOUSE_BUTTON
                                                : EVENTFLAG_RIGHT_MOUSE_BUTTON;
    if (mouse_up) {
      self.pressed_buttons_ &= ~button_flag;
    } else {
      self.pressed_buttons_ |= button_flag;
    }
    self.last_mouse_ = event;
    self.SendMouse(MouseEvent(mouse_up ? "mouseReleased" : "mousePressed", event.x, event.y,
                              event.modifiers | self.pressed_buttons_, ProtocolButtonName(type), click_count));
  });
}

void RemoteBrowser::SendMouseMoveEvent(const CefMouseEvent& event, bool mouse_leave) {
  Post([event, mouse_leave](RemoteBrowser& self) {
    if (!self.IsAlive()) return;
    self.last_mouse_ = event;
    int x = mouse_leave ? -1 : event.x;
    int y = mouse_leave ? -1 : event.y;
    self.SendMouse(MouseEvent("mouseMoved", x, y, event.modifiers));
  });
}

void RemoteBrowser::SendMouseWheelEvent(const CefMouseEvent& event, int delta_x, int delta_y) {
  Post([event, delta_x, delta_y](RemoteBrowser& self) {
    if (self.IsAlive()) self.SendMouse(WheelEvent(event.x, event.y, delta_x, delta_y, event.modifiers));
  });
}

void RemoteBrowser::SendFocusEvent(bool set_focus) {
  Post([set_focus](RemoteBrowser& self) {
    if (!self.IsAlive() || !self.attached()) return;
    // A page of a headless browser has focus only as the protocol lends it.
    self.Command("Emulation.setFocusEmulationEnabled", {{"enabled", set_focus}});
    if (set_focus) self.Command("Page.bringToFront");
  });
}

void RemoteBrowser::SendCaptureLostEvent() {
  Post([](RemoteBrowser& self) {
    if (!self.IsAlive()) return;
    // Buttons held while the capture went are let go where the pointer was.
    const std::pair<uint32_t, cef_mouse_button_type_t> kButtons[] = {{EVENTFLAG_LEFT_MOUSE_BUTTON, MBT_LEFT},
                                                                     {EVENTFLAG_MIDDLE_MOUSE_BUTTON, MBT_MIDDLE},
                                                                     {EVENTFLAG_RIGHT_MOUSE_BUTTON, MBT_RIGHT}};
    for (const auto& button : kButtons) {
      if (!(self.pressed_buttons_ & button.first)) continue;
      self.pressed_buttons_ &= ~button.first;
      self.SendMouse(MouseEvent("mouseReleased", self.last_mouse_.x, self.last_mouse_.y, self.pressed_buttons_,
                                ProtocolButtonName(button.second), 1));
    }
  });
}

}  // namespace remote
