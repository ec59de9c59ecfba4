#pragma once

#include <windows.h>

#include "browser/cef_control_base.h"
#include "browser_test_support.h"

namespace browser_test {

// A browser control in a window of the test skin, with its browser
// created; the window goes with the scope. From inside RunAsUiThread, with
// a TestSkin and an EngineScope alive.
class BrowserUnderTest {
 public:
  explicit BrowserUnderTest(BrowserWindow::Kind kind = BrowserWindow::Kind::kNative,
                            BrowserWindow::Factory factory = BrowserWindow::Factory(), int x = 40, int y = 40) {
    window_ = new BrowserWindow(kind, L"browser.xml", std::move(factory));
    hwnd_ = window_->Open(x, y);
    if (!hwnd_) return;
    control_ = dynamic_cast<qiv_comp::CefControlBase*>(window_->FindControl(L"cef_control"));
    if (control_) WaitFor([this] { return control_->GetBrowser() != nullptr; });
  }
  ~BrowserUnderTest() { Close(); }
  BrowserUnderTest(const BrowserUnderTest&) = delete;
  BrowserUnderTest& operator=(const BrowserUnderTest&) = delete;

  bool ready() const { return control_ && control_->GetBrowser(); }
  qiv_comp::CefControlBase* control() const { return control_; }
  BrowserWindow* window() const { return window_; }
  HWND hwnd() const { return hwnd_; }
  CefRefPtr<CefBrowser> browser() const { return control_ ? control_->GetBrowser() : nullptr; }
  // Destroys the window, and with it the control.
  void Close() {
    if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    control_ = nullptr;
    window_ = nullptr;
  }

 private:
  BrowserWindow* window_ = nullptr;
  HWND hwnd_ = nullptr;
  qiv_comp::CefControlBase* control_ = nullptr;
};

}  // namespace browser_test
