#include "ui/controls/animation_player.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "base/message_loop.h"
#include "base/time_ticks.h"
#include "ui/core/timer_service.h"

namespace {

// The player takes its clock from its timer service; this one moves by hand
// and is polled by hand, so every tick lands at a known elapsed time.
class ManualTimers {
 public:
  ManualTimers() : service_(1000000, [this] { return now_; }) {}

  ui::TimerService* service() { return &service_; }
  void TickAfterMs(double ms) {
    now_ += static_cast<int64_t>(ms * 1000);
    service_.Poll();
  }

 private:
  int64_t now_ = 1000000;
  ui::TimerService service_;
};

std::unique_ptr<ui::AnimationPlayer> MakeCurve(int start, int end, int total_ms, double speed_up_ratio,
                                               double slow_down_ratio) {
  auto player = std::make_unique<ui::AnimationPlayer>();
  player->SetStartValue(start);
  player->SetEndValue(end);
  player->SetTotalTime(total_ms);
  player->SetSpeedUpRatio(speed_up_ratio);
  player->SetSlowDownRatio(slow_down_ratio);
  return player;
}

std::unique_ptr<ui::AnimationPlayer> MakeHotFade() { return MakeCurve(0, 255, 250, 0.3, 0.7); }

TEST(AnimationPlayer, HotFadeCurveAtEachPhase) {
  auto fade = MakeHotFade();
  fade->InitFactor();
  EXPECT_DOUBLE_EQ(fade->speed_up_factor(), 255.0 / (0.3 * 250 * 250));
  EXPECT_NEAR(fade->top_speed(), 2.04, 1e-9);
  EXPECT_NEAR(fade->speed_up_time(), 75, 1e-9);
  EXPECT_NEAR(fade->constant_time(), 0, 1e-9);

  EXPECT_EQ(fade->ValueAt(10), 1);     // speeding up: 1.36
  EXPECT_EQ(fade->ValueAt(75), 76);    // 76.5
  EXPECT_EQ(fade->ValueAt(100), 123);  // slowing down: 123.86
  EXPECT_EQ(fade->ValueAt(200), 240);  // 240.43
  EXPECT_EQ(fade->ValueAt(249.9), 254);
  EXPECT_EQ(fade->ValueAt(250), 255);
  int previous = 0;
  for (double t = 0; t <= 250; t += 0.5) {
    ASSERT_GE(fade->ValueAt(t), previous) << "at " << t;
    previous = fade->ValueAt(t);
  }

  // Downwards the same distances come off the start.
  auto down = MakeCurve(255, 0, 250, 0.3, 0.7);
  down->InitFactor();
  EXPECT_EQ(down->ValueAt(150), 255 - 196);
}

TEST(AnimationPlayer, DerivedTotalTimes) {
  // Smooth line scroll: constant speed, then half the time slowing down.
  auto scroll = MakeCurve(100, 120, -1, 0, 0.5);
  scroll->SetSlowDownFactor(-0.012);
  scroll->InitFactor();
  EXPECT_EQ(scroll->total_time(), 47);
  EXPECT_NEAR(scroll->top_speed(), 0.564, 1e-9);
  EXPECT_EQ(scroll->ValueAt(10), 105);  // 5.64
  EXPECT_EQ(scroll->ValueAt(30), 116);  // 16.41

  // A deceleration given as a positive number means the same deceleration.
  auto slide = MakeCurve(-100, 0, -1, 0.3, 0.7);
  slide->SetSlowDownFactor(0.006);
  slide->InitFactor();
  EXPECT_EQ(slide->total_time(), 154);  // trunc(sqrt(100 / 0.0042))
  EXPECT_LT(slide->ValueAt(77), 0);
  EXPECT_GT(slide->ValueAt(77), -100);

  // Settle effect: capped, and the curve refitted to the cap.
  auto settle = MakeCurve(-1000, 0, -1, 0.3, 0.7);
  settle->SetSpeedUpFactor(0.003);
  settle->SetMaxTotalTime(650);
  settle->InitFactor();
  EXPECT_EQ(settle->total_time(), 650);
  EXPECT_DOUBLE_EQ(settle->speed_up_factor(), 1000.0 / (0.3 * 650 * 650));
  EXPECT_EQ(settle->ValueAt(649.99), -1);

  // No factor to derive from: the longest run allowed, not a garbage time.
  auto bare = MakeCurve(0, 10, -1, 0.5, 0.5);
  bare->SetMaxTotalTime(400);
  bare->InitFactor();
  EXPECT_EQ(bare->total_time(), 400);

  auto linear = MakeCurve(0, 50, 100, 0, 0);
  linear->InitFactor();
  EXPECT_EQ(linear->ValueAt(40), 20);
}

TEST(AnimationPlayer, PlaysOnTimerTicksAndReversesFromTheMirroredTime) {
  ManualTimers timers;
  auto fade = MakeHotFade();
  ui::AnimationPlayer& player = *fade;
  player.SetTimerService(timers.service());
  std::vector<int> values;
  int completions = 0;
  player.SetCallback([&](int value) { values.push_back(value); });
  player.SetCompleteCallback([&] { ++completions; });

  // Hover fades go forwards with Continue, so that Reverse mirrors them.
  player.Continue();
  EXPECT_EQ(player.timer_interval(), 1);
  EXPECT_TRUE(values.empty());  // still 0 at elapsed 0
  EXPECT_EQ(timers.service()->pending_count(), 1u);

  timers.TickAfterMs(60);
  timers.TickAfterMs(40);
  EXPECT_EQ(values, (std::vector<int>{48, 123}));
  EXPECT_DOUBLE_EQ(player.elapsed_time(), 100);

  player.Reverse();
  EXPECT_EQ(player.start_value(), 255);
  EXPECT_EQ(player.end_value(), 0);
  EXPECT_DOUBLE_EQ(player.elapsed_time(), 150);
  EXPECT_EQ(values.back(), 255 - 196);
  // The forward run's timer is gone; only the reversed one ticks.
  timers.TickAfterMs(1);
  EXPECT_EQ(timers.service()->pending_count(), 1u);

  timers.TickAfterMs(200);
  EXPECT_EQ(values.back(), 0);
  EXPECT_EQ(completions, 1);
  timers.TickAfterMs(16);
  EXPECT_EQ(timers.service()->pending_count(), 0u);
  EXPECT_EQ(completions, 1);

  // Forwards again from the end of the reversed run: the whole way up.
  values.clear();
  player.Continue();
  EXPECT_DOUBLE_EQ(player.elapsed_time(), 0);
  timers.TickAfterMs(250);
  EXPECT_EQ(values.back(), 255);
  EXPECT_EQ(completions, 2);
}

TEST(AnimationPlayer, EndingsAndInterruptions) {
  ManualTimers timers;
  std::vector<int> values;
  int completions = 0;
  auto make = [&] {
    auto player = MakeHotFade();
    player->SetTimerService(timers.service());
    player->SetCallback([&](int value) { values.push_back(value); });
    player->SetCompleteCallback([&] { ++completions; });
    return player;
  };

  // Nothing to travel: completed at once, no value, no timer.
  auto still = make();
  still->SetStartValue(40);
  still->SetEndValue(40);
  still->Start();
  EXPECT_EQ(completions, 1);
  EXPECT_TRUE(values.empty());
  EXPECT_EQ(timers.service()->pending_count(), 0u);

  // Done within the first step: the end value once, and no timer left
  // ticking behind the completion.
  completions = 0;
  auto instant = make();
  instant->SetTotalTime(0);
  instant->Start();
  EXPECT_EQ(values, std::vector<int>{255});
  EXPECT_EQ(completions, 1);
  timers.TickAfterMs(16);
  timers.TickAfterMs(16);
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(timers.service()->pending_count(), 0u);

  // Stop freezes the value.
  values.clear();
  completions = 0;
  auto stopped = make();
  stopped->Start();
  timers.TickAfterMs(100);
  stopped->Stop();
  EXPECT_FALSE(stopped->is_playing());
  timers.TickAfterMs(200);
  EXPECT_EQ(values, std::vector<int>{123});
  EXPECT_EQ(stopped->current_value(), 123);
  EXPECT_EQ(completions, 0);

  // A destroyed player never hears from its timer again.
  values.clear();
  auto doomed = make();
  doomed->Start();
  timers.TickAfterMs(60);
  doomed.reset();
  timers.TickAfterMs(300);
  EXPECT_EQ(values, std::vector<int>{48});
  EXPECT_EQ(timers.service()->pending_count(), 0u);

  // A completion callback may start the next run right away.
  values.clear();
  completions = 0;
  auto looping = make();
  looping->SetCompleteCallback([&] {
    if (++completions == 1) looping->Start();
  });
  looping->Start();
  timers.TickAfterMs(250);
  EXPECT_EQ(completions, 1);
  EXPECT_TRUE(looping->is_playing());
  timers.TickAfterMs(250);
  EXPECT_EQ(completions, 2);
  EXPECT_EQ(values, (std::vector<int>{255, 0, 255}));

  // A value callback may destroy its player.
  values.clear();
  auto self_destroying = make();
  self_destroying->SetCallback([&](int value) {
    values.push_back(value);
    self_destroying.reset();
  });
  self_destroying->Start();
  timers.TickAfterMs(250);
  EXPECT_EQ(values, std::vector<int>{255});
  timers.TickAfterMs(16);
  EXPECT_EQ(timers.service()->pending_count(), 0u);
}

TEST(AnimationPlayer, FadeRunsToTheEndOnTheUiLoop) {
  auto fade = MakeHotFade();
  ui::AnimationPlayer& player = *fade;
  std::vector<int> values;
  int completions = 0;
  player.SetCallback([&](int value) { values.push_back(value); });
  player.SetCompleteCallback([&] { ++completions; });

  qbase::UIMessageLoop loop;
  const int64_t deadline = qbase::TimeTicks::Now() + 20 * 1000 * 1000;
  std::function<void()> watch = [&] {
    if (completions > 0 || qbase::TimeTicks::Now() > deadline)
      loop.QuitWhenIdle();
    else
      loop.PostDelayedTask(watch, 5000);
  };
  loop.PostTask([&] {
    player.Start();
    watch();
  });
  loop.Run();

  ASSERT_EQ(completions, 1);
  ASSERT_FALSE(values.empty());
  EXPECT_EQ(values.back(), 255);
  for (size_t i = 1; i < values.size(); ++i) EXPECT_GT(values[i], values[i - 1]);
  EXPECT_FALSE(player.is_playing());
}

}  // namespace
