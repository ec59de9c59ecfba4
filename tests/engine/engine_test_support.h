#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/in_process/engine_state.h"
#include "engine/in_process/page.h"
#include "include/cef_app.h"
#include "include/cef_client.h"
#include "tests/support/engine_choice.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/test_support.h"

namespace engine_test {

// Pumps for a while, for checks that something does not happen.
void PumpFor(DWORD milliseconds);

using test_support::FileExists;
using test_support::IsDirectory;
using test_support::PumpUntil;
using test_support::EngineKind;
using test_support::RemoveTree;

inline std::wstring TempFolder(const std::wstring& name) {
  return test_support::TempFolder(L"tarnwell_engine_tests", name);
}

// A thread-safe record of callbacks: their names, threads and arguments.
class Journal {
 public:
  struct Entry {
    std::string what;
    DWORD thread = 0;
    std::wstring text;
    int number = 0;
  };

  void Add(const std::string& what, const std::wstring& text = std::wstring(), int number = 0);
  std::vector<Entry> Entries();
  std::vector<Entry> Find(const std::string& what);
  int Count(const std::string& what);
  bool Has(const std::string& what) { return Count(what) > 0; }
  bool HasText(const std::string& what, const std::wstring& text);

 private:
  std::mutex lock_;
  std::vector<Entry> entries_;
};

// The application object of the tests: records every process-level and
// renderer callback. An optional hook answers renderer messages. The
// renderer calls it through a RendererTestApp of its own, made as a
// sub-process makes its application object.
class TestApp : public CefApp, public CefBrowserProcessHandler, public CefRenderProcessHandler {
 public:
  using MessageHook = std::function<bool(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefProcessMessage>)>;
  using WebKitHook = std::function<void()>;

  Journal journal;
  MessageHook on_message;
  WebKitHook on_webkit_initialized;
  // Objects seen on the renderer side, to compare with the browser side's.
  std::mutex lock;
  std::vector<CefBrowser*> renderer_browsers;

  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override { return this; }
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }
  void OnContextInitialized() override { journal.Add("context-initialized"); }
  void OnRenderThreadCreated(CefRefPtr<CefListValue>) override { journal.Add("render-thread-created"); }
  void OnWebKitInitialized() override;
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDictionaryValue>) override;
  void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) override;
  void OnContextCreated(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context>) override;
  void OnContextReleased(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context>) override;
  void OnFocusedNodeChanged(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefDOMNode> node) override;
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefProcessId source,
                                CefRefPtr<CefProcessMessage> message) override;

 private:
  IMPLEMENT_REFCOUNTING(TestApp);
};

// The renderer's application object in the tests: made on the renderer's
// thread by the sub-process entry, it hands each renderer callback on to the
// test's TestApp, the way a renderer process would report to a test log.
class RendererTestApp : public CefApp, public CefRenderProcessHandler {
 public:
  explicit RendererTestApp(CefRefPtr<TestApp> probe) : probe_(probe) {}

  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }
  void OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) override;
  void OnWebKitInitialized() override;
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDictionaryValue> extra_info) override;
  void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) override;
  void OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override;
  void OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override;
  void OnFocusedNodeChanged(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                            CefRefPtr<CefDOMNode> node) override;
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefProcessId source,
                                CefRefPtr<CefProcessMessage> message) override;

 private:
  CefRefPtr<TestApp> probe_;
  IMPLEMENT_REFCOUNTING(RendererTestApp);
};

