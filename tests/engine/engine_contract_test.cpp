#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "engine/shared/values_impl.h"
#include "engine_test_support.h"
#include "include/cef_task.h"
#include "tests/support/test_site.h"

// What every engine implementation must keep: run against each of them.
using namespace engine_test;
using test_support::TestSite;

namespace {

class EngineContract : public ::testing::TestWithParam<EngineKind> {
 protected:
  void SetUp() override { SKIP_UNLESS_ENGINE_AVAILABLE(GetParam()); }
  EngineKind kind() const { return GetParam(); }
  bool real() const { return GetParam() == EngineKind::kReal; }
  // The real browser takes its time to start before the first page.
  DWORD first_load_ms() const { return real() ? 20000 : 10000; }
};

std::string EngineParamName(const ::testing::TestParamInfo<EngineKind>& info) {
  return test_support::EngineName(info.param);
}

// A task that records where it ran and whether the engine called it its own.
class RecordingTask : public CefTask {
 public:
  explicit RecordingTask(Journal* journal) : journal_(journal) {}
  void Execute() override {
    journal_->Add("task", std::wstring(), (CefCurrentlyOn(TID_UI) ? 1 : 0) | (CefCurrentlyOn(TID_RENDERER) ? 2 : 0));
  }

 private:
  Journal* journal_;
  IMPLEMENT_REFCOUNTING(RecordingTask);
};

std::vector<std::wstring> LoadTrace(TestClient& client) {
  std::vector<std::wstring> trace;
  for (const Journal::Entry& entry : client.journal.Entries()) {
    if (entry.what == "load-start") trace.push_back(L"start " + entry.text);
    if (entry.what == "load-end") trace.push_back(L"end " + entry.text + L" " + std::to_wstring(entry.number));
    if (entry.what == "load-error") trace.push_back(L"error " + std::to_wstring(entry.number));
  }
  return trace;
}

bool Stopped(TestClient& client) {
  auto loading = client.journal.Find("loading");
  return !loading.empty() && loading.back().text == L"stopped";
}

TEST_P(EngineContract, BrowserCallbacksRunOnTheEngineUiThreadAndRendererCallbacksOnTheRenderer) {
  TestSite site(kind());
  ASSERT_TRUE(site.Start());
  site.Page("/focus", "<title>focus</title><input id='field'><script>onload = () => field.focus();</script>",
            [](inproc::Page& page) { page.FocusNode(true); });
  CefRefPtr<TestApp> app = new TestApp();
  Journal renderer_tasks;
  app->on_message = [&renderer_tasks](CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                      CefRefPtr<CefProcessMessage> message) {
    // Renderer tasks can be posted from the renderer only.
    CefPostTask(TID_RENDERER, new RecordingTask(&renderer_tasks));
    frame->SendProcessMessage(PID_BROWSER, CefProcessMessage::Create("pong"));
    return true;
  };
  EngineScope engine(kind(), app.get(), L"contract_threads");
  ASSERT_TRUE(engine.started());

  CefRefPtr<TestClient> client = new TestClient();
  client->windowless_view = true;
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), site.Url("/focus"));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("load-end"); }, first_load_ms()));
  ASSERT_TRUE(PumpUntil([&] { return app->journal.Has("focus"); }));
  browser->GetMainFrame()->SendProcessMessage(PID_RENDERER, CefProcessMessage::Create("ping"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("browser-message") && renderer_tasks.Has("task"); }));

  Journal journal;
  ASSERT_TRUE(CefPostTask(TID_UI, new RecordingTask(&journal)));
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("task"); }));
  EXPECT_EQ(journal.Find("task")[0].number, 1);
  EXPECT_FALSE(CefPostTask(TID_RENDERER, new RecordingTask(&journal)));
  EXPECT_FALSE(CefCurrentlyOn(TID_UI));

  const DWORD ui = test_support::EngineUiThreadId();
  const DWORD main = ::GetCurrentThreadId();
  ASSERT_NE(ui, 0u);
  EXPECT_NE(ui, main);
  EXPECT_EQ(journal.Find("task")[0].thread, ui);
  const DWORD renderer = renderer_tasks.Find("task")[0].thread;
  EXPECT_EQ(renderer_tasks.Find("task")[0].number, 2);
  EXPECT_NE(renderer, main);
  EXPECT_NE(renderer, ui);

  browser->GetHost()->CloseBrowser(true);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("before-close"); }));
  ASSERT_TRUE(PumpUntil([&] { return app->journal.Has("renderer-browser-destroyed"); }));

  // Every browser-side callback ran on the engine's UI thread ...
  std::set<std::string> client_kinds;
  for (const Journal::Entry& entry : client->journal.Entries()) {
    client_kinds.insert(entry.what);
    EXPECT_EQ(entry.thread, ui) << entry.what;
  }
  for (const char* expected : {"after-created", "before-browse", "load-start", "load-end", "address", "title",
                               "view-rect", "paint", "browser-message", "before-close"}) {
    EXPECT_TRUE(client_kinds.count(expected)) << expected;
  }
  EXPECT_EQ(app->journal.Find("context-initialized").at(0).thread, ui);

  // ... and every renderer callback on the renderer's main thread.
  std::set<std::string> renderer_kinds;
  for (const Journal::Entry& entry : app->journal.Entries()) {
    if (entry.what == "context-initialized") continue;
    renderer_kinds.insert(entry.what);
    EXPECT_EQ(entry.thread, renderer) << entry.what;
  }
  for (const char* expected :
       {"render-thread-created", "webkit-initialized", "renderer-browser-created", "context-created", "focus",
        "renderer-message", "context-released", "renderer-browser-destroyed"}) {
    EXPECT_TRUE(renderer_kinds.count(expected)) << expected;
  }
  EXPECT_EQ(app->journal.Find("focus")[0].number, 1);
}

