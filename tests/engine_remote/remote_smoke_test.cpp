#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "base/path_util.h"
#include "engine/remote/remote_engine.h"
#include "include/cef_app.h"
#include "include/cef_client.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/test_support.h"

namespace {

class Client : public CefClient, public CefLifeSpanHandler, public CefLoadHandler, public CefDisplayHandler {
 public:
  std::mutex lock;
  std::vector<std::string> events;
  CefRefPtr<CefBrowser> browser;
  void Add(const std::string& e) {
    std::lock_guard<std::mutex> g(lock);
    events.push_back(e);
  }
  bool Has(const std::string& prefix) {
    std::lock_guard<std::mutex> g(lock);
    for (auto& e : events) if (e.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
  }
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
  CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
  void OnAfterCreated(CefRefPtr<CefBrowser> b) override { browser = b; Add("after-created"); }
  void OnBeforeClose(CefRefPtr<CefBrowser>) override { Add("before-close"); }
  void OnLoadStart(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> f, CefLoadHandlerTransitionType) override { Add("load-start " + f->GetURL().ToString()); }
  void OnLoadEnd(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> f, int s) override { Add("load-end " + std::to_string(s) + " " + f->GetURL().ToString()); }
  void OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefLoadHandlerErrorCode c, const CefString& t, const CefString& u) override { Add("load-error " + std::to_string(c) + " " + t.ToString() + " " + u.ToString()); }
  void OnTitleChange(CefRefPtr<CefBrowser>, const CefString& t) override { Add("title " + t.ToString()); }
  void OnAddressChange(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, const CefString& u) override { Add("address " + u.ToString()); }
  void OnLoadingStateChange(CefRefPtr<CefBrowser>, bool l, bool b, bool f) override { Add(std::string("loading ") + (l?"1":"0") + (b?"1":"0") + (f?"1":"0")); }
  IMPLEMENT_REFCOUNTING(Client);
};

TEST(RemoteSmoke, LoadsARealPage) {
  test_support::LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  server.Page("/a", "<title>Page A</title><p>hello</p>");
  std::wstring folder = test_support::TempFolder(L"tarnwell_remote_tests", L"smoke");
  qbase::CreateDirectories(folder);
  CefSettings settings;
  settings.no_sandbox = 1;
  settings.multi_threaded_message_loop = 1;
  settings.cache_path = folder + L"cache";
  settings.log_file = folder + L"cef.log";
  remote::EngineConfig config;
  config.browser = L"/usr/bin/chromium";
  ASSERT_TRUE(remote::RemoteEngine::Initialize(settings, nullptr, config));
  CefRefPtr<Client> client = new Client();
  CefWindowInfo info;
  info.windowless_rendering_enabled = 1;
  ASSERT_TRUE(CefBrowserHost::CreateBrowser(info, client.get(), server.WideUrl("/a"), CefBrowserSettings(), nullptr, nullptr));
  EXPECT_TRUE(test_support::PumpUntil([&] { return client->Has("load-end"); }, 30000));
  EXPECT_TRUE(test_support::PumpUntil([&] { return client->Has("title Page A"); }, 5000));
  CefShutdown();
  EXPECT_TRUE(client->Has("before-close"));
}

}  // namespace
