#include <gtest/gtest.h>

#include <algorithm>

#include "base/path_util.h"
#include "base/string_conversions.h"
#include "browser/cef_manager.h"
#include "browser_test_support.h"
#include "engine/in_process/engine_state.h"

using namespace browser_test;

namespace {

const wchar_t kAppDataVariable[] = L"TARNWELL_TEST_APPDATA";
const wchar_t kMissingEngineText[] = L"\u8BF7\u89E3\u538BCef.rar\u538B\u7F29\u5305";
const wchar_t kMissingEngineCaption[] = L"\u63D0\u793A";

class Process {
 public:
  // Starts a program with a command line; the current folder is its own.
  bool Start(const std::wstring& program, const std::wstring& arguments) {
    std::wstring line = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    std::wstring folder = qbase::DirectoryOf(program);
    return ::CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                            folder.empty() ? nullptr : folder.c_str(), &startup, &info_) != 0;
  }
  ~Process() {
    if (info_.hProcess) {
      if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(info_.hProcess, 1);
      ::CloseHandle(info_.hProcess);
      ::CloseHandle(info_.hThread);
    }
  }
  // The exit code, or -1 when it did not end in time.
  long WaitForExit(DWORD timeout_ms) {
    if (::WaitForSingleObject(info_.hProcess, timeout_ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<long>(code);
  }
  DWORD id() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_ = {};
};

std::wstring ThisProgram() {
  wchar_t buffer[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return std::wstring(buffer, length);
}

// Run by the test below in a child started as an engine sub-process.
TEST(CefManagerSubProcessChild, DISABLED_InitializeInASubProcess) {
  std::optional<std::wstring> app_data = ReadEnvironment(kAppDataVariable);
  ASSERT_TRUE(app_data);
  CefSettings settings;
  EXPECT_FALSE(qiv_comp::CefManager::Instance()->Initialize(*app_data, settings, false));
  EXPECT_EQ(settings.size, sizeof(CefSettings));
  EXPECT_EQ(settings.no_sandbox, 0);
  EXPECT_EQ(settings.multi_threaded_message_loop, 0);
  EXPECT_TRUE(settings.cache_path.empty());
  EXPECT_TRUE(settings.log_file.empty());
  EXPECT_FALSE(IsDirectory(*app_data));
  EXPECT_EQ(inproc::EngineUiThreadId(), 0u);
}

TEST(CefManagerSubProcess, InitializeReturnsFalseWithoutTouchingSettingsOrFolders) {
  EnvironmentGuard guard(kAppDataVariable);
  std::wstring app_data = TempFolder(L"sub_process") + L"cef_temp\\";
  ::SetEnvironmentVariableW(kAppDataVariable, app_data.c_str());
  Process child;
  ASSERT_TRUE(child.Start(ThisProgram(),
                          L"--gtest_also_run_disabled_tests --gtest_filter=CefManagerSubProcessChild.* "
                          L"--type=renderer"));
  EXPECT_EQ(child.WaitForExit(60000), 0);
  EXPECT_FALSE(IsDirectory(app_data));
}

#ifdef TARNWELL_EXE_PATH

// A folder with the program in it, and the engine folder when asked for.
std::wstring LayOutProgram(const std::wstring& name, bool with_engine_folder) {
  std::wstring folder = TempFolder(name);
  if (!qbase::CreateDirectories(folder)) return std::wstring();
  std::wstring program = folder + L"tarnwell.exe";
  std::wstring source = qbase::UTF8ToUTF16(TARNWELL_EXE_PATH);
  if (!::CopyFileW(source.c_str(), program.c_str(), FALSE)) return std::wstring();
  if (with_engine_folder && !::CreateDirectoryW((folder + L"cef").c_str(), nullptr)) return std::wstring();
  return program;
}

struct DialogSearch {
  DWORD process;
  HWND found;
  const wchar_t* caption = kMissingEngineCaption;
};

BOOL CALLBACK FindDialogOf(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<DialogSearch*>(parameter);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  wchar_t title[64] = {};
  ::GetWindowTextW(window, title, 64);
  if (owner == search->process && std::wstring(title) == search->caption) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectTexts(HWND window, LPARAM parameter) {
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, 256);
  reinterpret_cast<std::vector<std::wstring>*>(parameter)->push_back(text);
  return TRUE;
}

TEST(ProgramStart, WithoutTheEngineFolderItSaysSoAndEndsWithCodeZero) {
  std::wstring program = LayOutProgram(L"program_no_engine", false);
  ASSERT_FALSE(program.empty());
  Process process;
  ASSERT_TRUE(process.Start(program, L""));

  DialogSearch search{process.id(), nullptr};
  ASSERT_TRUE(PumpUntil(
      [&] {
        ::EnumWindows(&FindDialogOf, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      30000));
  std::vector<std::wstring> texts;
  ::EnumChildWindows(search.found, &CollectTexts, reinterpret_cast<LPARAM>(&texts));
  EXPECT_NE(std::find(texts.begin(), texts.end(), kMissingEngineText), texts.end());
  EXPECT_EQ(process.WaitForExit(0), -1);  // still waiting for the answer

  ::PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_EQ(process.WaitForExit(30000), 0);
  EXPECT_FALSE(IsDirectory(qbase::DirectoryOf(program) + L"cef_temp"));
}

TEST(ProgramStart, WithTheEngineFolderItRunsAndKeepsTheEngineDataBesideItself) {
  std::wstring program = LayOutProgram(L"program_with_engine", true);
  ASSERT_FALSE(program.empty());
  std::wstring folder = qbase::DirectoryOf(program);
  {
    Process process;
    ASSERT_TRUE(process.Start(program, L""));
    // Without a skin beside it the start window cannot be made: the program
    // says so and ends once the message is answered.
    DialogSearch search{process.id(), nullptr, L"Plaxon"};
    ASSERT_TRUE(PumpUntil(
        [&] {
          ::EnumWindows(&FindDialogOf, reinterpret_cast<LPARAM>(&search));
          return search.found != nullptr;
        },
        60000));
    ::PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(process.WaitForExit(60000), 0);
  }
  EXPECT_TRUE(IsDirectory(folder + L"cef_temp\\CefLocalStorage"));
  EXPECT_TRUE(FileExists(folder + L"cef_temp\\cef.log"));

  // As an engine sub-process it does nothing and starts no engine.
  RemoveTree(folder + L"cef_temp");
  Process sub_process;
  ASSERT_TRUE(sub_process.Start(program, L"--type=renderer"));
  EXPECT_EQ(sub_process.WaitForExit(60000), 0);
  EXPECT_FALSE(IsDirectory(folder + L"cef_temp"));
}

#endif

}  // namespace
