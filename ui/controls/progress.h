#pragma once

#include <string>

#include "ui/controls/label.h"
#include "ui/render/image.h"

namespace ui {

// A bar filled by a value between a minimum and a maximum, with a colour,
// an image, or both; the image is stretched over the filled part or, when
// it does not stretch, revealed by it.
class Progress : public LabelTemplate<Control> {
 public:
  // Centred on one line.
  static constexpr UINT kProgressTextFormat = 0x21;

  Progress();

  bool IsHorizontal() const { return horizontal_; }
  void SetHorizontal(bool horizontal);
  int GetMinValue() const { return min_; }
  void SetMinValue(int value);
  int GetMaxValue() const { return max_; }
  void SetMaxValue(int value);
  double GetValue() const { return value_; }
  void SetValue(double value);
  bool IsStretchForeImage() const { return stretch_fore_; }
  void SetStretchForeImage(bool stretch);
  std::wstring GetProgressImage() const { return progress_image_.attribute.image_string; }
  void SetProgressImage(const std::wstring& image_string);
  const std::wstring& GetProgressColor() const { return progress_color_; }
  void SetProgressColor(const std::wstring& color);
  // The filled part relative to the control's top left.
  virtual Rect GetProgressPos();

  // LabelTemplate
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void PaintStateImages(IRenderContext* context) override;
  void ReleaseAllImages() override;

 protected:
  // The range as painted: a maximum at or below the minimum is one more
  // than it, and the value lies within it.
  void Normalised(double* minimum, double* maximum, double* value) const;

  bool horizontal_ = true;
  bool stretch_fore_ = true;
  int max_ = 100;
  int min_ = 0;
  double value_ = 0;
  Image progress_image_;
  std::wstring progress_color_;
};

}  // namespace ui
