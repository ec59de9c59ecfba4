#pragma once

#include <winsock2.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "base/thread.h"
#include "base/unique_handle.h"
#include "engine/remote/browser_process.h"

namespace remote {

struct SocketTraits {
  using Type = SOCKET;
  static Type Invalid() { return INVALID_SOCKET; }
  static void Close(Type handle) { ::closesocket(handle); }
};
using UniqueSocket = qbase::UniqueHandle<SocketTraits>;

// A Linux browser started from Wine. Wine cannot tell when a Linux child
// ends, nor end it with us, so a launcher script stands between: its input
// and output are one end of a loopback connection whose other end only this
// process holds. The launcher reports the browser's start and end over it,
// and ends the browser's whole process group when the connection closes,
// which the system does however this process ends.
class WineBrowserProcess : public BrowserProcess {
 public:
  static std::unique_ptr<BrowserProcess> Launch(const std::wstring& program, const std::vector<std::wstring>& arguments,
                                                const std::wstring& log_file, ExitHandler on_exit,
                                                std::wstring* error);
  ~WineBrowserProcess() override;

  bool HasExited() override;
  bool WaitForExit(DWORD timeout_ms) override;
  void Kill() override;
  unsigned long process_id() override { return unix_process_id_; }

  // The launcher's script; public for the tests that read it.
  static const wchar_t kLauncherScript[];

 private:
  class Watcher : public qbase::Thread {
   public:
    explicit Watcher(WineBrowserProcess* owner) : owner_(owner) {}
    ~Watcher() override { Join(); }

   protected:
    void Run() override { owner_->Watch(); }

   private:
    WineBrowserProcess* owner_;
  };

  WineBrowserProcess();
  void Watch();
  void HandleLine(const std::string& line);
  void Exited(int code);

  bool winsock_started_ = false;
  UniqueSocket connection_;
  qbase::UniqueKernelHandle exited_event_;
  std::atomic<unsigned long> unix_process_id_{0};
  std::atomic<bool> exited_{false};
  std::mutex send_lock_;
  ExitHandler on_exit_;
  std::unique_ptr<Watcher> watcher_;
};

}  // namespace remote
