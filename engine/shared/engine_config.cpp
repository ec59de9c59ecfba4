#include "engine/shared/engine_config.h"

#include <windows.h>

#include <vector>

namespace engine {

namespace {

// The platform cuts a value at the buffer's end; read again with more room
// until it fits, however long the value is.
std::wstring ReadValue(const std::wstring& path, const wchar_t* key) {
  std::vector<wchar_t> buffer(1024);
  for (;;) {
    DWORD length = ::GetPrivateProfileStringW(L"engine", key, L"", buffer.data(), static_cast<DWORD>(buffer.size()),
                                              path.c_str());
    if (length + 1 < buffer.size() || buffer.size() >= (1u << 22)) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 4);
  }
}

std::wstring Trimmed(const std::wstring& text) {
  size_t first = text.find_first_not_of(L" \t\r\n");
  if (first == std::wstring::npos) return std::wstring();
  size_t last = text.find_last_not_of(L" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

EngineConfig EngineConfig::Read(const std::wstring& ini_path) {
  EngineConfig config;
  if (ini_path.empty() || ::GetFileAttributesW(ini_path.c_str()) == INVALID_FILE_ATTRIBUTES) return config;
  config.browser = Trimmed(ReadValue(ini_path, L"browser"));
  config.arguments = Trimmed(ReadValue(ini_path, L"arguments"));
  return config;
}

}  // namespace engine
