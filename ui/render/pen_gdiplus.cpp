#include "ui/render/pen_gdiplus.h"

#include <algorithm>

namespace ui {

Pen_GdiPlus::Pen_GdiPlus(uint32_t argb, int width) : color_(argb) {
  Check(gp::GdipCreatePen1(argb, static_cast<Gdiplus::REAL>(width), Gdiplus::UnitWorld, pen_.put()));
}

Pen_GdiPlus::Pen_GdiPlus(const Rect& box, uint32_t top_argb, uint32_t bottom_argb, const float* blend_factors,
                         const float* blend_positions, int blend_count, int width)
    : color_(top_argb) {
  const Gdiplus::GpRect area(box.left, box.top, std::max(1L, box.right - box.left), std::max(1L, box.bottom - box.top));
  Gdiplus::GpLineGradient* gradient = nullptr;
  if (!Check(gp::GdipCreateLineBrushFromRectI(&area, top_argb, bottom_argb, Gdiplus::LinearGradientModeVertical,
                                              Gdiplus::WrapModeTile, &gradient))) {
    return;
  }
  UniqueGpBrush brush(gradient);
  if (blend_factors && blend_positions && blend_count >= 2)
    Check(gp::GdipSetLineBlend(gradient, blend_factors, blend_positions, blend_count));
  // The pen keeps its own copy of the brush.
  Check(gp::GdipCreatePen2(brush.get(), static_cast<Gdiplus::REAL>(width), Gdiplus::UnitWorld, pen_.put()));
}

Pen_GdiPlus::Pen_GdiPlus(const Pen_GdiPlus& other) : IPen(other), color_(other.color_) {
  if (other.pen_) Check(gp::GdipClonePen(other.pen_.get(), pen_.put()));
}

bool Pen_GdiPlus::Check(Gdiplus::GpStatus status) const {
  if (status != Gdiplus::Ok) status_ = status;
  return status == Gdiplus::Ok;
}

std::unique_ptr<IPen> Pen_GdiPlus::Clone() const { return std::make_unique<Pen_GdiPlus>(*this); }

void Pen_GdiPlus::SetWidth(int width) {
  if (pen_) Check(gp::GdipSetPenWidth(pen_.get(), static_cast<Gdiplus::REAL>(width)));
}

int Pen_GdiPlus::GetWidth() const {
  Gdiplus::REAL width = 0;
  if (pen_) Check(gp::GdipGetPenWidth(pen_.get(), &width));
  return static_cast<int>(width);
}

void Pen_GdiPlus::SetColor(uint32_t argb) {
  if (pen_ && Check(gp::GdipSetPenColor(pen_.get(), argb))) color_ = argb;
}

void Pen_GdiPlus::SetStartCap(LineCap cap) {
  if (pen_) Check(gp::GdipSetPenStartCap(pen_.get(), static_cast<Gdiplus::LineCap>(cap)));
}

void Pen_GdiPlus::SetEndCap(LineCap cap) {
  if (pen_) Check(gp::GdipSetPenEndCap(pen_.get(), static_cast<Gdiplus::LineCap>(cap)));
}

void Pen_GdiPlus::SetDashCap(DashCap cap) {
  if (pen_) Check(gp::GdipSetPenDashCap197819(pen_.get(), static_cast<Gdiplus::DashCap>(cap)));
}

IPen::LineCap Pen_GdiPlus::GetStartCap() const {
  Gdiplus::LineCap cap = Gdiplus::LineCapFlat;
  if (pen_) Check(gp::GdipGetPenStartCap(pen_.get(), &cap));
  return static_cast<LineCap>(cap);
}

IPen::LineCap Pen_GdiPlus::GetEndCap() const {
  Gdiplus::LineCap cap = Gdiplus::LineCapFlat;
  if (pen_) Check(gp::GdipGetPenEndCap(pen_.get(), &cap));
  return static_cast<LineCap>(cap);
}

IPen::DashCap Pen_GdiPlus::GetDashCap() const {
  Gdiplus::DashCap cap = Gdiplus::DashCapFlat;
  if (pen_) Check(gp::GdipGetPenDashCap197819(pen_.get(), &cap));
  return static_cast<DashCap>(cap);
}

void Pen_GdiPlus::SetLineJoin(LineJoin join) {
  if (pen_) Check(gp::GdipSetPenLineJoin(pen_.get(), static_cast<Gdiplus::LineJoin>(join)));
}

IPen::LineJoin Pen_GdiPlus::GetLineJoin() const {
  Gdiplus::LineJoin join = Gdiplus::LineJoinMiter;
  if (pen_) Check(gp::GdipGetPenLineJoin(pen_.get(), &join));
  return static_cast<LineJoin>(join);
}

void Pen_GdiPlus::SetDashStyle(DashStyle style) {
  if (pen_) Check(gp::GdipSetPenDashStyle(pen_.get(), static_cast<Gdiplus::DashStyle>(style)));
}

IPen::DashStyle Pen_GdiPlus::GetDashStyle() const {
  Gdiplus::DashStyle style = Gdiplus::DashStyleSolid;
  if (pen_) Check(gp::GdipGetPenDashStyle(pen_.get(), &style));
  return static_cast<DashStyle>(style);
}

}  // namespace ui
