#include <gtest/gtest.h>

#include "base/path_util.h"
#include "engine/engine_selection.h"
#include "engine/remote/remote_engine.h"
#include "engine/remote/remote_engine_state.h"
#include "engine/remote/wine_paths.h"
#include "engine_test_support.h"

using namespace engine_test;
using test_support::LoopbackHttpServer;

namespace {

// Starts the engine on any program, as a broken engine.ini would name it.
bool StartEngineOn(const std::wstring& program, const std::wstring& folder_name, std::wstring* folder) {
  *folder = test_support::TempFolder(L"tarnwell_engine_tests", folder_name);
  qbase::CreateDirectories(*folder);
  CefSettings settings;
  settings.no_sandbox = 1;
  settings.multi_threaded_message_loop = 1;
  settings.cache_path = *folder + L"CefLocalStorage";
  settings.log_file = *folder + L"cef.log";
  engine::EngineConfig config;
  config.browser = program;
  engine::ForceEngine(engine::EngineKind::kReal, config);
  return CefInitialize(CefMainArgs(::GetModuleHandleW(nullptr)), settings, nullptr, nullptr);
}

// Ends a Linux process as something outside this program would.
void KillLinuxProcess(unsigned long id) {
  std::wstring kill = remote::FromUnixPath("/bin/kill");
  std::wstring command = L"\"" + kill + L"\" -9 " + std::to_wstring(id);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
  }
}

TEST(RemoteFaults, AProgramThatIsNoBrowserGivesLoadErrorsAndAQuickShutdown) {
  if (!remote::RunsOnWine()) GTEST_SKIP() << "the programs named here are Linux ones";
  for (const wchar_t* program : {L"/bin/true", L"/no/such/browser"}) {
    std::wstring folder;
    ASSERT_TRUE(StartEngineOn(program, L"no_browser", &folder)) << program;
    CefRefPtr<TestClient> client = new TestClient();
    ULONGLONG started = ::GetTickCount64();
    CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), L"http://127.0.0.1:1/");
    ASSERT_TRUE(browser);
    ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("load-error"); }, 10000)) << program;
    EXPECT_LT(::GetTickCount64() - started, 10000u);
    EXPECT_EQ(client->journal.Find("load-error")[0].number, -104);
    // Later loads fail the same way, after a bounded number of new starts.
    for (int i = 0; i < 4; ++i) browser->GetMainFrame()->LoadURL(L"http://127.0.0.1:1/again");
    ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-error") >= 2; }, 10000));
    ULONGLONG stopping = ::GetTickCount64();
    CefShutdown();
    EXPECT_LT(::GetTickCount64() - stopping, 5000u);
    EXPECT_EQ(client->journal.Count("before-close"), 1);
  }
}

TEST(RemoteFaults, LongArgumentsAPageThatNeverEndsAndA50MegabytePage) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  LoopbackHttpServer::Response endless;
  endless.body = "<title>endless</title><p>still loading";
  endless.never_finish = true;
  server.Route("/endless", endless);
  LoopbackHttpServer::Response huge;
  // Fifty megabytes to fetch and parse; as a comment, nothing to lay out.
  huge.body = "<title>huge</title><!--";
  huge.filler_bytes = 50u * 1024 * 1024;
  server.Route("/huge", huge);
  std::wstring long_switch = L"--engine-test-filler=" + std::wstring(10000, L'x');
  EngineScope engine(EngineKind::kReal, nullptr, L"faults", L"--lang=en-US " + long_switch);
  ASSERT_TRUE(engine.started());
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), server.WideUrl("/endless"));
  ASSERT_TRUE(browser);
  std::vector<std::wstring> arguments = remote::BrowserProgramArguments();
  EXPECT_NE(std::find(arguments.begin(), arguments.end(), long_switch), arguments.end());
  EXPECT_TRUE(WaitForTitle(*client, L"endless", 20000));
  EXPECT_FALSE(client->journal.Has("load-end"));

  // Navigating away from a page that never ends works; so does a huge one.
  ULONGLONG started = ::GetTickCount64();
  browser->GetMainFrame()->LoadURL(server.WideUrl("/huge"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.HasText("load-end", server.WideUrl("/huge")); }, 60000));
  EXPECT_LT(::GetTickCount64() - started, 60000u);

  // The browser program killed while a page loads: the page's renderer is
  // reported gone, and the next load brings the browser back.
  browser->GetMainFrame()->LoadURL(server.WideUrl("/endless"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-start") == 3; }));
  unsigned long program = remote::BrowserProgramId();
  ASSERT_GT(program, 0u);
  if (remote::RunsOnWine()) KillLinuxProcess(program);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("terminated"); }, 10000));
  EXPECT_EQ(client->journal.Find("terminated")[0].number, TS_PROCESS_WAS_KILLED);
  EXPECT_EQ(client->journal.Find("loading").back().text, L"stopped");
  browser->GetMainFrame()->LoadURL(server.WideUrl("/huge?again"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 2; }, 60000));
  EXPECT_NE(remote::BrowserProgramId(), program);

  ULONGLONG stopping = ::GetTickCount64();
  engine.Stop();
  EXPECT_LT(::GetTickCount64() - stopping, 8000u);
  EXPECT_EQ(client->journal.Count("before-close"), 1);
}

}  // namespace
