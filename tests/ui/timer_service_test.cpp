#include "ui/core/timer_service.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

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

TEST(TimerService, RepeatCountsAndOwnersLimitRuns) {
  ManualClock clock;
  auto service = MakeService(clock);
  qbase::WeakCallbackFlag owner;
  auto forever_owner = std::make_unique<qbase::WeakCallbackFlag>();
  int once = 0, zero = 0, three = 0, forever = 0, odd_negative = 0;
  ASSERT_TRUE(service->AddCancelableTimer(
      owner.GetWeakFlag(), [&] { ++once; }, 10, 1));
  ASSERT_TRUE(service->AddCancelableTimer(
      owner.GetWeakFlag(), [&] { ++zero; }, 10, 0));
  ASSERT_TRUE(service->AddCancelableTimer(
      owner.GetWeakFlag(), [&] { ++three; }, 10, 3));
  ASSERT_TRUE(service->AddCancelableTimer(
      forever_owner->GetWeakFlag(), [&] { ++forever; }, 10, -1));
  ASSERT_TRUE(service->AddCancelableTimer(
      owner.GetWeakFlag(), [&] { ++odd_negative; }, 10, -5));
  // An owner gone before the due time: never runs, leaves when due.
  auto dead_owner = std::make_unique<qbase::WeakCallbackFlag>();
  int dead = 0;
  service->AddCancelableTimer(
      dead_owner->GetWeakFlag(), [&] { ++dead; }, 15, 1);
  dead_owner.reset();
  EXPECT_EQ(service->pending_count(), 6u);

  for (int i = 0; i < 8; ++i) {
    clock.AdvanceMs(10);
    service->Poll();
  }
  EXPECT_EQ(once, 1);
  EXPECT_EQ(zero, 1);
  EXPECT_EQ(three, 3);
  EXPECT_EQ(forever, 8);
  EXPECT_EQ(odd_negative, 1);
  EXPECT_EQ(dead, 0);
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
  service->AddCancelableTimer(
      owner.GetWeakFlag(), [&] { ++cancelled; }, 10, -1);
  owner.Cancel();
  clock.AdvanceMs(10);
  service->Poll();
  EXPECT_EQ(cancelled, 0);
  EXPECT_EQ(service->pending_count(), 0u);
}

TEST(TimerService, WakeUpIsArmedForTheEarliestDueTime) {
  ManualClock clock;
  auto service = MakeService(clock);
  qbase::WeakCallbackFlag owner;
  int runs = 0;
  service->AddCancelableTimer(
      owner.GetWeakFlag(), [&] { ++runs; }, 10, 1);
  EXPECT_TRUE(service->fast_mode());
  EXPECT_EQ(service->wake_up_period_ms(), 10u);

  // A later timer leaves the armed wake-up alone; an earlier one re-arms it.
  service->AddCancelableTimer(
      owner.GetWeakFlag(), [&] { ++runs; }, 50, 1);
  EXPECT_EQ(service->wake_up_period_ms(), 10u);
  clock.now += 2500;
  service->AddCancelableTimer(
      owner.GetWeakFlag(), [&] { ++runs; }, 4, 1);
  EXPECT_EQ(service->wake_up_period_ms(), 4u);

  // A poll before the wake-up runs nothing and keeps it.
  clock.now += 3200;
  service->Poll();
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(service->wake_up_period_ms(), 4u);
  clock.now += 800;
  service->Poll();
  EXPECT_EQ(runs, 1);
  // The next is 3.5 ms away, rounded up to the millisecond.
  EXPECT_EQ(service->wake_up_period_ms(), 4u);
  clock.AdvanceMs(4);
  service->Poll();
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(service->wake_up_period_ms(), 40u);
  clock.AdvanceMs(40);
  service->Poll();
  EXPECT_EQ(runs, 3);
  EXPECT_FALSE(service->wake_up_running());
}

// While callbacks run, the wake-up already waits for what comes next, so a
// callback that runs a loop of its own still sees the other timers run.
TEST(TimerService, CallbacksRunWithTheNextWakeUpArmed) {
  ManualClock clock;
  auto service = MakeService(clock);
  qbase::WeakCallbackFlag owner;
  UINT seen_period = 0;
  size_t seen_pending = 0;
  service->AddCancelableTimer(
      owner.GetWeakFlag(),
      [&] {
        seen_period = service->wake_up_period_ms();
        seen_pending = service->pending_count();
      },
      10, 1);
  service->AddCancelableTimer(
      owner.GetWeakFlag(), [] {}, 14, 1);
  clock.AdvanceMs(10);
  service->Poll();
  EXPECT_EQ(seen_pending, 1u);
  EXPECT_EQ(seen_period, 4u);
}

