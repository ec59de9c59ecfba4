#pragma once

#include <atomic>
#include <memory>

#include "base/thread.h"
#include "base/unique_handle.h"
#include "engine/remote/browser_process.h"

namespace remote {

// A Windows browser inside a job object that kills every process in it when
// its last handle closes: ours, which the system closes however we end.
class JobBrowserProcess : public BrowserProcess {
 public:
  static std::unique_ptr<BrowserProcess> Launch(const std::wstring& program, const std::vector<std::wstring>& arguments,
                                                ExitHandler on_exit, std::wstring* error);
  ~JobBrowserProcess() override;

  bool HasExited() override;
  bool WaitForExit(DWORD timeout_ms) override;
  void Kill() override;
  unsigned long process_id() override { return process_id_; }

 private:
  class Watcher : public qbase::Thread {
   public:
    explicit Watcher(JobBrowserProcess* owner) : owner_(owner) {}
    ~Watcher() override { Join(); }

   protected:
    void Run() override;

   private:
    JobBrowserProcess* owner_;
  };

  JobBrowserProcess() = default;

  qbase::UniqueKernelHandle job_;
  qbase::UniqueKernelHandle process_;
  qbase::UniqueKernelHandle stop_;
  unsigned long process_id_ = 0;
  ExitHandler on_exit_;
  std::unique_ptr<Watcher> watcher_;
};

}  // namespace remote
