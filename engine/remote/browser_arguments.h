#pragma once

#include <string>
#include <utility>
#include <vector>

namespace remote {

// What the browser program is started with.
struct BrowserArgumentInputs {
  // Switches of the browser process as the application left them.
  std::vector<std::pair<std::wstring, std::wstring>> client_switches;
  // Paths as the browser program sees them (Linux paths for a Linux one).
  std::wstring user_data_dir;
  std::wstring log_file;
  bool windows_program = true;
  bool no_sandbox = false;
  std::wstring locale;
  std::wstring user_agent;
  // engine.ini's "arguments", as they stand.
  std::wstring extra_arguments;
};

// Headless with remote debugging on a free loopback port, nothing of its own
// running in the background, the application's switches mapped onto the
// browser's own where it has them, and the extra arguments last so that
// they win.
std::vector<std::wstring> BrowserArguments(const BrowserArgumentInputs& inputs);

// The browser's switch for one of the application's, or empty when it has
// none (those are left out).
std::wstring BrowserSwitchFor(const std::wstring& name, const std::wstring& value);

}  // namespace remote
