#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/weak_callback.h"
#include "ui/core/point.h"
#include "ui/core/rect.h"
#include "ui/core/size.h"

namespace ui {

// The drawing layer every control paints through. One back end ships
// (GDI for surfaces, blits and clips; flat GDI+ for anti-aliased geometry,
// gradients and text), but nothing above this header knows which.
//
// Colours are ARGB (alpha in the top byte). Rectangles exclude their right
// and bottom edges unless an operation says otherwise. Factory results are
// owned by the caller.

class IMatrix;
class IPen;

// A 32-bit BGRA surface (byte 3 of each pixel is alpha).
class IBitmap : public qbase::SupportWeakCallback {
 public:
  // Replaces any bitmap with a width x height DIB section; rows run
  // top-down when |top_down|. False, and empty, on failure.
  virtual bool Init(HDC dc, int width, int height, bool top_down) = 0;
  virtual void ClearPixels() = 0;
  // The caller owns the handle afterwards; the bitmap becomes empty.
  virtual HBITMAP TakeBitmap() = 0;
  virtual HBITMAP GetBitmap() const = 0;
  virtual void* GetPixelBits() const = 0;
  virtual int GetWidth() const = 0;
  virtual int GetHeight() const = 0;
  // Sets all four bytes of each pixel in the part of |rect| that lies on
  // the bitmap.
  virtual void FillAlpha(const Rect& rect, uint8_t value) = 0;
  // Rebuilds alpha after GDI painting: opaque everywhere in |rect| except
  // the four corner blocks of |padding|; pixels whose alpha equals a
  // non-zero |key| become transparent instead.
  virtual void RepairAlpha(const Rect& rect, const Rect& padding, uint8_t key) = 0;
};

class IClip : public qbase::SupportWeakCallback {
 public:
  virtual void PushClip(HDC dc, const Rect& rect) = 0;
  // The right and bottom edges belong to a round clip.
  virtual void PushRoundClip(HDC dc, const Rect& rect, int ellipse_width, int ellipse_height) = 0;
  virtual void PopClip(HDC dc) = 0;
};

class IPen : public qbase::SupportWeakCallback {
 public:
  // Values are those of the platform's GDI+ enumerations.
  enum LineCap { kLineCapFlat = 0, kLineCapSquare = 1, kLineCapRound = 2, kLineCapTriangle = 3 };
  enum DashCap { kDashCapFlat = 0, kDashCapRound = 2, kDashCapTriangle = 3 };
  enum LineJoin { kLineJoinMiter = 0, kLineJoinBevel = 1, kLineJoinRound = 2, kLineJoinMiterClipped = 3 };
  enum DashStyle {
    kDashStyleSolid = 0,
    kDashStyleDash = 1,
    kDashStyleDot = 2,
    kDashStyleDashDot = 3,
    kDashStyleDashDotDot = 4,
    kDashStyleCustom = 5
  };

  virtual std::unique_ptr<IPen> Clone() const = 0;
  virtual void SetWidth(int width) = 0;
  virtual int GetWidth() const = 0;
  virtual void SetColor(uint32_t argb) = 0;
  virtual uint32_t GetColor() const = 0;
  virtual void SetStartCap(LineCap cap) = 0;
  virtual void SetEndCap(LineCap cap) = 0;
  virtual void SetDashCap(DashCap cap) = 0;
  virtual LineCap GetStartCap() const = 0;
  virtual LineCap GetEndCap() const = 0;
  virtual DashCap GetDashCap() const = 0;
  virtual void SetLineJoin(LineJoin join) = 0;
  virtual LineJoin GetLineJoin() const = 0;
  virtual void SetDashStyle(DashStyle style) = 0;
  virtual DashStyle GetDashStyle() const = 0;
};

class IBrush : public qbase::SupportWeakCallback {
 public:
  virtual std::unique_ptr<IBrush> Clone() const = 0;
  virtual uint32_t GetColor() const = 0;
  // The bitmap the brush owns, if any.
  virtual IBitmap* GetBitmap() const = 0;
};

class IPath : public qbase::SupportWeakCallback {
 public:
  enum FillMode { kFillModeAlternate = 0, kFillModeWinding = 1 };

