#pragma once

#include "ui/render/gdi_handles.h"
#include "ui/render/render_interface.h"

namespace ui {

// A 32-bit BI_RGB DIB section whose pixel memory the framework reads and
// writes directly (alpha fixes, tests, layered windows).
class GdiBitmap : public IBitmap {
 public:
  GdiBitmap() = default;
  ~GdiBitmap() override = default;

  bool Init(HDC dc, int width, int height, bool top_down) override;
  void ClearPixels() override;
  HBITMAP TakeBitmap() override;
  HBITMAP GetBitmap() const override { return bitmap_.get(); }
  void* GetPixelBits() const override { return bits_; }
  int GetWidth() const override { return width_; }
  int GetHeight() const override { return height_; }
  void FillAlpha(const Rect& rect, uint8_t value) override;
  void RepairAlpha(const Rect& rect, const Rect& padding, uint8_t key) override;

 private:
  void Forget();

  UniqueBitmap bitmap_;
  void* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace ui
