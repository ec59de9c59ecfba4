#include "engine_test_support.h"

#include <cstring>

#include "base/path_util.h"

namespace engine_test {

void PumpFor(DWORD milliseconds) {
  ULONGLONG deadline = ::GetTickCount64() + milliseconds;
  PumpUntil([deadline] { return ::GetTickCount64() > deadline; }, milliseconds + 1000);
}

// ---- Journal ----

void Journal::Add(const std::string& what, const std::wstring& text, int number) {
  std::lock_guard<std::mutex> guard(lock_);
  entries_.push_back(Entry{what, ::GetCurrentThreadId(), text, number});
}

std::vector<Journal::Entry> Journal::Entries() {
  std::lock_guard<std::mutex> guard(lock_);
  return entries_;
}

std::vector<Journal::Entry> Journal::Find(const std::string& what) {
  std::vector<Entry> found;
  for (const Entry& entry : Entries()) {
    if (entry.what == what) found.push_back(entry);
  }
  return found;
}

int Journal::Count(const std::string& what) { return static_cast<int>(Find(what).size()); }

bool Journal::HasText(const std::string& what, const std::wstring& text) {
  for (const Entry& entry : Find(what)) {
    if (entry.text == text) return true;
  }
  return false;
}

// ---- TestApp ----

void TestApp::OnWebKitInitialized() {
  journal.Add("webkit-initialized");
  if (on_webkit_initialized) on_webkit_initialized();
}

void TestApp::OnBrowserCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDictionaryValue>) {
  {
    std::lock_guard<std::mutex> guard(lock);
    renderer_browsers.push_back(browser.get());
  }
  journal.Add("renderer-browser-created", std::wstring(), browser->GetIdentifier());
}

void TestApp::OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) {
  journal.Add("renderer-browser-destroyed", std::wstring(), browser->GetIdentifier());
}

void TestApp::OnContextCreated(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context>) {
  journal.Add("context-created", frame->GetURL().ToWString());
}

void TestApp::OnContextReleased(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context>) {
  journal.Add("context-released", frame->GetURL().ToWString());
}

void TestApp::OnFocusedNodeChanged(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefDOMNode> node) {
  journal.Add("focus", node ? L"node" : L"none", node && node->IsEditable() ? 1 : 0);
}

bool TestApp::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefProcessId source,
                                       CefRefPtr<CefProcessMessage> message) {
  journal.Add("renderer-message", message->GetName().ToWString(), source);
  return on_message ? on_message(browser, frame, message) : false;
}

// ---- RendererTestApp ----

void RendererTestApp::OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) {
  probe_->OnRenderThreadCreated(extra_info);
}
void RendererTestApp::OnWebKitInitialized() { probe_->OnWebKitInitialized(); }
void RendererTestApp::OnBrowserCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDictionaryValue> extra_info) {
  probe_->OnBrowserCreated(browser, extra_info);
}
void RendererTestApp::OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) { probe_->OnBrowserDestroyed(browser); }
void RendererTestApp::OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                       CefRefPtr<CefV8Context> context) {
  probe_->OnContextCreated(browser, frame, context);
}
void RendererTestApp::OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                        CefRefPtr<CefV8Context> context) {
  probe_->OnContextReleased(browser, frame, context);
}
void RendererTestApp::OnFocusedNodeChanged(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                           CefRefPtr<CefDOMNode> node) {
  probe_->OnFocusedNodeChanged(browser, frame, node);
}
bool RendererTestApp::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                               CefProcessId source, CefRefPtr<CefProcessMessage> message) {
  return probe_->OnProcessMessageReceived(browser, frame, source, message);
}

// ---- TestClient ----

CefRefPtr<CefBrowser> TestClient::Browser(size_t index) {
  std::lock_guard<std::mutex> guard(lock);
  return index < browsers.size() ? browsers[index] : nullptr;
}

bool TestClient::OnProcessMessageReceived(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefProcessId source,
                                          CefRefPtr<CefProcessMessage> message) {
  {
    std::lock_guard<std::mutex> guard(lock);
    messages.push_back(message);
  }
  journal.Add("browser-message", message->GetName().ToWString(), source);
  return true;
}

bool TestClient::OnBeforePopup(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, const CefString& target_url,
                               const CefString&, CefLifeSpanHandlerWindowOpenDisposition, bool, const CefPopupFeatures&,
                               CefWindowInfo& window_info, CefRefPtr<CefClient>&, CefBrowserSettings&,
                               CefRefPtr<CefDictionaryValue>&, bool*) {
  journal.Add("before-popup", target_url.ToWString());
  // Pop-ups of the tests draw into memory: no stray top-level windows.
  window_info.windowless_rendering_enabled = 1;
  return cancel_popup ? cancel_popup(target_url.ToWString()) : false;
}

void TestClient::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  {
    std::lock_guard<std::mutex> guard(lock);
    browsers.push_back(browser);
  }
  journal.Add("after-created", std::wstring(), browser->GetIdentifier());
}

bool TestClient::DoClose(CefRefPtr<CefBrowser> browser) {
  journal.Add("do-close", std::wstring(), browser->GetIdentifier());
  return client_closes_window;
}

void TestClient::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
  journal.Add("before-close", std::wstring(), browser->GetIdentifier());
  if (on_before_close) on_before_close(browser->GetIdentifier());
}