TEST(TimerService, TimersASecondAwayWakeOnceJustAfterTheirTime) {
  ManualClock clock;
  auto service = MakeService(clock);
  qbase::WeakCallbackFlag owner;
  int far_runs = 0, near_runs = 0;
  service->AddCancelableTimer(
      owner.GetWeakFlag(), [&] { ++far_runs; }, 5000, 1);
  EXPECT_FALSE(service->fast_mode());
  EXPECT_EQ(service->wake_up_period_ms(), 5000u + 2u);

  // A near timer added meanwhile takes over, and the far one gets its slow
  // wake-up back once the near one has run.
  clock.AdvanceMs(16);
  service->AddCancelableTimer(
      owner.GetWeakFlag(), [&] { ++near_runs; }, 100, 1);
  EXPECT_TRUE(service->fast_mode());
  EXPECT_EQ(service->wake_up_period_ms(), 100u);
  clock.AdvanceMs(100);
  service->Poll();
  EXPECT_EQ(near_runs, 1);
  EXPECT_FALSE(service->fast_mode());
  EXPECT_EQ(service->wake_up_period_ms(), 4884u + 2u);

  // One second away is still slow and keeps the same wake-up; a tick less
  // is fast and wakes at the due time.
  clock.AdvanceMs(3884);
  service->Poll();
  EXPECT_FALSE(service->fast_mode());
  EXPECT_EQ(service->wake_up_period_ms(), 4886u);
  clock.now += 1;
  service->Poll();
  EXPECT_TRUE(service->fast_mode());
  EXPECT_EQ(service->wake_up_period_ms(), 1000u);

  clock.AdvanceMs(1000);
  service->Poll();
  EXPECT_EQ(far_runs, 1);
  EXPECT_FALSE(service->wake_up_running());

  // Beyond the longest delay the multimedia timer accepts: still a
  // wake-up, and an early one only sleeps again.
  const int far_ms = 30 * 60 * 1000;
  service->AddCancelableTimer(
      owner.GetWeakFlag(), [&] { ++far_runs; }, far_ms, 1);
  EXPECT_TRUE(service->wake_up_running());
  EXPECT_GT(service->wake_up_period_ms(), 1000u);
  clock.AdvanceMs(service->wake_up_period_ms());
  service->Poll();
  EXPECT_EQ(far_runs, 1);
  EXPECT_TRUE(service->wake_up_running());
  clock.AdvanceMs(far_ms);
  service->Poll();
  EXPECT_EQ(far_runs, 2);
}

TEST(TimerService, RepeatIsCountedFromThePollThatRanIt) {
  ManualClock clock;
  auto service = MakeService(clock);
  qbase::WeakCallbackFlag owner;
  int runs = 0;
  const int64_t added_at = clock.now;
  service->AddCancelableTimer(
      owner.GetWeakFlag(), [&] { ++runs; }, 100, -1);
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
  service->AddCancelableTimer(
      owner.GetWeakFlag(), [&] { ++zero_runs; }, 0, -1);
  service->AddCancelableTimer(
      owner.GetWeakFlag(), [&] { ++negative_runs; }, -20, -1);
  service->AddCancelableTimer(
      owner.GetWeakFlag(), [] { throw std::runtime_error("timer failed"); }, 0, 1);
  service->AddCancelableTimer(
      owner.GetWeakFlag(),
      [&] {
        ++after_throw;
        service->AddCancelableTimer(
            owner.GetWeakFlag(), [&] { ++added_inside; }, 0, 1);
      },
      0, 1);

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
        service.AddCancelableTimer(
            owner.GetWeakFlag(),
            [&] {
              ++once;
              ran_on = ::GetCurrentThreadId();
            },
            5, 1);
        service.AddCancelableTimer(
            owner.GetWeakFlag(), [&] { ++three; }, 5, 3);
        service.AddCancelableTimer(
            forever_owner->GetWeakFlag(),
            [&] {
              if (++forever == 4) forever_owner.reset();
            },
            1, -1);
        service.AddCancelableTimer(
            dead_owner->GetWeakFlag(), [&] { ++dead; }, 30, 1);
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

// The platform's one-shot keeps whole milliseconds and may fire a tick
// early; timers added a little apart must still share one wake-up per
// round, and none may start before its time.
TEST(TimerService, TimersDueTogetherShareOneWakeUpAndNeverRunEarly) {
  ui::TimerService service;
  qbase::WeakCallbackFlag owner;
  constexpr int kTimers = 20;
  constexpr int kRounds = 3;
  constexpr int kIntervalMs = 5;
  std::vector<int64_t> due(kTimers), first_run(kTimers);
  int runs = 0;
  uint64_t wake_ups_before = 0;

  // Added from a timer's callback, as repeating work is, once the
  // platform's timer thread has started.
  auto add_batch = [&] {
    wake_ups_before = service.wake_up_count();
    const int64_t spread = service.counter_frequency() * 9 / 10000;  // within the shared millisecond
    const int64_t start = service.ReadCounter();
    for (int i = 0; i < kTimers; ++i) {
      while (service.ReadCounter() < start + spread * i / kTimers) {
      }
      due[i] = service.ReadCounter() + service.counter_frequency() * kIntervalMs / 1000;
      service.AddCancelableTimer(
          owner.GetWeakFlag(),
          [&, i] {
            if (first_run[i] == 0) first_run[i] = service.ReadCounter();
            ++runs;
          },
          kIntervalMs, kRounds);
    }
  };
  bool finished = RunUiLoopUntil([&] { service.AddCancelableTimer(owner.GetWeakFlag(), add_batch, 1, 1); },
                                 [&] { return runs == kTimers * kRounds && service.pending_count() == 0; });

  ASSERT_TRUE(finished);
  EXPECT_EQ(runs, kTimers * kRounds);
  EXPECT_EQ(service.wake_up_count() - wake_ups_before, static_cast<uint64_t>(kRounds));
  for (int i = 0; i < kTimers; ++i) EXPECT_GE(first_run[i], due[i]) << "timer " << i;
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
  service->AddCancelableTimer(
      owner.GetWeakFlag(), [&] { ++runs; }, 0, 1);
  ::Sleep(2);
  EXPECT_EQ(::SendMessageW(service->window(), 0x2B0F, 0, 0), 1);
  EXPECT_EQ(runs, 1);
}

}  // namespace
