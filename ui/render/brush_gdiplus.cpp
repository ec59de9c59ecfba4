#include "ui/render/brush_gdiplus.h"

namespace ui {

Brush_Gdiplus::Brush_Gdiplus(uint32_t argb) : color_(argb) {
  Gdiplus::GpSolidFill* fill = nullptr;
  status_ = gp::GdipCreateSolidFill(argb, &fill);
  solid_.reset(fill);
}

Brush_Gdiplus::Brush_Gdiplus(HBITMAP bitmap) {
  Gdiplus::GpBitmap* image = nullptr;
  status_ = gp::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image);
  if (status_ != Gdiplus::Ok) return;
  // The texture keeps its own copy of the pixels; the GDI+ bitmap can go.
  UniqueGpImage owned(image);
  Gdiplus::GpTexture* texture = nullptr;
  status_ = gp::GdipCreateTexture(owned.get(), Gdiplus::WrapModeTile, &texture);
  texture_.reset(texture);
}

Brush_Gdiplus::Brush_Gdiplus(const Brush_Gdiplus& other) : IBrush(other), color_(other.color_) {
  Gdiplus::GpBrush* copy = nullptr;
  if (other.solid_) {
    status_ = gp::GdipCloneBrush(other.solid_.get(), &copy);
    solid_.reset(copy);
  } else if (other.texture_) {
    status_ = gp::GdipCloneBrush(other.texture_.get(), &copy);
    texture_.reset(copy);
  }
}

std::unique_ptr<IBrush> Brush_Gdiplus::Clone() const { return std::make_unique<Brush_Gdiplus>(*this); }

}  // namespace ui
