#include "ui/render/image_animator.h"

#include "ui/core/timer_service.h"

namespace ui {

ImageAnimator::ImageAnimator(std::function<void()> invalidate, std::function<void()> finished)
    : invalidate_(std::move(invalidate)), finished_(std::move(finished)) {}

void ImageAnimator::StartTimer(int period_ms) {
  CancelTimer();
  TimerService::GetInstance()->AddCancelableTimer(timer_flag_.GetWeakFlag(), [this] { Tick(); }, period_ms,
                                                  TimerService::kRepeatForever);
}

void ImageAnimator::CancelTimer() { timer_flag_.Cancel(); }

void ImageAnimator::Halt() {
  if (image_) image_->playing = false;
  CancelTimer();
}

void ImageAnimator::Play(Image* image) {
  if (image != image_) completed_loops_ = 0;
  image_ = image;
  if (!image_ || image_->GetFrameCount() < 2) {
    Halt();
    return;
  }
  const int play_count = image_->attribute.play_count;
  if (play_count >= 0 && completed_loops_ >= play_count) {
    Halt();
    return;
  }
  if (image_->playing) return;
  image_->current_frame = 0;
  CancelTimer();
  const int delay = image_->GetCurrentFrameDelay();
  if (delay != 0) {
    StartTimer(delay);
    image_->playing = true;
  }
  if (invalidate_) invalidate_();
}

void ImageAnimator::Tick() {
  if (!image_ || !image_->playing) return;
  const int frames = static_cast<int>(image_->GetFrameCount());
  if (frames < 2) {
    Halt();
    return;
  }
  const int old_delay = image_->GetCurrentFrameDelay();
  if (++image_->current_frame >= frames) {
    image_->current_frame = 0;
    ++completed_loops_;
  }
  const int play_count = image_->attribute.play_count;
  if (play_count >= 0 && completed_loops_ >= play_count) {
    image_->current_frame = frames - 1;
    Halt();
    if (finished_) finished_();
    if (invalidate_) invalidate_();
    return;
  }
  const int new_delay = image_->GetCurrentFrameDelay();
  if (old_delay == 0 || new_delay == 0) {
    Halt();
  } else if (new_delay != old_delay) {
    StartTimer(new_delay);
  }
  if (invalidate_) invalidate_();
}

void ImageAnimator::Stop(int frame) {
  if (image_) {
    const int frames = static_cast<int>(image_->GetFrameCount());
    if (frame == kStopLastFrame) {
      image_->current_frame = frames > 0 ? frames - 1 : 0;
    } else if (frame >= 0) {
      // An index past the end would leave nothing to draw.
      image_->current_frame = frame < frames ? frame : (frames > 0 ? frames - 1 : 0);
    }
  }
  Halt();
  if (invalidate_) invalidate_();
}

void ImageAnimator::Reset() {
  Halt();
  image_ = nullptr;
  completed_loops_ = 0;
}

}  // namespace ui