void TestClient::OnLoadingStateChange(CefRefPtr<CefBrowser>, bool loading, bool back, bool forward) {
  journal.Add("loading", loading ? L"loading" : L"stopped", (back ? 1 : 0) | (forward ? 2 : 0));
}

void TestClient::OnLoadStart(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, CefLoadHandlerTransitionType) {
  journal.Add("load-start", frame->GetURL().ToWString(), frame->IsMain() ? 1 : 0);
}

void TestClient::OnLoadEnd(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, int status) {
  journal.Add(frame->IsMain() ? "load-end" : "frame-load-end", frame->GetURL().ToWString(), status);
}

void TestClient::OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefLoadHandlerErrorCode code,
                             const CefString& text, const CefString& url) {
  journal.Add("load-error", url.ToWString() + L" " + text.ToWString(), code);
}

void TestClient::OnAddressChange(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, const CefString& url) {
  journal.Add("address", url.ToWString());
}

void TestClient::OnTitleChange(CefRefPtr<CefBrowser>, const CefString& title) {
  journal.Add("title", title.ToWString());
}

bool TestClient::OnBeforeBrowse(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, CefRefPtr<CefRequest> request, bool,
                                bool is_redirect) {
  std::wstring url = request->GetURL().ToWString();
  bool cancel = cancel_navigation && cancel_navigation(url);
  journal.Add("before-browse", url, (cancel ? 1 : 0) | (is_redirect ? 2 : 0) | (frame->IsMain() ? 4 : 0));
  return cancel;
}

void TestClient::OnRenderProcessTerminated(CefRefPtr<CefBrowser>, CefRequestHandlerTerminationStatus status) {
  journal.Add("terminated", std::wstring(), status);
}

bool TestClient::OnJSDialog(CefRefPtr<CefBrowser>, const CefString&, CefJSDialogHandlerJSDialogType type,
                            const CefString& message, const CefString&, CefRefPtr<CefJSDialogCallback>,
                            bool& suppress_message) {
  journal.Add("dialog", message.ToWString(), type);
  suppress_message = true;
  return false;
}

void TestClient::GetViewRect(CefRefPtr<CefBrowser>, CefRect& rect) {
  journal.Add("view-rect");
  rect = view_rect;
}

void TestClient::OnPaint(CefRefPtr<CefBrowser>, cef_paint_element_type_t type, const RectList& dirty,
                         const void* buffer, int width, int height) {
  {
    std::lock_guard<std::mutex> guard(lock);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    last_frame.assign(bytes, bytes + static_cast<size_t>(width) * height * 4);
    frame_width = width;
    frame_height = height;
  }
  journal.Add("paint", std::wstring(), type);
}

// ---- EngineScope ----

EngineScope::EngineScope(CefRefPtr<CefApp> app, const std::wstring& folder_name)
    : EngineScope(EngineKind::kInProcess, app, folder_name) {}

EngineScope::EngineScope(EngineKind kind, CefRefPtr<CefApp> app, const std::wstring& folder_name,
                         const std::wstring& arguments)
    : folder_(TempFolder(folder_name)) {
  qbase::CreateDirectories(folder_);
  test_support::UseEngine(kind, arguments);
  CefRefPtr<TestApp> probe(dynamic_cast<TestApp*>(app.get()));
  CefSetSubProcessEntry([probe](const CefMainArgs& args) {
    return CefExecuteProcess(args, probe ? new RendererTestApp(probe) : nullptr, nullptr);
  });
  CefSettings settings;
  settings.no_sandbox = 1;
  settings.multi_threaded_message_loop = 1;
  settings.cache_path = folder_ + L"cache";
  settings.log_file = folder_ + L"cef.log";
  // The real engine's log keeps the protocol's traffic, for diagnosis.
  if (kind == EngineKind::kReal) settings.log_severity = LOGSEVERITY_VERBOSE;
  started_ = CefInitialize(CefMainArgs(::GetModuleHandleW(nullptr)), settings, app, nullptr);
}

EngineScope::~EngineScope() {
  Stop();
  inproc::ClearPages();
}

void EngineScope::Stop() {
  if (started_) CefShutdown();
  started_ = false;
}

CefRefPtr<CefBrowser> CreateBrowserAndWait(CefRefPtr<TestClient> client, const CefWindowInfo& info,
                                           const std::wstring& url) {
  size_t before = 0;
  {
    std::lock_guard<std::mutex> guard(client->lock);
    before = client->browsers.size();
  }
  if (!CefBrowserHost::CreateBrowser(info, client.get(), url, CefBrowserSettings(), nullptr, nullptr)) return nullptr;
  if (!PumpUntil([&] {
        std::lock_guard<std::mutex> guard(client->lock);
        return client->browsers.size() > before;
      })) {
    return nullptr;
  }
  return client->Browser(before);
}

CefWindowInfo WindowlessInfo() {
  CefWindowInfo info;
  info.windowless_rendering_enabled = 1;
  return info;
}

bool WaitForTitle(TestClient& client, const std::wstring& title, DWORD timeout_ms) {
  return PumpUntil([&] { return client.journal.HasText("title", title); }, timeout_ms);
}

}  // namespace engine_test
