#pragma once

#include "base/observer_list.h"
#include "base/unique_handle.h"
#include "base/win_message_pump.h"

namespace qbase {

// The UI thread's pump: runs the thread's window messages between tasks.
// A loop asleep in its own wait is woken by an event, after which its tasks
// run at once; whenever another loop may pump the thread's messages (a
// window message being dispatched, whose procedure may loop on its own, a
// platform modal loop inside one of its tasks, or no run at all) the
// wake-up is a message posted to a hidden message-only window instead.
// Delayed work is a window timer on that window. An awake loop needs no
// wake-up: it looks at its queue again before it sleeps, and waking costs
// far more than queueing a task.
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
  static constexpr int kMinTasksBetweenClockReads = 16;
  static constexpr int kMaxTasksBetweenClockReads = 512;
  static constexpr int kSpinBeforeSleepUs = 50;
  static constexpr int kSpinWithinBurstUs = 2;
  static constexpr int kGatherWithinBurstUs = 3;
  // A take of this many tasks or more: the poster outruns the loop.
  static constexpr int kStreamBatch = 16;
  static constexpr int kPauseWithinStreamUs = 20;
  // A pause that took longer is not taken again: a spin stands in.
  static constexpr int kPauseOverrunMs = 2;

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
  // Spins for that many microseconds, or until tasks come in; true when
  // they did.
  bool Spin(int microseconds, bool until_incoming_work);
  // Gives the processor away for about that long.
  void PauseThread(int microseconds);
  void KillDelayedWorkTimer();
  bool RunImmediateWorkBurst();
  bool ProcessNextWindowsMessage();
  bool ProcessMessage(const MSG& message);
  bool ProcessReplacementMessage(bool own_loop);
  // Called for every message of a platform modal loop (dialog, menu,
  // move/size) that runs inside one of our tasks.
  static LRESULT CALLBACK MessageFilterHook(int code, WPARAM wparam, LPARAM lparam) noexcept;
  void OnForeignLoopMessage();
  // True when a post woke it, rather than a message or the timer.
  bool WaitForWork();
  UINT_PTR timer_id() const { return reinterpret_cast<UINT_PTR>(this); }

  UniqueWindow message_window_;
  UniqueKernelHandle wake_event_;
  bool timer_set_ = false;
  bool pauses_overrun_ = false;
  HHOOK message_filter_hook_ = nullptr;
  ObserverList<UIObserver> observers_;
};

}  // namespace qbase
