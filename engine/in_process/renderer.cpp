#include "engine/in_process/renderer.h"

#include "base/framework_thread.h"
#include "base/message_loop_proxy.h"
#include "engine/shared/command_line_impl.h"
#include "engine/in_process/renderer_browser.h"
#include "engine/shared/sub_process_entry.h"
#include "engine/shared/values_impl.h"

namespace inproc {

namespace {

thread_local Renderer* t_current_renderer = nullptr;
// Set while the sub-process entry runs on a starting renderer's thread.
thread_local Renderer* t_starting_renderer = nullptr;

}  // namespace

class RendererThread : public qbase::FrameworkThread {
 public:
  explicit RendererThread(Renderer* renderer) : FrameworkThread("RendererMain"), renderer_(renderer) {}
  ~RendererThread() override { Stop(); }

 protected:
  void Init() override { t_current_renderer = renderer_; }
  void Cleanup() override {
    renderer_->ThreadEnding();
    t_current_renderer = nullptr;
  }

 private:
  Renderer* renderer_;
};

namespace {

bool IsNameChar(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' || c == L'$';
}

// The names an extension's script declares with "native function NAME(".
std::vector<std::wstring> DeclaredNatives(const std::wstring& code) {
  static const std::wstring kKeyword = L"native function";
  std::vector<std::wstring> names;
  size_t position = 0;
  while ((position = code.find(kKeyword, position)) != std::wstring::npos) {
    position += kKeyword.size();
    size_t start = position;
    while (start < code.size() && (code[start] == L' ' || code[start] == L'\t')) ++start;
    if (start == position) continue;  // "native functionX" is no declaration
    size_t end = start;
    while (end < code.size() && IsNameChar(code[end])) ++end;
    size_t paren = end;
    while (paren < code.size() && (code[paren] == L' ' || code[paren] == L'\t')) ++paren;
    if (end > start && paren < code.size() && code[paren] == L'(') names.push_back(code.substr(start, end - start));
    position = end;
  }
  return names;
}

}  // namespace

// ---- RendererFrame / RendererBrowser ----

void RendererFrame::Detach() {
  browser_ = nullptr;
  renderer_ = nullptr;
  if (page_) page_->Detach();
  page_.reset();
  context_ = nullptr;
}

void RendererFrame::LoadURL(const CefString& url) {
  if (!renderer_ || Renderer::Current() != renderer_ || !browser_) return;
  int id = browser_->GetIdentifier();
  std::wstring target = url.ToWString();
  renderer_->PostToHost([id, target](RendererHost& host) { host.OnNavigateRequest(id, target); });
}

CefString RendererFrame::GetURL() { return Renderer::Current() ? CefString(url_) : CefString(); }

CefRefPtr<CefBrowser> RendererFrame::GetBrowser() { return browser_; }

CefRefPtr<CefV8Context> RendererFrame::GetV8Context() {
  if (!renderer_ || Renderer::Current() != renderer_ || !context_ || !*context_->alive()) return nullptr;
  return context_.get();
}

void RendererFrame::SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) {
  if (target_process != PID_BROWSER || !renderer_ || !browser_) return;
  std::wstring name;
  engine::ListData data;
  if (!engine::ProcessMessageImpl::Snapshot(message, &name, &data)) return;
  int id = browser_->GetIdentifier();
  int64_t frame_id = identifier_;
  renderer_->PostToHost(
      [id, frame_id, name, data](RendererHost& host) { host.OnProcessMessage(id, frame_id, name, data); });
}

RendererBrowser::RendererBrowser(Renderer* renderer, int identifier, int64_t frame_id)
    : renderer_(renderer), identifier_(identifier), main_frame_(new RendererFrame(renderer, this, frame_id, true)) {}

void RendererBrowser::Detach() {
  renderer_ = nullptr;
  for (const CefRefPtr<RendererFrame>& child : TakeChildFrames()) child->Detach();
  if (main_frame_) main_frame_->Detach();
}

