#pragma once

#include <cstdint>
#include <functional>

#include "base/weak_callback.h"

namespace ui {

class TimerService;

// Drives a value from a start to an end over time on a repeating timer of
// the timer service. Time comes from the performance counter, so late ticks
// never slow the motion down; the ticks only decide how often the value is
// recomputed. The curve itself is left to subclasses.
class AnimationPlayerBase : public qbase::SupportWeakCallback {
 public:
  using ValueCallback = std::function<void(int)>;
  using CompleteCallback = std::function<void()>;

  static constexpr int kDeriveTotalTime = -1;

  AnimationPlayerBase() = default;
  ~AnimationPlayerBase() override = default;
  AnimationPlayerBase(const AnimationPlayerBase&) = delete;
  AnimationPlayerBase& operator=(const AnimationPlayerBase&) = delete;

  // Every field back to its default, the callbacks excepted; a running
  // timer is cancelled.
  virtual void Reset();
  // From the beginning, forwards.
  virtual void Start();
  // Freezes the value where it is.
  virtual void Stop();
  // Forwards from where a reversed run stands.
  virtual void Continue();
  // Backwards from where a forward run stands.
  virtual void Reverse();
  virtual void Play();
  // The curve's value at the current elapsed time.
  virtual int GetCurrentValue() const = 0;

  void SetStartValue(int value) { start_value_ = value; }
  void SetEndValue(int value) { end_value_ = value; }
  void SetCurrentValue(int value) { current_value_ = value; }
  void SetTotalTime(int milliseconds) { total_time_ = milliseconds; }
  void SetCallback(ValueCallback callback) { value_callback_ = std::move(callback); }
  void SetCompleteCallback(CompleteCallback callback) { complete_callback_ = std::move(callback); }
  // Null means the process-wide service; it also supplies the clock.
  void SetTimerService(TimerService* service) { timer_service_ = service; }

  int start_value() const { return start_value_; }
  int end_value() const { return end_value_; }
  int current_value() const { return current_value_; }
  int total_time() const { return total_time_; }
  double elapsed_time() const { return elapsed_time_; }
  int timer_interval() const { return timer_interval_; }
  bool is_playing() const { return playing_; }
  bool is_reversed() const { return reversed_; }
  bool is_first_run() const { return first_run_; }

 protected:
  TimerService* Service();
  // One recomputation: advance the elapsed time by the counter, report the
  // new value, complete at the end.
  void Step();
  void Complete();
  void SwapDirection();

  int start_value_ = 0;
  int end_value_ = 0;
  int current_value_ = 0;
  int total_time_ = kDeriveTotalTime;
  double elapsed_time_ = 0;
  int timer_interval_ = 0;
  bool first_run_ = true;
  bool playing_ = false;
  bool reversed_ = false;
  ValueCallback value_callback_;
  CompleteCallback complete_callback_;
  int64_t last_counter_ = 0;
  int64_t counter_frequency_ = 0;
  qbase::WeakCallbackFlag timer_flag_;

 private:
  TimerService* timer_service_ = nullptr;
};

// The easing curve: accelerate for a share S of the total time, hold the top
// speed, then decelerate for a share L until the speed is zero exactly at
// the end. Either the total time or one of the factors is given; the rest
// follows from the distance.
class AnimationPlayer : public AnimationPlayerBase {
 public:
  static constexpr int kDefaultMaxTotalTime = 1000000;

  void Reset() override;
  void Play() override;
  int GetCurrentValue() const override;

  void SetSpeedUpRatio(double ratio) { speed_up_ratio_ = ratio; }
  void SetSlowDownRatio(double ratio) { slow_down_ratio_ = ratio; }
  // Acceleration: distance = factor x t squared while speeding up.
  void SetSpeedUpFactor(double factor);
  // Deceleration, negative by definition.
  void SetSlowDownFactor(double factor);
  void SetMaxTotalTime(int milliseconds) { max_total_time_ = milliseconds; }

  // Derives the missing coefficients and the phase times from the distance;
  // Play does this first.
  void InitFactor();
  // The curve at |elapsed_ms|, without touching the player's state.
  int ValueAt(double elapsed_ms) const;

  double speed_up_factor() const { return speed_up_factor_; }
  double slow_down_factor() const { return slow_down_factor_; }
  double speed_up_time() const { return speed_up_time_; }
  double constant_time() const { return constant_time_; }
  double slow_down_time() const { return slow_down_time_; }
  double top_speed() const { return top_speed_; }

 private:
  double speed_up_ratio_ = 0;
  double slow_down_ratio_ = 0;
  double speed_up_factor_ = 0;
  double slow_down_factor_ = 0;
  int max_total_time_ = kDefaultMaxTotalTime;
  double speed_up_time_ = 0;
  double constant_time_ = 0;
  double slow_down_time_ = 0;
  double top_speed_ = 0;
  double slow_down_speed_ = 0;
};

}  // namespace ui