TEST_P(EngineContract, TheRendererNeverReceivesBrowserSideObjects) {
  CefRefPtr<TestApp> app = new TestApp();
  std::mutex lock;
  CefRefPtr<CefFrame> renderer_frame;
  bool host_seen_in_renderer = true;
  app->on_message = [&](CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefRefPtr<CefProcessMessage>) {
    std::lock_guard<std::mutex> guard(lock);
    renderer_frame = frame;
    host_seen_in_renderer = browser->GetHost() != nullptr;
    return true;
  };
  EngineScope engine(kind(), app.get(), L"contract_objects");
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), L"about:blank");
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return app->journal.Has("renderer-browser-created"); }, first_load_ms()));
  browser->GetMainFrame()->SendProcessMessage(PID_RENDERER, CefProcessMessage::Create("probe"));
  ASSERT_TRUE(PumpUntil([&] {
    std::lock_guard<std::mutex> guard(lock);
    return renderer_frame != nullptr;
  }));

  CefBrowser* seen_by_renderer = nullptr;
  {
    std::lock_guard<std::mutex> guard(app->lock);
    ASSERT_EQ(app->renderer_browsers.size(), 1u);
    seen_by_renderer = app->renderer_browsers[0];
  }
  // The renderer has its own objects for the same browser: equal by
  // identity, never the same object, and no host to reach the browser side.
  EXPECT_NE(seen_by_renderer, browser.get());
  std::lock_guard<std::mutex> guard(lock);
  EXPECT_FALSE(host_seen_in_renderer);
  EXPECT_NE(renderer_frame.get(), browser->GetMainFrame().get());
  EXPECT_EQ(renderer_frame->GetIdentifier(), browser->GetMainFrame()->GetIdentifier());
  // Script objects are refused off the renderer thread.
  EXPECT_FALSE(renderer_frame->GetV8Context());
  EXPECT_FALSE(CefV8Value::CreateBool(true));
  EXPECT_FALSE(CefV8Context::GetCurrentContext());
}

