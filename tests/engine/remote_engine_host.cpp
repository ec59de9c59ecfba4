// A program that runs the real engine with one page and waits: the tests
// end it, cleanly or by killing it, and look at what is left behind.
//
// Arguments: the engine's folder (without a last separator), then "kill" (wait to be killed) or
// "clean" (shut down once the folder holds a file named "stop"); or "sleep"
// alone, to stand in for a browser program that never answers.

#include <windows.h>

#include <string>

#include "base/path_util.h"
#include "engine/engine_selection.h"
#include "engine/remote/remote_engine.h"
#include "engine/remote/remote_engine_state.h"
#include "include/cef_client.h"
#include "tests/support/test_support.h"

namespace {

class Client : public CefClient {
  IMPLEMENT_REFCOUNTING(Client);
};

void WriteText(const std::wstring& path, const std::string& text) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // As a stand-in browser program that only waits to be ended.
  if (argc == 2 && std::wstring(argv[1]) == L"sleep") {
    ::Sleep(60000);
    return 7;
  }
  if (argc < 3) return 2;
  std::wstring folder = std::wstring(argv[1]) + L"\\";
  std::wstring mode = argv[2];
  qbase::CreateDirectories(folder);
  CefSettings settings;
  settings.no_sandbox = 1;
  settings.multi_threaded_message_loop = 1;
  settings.cache_path = folder + L"CefLocalStorage";
  settings.log_file = folder + L"cef.log";
  engine::EngineConfig config;
  config.browser = L"/usr/bin/chromium";
  engine::ForceEngine(engine::EngineKind::kReal, config);
  if (!CefInitialize(CefMainArgs(::GetModuleHandleW(nullptr)), settings, nullptr, nullptr)) return 3;
  CefWindowInfo info;
  info.windowless_rendering_enabled = 1;
  CefRefPtr<Client> client = new Client();
  CefBrowserHost::CreateBrowser(info, client.get(), L"about:blank", CefBrowserSettings(), nullptr, nullptr);
  if (!test_support::PumpUntil([] { return remote::IsConnected() && remote::LiveBrowserCount() == 1; }, 30000)) {
    return 4;
  }
  WriteText(folder + L"ready", std::to_string(remote::BrowserProgramId()));
  if (mode == L"clean") {
    test_support::PumpUntil([&] { return test_support::FileExists(folder + L"stop"); }, 60000);
    CefShutdown();
    return 0;
  }
  // Killed from outside, never returning.
  test_support::PumpUntil([] { return false; }, 120000);
  return 5;
}
