#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/path_util.h"
#include "engine_test_support.h"
#include "include/cef_cookie.h"
#include "include/cef_task.h"

using namespace engine_test;

namespace {

class FlagTask : public CefTask {
 public:
  explicit FlagTask(Journal* journal) : journal_(journal) {}
  void Execute() override { journal_->Add("task"); }

 private:
  Journal* journal_;
  IMPLEMENT_REFCOUNTING(FlagTask);
};

std::string ReadFile(const std::wstring& path) {
  HANDLE file =
      ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string content;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) content.append(buffer, read);
  ::CloseHandle(file);
  return content;
}

TEST(EngineProcess, TheBrowserProcessStartsOnceAndStopsCleanly) {
  // This test program is no sub-process of the engine.
  EXPECT_LT(CefExecuteProcess(CefMainArgs(::GetModuleHandleW(nullptr)), nullptr, nullptr), 0);

  Journal journal;
  EXPECT_FALSE(CefPostTask(TID_UI, new FlagTask(&journal)));
  EXPECT_FALSE(CefCookieManager::GetGlobalManager(nullptr));

  CefRefPtr<TestApp> app = new TestApp();
  std::wstring folder;
  {
    EngineScope engine(app.get(), L"start_stop");
    ASSERT_TRUE(engine.started());
    folder = engine.folder();
    // A second start while running, or a record of another size, is refused.
    CefSettings settings;
    settings.multi_threaded_message_loop = 1;
    EXPECT_FALSE(CefInitialize(CefMainArgs(), settings, app.get(), nullptr));
    ASSERT_TRUE(PumpUntil([&] { return app->journal.Has("context-initialized"); }));
    EXPECT_TRUE(CefCookieManager::GetGlobalManager(nullptr));
    EXPECT_TRUE(IsDirectory(folder + L"cache"));

    CefRefPtr<TestClient> client = new TestClient();
    ASSERT_TRUE(CreateBrowserAndWait(client, WindowlessInfo(), L"https://unserved.test/"));
    ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("load-error"); }));
  }
  EXPECT_FALSE(CefPostTask(TID_UI, new FlagTask(&journal)));
  EXPECT_EQ(inproc::EngineUiThreadId(), 0u);

  std::string log = ReadFile(folder + L"cef.log");
  EXPECT_NE(log.find("engine starting"), std::string::npos);
  EXPECT_NE(log.find("load failed: https://unserved.test/"), std::string::npos);
  EXPECT_NE(log.find("engine stopped"), std::string::npos);

  CefSettings wrong_size;
  wrong_size.size = 4;
  EXPECT_FALSE(CefInitialize(CefMainArgs(), wrong_size, app.get(), nullptr));

  // And it starts again after a stop.
  EngineScope again(app.get(), L"start_again");
  EXPECT_TRUE(again.started());
}

TEST(EngineProcess, ACacheFolderBlockedByAFileLeavesTheEngineRunningWithoutOne) {
  std::wstring folder = TempFolder(L"blocked");
  qbase::CreateDirectories(folder);
  std::wstring blocker = folder + L"taken";
  { std::ofstream(std::string(blocker.begin(), blocker.end())) << "file"; }
  ASSERT_TRUE(FileExists(blocker));

  CefSettings settings;
  settings.multi_threaded_message_loop = 1;
  settings.cache_path = blocker + L"\\CefLocalStorage";
  settings.log_file = blocker + L"\\cef.log";
  CefRefPtr<TestApp> app = new TestApp();
  ASSERT_TRUE(CefInitialize(CefMainArgs(), settings, app.get(), nullptr));
  CefRefPtr<TestClient> client = new TestClient();
  EXPECT_TRUE(CreateBrowserAndWait(client, WindowlessInfo(), L"about:blank"));
  CefShutdown();
  EXPECT_TRUE(FileExists(blocker));
  EXPECT_FALSE(FileExists(blocker + L"\\cef.log"));
  EXPECT_EQ(client->journal.Count("before-close"), 1);
}

TEST(EngineProcess, WithoutItsOwnThreadTheEngineWorksWhenTheClientAsks) {
  CefSettings settings;
  settings.multi_threaded_message_loop = 0;
  CefRefPtr<TestApp> app = new TestApp();
  ASSERT_TRUE(CefInitialize(CefMainArgs(), settings, app.get(), nullptr));
  EXPECT_TRUE(CefCurrentlyOn(TID_UI));
  EXPECT_EQ(inproc::EngineUiThreadId(), ::GetCurrentThreadId());

  Journal journal;
  ASSERT_TRUE(CefPostTask(TID_UI, new FlagTask(&journal)));
  EXPECT_FALSE(journal.Has("task"));
  EXPECT_FALSE(app->journal.Has("context-initialized"));
  CefDoMessageLoopWork();
  EXPECT_TRUE(journal.Has("task"));
  EXPECT_TRUE(app->journal.Has("context-initialized"));
  EXPECT_EQ(journal.Find("task")[0].thread, ::GetCurrentThreadId());
  CefShutdown();
}

}  // namespace
