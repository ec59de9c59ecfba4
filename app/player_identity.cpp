#include "app/player_identity.h"

#include <shlwapi.h>
#include <windows.h>

#include "base/path_util.h"

namespace tarnwell {

namespace {

// The buffer the identity has always been read with; longer values are cut.
constexpr DWORD kValueBufferLength = MAX_PATH;

std::wstring ReadValue(const std::wstring& path, const wchar_t* key) {
  wchar_t buffer[kValueBufferLength] = {};
  DWORD length = ::GetPrivateProfileStringW(L"trnw", key, L"", buffer, kValueBufferLength, path.c_str());
  return std::wstring(buffer, length);
}

}  // namespace

std::wstring ConfigFilePath() {
  std::wstring folder = qbase::ModuleDirectory();
  wchar_t combined[MAX_PATH] = {};
  // A folder too long to combine still names the file beside the program;
  // reading it then fails and the identity stays empty.
  if (!::PathCombineW(combined, folder.c_str(), L"config.ini")) return folder + L"config.ini";
  return combined;
}

PlayerIdentity ReadPlayerIdentity(const std::wstring& path) {
  PlayerIdentity identity;
  identity.user_id = ReadValue(path, L"uid");
  identity.file_name = ReadValue(path, L"filename");
  return identity;
}

}  // namespace tarnwell
