#include <gtest/gtest.h>

#include "app/cef_game_form.h"
#include "app/window_messages.h"
#include "app/window_names.h"
#include "browser/cef_manager.h"
#include "program_folder.h"
#include "tests/support/ui_thread.h"
#include "ui/controls/label.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/resource_manager.h"

namespace {

using test_support::RunAsUiThread;
using test_support::WaitFor;

constexpr DWORD kGameWindowStyle = 0x11CF0000;

class GameWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::ResourceManager::Startup(app_test::ResourcesFolder() + L"\\", ui::ControlFactory(), L"themes\\default",
                                 L"lang\\zh_CN");
  }
  static void TearDownTestSuite() { ui::ResourceManager::Shutdown(); }
};

// Stands in for the start window: keeps what the game window sends it.
std::vector<UINT> g_owner_messages;

LRESULT CALLBACK RecordOwnerMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == tarnwell::BackToStartMessage || message == WM_MOVE) g_owner_messages.push_back(message);
  return ::DefWindowProcW(window, message, wparam, lparam);
}

HWND MakeOwner() {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = &RecordOwnerMessage;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"TarnwellTestStartStandIn";
  ::RegisterClassW(&window_class);
  return ::CreateWindowExW(0, window_class.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           window_class.hInstance, nullptr);
}

std::vector<UINT> TakeMessages() {
  std::vector<UINT> messages;
  messages.swap(g_owner_messages);
  return messages;
}

int StripWidth(tarnwell::CefGameForm* game, const wchar_t* name) {
  ui::Control* strip = game->FindControl(name);
  return strip ? strip->GetFixedWidth() : -100;
}

TEST_F(GameWindow, StripsButtonsAndTitleFollowTheWindowAndEveryCloseGoesBackToTheStart) {
  // The closes ask for a quit; a browser that is still open (the login
  // window's, in the program) keeps it waiting.
  qiv_comp::CefManager* manager = qiv_comp::CefManager::Instance();
  manager->IncrementBrowserCount();
  manager->set_quit_grace_us(60 * 1000 * 1000);
  RunAsUiThread([] {
    HWND owner = MakeOwner();
    auto* game = new tarnwell::CefGameForm(L"http://trnw.plaxon.com/wd/?m=game&server=2|%D3%CE%CF%B7|S2");
    game->SetOwnerWindow(owner);
    HWND hwnd = game->Create(nullptr, tarnwell::kGameWindowName, kGameWindowStyle, 0, true, ui::Rect());
    ASSERT_NE(hwnd, nullptr);
    // Never layered: the page is a child window.
    EXPECT_EQ(::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    EXPECT_TRUE(::IsZoomed(hwnd));
    EXPECT_EQ(StripWidth(game, L"size_left"), 1);
    EXPECT_EQ(StripWidth(game, L"size_right"), 1);
    EXPECT_EQ(game->FindControl(L"size_bottom")->GetFixedHeight(), 1);
    EXPECT_FALSE(game->FindControl(L"maxbtn")->IsVisible());
    EXPECT_TRUE(game->FindControl(L"restorebtn")->IsVisible());
    wchar_t title[64] = {};
    ::GetWindowTextW(hwnd, title, 64);
    const std::wstring window_title(title);
    ASSERT_GT(window_title.size(), 3u);
    EXPECT_EQ(window_title.substr(window_title.size() - 3), L"-S2");
    auto* label = dynamic_cast<ui::Label*>(game->FindControl(L"label_title"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetText(), window_title);

    ::ShowWindow(hwnd, SW_RESTORE);
    EXPECT_FALSE(::IsZoomed(hwnd));
    EXPECT_EQ(StripWidth(game, L"size_left"), 2);
    EXPECT_EQ(game->FindControl(L"size_bottom")->GetFixedHeight(), 2);
    EXPECT_TRUE(game->FindControl(L"maxbtn")->IsVisible());
    EXPECT_FALSE(game->FindControl(L"restorebtn")->IsVisible());

    // The timer nobody sets brings the maximised window back; it is consumed.
    ::SetTimer(hwnd, tarnwell::CefGameForm::kMaximizeTimerId, 1, nullptr);
    ASSERT_TRUE(WaitFor([&] { return ::IsZoomed(hwnd) != FALSE; }));
    EXPECT_EQ(StripWidth(game, L"size_left"), 1);

    // Closed from outside, as Alt+F4 or the taskbar do: back to the start.
    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(hwnd) && g_owner_messages.size() >= 2; }));
    WaitFor(50);
    EXPECT_EQ(TakeMessages(), (std::vector<UINT>{tarnwell::BackToStartMessage, WM_MOVE}));

    // At 150 % the restored strips are 3 pixels, and the close button goes
    // back to the start once.
    ui::DpiScale& scale = ui::DpiScale::GetInstance();
    scale.set_enabled(true);
    scale.set_percent(150);
    game = new tarnwell::CefGameForm(L"http://trnw.plaxon.com/wd/?m=game");
    game->SetOwnerWindow(owner);
    hwnd = game->Create(nullptr, tarnwell::kGameWindowName, kGameWindowStyle, 0, false, ui::Rect());
    ASSERT_NE(hwnd, nullptr);
    ::GetWindowTextW(hwnd, title, 64);
    EXPECT_STREQ(title, L"Tarnwell");
    ::ShowWindow(hwnd, SW_RESTORE);
    EXPECT_EQ(StripWidth(game, L"size_left"), 3);
    EXPECT_EQ(StripWidth(game, L"size_right"), 3);
    scale.set_enabled(false);
    scale.set_percent(100);
    ui::Control* close = game->FindControl(L"btn_close");
    ASSERT_NE(close, nullptr);
    ASSERT_TRUE(WaitFor([&] { return !close->GetPos().IsEmpty(); }));
    const ui::Rect pos = close->GetPos();
    app_test::ClickAt(hwnd, (pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(hwnd) && g_owner_messages.size() >= 2; }));
    WaitFor(50);
    EXPECT_EQ(TakeMessages(), (std::vector<UINT>{tarnwell::BackToStartMessage, WM_MOVE}));
    ::DestroyWindow(owner);
    EXPECT_TRUE(qiv_comp::CefManager::Instance()->IsQuitPending());
  });
  manager->DecrementBrowserCount();
  manager->set_quit_grace_us(qiv_comp::CefManager::kQuitGraceUs);
}

}  // namespace
