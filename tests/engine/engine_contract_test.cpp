#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "engine/in_process/v8_value_impl.h"
#include "engine/shared/values_impl.h"
#include "engine_test_support.h"
#include "include/cef_task.h"

using namespace engine_test;

namespace {

const wchar_t kPage[] = L"https://contract.test/page";

// A task that records where it ran and whether the engine called it its own.
class RecordingTask : public CefTask {
 public:
  explicit RecordingTask(Journal* journal) : journal_(journal) {}
  void Execute() override { journal_->Add("task", std::wstring(), CefCurrentlyOn(TID_UI) ? 1 : 0); }

 private:
  Journal* journal_;
  IMPLEMENT_REFCOUNTING(RecordingTask);
};

TEST(EngineThreads, BrowserCallbacksOnTheEngineUiThreadAndRendererCallbacksOnTheRenderer) {
  CefRefPtr<TestApp> app = new TestApp();
  Journal renderer_tasks;
  inproc::RegisterPage(kPage, [&renderer_tasks](inproc::Page& page) {
    // Renderer tasks can be posted from the renderer only.
    EXPECT_TRUE(CefPostTask(TID_RENDERER, new RecordingTask(&renderer_tasks)));
    page.FocusNode(true);
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("hello");
    page.frame()->SendProcessMessage(PID_BROWSER, message);
  });
  EngineScope engine(app.get());
  ASSERT_TRUE(engine.started());

  CefRefPtr<TestClient> client = new TestClient();
  client->windowless_view = true;
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), kPage);
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("load-end") && client->journal.Has("browser-message"); }));
  ASSERT_TRUE(PumpUntil([&] { return app->journal.Has("focus"); }));

  Journal journal;
  ASSERT_TRUE(CefPostTask(TID_UI, new RecordingTask(&journal)));
  ASSERT_TRUE(PumpUntil([&] { return journal.Has("task"); }));
  EXPECT_EQ(journal.Find("task")[0].number, 1);

  DWORD ui = inproc::EngineUiThreadId();
  DWORD renderer = inproc::RendererThreadId();
  DWORD main = ::GetCurrentThreadId();
  ASSERT_NE(ui, 0u);
  ASSERT_NE(renderer, 0u);
  EXPECT_NE(ui, main);
  EXPECT_NE(renderer, main);
  EXPECT_NE(renderer, ui);
  EXPECT_EQ(journal.Find("task")[0].thread, ui);
  EXPECT_FALSE(CefPostTask(TID_RENDERER, new RecordingTask(&journal)));
  ASSERT_TRUE(PumpUntil([&] { return renderer_tasks.Has("task"); }));
  EXPECT_EQ(renderer_tasks.Find("task")[0].thread, renderer);
  EXPECT_EQ(renderer_tasks.Find("task")[0].number, 0);

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
  for (const char* expected : {"render-thread-created", "webkit-initialized", "renderer-browser-created",
                               "context-created", "focus", "context-released", "renderer-browser-destroyed"}) {
    EXPECT_TRUE(renderer_kinds.count(expected)) << expected;
  }
}

TEST(EngineThreads, TheRendererNeverReceivesBrowserSideObjects) {
  CefRefPtr<TestApp> app = new TestApp();
  std::mutex lock;
  CefRefPtr<CefFrame> renderer_frame;
  bool host_seen_in_renderer = true;
  inproc::RegisterPage(kPage, [&](inproc::Page& page) {
    std::lock_guard<std::mutex> guard(lock);
    renderer_frame = page.frame();
    host_seen_in_renderer = page.frame()->GetBrowser()->GetHost() != nullptr;
  });
  EngineScope engine(app.get());
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), kPage);
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("load-end"); }));

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
  ASSERT_TRUE(renderer_frame);
  EXPECT_FALSE(host_seen_in_renderer);
  EXPECT_NE(renderer_frame.get(), browser->GetMainFrame().get());
  EXPECT_EQ(renderer_frame->GetIdentifier(), browser->GetMainFrame()->GetIdentifier());
  // Script objects are refused off the renderer thread.
  EXPECT_FALSE(renderer_frame->GetV8Context());
  EXPECT_FALSE(CefV8Value::CreateBool(true));
  EXPECT_FALSE(CefV8Context::GetCurrentContext());
}

