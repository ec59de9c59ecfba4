#include "browser/web_origin.h"

#include <windows.h>

#include <winhttp.h>

#include <algorithm>
#include <cwctype>

namespace qiv_comp {

namespace {

// Longer addresses are refused outright rather than parsed.
constexpr size_t kMaxAddressLength = 8192;

struct WebAddress {
  INTERNET_SCHEME scheme = 0;
  std::wstring host;
  INTERNET_PORT port = 0;
};

bool ParseWebAddress(const std::wstring& url, WebAddress* address) {
  if (url.empty() || url.size() > kMaxAddressLength) return false;
  for (wchar_t c : url) {
    if (c <= L' ' || c == 0x7F) return false;
  }
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  // Only http and https parse: every other scheme is refused here.
  if (!::WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return false;
  if (!parts.lpszHostName || parts.dwHostNameLength == 0) return false;
  address->scheme = parts.nScheme;
  address->host.assign(parts.lpszHostName, parts.dwHostNameLength);
  std::transform(address->host.begin(), address->host.end(), address->host.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  address->port = parts.nPort;
  return true;
}

}  // namespace

bool IsWebAddress(const std::wstring& url) {
  WebAddress address;
  return ParseWebAddress(url, &address);
}

std::wstring WebOriginOf(const std::wstring& url) {
  WebAddress address;
  if (!ParseWebAddress(url, &address)) return std::wstring();
  const bool secure = address.scheme == INTERNET_SCHEME_HTTPS;
  std::wstring origin = (secure ? L"https://" : L"http://") + address.host;
  const INTERNET_PORT own_port = secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
  if (address.port != 0 && address.port != own_port) origin += L":" + std::to_wstring(address.port);
  return origin;
}

}  // namespace qiv_comp
