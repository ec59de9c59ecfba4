#include "engine/remote/wine_paths.h"

#include <windows.h>

namespace remote {

namespace {

using ToUnix = char*(__cdecl*)(const wchar_t*);
using FromUnix = wchar_t*(__cdecl*)(const char*);

void* WineExport(const wchar_t* module, const char* name) {
  HMODULE handle = ::GetModuleHandleW(module);
  return handle ? reinterpret_cast<void*>(::GetProcAddress(handle, name)) : nullptr;
}

}  // namespace

bool RunsOnWine() {
  static const bool wine = WineExport(L"ntdll.dll", "wine_get_version") != nullptr;
  return wine;
}

std::string ToUnixPath(const std::wstring& path) {
  if (path.empty()) return std::string();
  auto convert = reinterpret_cast<ToUnix>(WineExport(L"kernel32.dll", "wine_get_unix_file_name"));
  if (!convert) return std::string();
  char* unix_path = convert(path.c_str());
  if (!unix_path) return std::string();
  std::string result(unix_path);
  ::HeapFree(::GetProcessHeap(), 0, unix_path);
  return result;
}

std::wstring FromUnixPath(const std::string& path) {
  if (path.empty()) return std::wstring();
  auto convert = reinterpret_cast<FromUnix>(WineExport(L"kernel32.dll", "wine_get_dos_file_name"));
  if (!convert) return std::wstring();
  wchar_t* dos_path = convert(path.c_str());
  if (!dos_path) return std::wstring();
  std::wstring result(dos_path);
  ::HeapFree(::GetProcessHeap(), 0, dos_path);
  return result;
}

}  // namespace remote
