#include "remote_test_support.h"

#include "base/path_util.h"
#include "engine/engine_selection.h"
#include "engine/remote/remote_engine.h"

namespace remote_test {

void PumpFor(DWORD milliseconds) {
  ULONGLONG deadline = ::GetTickCount64() + milliseconds;
  PumpUntil([deadline] { return ::GetTickCount64() > deadline; }, milliseconds + 1000);
}

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

bool Journal::HasText(const std::string& what, const std::wstring& text) {
  for (const Entry& entry : Find(what)) {
    if (entry.text == text) return true;
  }
  return false;
}

CefRefPtr<CefBrowser> TestClient::Browser(size_t index) {
  std::lock_guard<std::mutex> guard(lock);
  return index < browsers.size() ? browsers[index] : nullptr;
}

bool TestClient::OnBeforePopup(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, const CefString& target_url,
                               const CefString&, CefLifeSpanHandlerWindowOpenDisposition, bool, const CefPopupFeatures&,
                               CefWindowInfo& window_info, CefRefPtr<CefClient>&, CefBrowserSettings&,
                               CefRefPtr<CefDictionaryValue>&, bool*) {
  journal.Add("before-popup", target_url.ToWString());
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

void TestClient::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
  journal.Add("before-close", std::wstring(), browser->GetIdentifier());
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
  std::lock_guard<std::mutex> guard(lock);
  rect = view_rect;
}

void TestClient::OnPaint(CefRefPtr<CefBrowser>, cef_paint_element_type_t type, const RectList&, const void* buffer,
                         int width, int height) {
  {
    std::lock_guard<std::mutex> guard(lock);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    last_frame.assign(bytes, bytes + static_cast<size_t>(width) * height * 4);
    frame_width = width;
    frame_height = height;
  }
  journal.Add("paint", std::wstring(), type);
}

EngineScope::EngineScope(const std::wstring& folder_name, const std::wstring& arguments)
    : folder_(test_support::TempFolder(L"tarnwell_remote_tests", folder_name)) {
  qbase::CreateDirectories(folder_);
  CefSettings settings;
  settings.no_sandbox = 1;
  settings.multi_threaded_message_loop = 1;
  settings.cache_path = folder_ + L"CefLocalStorage";
  settings.log_file = folder_ + L"cef.log";
  settings.log_severity = LOGSEVERITY_VERBOSE;
  engine::EngineConfig config;
  config.browser = L"/usr/bin/chromium";
  config.arguments = arguments;
  engine::ForceEngine(engine::EngineKind::kReal, config);
  started_ = CefInitialize(CefMainArgs(::GetModuleHandleW(nullptr)), settings, nullptr, nullptr);
}

EngineScope::~EngineScope() { Stop(); }

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

}  // namespace remote_test