TEST(EngineLifeSpan, OneBeforeClosePerBrowserHoweverOftenItIsClosed) {
  CefRefPtr<TestApp> app = new TestApp();
  EngineScope engine(app.get());
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> first = CreateBrowserAndWait(client, WindowlessInfo(), L"about:blank");
  CefRefPtr<CefBrowser> second = CreateBrowserAndWait(client, WindowlessInfo(), L"about:blank");
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->GetIdentifier(), second->GetIdentifier());
  EXPECT_EQ(inproc::LiveBrowserCount(), 2);

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
  EXPECT_EQ(inproc::LiveBrowserCount(), 1);

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

TEST(EngineWindows, AWindowedBrowserIsANativeChildWithTheRequestedParentStyleAndRectangle) {
  CefRefPtr<TestApp> app = new TestApp();
  EngineScope engine(app.get());
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
  EXPECT_EQ(::GetWindowThreadProcessId(view, nullptr), inproc::EngineUiThreadId());

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
}

CefWindowInfo ChildOf(HWND parent) {
  CefWindowInfo info;
  info.parent_window = parent;
  info.style = WS_CHILD | WS_VISIBLE;
  info.width = 100;
  info.height = 80;
  return info;
}

TEST(EngineLifeSpan, AParentDestroyedDuringShutdownStillEndsItsPageInTheRenderer) {
  CefRefPtr<TestApp> app = new TestApp();
  inproc::RegisterPagePrefix(L"https://shutdown.test/", [](inproc::Page&) {});
  EngineScope engine(app.get());
  ParentWindow first_parent;
  ParentWindow second_parent;
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> first = CreateBrowserAndWait(client, ChildOf(first_parent.get()), L"https://shutdown.test/1");
  CefRefPtr<CefBrowser> second = CreateBrowserAndWait(client, ChildOf(second_parent.get()), L"https://shutdown.test/2");
  ASSERT_TRUE(first && second);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 2; }));

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

  std::vector<std::wstring> released;
  for (const Journal::Entry& entry : app->journal.Find("context-released")) released.push_back(entry.text);
  EXPECT_NE(std::find(released.begin(), released.end(), L"https://shutdown.test/2"), released.end());
  std::vector<int> destroyed;
  for (const Journal::Entry& entry : app->journal.Find("renderer-browser-destroyed")) destroyed.push_back(entry.number);
  EXPECT_EQ(destroyed.size(), 2u);
  EXPECT_NE(std::find(destroyed.begin(), destroyed.end(), second_id), destroyed.end());
}

TEST(EngineLifeSpan, AForcedCloseAfterAPendingOneAsksTheClientOnceAndClosesOnce) {
  CefRefPtr<TestApp> app = new TestApp();
  EngineScope engine(app.get());
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
  EXPECT_EQ(inproc::LiveBrowserCount(), 0);
}

TEST(EngineWindows, AChildWithoutAParentIsNoBrowser) {
  CefRefPtr<TestApp> app = new TestApp();
  EngineScope engine(app.get());
  CefWindowInfo info;
  info.style = WS_CHILD | WS_VISIBLE;
  info.width = info.height = 10;
  CefRefPtr<TestClient> client = new TestClient();
  ASSERT_TRUE(
      CefBrowserHost::CreateBrowser(info, client.get(), L"about:blank", CefBrowserSettings(), nullptr, nullptr));
  PumpFor(300);
  EXPECT_EQ(client->journal.Count("after-created"), 0);
  EXPECT_EQ(client->journal.Count("before-close"), 0);
  EXPECT_EQ(inproc::LiveBrowserCount(), 0);
}

TEST(EngineMessages, ProcessMessagesArriveAsEqualCopiesBothWays) {
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
  EngineScope engine(app.get());
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), L"about:blank");
  ASSERT_TRUE(browser);

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

namespace {

TEST(EngineLifeSpan, DeveloperToolsOpenOnceAndCloseWithTheirBrowser) {
  CefRefPtr<TestApp> app = new TestApp();
  EngineScope engine(app.get());
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), L"about:blank");
  ASSERT_TRUE(browser);

  CefRefPtr<TestClient> tools = new TestClient();
  browser->GetHost()->ShowDevTools(WindowlessInfo(), tools.get(), CefBrowserSettings(), CefPoint());
  browser->GetHost()->ShowDevTools(WindowlessInfo(), tools.get(), CefBrowserSettings(), CefPoint());
  ASSERT_TRUE(PumpUntil([&] { return tools->journal.Has("load-end"); }));
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

}  // namespace