// A client that records everything the browser side tells it. Answers are
// set per test.
class TestClient : public CefClient,
                   public CefLifeSpanHandler,
                   public CefLoadHandler,
                   public CefDisplayHandler,
                   public CefRequestHandler,
                   public CefJSDialogHandler,
                   public CefRenderHandler {
 public:
  Journal journal;
  std::function<bool(const std::wstring& url)> cancel_navigation;
  std::function<bool(const std::wstring& url)> cancel_popup;
  // Runs on the engine's UI thread inside OnBeforeClose.
  std::function<void(int browser_id)> on_before_close;
  // DoClose's answer: true keeps the window for the client to close.
  bool client_closes_window = false;
  bool windowless_view = false;
  CefRect view_rect{0, 0, 64, 32};
  std::mutex lock;
  std::vector<CefRefPtr<CefBrowser>> browsers;
  std::vector<CefRefPtr<CefProcessMessage>> messages;
  std::vector<uint8_t> last_frame;
  int frame_width = 0;
  int frame_height = 0;

  CefRefPtr<CefBrowser> Browser(size_t index = 0);

  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
  CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
  CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }
  CefRefPtr<CefJSDialogHandler> GetJSDialogHandler() override { return this; }
  CefRefPtr<CefRenderHandler> GetRenderHandler() override { return windowless_view ? this : nullptr; }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefProcessId source,
                                CefRefPtr<CefProcessMessage> message) override;

  bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& target_url,
                     const CefString& target_frame_name, CefLifeSpanHandlerWindowOpenDisposition disposition,
                     bool user_gesture, const CefPopupFeatures& features, CefWindowInfo& window_info,
                     CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                     CefRefPtr<CefDictionaryValue>& extra_info, bool* no_javascript_access) override;
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;
  bool DoClose(CefRefPtr<CefBrowser> browser) override;
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override;

  void OnLoadingStateChange(CefRefPtr<CefBrowser>, bool loading, bool back, bool forward) override;
  void OnLoadStart(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, CefLoadHandlerTransitionType) override;
  void OnLoadEnd(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, int status) override;
  void OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefLoadHandlerErrorCode code, const CefString& text,
                   const CefString& url) override;
  void OnAddressChange(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, const CefString& url) override;
  void OnTitleChange(CefRefPtr<CefBrowser>, const CefString& title) override;
  // Numbered 1 when cancelled, + 2 for a redirect, + 4 in the main frame.
  bool OnBeforeBrowse(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, CefRefPtr<CefRequest> request, bool,
                      bool is_redirect) override;
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser>, CefRequestHandlerTerminationStatus status) override;
  // Suppressed, so that the page goes on.
  bool OnJSDialog(CefRefPtr<CefBrowser>, const CefString&, CefJSDialogHandlerJSDialogType type,
                  const CefString& message, const CefString&, CefRefPtr<CefJSDialogCallback>,
                  bool& suppress_message) override;

  void GetViewRect(CefRefPtr<CefBrowser>, CefRect& rect) override;
  void OnPaint(CefRefPtr<CefBrowser>, cef_paint_element_type_t type, const RectList& dirty, const void* buffer,
               int width, int height) override;

 private:
  IMPLEMENT_REFCOUNTING(TestClient);
};

// Starts an engine with its own UI thread and a log in a fresh folder, its
// renderers running a RendererTestApp for |app|; stops it again on
// destruction. Without a kind it is the in-process engine; the real one
// gets |arguments| for its browser program.
class EngineScope {
 public:
  explicit EngineScope(CefRefPtr<CefApp> app, const std::wstring& folder_name = L"engine_scope");
  EngineScope(EngineKind kind, CefRefPtr<CefApp> app, const std::wstring& folder_name,
              const std::wstring& arguments = std::wstring());
  ~EngineScope();
  bool started() const { return started_; }
  const std::wstring& folder() const { return folder_; }
  void Stop();

 private:
  std::wstring folder_;
  bool started_ = false;
};

// Creates a browser and waits until its client has it.
CefRefPtr<CefBrowser> CreateBrowserAndWait(CefRefPtr<TestClient> client, const CefWindowInfo& info,
                                           const std::wstring& url);
CefWindowInfo WindowlessInfo();
// Waits until the page's title is the text given.
bool WaitForTitle(TestClient& client, const std::wstring& title, DWORD timeout_ms = 15000);

}  // namespace engine_test
