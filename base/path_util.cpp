#include "base/path_util.h"

#include <windows.h>

namespace qbase {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDirectory(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring DirectoryOf(const std::wstring& path) {
  size_t last = path.find_last_of(L"\\/");
  return last == std::wstring::npos ? std::wstring() : path.substr(0, last + 1);
}

std::vector<std::wstring> SplitPath(const std::wstring& path) {
  std::vector<std::wstring> parts;
  std::wstring current;
  for (wchar_t c : path) {
    if (IsSeparator(c)) {
      if (!current.empty()) parts.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) parts.push_back(std::move(current));
  return parts;
}

std::wstring JoinPath(const std::wstring& first, const std::wstring& second) {
  if (first.empty()) return second;
  if (second.empty()) return first;
  bool first_ends = IsSeparator(first.back());
  bool second_starts = IsSeparator(second.front());
  if (first_ends && second_starts) return first + second.substr(1);
  if (first_ends || second_starts) return first + second;
  return first + L"\\" + second;
}

bool CreateDirectories(const std::wstring& path) {
  if (path.empty()) return false;
  std::wstring trimmed = path;
  while (trimmed.size() > 1 && IsSeparator(trimmed.back())) trimmed.pop_back();
  if (IsDirectory(trimmed)) return true;
  if (::GetFileAttributesW(trimmed.c_str()) != INVALID_FILE_ATTRIBUTES) return false;  // a file

  std::wstring parent = DirectoryOf(trimmed);
  while (parent.size() > 1 && IsSeparator(parent.back())) parent.pop_back();
  // Stop at a drive ("C:") or a root; those exist or cannot be made.
  bool parent_is_root = parent.empty() || (parent.size() == 2 && parent[1] == L':');
  if (!parent_is_root && !CreateDirectories(parent)) return false;

  if (::CreateDirectoryW(trimmed.c_str(), nullptr)) return true;
  // Another process may have made it in between.
  return IsDirectory(trimmed);
}

HMODULE CurrentModule() {
  // The module that holds this very function, found from its address.
  MEMORY_BASIC_INFORMATION info = {};
  if (!::VirtualQuery(reinterpret_cast<const void*>(&CurrentModule), &info, sizeof(info))) return nullptr;
  return static_cast<HMODULE>(info.AllocationBase);
}

std::wstring ModuleDirectory() {
  HMODULE module = CurrentModule();
  if (!module) return std::wstring();
  wchar_t buffer[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameW(module, buffer, MAX_PATH);
  return DirectoryOf(std::wstring(buffer, length));
}

}  // namespace qbase
