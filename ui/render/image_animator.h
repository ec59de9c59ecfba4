#pragma once

#include <functional>

#include "base/weak_callback.h"
#include "ui/render/image.h"

namespace ui {

// Plays a control's animated background image on a repeating timer of the
// timer service. The control owns the animator together with the image, and
// the timer is bound to the animator's own flag, so a tick never reaches a
// destroyed animator.
class ImageAnimator {
 public:
  static constexpr int kStopKeepFrame = -1;
  static constexpr int kStopFirstFrame = 0;
  static constexpr int kStopLastFrame = 0xFFFF;

  // |invalidate| repaints the control; |finished| runs when the play count
  // is used up (the control then switches its image animation off).
  ImageAnimator(std::function<void()> invalidate, std::function<void()> finished);
  virtual ~ImageAnimator() = default;
  ImageAnimator(const ImageAnimator&) = delete;
  ImageAnimator& operator=(const ImageAnimator&) = delete;

  // Starts playing |image| from its first frame, or stops when its play
  // count is already used up.
  void Play(Image* image);
  // One timer period has passed: show the next frame.
  void Tick();
  // kStopKeepFrame, kStopFirstFrame, kStopLastFrame or a frame index.
  void Stop(int frame);
  // Forgets the image and the completed loops.
  void Reset();

  bool running() const { return image_ && image_->playing; }
  int completed_loops() const { return completed_loops_; }

 protected:
  // Replaces any running timer with one of |period_ms|.
  virtual void StartTimer(int period_ms);
  virtual void CancelTimer();

 private:
  void Halt();

  std::function<void()> invalidate_;
  std::function<void()> finished_;
  Image* image_ = nullptr;
  int completed_loops_ = 0;
  qbase::WeakCallbackFlag timer_flag_;
};

}  // namespace ui
