#include <gtest/gtest.h>

#include <array>

#include "browser/cef_control.h"
#include "browser/cef_manager.h"
#include "browser/cef_native_control.h"
#include "browser/off_screen_input.h"
#include "browser_test_support.h"
#include "browser_under_test.h"
#include "engine/in_process/engine_state.h"
#include "engine/in_process/page.h"
#include "tests/ui/render_support.h"

using namespace browser_test;

namespace {

// Where the test skin puts the control in its window's client area.
constexpr int kControlLeft = 30;
constexpr int kControlTop = 20;
constexpr int kControlWidth = 320;
constexpr int kControlHeight = 200;

RECT ChildRect(HWND child) {
  RECT rect = {};
  ::GetWindowRect(child, &rect);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

struct TitleSearch {
  const wchar_t* title;
  int count;
};

BOOL CALLBACK CountTitled(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<TitleSearch*>(data);
  wchar_t text[64] = {};
  ::GetWindowTextW(window, text, 64);
  if (::IsWindowVisible(window) && std::wstring(text) == search->title) ++search->count;
  return TRUE;
}

int CountTopLevelWindows(const wchar_t* title) {
  TitleSearch search{title, 0};
  ::EnumWindows(&CountTitled, reinterpret_cast<LPARAM>(&search));
  return search.count;
}

TEST(NativeControl, LoadsAnAddressGivenEarlyAndTellsOnlyRealMainAddressChanges) {
  RunAsUiThread([] {
    TestSkin skin;
    EngineScope engine(L"control_navigation");
    inproc::RegisterPage(L"https://nav.test/page", [](inproc::Page& page) {
      page.SetTitle(L"Nav");
      page.Navigate(L"https://nav.test/page#a");
    });
    inproc::RegisterPage(L"https://nav.test/page#a",
                         [](inproc::Page& page) { page.Navigate(L"https://nav.test/page#b"); });
    inproc::RegisterPage(L"https://nav.test/page#b",
                         [](inproc::Page& page) { page.Navigate(L"https://nav.test/other"); });
    inproc::RegisterPage(L"https://nav.test/other", [](inproc::Page&) {});

    auto* window = new BrowserWindow(BrowserWindow::Kind::kNative);
    HWND hwnd = window->Open();
    ASSERT_NE(hwnd, nullptr);
    auto* control = dynamic_cast<qiv_comp::CefControlBase*>(window->FindControl(L"cef_control"));
    ASSERT_NE(control, nullptr);
    // Nothing to register with before the browser exists; the address waits.
    ASSERT_FALSE(control->GetBrowser());
    EXPECT_FALSE(control->RegisterNativeFunction(
        L"Early", [](const std::string&, qiv_comp::CefJSBridge::ReportResult) {}, false));
    std::vector<std::wstring> urls;
    std::vector<std::pair<std::wstring, std::wstring>> main_changes;
    std::vector<std::wstring> titles;
    int loads = 0;
    control->AttachUrlChange([&urls](const std::wstring& url) { urls.push_back(url); });
    control->AttachMainUrlChange([&main_changes](const CefString& old_url, const CefString& new_url) {
      main_changes.emplace_back(old_url.ToWString(), new_url.ToWString());
    });
    control->AttachTitleChange([&titles](const std::wstring& title) { titles.push_back(title); });
    control->AttachLoadEnd([&loads](int) { ++loads; });
    control->LoadURL(L"https://nav.test/page");
    ASSERT_TRUE(WaitFor([&] { return loads == 4; }));

    EXPECT_EQ(urls, (std::vector<std::wstring>{L"https://nav.test/page", L"https://nav.test/page#a",
                                               L"https://nav.test/page#b", L"https://nav.test/other"}));
    std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L"", L"https://nav.test/page"}, {L"https://nav.test/page#b", L"https://nav.test/other"}};
    EXPECT_EQ(main_changes, expected);
    EXPECT_EQ(control->GetURL().ToWString(), L"https://nav.test/other");
    ASSERT_FALSE(titles.empty());
    EXPECT_EQ(titles.front(), L"Nav");
    ::DestroyWindow(hwnd);
  });
}

