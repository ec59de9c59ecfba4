#pragma once

#include "ui/render/gdiplus_flat.h"
#include "ui/render/render_interface.h"

namespace ui {

class Pen_GdiPlus : public IPen {
 public:
  Pen_GdiPlus(uint32_t argb, int width);
  // A pen that strokes with a vertical linear gradient over |box|.
  Pen_GdiPlus(const Rect& box, uint32_t top_argb, uint32_t bottom_argb, const float* blend_factors,
              const float* blend_positions, int blend_count, int width);
  Pen_GdiPlus(const Pen_GdiPlus& other);

  std::unique_ptr<IPen> Clone() const override;
  void SetWidth(int width) override;
  int GetWidth() const override;
  void SetColor(uint32_t argb) override;
  uint32_t GetColor() const override { return color_; }
  void SetStartCap(LineCap cap) override;
  void SetEndCap(LineCap cap) override;
  void SetDashCap(DashCap cap) override;
  LineCap GetStartCap() const override;
  LineCap GetEndCap() const override;
  DashCap GetDashCap() const override;
  void SetLineJoin(LineJoin join) override;
  LineJoin GetLineJoin() const override;
  void SetDashStyle(DashStyle style) override;
  DashStyle GetDashStyle() const override;

  Gdiplus::GpPen* GetPen() const { return pen_.get(); }
  // Status of the last GDI+ call that failed; Ok when none did.
  Gdiplus::GpStatus last_status() const { return status_; }

 private:
  bool Check(Gdiplus::GpStatus status) const;

  uint32_t color_;
  UniqueGpPen pen_;
  mutable Gdiplus::GpStatus status_ = Gdiplus::Ok;
};

}  // namespace ui
