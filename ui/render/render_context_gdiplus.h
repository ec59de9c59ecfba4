#pragma once

#include "ui/render/gdi_bitmap.h"
#include "ui/render/gdi_clip.h"
#include "ui/render/gdi_handles.h"
#include "ui/render/render_interface.h"
#include "ui/render/surface_pixels.h"

namespace ui {

// A memory DC with one 32-bit DIB section selected into it. GDI keeps the
// clips and origin; fills, blends and copies go straight to the pixels;
// GDI+ draws anti-aliased geometry and text, and what it draws is kept in
// the thread's pixel cache, so an unchanged label, outline or stretched
// picture is drawn once and copied after.
class RenderContext_GdiPlus : public IRenderContext {
 public:
  RenderContext_GdiPlus();
  ~RenderContext_GdiPlus() override;
  RenderContext_GdiPlus(const RenderContext_GdiPlus&) = delete;
  RenderContext_GdiPlus& operator=(const RenderContext_GdiPlus&) = delete;

  HDC GetHdc() const override { return dc_.get(); }
  bool Resize(int width, int height, bool top_down = true) override;
  void ClearPixels() override { bitmap_.ClearPixels(); }
  std::unique_ptr<IRenderContext> Clone() override;
  HBITMAP TakeBitmap() override;
  void* GetPixelBits() const override { return bitmap_.GetPixelBits(); }
  int GetWidth() const override { return bitmap_.GetWidth(); }
  int GetHeight() const override { return bitmap_.GetHeight(); }
  void FillAlpha(const Rect& rect, uint8_t value) override { bitmap_.FillAlpha(rect, value); }
  void RepairAlpha(const Rect& rect, const Rect& padding, uint8_t key = 0) override {
    bitmap_.RepairAlpha(rect, padding, key);
  }

  bool IsTransparentTarget() const override { return transparent_target_; }
  bool SetTransparentTarget(bool transparent) override;

  void SaveState() override;
  void RestoreState() override;

  Point OffsetOrigin(int dx, int dy) override;
  Point SetOrigin(const Point& origin) override;
  Point GetOrigin() const override;

  void PushClip(const Rect& rect) override { clip_.PushClip(dc_.get(), rect); }
  void PushRoundClip(const Rect& rect, int ellipse_width, int ellipse_height) override {
    clip_.PushRoundClip(dc_.get(), rect, ellipse_width, ellipse_height);
  }
  void PopClip() override { clip_.PopClip(dc_.get()); }

  bool CopyFrom(int x, int y, int width, int height, HDC source, int source_x, int source_y,
                DWORD raster_op = SRCCOPY) override;
  bool BlendFrom(int x, int y, int width, int height, HDC source, int source_x, int source_y, int source_width,
                 int source_height, uint8_t alpha = 255) override;
  void DrawImage(const Rect& paint_rect, HBITMAP bitmap, bool has_alpha, const Rect& dest, const Rect& source,
                 const Rect& corner, uint8_t fade = 255, bool x_tiled = false, bool y_tiled = false) override;

  void FillNamedColor(const Rect& rect, const std::wstring& color_name, uint8_t alpha = 255) override;
  void FillGradient(const Rect& rect, uint32_t color1, uint32_t color2, uint8_t alpha = 255) override;
  void FillColor(const Rect& rect, uint32_t argb, uint8_t alpha = 255) override;

  void StrokeLine(const IPen* pen, int x1, int y1, int x2, int y2) override;
  void DrawLine(const Rect& rect, int width, uint32_t argb) override;
  void DrawBezier(const IPen* pen, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
  void DrawRect(const Rect& rect, int width, uint32_t argb) override;
  void DrawRoundRect(const Rect& rect, const Size& round, int width, uint32_t argb) override;
  void DrawText(const Rect& rect, const std::wstring& text, uint32_t argb, const std::wstring& font_id, UINT format,
                uint8_t alpha = 255, bool line_limit = false) override;
  void DrawEllipse(const Rect& rect, int width, uint32_t argb) override;
  void FillEllipse(const Rect& rect, uint32_t argb) override;
  Rect MeasureText(const std::wstring& text, const std::wstring& font_id, UINT format, int width = -1) override;
  void DrawPath(const IPath* path, const IPen* pen) override;
  void FillPath(const IPath* path, const IBrush* brush) override;
  void DrawRotatedImage(HBITMAP bitmap, const Rect& dest, const Point& center, float angle) override;

 private:
  // Puts the DC's original bitmap back so ours can be replaced or taken.
  void UnselectBitmap();
  // One blit of a DrawImage piece, blending or stretching as the rules say.
  void DrawPiece(HDC source_dc, bool blend, const Rect& dest, const Rect& source, uint8_t fade);
  // The same piece from the source's own pixels, or from the stretched
  // copy kept in the pixel cache. False when it must go through the DC.
  bool DrawPieceFromPixels(SurfacePixels& surface, const DibRows& source_rows, HDC source_dc, bool blend,
                           const Rect& dest, const Rect& source, uint8_t fade);
  SurfacePixels Surface();
  // A DC for source bitmaps, made once; callers select and deselect.
  HDC SourceDc();

  UniqueMemoryDc dc_;
  UniqueMemoryDc source_dc_;
  HGDIOBJ old_bitmap_ = nullptr;
  int saved_state_ = 0;
  bool transparent_target_ = false;
  bool top_down_ = true;
  GdiClip clip_;
  GdiBitmap bitmap_;
};

}  // namespace ui
