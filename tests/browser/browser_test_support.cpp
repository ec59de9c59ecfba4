#include "browser_test_support.h"

namespace browser_test {

std::optional<std::wstring> ReadEnvironment(const wchar_t* name) {
  ::SetLastError(ERROR_SUCCESS);
  DWORD length = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (length == 0) {
    if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::wstring();
  }
  std::vector<wchar_t> buffer(length + 1, L'\0');
  length = ::GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
  return std::wstring(buffer.data(), length);
}

void RecordingClient::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  std::lock_guard<std::mutex> guard(lock);
  browsers.push_back(browser);
}

void RecordingClient::OnBeforeClose(CefRefPtr<CefBrowser>) {
  std::lock_guard<std::mutex> guard(lock);
  ++closed;
}

void RecordingClient::OnLoadEnd(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, int) {
  std::lock_guard<std::mutex> guard(lock);
  ++loads;
}

bool RecordingClient::OnProcessMessageReceived(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefProcessId,
                                               CefRefPtr<CefProcessMessage> message) {
  std::lock_guard<std::mutex> guard(lock);
  messages.emplace_back(message->GetName().ToWString(), message->GetArgumentList()->GetBool(0));
  return true;
}

}  // namespace browser_test