TEST(NativeControl, AHiddenBrowserWindowStaysShownAtZeroSizeUntilTheNextPlacementAndToolsOpenOnce) {
  RunAsUiThread([] {
    TestSkin skin;
    EngineScope engine(L"control_native");
    const int count = qiv_comp::CefManager::Instance()->GetBrowserCount();
    {
      BrowserUnderTest browser;
      ASSERT_TRUE(browser.ready());
      qiv_comp::CefControlBase* control = browser.control();
      HWND page = browser.browser()->GetHost()->GetWindowHandle();
      ASSERT_TRUE(::IsWindow(page));
      EXPECT_EQ(::GetParent(page), browser.hwnd());
      // The host never paints over its child.
      LONG style = ::GetWindowLongW(browser.hwnd(), GWL_STYLE);
      EXPECT_EQ(style & (WS_CLIPSIBLINGS | WS_CLIPCHILDREN), WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
      ASSERT_TRUE(WaitFor([&] { return ChildRect(page).right - ChildRect(page).left == kControlWidth; }));
      RECT rect = ChildRect(page);
      EXPECT_EQ(rect.left, kControlLeft);
      EXPECT_EQ(rect.top, kControlTop);
      EXPECT_EQ(rect.bottom - rect.top, kControlHeight);
      EXPECT_EQ(static_cast<DWORD>(::GetWindowLongW(page, GWL_STYLE)) & 0x56010000u, 0x56010000u);

      control->SetVisible(false);
      rect = ChildRect(page);
      EXPECT_TRUE(::IsWindowVisible(page));
      EXPECT_EQ(rect.right - rect.left, 0);
      EXPECT_EQ(rect.bottom - rect.top, 0);
      control->SetVisible(true);
      EXPECT_TRUE(::IsWindowVisible(page));
      control->SetPos(control->GetPos());
      rect = ChildRect(page);
      EXPECT_EQ(rect.left, kControlLeft);
      EXPECT_EQ(rect.right - rect.left, kControlWidth);
      EXPECT_EQ(rect.bottom - rect.top, kControlHeight);

      control->SetAudioMuted(true);
      EXPECT_TRUE(inproc::IsAudioMuted(browser.browser()));
      control->SetAudioMuted(false);
      EXPECT_FALSE(inproc::IsAudioMuted(browser.browser()));

      std::vector<bool> visible_changes;
      control->AttachDevToolsVisibleChange([&](bool visible) { visible_changes.push_back(visible); });
      EXPECT_TRUE(control->AttachDevTools(nullptr));
      EXPECT_TRUE(control->AttachDevTools(nullptr));
      ASSERT_TRUE(WaitFor([] { return CountTopLevelWindows(L"cef_devtools") == 1; }));
      WaitFor(100);
      EXPECT_EQ(CountTopLevelWindows(L"cef_devtools"), 1);
      EXPECT_TRUE(control->IsDevToolsAttached());
      control->DetachDevTools();
      ASSERT_TRUE(WaitFor([] { return CountTopLevelWindows(L"cef_devtools") == 0; }));
      EXPECT_FALSE(control->IsDevToolsAttached());
      EXPECT_EQ(visible_changes, (std::vector<bool>{true, false}));
      // The tools count as a browser while they live.
      ASSERT_TRUE(WaitFor([&] { return qiv_comp::CefManager::Instance()->GetBrowserCount() == count + 1; }));
    }
    // The window went, and its browser with it.
    ASSERT_TRUE(WaitFor([&] { return qiv_comp::CefManager::Instance()->GetBrowserCount() == count; }));
    EXPECT_EQ(inproc::LiveBrowserCount(), 0);
  });
}

uint32_t WindowPixel(BrowserWindow* window, int x, int y) {
  return ui::test::PixelAt(*window->GetRenderContext(), x, y) & 0x00FFFFFF;
}

TEST(OffScreenControl, FramePixelsAppearAtTheControlsPlaceWithThePopupCutAtItsEdge) {
  RunAsUiThread([] {
    TestSkin skin;
    EngineScope engine(L"control_pixels", true);
    inproc::RegisterPage(L"https://pixels.test/", [](inproc::Page& page) {
      page.SetBackgroundColor(0xFF336699);
      page.PaintRect(CefRect(10, 10, 20, 20), 0xFF00C000);
      // Reaches 10 pixels past the control's left edge and 5 past its top.
      page.ShowPopupWidget(CefRect(-10, -5, 40, 30), 0xFFD02020);
    });
    BrowserUnderTest browser(BrowserWindow::Kind::kOffScreen);
    ASSERT_TRUE(browser.ready());
    BrowserWindow* window = browser.window();
    browser.control()->LoadURL(L"https://pixels.test/");
    auto at = [&](int x, int y) { return WindowPixel(window, kControlLeft + x, kControlTop + y); };
    ASSERT_TRUE(WaitFor([&] { return at(200, 150) == 0x336699 && at(0, 0) == 0xD02020; }));
    window->PaintNow();
    EXPECT_EQ(at(kControlWidth - 1, kControlHeight - 1), 0x336699u);
    EXPECT_EQ(at(29, 24), 0xD02020u);
    EXPECT_EQ(at(30, 10), 0x336699u);
    // The page's rectangle shows below the popup.
    EXPECT_EQ(at(20, 27), 0x00C000u);
    // Nothing spills out of the control.
    EXPECT_EQ(at(-1, 10), 0x203040u);
    EXPECT_EQ(at(10, -1), 0x203040u);
    EXPECT_EQ(at(kControlWidth, 100), 0x203040u);
    auto* control = dynamic_cast<qiv_comp::CefControl*>(browser.control());
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->view_bitmap().GetWidth(), kControlWidth);
    EXPECT_EQ(control->popup_bitmap().GetWidth(), 40);
    ui::test::SaveScreenshot(*window->GetRenderContext(), L"offscreen_control.png");
  });
}

