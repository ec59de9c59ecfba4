#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <imm.h>

#include "engine/remote/input_events.h"
#include "engine/remote/page_view.h"
#include "engine_test_support.h"

using namespace engine_test;
using remote::Json;

namespace {

// Records what a page view hands its browser.
class RecordingDelegate : public remote::PageView::Delegate {
 public:
  std::vector<Json> mouse;
  std::vector<CefKeyEvent> keys;
  std::vector<std::wstring> compositions;
  std::vector<std::wstring> commits;
  std::vector<bool> focus;
  SIZE size = {};
  bool destroyed = false;
  bool swallow_keys = false;

  void OnViewResized(int width, int height) override { size = SIZE{width, height}; }
  void OnViewMouse(Json event) override { mouse.push_back(std::move(event)); }
  bool OnViewKey(const CefKeyEvent& event, const MSG&) override {
    keys.push_back(event);
    return swallow_keys;
  }
  void OnViewComposition(const std::wstring& text, int caret) override {
    compositions.push_back(text + L"|" + std::to_wstring(caret));
  }
  void OnViewCommit(const std::wstring& text) override { commits.push_back(text); }
  void OnViewFocus(bool focused) override { focus.push_back(focused); }
  void OnViewDestroyed() override { destroyed = true; }
};

struct ViewFixture {
  ViewFixture() {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = ::DefWindowProcW;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"RemoteInputTestParent";
    ::RegisterClassExW(&window_class);
    parent = ::CreateWindowExW(0, L"RemoteInputTestParent", L"parent", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                               nullptr, ::GetModuleHandleW(nullptr), nullptr);
    CefWindowInfo info;
    info.parent_window = parent;
    info.style = WS_CHILD | WS_VISIBLE;
    info.width = 200;
    info.height = 100;
    view = remote::PageView::Create(info, &delegate);
  }
  ~ViewFixture() {
    view.reset();
    ::DestroyWindow(parent);
  }
  LRESULT Send(UINT message, WPARAM wparam, LPARAM lparam) {
    return ::SendMessageW(view->window(), message, wparam, lparam);
  }
  RecordingDelegate delegate;
  HWND parent = nullptr;
  std::unique_ptr<remote::PageView> view;
};

TEST(RemoteInput, MouseMessagesBecomeProtocolEventsWithButtonsCountsAndModifiers) {
  ViewFixture fixture;
  ASSERT_TRUE(fixture.view);
  fixture.Send(WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM(5, 7));
  fixture.Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(10, 20));
  fixture.Send(WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(10, 20));
  fixture.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 20));
  fixture.Send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(-3, 4));
  POINT screen = {30, 40};
  ::ClientToScreen(fixture.view->window(), &screen);
  fixture.Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-240)), MAKELPARAM(screen.x, screen.y));
  fixture.Send(WM_MOUSEHWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(screen.x, screen.y));

  const auto& events = fixture.delegate.mouse;
  ASSERT_EQ(events.size(), 7u);
  EXPECT_EQ(events[0]["type"], "mouseMoved");
  EXPECT_EQ(events[0]["x"], 5);
  EXPECT_EQ(events[0]["modifiers"], 8);
  EXPECT_EQ(events[0]["button"], "none");
  EXPECT_EQ(events[1]["type"], "mousePressed");
  EXPECT_EQ(events[1]["button"], "left");
  EXPECT_EQ(events[1]["buttons"], 1);
  EXPECT_EQ(events[1]["clickCount"], 1);
  EXPECT_EQ(events[1]["modifiers"], 2);
  EXPECT_EQ(events[2]["type"], "mouseReleased");
  EXPECT_EQ(events[2]["buttons"], 0);
  EXPECT_EQ(events[3]["clickCount"], 2);
  EXPECT_EQ(events[4]["button"], "right");
  EXPECT_EQ(events[4]["x"], -3);
  EXPECT_EQ(events[5]["type"], "mouseWheel");
  EXPECT_EQ(events[5]["x"], 30);
  EXPECT_EQ(events[5]["y"], 40);
  // Two notches towards the user scroll down by two times 100 pixels.
  EXPECT_EQ(events[5]["deltaY"], 200.0);
  EXPECT_EQ(events[5]["deltaX"], 0.0);
  EXPECT_EQ(events[6]["deltaX"], 100.0);
  EXPECT_EQ(events[6]["deltaY"], 0.0);
  // The press took the focus and the capture.
  EXPECT_EQ(::GetCapture(), fixture.view->window());
  ::ReleaseCapture();
}

