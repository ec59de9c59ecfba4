#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Lays out the program as it ships and runs it in a child process that the
// tests watch from outside.
namespace app_test {

// The repository's resources folder, without a trailing separator.
std::wstring ResourcesFolder();

// A fresh <temp>\app_tests\<name>\ holding tarnwell.exe, resources\,
// config.ini and an empty cef\ folder. Empty on failure.
std::wstring LayOutProgram(const std::wstring& name, bool with_engine_folder = true);

bool WriteBytes(const std::wstring& path, const std::string& bytes);

// A started program; one still running when this goes is terminated.
class ChildProgram {
 public:
  ChildProgram() = default;
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;
  ~ChildProgram();

  // Runs <folder>tarnwell.exe with the folder as its current directory.
  bool Start(const std::wstring& folder);
  // The exit code, or -1 when it has not ended within the time.
  long WaitForExit(DWORD timeout_ms);
  DWORD id() const { return info_.dwProcessId; }

  // A visible top-level window of this process with that class, waiting
  // for it up to the time-out; null when none appeared.
  HWND WaitForWindow(const std::wstring& class_name, DWORD timeout_ms);
  // A top-level window of this process with that class, shown or not.
  HWND WaitForWindowOfClass(const std::wstring& class_name, DWORD timeout_ms);
  // A top-level window of this process with that title (message boxes).
  HWND WaitForTitledWindow(const std::wstring& title, DWORD timeout_ms);

 private:
  PROCESS_INFORMATION info_ = {};
};

// The texts of a dialog's child windows (a message box's text is one).
std::vector<std::wstring> ChildTexts(HWND dialog);

// A left click at a client position, as the mouse would deliver it.
void ClickAt(HWND window, int x, int y);

}  // namespace app_test