CefRefPtr<RendererFrame> RendererBrowser::AddChildFrame(int64_t identifier) {
  CefRefPtr<RendererFrame> frame = new RendererFrame(renderer_, this, identifier, false);
  child_frames_.push_back(frame);
  return frame;
}

std::vector<CefRefPtr<RendererFrame>> RendererBrowser::TakeChildFrames() {
  std::vector<CefRefPtr<RendererFrame>> frames;
  frames.swap(child_frames_);
  return frames;
}

void RendererBrowser::History(int step) {
  if (!renderer_ || Renderer::Current() != renderer_) return;
  int id = identifier_;
  renderer_->PostToHost([id, step](RendererHost& host) { host.OnHistoryRequest(id, step); });
}

void RendererBrowser::GoBack() { History(-1); }
void RendererBrowser::GoForward() { History(1); }
void RendererBrowser::Reload() { History(0); }

CefRefPtr<CefFrame> RendererBrowser::GetMainFrame() { return main_frame_.get(); }

CefRefPtr<CefFrame> RendererBrowser::GetFrame(int64_t identifier) {
  if (main_frame_ && main_frame_->GetIdentifier() == identifier) return main_frame_.get();
  for (const CefRefPtr<RendererFrame>& child : child_frames_) {
    if (child->GetIdentifier() == identifier) return child.get();
  }
  return nullptr;
}

// ---- Renderer ----

Renderer::Renderer(HostPoster to_host) : to_host_(std::move(to_host)) {}

Renderer::~Renderer() { Stop(); }

Renderer* Renderer::Current() { return t_current_renderer; }

bool Renderer::AdoptApplication(CefRefPtr<CefApp> app) {
  Renderer* renderer = t_starting_renderer;
  if (!renderer || renderer != t_current_renderer) return false;
  // A second call from the same entry changes nothing, as in a process
  // whose engine already runs.
  if (renderer->app_ || !app) return true;
  renderer->app_ = app;
  app->OnBeforeCommandLineProcessing("renderer", engine::CommandLineImpl::FromString(renderer->command_line_).get());
  return true;
}

bool Renderer::Start(const engine::ListData& extra_info, const std::wstring& command_line) {
  if (thread_) return false;
  thread_ = std::make_unique<RendererThread>(this);
  if (!thread_->StartWithLoop(qbase::LoopKind::kDefault)) {
    thread_.reset();
    return false;
  }
  {
    std::lock_guard<std::mutex> guard(proxy_lock_);
    proxy_ = thread_->message_loop_proxy();
    thread_id_ = thread_->thread_id();
  }
  return Post([extra_info, command_line](Renderer& self) { self.ThreadStarted(extra_info, command_line); });
}

void Renderer::Stop() {
  if (!thread_) return;
  {
    std::lock_guard<std::mutex> guard(proxy_lock_);
    proxy_.reset();
  }
  thread_->Stop();
  thread_.reset();
}

bool Renderer::Post(std::function<void(Renderer&)> task, int64_t delay_ms) {
  std::shared_ptr<qbase::MessageLoopProxy> proxy;
  {
    std::lock_guard<std::mutex> guard(proxy_lock_);
    proxy = proxy_;
  }
  if (!proxy) return false;
  Renderer* self = this;
  qbase::Closure closure = [self, task] { task(*self); };
  return delay_ms > 0 ? proxy->PostDelayedTask(closure, delay_ms * 1000) : proxy->PostTask(closure);
}

DWORD Renderer::thread_id() const {
  std::lock_guard<std::mutex> guard(proxy_lock_);
  return thread_id_;
}

