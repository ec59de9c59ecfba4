#include "ui/controls/on_screen_keyboard_manager.h"

#include <objbase.h>
#include <shellapi.h>

#include "ui/core/timer_service.h"

namespace ui {

namespace {

// The keyboard's COM host and the interface whose first method toggles it.
constexpr CLSID kKeyboardHostClass = {0x4ce576fa, 0x83dc, 0x4f88, {0x95, 0x1c, 0x9d, 0x07, 0x82, 0xb4, 0xe3, 0x76}};
constexpr IID kTipInvocationIid = {0x37c994e7, 0x432b, 0x4834, {0xa2, 0xf7, 0xdc, 0xe1, 0xf1, 0x3b, 0x83, 0x4b}};

class ITipInvocation : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE Toggle(HWND window) = 0;
};

// The version the system really has: the compatibility layer lies to
// programs that do not declare the newer systems in their manifest.
bool IsWindows8OrLater() {
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  auto get_version =
      ntdll ? reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
            : nullptr;
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!get_version || get_version(&info) != 0) return false;
  return info.dwMajorVersion > 6 || (info.dwMajorVersion == 6 && info.dwMinorVersion >= 2);
}

bool ToggleThroughCom() {
  ITipInvocation* invocation = nullptr;
  const HRESULT created = ::CoCreateInstance(kKeyboardHostClass, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                             kTipInvocationIid, reinterpret_cast<void**>(&invocation));
  if (FAILED(created) || !invocation) return false;
  invocation->Toggle(::GetDesktopWindow());
  invocation->Release();
  return true;
}

bool OpenProgram(const std::wstring& path) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  // A missing program must not bring up the shell's own error box.
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = path.c_str();
  info.nShow = SW_SHOWDEFAULT;
  return ::ShellExecuteExW(&info) != FALSE;
}

}  // namespace

OnScreenKeyboardManager* OnScreenKeyboardManager::GetInstance() {
  static OnScreenKeyboardManager instance;
  return &instance;
}

OnScreenKeyboardManager::OnScreenKeyboardManager() = default;

void OnScreenKeyboardManager::SetPlatformForTesting(Platform platform) { platform_ = std::move(platform); }

bool OnScreenKeyboardManager::IsKeyboardVisible() {
  HWND keyboard = ::FindWindowW(kKeyboardWindowClass, nullptr);
  if (!keyboard) return false;
  const LONG style = ::GetWindowLongW(keyboard, GWL_STYLE);
  return (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

std::wstring OnScreenKeyboardManager::KeyboardProgramPath() {
  const DWORD needed = ::GetEnvironmentVariableW(kCommonFilesVariable, nullptr, 0);
  if (needed <= 1) return kFallbackProgram;
  std::wstring folder(needed, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(kCommonFilesVariable, &folder[0], needed);
  if (length == 0 || length >= needed) return kFallbackProgram;
  folder.resize(length);
  return folder + kProgramBelowCommonFiles;
}

void OnScreenKeyboardManager::ShowOSK(bool show) {
  static const bool supported_system = IsWindows8OrLater();
  const bool supported = platform_.supported ? platform_.supported() : supported_system;
  if (!supported) return;
  wanted_ = show;
  TimerService* service = timer_service_ ? timer_service_ : TimerService::GetInstance();
  service->AddCancelableTimer(GetWeakFlag(), ToWeakCallback([this] { Update(); }), kSettleDelayMs, 1);
}

void OnScreenKeyboardManager::Update() {
  const bool shown = IsKeyboardVisible();
  if (shown == wanted_) return;
  if (shown) {
    ::PostMessageW(::FindWindowW(kKeyboardWindowClass, nullptr), WM_SYSCOMMAND, SC_CLOSE, 0);
    return;
  }
  const bool toggled = platform_.toggle ? platform_.toggle() : ToggleThroughCom();
  if (toggled) return;
  const std::wstring program = KeyboardProgramPath();
  if (platform_.start_program) {
    platform_.start_program(program);
  } else {
    OpenProgram(program);
  }
}

}  // namespace ui
