#include "app/game_title.h"

#include <windows.h>

namespace tarnwell {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The low byte of every UTF-16 unit, as the address carries ANSI bytes.
std::string LowBytes(const std::wstring& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (wchar_t c : text) bytes.push_back(static_cast<char>(c & 0xFF));
  return bytes;
}

std::wstring FromAnsi(const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  const int length = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], length);
  return text;
}

std::wstring DecodeField(const std::wstring& field) { return FromAnsi(PercentDecode(LowBytes(field))); }

}  // namespace

std::string PercentDecode(const std::string& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    // Both digits must be there: a "%" at the end of a field stays.
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        bytes.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    bytes.push_back(text[i]);
  }
  return bytes;
}

std::wstring GameTitleFromAddress(const std::wstring& address) {
  const size_t bar = address.find(L'|');
  if (bar == std::wstring::npos) return L"Tarnwell";
  const std::wstring remainder = address.substr(bar + 1);
  const size_t second_bar = remainder.find(L'|');
  const std::wstring first = second_bar == std::wstring::npos ? remainder : remainder.substr(0, second_bar);
  const std::wstring second = second_bar == std::wstring::npos ? remainder : remainder.substr(second_bar + 1);
  return DecodeField(first) + L"-" + DecodeField(second);
}

}  // namespace tarnwell
