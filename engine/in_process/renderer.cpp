#include "engine/in_process/renderer.h"

#include "engine/in_process/v8_value_impl.h"
#include "engine/shared/extension_script.h"
#include "engine/shared/values_impl.h"

namespace inproc {

// ---- Renderer ----

Renderer::Renderer(HostPoster to_host) : to_host_(std::move(to_host)), thread_(this, [this] { ThreadEnding(); }) {}

Renderer::~Renderer() { Stop(); }

bool Renderer::Start(const engine::ListData& extra_info, const std::wstring& command_line) {
  if (!thread_.Start()) return false;
  return Post([extra_info, command_line](Renderer& self) { self.ThreadStarted(extra_info, command_line); });
}

void Renderer::Stop() { thread_.Stop(); }

bool Renderer::Post(std::function<void(Renderer&)> task, int64_t delay_ms) {
  if (!task) return false;
  Renderer* self = this;
  return thread_.Post([self, task] { task(*self); }, delay_ms);
}

bool Renderer::PostTask(std::function<void()> task, int64_t delay_ms) { return thread_.Post(std::move(task), delay_ms); }

void Renderer::ThreadStarted(const engine::ListData& extra_info, const std::wstring& command_line) {
  app_ = thread_.RunSubProcessEntry(command_line);
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
      host.OnLoadFinished(browser_id, sequence, ERR_NAME_NOT_RESOLVED, L"net::ERR_NAME_NOT_RESOLVED", L"", 0);
    });
    return;
  }

  std::shared_ptr<Page> page = StartPage(browser.get(), frame, url, script);
  int error_code = page->error_code();
  std::wstring error_text = page->error_text();
  std::wstring title = page->title();
  int status = page->status();
  PostToHost([browser_id, sequence, error_code, error_text, title, status](RendererHost& host) {
    host.OnLoadFinished(browser_id, sequence, error_code, error_text, title, status);
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

void Renderer::PageCrashed(int browser_id) {
  if (CefRefPtr<RendererBrowser> browser = FindBrowser(browser_id)) ReleaseContext(browser.get());
}

bool Renderer::AddExtension(const std::wstring& name, const std::wstring& code, CefRefPtr<CefV8Handler> handler) {
  if (!accepting_extensions_ || name.empty()) return false;
  for (const Extension& extension : extensions_) {
    if (extension.name == name) return false;
  }
  std::vector<std::wstring> natives;
  for (const engine::NativeDeclaration& declaration : engine::FindNativeDeclarations(code)) {
    natives.push_back(declaration.name);
  }
  extensions_.push_back(Extension{name, code, handler, natives});
  return true;
}

CefRefPtr<CefV8Value> Renderer::CreateBool(bool value) { return V8ValueImpl::Bool(value).get(); }

CefRefPtr<CefV8Value> Renderer::CreateString(const std::wstring& value) { return V8ValueImpl::String(value).get(); }

CefRefPtr<CefV8Handler> Renderer::FindNative(const std::wstring& function_name) const {
  for (const Extension& extension : extensions_) {
    for (const std::wstring& native : extension.natives) {
      if (native == function_name) return extension.handler;
    }
  }
  return nullptr;
}

std::wstring Renderer::ExtensionText(const std::wstring& extension_name) const {
  for (const Extension& extension : extensions_) {
    if (extension.name == extension_name) return extension.code;
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

int Renderer::LoadSequence(int browser_id) const {
  CefRefPtr<RendererBrowser> browser = FindBrowser(browser_id);
  return browser ? browser->sequence() : 0;
}

void Renderer::FocusedNodeChanged(int browser_id, CefRefPtr<CefFrame> frame, CefRefPtr<CefDOMNode> node) {
  CefRefPtr<RendererBrowser> browser = FindBrowser(browser_id);
  if (browser && handler_) handler_->OnFocusedNodeChanged(browser.get(), frame, node);
}

}  // namespace inproc
