#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <atomic>

#include "base/path_util.h"
#include "engine/remote/browser_launch.h"
#include "engine/remote/wine_paths.h"
#include "engine_test_support.h"

using namespace engine_test;

namespace {

struct Host {
  PROCESS_INFORMATION info = {};
  bool Start(const std::wstring& folder, const wchar_t* mode) {
    // Without its last separator, which would escape the closing quote.
    std::wstring bare = folder.substr(0, folder.size() - 1);
    std::wstring command = L"\"" REMOTE_ENGINE_HOST_PATH L"\" \"" + bare + L"\" " + mode;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    return ::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
  }
  ~Host() {
    if (info.hProcess) {
      ::TerminateProcess(info.hProcess, 9);
      ::CloseHandle(info.hProcess);
      ::CloseHandle(info.hThread);
    }
  }
};

TEST(RemoteLifeSpan, TheBrowserNeverOutlivesItsClientKilledOrClosed) {
  if (!remote::RunsOnWine()) GTEST_SKIP() << "on Windows the job object ends the browser with its client";
  // Killed: nothing of the browser is left five seconds later.
  std::wstring killed = test_support::TempFolder(L"tarnwell_engine_tests", L"killed");
  ::CreateDirectoryW(killed.c_str(), nullptr);
  std::string killed_marker = remote::ToUnixPath(killed + L"CefLocalStorage");
  ASSERT_FALSE(killed_marker.empty());
  {
    Host host;
    ASSERT_TRUE(host.Start(killed, L"kill"));
    // The host writes the file after making it: wait for its text too.
    ASSERT_TRUE(PumpUntil([&] { return std::atol(test_support::ReadText(killed + L"ready").c_str()) > 0; }, 40000));
    EXPECT_GT(std::atol(test_support::ReadText(killed + L"ready").c_str()), 0);
    EXPECT_GT(test_support::LinuxProcessesNaming(killed_marker), 1);
    ASSERT_TRUE(::TerminateProcess(host.info.hProcess, 9));
    ::WaitForSingleObject(host.info.hProcess, 10000);
    EXPECT_TRUE(PumpUntil([&] { return test_support::LinuxProcessesNaming(killed_marker) == 0; }, 5000));
  }

  // The launcher that watches the client killed first, as a signal to the
  // client's whole process group does: the browser still goes with it.
  std::wstring orphaned = test_support::TempFolder(L"tarnwell_engine_tests", L"orphaned");
  ::CreateDirectoryW(orphaned.c_str(), nullptr);
  std::string orphaned_marker = remote::ToUnixPath(orphaned + L"CefLocalStorage");
  {
    Host host;
    ASSERT_TRUE(host.Start(orphaned, L"kill"));
    ASSERT_TRUE(PumpUntil([&] { return std::atol(test_support::ReadText(orphaned + L"ready").c_str()) > 0; }, 40000));
    std::vector<unsigned long> launchers = test_support::LinuxProcessIdsNaming(orphaned_marker, "set -m;");
    ASSERT_EQ(launchers.size(), 1u);
    ASSERT_TRUE(test_support::KillLinuxProcess(launchers[0]));
    EXPECT_TRUE(PumpUntil([&] { return test_support::LinuxProcessesNaming(orphaned_marker) == 0; }, 5000))
        << test_support::LinuxProcessesNaming(orphaned_marker) << " left";
  }

  // Closed: nothing is left once the client has ended.
  std::wstring closed = test_support::TempFolder(L"tarnwell_engine_tests", L"closed");
  ::CreateDirectoryW(closed.c_str(), nullptr);
  std::string closed_marker = remote::ToUnixPath(closed + L"CefLocalStorage");
  Host host;
  ASSERT_TRUE(host.Start(closed, L"clean"));
  // The host writes the file after making it: wait for its text too.
  ASSERT_TRUE(PumpUntil([&] { return std::atol(test_support::ReadText(closed + L"ready").c_str()) > 0; }, 40000));
  EXPECT_GT(test_support::LinuxProcessesNaming(closed_marker), 1);
  HANDLE stop = ::CreateFileW((closed + L"stop").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ::CloseHandle(stop);
  ASSERT_EQ(::WaitForSingleObject(host.info.hProcess, 20000), WAIT_OBJECT_0);
  DWORD code = 1;
  ::GetExitCodeProcess(host.info.hProcess, &code);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(test_support::LinuxProcessesNaming(closed_marker), 0);
}

TEST(RemoteLifeSpan, AWindowsBrowserRunsInAJobThatEndsItWithItsOwner) {
  std::atomic<int> exits{0};
  std::atomic<int> code{0};
  std::wstring error;
  std::unique_ptr<remote::BrowserProcess> process = remote::LaunchBrowser(
      L"" REMOTE_ENGINE_HOST_PATH, {L"sleep"}, std::wstring(),
      [&](int exit_code) {
        code = exit_code;
        ++exits;
      },
      &error);
  ASSERT_TRUE(process) << std::string(error.begin(), error.end());
  EXPECT_GT(process->process_id(), 0u);
  EXPECT_FALSE(process->WaitForExit(300));
  HANDLE handle = ::OpenProcess(SYNCHRONIZE, FALSE, process->process_id());
  ASSERT_TRUE(handle);
  process->Kill();
  EXPECT_TRUE(process->WaitForExit(5000));
  EXPECT_EQ(::WaitForSingleObject(handle, 5000), WAIT_OBJECT_0);
  ::CloseHandle(handle);
  process.reset();
  EXPECT_EQ(exits, 1);
  EXPECT_NE(code, 7);
}

}  // namespace