  virtual std::unique_ptr<IPath> Clone() const = 0;
  virtual void Reset() = 0;
  virtual void SetFillMode(FillMode mode) = 0;
  virtual FillMode GetFillMode() const = 0;
  virtual void StartFigure() = 0;
  virtual void CloseFigure() = 0;
  virtual void AddLine(int x1, int y1, int x2, int y2) = 0;
  virtual void AddLines(const Point* points, int count) = 0;
  virtual void AddBezier(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
  virtual void AddCurve(const Point* points, int count) = 0;
  virtual void AddRect(const Rect& rect) = 0;
  virtual void AddRect(int left, int top, int right, int bottom) = 0;
  virtual void AddEllipse(const Rect& rect) = 0;
  virtual void AddEllipse(int left, int top, int right, int bottom) = 0;
  // Angles in degrees, clockwise from the positive x axis.
  virtual void AddArc(int x, int y, int width, int height, float start_angle, float sweep_angle) = 0;
  virtual void AddPie(int x, int y, int width, int height, float start_angle, float sweep_angle) = 0;
  virtual void AddPolygon(const Point* points, int count) = 0;
  // World bounds, widened by |pen| when given.
  virtual Rect GetBounds(const IPen* pen) const = 0;
  virtual bool ContainsPoint(int x, int y) const = 0;
  virtual bool StrokeContainsPoint(int x, int y, const IPen* pen) const = 0;
  virtual void Transform(const IMatrix* matrix) = 0;
};

class IMatrix : public qbase::SupportWeakCallback {
 public:
  // All compose in prepend order.
  virtual void Translate(int offset_x, int offset_y) = 0;
  virtual void Scale(float scale_x, float scale_y) = 0;
  virtual void Rotate(float angle) = 0;
  virtual void RotateAt(float angle, const Point& center) = 0;
};

// Format flags of DrawText and MeasureText; the platform's DrawText values.
enum TextFormat : UINT {
  kTextLeft = 0x0,
  kTextTop = 0x0,
  kTextCenter = 0x1,
  kTextRight = 0x2,
  kTextVCenter = 0x4,
  kTextBottom = 0x8,
  kTextSingleLine = 0x20,
  kTextNoClip = 0x100,
  kTextEndEllipsis = 0x8000,
};

// An off-screen 32-bit surface and every drawing operation on it.
class IRenderContext : public qbase::SupportWeakCallback {
 public:
  virtual HDC GetHdc() const = 0;
  // False, keeping the pixels, when the size is unchanged.
  virtual bool Resize(int width, int height, bool top_down = true) = 0;
  virtual void ClearPixels() = 0;
  virtual std::unique_ptr<IRenderContext> Clone() = 0;
  // The caller owns the returned bitmap; null when there was none.
  virtual HBITMAP TakeBitmap() = 0;
  virtual void* GetPixelBits() const = 0;
  virtual int GetWidth() const = 0;
  virtual int GetHeight() const = 0;
  virtual void FillAlpha(const Rect& rect, uint8_t value) = 0;
  virtual void RepairAlpha(const Rect& rect, const Rect& padding, uint8_t key = 0) = 0;

  virtual bool IsTransparentTarget() const = 0;
  virtual bool SetTransparentTarget(bool transparent) = 0;

  virtual void SaveState() = 0;
  virtual void RestoreState() = 0;

  // The window origin: logical point origin lands on pixel (0, 0).
  virtual Point OffsetOrigin(int dx, int dy) = 0;
  virtual Point SetOrigin(const Point& origin) = 0;
  virtual Point GetOrigin() const = 0;

