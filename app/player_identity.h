#pragma once

#include <string>

namespace tarnwell {

// Who plays, as the portal knows them: read from config.ini beside the
// program, never written.
struct PlayerIdentity {
  std::wstring user_id;    // "uid"
  std::wstring file_name;  // "filename", sent to the portal as "suid"
};

// config.ini in the program's own folder.
std::wstring ConfigFilePath();

// Section "trnw" of |path|. A missing file, section or key gives empty
// values; a value is cut to the 259 characters of the platform's buffer.
PlayerIdentity ReadPlayerIdentity(const std::wstring& path);

}  // namespace tarnwell
