#include "browser/cef_manager.h"

#include <vector>

#include "base/path_util.h"
#include "base/thread_registry.h"
#include "base/time_ticks.h"
#include "base/unique_handle.h"
#include "browser/client_app.h"
#include "include/cef_task.h"

namespace qiv_comp {

namespace {

// "path" is read into a buffer of this size first; longer values get a second read.
constexpr DWORD kPathBufferLength = 4096;

bool IsDirectory(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Lets the engine's UI thread make a child of a window of the main thread,
// then closes that window again.
class ChildWindowTask : public CefTask {
 public:
  explicit ChildWindowTask(HWND parent) : parent_(parent) {}
  void Execute() override {
    ::CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 0, 0, parent_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::PostMessageW(parent_, WM_CLOSE, 0, 0);
  }

 private:
  HWND parent_;
  IMPLEMENT_REFCOUNTING(ChildWindowTask);
};

BOOL CALLBACK FindShownWindow(HWND window, LPARAM found) {
  // Shadows and other tool windows only go with a window of their own.
  if (::IsWindowVisible(window) && !(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
  }
  return TRUE;
}

// Whether the calling thread shows any window the player can see.
bool HasShownWindow() {
  bool found = false;
  ::EnumThreadWindows(::GetCurrentThreadId(), &FindShownWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace

CefManager* CefManager::Instance() {
  // Thread-safe lazy creation; destroyed at process exit.
  static CefManager instance;
  return &instance;
}

std::wstring CefManager::ReadPathVariable() {
  std::vector<wchar_t> buffer(kPathBufferLength, L'\0');
  DWORD length = ::GetEnvironmentVariableW(L"path", buffer.data(), kPathBufferLength);
  // A longer value is read again in full rather than cut or dropped.
  while (length >= buffer.size()) {
    buffer.assign(static_cast<size_t>(length) + 1, L'\0');
    length = ::GetEnvironmentVariableW(L"path", buffer.data(), static_cast<DWORD>(buffer.size()));
  }
  return std::wstring(buffer.data(), length);
}

std::wstring CefManager::EnginePathValue(const std::wstring& runtime_folder, const std::wstring& old_value) {
  std::wstring value = runtime_folder + L";";
  if (!old_value.empty()) value += old_value;
  return value;
}

void CefManager::PrepareEnvironment() {
  std::wstring old_path = ReadPathVariable();

  std::wstring runtime_folder = qbase::ModuleDirectory() + L"cef";
  if (!IsDirectory(runtime_folder)) {
    ::MessageBoxW(nullptr, L"\u8BF7\u89E3\u538BCef.rar\u538B\u7F29\u5305", L"\u63D0\u793A", MB_OK);
    ::ExitProcess(0);
  }

  // When the joined value exceeds what the environment can hold, setting it
  // fails and "path" keeps its old value whole.
  ::SetEnvironmentVariableW(L"path", EnginePathValue(runtime_folder, old_path).c_str());
  ::SetEnvironmentVariableW(L"ComSpec", (runtime_folder + L"\\dummy_cmd.exe").c_str());
}

int CefManager::ExecuteSubProcess(const CefMainArgs& args) {
  CefRefPtr<ClientApp> app(new ClientApp());
  return CefExecuteProcess(args, app.get(), nullptr);
}

bool CefManager::Initialize(const std::wstring& app_data_dir, CefSettings& settings, bool is_enable_offset_render) {
  is_enable_offset_render_ = is_enable_offset_render;
  CefMainArgs main_args(::GetModuleHandleW(nullptr));
  // Engines that run renderers as threads of this process start them the
  // way a renderer process would start this program.
  CefSetSubProcessEntry(&CefManager::ExecuteSubProcess);
  CefRefPtr<ClientApp> app(new ClientApp());

  if (CefExecuteProcess(main_args, app.get(), nullptr) >= 0) return false;

  FillSettings(app_data_dir, settings);
  bool started = CefInitialize(main_args, settings, app.get(), nullptr);

  if (is_enable_offset_render) {
    qbase::UniqueWindow hidden(::CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                                 ::GetModuleHandleW(nullptr), nullptr));
    // The task closes the window; if it cannot be posted the window goes now.
    if (hidden && CefPostTask(TID_UI, new ChildWindowTask(hidden.get()))) hidden.release();
  }
  return started;
}

void CefManager::FillSettings(const std::wstring& app_data_dir, CefSettings& settings) {
  // A folder that cannot be made is not reported: the engine starts anyway.
  if (!IsDirectory(app_data_dir)) qbase::CreateDirectories(app_data_dir);

  settings.no_sandbox = 1;
  settings.cache_path = app_data_dir + L"CefLocalStorage";
  settings.log_file = app_data_dir + L"cef.log";
  settings.multi_threaded_message_loop = 1;
  settings.windowless_rendering_enabled = is_enable_offset_render_ ? 1 : 0;
}

void CefManager::Shutdown() { CefShutdown(); }

void CefManager::RequestQuit(int exit_code) {
  quit_exit_code_ = exit_code;
  // A check that has not come back for long died with the loop it was on.
  const int64_t now = qbase::TimeTicks::Now();
  if (quit_pending_ && now - last_quit_check_us_ < 2 * kQuitRecheckDelayUs) return;
  quit_pending_ = true;
  windowless_since_us_ = 0;
  CheckQuit();
}

void CefManager::CheckQuit() {
  const int exit_code = quit_exit_code_;
  const int64_t now = qbase::TimeTicks::Now();
  last_quit_check_us_ = now;
  bool quit = browser_count_ <= 0;
  if (!quit) {
    if (HasShownWindow()) {
      windowless_since_us_ = 0;
    } else if (windowless_since_us_ == 0) {
      windowless_since_us_ = now;
    } else if (now - windowless_since_us_ >= quit_grace_us_) {
      // Nothing is shown and the engine has not closed its browsers in
      // all that time: end anyway, the shutdown closes what is left.
      quit = true;
    }
  }
  if (quit) {
    quit_pending_ = false;
    qbase::ThreadRegistry::PostTask(qbase::UiThreadId, [exit_code] { ::PostQuitMessage(exit_code); });
    return;
  }
  // Without a UI thread to check on, there is nothing to wait for.
  if (!qbase::ThreadRegistry::PostDelayedTask(
          qbase::UiThreadId, ToWeakCallback([] { CefManager::Instance()->CheckQuit(); }), kQuitRecheckDelayUs)) {
    quit_pending_ = false;
  }
}

}  // namespace qiv_comp
