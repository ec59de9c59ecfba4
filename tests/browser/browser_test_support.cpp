#include "browser_test_support.h"

#include <fstream>

#include "base/framework_thread.h"
#include "base/message_loop.h"
#include "base/path_util.h"
#include "base/string_conversions.h"
#include "base/thread_registry.h"
#include "browser/cef_control.h"
#include "browser/cef_manager.h"
#include "browser/cef_native_control.h"
#include "engine/in_process/page.h"
#include "tests/ui/render_support.h"
#include "ui/core/resource_manager.h"

namespace browser_test {

namespace {

void WriteText(const std::wstring& path, const std::string& text) {
  std::ofstream(std::string(path.begin(), path.end()), std::ios::binary) << text;
}

}  // namespace

EngineScope::EngineScope(const std::wstring& folder_name, bool off_screen, test_support::EngineKind kind) {
  test_support::UseEngine(kind);
  CefSettings settings;
  started_ = qiv_comp::CefManager::Instance()->Initialize(TempFolder(folder_name), settings, off_screen);
}

EngineScope::~EngineScope() {
  test_support::UseEngine(test_support::EngineKind::kInProcess);
  if (!started_) return;
  qiv_comp::CefManager::Instance()->Shutdown();
  // The closes the shutdown reported reach the UI thread's handlers.
  WaitFor([] { return qiv_comp::CefManager::Instance()->GetBrowserCount() <= 0; }, 5000);
  inproc::ClearPages();
}

TestSkin::TestSkin() {
  ui::test::EnsureGdiplus();
  const std::wstring root = TempFolder(L"skin");
  const std::wstring theme = root + L"theme\\";
  qbase::CreateDirectories(theme + L"browser");
  qbase::CreateDirectories(root + L"lang");
  WriteText(theme + L"global.xml", "<Global><TextColor name=\"frame\" value=\"#FF203040\"/></Global>");
  WriteText(root + L"lang\\gdstrings.ini", "");
  // The browser control sits 30 pixels right of and 20 below the client's
  // corner, 320 x 200, in a window without a shadow.
  WriteText(theme + L"browser\\browser.xml",
            "<Window size=\"400,260\" shadowattached=\"false\">"
            "<VBox bkcolor=\"frame\"><Control height=\"20\"/>"
            "<HBox><Control width=\"30\"/>"
            "<CefControl name=\"cef_control\" width=\"320\" height=\"200\"/></HBox></VBox></Window>");
  ui::ResourceManager::Startup(root, ui::ControlFactory(), L"theme", L"lang");
}

TestSkin::~TestSkin() { ui::ResourceManager::Shutdown(); }

ShippedSkin::ShippedSkin() {
  ui::test::EnsureGdiplus();
  ui::ResourceManager::Startup(qbase::UTF8ToUTF16(TARNWELL_RESOURCES_DIR) + L"\\", ui::ControlFactory(),
                               L"themes\\default", L"lang\\zh_CN");
}

ShippedSkin::~ShippedSkin() { ui::ResourceManager::Shutdown(); }

ui::Control* BrowserWindow::CreateControl(const std::wstring& element_name) {
  if (element_name != L"CefControl") return nullptr;
  if (factory_) return factory_();
  if (kind_ == Kind::kNative) return new qiv_comp::CefNativeControl();
  return new qiv_comp::CefControl();
}

HWND BrowserWindow::Open(int x, int y) {
  HWND hwnd = Create(nullptr, L"browser test", WS_OVERLAPPEDWINDOW, 0, false, ui::Rect());
  if (!hwnd) return nullptr;
  ::SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(true, false);
  return hwnd;
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