std::array<BYTE, 256> KeyboardWith(std::initializer_list<int> down, std::initializer_list<int> toggled) {
  std::array<BYTE, 256> keys = {};
  for (int key : down) keys[key] |= 0x80;
  for (int key : toggled) keys[key] |= 0x01;
  return keys;
}

// Sets this thread's keyboard state for the scope.
class KeyboardState {
 public:
  KeyboardState(std::initializer_list<int> down, std::initializer_list<int> toggled) {
    ::GetKeyboardState(saved_.data());
    std::array<BYTE, 256> keys = KeyboardWith(down, toggled);
    ::SetKeyboardState(keys.data());
  }
  ~KeyboardState() { ::SetKeyboardState(saved_.data()); }

 private:
  std::array<BYTE, 256> saved_ = {};
};

TEST(OffScreenInput, ModifierAndKeyFlagsFollowTheTables) {
  {
    KeyboardState keys({VK_MENU, VK_LMENU}, {VK_NUMLOCK, VK_CAPITAL});
    EXPECT_EQ(qiv_comp::MouseEventModifiers(MK_SHIFT | MK_CONTROL | MK_LBUTTON | MK_MBUTTON | MK_RBUTTON),
              2u | 4u | 16u | 32u | 64u | 8u | 256u | 1u);
    const uint32_t base = 8u | 256u | 1u;
    EXPECT_EQ(qiv_comp::KeyEventModifiers(VK_RETURN, 1 << 24), base | 512u);
    EXPECT_EQ(qiv_comp::KeyEventModifiers(VK_RETURN, 0), base);
    EXPECT_EQ(qiv_comp::KeyEventModifiers(VK_HOME, 0), base | 512u);
    EXPECT_EQ(qiv_comp::KeyEventModifiers(VK_DELETE, 1 << 24), base);
    EXPECT_EQ(qiv_comp::KeyEventModifiers(VK_NUMPAD7, 0), base | 512u);
    EXPECT_EQ(qiv_comp::KeyEventModifiers(VK_DIVIDE, 1 << 24), base | 512u);
    EXPECT_EQ(qiv_comp::KeyEventModifiers(VK_MENU, 0), base | 1024u);
    EXPECT_EQ(qiv_comp::KeyEventModifiers(VK_LWIN, 0), base | 1024u);
    EXPECT_EQ(qiv_comp::KeyEventModifiers(VK_RWIN, 0), base | 2048u);
    EXPECT_EQ(qiv_comp::KeyEventModifiers('A', 0), base);
  }
  {
    KeyboardState keys({VK_SHIFT, VK_RSHIFT, VK_CONTROL, VK_LCONTROL}, {});
    EXPECT_EQ(qiv_comp::MouseEventModifiers(0), 0u);
    EXPECT_EQ(qiv_comp::KeyEventModifiers(VK_SHIFT, 0), 2u | 4u | 2048u);
    EXPECT_EQ(qiv_comp::KeyEventModifiers(VK_CONTROL, 0), 2u | 4u | 1024u);
    CefKeyEvent up = qiv_comp::KeyEventFromMessage(WM_SYSKEYUP, VK_F4, 0x203E0001);
    EXPECT_EQ(up.type, KEYEVENT_KEYUP);
    EXPECT_EQ(up.is_system_key, 1);
    EXPECT_EQ(up.native_key_code, 0x203E0001);
    EXPECT_EQ(up.character, 0);
    CefKeyEvent character = qiv_comp::KeyEventFromMessage(WM_CHAR, 'x', 0);
    EXPECT_EQ(character.type, KEYEVENT_CHAR);
    EXPECT_EQ(character.is_system_key, 0);
    EXPECT_EQ(character.windows_key_code, 'x');
  }
}

