#include "ui/controls/circle_progress.h"

#include <algorithm>

#include "ui/core/attribute_values.h"
#include "ui/core/control_host.h"
#include "ui/core/resource_manager.h"
#include "ui/render/image_info.h"
#include "ui/render/image_painter.h"
#include "ui/render/render_interface.h"

namespace ui {

namespace {

// Twelve o'clock in the drawing layer's degrees, clockwise from three.
constexpr float kTwelveOClock = 270.0f;
// How the gradient runs along the ring: steady at each end, turning in the
// middle.
constexpr float kBlendFactors[] = {0.0f, 0.4f, 0.6f, 1.0f};
constexpr float kBlendPositions[] = {0.0f, 0.2f, 0.8f, 1.0f};

uint32_t NamedColor(const std::wstring& value) {
  const size_t start = value.find_first_not_of(L' ');
  return start == std::wstring::npos ? 0 : ResourceManager::GetTextColor(value.substr(start));
}

}  // namespace

CircleProgress::CircleProgress() = default;

CircleProgress::~CircleProgress() = default;

void CircleProgress::SetCircular(bool circular) {
  circular_ = circular;
  Invalidate();
}

void CircleProgress::SetClockwise(bool clockwise) {
  clockwise_ = clockwise;
  Invalidate();
}

void CircleProgress::SetCircleWidth(int width) {
  circle_width_ = std::max(0, width);
  Invalidate();
}

void CircleProgress::SetBackgroundColor(const std::wstring& color) {
  background_color_ = NamedColor(color);
  Invalidate();
}

void CircleProgress::SetForegroundColor(const std::wstring& color) {
  foreground_color_ = NamedColor(color);
  Invalidate();
}

void CircleProgress::SetGradientColor(const std::wstring& color) {
  gradient_color_ = NamedColor(color);
  Invalidate();
}

void CircleProgress::SetIndicator(const std::wstring& image_path) {
  indicator_path_ = image_path;
  indicator_.reset();
  if (!image_path.empty()) {
    std::wstring folder = ResourceManager::GetResourcePath();
    if (window_) folder += window_->GetResourcePath();
    // A missing picture leaves the ring without an indicator.
    indicator_ = ResourceManager::GetImage(ResolveImagePath(folder, image_path));
  }
  Invalidate();
}

void CircleProgress::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const wchar_t* text = value.c_str();
  if (name == L"circular") {
    SetCircular(ParseBool(text));
  } else if (name == L"circlewidth") {
    SetCircleWidth(ParseInt(text));
  } else if (name == L"indicator") {
    SetIndicator(value);
  } else if (name == L"clockwise") {
    SetClockwise(ParseBool(text));
  } else if (name == L"bgcolor") {
    SetBackgroundColor(value);
  } else if (name == L"fgcolor") {
    SetForegroundColor(value);
  } else if (name == L"gradientcolor") {
    SetGradientColor(value);
  } else {
    Progress::SetAttribute(name, value);
  }
}

void CircleProgress::PaintStateImages(IRenderContext* context) {
  Progress::PaintStateImages(context);
  if (circular_) PaintRing(context);
}

void CircleProgress::PaintRing(IRenderContext* context) {
  IRenderFactory* factory = ResourceManager::GetRenderFactory();
  if (!factory || !context) return;
  const int width = rect_.Width();
  const int height = rect_.Height();
  const Point center(rect_.left + width / 2, rect_.top + height / 2);
  const int diameter = std::min(width, height);
  const HBITMAP indicator = indicator_ ? indicator_->frame(0) : nullptr;
  const int inset = (indicator ? indicator_->width() / 2 : circle_width_ / 2) + 1;
  const int side = diameter - 2 * inset;
  if (side <= 0) return;
  const Rect box(center.x - diameter / 2 + inset, center.y - diameter / 2 + inset,
                 center.x - diameter / 2 + inset + side, center.y - diameter / 2 + inset + side);

  double minimum = 0, maximum = 0, value = 0;
  Normalised(&minimum, &maximum, &value);
  const float sweep = static_cast<float>((clockwise_ ? 1 : -1) * 360.0 * (value - minimum) / (maximum - minimum));

  std::unique_ptr<IPath> ring = factory->CreatePath();
  ring->AddArc(box.left, box.top, box.Width(), box.Height(), kTwelveOClock, 360.0f);
  std::unique_ptr<IPen> background = factory->CreatePen(background_color_, circle_width_);
  context->DrawPath(ring.get(), background.get());

  if (sweep != 0.0f) {
    std::unique_ptr<IPath> arc = factory->CreatePath();
    arc->AddArc(box.left, box.top, box.Width(), box.Height(), kTwelveOClock, sweep);
    std::unique_ptr<IPen> foreground =
        gradient_color_ != 0 ? factory->CreateGradientPen(box, foreground_color_, gradient_color_, kBlendFactors,
                                                          kBlendPositions, 4, circle_width_)
                             : factory->CreatePen(foreground_color_, circle_width_);
    context->DrawPath(arc.get(), foreground.get());
  }

  if (!indicator) return;
  const int w = indicator_->width();
  const int h = indicator_->height();
  const Rect dest(center.x - w / 2, box.top - h / 2, center.x - w / 2 + w, box.top - h / 2 + h);
  context->DrawRotatedImage(indicator, dest, center, sweep);
}

}  // namespace ui