void Renderer::ThreadStarted(const engine::ListData& extra_info, const std::wstring& command_line) {
  command_line_ = command_line;
  if (CefSubProcessEntry entry = engine::SubProcessEntry()) {
    // The program starts here as its renderer process would, and hands its
    // application object over through CefExecuteProcess.
    t_starting_renderer = this;
    try {
      entry(CefMainArgs(::GetModuleHandleW(nullptr)));
    } catch (...) {
      // A failing entry leaves a renderer without an application object.
    }
    t_starting_renderer = nullptr;
  }
  if (app_) handler_ = app_->GetRenderProcessHandler();
  if (!handler_) return;
  handler_->OnRenderThreadCreated(new engine::ListValueImpl(extra_info, true));
  // Extensions may be registered only now, before any page exists.
  accepting_extensions_ = true;
  handler_->OnWebKitInitialized();
  accepting_extensions_ = false;
}

void Renderer::ThreadEnding() {
  // Like a process that exits: no callback runs any more.
  handler_ = nullptr;
  for (auto& entry : browsers_) {
    ReleaseContext(entry.second.get());
    entry.second->Detach();
  }
  browsers_.clear();
  entered_.clear();
  extensions_.clear();
  app_ = nullptr;
}

void Renderer::BrowserCreated(int browser_id, int64_t frame_id) {
  if (browsers_.count(browser_id)) return;
  CefRefPtr<RendererBrowser> browser = new RendererBrowser(this, browser_id, frame_id);
  browsers_[browser_id] = browser;
  if (handler_) handler_->OnBrowserCreated(browser.get(), nullptr);
}

void Renderer::ReleaseFrame(RendererBrowser* browser, RendererFrame* frame) {
  CefRefPtr<V8ContextImpl> context = frame->context();
  if (!context) return;
  if (handler_) handler_->OnContextReleased(browser, frame, context.get());
  context->Invalidate();
  if (frame->page()) frame->page()->Detach();
  frame->set_page(nullptr);
  frame->set_context(nullptr);
}

void Renderer::ReleaseContext(RendererBrowser* browser) {
  // Child frames go before the page that holds them.
  for (const CefRefPtr<RendererFrame>& child : browser->TakeChildFrames()) {
    ReleaseFrame(browser, child.get());
    child->Detach();
  }
  ReleaseFrame(browser, browser->main_frame());
}

CefRefPtr<CefFrame> Renderer::AddChildFrame(int browser_id, const std::wstring& url) {
  CefRefPtr<RendererBrowser> browser = FindBrowser(browser_id);
  if (!browser) return nullptr;
  int64_t frame_id = next_child_frame_id_++;
  CefRefPtr<RendererFrame> frame = browser->AddChildFrame(frame_id);
  frame->set_url(url);
  int sequence = browser->sequence();
  PostToHost([browser_id, sequence, frame_id, url](RendererHost& host) {
    host.OnFrameAttached(browser_id, sequence, frame_id, url);
  });
  PageScript script;
  // A frame whose address nobody serves stays empty, without a context.
  if (!FindPage(url, &script)) return frame.get();
  std::shared_ptr<Page> page = StartPage(browser.get(), frame.get(), url, script);
  for (auto& call : page->TakeDeferred()) PostToHost(std::move(call));
  return frame.get();
}

std::shared_ptr<Page> Renderer::StartPage(RendererBrowser* browser, RendererFrame* frame, const std::wstring& url,
                                          const PageScript& script) {
  CefRefPtr<V8ContextImpl> context = new V8ContextImpl(browser, frame);
  frame->set_context(context);
  if (handler_) handler_->OnContextCreated(browser, frame, context.get());

  auto page = std::make_shared<Page>(this, browser->GetIdentifier(), frame, context, url);
  page->self_ = page;
  frame->set_page(page);
  if (script) {
    ScopedContext scope(context.get());
    page->set_running_script(true);
    try {
      script(*page);
    } catch (...) {
      // A throwing page script is a page whose load failed, not a dead renderer.
      page->FailLoad(ERR_FAILED, L"net::ERR_FAILED");
    }
    page->set_running_script(false);
  }
  return page;
}

