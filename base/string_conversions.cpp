#include "base/string_conversions.h"

#include <windows.h>

#include <climits>

namespace qbase {

namespace {

std::wstring MultiByteToWide(UINT code_page, DWORD flags, const std::string& text) {
  if (text.empty() || text.size() > INT_MAX) return std::wstring();
  int length = ::MultiByteToWideChar(code_page, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring result(static_cast<size_t>(length), L'\0');
  if (::MultiByteToWideChar(code_page, flags, text.data(), static_cast<int>(text.size()), &result[0], length) != length)
    return std::wstring();
  return result;
}

}  // namespace

std::string UTF16ToUTF8(const std::wstring& text) {
  if (text.empty() || text.size() > INT_MAX) return std::string();
  // Unpaired surrogates are refused instead of turned into replacement marks.
  const DWORD flags = WC_ERR_INVALID_CHARS;
  int length = ::WideCharToMultiByte(CP_UTF8, flags, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                     nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string result(static_cast<size_t>(length), '\0');
  if (::WideCharToMultiByte(CP_UTF8, flags, text.data(), static_cast<int>(text.size()), &result[0], length, nullptr,
                            nullptr) != length)
    return std::string();
  return result;
}

std::wstring UTF8ToUTF16(const std::string& text) { return MultiByteToWide(CP_UTF8, MB_ERR_INVALID_CHARS, text); }

std::wstring AnsiToUTF16(const std::string& text) { return MultiByteToWide(CP_ACP, 0, text); }

}  // namespace qbase
