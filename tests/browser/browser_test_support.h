#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "include/cef_client.h"
#include "tests/support/test_support.h"

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

}  // namespace browser_test
