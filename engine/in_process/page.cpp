#include "engine/in_process/page.h"

#include <map>
#include <mutex>

#include "engine/shared/dom_node_impl.h"
#include "engine/in_process/v8_context_impl.h"
#include "engine/in_process/v8_value_impl.h"

namespace inproc {

namespace {

struct PageRegistry {
  std::mutex lock;
  std::map<std::wstring, PageScript> exact;
  std::map<std::wstring, PageScript> prefixes;
  std::map<std::wstring, std::wstring> redirects;
};

PageRegistry& Registry() {
  static PageRegistry registry;
  return registry;
}

}  // namespace

void RegisterPage(const std::wstring& url, PageScript script) {
  PageRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  registry.exact[url] = std::move(script);
}

void RegisterPagePrefix(const std::wstring& prefix, PageScript script) {
  PageRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  registry.prefixes[prefix] = std::move(script);
}

void UnregisterPage(const std::wstring& url_or_prefix) {
  PageRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  registry.exact.erase(url_or_prefix);
  registry.prefixes.erase(url_or_prefix);
  registry.redirects.erase(url_or_prefix);
}

void ClearPages() {
  PageRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  registry.exact.clear();
  registry.prefixes.clear();
  registry.redirects.clear();
}

void RegisterRedirect(const std::wstring& from, const std::wstring& to) {
  PageRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  registry.redirects[from] = to;
}

std::wstring FindRedirect(const std::wstring& url) {
  PageRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  auto it = registry.redirects.find(url);
  return it == registry.redirects.end() ? std::wstring() : it->second;
}

bool FindPage(const std::wstring& url, PageScript* script) {
  PageRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  auto exact = registry.exact.find(url);
  if (exact != registry.exact.end()) {
    *script = exact->second;
    return true;
  }
  const PageScript* best = nullptr;
  size_t best_length = 0;
  for (const auto& entry : registry.prefixes) {
    if (url.compare(0, entry.first.size(), entry.first) == 0 && (!best || entry.first.size() > best_length)) {
      best = &entry.second;
      best_length = entry.first.size();
    }
  }
  if (best) {
    *script = *best;
    return true;
  }
  // Built-in pages: blank, and the developer tools' own.
  if (url == L"about:blank" || url.compare(0, 11, L"devtools://") == 0) {
    *script = nullptr;
    return true;
  }
  return false;
}

Page::Page(PageHost* host, int browser_id, CefRefPtr<CefFrame> frame, CefRefPtr<V8ContextImpl> context,
           const std::wstring& url)
    : host_(host), browser_id_(browser_id), frame_(frame), context_(context), url_(url) {}

bool Page::IsLoaded() const { return host_ && host_->OnThread() && *context_->alive(); }

CefRefPtr<CefV8Context> Page::context() const { return context_.get(); }

Page::CallResult Page::CallNative(const std::wstring& name, const CefV8ValueList& arguments) {
  CallResult result;
  if (!IsLoaded()) return result;
  CefRefPtr<CefV8Handler> handler = host_->FindNative(name);
  if (!handler) {
    result.exception = L"ReferenceError: " + name + L" is not defined";
    return result;
  }
  ScopedContext scope(context_.get());
  CefRefPtr<CefV8Value> retval;
  CefString exception;
  result.called = true;
  handler->Execute(name, V8ValueImpl::Undefined().get(), arguments, retval, exception);
  result.value = retval;
  result.exception = exception.ToWString();
  return result;
}

std::wstring Page::ExtensionText(const std::wstring& extension_name) const {
  return IsLoaded() ? host_->ExtensionText(extension_name) : std::wstring();
}

void Page::SetTitle(const std::wstring& title) {
  if (!IsLoaded()) return;
  title_ = title;
  // During the load the title travels with the load's end.
  if (running_script_) return;
  int id = browser_id_;
  host_->PostToHost([id, title](RendererHost& host) { host.OnTitleChange(id, title); });
}

void Page::FailLoad(int error_code, const std::wstring& error_text) {
  if (!IsLoaded() || !running_script_) return;
  error_code_ = error_code == 0 ? ERR_FAILED : error_code;
  error_text_ = error_text;
}

void Page::SetStatus(int status) {
  if (!IsLoaded() || !running_script_) return;
  if (status >= 100 && status <= 999) status_ = status;
}

void Page::ShowDialog(cef_jsdialog_type_t type, const std::wstring& message, const std::wstring& default_prompt) {
  int id = browser_id_;
  ToHost([id, type, message, default_prompt](RendererHost& host) { host.OnDialog(id, type, message, default_prompt); });
}

void Page::ToHost(std::function<void(RendererHost&)> call) {
  if (!IsLoaded()) return;
  // A page that navigates while it loads finishes loading first.
  if (running_script_) {
    deferred_.push_back(std::move(call));
    return;
  }
  host_->PostToHost(std::move(call));
}

std::vector<std::function<void(RendererHost&)>> Page::TakeDeferred() {
  std::vector<std::function<void(RendererHost&)>> calls;
  calls.swap(deferred_);
  return calls;
}

void Page::Navigate(const std::wstring& url) {
  int id = browser_id_;
  ToHost([id, url](RendererHost& host) { host.OnNavigateRequest(id, url); });
}

void Page::GoBack() {
  int id = browser_id_;
  ToHost([id](RendererHost& host) { host.OnHistoryRequest(id, -1); });
}

void Page::Reload() {
  int id = browser_id_;
  ToHost([id](RendererHost& host) { host.OnHistoryRequest(id, 0); });
}

void Page::OpenPopup(const std::wstring& url, const std::wstring& frame_name) {
  int id = browser_id_;
  ToHost([id, url, frame_name](RendererHost& host) { host.OnPopupRequest(id, url, frame_name); });
}

void Page::FocusNode(bool editable) {
  if (!IsLoaded()) return;
  host_->FocusedNodeChanged(browser_id_, frame_, new engine::DomNodeImpl(editable));
}

void Page::ClearFocus() {
  if (!IsLoaded()) return;
  host_->FocusedNodeChanged(browser_id_, frame_, nullptr);
}

void Page::SetBackgroundColor(uint32_t bgra) {
  if (!IsLoaded()) return;
  int id = browser_id_;
  host_->PostToHost([id, bgra](RendererHost& host) { host.OnBackgroundChange(id, bgra); });
}

void Page::ConsoleLog(const std::wstring& message) {
  if (!IsLoaded()) return;
  int id = browser_id_;
  host_->PostToHost([id, message](RendererHost& host) { host.OnConsoleMessage(id, message); });
}

void Page::PaintRect(const CefRect& rect, uint32_t bgra) {
  if (!IsLoaded()) return;
  int id = browser_id_;
  int sequence = host_->LoadSequence(id);
  host_->PostToHost([id, sequence, rect, bgra](RendererHost& host) { host.OnPaintRect(id, sequence, rect, bgra); });
}

void Page::ShowPopupWidget(const CefRect& rect, uint32_t bgra) {
  if (!IsLoaded()) return;
  int id = browser_id_;
  int sequence = host_->LoadSequence(id);
  host_->PostToHost(
      [id, sequence, rect, bgra](RendererHost& host) { host.OnPopupWidget(id, sequence, true, rect, bgra); });
}

void Page::HidePopupWidget() {
  if (!IsLoaded()) return;
  int id = browser_id_;
  int sequence = host_->LoadSequence(id);
  host_->PostToHost([id, sequence](RendererHost& host) { host.OnPopupWidget(id, sequence, false, CefRect(), 0); });
}

CefRefPtr<CefFrame> Page::AddChildFrame(const std::wstring& url) {
  if (!IsLoaded()) return nullptr;
  return host_->AddChildFrame(browser_id_, url);
}

void Page::Post(std::function<void(Page&)> task, int delay_ms) {
  if (!IsLoaded() || !task) return;
  std::weak_ptr<Page> weak = self_;
  host_->PostTask(
      [weak, task] {
        std::shared_ptr<Page> page = weak.lock();
        if (!page || !page->IsLoaded()) return;
        ScopedContext scope(page->context());
        task(*page);
      },
      delay_ms);
}

}  // namespace inproc