TEST_P(EngineContract, OneBeforeClosePerBrowserHoweverOftenItIsClosedAlsoAtShutdown) {
  CefRefPtr<TestApp> app = new TestApp();
  EngineScope engine(kind(), app.get(), L"contract_closes");
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> first = CreateBrowserAndWait(client, WindowlessInfo(), L"about:blank");
  CefRefPtr<CefBrowser> second = CreateBrowserAndWait(client, WindowlessInfo(), L"about:blank");
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->GetIdentifier(), second->GetIdentifier());
  EXPECT_EQ(test_support::LiveBrowserCount(), 2);

  first->GetHost()->CloseBrowser(false);
  first->GetHost()->CloseBrowser(true);
  first->GetHost()->CloseBrowser(false);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("before-close"); }));
  PumpFor(300);
  first->GetHost()->CloseBrowser(true);
  PumpFor(200);
  auto closes = client->journal.Find("before-close");
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].number, first->GetIdentifier());
  EXPECT_EQ(test_support::LiveBrowserCount(), 1);

  // A browser still open at shutdown is closed by it, once.
  engine.Stop();
  closes = client->journal.Find("before-close");
  ASSERT_EQ(closes.size(), 2u);
  EXPECT_EQ(closes[1].number, second->GetIdentifier());
  EXPECT_EQ(client->journal.Count("after-created"), 2);
}

class ParentWindow {
 public:
  ParentWindow() {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = ::DefWindowProcW;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"EngineTestParent";
    ::RegisterClassExW(&window_class);
    window_ = ::CreateWindowExW(0, L"EngineTestParent", L"parent", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 640,
                                480, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  }
  ~ParentWindow() {
    if (::IsWindow(window_)) ::DestroyWindow(window_);
  }
  HWND get() const { return window_; }

 private:
  HWND window_;
};

CefWindowInfo ChildOf(HWND parent) {
  CefWindowInfo info;
  info.parent_window = parent;
  info.style = WS_CHILD | WS_VISIBLE;
  info.width = 100;
  info.height = 80;
  return info;
}

TEST_P(EngineContract, AWindowedBrowserIsANativeChildWithTheRequestedParentStyleAndRectangle) {
  CefRefPtr<TestApp> app = new TestApp();
  EngineScope engine(kind(), app.get(), L"contract_windows");
  ParentWindow parent;
  ASSERT_TRUE(parent.get());

  CefWindowInfo info;
  info.parent_window = parent.get();
  info.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP;
  info.x = 12;
  info.y = 34;
  info.width = 320;
  info.height = 200;
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, info, L"about:blank");
  ASSERT_TRUE(browser);

  HWND view = browser->GetHost()->GetWindowHandle();
  ASSERT_TRUE(::IsWindow(view));
  EXPECT_EQ(::GetParent(view), parent.get());
  LONG_PTR style = ::GetWindowLongPtrW(view, GWL_STYLE);
  EXPECT_EQ(static_cast<DWORD>(style) & info.style, info.style);
  RECT rect = {};
  ::GetWindowRect(view, &rect);
  ::MapWindowPoints(HWND_DESKTOP, parent.get(), reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(rect.left, 12);
  EXPECT_EQ(rect.top, 34);
  EXPECT_EQ(rect.right - rect.left, 320);
  EXPECT_EQ(rect.bottom - rect.top, 200);
  // The window belongs to the engine's UI thread, like every browser callback.
  EXPECT_EQ(::GetWindowThreadProcessId(view, nullptr), test_support::EngineUiThreadId());

  browser->GetHost()->CloseBrowser(false);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("before-close"); }));
  EXPECT_FALSE(::IsWindow(view));
  EXPECT_EQ(browser->GetHost()->GetWindowHandle(), nullptr);

  // Destroying the parent takes the browser with it.
  CefRefPtr<CefBrowser> second = CreateBrowserAndWait(client, info, L"about:blank");
  ASSERT_TRUE(second);
  ::DestroyWindow(parent.get());
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("before-close") == 2; }));
  PumpFor(200);
  EXPECT_EQ(client->journal.Count("before-close"), 2);

  // A child window without a parent is no browser at all.
  CefWindowInfo orphan;
  orphan.style = WS_CHILD | WS_VISIBLE;
  orphan.width = orphan.height = 10;
  CefRefPtr<TestClient> orphan_client = new TestClient();
  ASSERT_TRUE(CefBrowserHost::CreateBrowser(orphan, orphan_client.get(), L"about:blank", CefBrowserSettings(), nullptr,
                                            nullptr));
  PumpFor(300);
  EXPECT_EQ(orphan_client->journal.Count("after-created"), 0);
  EXPECT_EQ(orphan_client->journal.Count("before-close"), 0);
  EXPECT_EQ(test_support::LiveBrowserCount(), 0);
}

