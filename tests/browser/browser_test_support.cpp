#include "browser_test_support.h"

namespace browser_test {

bool PumpUntil(const std::function<bool()>& condition, DWORD timeout_ms) {
  ULONGLONG deadline = ::GetTickCount64() + timeout_ms;
  while (!condition()) {
    if (::GetTickCount64() > deadline) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  return true;
}

std::wstring TempFolder(const std::wstring& name) {
  wchar_t buffer[MAX_PATH] = {};
  DWORD length = ::GetTempPathW(MAX_PATH, buffer);
  std::wstring folder = std::wstring(buffer, length) + L"tarnwell_browser_tests\\" + name + L"\\";
  RemoveTree(folder);
  return folder;
}

void RemoveTree(const std::wstring& path) {
  std::wstring folder = path;
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  if (folder.empty()) return;
  DWORD attributes = ::GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    ::DeleteFileW(folder.c_str());
    return;
  }
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") RemoveTree(folder + L"\\" + name);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
  }
  ::RemoveDirectoryW(folder.c_str());
}

bool IsDirectory(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

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
