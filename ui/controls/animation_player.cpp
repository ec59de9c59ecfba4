#include "ui/controls/animation_player.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <utility>

#include "ui/core/timer_service.h"

namespace ui {

TimerService* AnimationPlayerBase::Service() {
  if (!timer_service_) timer_service_ = TimerService::GetInstance();
  return timer_service_;
}

void AnimationPlayerBase::Reset() {
  timer_flag_.Cancel();
  start_value_ = 0;
  end_value_ = 0;
  current_value_ = 0;
  total_time_ = kDeriveTotalTime;
  elapsed_time_ = 0;
  timer_interval_ = 0;
  first_run_ = true;
  playing_ = false;
  reversed_ = false;
  last_counter_ = 0;
  counter_frequency_ = 0;
}

void AnimationPlayerBase::Start() {
  timer_flag_.Cancel();
  elapsed_time_ = 0;
  reversed_ = false;
  Play();
}

void AnimationPlayerBase::Stop() {
  timer_flag_.Cancel();
  playing_ = false;
}

// Mirrors the run so that the way back starts where the way out stands.
void AnimationPlayerBase::SwapDirection() {
  std::swap(start_value_, end_value_);
  current_value_ = start_value_;
  elapsed_time_ = std::max(static_cast<double>(total_time_) - elapsed_time_, 0.0);
}

void AnimationPlayerBase::Continue() {
  timer_flag_.Cancel();
  if (reversed_) SwapDirection();
  reversed_ = false;
  first_run_ = false;
  Play();
}

void AnimationPlayerBase::Reverse() {
  timer_flag_.Cancel();
  if (!reversed_) SwapDirection();
  // Nothing has played yet, so the way back is the whole way.
  if (first_run_) elapsed_time_ = 0;
  reversed_ = true;
  first_run_ = false;
  Play();
}

void AnimationPlayerBase::Play() {
  TimerService* service = Service();
  counter_frequency_ = service->counter_frequency();
  last_counter_ = service->ReadCounter();
  playing_ = true;
  if (start_value_ == end_value_) {
    Complete();
    return;
  }

  const int64_t distance = std::abs(static_cast<int64_t>(end_value_) - start_value_);
  // About one tick per unit of change.
  timer_interval_ = static_cast<int>(std::max<int64_t>(total_time_ / distance, 1));
  // Armed before the first step, so a run that ends within that step
  // cancels it rather than leaving a timer ticking after completion.
  service->AddCancelableTimer(timer_flag_.GetWeakFlag(), ToWeakCallback([this] { Step(); }), timer_interval_,
                              TimerService::kRepeatForever);
  Step();
}

void AnimationPlayerBase::Step() {
  const int64_t now = Service()->ReadCounter();
  if (counter_frequency_ > 0)
    elapsed_time_ += static_cast<double>(now - last_counter_) * 1000.0 / static_cast<double>(counter_frequency_);
  last_counter_ = now;

  const int value = GetCurrentValue();
  // The value callback may stop, restart or destroy the player; this run
  // then has nothing more to do.
  const std::weak_ptr<qbase::WeakFlag> this_run = timer_flag_.GetWeakFlag();

  if ((start_value_ < end_value_ && value >= end_value_) || (end_value_ < start_value_ && value <= end_value_)) {
    current_value_ = end_value_;
    if (value_callback_) {
      ValueCallback callback = value_callback_;
      callback(end_value_);
      if (this_run.expired()) return;
    }
    Complete();
    return;
  }
  if (value != current_value_) {
    current_value_ = value;
    if (value_callback_) {
      ValueCallback callback = value_callback_;
      callback(value);
    }
  }
}

void AnimationPlayerBase::Complete() {
  // Finished before the owner hears of it, so that the completion callback
  // may start the next run without having it cancelled here.
  timer_flag_.Cancel();
  playing_ = false;
  if (complete_callback_) {
    CompleteCallback callback = complete_callback_;
    callback();
  }
}

void AnimationPlayer::Reset() {
  AnimationPlayerBase::Reset();
  speed_up_ratio_ = 0;
  slow_down_ratio_ = 0;
  speed_up_factor_ = 0;
  slow_down_factor_ = 0;
  max_total_time_ = kDefaultMaxTotalTime;
  speed_up_time_ = 0;
  constant_time_ = 0;
  slow_down_time_ = 0;
  top_speed_ = 0;
  slow_down_speed_ = 0;
}

void AnimationPlayer::Play() {
  InitFactor();
  AnimationPlayerBase::Play();
}

void AnimationPlayer::SetSpeedUpFactor(double factor) { speed_up_factor_ = std::fabs(factor); }

// Skins give the deceleration either way round; a positive one would make
// the derived time the root of a negative number.
void AnimationPlayer::SetSlowDownFactor(double factor) { slow_down_factor_ = -std::fabs(factor); }

void AnimationPlayer::InitFactor() {
  const double distance = std::fabs(static_cast<double>(end_value_) - static_cast<double>(start_value_));
  const double s = speed_up_ratio_;
  const double l = slow_down_ratio_;
  const int max_time = std::max(max_total_time_, 0);
  double& a = speed_up_factor_;
  double& b = slow_down_factor_;

  if (s == 0 && l == 0) {
    if (total_time_ == kDeriveTotalTime) {
      const double derived = distance / top_speed_;
      if (derived <= max_time) {
        total_time_ = static_cast<int>(derived);
      } else {
        // No speed to go by (or too slow): the longest run allowed.
        total_time_ = max_time;
        top_speed_ = distance / total_time_;
      }
    } else {
      top_speed_ = distance / total_time_;
    }
    constant_time_ = total_time_;
    speed_up_time_ = 0;
    slow_down_time_ = 0;
    slow_down_speed_ = top_speed_;
    return;
  }

  for (;;) {
    if (total_time_ != kDeriveTotalTime) {
      const double t2 = static_cast<double>(total_time_) * total_time_;
      if (s == 0)
        b = -distance / ((((1 - s - l) * 2 * l) + l * l + l * s) * t2);
      else
        a = distance / ((((1 - s - l) * 2 * s) + s * s + l * s) * t2);
    }

    double w = 0;
    if (a == 0 || s == 0) {
      w = (b != 0 && l != 0) ? -(l * b) : 0;
      if (s != 0) a = -(l * b / s);
    } else {
      w = a * s;
      if (l != 0) b = -(w / l);
    }

    if (total_time_ == kDeriveTotalTime) {
      const double derived = std::sqrt(distance / (a * s * s + (1 - s - l) * 2 * w - b * l * l));
      // Not a number or infinite (no factor given) counts as too long.
      if (!(derived <= max_time)) {
        total_time_ = max_time;
        continue;
      }
      total_time_ = static_cast<int>(derived);
    }

    const double total = total_time_;
    speed_up_time_ = total * s;
    top_speed_ = 2 * w * total;
    slow_down_speed_ = top_speed_;
    slow_down_time_ = total * l;
    constant_time_ = total - total * s - total * l;
    return;
  }
}

int AnimationPlayer::ValueAt(double elapsed_ms) const {
  if (elapsed_ms >= total_time_) return end_value_;

  const double a = speed_up_factor_;
  const double b = slow_down_factor_;
  const double c = speed_up_time_;
  const double m = constant_time_;
  const double v = top_speed_;
  double d;
  if (elapsed_ms <= c) {
    d = a * elapsed_ms * elapsed_ms;
  } else if (elapsed_ms <= c + m) {
    d = (elapsed_ms - c) * v + a * c * c;
  } else {
    const double u = elapsed_ms - c - m;
    d = a * c * c + v * m + b * u * u + v * u;
  }

  // Degenerate settings can leave the distance outside the run or not a
  // number at all; it never leaves the span between start and end.
  const double distance = std::fabs(static_cast<double>(end_value_) - static_cast<double>(start_value_));
  if (!(d > 0)) d = 0;
  if (d > distance) d = distance;
  const int64_t offset = static_cast<int64_t>(d);
  return static_cast<int>(start_value_ < end_value_ ? start_value_ + offset : start_value_ - offset);
}

int AnimationPlayer::GetCurrentValue() const { return ValueAt(elapsed_time_); }

}  // namespace ui
