#include "tests/support/engine_choice.h"

#include <cstdlib>
#include <functional>
#include <vector>

#include "engine/in_process/engine_state.h"
#include "engine/remote/browser_launch.h"
#include "engine/remote/remote_engine_state.h"
#include "engine/remote/wine_paths.h"
#include "tests/support/test_support.h"

namespace test_support {

std::string EngineName(EngineKind kind) { return kind == EngineKind::kReal ? "Real" : "InProcess"; }

std::wstring TestBrowserProgram() {
  std::vector<wchar_t> buffer(1024, L'\0');
  DWORD length = ::GetEnvironmentVariableW(L"TARNWELL_TEST_BROWSER", buffer.data(), static_cast<DWORD>(buffer.size()));
  std::wstring program =
      length > 0 && length < buffer.size() ? std::wstring(buffer.data(), length) : L"/usr/bin/chromium";
  return remote::BrowserProgramExists(program) ? program : std::wstring();
}

bool EngineAvailable(EngineKind kind) { return kind == EngineKind::kInProcess || !TestBrowserProgram().empty(); }

void UseEngine(EngineKind kind, const std::wstring& arguments) {
  engine::EngineConfig config;
  if (kind == EngineKind::kReal) {
    config.browser = TestBrowserProgram();
    config.arguments = arguments;
  }
  engine::ForceEngine(kind, config);
}

DWORD EngineUiThreadId() {
  DWORD id = inproc::EngineUiThreadId();
  return id ? id : remote::EngineUiThreadId();
}

int LiveBrowserCount() { return inproc::LiveBrowserCount() + remote::LiveBrowserCount(); }

bool CrashRenderer(CefRefPtr<CefBrowser> browser) {
  return inproc::CrashRenderer(browser) || remote::CrashRenderer(browser);
}

namespace {

// False where there is no Linux process table to read.
bool ForEachLinuxProcess(const std::function<void(unsigned long id, const std::string& command_line)>& visit) {
  std::wstring proc = remote::FromUnixPath("/proc");
  if (proc.empty()) return false;
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileW((proc + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    std::wstring name = entry.cFileName;
    if (name.empty() || name.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
    visit(std::wcstoul(name.c_str(), nullptr, 10), test_support::ReadText(proc + L"\\" + name + L"\\cmdline"));
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
  return true;
}

}  // namespace

int LinuxProcessesNaming(const std::string& text) {
  int count = 0;
  bool read = ForEachLinuxProcess([&](unsigned long, const std::string& command_line) {
    if (command_line.find(text) != std::string::npos) ++count;
  });
  return read ? count : -1;
}

std::vector<unsigned long> LinuxProcessIdsNaming(const std::string& text, const std::string& also) {
  std::vector<unsigned long> ids;
  ForEachLinuxProcess([&](unsigned long id, const std::string& command_line) {
    if (command_line.find(text) != std::string::npos && command_line.find(also) != std::string::npos) {
      ids.push_back(id);
    }
  });
  return ids;
}

bool KillLinuxProcess(unsigned long id) {
  std::wstring kill = remote::FromUnixPath("/bin/kill");
  if (kill.empty()) return false;
  std::wstring command = L"\"" + kill + L"\" -KILL " + std::to_wstring(id);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  return true;
}

}  // namespace test_support
