#include "program_folder.h"

#include <functional>

#include "base/path_util.h"
#include "base/string_conversions.h"
#include "tests/support/test_support.h"

namespace app_test {

namespace {

struct WindowSearch {
  DWORD process;
  std::function<bool(HWND)> matches;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != search->process || !search->matches(window)) return TRUE;
  search->found = window;
  return FALSE;
}

HWND WaitForMatch(DWORD process, const std::function<bool(HWND)>& matches, DWORD timeout_ms) {
  WindowSearch search{process, matches, nullptr};
  test_support::PumpUntil(
      [&] {
        ::EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      timeout_ms);
  return search.found;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  int length = ::GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  int length = ::GetWindowTextW(window, text, 1024);
  return std::wstring(text, length > 0 ? length : 0);
}

BOOL CALLBACK CollectText(HWND window, LPARAM parameter) {
  reinterpret_cast<std::vector<std::wstring>*>(parameter)->push_back(TextOf(window));
  return TRUE;
}

}  // namespace

std::wstring ResourcesFolder() { return qbase::UTF8ToUTF16(TARNWELL_RESOURCES_DIR); }

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok =
      ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  ::CloseHandle(file);
  return ok;
}

std::wstring LayOutProgram(const std::wstring& name, bool with_engine_folder) {
  std::wstring folder = test_support::TempFolder(L"app_tests", name);
  if (!qbase::CreateDirectories(folder)) return std::wstring();
  std::wstring program = qbase::UTF8ToUTF16(TARNWELL_EXE_PATH);
  if (!::CopyFileW(program.c_str(), (folder + L"tarnwell.exe").c_str(), FALSE)) return std::wstring();
  std::wstring resources = ResourcesFolder();
  if (!test_support::CopyTree(resources, folder + L"resources")) return std::wstring();
  // The sample config goes beside the program, as in a shipped folder.
  ::DeleteFileW((folder + L"resources\\config.ini").c_str());
  if (!::CopyFileW((resources + L"\\config.ini").c_str(), (folder + L"config.ini").c_str(), FALSE))
    return std::wstring();
  // The engine needs only its folder to be there.
  if (with_engine_folder && !::CreateDirectoryW((folder + L"cef").c_str(), nullptr)) return std::wstring();
  return folder;
}

ChildProgram::~ChildProgram() {
  if (!info_.hProcess) return;
  if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(info_.hProcess, 1);
    ::WaitForSingleObject(info_.hProcess, 10000);
  }
  ::CloseHandle(info_.hProcess);
  ::CloseHandle(info_.hThread);
}

bool ChildProgram::Start(const std::wstring& folder) {
  std::wstring program = folder + L"tarnwell.exe";
  std::wstring line = L"\"" + program + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  return ::CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                          &info_) != 0;
}

long ChildProgram::WaitForExit(DWORD timeout_ms) {
  if (!info_.hProcess) return -1;
  // Pumping keeps this thread answering while the child broadcasts.
  bool ended =
      test_support::PumpUntil([&] { return ::WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }, timeout_ms);
  if (!ended) return -1;
  DWORD code = 0;
  ::GetExitCodeProcess(info_.hProcess, &code);
  return static_cast<long>(code);
}

HWND ChildProgram::WaitForWindow(const std::wstring& class_name, DWORD timeout_ms) {
  return WaitForMatch(
      info_.dwProcessId, [&](HWND window) { return ::IsWindowVisible(window) && ClassOf(window) == class_name; },
      timeout_ms);
}

HWND ChildProgram::WaitForWindowOfClass(const std::wstring& class_name, DWORD timeout_ms) {
  return WaitForMatch(
      info_.dwProcessId, [&](HWND window) { return ClassOf(window) == class_name; }, timeout_ms);
}

HWND ChildProgram::WaitForTitledWindow(const std::wstring& title, DWORD timeout_ms) {
  return WaitForMatch(
      info_.dwProcessId, [&](HWND window) { return TextOf(window) == title; }, timeout_ms);
}

std::vector<std::wstring> ChildTexts(HWND dialog) {
  std::vector<std::wstring> texts;
  ::EnumChildWindows(dialog, &CollectText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

void ClickAt(HWND window, int x, int y) {
  LPARAM point = MAKELPARAM(x, y);
  ::PostMessageW(window, WM_MOUSEMOVE, 0, point);
  ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
  ::PostMessageW(window, WM_LBUTTONUP, 0, point);
}

}  // namespace app_test
