#include "app/system_browser.h"

#include <windows.h>

#include <shellapi.h>

#include "browser/web_origin.h"

namespace tarnwell {

void OpenWithShell(const std::wstring& url) {
  ::ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool OpenInSystemBrowser(const std::wstring& url, const ShellOpener& opener) {
  if (!opener || !qiv_comp::IsWebAddress(url)) return false;
  opener(url);
  return true;
}

}  // namespace tarnwell
