#pragma once

#include <map>
#include <string>

#include "ui/controls/progress.h"

namespace ui {

// A progress bar with a thumb the user drags, or moves with the wheel by
// its step; each change raises the value-change event.
class Slider : public Progress {
 public:
  Slider();

  int GetChangeStep() const { return step_; }
  void SetChangeStep(int step) { step_ = step; }
  Size GetThumbSize() const { return thumb_size_; }
  void SetThumbSize(Size size);
  Rect GetProgressBarPadding() const { return progress_bar_padding_; }
  void SetProgressBarPadding(const Rect& padding);
  std::wstring GetThumbStateImage(int state) const;
  void SetThumbStateImage(int state, const std::wstring& image_string);
  // In window coordinates.
  Rect GetThumbRect() const;
  bool IsThumbCaptured() const { return thumb_captured_; }

  // Progress
  Rect GetProgressPos() override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void HandleEvent(EventArgs* args) override;
  void PaintStateImages(IRenderContext* context) override;
  void ReleaseAllImages() override;

 private:
  // The value under a point in window coordinates.
  double ValueAt(Point point) const;
  void NotifyValueChange();

  int step_ = 0;
  Size thumb_size_;
  Rect progress_bar_padding_;
  std::map<int, Image> thumb_images_;
  bool thumb_captured_ = false;
  bool thumb_hot_ = false;
};

}  // namespace ui
