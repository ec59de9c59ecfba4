#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "ui/core/rect.h"

namespace ui {

// The rows of a 32-bit DIB section, premultiplied BGRA, top row first.
struct DibRows {
  uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;  // bytes from one row to the next, negative for bottom-up rows

  static DibRows Make(void* bits, int width, int height, bool top_down);
  // Null unless |bitmap| is a 32-bit BI_RGB DIB section that is not
  // selected into a DC. The platform does not say which way its rows run,
  // so one row is read back through |dc| to tell.
  static DibRows Of(HBITMAP bitmap, HDC dc);
  explicit operator bool() const { return bits != nullptr; }
  uint32_t* Row(int y) const { return reinterpret_cast<uint32_t*>(bits + static_cast<ptrdiff_t>(y) * stride); }
};

// Writes into the surface a DC draws on as the DC's own drawing would: in
// logical coordinates through its origin, and only inside its clip. GDI and
// GDI+ each pay a fixed price per call on this platform (and under Wine a
// high one per pixel); filling, copying and blending in memory cost what
// the pixels cost. Colours and sources are premultiplied.
//
// Only for a DC in plain pixel mapping that holds the bitmap |rows| are
// of; ok() tells, and callers draw through the DC otherwise.
class SurfacePixels {
 public:
  SurfacePixels(HDC dc, HBITMAP bitmap, const DibRows& rows);

  bool ok() const { return static_cast<bool>(rows_); }
  // Where logical (0, 0) lies on the surface.
  POINT device_origin() const { return device_origin_; }

  // The parts of |logical| that a drawing may touch, in surface pixels.
  const std::vector<Rect>& Visible(const Rect& logical);

  // Source over: colour = src + dst x (255 - src alpha) / 255, per channel,
  // rounded to nearest, as the platform's alpha blend does.
  void FillColor(const Rect& logical, uint32_t argb);
  // The same with a premultiplied pixel, faded by |alpha|.
  void FillPixel(const Rect& logical, uint32_t pixel, uint8_t alpha);
  // |source| holds |logical|'s pixels from its top-left corner, |stride|
  // pixels apart; blended with a constant alpha on top of its own.
  void Blend(const Rect& logical, const uint32_t* source, int stride, uint8_t alpha);
  void Copy(const Rect& logical, const uint32_t* source, int stride);

  // ARGB to the premultiplied pixel GDI+ hands to the blend.
  static uint32_t Premultiply(uint32_t argb);
  static uint32_t BlendPixel(uint32_t dst, uint32_t src);
  static uint32_t BlendPixel(uint32_t dst, uint32_t src, uint8_t alpha);

 private:
  HDC dc_;
  DibRows rows_;
  POINT device_origin_ = {0, 0};
  std::vector<Rect> visible_;
};

}  // namespace ui
