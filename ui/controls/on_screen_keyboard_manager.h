#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "base/weak_callback.h"

namespace ui {

class TimerService;

// Shows the system touch keyboard when an edit field is touched and hides
// it when the field loses the focus. Requests are settled 10 ms later, each
// on the last state asked for, so a focus moving from one field to another
// does not flash the keyboard. Process-wide, UI thread only; every failure
// of the platform is ignored.
class OnScreenKeyboardManager : public qbase::SupportWeakCallback {
 public:
  static constexpr const wchar_t* kKeyboardWindowClass = L"IPTip_Main_Window";
  static constexpr const wchar_t* kCommonFilesVariable = L"CommonProgramW6432";
  static constexpr const wchar_t* kProgramBelowCommonFiles = L"\\microsoft shared\\ink\\TabTip.exe";
  // As the platform has always had it stored, doubled separator included.
  static constexpr const wchar_t* kFallbackProgram =
      L"C:\\\\Program Files\\Common Files\\microsoft shared\\ink\\TabTip.exe";
  static constexpr int kSettleDelayMs = 10;

  // What the manager asks of the platform; tests stand in for parts of it.
  struct Platform {
    // Windows 8 or later, where the touch keyboard exists.
    std::function<bool()> supported;
    // Toggles the keyboard through its COM host; false when that failed.
    std::function<bool()> toggle;
    // Opens the keyboard program; false when that failed.
    std::function<bool(const std::wstring& path)> start_program;
  };

  static OnScreenKeyboardManager* GetInstance();

  void ShowOSK(bool show);
  bool IsWanted() const { return wanted_; }
  // A keyboard window exists, is visible and is not disabled.
  static bool IsKeyboardVisible();
  // The keyboard program below the common program files folder.
  static std::wstring KeyboardProgramPath();

  // Empty members keep the real platform's behaviour.
  void SetPlatformForTesting(Platform platform);
  void SetTimerServiceForTesting(TimerService* service) { timer_service_ = service; }

 private:
  OnScreenKeyboardManager();
  void Update();

  bool wanted_ = false;
  Platform platform_;
  TimerService* timer_service_ = nullptr;
};

}  // namespace ui