TEST(RemoteInput, KeysCharactersAndCompositionReachTheBrowser) {
  ViewFixture fixture;
  ASSERT_TRUE(fixture.view);
  fixture.Send(WM_KEYDOWN, VK_RETURN, 1 | (1 << 24));
  fixture.Send(WM_CHAR, L'\u00e9', 1);
  fixture.Send(WM_CHAR, 0xD83D, 1);
  fixture.Send(WM_CHAR, 0xDE00, 1);
  fixture.Send(WM_SYSKEYDOWN, VK_F4, 1 << 29);
  fixture.Send(WM_KEYUP, 'A', 0xC0000001);
  const auto& keys = fixture.delegate.keys;
  ASSERT_EQ(keys.size(), 4u);
  EXPECT_EQ(keys[0].type, KEYEVENT_RAWKEYDOWN);
  EXPECT_EQ(keys[0].windows_key_code, VK_RETURN);
  EXPECT_TRUE(keys[0].modifiers & EVENTFLAG_IS_KEY_PAD);
  EXPECT_EQ(keys[1].type, KEYEVENT_CHAR);
  EXPECT_EQ(keys[1].character, L'\u00e9');
  EXPECT_TRUE(keys[2].is_system_key);
  EXPECT_EQ(keys[3].type, KEYEVENT_KEYUP);
  // The pair that makes one character arrives as that character.
  ASSERT_EQ(fixture.delegate.commits.size(), 1u);
  EXPECT_EQ(fixture.delegate.commits[0], L"\U0001F600");

  // An input method's composition reaches the page as it is composed. (Wine's
  // own input method composes but never finishes: the result and the end of a
  // composition come only from a real one.)
  HIMC context = ::ImmGetContext(fixture.view->window());
  if (!context) GTEST_SKIP() << "no input method context here";
  std::wstring draft = L"\u4f60\u597d";
  bool composed = ::ImmSetCompositionStringW(context, SCS_SETSTR, draft.data(),
                                             static_cast<DWORD>(draft.size() * sizeof(wchar_t)), nullptr, 0);
  if (composed) {
    PumpFor(50);
  }
  ::ImmReleaseContext(fixture.view->window(), context);
  if (fixture.delegate.compositions.empty()) GTEST_SKIP() << "this input method sends no compositions";
  EXPECT_EQ(fixture.delegate.compositions.front(), draft + L"|2");
}

TEST(RemoteInput, EngineKeyEventsMapOntoTheProtocolsKeys) {
  CefKeyEvent down;
  down.type = KEYEVENT_RAWKEYDOWN;
  down.windows_key_code = 'A';
  down.modifiers = EVENTFLAG_SHIFT_DOWN;
  Json event = remote::KeyEvent(down);
  EXPECT_EQ(event["type"], "rawKeyDown");
  EXPECT_EQ(event["key"], "A");
  EXPECT_EQ(event["code"], "KeyA");
  EXPECT_EQ(event["modifiers"], 8);
  EXPECT_EQ(event["windowsVirtualKeyCode"], 'A');

  down.modifiers = EVENTFLAG_CAPS_LOCK_ON | EVENTFLAG_SHIFT_DOWN;
  EXPECT_EQ(remote::KeyEvent(down)["key"], "a");
  down.windows_key_code = VK_LEFT;
  down.modifiers = EVENTFLAG_CONTROL_DOWN | EVENTFLAG_ALT_DOWN;
  event = remote::KeyEvent(down);
  EXPECT_EQ(event["key"], "ArrowLeft");
  EXPECT_EQ(event["modifiers"], 3);
  down.windows_key_code = VK_CONTROL;
  down.modifiers = EVENTFLAG_IS_RIGHT;
  event = remote::KeyEvent(down);
  EXPECT_EQ(event["code"], "ControlRight");
  EXPECT_EQ(event["location"], 2);
  down.windows_key_code = VK_OEM_2;
  down.modifiers = EVENTFLAG_SHIFT_DOWN;
  EXPECT_EQ(remote::KeyEvent(down)["key"], "?");

  // Characters carry their text; control characters type nothing.
  CefKeyEvent character;
  character.type = KEYEVENT_CHAR;
  character.windows_key_code = 0x4F60;
  event = remote::KeyEvent(character);
  EXPECT_EQ(event["type"], "char");
  EXPECT_EQ(event["text"], "\xE4\xBD\xA0");
  character.windows_key_code = 8;
  EXPECT_TRUE(remote::CharacterText(character).empty());
  character.windows_key_code = L'\r';
  EXPECT_EQ(remote::CharacterText(character), L"\r");

  CefKeyEvent up;
  up.type = KEYEVENT_KEYUP;
  up.windows_key_code = VK_NUMPAD5;
  up.modifiers = EVENTFLAG_IS_KEY_PAD;
  event = remote::KeyEvent(up);
  EXPECT_EQ(event["type"], "keyUp");
  EXPECT_EQ(event["code"], "Numpad5");
  EXPECT_EQ(event["isKeypad"], true);

  EXPECT_EQ(remote::SystemCursorFor("pointer"), IDC_HAND);
  EXPECT_EQ(remote::SystemCursorFor("url(x.cur), text"), IDC_IBEAM);
  EXPECT_EQ(remote::SystemCursorFor("nonsense"), IDC_ARROW);
}

}  // namespace
