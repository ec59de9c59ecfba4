#include <gtest/gtest.h>

#include "engine/remote/remote_engine_state.h"
#include "remote_test_support.h"

using namespace remote_test;
using test_support::LoopbackHttpServer;

namespace {

std::vector<std::wstring> LoadTrace(TestClient& client) {
  std::vector<std::wstring> trace;
  for (const Journal::Entry& entry : client.journal.Entries()) {
    if (entry.what == "load-start") trace.push_back(L"start " + entry.text);
    if (entry.what == "load-end") trace.push_back(L"end " + entry.text + L" " + std::to_wstring(entry.number));
    if (entry.what == "load-error") trace.push_back(L"error " + std::to_wstring(entry.number));
  }
  return trace;
}

TEST(RemoteNavigation, LoadsReportTheirStatusTitleAddressAndErrors) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  server.Page("/ok", "<title>OK page</title><p>fine</p>");
  server.Page("/untitled", "<p>no title here</p>");
  EngineScope engine(L"loads");
  ASSERT_TRUE(engine.started());
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), server.WideUrl("/ok"));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("load-end"); }, 20000));
  EXPECT_TRUE(WaitForTitle(*client, L"OK page"));
  EXPECT_TRUE(client->journal.HasText("address", server.WideUrl("/ok")));
  EXPECT_EQ(browser->GetMainFrame()->GetURL().ToWString(), server.WideUrl("/ok"));

  browser->GetMainFrame()->LoadURL(server.WideUrl("/missing"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 2; }));
  browser->GetMainFrame()->LoadURL(server.WideUrl("/untitled"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 3; }));
  // A page without a title is known by its address.
  EXPECT_TRUE(WaitForTitle(*client, server.WideUrl("/untitled")));

  std::wstring closed = L"http://127.0.0.1:" + std::to_wstring(LoopbackHttpServer::ClosedPort()) + L"/";
  browser->GetMainFrame()->LoadURL(closed);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("load-error"); }));
  // The error page finishes loading, without a load end of its own.
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Find("loading").back().text == L"stopped"; }));

  std::vector<std::wstring> expected = {
      L"start " + server.WideUrl("/ok"),       L"end " + server.WideUrl("/ok") + L" 200",
      L"start " + server.WideUrl("/missing"),  L"end " + server.WideUrl("/missing") + L" 404",
      L"start " + server.WideUrl("/untitled"), L"end " + server.WideUrl("/untitled") + L" 200",
      L"start " + closed,                      L"error -102"};
  EXPECT_EQ(LoadTrace(*client), expected);
  auto error = client->journal.Find("load-error").at(0);
  EXPECT_EQ(error.text, closed + L" net::ERR_CONNECTION_REFUSED");
  EXPECT_EQ(browser->GetMainFrame()->GetURL().ToWString(), closed);
  EXPECT_EQ(client->journal.Count("loading"), 8);
}

TEST(RemoteNavigation, ACancelledNavigationNeverStartsAndRedirectsAreReportedAsSuch) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  server.Page("/start", "<title>start</title>");
  server.Page("/cancel", "<title>must not show</title>");
  server.Page("/target", "<title>target</title>");
  server.Redirect("/redirect", "/target");
  server.Page("/by-link", "<title>link</title><script>onload = () => setTimeout(() => { location.href = '/cancel?from=page'; });</script>");
  EngineScope engine(L"cancel");
  CefRefPtr<TestClient> client = new TestClient();
  client->cancel_navigation = [](const std::wstring& url) { return url.find(L"/cancel") != std::wstring::npos; };
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), server.WideUrl("/start"));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 1; }, 20000));

  // Cancelled by the client, from the client and from the page's script.
  browser->GetMainFrame()->LoadURL(server.WideUrl("/cancel"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("before-browse") == 2; }));
  browser->GetMainFrame()->LoadURL(server.WideUrl("/by-link"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 2; }));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("before-browse") == 4; }));
  PumpFor(500);
  EXPECT_EQ(server.Requests("/cancel"), 0);
  EXPECT_EQ(browser->GetMainFrame()->GetURL().ToWString(), server.WideUrl("/by-link"));
  for (const std::wstring& line : LoadTrace(*client)) EXPECT_EQ(line.find(L"cancel"), std::wstring::npos) << line;
  EXPECT_FALSE(client->journal.HasText("address", server.WideUrl("/cancel")));
  EXPECT_EQ(client->journal.Count("load-error"), 0);

  browser->GetMainFrame()->LoadURL(server.WideUrl("/redirect"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 3; }));
  auto browses = client->journal.Find("before-browse");
  ASSERT_EQ(browses.size(), 6u);
  EXPECT_EQ(browses[4].text, server.WideUrl("/redirect"));
  EXPECT_EQ(browses[4].number, 4);  // main frame, no redirect
  EXPECT_EQ(browses[5].text, server.WideUrl("/target"));
  EXPECT_EQ(browses[5].number, 4 | 2);  // main frame, a redirect
  EXPECT_TRUE(client->journal.HasText("load-end", server.WideUrl("/target")));
}

