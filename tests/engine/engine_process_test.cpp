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

// What a renderer's own application object saw of its process.
struct RendererSight {
  std::mutex lock;
  std::vector<DWORD> made_on;
  std::vector<std::wstring> process_types;
  const void* initialized = nullptr;
  DWORD initialized_on = 0;
  bool posted_to_ui = true;
  bool created_browser = true;
  bool found_cookie_manager = true;
  bool on_ui = true;
};

class RendererOnlyApp : public CefApp, public CefRenderProcessHandler {
 public:
  explicit RendererOnlyApp(RendererSight* sight) : sight_(sight) {}
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }
  void OnBeforeCommandLineProcessing(const CefString& process_type, CefRefPtr<CefCommandLine>) override {
    std::lock_guard<std::mutex> guard(sight_->lock);
    sight_->process_types.push_back(process_type.ToWString());
  }
  void OnWebKitInitialized() override {
    // Everything of the browser process is out of a renderer's reach.
    Journal journal;
    bool posted = CefPostTask(TID_UI, new FlagTask(&journal));
    CefRefPtr<CefClient> client = new TestClient();
    bool created =
        CefBrowserHost::CreateBrowser(WindowlessInfo(), client, L"about:blank", CefBrowserSettings(), nullptr, nullptr);
    bool cookies = CefCookieManager::GetGlobalManager(nullptr) != nullptr;
    std::lock_guard<std::mutex> guard(sight_->lock);
    sight_->initialized = this;
    sight_->initialized_on = ::GetCurrentThreadId();
    sight_->posted_to_ui = posted;
    sight_->created_browser = created;
    sight_->found_cookie_manager = cookies;
    sight_->on_ui = CefCurrentlyOn(TID_UI);
  }

 private:
  RendererSight* sight_;
  IMPLEMENT_REFCOUNTING(RendererOnlyApp);
};

TEST(EngineProcess, TheRendererRunsAnApplicationObjectOfItsOwnMadeAsASubProcessMakesIt) {
  CefRefPtr<TestApp> app = new TestApp();
  EngineScope engine(app.get(), L"sub_process_entry");
  ASSERT_TRUE(engine.started());
  RendererSight sight;
  CefSetSubProcessEntry([&sight](const CefMainArgs& args) {
    {
      std::lock_guard<std::mutex> guard(sight.lock);
      sight.made_on.push_back(::GetCurrentThreadId());
    }
    CefRefPtr<RendererOnlyApp> renderer_app = new RendererOnlyApp(&sight);
    return CefExecuteProcess(args, renderer_app.get(), nullptr);
  });
  CefRefPtr<TestClient> client = new TestClient();
  ASSERT_TRUE(CreateBrowserAndWait(client, WindowlessInfo(), L"about:blank"));
  ASSERT_TRUE(CreateBrowserAndWait(client, WindowlessInfo(), L"about:blank"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 2; }));
  PumpFor(100);
  DWORD renderer = inproc::RendererThreadId();
  engine.Stop();
  CefSetSubProcessEntry(nullptr);

  // The browser process's object never hears a renderer callback.
  EXPECT_FALSE(app->journal.Has("render-thread-created"));
  EXPECT_FALSE(app->journal.Has("webkit-initialized"));
  EXPECT_FALSE(app->journal.Has("renderer-browser-created"));
  EXPECT_TRUE(app->journal.Has("context-initialized"));

  std::lock_guard<std::mutex> guard(sight.lock);
  // One renderer, one object, made on its main thread as a renderer process.
  ASSERT_EQ(sight.made_on.size(), 1u);
  EXPECT_EQ(sight.made_on[0], renderer);
  EXPECT_EQ(sight.process_types, std::vector<std::wstring>{L"renderer"});
  EXPECT_NE(sight.initialized, nullptr);
  EXPECT_NE(sight.initialized, static_cast<const void*>(app.get()));
  EXPECT_EQ(sight.initialized_on, renderer);
  EXPECT_FALSE(sight.posted_to_ui);
  EXPECT_FALSE(sight.created_browser);
  EXPECT_FALSE(sight.found_cookie_manager);
  EXPECT_FALSE(sight.on_ui);
  EXPECT_EQ(client->journal.Count("after-created"), 2);
}

}  // namespace
