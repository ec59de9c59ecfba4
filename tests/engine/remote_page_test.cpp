#include <gtest/gtest.h>

#include <set>

#include "engine/remote/remote_engine_state.h"
#include "engine_test_support.h"

using namespace engine_test;
using test_support::LoopbackHttpServer;

namespace {

// Records the sub-frames' navigations and the cursor on top of the usual.
class FrameClient : public TestClient {
 public:
  std::mutex frames_lock;
  std::vector<std::pair<int64_t, std::wstring>> subframe_loads;
  std::vector<HCURSOR> cursors;

  void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, int status) override {
    if (!frame->IsMain()) {
      std::lock_guard<std::mutex> guard(frames_lock);
      subframe_loads.push_back({frame->GetIdentifier(), frame->GetURL().ToWString()});
    }
    TestClient::OnLoadEnd(browser, frame, status);
  }
  void OnCursorChange(CefRefPtr<CefBrowser>, CefCursorHandle cursor, CefRenderHandlerCursorType,
                      const CefCursorInfo&) override {
    std::lock_guard<std::mutex> guard(frames_lock);
    cursors.push_back(cursor);
  }
};

TEST(RemotePages, SubFramesOfEveryOriginPassTheRequestHandlerAndKeepTheirIdentity) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  std::string other_origin = "http://localhost:" + std::to_string(server.port());
  server.Page("/frames", "<title>frames</title><iframe src='/inner?same'></iframe><iframe src='" + other_origin +
                             "/inner?other'></iframe><iframe src='/blocked'></iframe>");
  server.Page("/inner", "<p>inner</p>");
  server.Page("/blocked", "<p>must not load</p>");
  EngineScope engine(EngineKind::kReal, nullptr, L"frames");
  CefRefPtr<FrameClient> client = new FrameClient();
  client->cancel_navigation = [](const std::wstring& url) { return url.find(L"/blocked") != std::wstring::npos; };
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), server.WideUrl("/frames"));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("load-end"); }, 20000));
  ASSERT_TRUE(PumpUntil([&] {
    std::lock_guard<std::mutex> guard(client->frames_lock);
    return client->subframe_loads.size() >= 2;
  }));
  EXPECT_EQ(server.Requests("/blocked"), 0);
  int subframe_browses = 0;
  for (const Journal::Entry& entry : client->journal.Find("before-browse")) {
    if (!(entry.number & 4)) ++subframe_browses;
  }
  EXPECT_EQ(subframe_browses, 3);

  std::lock_guard<std::mutex> guard(client->frames_lock);
  std::set<int64_t> identifiers;
  for (const auto& load : client->subframe_loads) {
    identifiers.insert(load.first);
    EXPECT_NE(load.first, browser->GetMainFrame()->GetIdentifier());
    // The engine finds each frame by its number, whichever process it runs in.
    CefRefPtr<CefFrame> frame = browser->GetFrame(load.first);
    ASSERT_TRUE(frame) << load.second;
    EXPECT_FALSE(frame->IsMain());
    EXPECT_EQ(frame->GetURL().ToWString(), load.second);
  }
  EXPECT_EQ(identifiers.size(), 2u);
}

TEST(RemotePages, DeveloperToolsAreTheBrowsersOwnInspectorInABrowserOfTheirOwn) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  server.Page("/inspected", "<title>inspected</title>");
  EngineScope engine(EngineKind::kReal, nullptr, L"devtools");
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), server.WideUrl("/inspected"));
  ASSERT_TRUE(browser);
  CefRefPtr<TestClient> tools = new TestClient();
  browser->GetHost()->ShowDevTools(WindowlessInfo(), tools.get(), CefBrowserSettings(), CefPoint());
  browser->GetHost()->ShowDevTools(WindowlessInfo(), tools.get(), CefBrowserSettings(), CefPoint());
  ASSERT_TRUE(PumpUntil([&] { return tools->journal.Has("load-end"); }, 20000));
  std::wstring tools_url = tools->Browser()->GetMainFrame()->GetURL().ToWString();
  EXPECT_NE(tools_url.find(L"/devtools/inspector.html"), std::wstring::npos) << tools_url;
  ASSERT_TRUE(PumpUntil([&] {
    for (const Journal::Entry& title : tools->journal.Find("title")) {
      if (title.text.find(L"DevTools") == 0) return true;
    }
    return false;
  }));
  PumpFor(200);
  EXPECT_EQ(tools->journal.Count("after-created"), 1);

  browser->GetHost()->CloseDevTools();
  ASSERT_TRUE(PumpUntil([&] { return tools->journal.Has("before-close"); }));
  browser->GetHost()->ShowDevTools(WindowlessInfo(), tools.get(), CefBrowserSettings(), CefPoint());
  ASSERT_TRUE(PumpUntil([&] { return tools->journal.Count("after-created") == 2; }));
  browser->GetHost()->CloseBrowser(true);
  ASSERT_TRUE(PumpUntil([&] { return tools->journal.Count("before-close") == 2; }));
}

TEST(RemotePages, CursorsFocusAndMutingFollowThePage) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  server.Page("/cursor",
              "<body style='margin:0'><a href='#x' style='display:block;height:50px'>link</a>"
              "<div style='height:50px;cursor:crosshair'>cross</div><div style='height:50px'></div>"
              "<audio id='sound'></audio></body>");
  EngineScope engine(EngineKind::kReal, nullptr, L"cursor");
  CefRefPtr<FrameClient> client = new FrameClient();
  client->windowless_view = true;
  client->view_rect = CefRect(0, 0, 200, 160);
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), server.WideUrl("/cursor"));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("load-end"); }, 20000));
  auto moved_to = [&](int y, LPCWSTR cursor) {
    CefMouseEvent event;
    event.x = 20;
    event.y = y;
    browser->GetHost()->SendMouseMoveEvent(event, false);
    HCURSOR expected = ::LoadCursorW(nullptr, cursor);
    return PumpUntil([&] {
      std::lock_guard<std::mutex> guard(client->frames_lock);
      return !client->cursors.empty() && client->cursors.back() == expected;
    });
  };
  EXPECT_TRUE(moved_to(20, IDC_HAND));
  EXPECT_TRUE(moved_to(75, IDC_CROSS));
  EXPECT_TRUE(moved_to(125, IDC_ARROW));

  browser->GetHost()->SetAudioMuted(true);
  EXPECT_TRUE(PumpUntil([&] { return remote::EvaluateInPage(browser, L"String(sound.muted)") == L"true"; }));
  browser->GetHost()->SetAudioMuted(false);
  EXPECT_TRUE(PumpUntil([&] { return remote::EvaluateInPage(browser, L"String(sound.muted)") == L"false"; }));

  browser->GetHost()->SendFocusEvent(true);
  EXPECT_TRUE(PumpUntil([&] { return remote::EvaluateInPage(browser, L"String(document.hasFocus())") == L"true"; }));
}

}  // namespace