  virtual void PushClip(const Rect& rect) = 0;
  virtual void PushRoundClip(const Rect& rect, int ellipse_width, int ellipse_height) = 0;
  virtual void PopClip() = 0;

  virtual bool CopyFrom(int x, int y, int width, int height, HDC source, int source_x, int source_y,
                        DWORD raster_op = SRCCOPY) = 0;
  virtual bool BlendFrom(int x, int y, int width, int height, HDC source, int source_x, int source_y,
                         int source_width, int source_height, uint8_t alpha = 255) = 0;
  // Nine-grid drawing of |bitmap|'s |source| into |dest|: |corner| holds the
  // border widths in source pixels; borders keep their size, the centre is
  // stretched or tiled.
  virtual void DrawImage(const Rect& paint_rect, HBITMAP bitmap, bool has_alpha, const Rect& dest,
                         const Rect& source, const Rect& corner, uint8_t fade = 255, bool x_tiled = false,
                         bool y_tiled = false) = 0;

  virtual void FillNamedColor(const Rect& rect, const std::wstring& color_name, uint8_t alpha = 255) = 0;
  virtual void FillGradient(const Rect& rect, uint32_t color1, uint32_t color2, uint8_t alpha = 255) = 0;
  virtual void FillColor(const Rect& rect, uint32_t argb, uint8_t alpha = 255) = 0;

  virtual void StrokeLine(const IPen* pen, int x1, int y1, int x2, int y2) = 0;
  virtual void DrawLine(const Rect& rect, int width, uint32_t argb) = 0;
  virtual void DrawBezier(const IPen* pen, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
  virtual void DrawRect(const Rect& rect, int width, uint32_t argb) = 0;
  virtual void DrawRoundRect(const Rect& rect, const Size& round, int width, uint32_t argb) = 0;
  virtual void DrawText(const Rect& rect, const std::wstring& text, uint32_t argb, const std::wstring& font_id,
                        UINT format, uint8_t alpha = 255, bool line_limit = false) = 0;
  virtual void DrawEllipse(const Rect& rect, int width, uint32_t argb) = 0;
  virtual void FillEllipse(const Rect& rect, uint32_t argb) = 0;
  virtual Rect MeasureText(const std::wstring& text, const std::wstring& font_id, UINT format, int width = -1) = 0;
  virtual void DrawPath(const IPath* path, const IPen* pen) = 0;
  virtual void FillPath(const IPath* path, const IBrush* brush) = 0;
  // A 32-bit premultiplied |bitmap| into |dest|, turned |angle| degrees
  // clockwise about |center|, smoothly.
  virtual void DrawRotatedImage(HBITMAP bitmap, const Rect& dest, const Point& center, float angle) = 0;
};

class IRenderFactory {
 public:
  virtual ~IRenderFactory() = default;

  virtual std::unique_ptr<IPen> CreatePen(uint32_t argb, int width = 1) = 0;
  // Strokes with a vertical gradient over |box| from |top_argb| to
  // |bottom_argb|; blend factors (0 top, 1 bottom) at positions from 0 to 1.
  virtual std::unique_ptr<IPen> CreateGradientPen(const Rect& box, uint32_t top_argb, uint32_t bottom_argb,
                                                  const float* blend_factors, const float* blend_positions,
                                                  int blend_count, int width) = 0;
  // Tiles a copy of |bitmap|'s pixels; the brush does not keep the handle.
  virtual std::unique_ptr<IBrush> CreateBrush(HBITMAP bitmap) = 0;
  virtual std::unique_ptr<IBrush> CreateBrush(uint32_t argb) = 0;
  virtual std::unique_ptr<IMatrix> CreateMatrix() = 0;
  virtual std::unique_ptr<IPath> CreatePath() = 0;
  virtual std::unique_ptr<IBitmap> CreateBitmap() = 0;
  virtual std::unique_ptr<IRenderContext> CreateRenderContext() = 0;
};

}  // namespace ui
