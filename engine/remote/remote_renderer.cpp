#include "engine/remote/remote_renderer.h"

#include <random>

#include "base/string_conversions.h"
#include "base/unique_handle.h"
#include "engine/shared/dom_node_impl.h"
#include "engine/shared/values_impl.h"
#include "engine/remote/remote_v8_value.h"

namespace remote {

namespace {

std::string NewToken() {
  std::random_device device;
  std::mt19937_64 random((static_cast<uint64_t>(device()) << 32) ^ device() ^ ::GetTickCount64() ^
                         ::GetCurrentProcessId());
  char text[17];
  snprintf(text, sizeof(text), "%016llx", static_cast<unsigned long long>(random()));
  return text;
}

}  // namespace

RemoteRenderer::RemoteRenderer(RendererChannel* channel)
    : channel_(channel),
      token_(NewToken()),
      binding_name_(PageBridge::BindingName(token_)),
      thread_(this, [this] { ThreadEnding(); }) {}

RemoteRenderer::~RemoteRenderer() { Stop(); }

bool RemoteRenderer::Start(const engine::ListData& extra_info, const std::wstring& command_line) {
  if (!thread_.Start()) return false;
  // The pages' script needs the extensions, so the start waits for them.
  HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!done) return false;
  qbase::UniqueKernelHandle owner(done);
  bool posted = Post([extra_info, command_line, done](RemoteRenderer& self) {
    self.ThreadStarted(extra_info, command_line);
    ::SetEvent(done);
  });
  if (posted) ::WaitForSingleObject(done, 10000);
  return posted;
}

void RemoteRenderer::Stop() { thread_.Stop(); }

bool RemoteRenderer::Post(std::function<void(RemoteRenderer&)> task, int64_t delay_ms) {
  if (!task) return false;
  RemoteRenderer* self = this;
  return thread_.Post([self, task] { task(*self); }, delay_ms);
}

std::string RemoteRenderer::PageScript() {
  std::lock_guard<std::mutex> guard(lock_);
  return page_script_;
}

void RemoteRenderer::ThreadStarted(const engine::ListData& extra_info, const std::wstring& command_line) {
  app_ = thread_.RunSubProcessEntry(command_line);
  if (app_) handler_ = app_->GetRenderProcessHandler();
  if (handler_) {
    handler_->OnRenderThreadCreated(new engine::ListValueImpl(extra_info, true));
    // Extensions may be registered only now, before any page exists.
    accepting_extensions_ = true;
    handler_->OnWebKitInitialized();
    accepting_extensions_ = false;
  }
  std::vector<PageBridge::Extension> extensions;
  // The handlers' own checks, so that the page refuses what Execute would.
  for (const Extension& extension : extensions_) {
    extensions.push_back(PageBridge::Extension{extension.code, PageBridge::Checks(extension.handler, extension.natives)});
  }
  std::string script = PageBridge::Script(token_, extensions);
  std::lock_guard<std::mutex> guard(lock_);
  page_script_ = script;
}

void RemoteRenderer::ThreadEnding() {
  std::map<int, CefRefPtr<RendererPageBrowser>> browsers;
  browsers.swap(browsers_);
  for (auto& entry : browsers) {
    for (const auto& frame : entry.second->frames()) Release(entry.second.get(), frame.second.get());
    if (handler_) handler_->OnBrowserDestroyed(entry.second.get());
    entry.second->Detach();
  }
  extensions_.clear();
  handler_ = nullptr;
  app_ = nullptr;
}

bool RemoteRenderer::AddExtension(const std::wstring& name, const std::wstring& code,
                                  CefRefPtr<CefV8Handler> handler) {
  if (!accepting_extensions_ || name.empty()) return false;
  for (const Extension& extension : extensions_) {
    if (extension.name == name) return false;
  }
  Extension extension{name, code, handler, {}};
  PageBridge::Transform(code, static_cast<int>(extensions_.size()), token_, &extension.natives);
  extensions_.push_back(std::move(extension));
  return true;
}

CefRefPtr<RendererPageBrowser> RemoteRenderer::FindBrowser(int browser_id) const {
  auto it = browsers_.find(browser_id);
  return it == browsers_.end() ? nullptr : it->second;
}

void RemoteRenderer::BrowserCreated(int browser_id, int64_t main_frame_id) {
  if (browsers_.count(browser_id)) return;
  CefRefPtr<RendererPageBrowser> browser = new RendererPageBrowser(link(), browser_id, main_frame_id);
  browsers_[browser_id] = browser;
  if (handler_) handler_->OnBrowserCreated(browser.get(), nullptr);
}

void RemoteRenderer::BrowserDestroyed(int browser_id) {
  auto it = browsers_.find(browser_id);
  if (it == browsers_.end()) return;
  CefRefPtr<RendererPageBrowser> browser = it->second;
  for (const auto& frame : browser->frames()) Release(browser.get(), frame.second.get());
  if (handler_) handler_->OnBrowserDestroyed(browser.get());
  browsers_.erase(it);
  browser->Detach();
}

