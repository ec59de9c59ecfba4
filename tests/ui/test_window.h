#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "tests/support/test_support.h"
#include "ui/core/control.h"
#include "ui/core/window_impl_base.h"

namespace ui {
namespace test {

// A real frame window over a layout given as XML text, for tests that send
// real messages. Element names the builder does not know go to |factory|.
// Without a shadow and not layered, so the render surface is the picture.
class TestWindow : public WindowImplBase {
 public:
  using Factory = std::function<Control*(const std::wstring& element_name)>;

  // Creates, shows and lays the window out; null when the layout fails.
  // The window deletes itself when closed or destroyed.
  static TestWindow* Open(const std::wstring& xml, Factory factory = Factory(), bool layered = false) {
    auto* window = new TestWindow(xml, std::move(factory));
    std::shared_ptr<bool> alive = window->alive_;
    HWND hwnd = window->Create(nullptr, L"test window", WS_OVERLAPPEDWINDOW, 0, layered);
    if (!hwnd) return nullptr;
    ::SetWindowPos(hwnd, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE);
    window->ShowWindow(true, true);
    test_support::PumpUntil([window] { return window->GetRoot() && !window->GetRoot()->GetPos().IsEmpty(); }, 5000);
    window->PaintNow();
    return *alive ? window : nullptr;
  }

  // Destroys the native window, which deletes the object.
  static void Destroy(TestWindow* window) {
    if (window && window->GetHWND()) ::DestroyWindow(window->GetHWND());
  }

  std::wstring GetWindowClassName() const override { return L"TarnwellControlsTestWindow"; }
  std::wstring GetSkinFolder() override { return std::wstring(); }
  std::wstring GetSkinFile() override { return xml_; }
  Control* CreateControl(const std::wstring& element_name) override {
    return factory_ ? factory_(element_name) : nullptr;
  }
  void OnInitLayout() override {}  // no fade-in: tests look at the surface at once

  // Real messages, in client coordinates.
  LRESULT Send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    return ::SendMessageW(GetHWND(), message, wparam, lparam);
  }
  void MouseMove(Point point) { Send(WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y)); }
  void ButtonDown(Point point) { Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y)); }
  void ButtonUp(Point point) { Send(WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y)); }
  void Click(Point point) {
    ButtonDown(point);
    ButtonUp(point);
  }
  // The wheel message carries screen coordinates.
  void Wheel(Point point, int delta) {
    POINT screen = {point.x, point.y};
    ::ClientToScreen(GetHWND(), &screen);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))), MAKELPARAM(screen.x, screen.y));
  }
  void KeyDown(WPARAM key) { Send(WM_KEYDOWN, key, 1); }
  void KeyUp(WPARAM key) { Send(WM_KEYUP, key, 0xC0000001); }
  void Char(wchar_t character) { Send(WM_CHAR, character, 1); }

  // Where the middle of |control| is in the window, scrolled boxes around
  // it taken into account.
  static Point Center(Control* control) {
    const Rect rect = control->GetPos();
    const Point offset = control->GetScrollOffsetInScrollBox();
    return Point((rect.left + rect.right) / 2 - offset.x, (rect.top + rect.bottom) / 2 - offset.y);
  }

 private:
  TestWindow(std::wstring xml, Factory factory)
      : xml_(std::move(xml)), factory_(std::move(factory)), alive_(std::make_shared<bool>(true)) {}
  ~TestWindow() override { *alive_ = false; }

  std::wstring xml_;
  Factory factory_;
  std::shared_ptr<bool> alive_;
};

// Holds the keyboard state the platform reports for modifier keys while a
// test sends key messages that the system did not generate.
class ScopedKeyState {
 public:
  ScopedKeyState(std::initializer_list<int> keys) {
    ::GetKeyboardState(saved_);
    BYTE state[256];
    ::GetKeyboardState(state);
    for (int key : keys) state[key] |= 0x80;
    ::SetKeyboardState(state);
  }
  ~ScopedKeyState() { ::SetKeyboardState(saved_); }
  ScopedKeyState(const ScopedKeyState&) = delete;
  ScopedKeyState& operator=(const ScopedKeyState&) = delete;

 private:
  BYTE saved_[256] = {};
};

}  // namespace test
}  // namespace ui
