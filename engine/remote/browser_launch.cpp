#include "engine/remote/browser_launch.h"

#include "base/string_conversions.h"
#include "engine/remote/job_browser_process.h"
#include "engine/remote/wine_browser_process.h"
#include "engine/remote/wine_paths.h"

namespace remote {

std::unique_ptr<BrowserProcess> LaunchBrowser(const std::wstring& program, const std::vector<std::wstring>& arguments,
                                              const std::wstring& log_file, BrowserProcess::ExitHandler on_exit,
                                              std::wstring* error) {
  // A Linux path names a Linux program: only Wine can start one, and only
  // its launcher can tie the program's life to ours.
  if (!program.empty() && program[0] == L'/') {
    if (!RunsOnWine()) {
      if (error) *error = L"a Linux program cannot run here: " + program;
      return nullptr;
    }
    return WineBrowserProcess::Launch(program, arguments, log_file, std::move(on_exit), error);
  }
  return JobBrowserProcess::Launch(program, arguments, std::move(on_exit), error);
}

bool BrowserProgramExists(const std::wstring& program) {
  if (program.empty()) return false;
  std::wstring path = program;
  if (program[0] == L'/') {
    if (!RunsOnWine()) return false;
    path = FromUnixPath(qbase::UTF16ToUTF8(program));
    if (path.empty()) return false;
  }
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace remote
