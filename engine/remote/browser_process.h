#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace remote {

// The browser program this engine drives, started so that it never outlives
// the client: on Windows inside a job that kills it when the client's last
// handle goes, on Wine under a small Linux launcher that ends it when the
// client's end of their connection closes, however the client ends.
class BrowserProcess {
 public:
  // Called once, from a thread of the process's own, when the browser has
  // ended (or could not be watched any more).
  using ExitHandler = std::function<void(int exit_code)>;

  virtual ~BrowserProcess() = default;

  virtual bool HasExited() = 0;
  // True once the browser has ended, waiting at most the time given.
  virtual bool WaitForExit(DWORD timeout_ms) = 0;
  // Ends the browser and everything it started, now.
  virtual void Kill() = 0;
  // The operating system's number of the browser's main process, 0 if unknown.
  virtual unsigned long process_id() = 0;
};

}  // namespace remote
