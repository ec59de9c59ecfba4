#pragma once

#include "base/observer_list.h"
#include "base/unique_handle.h"
#include "base/win_message_pump.h"

namespace qbase {

// The UI thread's pump: runs the thread's window messages between tasks.
// Wake-ups are a message posted to a hidden message-only window; delayed
// work is a window timer on that window. A wake-up is posted only while the
// loop sleeps, dispatches a window message (whose procedure may loop on its
// own) or a platform modal loop runs inside one of its tasks: an awake loop
// looks at its queue again before it sleeps, and posting a window message
// costs far more than queueing a task.
class WinUIMessagePump : public WinMessagePump {
 public:
  class UIObserver {
   public:
    virtual ~UIObserver() = default;
    virtual void BeforeMessage(const MSG& message) = 0;
    virtual void AfterMessage(const MSG& message) = 0;
  };

  static constexpr UINT kWakeUpMessage = 0x0401;
  static constexpr const wchar_t* kWindowClassName = L"OrvaskMessagePumpWindow";
  static constexpr UINT kMinimumTimerDelayMs = 10;
  static constexpr int kMessageFilterCode = 0x5001;
  static constexpr int kTasksBetweenClockReads = 16;
  static constexpr int kSpinBeforeSleepUs = 50;
  static constexpr int kSpinWithinBurstUs = 2;

  WinUIMessagePump();
  ~WinUIMessagePump() override;

  void WakeForWork() override;
  void WakeAt(int64_t run_time) override;

  void AddObserver(UIObserver* observer) { observers_.AddObserver(observer); }
  void RemoveObserver(UIObserver* observer) { observers_.RemoveObserver(observer); }

  HWND message_window() const { return message_window_.get(); }

  // The window timer's period for a delay in milliseconds (-1: none):
  // never shorter than 10 ms, never the "infinite" value.
  static UINT TimerDelay(int64_t delay_ms);

 protected:
  void DoRunLoop() override;
  virtual void BeforeMessage(const MSG& message);
  virtual void AfterMessage(const MSG& message);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept;
  void HandleWakeUpMessage();
  void HandleTimerMessage();

  void RunUntilQuit();
  // True when tasks came in within that many microseconds.
  bool SpinForIncomingWork(int microseconds);
  void KillDelayedWorkTimer();
  bool RunImmediateWorkBurst();
  bool ProcessNextWindowsMessage();
  bool ProcessMessage(const MSG& message);
  bool ProcessReplacementMessage(bool own_loop);
  // Called for every message of a platform modal loop (dialog, menu,
  // move/size) that runs inside one of our tasks.
  static LRESULT CALLBACK MessageFilterHook(int code, WPARAM wparam, LPARAM lparam) noexcept;
  void OnForeignLoopMessage();
  void WaitForWork();
  UINT_PTR timer_id() const { return reinterpret_cast<UINT_PTR>(this); }

  UniqueWindow message_window_;
  bool timer_set_ = false;
  HHOOK message_filter_hook_ = nullptr;
  ObserverList<UIObserver> observers_;
};

}  // namespace qbase
