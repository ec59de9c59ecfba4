#include "browser/cef_manager.h"

#include <gtest/gtest.h>

#include "base/framework_thread.h"
#include "base/path_util.h"
#include "base/thread_registry.h"
#include "browser/client_app.h"
#include "browser_test_support.h"
#include "engine/in_process/engine_state.h"
#include "engine/in_process/page.h"
#include "include/cef_task.h"

using namespace browser_test;
using qiv_comp::CefManager;

namespace {

using Switches = std::vector<std::pair<std::wstring, std::wstring>>;

const Switches kSwitches = {{L"ppapi-flash-version", L"20.0.0.228"},
                            {L"ppapi-flash-path", L"PepperFlash\\pepflashplayer.dll"},
                            {L"process-per-site", L""},
                            {L"enable-webgl", L"1"},
                            {L"ignore-gpu-blacklist", L"1"},
                            {L"high-dpi-support", L"1"},
                            {L"force-device-scale-factor", L"1"}};

// The engine's switches less those the test runner itself was started with.
Switches EngineSwitches() {
  Switches result;
  for (const auto& entry : inproc::BrowserProcessSwitches()) {
    if (entry.first.compare(0, 5, L"gtest") != 0) result.push_back(entry);
  }
  return result;
}

// Makes the engine folder beside this test program for as long as it lives.
class RuntimeFolder {
 public:
  RuntimeFolder() : path_(qbase::ModuleDirectory() + L"cef") { created_ = ::CreateDirectoryW(path_.c_str(), nullptr); }
  ~RuntimeFolder() {
    if (created_) ::RemoveDirectoryW(path_.c_str());
  }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  bool created_ = false;
};

TEST(CefManagerEnvironment, PutsTheEngineFolderFirstOnThePathWithoutLosingTheOldValue) {
  EnvironmentGuard path_guard(L"path");
  EnvironmentGuard comspec_guard(L"ComSpec");
  RuntimeFolder runtime;
  ASSERT_TRUE(IsDirectory(runtime.path()));

  ::SetEnvironmentVariableW(L"path", nullptr);
  CefManager::PrepareEnvironment();
  EXPECT_EQ(ReadEnvironment(L"path").value_or(L"(unset)"), runtime.path() + L";");
  EXPECT_EQ(ReadEnvironment(L"ComSpec").value_or(L"(unset)"), runtime.path() + L"\\dummy_cmd.exe");

  // Set but empty: the same.
  ::SetEnvironmentVariableW(L"path", L"");
  CefManager::PrepareEnvironment();
  EXPECT_EQ(ReadEnvironment(L"path").value_or(L"(unset)"), runtime.path() + L";");

  ::SetEnvironmentVariableW(L"path", L"C:\\one;D:\\two");
  CefManager::PrepareEnvironment();
  EXPECT_EQ(ReadEnvironment(L"path").value_or(L""), runtime.path() + L";C:\\one;D:\\two");

  // Longer than the first read's 4096 characters: kept whole, not cut.
  std::wstring long_path;
  for (int i = 0; long_path.size() < 6000; ++i) long_path += L"C:\\folder" + std::to_wstring(i) + L";";
  long_path += L"Z:\\last";
  ::SetEnvironmentVariableW(L"path", long_path.c_str());
  CefManager::PrepareEnvironment();
  EXPECT_EQ(ReadEnvironment(L"path").value_or(L""), runtime.path() + L";" + long_path);
  // Exactly the first read's size is the boundary case of the length check.
  std::wstring boundary(4096, L'x');
  ::SetEnvironmentVariableW(L"path", boundary.c_str());
  EXPECT_EQ(CefManager::ReadPathVariable(), boundary);
  EXPECT_EQ(CefManager::EnginePathValue(L"R", L""), L"R;");
}

// What Initialize leaves in the record besides its five fields.
void ExpectUntouchedDefaults(const CefSettings& settings) {
  EXPECT_EQ(settings.size, sizeof(CefSettings));
  EXPECT_EQ(settings.log_severity, LOGSEVERITY_DEFAULT);
  EXPECT_TRUE(settings.locale.empty());
  EXPECT_TRUE(settings.user_agent.empty());
}

TEST(CefManagerStartup, FillsTheSettingsAndStartsTheEngineWithTheProgramsSwitches) {
  std::wstring app_data = TempFolder(L"startup") + L"deeper\\still\\cef_temp\\";
  ASSERT_FALSE(IsDirectory(app_data));
  CefManager* manager = CefManager::Instance();
  CefSettings settings;
  ASSERT_TRUE(manager->Initialize(app_data, settings, false));

  EXPECT_TRUE(IsDirectory(app_data));
  EXPECT_EQ(settings.no_sandbox, 1);
  EXPECT_EQ(settings.multi_threaded_message_loop, 1);
  EXPECT_EQ(settings.windowless_rendering_enabled, 0);
  EXPECT_EQ(settings.cache_path.ToWString(), app_data + L"CefLocalStorage");
  EXPECT_EQ(settings.log_file.ToWString(), app_data + L"cef.log");
  ExpectUntouchedDefaults(settings);
  EXPECT_FALSE(manager->IsOffscreenRenderingEnabled());
  EXPECT_EQ(EngineSwitches(), kSwitches);

  bool include_defaults = false;
  ASSERT_TRUE(PumpUntil([&] { return !inproc::SupportedCookieSchemes(nullptr).empty(); }));
  EXPECT_EQ(inproc::SupportedCookieSchemes(&include_defaults), (std::vector<std::wstring>{L"http", L"https"}));
  EXPECT_TRUE(include_defaults);
  manager->Shutdown();
  EXPECT_TRUE(IsDirectory(app_data + L"CefLocalStorage"));
  EXPECT_TRUE(FileExists(app_data + L"cef.log"));

  // Off-screen rendering adds two switches and turns windowless rendering on.
  CefSettings offscreen;
  ASSERT_TRUE(manager->Initialize(TempFolder(L"startup_offscreen"), offscreen, true));
  EXPECT_EQ(offscreen.windowless_rendering_enabled, 1);
  Switches expected = kSwitches;
  expected.emplace_back(L"disable-surfaces", L"");
  expected.emplace_back(L"enable-begin-frame-scheduling", L"");
  EXPECT_EQ(EngineSwitches(), expected);
  manager->Shutdown();
  CefSettings back;
  ASSERT_TRUE(manager->Initialize(TempFolder(L"startup_back"), back, false));
  manager->Shutdown();
}

TEST(CefManagerStartup, AnApplicationDataFolderTakenByAFileStillStartsTheEngine) {
  std::wstring folder = TempFolder(L"taken");
  ASSERT_TRUE(qbase::CreateDirectories(folder));
  std::wstring file = folder + L"cef_temp";
  HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  ::CloseHandle(handle);

  CefSettings settings;
  // The engine starts with paths it cannot use, as when creation fails.
  EXPECT_TRUE(CefManager::Instance()->Initialize(file + L"\\", settings, false));
  EXPECT_EQ(settings.cache_path.ToWString(), file + L"\\CefLocalStorage");
  EXPECT_NE(inproc::EngineUiThreadId(), 0u);
  CefManager::Instance()->Shutdown();
  EXPECT_TRUE(FileExists(file));
  EXPECT_EQ(inproc::EngineUiThreadId(), 0u);
}

TEST(ClientAppCallbacks, SubProcessesGetNoSwitchesAndOnlyFocusChangesAreReported) {
  CefRefPtr<qiv_comp::ClientApp> app = new qiv_comp::ClientApp();
  CefRefPtr<CefCommandLine> renderer_line = inproc::CreateCommandLine(L"tarnwell.exe --type=renderer");
  app->OnBeforeCommandLineProcessing("renderer", renderer_line);
  EXPECT_EQ(inproc::SwitchesOf(renderer_line), (Switches{{L"type", L"renderer"}}));
  app->OnRegisterCustomSchemes(nullptr);
  ASSERT_EQ(app->cookieable_schemes().size(), 2u);
  EXPECT_EQ(app->cookieable_schemes()[0].ToWString(), L"http");
  EXPECT_EQ(app->cookieable_schemes()[1].ToWString(), L"https");

  // The renderer reports the focused node's editable state when it changes.
  inproc::RegisterPage(L"https://focus.test/", [](inproc::Page& page) {
    page.FocusNode(false);
    page.FocusNode(true);
    page.FocusNode(true);
    page.ClearFocus();
    page.ClearFocus();
  });
  CefSettings settings;
  ASSERT_TRUE(CefManager::Instance()->Initialize(TempFolder(L"focus"), settings, false));
  CefRefPtr<RecordingClient> client = new RecordingClient();
  CefWindowInfo windowless;
  windowless.windowless_rendering_enabled = 1;
  ASSERT_TRUE(CefBrowserHost::CreateBrowser(windowless, client.get(), L"https://focus.test/", CefBrowserSettings(),
                                            nullptr, nullptr));
  ASSERT_TRUE(PumpUntil([&] {
    std::lock_guard<std::mutex> guard(client->lock);
    return client->loads == 1 && client->messages.size() >= 2;
  }));
  CefManager::Instance()->Shutdown();
  inproc::ClearPages();
  std::lock_guard<std::mutex> guard(client->lock);
  std::vector<std::pair<std::wstring, bool>> expected = {{L"FocusedNodeChanged", true}, {L"FocusedNodeChanged", false}};
  EXPECT_EQ(client->messages, expected);
  EXPECT_EQ(client->closed, 1);
}

// A UI thread registered as the application's, as the entry's MainThread is.
class UiThread : public qbase::FrameworkThread {
 public:
  UiThread() : FrameworkThread("TestUiThread") {}
  ~UiThread() override { Stop(); }

