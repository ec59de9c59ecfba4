#pragma once

#include "base/observer_list.h"
#include "base/unique_handle.h"
#include "base/win_message_pump.h"

namespace qbase {

// A pump over an I/O completion port: waits for completions of overlapped
// I/O on registered handles, and for posted tasks.
class WinIOMessagePump : public WinMessagePump {
 public:
  class IOHandler;

  // The overlapped record must come first: the port hands back its address.
  struct IOContext {
    OVERLAPPED overlapped = {};
    IOHandler* handler = nullptr;
  };

  class IOHandler {
   public:
    virtual ~IOHandler() = default;
    virtual void OnIOCompleted(IOContext* context, DWORD bytes_transferred, DWORD error) = 0;
  };

  class IOObserver {
   public:
    virtual ~IOObserver() = default;
    virtual void BeforeCompletion() = 0;
    virtual void AfterCompletion() = 0;
  };

  WinIOMessagePump();

  void WakeForWork() override;
  void WakeAt(int64_t run_time) override;

  // Completions of overlapped I/O on the handle are delivered to the
  // handler named in each operation's context.
  bool RegisterIOHandler(HANDLE file, IOHandler* handler);

  void AddObserver(IOObserver* observer) { observers_.AddObserver(observer); }
  void RemoveObserver(IOObserver* observer) { observers_.RemoveObserver(observer); }

 protected:
  void DoRunLoop() override;

 private:
  bool WaitForIOCompletion(DWORD timeout_ms);
  bool IsWakeUp(ULONG_PTR key, OVERLAPPED* overlapped) const;

  UniqueKernelHandle port_;
  ObserverList<IOObserver> observers_;
};

}  // namespace qbase