void RemoteRenderer::Release(RendererPageBrowser* browser, RendererPageFrame* frame) {
  CefRefPtr<RemoteV8Context> context = frame->context();
  if (!context) return;
  if (handler_) handler_->OnContextReleased(browser, frame, context.get());
  context->Invalidate();
  frame->set_context(nullptr);
}

void RemoteRenderer::ContextCreated(int browser_id, int64_t frame_id, bool is_main, const std::wstring& url,
                                    const std::string& session, int context_id) {
  CefRefPtr<RendererPageBrowser> browser = FindBrowser(browser_id);
  if (!browser) return;
  CefRefPtr<RendererPageFrame> frame = browser->FrameFor(frame_id, is_main);
  // A frame has one main world at a time: the new document's replaces the old.
  Release(browser.get(), frame.get());
  frame->set_url(url);
  CefRefPtr<RemoteV8Context> context = new RemoteV8Context(&thread_, channel_, PageBridge::Api(token_), browser.get(), frame.get(), session, context_id);
  frame->set_context(context);
  if (handler_) handler_->OnContextCreated(browser.get(), frame.get(), context.get());
}

void RemoteRenderer::ContextReleased(int browser_id, const std::string& session, int context_id) {
  CefRefPtr<RendererPageBrowser> browser = FindBrowser(browser_id);
  if (!browser) return;
  for (const auto& entry : browser->frames()) {
    CefRefPtr<RemoteV8Context> context = entry.second->context();
    if (!context || context->session() != session) continue;
    if (context_id >= 0 && context->context_id() != context_id) continue;
    Release(browser.get(), entry.second.get());
  }
}

void RemoteRenderer::NativeCall(const std::string& session, int context_id, const std::string& payload) {
  // Sessions are the browser program's and name one page each.
  CefRefPtr<RemoteV8Context> context;
  for (const auto& browser : browsers_) {
    for (const auto& entry : browser.second->frames()) {
      CefRefPtr<RemoteV8Context> candidate = entry.second->context();
      if (candidate && candidate->session() == session && candidate->context_id() == context_id) context = candidate;
    }
  }
  // A call from a world the renderer does not know (a page gone meanwhile,
  // or a page calling the binding by itself with a made-up name) is dropped.
  if (!context || !context->alive()) return;
  Json call = ParseJson(payload);
  int64_t index = JsonInt(call, "extension", -1);
  std::wstring name = qbase::UTF8ToUTF16(JsonString(call, "fn"));
  if (index < 0 || index >= static_cast<int64_t>(extensions_.size()) || name.empty()) return;
  const Extension& extension = extensions_[static_cast<size_t>(index)];
  bool declared = false;
  for (const std::wstring& native : extension.natives) declared |= native == name;
  if (!declared || !extension.handler) return;
  CefV8ValueList arguments;
  const Json* list = JsonMember(call, "args");
  if (list && list->is_array()) {
    for (const Json& descriptor : *list) arguments.push_back(RemoteV8Value::FromDescriptor(context, descriptor).get());
  }
  CefRefPtr<CefV8Value> self = RemoteV8Value::FromDescriptor(context, JsonObject(call, "self")).get();
  CefRefPtr<CefV8Value> result;
  CefString exception;
  CefRefPtr<CefV8Handler> handler = extension.handler;
  context->Enter();
  handler->Execute(name, self, arguments, result, exception);
  context->Exit();
  if (exception.empty()) return;
  // The page's call has returned already: the refusal reaches it as an
  // error of its own, and the log keeps it.
  std::string text = DumpJson(Json(exception.ToString()));
  channel_->EvaluateLater(session, context_id, "setTimeout(() => { throw new Error(" + text + "); })");
}

void RemoteRenderer::DeliverMessage(int browser_id, int64_t frame_id, const std::wstring& name,
                                    const engine::ListData& data) {
  CefRefPtr<RendererPageBrowser> browser = FindBrowser(browser_id);
  if (!browser || !handler_) return;
  CefRefPtr<CefFrame> frame = browser->GetFrame(frame_id);
  if (!frame) frame = browser->GetMainFrame();
  handler_->OnProcessMessageReceived(browser.get(), frame, PID_BROWSER,
                                     engine::ProcessMessageImpl::Received(name, data));
}

void RemoteRenderer::FocusChanged(int browser_id, int64_t frame_id, bool focused, bool editable) {
  CefRefPtr<RendererPageBrowser> browser = FindBrowser(browser_id);
  if (!browser || !handler_) return;
  CefRefPtr<CefFrame> frame = browser->GetFrame(frame_id);
  if (!frame) frame = browser->GetMainFrame();
  handler_->OnFocusedNodeChanged(browser.get(), frame,
                                 focused ? CefRefPtr<CefDOMNode>(new engine::DomNodeImpl(editable)) : nullptr);
}

CefRefPtr<CefV8Value> RemoteRenderer::CreateBool(bool value) { return RemoteV8Value::Bool(value).get(); }

CefRefPtr<CefV8Value> RemoteRenderer::CreateString(const std::wstring& value) {
  return RemoteV8Value::String(value).get();
}

}  // namespace remote
