#include "ui/core/timer_service.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

#include "base/message_loop.h"
#include "base/time_ticks.h"
#include "base/weak_callback.h"

namespace {

// One tick per microsecond, moved by hand: polls see exactly the time the
// test says.
struct ManualClock {
  static constexpr int64_t kFrequency = 1000000;
  int64_t now = 5000000;
  void AdvanceMs(int64_t ms) { now += ms * 1000; }
  int64_t Ticks(int64_t ms) const { return ms * 1000; }
};

std::unique_ptr<ui::TimerService> MakeService(ManualClock& clock) {
  return std::make_unique<ui::TimerService>(ManualClock::kFrequency, [&clock] { return clock.now; });
}

// Runs a UI loop on this thread until |done| holds. The deadline only keeps
// a broken build from hanging the suite; no assertion depends on it.
bool RunUiLoopUntil(const std::function<void()>& setup, const std::function<bool()>& done) {
  qbase::UIMessageLoop loop;
  const int64_t deadline = qbase::TimeTicks::Now() + 20 * 1000 * 1000;
  bool finished = false;
  std::function<void()> check = [&] {
    if (done()) {
      finished = true;
      loop.QuitWhenIdle();
    } else if (qbase::TimeTicks::Now() > deadline) {
      loop.QuitWhenIdle();
    } else {
      loop.PostDelayedTask(check, 2000);
    }
  };
  loop.PostTask([&] {
    setup();
    check();
  });
  loop.Run();
  return finished;
}

TEST(TimerService, RepeatCountLimitsRuns) {
  ManualClock clock;
  auto service = MakeService(clock);
  qbase::WeakCallbackFlag owner;
  auto forever_owner = std::make_unique<qbase::WeakCallbackFlag>();
  int once = 0, zero = 0, three = 0, forever = 0, odd_negative = 0;
  ASSERT_TRUE(service->AddCancelableTimer(owner.GetWeakFlag(), [&] { ++once; }, 10, 1));
  ASSERT_TRUE(service->AddCancelableTimer(owner.GetWeakFlag(), [&] { ++zero; }, 10, 0));
  ASSERT_TRUE(service->AddCancelableTimer(owner.GetWeakFlag(), [&] { ++three; }, 10, 3));
  ASSERT_TRUE(service->AddCancelableTimer(forever_owner->GetWeakFlag(), [&] { ++forever; }, 10, -1));
  ASSERT_TRUE(service->AddCancelableTimer(owner.GetWeakFlag(), [&] { ++odd_negative; }, 10, -5));
  EXPECT_EQ(service->pending_count(), 5u);

  for (int i = 0; i < 8; ++i) {
    clock.AdvanceMs(10);
    service->Poll();
  }
  EXPECT_EQ(once, 1);
  EXPECT_EQ(zero, 1);
  EXPECT_EQ(three, 3);
  EXPECT_EQ(forever, 8);
  EXPECT_EQ(odd_negative, 1);
  EXPECT_EQ(service->pending_count(), 1u);
  EXPECT_TRUE(service->wake_up_running());

  // The endless one stops with its owner, and with the queue empty the
  // wake-up stops too.
  forever_owner.reset();
  clock.AdvanceMs(10);
  service->Poll();
  EXPECT_EQ(forever, 8);
  EXPECT_EQ(service->pending_count(), 0u);
  EXPECT_FALSE(service->wake_up_running());

  // Cancelling the flag works like the owner dying.
  int cancelled = 0;
  service->AddCancelableTimer(owner.GetWeakFlag(), [&] { ++cancelled; }, 10, -1);
  owner.Cancel();
  clock.AdvanceMs(10);
  service->Poll();
  EXPECT_EQ(cancelled, 0);
  EXPECT_EQ(service->pending_count(), 0u);
}

TEST(TimerService, OwnerDeathBeforeDueTimeDropsTimerWhenDue) {
  ManualClock clock;
  auto service = MakeService(clock);
  auto owner = std::make_unique<qbase::WeakCallbackFlag>();
  int runs = 0;
  service->AddCancelableTimer(owner->GetWeakFlag(), [&] { ++runs; }, 50, 1);
  owner.reset();

  clock.AdvanceMs(20);
  service->Poll();
  EXPECT_EQ(service->pending_count(), 1u);
  EXPECT_TRUE(service->wake_up_running());

  clock.AdvanceMs(30);
  service->Poll();
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(service->pending_count(), 0u);
  EXPECT_FALSE(service->wake_up_running());
}

TEST(TimerService, FarTimerSleepsUntilDueAndNearTimerWakesFastAgain) {
  ManualClock clock;
  auto service = MakeService(clock);
  qbase::WeakCallbackFlag owner;
  int far_runs = 0, near_runs = 0;
  service->AddCancelableTimer(owner.GetWeakFlag(), [&] { ++far_runs; }, 5000, 1);
  EXPECT_TRUE(service->fast_mode());
  EXPECT_EQ(service->wake_up_period_ms(), 16u);

  // The first fast wake-up finds the timer seconds away: one wake-up two
  // milliseconds after its due time instead.
  clock.AdvanceMs(16);
  service->Poll();
  EXPECT_FALSE(service->fast_mode());
  EXPECT_TRUE(service->wake_up_running());
  EXPECT_EQ(service->wake_up_period_ms(), 4984u + 2u);

  service->AddCancelableTimer(owner.GetWeakFlag(), [&] { ++near_runs; }, 100, 1);
  EXPECT_TRUE(service->fast_mode());
  EXPECT_EQ(service->wake_up_period_ms(), 16u);

  clock.AdvanceMs(100);
  service->Poll();
  EXPECT_EQ(near_runs, 1);
  EXPECT_EQ(far_runs, 0);
  EXPECT_FALSE(service->fast_mode());
  EXPECT_EQ(service->wake_up_period_ms(), 4884u + 2u);

  clock.AdvanceMs(4884 + 2);
  service->Poll();
  EXPECT_EQ(far_runs, 1);
  EXPECT_FALSE(service->wake_up_running());
}

TEST(TimerService, SlowWakeUpStartsAtOneSecond) {
  ManualClock clock;
  auto service = MakeService(clock);
  qbase::WeakCallbackFlag owner;
  service->AddCancelableTimer(owner.GetWeakFlag(), [] {}, 1016, 1);
  clock.AdvanceMs(16);
  service->Poll();
  EXPECT_FALSE(service->fast_mode());
  EXPECT_EQ(service->wake_up_period_ms(), 1002u);

  // Just under a second away: back to the fast period.
  clock.now += 1;
  service->Poll();
  EXPECT_TRUE(service->fast_mode());
  EXPECT_EQ(service->wake_up_period_ms(), 16u);
}

TEST(TimerService, VeryFarTimerStillGetsAWakeUp) {
  ManualClock clock;
  auto service = MakeService(clock);
  qbase::WeakCallbackFlag owner;
  int runs = 0;
  // Beyond the longest period the multimedia timer accepts.
  const int far_ms = 30 * 60 * 1000;
  service->AddCancelableTimer(owner.GetWeakFlag(), [&] { ++runs; }, far_ms, 1);
  clock.AdvanceMs(16);
  service->Poll();
  EXPECT_FALSE(service->fast_mode());
  EXPECT_TRUE(service->wake_up_running());
  EXPECT_GT(service->wake_up_period_ms(), 1000u);

  // An early wake-up only sleeps again.
  clock.AdvanceMs(service->wake_up_period_ms());
  service->Poll();
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(service->wake_up_running());
  clock.AdvanceMs(far_ms);
  service->Poll();
  EXPECT_EQ(runs, 1);
}

TEST(TimerService, RepeatIsCountedFromThePollThatRanIt) {
  ManualClock clock;
  auto service = MakeService(clock);
  qbase::WeakCallbackFlag owner;
  int runs = 0;
  const int64_t added_at = clock.now;
  service->AddCancelableTimer(owner.GetWeakFlag(), [&] { ++runs; }, 100, -1);
  EXPECT_EQ(service->next_due_time(), added_at + clock.Ticks(100));

  // Two and a half intervals late: one run, not three, and the next one
  // a full interval after this poll.
  clock.AdvanceMs(250);
  service->Poll();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(service->next_due_time(), clock.now + clock.Ticks(100));

  clock.AdvanceMs(99);
  service->Poll();
  EXPECT_EQ(runs, 1);
  clock.AdvanceMs(1);
  service->Poll();
  EXPECT_EQ(runs, 2);
}

TEST(TimerService, PollAlwaysEndsAndSurvivesBadCallbacks) {
  ManualClock clock;
  auto service = MakeService(clock);
  qbase::WeakCallbackFlag owner;
  int zero_runs = 0, negative_runs = 0, after_throw = 0, added_inside = 0;
  EXPECT_FALSE(service->AddCancelableTimer(owner.GetWeakFlag(), qbase::Closure(), 10, 1));
  // Without a minimum interval these would be due again within the same
  // poll, for ever.
  service->AddCancelableTimer(owner.GetWeakFlag(), [&] { ++zero_runs; }, 0, -1);
  service->AddCancelableTimer(owner.GetWeakFlag(), [&] { ++negative_runs; }, -20, -1);
  service->AddCancelableTimer(owner.GetWeakFlag(), [] { throw std::runtime_error("timer failed"); }, 0, 1);
  service->AddCancelableTimer(owner.GetWeakFlag(), [&] {
    ++after_throw;
    service->AddCancelableTimer(owner.GetWeakFlag(), [&] { ++added_inside; }, 0, 1);
  }, 0, 1);

  clock.AdvanceMs(1);
  service->Poll();
  EXPECT_EQ(zero_runs, 1);
  EXPECT_EQ(negative_runs, 1);
  EXPECT_EQ(after_throw, 1);
  // A timer added by a callback waits for the next poll.
  EXPECT_EQ(added_inside, 0);

  clock.AdvanceMs(1);
  service->Poll();
  EXPECT_EQ(zero_runs, 2);
  EXPECT_EQ(added_inside, 1);
}

TEST(TimerService, RealWakeUpsRunTimersOnTheUiLoop) {
  ui::TimerService service;
  qbase::WeakCallbackFlag owner;
  auto forever_owner = std::make_unique<qbase::WeakCallbackFlag>();
  auto dead_owner = std::make_unique<qbase::WeakCallbackFlag>();
  int once = 0, three = 0, forever = 0, dead = 0;
  DWORD ran_on = 0;

  bool finished = RunUiLoopUntil(
      [&] {
        service.AddCancelableTimer(owner.GetWeakFlag(), [&] {
          ++once;
          ran_on = ::GetCurrentThreadId();
        }, 5, 1);
        service.AddCancelableTimer(owner.GetWeakFlag(), [&] { ++three; }, 5, 3);
        service.AddCancelableTimer(forever_owner->GetWeakFlag(), [&] {
          if (++forever == 4) forever_owner.reset();
        }, 1, -1);
        service.AddCancelableTimer(dead_owner->GetWeakFlag(), [&] { ++dead; }, 30, 1);
        dead_owner.reset();
      },
      [&] { return service.pending_count() == 0; });

  ASSERT_TRUE(finished);
  EXPECT_EQ(once, 1);
  EXPECT_EQ(three, 3);
  EXPECT_EQ(forever, 4);
  EXPECT_EQ(dead, 0);
  EXPECT_EQ(ran_on, ::GetCurrentThreadId());
  EXPECT_FALSE(service.wake_up_running());
}

TEST(TimerService, RealSlowWakeUpSwitchesBackForANearTimer) {
  ui::TimerService service;
  qbase::WeakCallbackFlag owner;
  auto far_owner = std::make_unique<qbase::WeakCallbackFlag>();
  int far_runs = 0;
  bool near_ran = false;
  bool fast_after_add = false;
  bool slow_after_near = false;
  UINT period_after_near = 0;

  enum class Phase { kWaitForSlow, kWaitForNear, kDone } phase = Phase::kWaitForSlow;
  bool finished = RunUiLoopUntil(
      [&] { service.AddCancelableTimer(far_owner->GetWeakFlag(), [&] { ++far_runs; }, 5000, 1); },
      [&] {
        if (phase == Phase::kWaitForSlow && !service.fast_mode()) {
          service.AddCancelableTimer(owner.GetWeakFlag(), [&] {
            near_ran = true;
            // Checked once the poll that ran us has re-armed the wake-up.
            qbase::MessageLoop::Current()->PostTask([&] {
              slow_after_near = !service.fast_mode();
              period_after_near = service.wake_up_period_ms();
              phase = Phase::kDone;
            });
          }, 100, 1);
          fast_after_add = service.fast_mode();
          phase = Phase::kWaitForNear;
        }
        return phase == Phase::kDone;
      });
  far_owner.reset();

  ASSERT_TRUE(finished);
  EXPECT_TRUE(fast_after_add);
  EXPECT_TRUE(near_ran);
  EXPECT_TRUE(slow_after_near);
  EXPECT_GT(period_after_near, 1000u);
  EXPECT_LE(period_after_near, 5002u);
  EXPECT_EQ(far_runs, 0);
}

TEST(TimerService, ProcessWideInstanceIsOneAndAnswersOnItsWindow) {
  ui::TimerService* service = ui::TimerService::GetInstance();
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(service, ui::TimerService::GetInstance());
  ASSERT_NE(service->window(), nullptr);
  wchar_t class_name[64] = {};
  ::GetClassNameW(service->window(), class_name, 64);
  EXPECT_STREQ(class_name, L"UI_ANIMATION_TIMERMANAGER_H_");
  // The window answers its wake-up with 1 and runs what is due.
  qbase::WeakCallbackFlag owner;
  int runs = 0;
  service->AddCancelableTimer(owner.GetWeakFlag(), [&] { ++runs; }, 0, 1);
  ::Sleep(2);
  EXPECT_EQ(::SendMessageW(service->window(), 0x2B0F, 0, 0), 1);
  EXPECT_EQ(runs, 1);
}

}  // namespace
