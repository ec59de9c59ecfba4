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

// A client program with the real engine, started on an emptied folder of
// its own; every process of its browser names the folder's user data.
struct Host {
  PROCESS_INFORMATION info = {};
  std::wstring folder;
  std::string marker;

  // True once its browser runs.
  bool Start(const wchar_t* name, const wchar_t* mode) {
    folder = test_support::TempFolder(L"tarnwell_engine_tests", name);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    marker = remote::ToUnixPath(folder + L"CefLocalStorage");
    if (marker.empty()) return false;
    // Without its last separator, which would escape the closing quote.
    std::wstring bare = folder.substr(0, folder.size() - 1);
    std::wstring command = L"\"" REMOTE_ENGINE_HOST_PATH L"\" \"" + bare + L"\" " + mode;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      return false;
    }
    // The host writes the file after making it: wait for its text too.
    return PumpUntil([&] { return std::atol(test_support::ReadText(folder + L"ready").c_str()) > 0; }, 40000);
  }
  int BrowserProcesses() const { return test_support::LinuxProcessesNaming(marker); }
  bool BrowserGoneWithin(DWORD timeout_ms) const {
    return PumpUntil([&] { return BrowserProcesses() == 0; }, timeout_ms);
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
  {
    Host host;
    ASSERT_TRUE(host.Start(L"killed", L"kill"));
    EXPECT_GT(host.BrowserProcesses(), 1);
    ASSERT_TRUE(::TerminateProcess(host.info.hProcess, 9));
    ::WaitForSingleObject(host.info.hProcess, 10000);
    EXPECT_TRUE(host.BrowserGoneWithin(5000));
  }

  // The launcher that watches the client killed first, as a signal to the
  // client's whole process group does: the browser still goes with it.
  {
    Host host;
    ASSERT_TRUE(host.Start(L"orphaned", L"kill"));
    std::vector<unsigned long> launchers = test_support::LinuxProcessIdsNaming(host.marker, "set -m;");
    ASSERT_EQ(launchers.size(), 1u);
    ASSERT_TRUE(test_support::KillLinuxProcess(launchers[0]));
    EXPECT_TRUE(host.BrowserGoneWithin(5000)) << host.BrowserProcesses() << " left";
  }

  // Closed: nothing is left once the client has ended.
  Host host;
  ASSERT_TRUE(host.Start(L"closed", L"clean"));
  EXPECT_GT(host.BrowserProcesses(), 1);
  HANDLE stop = ::CreateFileW((host.folder + L"stop").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ::CloseHandle(stop);
  ASSERT_EQ(::WaitForSingleObject(host.info.hProcess, 20000), WAIT_OBJECT_0);
  DWORD code = 1;
  ::GetExitCodeProcess(host.info.hProcess, &code);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(host.BrowserProcesses(), 0);
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
