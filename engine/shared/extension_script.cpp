#include "engine/shared/extension_script.h"

namespace engine {

namespace {

bool IsNameChar(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' || c == L'$';
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

}  // namespace

std::vector<NativeDeclaration> FindNativeDeclarations(const std::wstring& code) {
  static const std::wstring kKeyword = L"native function";
  std::vector<NativeDeclaration> found;
  size_t position = 0;
  while ((position = code.find(kKeyword, position)) != std::wstring::npos) {
    size_t start = position + kKeyword.size();
    size_t name_start = start;
    while (name_start < code.size() && (code[name_start] == L' ' || code[name_start] == L'\t')) ++name_start;
    size_t name_end = name_start;
    while (name_end < code.size() && IsNameChar(code[name_end])) ++name_end;
    size_t open = name_end;
    while (open < code.size() && IsBlank(code[open])) ++open;
    size_t close = open < code.size() && code[open] == L'(' ? code.find(L')', open) : std::wstring::npos;
    if (name_start == start || name_end == name_start || close == std::wstring::npos) {
      position = start;
      continue;
    }
    size_t end = close + 1;
    size_t after = end;
    while (after < code.size() && IsBlank(code[after])) ++after;
    if (after < code.size() && code[after] == L';') end = after + 1;
    found.push_back(NativeDeclaration{code.substr(name_start, name_end - name_start), position, end});
    position = end;
  }
  return found;
}

}  // namespace engine
