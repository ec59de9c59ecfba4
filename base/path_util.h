#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qbase {

// The directory part of a path: up to and including the last "\" or "/".
// Empty when the path has no separator.
std::wstring DirectoryOf(const std::wstring& path);

// The components between "\" and "/" separators; empty components (from
// doubled or trailing separators) are left out.
std::vector<std::wstring> SplitPath(const std::wstring& path);

// Joins two pieces with exactly one separator between them.
std::wstring JoinPath(const std::wstring& first, const std::wstring& second);

// Creates the directory and every missing parent. True when every level now
// exists as a directory; a file standing in the way fails.
bool CreateDirectories(const std::wstring& path);

// The module (executable or library) that contains this code: the instance
// to register window classes with.
HMODULE CurrentModule();

// The folder of the executable that contains this code, ending in a
// separator; every file the program reads is found relative to it.
std::wstring ModuleDirectory();

}  // namespace qbase
