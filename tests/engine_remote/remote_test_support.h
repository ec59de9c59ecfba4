#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "include/cef_app.h"
#include "include/cef_client.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/test_support.h"

namespace remote_test {

using test_support::PumpUntil;

void PumpFor(DWORD milliseconds);

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
  int Count(const std::string& what) { return static_cast<int>(Find(what).size()); }
  bool Has(const std::string& what) { return Count(what) > 0; }
  bool HasText(const std::string& what, const std::wstring& text);

 private:
  std::mutex lock_;
  std::vector<Entry> entries_;
};

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
  bool windowless_view = false;
  CefRect view_rect{0, 0, 64, 32};
  std::mutex lock;
  std::vector<CefRefPtr<CefBrowser>> browsers;
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

  bool OnBeforePopup(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, const CefString& target_url, const CefString&,
                     CefLifeSpanHandlerWindowOpenDisposition, bool, const CefPopupFeatures&, CefWindowInfo& window_info,
                     CefRefPtr<CefClient>&, CefBrowserSettings&, CefRefPtr<CefDictionaryValue>&, bool*) override;
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override;
  void OnLoadingStateChange(CefRefPtr<CefBrowser>, bool loading, bool back, bool forward) override;
  void OnLoadStart(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, CefLoadHandlerTransitionType) override;
  void OnLoadEnd(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, int status) override;
  void OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefLoadHandlerErrorCode code, const CefString& text,
                   const CefString& url) override;
  void OnAddressChange(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, const CefString& url) override;
  void OnTitleChange(CefRefPtr<CefBrowser>, const CefString& title) override;
  bool OnBeforeBrowse(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, CefRefPtr<CefRequest> request, bool,
                      bool is_redirect) override;
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser>, CefRequestHandlerTerminationStatus status) override;
  bool OnJSDialog(CefRefPtr<CefBrowser>, const CefString&, CefJSDialogHandlerJSDialogType type,
                  const CefString& message, const CefString&, CefRefPtr<CefJSDialogCallback>,
                  bool& suppress_message) override;
  void GetViewRect(CefRefPtr<CefBrowser>, CefRect& rect) override;
  void OnPaint(CefRefPtr<CefBrowser>, cef_paint_element_type_t type, const RectList& dirty, const void* buffer,
               int width, int height) override;

 private:
  IMPLEMENT_REFCOUNTING(TestClient);
};

// Starts the real engine on Debian's browser with its own folder; stops it
// on destruction.
class EngineScope {
 public:
  explicit EngineScope(const std::wstring& folder_name, const std::wstring& arguments = std::wstring());
  ~EngineScope();
  bool started() const { return started_; }
  const std::wstring& folder() const { return folder_; }
  void Stop();

 private:
  std::wstring folder_;
  bool started_ = false;
};

CefRefPtr<CefBrowser> CreateBrowserAndWait(CefRefPtr<TestClient> client, const CefWindowInfo& info,
                                           const std::wstring& url);
CefWindowInfo WindowlessInfo();
// Waits until the page's title is the text given.
bool WaitForTitle(TestClient& client, const std::wstring& title, DWORD timeout_ms = 15000);

}  // namespace remote_test