 protected:
  void Init() override { qbase::ThreadRegistry::RegisterCurrentThread(qbase::UiThreadId); }
  void Cleanup() override { qbase::ThreadRegistry::UnregisterCurrentThread(); }
};

bool PostToUi(std::function<void()> task) { return qbase::ThreadRegistry::PostTask(qbase::UiThreadId, task); }

TEST(CefManagerQuit, EndsTheUiLoopOnlyOnceTheLastBrowserHasClosed) {
  CefManager* manager = CefManager::Instance();
  {
    UiThread ui;
    ASSERT_TRUE(ui.StartWithLoop(qbase::LoopKind::kUI));
    // No browser: the loop ends at once.
    ASSERT_TRUE(PostToUi([manager] { manager->RequestQuit(0); }));
    EXPECT_EQ(::WaitForSingleObject(ui.thread_handle(), 5000), WAIT_OBJECT_0);
  }

  UiThread ui;
  ASSERT_TRUE(ui.StartWithLoop(qbase::LoopKind::kUI));
  ASSERT_TRUE(PostToUi([manager] {
    manager->IncrementBrowserCount();
    manager->IncrementBrowserCount();
    manager->RequestQuit(0);
  }));
  // Several 500 ms checks pass with two browsers alive.
  EXPECT_EQ(::WaitForSingleObject(ui.thread_handle(), 1600), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_TRUE(PostToUi([manager] { manager->DecrementBrowserCount(); }));
  EXPECT_EQ(::WaitForSingleObject(ui.thread_handle(), 1100), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_TRUE(PostToUi([manager] { manager->DecrementBrowserCount(); }));
  EXPECT_EQ(::WaitForSingleObject(ui.thread_handle(), 5000), WAIT_OBJECT_0);
  EXPECT_EQ(manager->GetBrowserCount(), 0);
}

TEST(CefManagerQuit, ABrowserThatNeverReportsItsCloseKeepsNoInvisibleProcessAlive) {
  CefManager* manager = CefManager::Instance();
  manager->set_quit_grace_us(300 * 1000);
  {
    // A browser that never closes, and no window left: the loop ends after
    // the grace period anyway.
    UiThread ui;
    ASSERT_TRUE(ui.StartWithLoop(qbase::LoopKind::kUI));
    ASSERT_TRUE(PostToUi([manager] {
      manager->IncrementBrowserCount();
      manager->RequestQuit(0);
      // More requests while one waits share its check.
      manager->RequestQuit(0);
    }));
    EXPECT_EQ(::WaitForSingleObject(ui.thread_handle(), 3000), WAIT_OBJECT_0);
  }
  {
    // While a window is shown nothing ends, however long the wait.
    UiThread ui;
    ASSERT_TRUE(ui.StartWithLoop(qbase::LoopKind::kUI));
    HWND shown = nullptr;
    ASSERT_TRUE(PostToUi([manager, &shown] {
      shown = ::CreateWindowExW(0, L"Static", L"shown", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, nullptr, nullptr, nullptr,
                                nullptr);
      manager->RequestQuit(0);
    }));
    EXPECT_EQ(::WaitForSingleObject(ui.thread_handle(), 1200), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_TRUE(PostToUi([&shown] { ::ShowWindow(shown, SW_HIDE); }));
    EXPECT_EQ(::WaitForSingleObject(ui.thread_handle(), 3000), WAIT_OBJECT_0);
  }
  manager->DecrementBrowserCount();
  manager->set_quit_grace_us(CefManager::kQuitGraceUs);
  EXPECT_EQ(manager->GetBrowserCount(), 0);
  EXPECT_FALSE(manager->IsQuitPending());
}

TEST(CefMessageLoopDispatcher, DoesEngineWorkOnlyWhenWorkIsPendingAndTheQueueIsEmpty) {
  CefSettings settings;
  settings.multi_threaded_message_loop = 0;
  ASSERT_TRUE(CefInitialize(CefMainArgs(), settings, nullptr, nullptr));
  qiv_comp::CefMessageLoopDispatcher dispatcher;
  auto drain = [] {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  };
  // With nothing queued behind it, any message runs the start-up work.
  drain();
  EXPECT_TRUE(dispatcher.Dispatch(MSG{nullptr, WM_USER, 0, 0, 0, {}}));
  EXPECT_FALSE(qiv_comp::CefMessageLoopDispatcher::work_pending());

  struct Task : CefTask {
    explicit Task(int* runs) : runs_(runs) {}
    void Execute() override { ++*runs_; }
    int* runs_;
    IMPLEMENT_REFCOUNTING(Task);
  };
  int runs = 0;
  ASSERT_TRUE(CefPostTask(TID_UI, new Task(&runs)));
  drain();

  // Mouse moves and paints alone never start engine work.
  EXPECT_TRUE(dispatcher.Dispatch(MSG{nullptr, WM_MOUSEMOVE, 0, 0, 0, {}}));
  EXPECT_TRUE(dispatcher.Dispatch(MSG{nullptr, WM_PAINT, 0, 0, 0, {}}));
  EXPECT_EQ(runs, 0);
  EXPECT_FALSE(qiv_comp::CefMessageLoopDispatcher::work_pending());

  // Another message marks work pending, done only once the queue is empty.
  ::PostThreadMessageW(::GetCurrentThreadId(), WM_USER + 7, 0, 0);
  EXPECT_TRUE(dispatcher.Dispatch(MSG{nullptr, WM_USER, 0, 0, 0, {}}));
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(qiv_comp::CefMessageLoopDispatcher::work_pending());
  drain();
  EXPECT_TRUE(dispatcher.Dispatch(MSG{nullptr, WM_PAINT, 0, 0, 0, {}}));
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(qiv_comp::CefMessageLoopDispatcher::work_pending());
  CefShutdown();
}

}  // namespace
