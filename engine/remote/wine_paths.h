#pragma once

#include <string>

namespace remote {

// Where the program runs on Wine, which can start Linux programs and maps
// the Linux file system to a drive. Windows has none of this.
bool RunsOnWine();
// A Linux path for a path of this program's; empty on Windows or when it has none.
std::string ToUnixPath(const std::wstring& path);
// This program's path for a Linux path; empty when it has none.
std::wstring FromUnixPath(const std::string& path);

}  // namespace remote