TEST_P(EngineContract, AParentDestroyedDuringShutdownStillEndsItsPageInTheRenderer) {
  TestSite site(kind());
  ASSERT_TRUE(site.Start());
  site.Page("/1", "<title>one</title>");
  site.Page("/2", "<title>two</title>");
  CefRefPtr<TestApp> app = new TestApp();
  EngineScope engine(kind(), app.get(), L"contract_shutdown");
  ParentWindow first_parent;
  ParentWindow second_parent;
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> first = CreateBrowserAndWait(client, ChildOf(first_parent.get()), site.Url("/1"));
  CefRefPtr<CefBrowser> second = CreateBrowserAndWait(client, ChildOf(second_parent.get()), site.Url("/2"));
  ASSERT_TRUE(first && second);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 2; }, first_load_ms()));
  ASSERT_TRUE(PumpUntil([&] { return app->journal.HasText("context-created", site.Url("/2")); }));

  // Closing the first browser at shutdown takes the second one's parent
  // with it, as a client window closing with its browser would.
  HWND doomed = second_parent.get();
  const int first_id = first->GetIdentifier();
  const int second_id = second->GetIdentifier();
  client->on_before_close = [doomed, first_id](int id) {
    if (id == first_id) ::SendMessageW(doomed, WM_CLOSE, 0, 0);
  };
  engine.Stop();
  EXPECT_FALSE(::IsWindow(doomed));
  EXPECT_EQ(client->journal.Count("before-close"), 2);

  EXPECT_TRUE(app->journal.HasText("context-released", site.Url("/2")));
  std::vector<int> destroyed;
  for (const Journal::Entry& entry : app->journal.Find("renderer-browser-destroyed")) destroyed.push_back(entry.number);
  EXPECT_EQ(destroyed.size(), 2u);
  EXPECT_NE(std::find(destroyed.begin(), destroyed.end(), second_id), destroyed.end());
}

TEST_P(EngineContract, AForcedCloseAfterAPendingOneAsksTheClientOnceAndClosesOnce) {
  CefRefPtr<TestApp> app = new TestApp();
  EngineScope engine(kind(), app.get(), L"contract_pending_close");
  ParentWindow parent;
  CefRefPtr<TestClient> client = new TestClient();
  client->client_closes_window = true;
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, ChildOf(parent.get()), L"about:blank");
  ASSERT_TRUE(browser);

  // The client said it closes the window itself: nothing closes yet.
  browser->GetHost()->CloseBrowser(false);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("do-close"); }));
  PumpFor(100);
  EXPECT_EQ(client->journal.Count("before-close"), 0);

  browser->GetHost()->CloseBrowser(true);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("before-close"); }));
  ::DestroyWindow(parent.get());
  browser->GetHost()->CloseBrowser(true);
  PumpFor(200);
  EXPECT_EQ(client->journal.Count("do-close"), 1);
  EXPECT_EQ(client->journal.Count("before-close"), 1);
  EXPECT_EQ(test_support::LiveBrowserCount(), 0);
}

