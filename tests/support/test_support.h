#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Helpers that the test executables share.
namespace test_support {

// Pumps this thread's messages until the condition holds or the time is up;
// windows of this thread may be parents of other threads' windows. Between
// messages the condition is checked at least every poll_ms.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeout_ms = 10000, DWORD poll_ms = 10);

// An empty folder <temp>\<suite>\<name>\, emptied of what an earlier run left.
std::wstring TempFolder(const std::wstring& suite, const std::wstring& name);
void RemoveTree(const std::wstring& path);
// Copies a folder with everything below it; false when anything failed.
bool CopyTree(const std::wstring& from, const std::wstring& to);
bool IsDirectory(const std::wstring& path);
bool FileExists(const std::wstring& path);
// A file's bytes, read while others may still write it; empty when it
// cannot be opened.
std::string ReadText(const std::wstring& path);

}  // namespace test_support
