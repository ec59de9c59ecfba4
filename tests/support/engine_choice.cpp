#include "tests/support/engine_choice.h"

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

int LinuxProcessesNaming(const std::string& text) {
  std::wstring proc = remote::FromUnixPath("/proc");
  if (proc.empty()) return -1;
  int count = 0;
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileW((proc + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return -1;
  do {
    std::wstring name = entry.cFileName;
    if (name.empty() || name.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
    if (test_support::ReadText(proc + L"\\" + name + L"\\cmdline").find(text) != std::string::npos) ++count;
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
  return count;
}

}  // namespace test_support