TEST_P(EngineContract, ProcessMessagesArriveAsEqualCopiesBothWays) {
  CefRefPtr<TestApp> app = new TestApp();
  std::mutex lock;
  std::vector<CefRefPtr<CefProcessMessage>> received;
  bool write_refused = false;
  app->on_message = [&](CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefProcessMessage> message) {
    CefRefPtr<CefListValue> arguments = message->GetArgumentList();
    {
      std::lock_guard<std::mutex> guard(lock);
      received.push_back(message);
      auto* list = dynamic_cast<engine::ListValueImpl*>(arguments.get());
      write_refused = list && list->IsReadOnly() && !arguments->SetInt(1, 0) && arguments->GetInt(1) != 0;
    }
    CefRefPtr<CefProcessMessage> reply = CefProcessMessage::Create("pong");
    CefRefPtr<CefListValue> out = reply->GetArgumentList();
    out->SetBool(0, arguments->GetBool(0));
    out->SetInt(1, arguments->GetInt(1));
    out->SetString(2, arguments->GetString(2));
    browser->GetMainFrame()->SendProcessMessage(PID_BROWSER, reply);
    // Changing the reply after sending it must not reach the browser side.
    out->SetString(2, "changed after send");
    return true;
  };
  EngineScope engine(kind(), app.get(), L"contract_messages");
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), L"about:blank");
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return app->journal.Has("renderer-browser-created"); }, first_load_ms()));

  const std::wstring text = L"\u4F60\u597D, \"quoted\"\n\u00E9";
  CefRefPtr<CefProcessMessage> ping = CefProcessMessage::Create("ping");
  ping->GetArgumentList()->SetBool(0, true);
  ping->GetArgumentList()->SetInt(1, -2147483647 - 1);
  ping->GetArgumentList()->SetString(2, text);
  browser->GetMainFrame()->SendProcessMessage(PID_RENDERER, ping);
  ping->GetArgumentList()->SetString(2, "changed after send");
  ping->GetArgumentList()->SetInt(1, 7);

  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("browser-message"); }));
  CefRefPtr<CefProcessMessage> pong;
  {
    std::lock_guard<std::mutex> guard(client->lock);
    pong = client->messages.at(0);
  }
  EXPECT_EQ(pong->GetName().ToWString(), L"pong");
  CefRefPtr<CefListValue> values = pong->GetArgumentList();
  auto* list = dynamic_cast<engine::ListValueImpl*>(values.get());
  ASSERT_TRUE(list);
  ASSERT_EQ(list->GetSize(), 3u);
  EXPECT_EQ(list->GetType(0), VTYPE_BOOL);
  EXPECT_TRUE(values->GetBool(0));
  EXPECT_EQ(values->GetInt(1), -2147483647 - 1);
  EXPECT_EQ(values->GetString(2).ToWString(), text);
  EXPECT_EQ(client->journal.Find("browser-message")[0].number, PID_RENDERER);

  std::lock_guard<std::mutex> guard(lock);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_NE(received[0].get(), ping.get());
  EXPECT_TRUE(write_refused);
  EXPECT_EQ(app->journal.Find("renderer-message")[0].number, PID_BROWSER);
}

