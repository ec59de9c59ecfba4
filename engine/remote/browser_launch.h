#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/remote/browser_process.h"

namespace remote {

// Starts the browser program the way this platform ties its life to ours:
// a Linux path under Wine's launcher, anything else inside a job. Null with
// the reason when the program cannot be started. |log_file| takes a Linux
// program's output.
std::unique_ptr<BrowserProcess> LaunchBrowser(const std::wstring& program, const std::vector<std::wstring>& arguments,
                                              const std::wstring& log_file, BrowserProcess::ExitHandler on_exit,
                                              std::wstring* error);

// Whether |program| names a file that could be started here.
bool BrowserProgramExists(const std::wstring& program);

}  // namespace remote