TEST(OffScreenControl, ClicksAndKeysReachThePageAtControlPositionsWithTheirFlags) {
  RunAsUiThread([] {
    TestSkin skin;
    EngineScope engine(L"control_input", true);
    BrowserUnderTest browser(BrowserWindow::Kind::kOffScreen);
    ASSERT_TRUE(browser.ready());
    HWND hwnd = browser.hwnd();
    CefRefPtr<CefBrowser> page = browser.browser();
    inproc::TakeInputEvents(page);
    KeyboardState keys({VK_MENU, VK_LMENU}, {VK_NUMLOCK});
    const uint32_t locks = 8u | 256u;

    ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(kControlLeft + 12, kControlTop + 7));
    ::SendMessageW(hwnd, WM_LBUTTONUP, MK_SHIFT, MAKELPARAM(kControlLeft + 12, kControlTop + 7));
    ::SendMessageW(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(kControlLeft + 5, kControlTop + 6));
    ::SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(kControlLeft + 1, kControlTop + 1));
    // The focus moved into the control with the first click.
    EXPECT_TRUE(browser.control()->IsFocused());
    ::SendMessageW(hwnd, WM_KEYDOWN, VK_LEFT, 0x004B0001);
    ::SendMessageW(hwnd, WM_CHAR, 'q', 0x00100001);
    // Outside the control: nothing for the page, and the focus leaves it.
    ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(kControlLeft - 3, kControlTop + 7));
    ::SendMessageW(hwnd, WM_KEYDOWN, 'Z', 0x002C0001);
    EXPECT_FALSE(browser.control()->IsFocused());

    std::vector<inproc::InputEvent> events = inproc::TakeInputEvents(page);
    std::vector<inproc::InputEvent> clicks, key_events;
    bool focused = false;
    for (const inproc::InputEvent& event : events) {
      if (event.kind == inproc::InputEvent::Kind::kMouseClick) clicks.push_back(event);
      if (event.kind == inproc::InputEvent::Kind::kKey) key_events.push_back(event);
      if (event.kind == inproc::InputEvent::Kind::kFocus && event.focus) focused = true;
    }
    EXPECT_TRUE(focused);
    ASSERT_EQ(clicks.size(), 4u);
    EXPECT_EQ(clicks[0].mouse.x, 12);
    EXPECT_EQ(clicks[0].mouse.y, 7);
    EXPECT_EQ(clicks[0].mouse.modifiers, 2u | 16u | locks);
    EXPECT_EQ(clicks[0].button, MBT_LEFT);
    EXPECT_FALSE(clicks[0].mouse_up);
    EXPECT_EQ(clicks[0].click_count, 1);
    EXPECT_TRUE(clicks[1].mouse_up);
    EXPECT_EQ(clicks[1].mouse.modifiers, 2u | locks);
    // The right button's release keeps the window's position.
    EXPECT_EQ(clicks[2].button, MBT_RIGHT);
    EXPECT_EQ(clicks[2].mouse.x, kControlLeft + 5);
    EXPECT_EQ(clicks[2].mouse.y, kControlTop + 6);
    EXPECT_EQ(clicks[3].click_count, 2);
    EXPECT_EQ(clicks[3].mouse.x, 1);
    ASSERT_EQ(key_events.size(), 2u);
    EXPECT_EQ(key_events[0].key.type, KEYEVENT_RAWKEYDOWN);
    EXPECT_EQ(key_events[0].key.windows_key_code, VK_LEFT);
    EXPECT_EQ(key_events[0].key.native_key_code, 0x004B0001);
    // The arrow key without the extended bit is the key pad's.
    EXPECT_EQ(key_events[0].key.modifiers, locks | 512u);
    EXPECT_EQ(key_events[1].key.type, KEYEVENT_CHAR);
    EXPECT_EQ(key_events[1].key.windows_key_code, 'q');

    // Hidden, the control hands nothing on and tells the page so.
    browser.control()->SetVisible(false);
    EXPECT_TRUE(WaitFor([&] { return inproc::IsHidden(page); }));
    ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(kControlLeft + 12, kControlTop + 7));
    EXPECT_TRUE(inproc::TakeInputEvents(page).empty());
  });
}

}  // namespace
