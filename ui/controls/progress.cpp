#include "ui/controls/progress.h"

#include <cmath>
#include <cwchar>

#include "ui/core/attribute_values.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/resource_manager.h"

namespace ui {

namespace {

constexpr int kDefaultHeight = 12;

std::wstring TrimLeadingSpaces(const std::wstring& value) {
  const size_t start = value.find_first_not_of(L' ');
  return start == std::wstring::npos ? std::wstring() : value.substr(start);
}

}  // namespace

Progress::Progress() {
  text_format_ = kProgressTextFormat;
  // A bar fills its row unless told otherwise.
  fixed_width_ = kLengthStretch;
  fixed_height_ = DpiScale::GetInstance().ScaleValue(kDefaultHeight);
}

void Progress::SetHorizontal(bool horizontal) {
  if (horizontal == horizontal_) return;
  horizontal_ = horizontal;
  Invalidate();
}

void Progress::SetMinValue(int value) {
  min_ = value;
  Invalidate();
}

void Progress::SetMaxValue(int value) {
  max_ = value;
  Invalidate();
}

void Progress::SetValue(double value) {
  // Not a number paints as the minimum; infinities clamp like any value.
  value_ = std::isnan(value) ? static_cast<double>(min_) : value;
  Invalidate();
}

void Progress::SetStretchForeImage(bool stretch) {
  if (stretch == stretch_fore_) return;
  stretch_fore_ = stretch;
  Invalidate();
}

void Progress::SetProgressImage(const std::wstring& image_string) {
  progress_image_.SetImageString(image_string);
  Invalidate();
}

void Progress::SetProgressColor(const std::wstring& color) {
  if (color == progress_color_) return;
  progress_color_ = color;
  Invalidate();
}

void Progress::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const wchar_t* text = value.c_str();
  if (name == L"hor") {
    SetHorizontal(ParseBool(text));
  } else if (name == L"min") {
    SetMinValue(ParseInt(text));
  } else if (name == L"max") {
    SetMaxValue(ParseInt(text));
  } else if (name == L"value") {
    SetValue(ParseInt(text));
  } else if (name == L"progressimage") {
    SetProgressImage(value);
  } else if (name == L"isstretchfore") {
    SetStretchForeImage(ParseBool(text));
  } else if (name == L"progresscolor") {
    SetProgressColor(TrimLeadingSpaces(value));
  } else {
    LabelTemplate<Control>::SetAttribute(name, value);
  }
}

void Progress::Normalised(double* minimum, double* maximum, double* value) const {
  *minimum = min_;
  // In doubles, so a minimum at the top of the range still has a maximum.
  *maximum = max_ <= min_ ? static_cast<double>(min_) + 1 : static_cast<double>(max_);
  *value = std::isnan(value_) ? *minimum : std::max(*minimum, std::min(value_, *maximum));
}

Rect Progress::GetProgressPos() {
  double minimum = 0, maximum = 0, value = 0;
  Normalised(&minimum, &maximum, &value);
  const double span = maximum - minimum;
  const int width = rect_.Width();
  const int height = rect_.Height();
  if (horizontal_) return Rect(0, 0, static_cast<int>(width * (value - minimum) / span), height);
  return Rect(0, static_cast<int>((maximum - value) * height / span), width, height);
}

void Progress::PaintStateImages(IRenderContext* context) {
  LabelTemplate<Control>::PaintStateImages(context);
  const Rect progress = GetProgressPos();
  if (!progress_color_.empty()) {
    const uint32_t color = ResourceManager::GetTextColor(progress_color_);
    if (color != 0) {
      Rect fill = rect_;
      if (horizontal_) {
        fill.right = rect_.left + progress.right;
      } else {
        fill.top = rect_.top + progress.top;
      }
      Rect visible;
      if (visible.Intersect(fill, paint_rect_)) context->FillColor(visible, color, 255);
    }
  }
  if (progress_image_.attribute.image_name.empty() || progress.IsEmpty()) return;
  wchar_t modifier[160] = {};
  if (stretch_fore_) {
    std::swprintf(modifier, 160, L"destscale='false' dest='%d,%d,%d,%d'", progress.left, progress.top, progress.right,
                  progress.bottom);
  } else {
    // The picture is revealed by the value, not squeezed into it.
    std::swprintf(modifier, 160, L"destscale='false' dest='%d,%d,%d,%d' source='%d,%d,%d,%d'", progress.left,
                  progress.top, progress.right, progress.bottom, progress.left, progress.top, progress.right,
                  progress.bottom);
  }
  DrawImage(context, progress_image_, modifier);
}

void Progress::ReleaseAllImages() {
  progress_image_.ClearCache();
  LabelTemplate<Control>::ReleaseAllImages();
}

}  // namespace ui