TEST_P(EngineContract, LoadsReportTheirStatusTitleAddressAndErrors) {
  TestSite site(kind());
  ASSERT_TRUE(site.Start());
  site.Page("/ok", "<title>OK page</title><p>fine</p>");
  site.Page("/missing", "<title>Not here</title>", nullptr, 404);
  site.Page("/untitled", "<p>no title here</p>");
  const std::wstring closed = site.ClosedUrl();
  EngineScope engine(kind(), nullptr, L"contract_loads");
  ASSERT_TRUE(engine.started());
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), site.Url("/ok"));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("load-end"); }, first_load_ms()));
  EXPECT_TRUE(WaitForTitle(*client, L"OK page"));
  EXPECT_TRUE(client->journal.HasText("address", site.Url("/ok")));
  EXPECT_EQ(browser->GetMainFrame()->GetURL().ToWString(), site.Url("/ok"));
  // A real browser may report a load's stop after its end; the next load
  // starts once this one has stopped, so each has a start and stop of its own.
  ASSERT_TRUE(PumpUntil([&] { return Stopped(*client); }));

  browser->GetMainFrame()->LoadURL(site.Url("/missing"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 2; }));
  EXPECT_TRUE(WaitForTitle(*client, L"Not here"));
  ASSERT_TRUE(PumpUntil([&] { return Stopped(*client); }));
  browser->GetMainFrame()->LoadURL(site.Url("/untitled"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 3; }));
  // A page without a title is known by its address.
  EXPECT_TRUE(WaitForTitle(*client, site.Url("/untitled")));
  ASSERT_TRUE(PumpUntil([&] { return Stopped(*client); }));

  browser->GetMainFrame()->LoadURL(closed);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("load-error"); }));
  // The error page finishes loading, without a load end of its own.
  ASSERT_TRUE(PumpUntil([&] { return Stopped(*client); }));

  std::vector<std::wstring> expected = {L"start " + site.Url("/ok"),
                                        L"end " + site.Url("/ok") + L" 200",
                                        L"start " + site.Url("/missing"),
                                        L"end " + site.Url("/missing") + L" 404",
                                        L"start " + site.Url("/untitled"),
                                        L"end " + site.Url("/untitled") + L" 200",
                                        L"start " + closed,
                                        L"error -102"};
  EXPECT_EQ(LoadTrace(*client), expected);
  auto error = client->journal.Find("load-error").at(0);
  EXPECT_EQ(error.text, closed + L" net::ERR_CONNECTION_REFUSED");
  EXPECT_EQ(browser->GetMainFrame()->GetURL().ToWString(), closed);
  // Each load starts and stops once.
  int started = 0;
  int stopped = 0;
  for (const Journal::Entry& entry : client->journal.Find("loading")) ++(entry.text == L"loading" ? started : stopped);
  EXPECT_GE(started, 4);
  EXPECT_EQ(started, stopped);
}

TEST_P(EngineContract, ACancelledNavigationNeverCommitsAndRedirectsAreReportedAsSuch) {
  TestSite site(kind());
  ASSERT_TRUE(site.Start());
  site.Page("/start", "<title>start</title>");
  site.Page("/cancel", "<title>must not show</title>");
  site.Page("/target", "<title>target</title>");
  site.Redirect("/redirect", "/target");
  const std::wstring by_page = site.Url("/cancel?from=page");
  site.Page("/by-link",
            "<title>link</title><script>onload = () => setTimeout(() => { location.href = '/cancel?from=page'; });"
            "</script>",
            [by_page](inproc::Page& page) { page.Navigate(by_page); });
  EngineScope engine(kind(), nullptr, L"contract_cancel");
  CefRefPtr<TestClient> client = new TestClient();
  client->cancel_navigation = [](const std::wstring& url) { return url.find(L"/cancel") != std::wstring::npos; };
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), site.Url("/start"));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 1; }, first_load_ms()));

  // Cancelled by the client, from the client and from the page's script.
  browser->GetMainFrame()->LoadURL(site.Url("/cancel"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("before-browse") == 2; }));
  browser->GetMainFrame()->LoadURL(site.Url("/by-link"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 2; }));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("before-browse") == 4; }));
  PumpFor(500);
  EXPECT_EQ(site.Requests("/cancel"), 0);
  EXPECT_EQ(browser->GetMainFrame()->GetURL().ToWString(), site.Url("/by-link"));
  for (const std::wstring& line : LoadTrace(*client)) EXPECT_EQ(line.find(L"cancel"), std::wstring::npos) << line;
  EXPECT_FALSE(client->journal.HasText("address", site.Url("/cancel")));
  EXPECT_FALSE(client->journal.HasText("title", L"must not show"));
  EXPECT_EQ(client->journal.Count("load-error"), 0);

  browser->GetMainFrame()->LoadURL(site.Url("/redirect"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 3; }));
  auto browses = client->journal.Find("before-browse");
  ASSERT_EQ(browses.size(), 6u);
  EXPECT_EQ(browses[4].text, site.Url("/redirect"));
  EXPECT_EQ(browses[4].number, 4);  // main frame, no redirect
  EXPECT_EQ(browses[5].text, site.Url("/target"));
  EXPECT_EQ(browses[5].number, 4 | 2);  // main frame, a redirect
  EXPECT_TRUE(client->journal.HasText("load-end", site.Url("/target")));
  EXPECT_EQ(browser->GetMainFrame()->GetURL().ToWString(), site.Url("/target"));
}

