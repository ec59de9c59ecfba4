#pragma once

#include <memory>
#include <string>

#include "ui/controls/progress.h"

namespace ui {

class ImageInfo;

// A progress drawn as a ring from twelve o'clock: a background ring, the
// arc of the value in a colour or a vertical gradient, and an optional
// indicator image that rides the ring's top edge turned with the value.
class CircleProgress : public Progress {
 public:
  CircleProgress();
  ~CircleProgress() override;

  bool IsCircular() const { return circular_; }
  void SetCircular(bool circular);
  bool IsClockwise() const { return clockwise_; }
  void SetClockwise(bool clockwise);
  int GetCircleWidth() const { return circle_width_; }
  void SetCircleWidth(int width);
  // Colour names; 0 draws nothing.
  void SetBackgroundColor(const std::wstring& color);
  void SetForegroundColor(const std::wstring& color);
  void SetGradientColor(const std::wstring& color);
  void SetIndicator(const std::wstring& image_path);
  bool HasIndicator() const { return indicator_ != nullptr; }

  // Progress
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void PaintStateImages(IRenderContext* context) override;

 private:
  void PaintRing(IRenderContext* context);

  bool circular_ = true;
  bool clockwise_ = true;
  int circle_width_ = 1;
  uint32_t background_color_ = 0;
  uint32_t foreground_color_ = 0;
  uint32_t gradient_color_ = 0;
  std::wstring indicator_path_;
  std::shared_ptr<ImageInfo> indicator_;
};

}  // namespace ui
