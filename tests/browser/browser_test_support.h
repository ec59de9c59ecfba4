#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "include/cef_client.h"
#include "tests/support/engine_choice.h"
#include "tests/support/test_support.h"
#include "tests/support/ui_thread.h"
#include "ui/core/window_impl_base.h"

namespace browser_test {

using test_support::FileExists;
using test_support::IsDirectory;
using test_support::PumpUntil;
using test_support::RemoveTree;

inline std::wstring TempFolder(const std::wstring& name) {
  return test_support::TempFolder(L"tarnwell_browser_tests", name);
}
// The value of an environment variable, or nothing when it is not set.
std::optional<std::wstring> ReadEnvironment(const wchar_t* name);

// Puts an environment variable back as it was when the guard was made.
class EnvironmentGuard {
 public:
  explicit EnvironmentGuard(const wchar_t* name) : name_(name), saved_(ReadEnvironment(name)) {}
  ~EnvironmentGuard() { ::SetEnvironmentVariableW(name_.c_str(), saved_ ? saved_->c_str() : nullptr); }
  EnvironmentGuard(const EnvironmentGuard&) = delete;
  EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

 private:
  std::wstring name_;
  std::optional<std::wstring> saved_;
};

// Records the browsers it gets and the messages renderers send it.
class RecordingClient : public CefClient, public CefLifeSpanHandler, public CefLoadHandler {
 public:
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override;
  void OnLoadEnd(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, int) override;
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefProcessId source,
                                CefRefPtr<CefProcessMessage> message) override;

  std::mutex lock;
  std::vector<CefRefPtr<CefBrowser>> browsers;
  int closed = 0;
  int loads = 0;
  // Name and first boolean argument of each message.
  std::vector<std::pair<std::wstring, bool>> messages;

 private:
  IMPLEMENT_REFCOUNTING(RecordingClient);
};

using test_support::RunAsUiThread;
using test_support::WaitFor;

// The engine started as the program starts it, for the life of the scope;
// from inside RunAsUiThread. Shutting down waits for every browser's close
// to reach the UI thread.
class EngineScope {
 public:
  // |kind|: the engine to start; the real one only where its browser program
  // is installed. Later scopes start the in-process engine again.
  explicit EngineScope(const std::wstring& folder_name, bool off_screen = false,
                       test_support::EngineKind kind = test_support::EngineKind::kInProcess);
  ~EngineScope();
  bool started() const { return started_; }

 private:
  bool started_ = false;
};

// A test skin under a temp folder ("browser" holds its layouts), started
// as the program starts its own for as long as the scope lives.
class TestSkin {
 public:
  TestSkin();
  ~TestSkin();
};

// The skin the client ships, started as the program starts it.
class ShippedSkin {
 public:
  ShippedSkin();
  ~ShippedSkin();
};

// A frame window over a layout of the test skin whose "CefControl" elements
// become the browser control of the chosen kind. It deletes itself when its
// native window goes.
class BrowserWindow : public ui::WindowImplBase {
 public:
  enum class Kind { kNative, kOffScreen };
  using Factory = std::function<ui::Control*()>;
  BrowserWindow(Kind kind, std::wstring skin_file = L"browser.xml", Factory factory = Factory())
      : kind_(kind), skin_file_(std::move(skin_file)), factory_(std::move(factory)) {}

  std::wstring GetWindowClassName() const override { return L"TarnwellBrowserTestWindow"; }
  std::wstring GetSkinFolder() override { return L"browser"; }
  std::wstring GetSkinFile() override { return skin_file_; }
  ui::Control* CreateControl(const std::wstring& element_name) override;

  // Creates and shows it, non-layered as browser windows are; null on failure.
  HWND Open(int x = 40, int y = 40);

 private:
  Kind kind_;
  std::wstring skin_file_;
  Factory factory_;
};

}  // namespace browser_test