TEST_P(EngineContract, PopupsGoToTheLifeSpanHandlerAndDialogsNeverBlock) {
  TestSite site(kind());
  ASSERT_TRUE(site.Start());
  const std::wstring refused = site.Url("/refused");
  const std::wstring allowed = site.Url("/allowed");
  site.Page("/opener",
            "<title>opener</title><script>window.open('/refused', 'one');"
            "setTimeout(() => window.open('/allowed', 'two'), 200);</script>",
            [refused, allowed](inproc::Page& page) {
              page.OpenPopup(refused, L"one");
              page.OpenPopup(allowed, L"two");
            });
  site.Page("/refused", "<title>refused</title>");
  site.Page("/allowed", "<title>allowed</title>");
  site.Page("/alert", "<script>alert('hello'); confirm('sure?'); document.title = 'after dialogs';</script>",
            [](inproc::Page& page) {
              page.ShowDialog(JSDIALOGTYPE_ALERT, L"hello");
              page.ShowDialog(JSDIALOGTYPE_CONFIRM, L"sure?");
              page.SetTitle(L"after dialogs");
            });
  EngineScope engine(kind(), nullptr, L"contract_popups");
  CefRefPtr<TestClient> client = new TestClient();
  client->cancel_popup = [](const std::wstring& url) { return url.find(L"refused") != std::wstring::npos; };
  CefRefPtr<CefBrowser> opener = CreateBrowserAndWait(client, WindowlessInfo(), site.Url("/opener"));
  ASSERT_TRUE(opener);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("after-created") == 2; }, first_load_ms()));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.HasText("load-end", allowed); }));
  PumpFor(300);
  auto popups = client->journal.Find("before-popup");
  ASSERT_EQ(popups.size(), 2u);
  EXPECT_EQ(popups[0].text, refused);
  EXPECT_EQ(popups[1].text, allowed);
  EXPECT_EQ(site.Requests("/refused"), 0);
  EXPECT_EQ(site.Requests("/allowed"), 1);
  EXPECT_EQ(test_support::LiveBrowserCount(), 2);
  EXPECT_EQ(client->Browser(1)->GetMainFrame()->GetURL().ToWString(), allowed);

  opener->GetMainFrame()->LoadURL(site.Url("/alert"));
  EXPECT_TRUE(WaitForTitle(*client, L"after dialogs"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("dialog") == 2; }));
  auto dialogs = client->journal.Find("dialog");
  EXPECT_EQ(dialogs[0].text, L"hello");
  EXPECT_EQ(dialogs[0].number, JSDIALOGTYPE_ALERT);
  EXPECT_EQ(dialogs[1].text, L"sure?");
  EXPECT_EQ(dialogs[1].number, JSDIALOGTYPE_CONFIRM);
}

