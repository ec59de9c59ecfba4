// The touch keyboard manager against a stand-in keyboard window of the
// system's class, with the COM host and the program start stood in for.
#include "ui/controls/on_screen_keyboard_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "tests/ui/manual_timers.h"

namespace ui {
namespace {

std::vector<WPARAM> g_system_commands;

LRESULT CALLBACK StandInProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SYSCOMMAND) {
    g_system_commands.push_back(wparam & 0xFFF0);
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

class OnScreenKeyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    g_system_commands.clear();
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = StandInProcedure;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = OnScreenKeyboardManager::kKeyboardWindowClass;
    ::RegisterClassW(&window_class);
    manager_ = OnScreenKeyboardManager::GetInstance();
    OnScreenKeyboardManager::Platform platform;
    platform.supported = [] { return true; };
    platform.toggle = [this] {
      ++toggles_;
      return toggle_works_;
    };
    platform.start_program = [this](const std::wstring& path) {
      started_.push_back(path);
      return false;
    };
    manager_->SetPlatformForTesting(platform);
    manager_->SetTimerServiceForTesting(timers_.service());
  }
  void TearDown() override {
    if (keyboard_) ::DestroyWindow(keyboard_);
    manager_->SetPlatformForTesting(OnScreenKeyboardManager::Platform());
    manager_->SetTimerServiceForTesting(nullptr);
    ::SetEnvironmentVariableW(OnScreenKeyboardManager::kCommonFilesVariable,
                              saved_common_files_.empty() ? nullptr : saved_common_files_.c_str());
  }

  // The stand-in for the system keyboard, shown or hidden.
  void MakeKeyboard(bool visible, bool disabled = false) {
    keyboard_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, OnScreenKeyboardManager::kKeyboardWindowClass, L"",
                                  WS_POPUP | (visible ? WS_VISIBLE : 0) | (disabled ? WS_DISABLED : 0), 0, 0, 10, 10,
                                  nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, keyboard_);
  }
  // Lets the settling delay pass and delivers what was posted.
  void Settle() {
    timers_.Advance(20);
    test_support::PumpUntil([] { return false; }, 30);
  }

  OnScreenKeyboardManager* manager_ = nullptr;
  test::ManualTimers timers_;
  HWND keyboard_ = nullptr;
  int toggles_ = 0;
  bool toggle_works_ = true;
  std::vector<std::wstring> started_;
  std::wstring saved_common_files_ = [] {
    wchar_t value[MAX_PATH] = {};
    ::GetEnvironmentVariableW(OnScreenKeyboardManager::kCommonFilesVariable, value, MAX_PATH);
    return std::wstring(value);
  }();
};

TEST_F(OnScreenKeyboard, RequestsWithinTheDelayActOnTheLastWantedState) {
  MakeKeyboard(false);
  manager_->ShowOSK(true);
  timers_.Advance(5, 5);
  manager_->ShowOSK(false);
  Settle();
  EXPECT_EQ(0, toggles_) << "shown then hidden within 10 ms: stays hidden";
  EXPECT_FALSE(manager_->IsWanted());

  ::ShowWindow(keyboard_, SW_SHOWNOACTIVATE);
  manager_->ShowOSK(false);
  manager_->ShowOSK(true);
  Settle();
  EXPECT_TRUE(g_system_commands.empty()) << "hidden then shown: stays shown";
  EXPECT_EQ(0, toggles_);
}

TEST_F(OnScreenKeyboard, VisibleKeyboardIsClosedAndHiddenOneToggled) {
  MakeKeyboard(true);
  EXPECT_TRUE(OnScreenKeyboardManager::IsKeyboardVisible());
  manager_->ShowOSK(false);
  EXPECT_TRUE(g_system_commands.empty()) << "nothing before the delay";
  Settle();
  ASSERT_EQ(1u, g_system_commands.size());
  EXPECT_EQ(static_cast<WPARAM>(SC_CLOSE), g_system_commands[0]);

  ::ShowWindow(keyboard_, SW_HIDE);
  manager_->ShowOSK(true);
  Settle();
  EXPECT_EQ(1, toggles_);
  EXPECT_TRUE(started_.empty()) << "the COM host did it";
  // A disabled keyboard window counts as not shown.
  ::DestroyWindow(keyboard_);
  MakeKeyboard(true, true);
  EXPECT_FALSE(OnScreenKeyboardManager::IsKeyboardVisible());
}

TEST_F(OnScreenKeyboard, NothingHappensWhenTheStateAlreadyMatches) {
  manager_->ShowOSK(false);  // no keyboard window at all
  Settle();
  MakeKeyboard(true);
  manager_->ShowOSK(true);
  Settle();
  EXPECT_EQ(0, toggles_);
  EXPECT_TRUE(started_.empty());
  EXPECT_TRUE(g_system_commands.empty());
}

TEST_F(OnScreenKeyboard, FailedToggleStartsTheProgramAndFailuresAreIgnored) {
  toggle_works_ = false;
  ::SetEnvironmentVariableW(OnScreenKeyboardManager::kCommonFilesVariable, L"D:\\Shared Files");
  manager_->ShowOSK(true);
  Settle();
  EXPECT_EQ(1, toggles_);
  ASSERT_EQ(1u, started_.size());
  EXPECT_EQ(L"D:\\Shared Files\\microsoft shared\\ink\\TabTip.exe", started_[0]);
  ::SetEnvironmentVariableW(OnScreenKeyboardManager::kCommonFilesVariable, L"");
  manager_->ShowOSK(true);
  Settle();
  ASSERT_EQ(2u, started_.size());
  EXPECT_EQ(L"C:\\\\Program Files\\Common Files\\microsoft shared\\ink\\TabTip.exe", started_[1]);

  // The platform's own calls fail here (no keyboard host, no program) and
  // the request simply ends.
  OnScreenKeyboardManager::Platform real;
  real.supported = [] { return true; };
  manager_->SetPlatformForTesting(real);
  ::SetEnvironmentVariableW(OnScreenKeyboardManager::kCommonFilesVariable,
                            test_support::TempFolder(L"osk_test", L"no_keyboard").c_str());
  manager_->ShowOSK(true);
  Settle();
  EXPECT_TRUE(manager_->IsWanted());
  EXPECT_FALSE(OnScreenKeyboardManager::IsKeyboardVisible());
}

TEST_F(OnScreenKeyboard, OlderSystemsAreLeftAlone) {
  OnScreenKeyboardManager::Platform old_system;
  old_system.supported = [] { return false; };
  old_system.toggle = [this] { return ++toggles_ > 0; };
  manager_->SetPlatformForTesting(old_system);
  manager_->ShowOSK(false);
  const bool before = manager_->IsWanted();
  manager_->ShowOSK(!before);
  Settle();
  EXPECT_EQ(before, manager_->IsWanted());
  EXPECT_EQ(0, toggles_);
}

}  // namespace
}  // namespace ui
