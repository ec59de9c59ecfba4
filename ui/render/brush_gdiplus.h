#pragma once

#include "ui/render/gdiplus_flat.h"
#include "ui/render/render_interface.h"

namespace ui {

// A solid brush or a tiling texture brush; exactly one of the two is set.
class Brush_Gdiplus : public IBrush {
 public:
  explicit Brush_Gdiplus(uint32_t argb);
  // Copies |bitmap|'s pixels (without a palette); the handle stays the caller's.
  explicit Brush_Gdiplus(HBITMAP bitmap);
  Brush_Gdiplus(const Brush_Gdiplus& other);

  std::unique_ptr<IBrush> Clone() const override;
  uint32_t GetColor() const override { return color_; }
  IBitmap* GetBitmap() const override { return bitmap_.get(); }

  // The solid brush, or null for a texture brush.
  Gdiplus::GpBrush* GetSolidBrush() const { return solid_.get(); }
  Gdiplus::GpBrush* GetTextureBrush() const { return texture_.get(); }
  Gdiplus::GpStatus last_status() const { return status_; }

 private:
  uint32_t color_ = 0;
  std::unique_ptr<IBitmap> bitmap_;
  UniqueGpBrush solid_;
  UniqueGpBrush texture_;
  Gdiplus::GpStatus status_ = Gdiplus::Ok;
};

}  // namespace ui