TEST_P(EngineContract, BackForwardAndARendererCrashReportedOnce) {
  TestSite site(kind());
  ASSERT_TRUE(site.Start());
  site.Page("/a", "<title>A</title>");
  site.Page("/b", "<title>B</title>");
  EngineScope engine(kind(), nullptr, L"contract_history");
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), site.Url("/a"));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 1; }, first_load_ms()));
  browser->GetMainFrame()->LoadURL(site.Url("/b"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 2 && Stopped(*client); }));
  // The blank page every browser starts on is no history to go back to.
  EXPECT_EQ(client->journal.Find("loading").back().number, 1);

  browser->GoBack();
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 3; }));
  EXPECT_EQ(browser->GetMainFrame()->GetURL().ToWString(), site.Url("/a"));
  ASSERT_TRUE(PumpUntil([&] { return Stopped(*client) && client->journal.Find("loading").back().number == 2; }));
  EXPECT_TRUE(WaitForTitle(*client, L"A"));
  browser->GoBack();  // nothing behind the first page
  browser->GoForward();
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 4; }));
  EXPECT_EQ(browser->GetMainFrame()->GetURL().ToWString(), site.Url("/b"));
  EXPECT_EQ(site.Requests("/a"), 2);

  ASSERT_TRUE(test_support::CrashRenderer(browser));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("terminated"); }));
  PumpFor(500);
  auto terminated = client->journal.Find("terminated");
  ASSERT_EQ(terminated.size(), 1u);
  EXPECT_EQ(terminated[0].number, TS_PROCESS_CRASHED);
  // A crashed page comes back with a reload.
  browser->Reload();
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 5; }));
  EXPECT_EQ(browser->GetMainFrame()->GetURL().ToWString(), site.Url("/b"));
}

TEST_P(EngineContract, DeveloperToolsOpenOnceAndCloseWithTheirBrowser) {
  EngineScope engine(kind(), nullptr, L"contract_devtools");
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), L"about:blank");
  ASSERT_TRUE(browser);

  CefRefPtr<TestClient> tools = new TestClient();
  browser->GetHost()->ShowDevTools(WindowlessInfo(), tools.get(), CefBrowserSettings(), CefPoint());
  browser->GetHost()->ShowDevTools(WindowlessInfo(), tools.get(), CefBrowserSettings(), CefPoint());
  ASSERT_TRUE(PumpUntil([&] { return tools->journal.Has("load-end"); }, first_load_ms()));
  PumpFor(200);
  EXPECT_EQ(tools->journal.Count("after-created"), 1);
  EXPECT_EQ(tools->journal.Count("load-error"), 0);

  browser->GetHost()->CloseDevTools();
  ASSERT_TRUE(PumpUntil([&] { return tools->journal.Has("before-close"); }));
  EXPECT_EQ(client->journal.Count("before-close"), 0);

  // Opened again, they go when the inspected browser closes.
  browser->GetHost()->ShowDevTools(WindowlessInfo(), tools.get(), CefBrowserSettings(), CefPoint());
  ASSERT_TRUE(PumpUntil([&] { return tools->journal.Count("after-created") == 2; }));
  browser->GetHost()->CloseBrowser(true);
  ASSERT_TRUE(PumpUntil([&] { return tools->journal.Count("before-close") == 2; }));
  EXPECT_EQ(client->journal.Count("before-close"), 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineContract, ::testing::Values(EngineKind::kInProcess, EngineKind::kReal),
                         EngineParamName);

TEST(EngineMessages, ListValuesGiveDefaultsForMissingOrMistypedEntries) {
  CefRefPtr<engine::ListValueImpl> list = new engine::ListValueImpl();
  EXPECT_EQ(list->GetSize(), 0u);
  EXPECT_EQ(list->GetType(0), VTYPE_INVALID);
  EXPECT_TRUE(list->SetString(2, "two"));
  EXPECT_EQ(list->GetSize(), 3u);
  EXPECT_EQ(list->GetType(0), VTYPE_NULL);
  EXPECT_EQ(list->GetInt(2), 0);
  EXPECT_FALSE(list->GetBool(2));
  EXPECT_EQ(list->GetString(2).ToString(), "two");
  EXPECT_TRUE(list->GetString(9).empty());
  EXPECT_TRUE(list->SetInt(2, 5));
  EXPECT_EQ(list->GetType(2), VTYPE_INT);
  EXPECT_TRUE(list->GetString(2).empty());
  // An absurd index is refused instead of growing the list without bound.
  EXPECT_FALSE(list->SetBool(static_cast<size_t>(-1), true));
  EXPECT_TRUE(list->SetSize(1));
  EXPECT_EQ(list->GetSize(), 1u);
}

}  // namespace
