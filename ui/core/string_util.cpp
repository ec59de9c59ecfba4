#include "ui/core/string_util.h"

namespace ui {

namespace {

bool IsTrimmed(wchar_t c) { return c == 32 || c < 30; }

}  // namespace

std::wstring Trim(const std::wstring& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsTrimmed(text[begin])) ++begin;
  while (end > begin && IsTrimmed(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::vector<std::wstring> Split(const std::wstring& text, const std::wstring& delimiters) {
  std::vector<std::wstring> tokens;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t begin = text.find_first_not_of(delimiters, pos);
    if (begin == std::wstring::npos) break;
    size_t end = text.find_first_of(delimiters, begin);
    if (end == std::wstring::npos) end = text.size();
    tokens.push_back(text.substr(begin, end - begin));
    pos = end;
  }
  return tokens;
}

std::wstring ReplaceAll(const std::wstring& text, const std::wstring& from, const std::wstring& to) {
  if (from.empty()) return text;
  std::wstring result;
  result.reserve(text.size());
  size_t pos = 0;
  for (;;) {
    size_t found = text.find(from, pos);
    if (found == std::wstring::npos) break;
    result.append(text, pos, found - pos);
    result.append(to);
    pos = found + from.size();
  }
  result.append(text, pos, std::wstring::npos);
  return result;
}

std::wstring NormalizePath(const std::wstring& path) {
  std::wstring result = ReplaceAll(path, L"/", L"\\");
  return ReplaceAll(result, L"\\\\", L"\\");
}

}  // namespace ui