TEST(RemoteNavigation, PopupsGoToTheLifeSpanHandlerAndDialogsNeverBlock) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  server.Page("/opener",
              "<title>opener</title><script>window.open('/refused', 'one');"
              "setTimeout(() => window.open('/allowed', 'two'), 200);</script>");
  server.Page("/refused", "<title>refused</title>");
  server.Page("/allowed", "<title>allowed</title>");
  server.Page("/alert", "<script>alert('hello'); confirm('sure?'); document.title = 'after dialogs';</script>");
  EngineScope engine(L"popups");
  CefRefPtr<TestClient> client = new TestClient();
  client->cancel_popup = [](const std::wstring& url) { return url.find(L"refused") != std::wstring::npos; };
  CefRefPtr<CefBrowser> opener = CreateBrowserAndWait(client, WindowlessInfo(), server.WideUrl("/opener"));
  ASSERT_TRUE(opener);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("after-created") == 2; }, 20000));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.HasText("load-end", server.WideUrl("/allowed")); }));
  PumpFor(300);
  auto popups = client->journal.Find("before-popup");
  ASSERT_EQ(popups.size(), 2u);
  EXPECT_EQ(popups[0].text, server.WideUrl("/refused"));
  EXPECT_EQ(popups[1].text, server.WideUrl("/allowed"));
  EXPECT_EQ(server.Requests("/refused"), 0);
  EXPECT_EQ(server.Requests("/allowed"), 1);
  EXPECT_EQ(remote::LiveBrowserCount(), 2);

  opener->GetMainFrame()->LoadURL(server.WideUrl("/alert"));
  EXPECT_TRUE(WaitForTitle(*client, L"after dialogs"));
  auto dialogs = client->journal.Find("dialog");
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[0].text, L"hello");
  EXPECT_EQ(dialogs[0].number, JSDIALOGTYPE_ALERT);
  EXPECT_EQ(dialogs[1].number, JSDIALOGTYPE_CONFIRM);
}

TEST(RemoteNavigation, BackForwardAndARendererCrashReportedOnce) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  server.Page("/a", "<title>A</title>");
  server.Page("/b", "<title>B</title>");
  EngineScope engine(L"history");
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), server.WideUrl("/a"));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 1; }, 20000));
  browser->GetMainFrame()->LoadURL(server.WideUrl("/b"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 2; }));
  ASSERT_TRUE(PumpUntil([&] {
    auto loading = client->journal.Find("loading");
    return !loading.empty() && loading.back().text == L"stopped";
  }));
  // The blank page every browser starts on is no history to go back to.
  EXPECT_EQ(client->journal.Find("loading").back().number, 1);

  browser->GoBack();
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 3; }));
  EXPECT_EQ(browser->GetMainFrame()->GetURL().ToWString(), server.WideUrl("/a"));
  ASSERT_TRUE(PumpUntil([&] {
    auto loading = client->journal.Find("loading");
    return loading.back().text == L"stopped" && loading.back().number == 2;
  }));
  browser->GoBack();  // nothing behind the first page
  browser->GoForward();
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 4; }));
  EXPECT_EQ(browser->GetMainFrame()->GetURL().ToWString(), server.WideUrl("/b"));
  EXPECT_EQ(server.Requests("/a"), 2);

  ASSERT_TRUE(remote::CrashRenderer(browser));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("terminated"); }));
  PumpFor(500);
  auto terminated = client->journal.Find("terminated");
  ASSERT_EQ(terminated.size(), 1u);
  EXPECT_EQ(terminated[0].number, TS_PROCESS_CRASHED);
  // A crashed page comes back with a reload.
  browser->Reload();
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 5; }));
}

TEST(RemoteNavigation, EveryBrowserHearsOneBeforeCloseAlsoAtShutdown) {
  EngineScope engine(L"closes");
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> first = CreateBrowserAndWait(client, WindowlessInfo(), L"about:blank");
  CefRefPtr<CefBrowser> second = CreateBrowserAndWait(client, WindowlessInfo(), L"about:blank");
  ASSERT_TRUE(first && second);
  first->GetHost()->CloseBrowser(false);
  first->GetHost()->CloseBrowser(true);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("before-close"); }));
  PumpFor(200);
  EXPECT_EQ(client->journal.Count("before-close"), 1);
  engine.Stop();
  auto closes = client->journal.Find("before-close");
  ASSERT_EQ(closes.size(), 2u);
  EXPECT_EQ(closes[1].number, second->GetIdentifier());
}

}  // namespace