void Renderer::Load(int browser_id, const std::wstring& url, int sequence) {
  CefRefPtr<RendererBrowser> browser = FindBrowser(browser_id);
  if (!browser) return;
  ReleaseContext(browser.get());
  RendererFrame* frame = browser->main_frame();
  frame->set_url(url);
  browser->set_sequence(sequence);

  PageScript script;
  if (!FindPage(url, &script)) {
    PostToHost([browser_id, sequence](RendererHost& host) {
      host.OnLoadFinished(browser_id, sequence, ERR_NAME_NOT_RESOLVED, L"net::ERR_NAME_NOT_RESOLVED", L"");
    });
    return;
  }

  std::shared_ptr<Page> page = StartPage(browser.get(), frame, url, script);
  int error_code = page->error_code();
  std::wstring error_text = page->error_text();
  std::wstring title = page->title();
  PostToHost([browser_id, sequence, error_code, error_text, title](RendererHost& host) {
    host.OnLoadFinished(browser_id, sequence, error_code, error_text, title);
  });
  for (auto& call : page->TakeDeferred()) PostToHost(std::move(call));
}

void Renderer::DeliverMessage(int browser_id, int64_t frame_id, const std::wstring& name, const engine::ListData& data) {
  CefRefPtr<RendererBrowser> browser = FindBrowser(browser_id);
  if (!browser || !handler_) return;
  // A frame that has gone away gets nothing, and nobody else gets its mail.
  CefRefPtr<CefFrame> frame = browser->GetFrame(frame_id);
  if (!frame) return;
  handler_->OnProcessMessageReceived(browser.get(), frame, PID_BROWSER, engine::ProcessMessageImpl::Received(name, data));
}

void Renderer::BrowserDestroyed(int browser_id) {
  auto it = browsers_.find(browser_id);
  if (it == browsers_.end()) return;
  CefRefPtr<RendererBrowser> browser = it->second;
  ReleaseContext(browser.get());
  if (handler_) handler_->OnBrowserDestroyed(browser.get());
  browsers_.erase(it);
  browser->Detach();
}

CefRefPtr<V8ContextImpl> Renderer::CurrentContext() const { return entered_.empty() ? nullptr : entered_.back(); }

void Renderer::EnterContext(V8ContextImpl* context) { entered_.push_back(context); }

bool Renderer::ExitContext(V8ContextImpl* context) {
  if (entered_.empty() || entered_.back().get() != context) return false;
  entered_.pop_back();
  return true;
}

bool Renderer::AddExtension(const std::wstring& name, const std::wstring& code, CefRefPtr<CefV8Handler> handler) {
  if (!accepting_extensions_ || name.empty()) return false;
  for (const Extension& extension : extensions_) {
    if (extension.name == name) return false;
  }
  extensions_.push_back(Extension{name, code, handler, DeclaredNatives(code)});
  return true;
}

CefRefPtr<CefV8Handler> Renderer::FindNative(const std::wstring& function_name) const {
  for (const Extension& extension : extensions_) {
    for (const std::wstring& native : extension.natives) {
      if (native == function_name) return extension.handler;
    }
  }
  return nullptr;
}

std::wstring Renderer::ExtensionText(const std::wstring& name) const {
  for (const Extension& extension : extensions_) {
    if (extension.name == name) return extension.code;
  }
  return std::wstring();
}

std::shared_ptr<Page> Renderer::CurrentPage(int browser_id) const {
  CefRefPtr<RendererBrowser> browser = FindBrowser(browser_id);
  return browser ? browser->main_frame()->page() : nullptr;
}

CefRefPtr<RendererBrowser> Renderer::FindBrowser(int browser_id) const {
  auto it = browsers_.find(browser_id);
  return it == browsers_.end() ? nullptr : it->second;
}

}  // namespace inproc

bool CefRegisterExtension(const CefString& extension_name, const CefString& javascript_code,
                          CefRefPtr<CefV8Handler> handler) {
  inproc::Renderer* renderer = inproc::Renderer::Current();
  return renderer && renderer->AddExtension(extension_name.ToWString(), javascript_code.ToWString(), handler);
}
