#include "ui/render/render_context_gdiplus.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "ui/core/dpi_scale.h"
#include "ui/core/resource_manager.h"
#include "ui/render/brush_gdiplus.h"
#include "ui/render/gdiplus_flat.h"
#include "ui/render/path_gdiplus.h"
#include "ui/render/pen_gdiplus.h"
#include "ui/render/pixel_cache.h"

namespace ui {

namespace {

// The face whose glyphs sit one pixel high when centred vertically.
constexpr wchar_t kNewSongTi[] = L"\u65B0\u5B8B\u4F53";
// Two CJK characters whose height stands for one line of text.
constexpr wchar_t kLineProbe[] = L"\u6D4B\u8BD5";

UniqueGpGraphics MakeGraphics(HDC dc, bool antialias) {
  UniqueGpGraphics graphics;
  if (!dc || gp::GdipCreateFromHDC(dc, graphics.put()) != Gdiplus::Ok) return UniqueGpGraphics();
  if (antialias) gp::GdipSetSmoothingMode(graphics.get(), Gdiplus::SmoothingModeAntiAlias);
  return graphics;
}

UniqueGpPen MakePen(uint32_t argb, int width) {
  UniqueGpPen pen;
  gp::GdipCreatePen1(argb, static_cast<Gdiplus::REAL>(width), Gdiplus::UnitWorld, pen.put());
  return pen;
}

UniqueGpBrush MakeSolidBrush(uint32_t argb) {
  Gdiplus::GpSolidFill* fill = nullptr;
  gp::GdipCreateSolidFill(argb, &fill);
  return UniqueGpBrush(fill);
}

Gdiplus::GpPen* PenOf(const IPen* pen) {
  const Pen_GdiPlus* gdiplus_pen = dynamic_cast<const Pen_GdiPlus*>(pen);
  return gdiplus_pen ? gdiplus_pen->GetPen() : nullptr;
}

// Alpha 255 keeps the colour; anything lower scales the colour's own alpha.
uint32_t ScaleAlpha(uint32_t argb, uint8_t alpha) {
  if (alpha == 255) return argb;
  const uint32_t scaled = (argb >> 24) * alpha / 255;
  return (scaled << 24) | (argb & 0x00FFFFFF);
}

// The registered font, else the DC's own; the generic sans-serif face keeps
// text visible when neither is a face GDI+ can use.
UniqueGpFont MakeFont(HDC dc, const std::wstring& font_id, FontInfo** info_out) {
  UniqueGpFont font;
  FontInfo* info = ResourceManager::GetFont(font_id);
  if (info && info->font) {
    LOGFONTW description = {};
    if (::GetObjectW(info->font.get(), sizeof(description), &description) == sizeof(description)) {
      gp::GdipCreateFontFromLogfontW(dc, &description, font.put());
    }
  } else {
    info = nullptr;
  }
  if (!font) gp::GdipCreateFontFromDC(dc, font.put());
  if (!font) {
    Gdiplus::GpFontFamily* family = nullptr;
    if (gp::GdipGetGenericFontFamilySansSerif(&family) == Gdiplus::Ok) {
      gp::GdipCreateFont(family, 12.0f, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel, font.put());
    }
  }
  if (info_out) *info_out = info;
  return font;
}

UniqueGpStringFormat CopyGenericTypographic() {
  Gdiplus::GpStringFormat* generic = nullptr;
  UniqueGpStringFormat format;
  // The generic format belongs to GDI+ and is never deleted here.
  if (gp::GdipStringFormatGetGenericTypographic(&generic) == Gdiplus::Ok && generic) {
    gp::GdipCloneStringFormat(generic, format.put());
  }
  return format;
}

// Past this many pixels a drawing is not worth keeping: it would push out
// everything else.
constexpr int kMaxCachedPixels = 4 * 1024 * 1024;
// A stretched piece is cached only when its source is small enough to be
// part of its key.
constexpr int kMaxKeyedSourcePixels = 64 * 1024;

// What a text's look depends on besides its own arguments: the registered
// font, and the DC's font, which stands in when the first cannot be used.
void AddFonts(PixelCache::Key& key, HDC dc, const std::wstring& font_id) {
  LOGFONTW description = {};
  const FontInfo* info = ResourceManager::GetFont(font_id);
  const bool registered =
      info && info->font && ::GetObjectW(info->font.get(), sizeof(description), &description) == sizeof(description);
  key.Add(static_cast<uint32_t>(registered));
  if (registered) key.AddBytes(&description, sizeof(description));
  LOGFONTW current = {};
  ::GetObjectW(::GetCurrentObject(dc, OBJ_FONT), sizeof(current), &current);
  key.AddBytes(&current, sizeof(current));
}

// The smallest part of |block| that holds every pixel that is not clear.
void CropToInk(PixelCache::Block* block) {
  const int width = block->bounds.Width();
  const int height = block->bounds.Height();
  int left = width, top = height, right = 0, bottom = 0;
  for (int y = 0; y < height; ++y) {
    const uint32_t* row = block->pixels.data() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      if (!row[x]) continue;
      left = std::min(left, x);
      right = std::max(right, x + 1);
      top = std::min(top, y);
      bottom = y + 1;
    }
  }
  if (left >= right) {
    block->bounds = Rect();
    block->pixels.clear();
    return;
  }
  std::vector<uint32_t> ink(static_cast<size_t>(right - left) * (bottom - top));
  for (int y = top; y < bottom; ++y) {
    std::memcpy(&ink[static_cast<size_t>(y - top) * (right - left)],
                block->pixels.data() + static_cast<size_t>(y) * width + left, static_cast<size_t>(right - left) * 4);
  }
  block->bounds = Rect(block->bounds.left + left, block->bounds.top + top, block->bounds.left + right,
                       block->bounds.top + bottom);
  block->pixels = std::move(ink);
}

// The string of DrawText, laid out in a |size| box whose top-left corner is
// |at| on |graphics|. |dc| supplies the fonts.
void DrawString(Gdiplus::GpGraphics* graphics, HDC dc, const Point& at, const Size& size, const std::wstring& text,
                uint32_t color, const std::wstring& font_id, UINT format, bool line_limit) {
  FontInfo* info = nullptr;
  UniqueGpFont font = MakeFont(dc, font_id, &info);
  UniqueGpStringFormat string_format = CopyGenericTypographic();
  UniqueGpBrush brush = MakeSolidBrush(color);
  if (!font || !string_format || !brush) return;

  Gdiplus::GpStringFormat* f = string_format.get();
  if (format & kTextEndEllipsis) gp::GdipSetStringFormatTrimming(f, Gdiplus::StringTrimmingEllipsisCharacter);
  INT flags = 0;
  if (format & kTextNoClip) flags |= Gdiplus::StringFormatFlagsNoClip;
  if (format & kTextSingleLine) flags |= Gdiplus::StringFormatFlagsNoWrap;
  if (line_limit) flags |= Gdiplus::StringFormatFlagsLineLimit;
  gp::GdipSetStringFormatFlags(f, flags);
  gp::GdipSetStringFormatAlign(f, (format & kTextCenter)  ? Gdiplus::StringAlignmentCenter
                                  : (format & kTextRight) ? Gdiplus::StringAlignmentFar
                                                          : Gdiplus::StringAlignmentNear);
  gp::GdipSetStringFormatLineAlign(f, (format & kTextVCenter)  ? Gdiplus::StringAlignmentCenter
                                      : (format & kTextBottom) ? Gdiplus::StringAlignmentFar
                                                               : Gdiplus::StringAlignmentNear);

  Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(at.x), static_cast<Gdiplus::REAL>(at.y),
                        static_cast<Gdiplus::REAL>(size.cx), static_cast<Gdiplus::REAL>(size.cy));
  if ((format & kTextVCenter) && info && info->face_name == kNewSongTi) {
    if (info->text_metrics.tmHeight == 0) {
      ScopedSelectObject select(dc, info->font.get());
      ::GetTextMetricsW(dc, &info->text_metrics);
    }
    if (size.cy >= info->text_metrics.tmHeight + 2) layout.Y += 1;
  }
  gp::GdipDrawString(graphics, text.c_str(), static_cast<INT>(text.size()), font.get(), &layout, f, brush.get());
}

// Whether every pixel of |area| is the same; only asked of small areas.
bool IsUniform(const DibRows& rows, const Rect& area) {
  if (static_cast<int64_t>(area.Width()) * area.Height() > kMaxKeyedSourcePixels) return false;
  const uint32_t first = *(rows.Row(area.top) + area.left);
  for (int y = area.top; y < area.bottom; ++y) {
    const uint32_t* row = rows.Row(y);
    for (int x = area.left; x < area.right; ++x) {
      if (row[x] != first) return false;
    }
  }
  return true;
}

// Draws with GDI+ on a graphics over the block's pixels; |anchor| is where
// the drawing's anchor point lies on that graphics.
using BlockRenderer = std::function<void(Gdiplus::GpGraphics* graphics, const Point& anchor)>;

bool RenderBlock(const Rect& bounds, bool antialias, const BlockRenderer& render, PixelCache::Block* block) {
  const int width = bounds.Width();
  const int height = bounds.Height();
  if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > kMaxCachedPixels) return false;
  block->bounds = bounds;
  block->pixels.assign(static_cast<size_t>(width) * height, 0);
  Gdiplus::GpBitmap* target = nullptr;
  if (gp::GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppPARGB,
                                    reinterpret_cast<BYTE*>(block->pixels.data()), &target) != Gdiplus::Ok) {
    return false;
  }
  UniqueGpImage image(target);
  UniqueGpGraphics graphics;
  if (gp::GdipGetImageGraphicsContext(image.get(), graphics.put()) != Gdiplus::Ok) return false;
  if (antialias) gp::GdipSetSmoothingMode(graphics.get(), Gdiplus::SmoothingModeAntiAlias);
  render(graphics.get(), Point(-bounds.left, -bounds.top));
  gp::GdipFlush(graphics.get(), Gdiplus::FlushIntentionSync);
  graphics.reset();
  image.reset();
  CropToInk(block);
  return true;
}

// Blends the cached result of |key| at |anchor|, drawing it into the cache
// first. False when the surface cannot take it; the caller then draws
// through the DC.
bool DrawCachedBlock(SurfacePixels& surface, const PixelCache::Key& key, const Point& anchor, const Rect& bounds,
                     bool antialias, const BlockRenderer& render) {
  if (!surface.ok()) return false;
  PixelCache& cache = PixelCache::Current();
  const PixelCache::Block* block = cache.FindBlock(key);
  if (!block) {
    PixelCache::Block drawn;
    if (!RenderBlock(bounds, antialias, render, &drawn)) return false;
    block = cache.InsertBlock(key, std::move(drawn));
    if (!block) return false;
  }
  if (block->pixels.empty()) return true;
  Rect at = block->bounds;
  at.Offset(anchor.x, anchor.y);
  surface.Blend(at, block->pixels.data(), block->bounds.Width(), 255);
  return true;
}

// A shape drawn through the cache, or straight onto the DC when the surface
// cannot take it.
void DrawShape(SurfacePixels& surface, HDC dc, const PixelCache::Key& key, const Point& anchor, const Rect& bounds,
               bool antialias, const BlockRenderer& draw) {
  if (DrawCachedBlock(surface, key, anchor, bounds, antialias, draw)) return;
  UniqueGpGraphics graphics = MakeGraphics(dc, antialias);
  if (graphics) draw(graphics.get(), anchor);
}

// The box of a shape of |size| drawn from its top-left corner, widened on
// every side by how far its pen and anti-aliasing reach.
Rect ShapeBounds(int width, int height, int reach) {
  return Rect(std::min(0, width) - reach, std::min(0, height) - reach, std::max(0, width) + reach,
              std::max(0, height) + reach);
}

}  // namespace

RenderContext_GdiPlus::RenderContext_GdiPlus() : dc_(::CreateCompatibleDC(nullptr)) {}

RenderContext_GdiPlus::~RenderContext_GdiPlus() {
  UnselectBitmap();
  dc_.reset();
  // The bitmap member goes last, after the DC that held it.
}

void RenderContext_GdiPlus::UnselectBitmap() {
  if (old_bitmap_ && dc_) ::SelectObject(dc_.get(), old_bitmap_);
  old_bitmap_ = nullptr;
}

bool RenderContext_GdiPlus::Resize(int width, int height, bool top_down) {
  if (width == bitmap_.GetWidth() && height == bitmap_.GetHeight()) return false;
  UnselectBitmap();
  if (!bitmap_.Init(dc_.get(), width, height, top_down)) return false;
  top_down_ = top_down;
  old_bitmap_ = ::SelectObject(dc_.get(), bitmap_.GetBitmap());
  return true;
}

std::unique_ptr<IRenderContext> RenderContext_GdiPlus::Clone() {
  auto copy = std::make_unique<RenderContext_GdiPlus>();
  if (GetWidth() > 0 && copy->Resize(GetWidth(), GetHeight(), top_down_)) {
    // Straight from memory: the origin and clip of this surface must not
    // shift or crop the copy.
    ::GdiFlush();
    std::memcpy(copy->GetPixelBits(), GetPixelBits(), static_cast<size_t>(GetWidth()) * GetHeight() * 4);
  }
  return copy;
}

HBITMAP RenderContext_GdiPlus::TakeBitmap() {
  if (!bitmap_.GetBitmap()) return nullptr;
  UnselectBitmap();
  return bitmap_.TakeBitmap();
}

bool RenderContext_GdiPlus::SetTransparentTarget(bool transparent) {
  const bool old = transparent_target_;
  transparent_target_ = transparent;
  return old;
}

void RenderContext_GdiPlus::SaveState() { saved_state_ = ::SaveDC(dc_.get()); }

void RenderContext_GdiPlus::RestoreState() {
  // A second restore must not pop a level pushed since under the same number.
  if (saved_state_ > 0) ::RestoreDC(dc_.get(), saved_state_);
  saved_state_ = 0;
}

Point RenderContext_GdiPlus::OffsetOrigin(int dx, int dy) {
  const Point old = GetOrigin();
  ::SetWindowOrgEx(dc_.get(), old.x + dx, old.y + dy, nullptr);
  return old;
}

Point RenderContext_GdiPlus::SetOrigin(const Point& origin) {
  const Point old = GetOrigin();
  ::SetWindowOrgEx(dc_.get(), origin.x, origin.y, nullptr);
  return old;
}

Point RenderContext_GdiPlus::GetOrigin() const {
  POINT origin = {};
  ::GetWindowOrgEx(dc_.get(), &origin);
  return Point(origin);
}

bool RenderContext_GdiPlus::CopyFrom(int x, int y, int width, int height, HDC source, int source_x, int source_y,
                                     DWORD raster_op) {
  return ::BitBlt(dc_.get(), x, y, width, height, source, source_x, source_y, raster_op) != FALSE;
}

bool RenderContext_GdiPlus::BlendFrom(int x, int y, int width, int height, HDC source, int source_x, int source_y,
                                      int source_width, int source_height, uint8_t alpha) {
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
  return ::AlphaBlend(dc_.get(), x, y, width, height, source, source_x, source_y, source_width, source_height,
                      blend) != FALSE;
}

void RenderContext_GdiPlus::DrawPiece(HDC source_dc, bool blend, const Rect& dest, const Rect& source,
                                      uint8_t fade) {
  if (blend || (dest.Width() == source.Width() && dest.Height() == source.Height())) {
    BlendFrom(dest.left, dest.top, dest.Width(), dest.Height(), source_dc, source.left, source.top, source.Width(),
              source.Height(), fade);
  } else {
    ::StretchBlt(dc_.get(), dest.left, dest.top, dest.Width(), dest.Height(), source_dc, source.left, source.top,
                 source.Width(), source.Height(), SRCCOPY);
  }
}

bool RenderContext_GdiPlus::DrawPieceFromPixels(SurfacePixels& surface, const DibRows& source_rows, HDC source_dc,
                                                bool blend, const Rect& dest, const Rect& source, uint8_t fade) {
  if (!surface.ok() || !source_rows || dest.IsEmpty() || source.IsEmpty()) return false;
  const Rect whole(0, 0, source_rows.width, source_rows.height);
  Rect inside;
  // A source reaching off the bitmap fails as the blit would.
  if (!inside.Intersect(source, whole) || inside != source) return false;
  const bool same_size = dest.Width() == source.Width() && dest.Height() == source.Height();
  if (same_size) {
    const int stride = source_rows.stride / 4;
    surface.Blend(dest, source_rows.Row(source.top) + source.left, stride, fade);
    return true;
  }
  if (blend && IsUniform(source_rows, source)) {
    // Blending a stretched copy of one colour is blending that colour;
    // the shadow's edges and centre are such pieces.
    surface.FillPixel(dest, *(source_rows.Row(source.top) + source.left), fade);
    return true;
  }
  if (static_cast<int64_t>(dest.Width()) * dest.Height() > kMaxCachedPixels) return false;

  // The stretched piece depends on its source pixels, a ring of neighbours
  // that a filter may reach, the two sizes and how it is stretched.
  Rect ring(source.left - 1, source.top - 1, source.right + 1, source.bottom + 1);
  ring.Intersect(whole);
  if (static_cast<int64_t>(ring.Width()) * ring.Height() > kMaxKeyedSourcePixels) return false;
  PixelCache::Key key(L'S');
  key.Add(static_cast<uint32_t>(blend)).Add(dest.Width()).Add(dest.Height());
  key.Add(source.left - ring.left).Add(source.top - ring.top).Add(source.Width()).Add(source.Height());
  key.Add(ring.Width()).Add(ring.Height());
  for (int y = ring.top; y < ring.bottom; ++y)
    key.AddBytes(source_rows.Row(y) + ring.left, static_cast<size_t>(ring.Width()) * 4);

  PixelCache& cache = PixelCache::Current();
  const PixelCache::Block* block = cache.FindBlock(key);
  if (!block) {
    // Stretched once onto a clear surface of the piece's size; blending onto
    // clear pixels leaves the source's own.
    RenderContext_GdiPlus scratch;
    if (!scratch.Resize(dest.Width(), dest.Height())) return false;
    HDC scratch_dc = scratch.GetHdc();
    if (blend) {
      BLENDFUNCTION function = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      if (!::AlphaBlend(scratch_dc, 0, 0, dest.Width(), dest.Height(), source_dc, source.left, source.top,
                        source.Width(), source.Height(), function)) {
        return false;
      }
    } else {
      ::SetStretchBltMode(scratch_dc, HALFTONE);
      ::SetBrushOrgEx(scratch_dc, 0, 0, nullptr);
      if (!::StretchBlt(scratch_dc, 0, 0, dest.Width(), dest.Height(), source_dc, source.left, source.top,
                        source.Width(), source.Height(), SRCCOPY)) {
        return false;
      }
    }
    ::GdiFlush();
    PixelCache::Block stretched;
    stretched.bounds = Rect(0, 0, dest.Width(), dest.Height());
    const uint32_t* pixels = static_cast<const uint32_t*>(scratch.GetPixelBits());
    stretched.pixels.assign(pixels, pixels + static_cast<size_t>(dest.Width()) * dest.Height());
    block = cache.InsertBlock(key, std::move(stretched));
    if (!block) return false;
  }
  if (blend) {
    surface.Blend(dest, block->pixels.data(), dest.Width(), fade);
  } else {
    surface.Copy(dest, block->pixels.data(), dest.Width());
  }
  return true;
}

void RenderContext_GdiPlus::DrawImage(const Rect& paint_rect, HBITMAP bitmap, bool has_alpha, const Rect& dest,
                                      const Rect& source, const Rect& corner, uint8_t fade, bool x_tiled,
                                      bool y_tiled) {
  Rect visible;
  if (!bitmap || !visible.Intersect(dest, paint_rect)) return;

  // A bitmap that another DC holds cannot be drawn, here as through GDI.
  HDC source_dc = SourceDc();
  HGDIOBJ previous = source_dc ? ::SelectObject(source_dc, bitmap) : nullptr;
  if (!previous) return;
  ::SelectObject(source_dc, previous);
  SurfacePixels surface = Surface();
  // Read while no DC holds the bitmap.
  const DibRows source_rows = surface.ok() ? DibRows::Of(bitmap, dc_.get()) : DibRows();
  ScopedSelectObject select(source_dc, bitmap);
  const int old_mode = ::SetStretchBltMode(dc_.get(), HALFTONE);
  POINT old_brush_origin = {};
  ::SetBrushOrgEx(dc_.get(), 0, 0, &old_brush_origin);

  const bool blend = transparent_target_ || has_alpha || fade < 255;
  // Border widths are lengths, so each is scaled on its own.
  const DpiScale& scale = DpiScale::GetInstance();
  const Rect dc_corner(scale.ScaleValue(corner.left), scale.ScaleValue(corner.top), scale.ScaleValue(corner.right),
                       scale.ScaleValue(corner.bottom));
  const Rect& c = corner;
  const Rect& d = dest;
  const Rect& s = source;
  const Rect& k = dc_corner;
  auto piece = [&](const Rect& to, const Rect& from) {
    if (!DrawPieceFromPixels(surface, source_rows, source_dc, blend, to, from, fade))
      DrawPiece(source_dc, blend, to, from, fade);
  };

  const Rect centre_dest(d.left + k.left, d.top + k.top, d.right - k.right, d.bottom - k.bottom);
  const Rect centre_source(s.left + c.left, s.top + c.top, s.right - c.right, s.bottom - c.bottom);
  Rect hit;
  if (hit.Intersect(centre_dest, paint_rect)) {
    const int tile_w = s.Width() - c.left - c.right;
    const int tile_h = s.Height() - c.top - c.bottom;
    if (!x_tiled && !y_tiled) {
      piece(centre_dest, centre_source);
    } else if (tile_w > 0 && tile_h > 0) {
      // A source without a centre has nothing to tile.
      const int columns = x_tiled ? (centre_dest.Width() + tile_w - 1) / tile_w : 1;
      const int rows = y_tiled ? (centre_dest.Height() + tile_h - 1) / tile_h : 1;
      for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
          Rect to = centre_dest;
          Rect from = centre_source;
          if (x_tiled) {
            to.left = centre_dest.left + i * tile_w;
            to.right = std::min<int>(to.left + tile_w, centre_dest.right);
            from.right = from.left + to.Width();
          }
          if (y_tiled) {
            to.top = centre_dest.top + j * tile_h;
            to.bottom = std::min<int>(to.top + tile_h, centre_dest.bottom);
            from.bottom = from.top + to.Height();
          }
          piece(to, from);
        }
      }
    }
  }

  auto border = [&](bool sizes_positive, const Rect& to, const Rect& from) {
    Rect overlap;
    if (sizes_positive && overlap.Intersect(to, paint_rect)) piece(to, from);
  };
  border(c.left > 0 && c.top > 0, Rect(d.left, d.top, d.left + k.left, d.top + k.top),
         Rect(s.left, s.top, s.left + c.left, s.top + c.top));
  border(c.top > 0, Rect(d.left + k.left, d.top, d.right - k.right, d.top + k.top),
         Rect(s.left + c.left, s.top, s.right - c.right, s.top + c.top));
  border(c.right > 0 && c.top > 0, Rect(d.right - k.right, d.top, d.right, d.top + k.top),
         Rect(s.right - c.right, s.top, s.right, s.top + c.top));
  border(c.left > 0, Rect(d.left, d.top + k.top, d.left + k.left, d.bottom - k.bottom),
         Rect(s.left, s.top + c.top, s.left + c.left, s.bottom - c.bottom));
  border(c.right > 0, Rect(d.right - k.right, d.top + k.top, d.right, d.bottom - k.bottom),
         Rect(s.right - c.right, s.top + c.top, s.right, s.bottom - c.bottom));
  border(c.left > 0 && c.bottom > 0, Rect(d.left, d.bottom - k.bottom, d.left + k.left, d.bottom),
         Rect(s.left, s.bottom - c.bottom, s.left + c.left, s.bottom));
  border(c.bottom > 0, Rect(d.left + k.left, d.bottom - k.bottom, d.right - k.right, d.bottom),
         Rect(s.left + c.left, s.bottom - c.bottom, s.right - c.right, s.bottom));
  border(c.right > 0 && c.bottom > 0, Rect(d.right - k.right, d.bottom - k.bottom, d.right, d.bottom),
         Rect(s.right - c.right, s.bottom - c.bottom, s.right, s.bottom));

  ::SetBrushOrgEx(dc_.get(), old_brush_origin.x, old_brush_origin.y, nullptr);
  ::SetStretchBltMode(dc_.get(), old_mode);
}

SurfacePixels RenderContext_GdiPlus::Surface() {
  return SurfacePixels(dc_.get(), bitmap_.GetBitmap(),
                       DibRows::Make(bitmap_.GetPixelBits(), bitmap_.GetWidth(), bitmap_.GetHeight(), top_down_));
}

HDC RenderContext_GdiPlus::SourceDc() {
  if (!source_dc_) source_dc_.reset(::CreateCompatibleDC(dc_.get()));
  return source_dc_.get();
}

void RenderContext_GdiPlus::FillNamedColor(const Rect& rect, const std::wstring& color_name, uint8_t alpha) {
  if (color_name.empty()) return;
  FillColor(rect, ResourceManager::GetTextColor(color_name), alpha);
}

void RenderContext_GdiPlus::FillGradient(const Rect& rect, uint32_t color1, uint32_t color2, uint8_t alpha) {
  // GDI+ refuses a gradient over an empty box.
  if (rect.IsEmpty()) return;
  UniqueGpGraphics graphics = MakeGraphics(dc_.get(), false);
  if (!graphics) return;
  const Gdiplus::GpRect box(rect.left, rect.top, rect.Width(), rect.Height());
  Gdiplus::GpLineGradient* gradient = nullptr;
  // Vertical: colour 1 on the top edge, colour 2 on the bottom edge.
  gp::GdipCreateLineBrushFromRectI(&box, ScaleAlpha(color1, alpha), color2, Gdiplus::LinearGradientModeVertical,
                                   Gdiplus::WrapModeTile, &gradient);
  UniqueGpBrush brush(gradient);
  if (brush) gp::GdipFillRectangleI(graphics.get(), brush.get(), box.X, box.Y, box.Width, box.Height);
}

void RenderContext_GdiPlus::FillColor(const Rect& rect, uint32_t argb, uint8_t alpha) {
  const uint32_t color = ScaleAlpha(argb, alpha);
  if (rect.Width() >= 0 && rect.Height() >= 0) {
    SurfacePixels surface = Surface();
    if (surface.ok()) {
      surface.FillColor(rect, color);
      return;
    }
  }
  UniqueGpGraphics graphics = MakeGraphics(dc_.get(), false);
  UniqueGpBrush brush = MakeSolidBrush(color);
  if (graphics && brush) {
    gp::GdipFillRectangleI(graphics.get(), brush.get(), rect.left, rect.top, rect.Width(), rect.Height());
  }
}

void RenderContext_GdiPlus::StrokeLine(const IPen* pen, int x1, int y1, int x2, int y2) {
  Gdiplus::GpPen* native_pen = PenOf(pen);
  UniqueGpGraphics graphics = MakeGraphics(dc_.get(), true);
  if (graphics && native_pen) gp::GdipDrawLineI(graphics.get(), native_pen, x1, y1, x2, y2);
}

void RenderContext_GdiPlus::DrawLine(const Rect& rect, int width, uint32_t argb) {
  auto draw = [=](Gdiplus::GpGraphics* graphics, const Point& at) {
    UniqueGpPen pen = MakePen(argb, width);
    if (pen) gp::GdipDrawLineI(graphics, pen.get(), at.x, at.y, at.x + rect.Width(), at.y + rect.Height());
  };
  PixelCache::Key key(L'L');
  key.Add(rect.Width()).Add(rect.Height()).Add(width).Add(argb);
  SurfacePixels surface = Surface();
  // Anchored at the start point; the pen reaches past both ends.
  DrawShape(surface, dc_.get(), key, Point(rect.left, rect.top),
            ShapeBounds(rect.Width(), rect.Height(), std::abs(width) + 2), false, draw);
}

void RenderContext_GdiPlus::DrawBezier(const IPen* pen, int x1, int y1, int x2, int y2, int x3, int y3, int x4,
                                       int y4) {
  Gdiplus::GpPen* native_pen = PenOf(pen);
  UniqueGpGraphics graphics = MakeGraphics(dc_.get(), true);
  if (graphics && native_pen) gp::GdipDrawBezierI(graphics.get(), native_pen, x1, y1, x2, y2, x3, y3, x4, y4);
}

void RenderContext_GdiPlus::DrawRect(const Rect& rect, int width, uint32_t argb) {
  auto draw = [=](Gdiplus::GpGraphics* graphics, const Point& at) {
    UniqueGpPen pen = MakePen(argb, width);
    if (pen) gp::GdipDrawRectangleI(graphics, pen.get(), at.x, at.y, rect.Width(), rect.Height());
  };
  PixelCache::Key key(L'r');
  key.Add(rect.Width()).Add(rect.Height()).Add(width).Add(argb);
  SurfacePixels surface = Surface();
  DrawShape(surface, dc_.get(), key, Point(rect.left, rect.top),
            ShapeBounds(rect.Width(), rect.Height(), std::abs(width) + 2), false, draw);
}

void RenderContext_GdiPlus::DrawRoundRect(const Rect& rect, const Size& round, int width, uint32_t argb) {
  const int w = rect.Width(), h = rect.Height();
  const int rx = round.cx, ry = round.cy;
  auto draw = [=](Gdiplus::GpGraphics* graphics, const Point& at) {
    UniqueGpPen pen = MakePen(argb, width);
    UniqueGpPath path;
    gp::GdipCreatePath(Gdiplus::FillModeAlternate, path.put());
    if (!pen || !path) return;
    const int l = at.x, t = at.y, r = at.x + w, b = at.y + h;
    Gdiplus::GpPath* p = path.get();
    gp::GdipAddPathArcI(p, l, t, rx, ry, 180, 90);
    gp::GdipAddPathLineI(p, l + rx, t, r - rx, t);
    gp::GdipAddPathArcI(p, r - rx, t, rx, ry, 270, 90);
    gp::GdipAddPathLineI(p, r, t + ry, r, b - ry);
    gp::GdipAddPathArcI(p, r - rx, b - ry, rx, ry, 0, 90);
    gp::GdipAddPathLineI(p, r - rx, b, l + rx, b);
    gp::GdipAddPathArcI(p, l, b - ry, rx, ry, 90, 90);
    gp::GdipAddPathLineI(p, l, b - ry, l, t + ry);
    gp::GdipClosePathFigure(p);
    gp::GdipDrawPath(graphics, pen.get(), p);
  };
  PixelCache::Key key(L'R');
  key.Add(w).Add(h).Add(rx).Add(ry).Add(width).Add(argb);
  SurfacePixels surface = Surface();
  // The arcs stay inside the box whatever the corner size; the pen and the
  // anti-aliasing reach past it.
  DrawShape(surface, dc_.get(), key, Point(rect.left, rect.top), ShapeBounds(w, h, std::abs(width) + 2), true, draw);
}

void RenderContext_GdiPlus::DrawText(const Rect& rect, const std::wstring& text, uint32_t argb,
                                     const std::wstring& font_id, UINT format, uint8_t alpha, bool line_limit) {
  if (text.empty()) return;
  // Never fully opaque: GDI+ then blends glyphs itself instead of handing
  // them to GDI, which would wipe the alpha channel under the text.
  uint32_t text_alpha = static_cast<uint32_t>((argb >> 24) / 255.0 * alpha);
  if (text_alpha >= 255) text_alpha = 254;
  const uint32_t color = (text_alpha << 24) | (argb & 0x00FFFFFF);
  const Size size(rect.Width(), rect.Height());
  HDC dc = dc_.get();
  auto draw = [&](Gdiplus::GpGraphics* graphics, const Point& at) {
    DrawString(graphics, dc, at, size, text, color, font_id, format, line_limit);
  };

  SurfacePixels surface = Surface();
  if (surface.ok() && size.cx >= 0 && size.cy >= 0) {
    PixelCache::Key key(L'T');
    const UINT used = format & (kTextCenter | kTextRight | kTextVCenter | kTextBottom | kTextSingleLine | kTextNoClip |
                                kTextEndEllipsis);
    key.Add(size.cx).Add(size.cy).Add(color).Add(static_cast<uint32_t>(used)).Add(static_cast<uint32_t>(line_limit));
    AddFonts(key, dc, font_id);
    key.Add(text);
    // Unclipped text may run past its box by as much as it is larger than
    // the box, on either side whatever the alignment; the glyphs' own
    // overhang adds a line's height at most.
    PixelCache& cache = PixelCache::Current();
    Rect bounds;
    if (!cache.FindBlock(key)) {
      const Rect extent = MeasureText(text, font_id, format, (format & kTextSingleLine) ? -1 : size.cx);
      const FontInfo* info = ResourceManager::GetFont(font_id);
      LOGFONTW description = {};
      ::GetObjectW(info && info->font ? info->font.get() : ::GetCurrentObject(dc, OBJ_FONT), sizeof(description),
                   &description);
      const int margin = std::max<int>(4, std::abs(description.lfHeight)) + 2;
      const int over_x = std::max<int>(0, extent.Width() - size.cx) + margin;
      const int over_y = std::max<int>(0, extent.Height() - size.cy) + margin;
      bounds = Rect(-over_x, -over_y, size.cx + over_x, size.cy + over_y);
    }
    if (DrawCachedBlock(surface, key, Point(rect.left, rect.top), bounds, false, draw)) return;
  }
  UniqueGpGraphics graphics = MakeGraphics(dc, false);
  if (graphics) draw(graphics.get(), Point(rect.left, rect.top));
}

void RenderContext_GdiPlus::DrawEllipse(const Rect& rect, int width, uint32_t argb) {
  auto draw = [=](Gdiplus::GpGraphics* graphics, const Point& at) {
    UniqueGpPen pen = MakePen(argb, width);
    if (pen) gp::GdipDrawEllipseI(graphics, pen.get(), at.x, at.y, rect.Width(), rect.Height());
  };
  PixelCache::Key key(L'e');
  key.Add(rect.Width()).Add(rect.Height()).Add(width).Add(argb);
  SurfacePixels surface = Surface();
  DrawShape(surface, dc_.get(), key, Point(rect.left, rect.top),
            ShapeBounds(rect.Width(), rect.Height(), std::abs(width) + 2), true, draw);
}

void RenderContext_GdiPlus::FillEllipse(const Rect& rect, uint32_t argb) {
  auto draw = [=](Gdiplus::GpGraphics* graphics, const Point& at) {
    UniqueGpBrush brush = MakeSolidBrush(argb);
    if (brush) gp::GdipFillEllipseI(graphics, brush.get(), at.x, at.y, rect.Width(), rect.Height());
  };
  PixelCache::Key key(L'E');
  key.Add(rect.Width()).Add(rect.Height()).Add(argb);
  SurfacePixels surface = Surface();
  DrawShape(surface, dc_.get(), key, Point(rect.left, rect.top), ShapeBounds(rect.Width(), rect.Height(), 2), true,
            draw);
}

Rect RenderContext_GdiPlus::MeasureText(const std::wstring& text, const std::wstring& font_id, UINT format,
                                        int width) {
  PixelCache::Key key(L'M');
  key.Add(static_cast<uint32_t>(format & kTextSingleLine)).Add(width);
  AddFonts(key, dc_.get(), font_id);
  key.Add(text);
  Rect measure;
  PixelCache& cache = PixelCache::Current();
  if (cache.FindMeasure(key, &measure)) return measure;

  UniqueGpGraphics graphics = MakeGraphics(dc_.get(), false);
  if (!graphics) return Rect();
  UniqueGpFont font = MakeFont(dc_.get(), font_id, nullptr);
  UniqueGpStringFormat string_format = CopyGenericTypographic();
  if (!font || !string_format) return Rect();
  if (format & kTextSingleLine) gp::GdipSetStringFormatFlags(string_format.get(), Gdiplus::StringFormatFlagsNoWrap);

  auto measure_string = [&](const wchar_t* chars, INT length, const Gdiplus::RectF& layout) {
    Gdiplus::RectF bounds(0, 0, 0, 0);
    gp::GdipMeasureString(graphics.get(), chars, length, font.get(), &layout, string_format.get(), &bounds, nullptr,
                          nullptr);
    return bounds;
  };

  // A zero width or height is unbounded to GDI+.
  Gdiplus::RectF layout(0, 0, 0, 0);
  if (width >= 0) {
    layout.Width = static_cast<Gdiplus::REAL>(width);
    if (format & kTextSingleLine) layout.Height = measure_string(kLineProbe, 2, Gdiplus::RectF(0, 0, 0, 0)).Height;
  }
  const Gdiplus::RectF bounds = measure_string(text.c_str(), static_cast<INT>(text.size()), layout);
  measure = Rect(static_cast<int>(bounds.X), static_cast<int>(bounds.Y), static_cast<int>(bounds.X + bounds.Width + 1),
                 static_cast<int>(bounds.Y + bounds.Height + 1));
  cache.InsertMeasure(key, measure);
  return measure;
}

void RenderContext_GdiPlus::DrawPath(const IPath* path, const IPen* pen) {
  const Path_Gdiplus* gdiplus_path = dynamic_cast<const Path_Gdiplus*>(path);
  Gdiplus::GpPen* native_pen = PenOf(pen);
  if (!gdiplus_path || !gdiplus_path->GetPath() || !native_pen) return;
  UniqueGpGraphics graphics = MakeGraphics(dc_.get(), true);
  if (graphics) gp::GdipDrawPath(graphics.get(), native_pen, gdiplus_path->GetPath());
}

void RenderContext_GdiPlus::DrawRotatedImage(HBITMAP bitmap, const Rect& dest, const Point& center, float angle) {
  DIBSECTION section = {};
  if (!bitmap || ::GetObjectW(bitmap, sizeof(section), &section) != sizeof(section)) return;
  const BITMAP& info = section.dsBm;
  if (info.bmBitsPixel != 32 || !info.bmBits || info.bmWidth <= 0 || info.bmHeight <= 0) return;
  ::GdiFlush();
  // Over the section's own pixels, which may run bottom-up.
  BYTE* first_row = static_cast<BYTE*>(info.bmBits);
  int stride = info.bmWidthBytes;
  if (section.dsBmih.biHeight > 0) {
    first_row += static_cast<size_t>(info.bmHeight - 1) * info.bmWidthBytes;
    stride = -stride;
  }
  Gdiplus::GpBitmap* picture = nullptr;
  if (gp::GdipCreateBitmapFromScan0(info.bmWidth, info.bmHeight, stride, PixelFormat32bppPARGB, first_row, &picture) !=
      Gdiplus::Ok) {
    return;
  }
  UniqueGpImage image(picture);
  UniqueGpGraphics graphics = MakeGraphics(dc_.get(), true);
  if (!graphics) return;
  gp::GdipSetInterpolationMode(graphics.get(), Gdiplus::InterpolationModeHighQualityBicubic);
  gp::GdipTranslateWorldTransform(graphics.get(), static_cast<Gdiplus::REAL>(center.x),
                                  static_cast<Gdiplus::REAL>(center.y), Gdiplus::MatrixOrderPrepend);
  gp::GdipRotateWorldTransform(graphics.get(), angle, Gdiplus::MatrixOrderPrepend);
  gp::GdipTranslateWorldTransform(graphics.get(), static_cast<Gdiplus::REAL>(-center.x),
                                  static_cast<Gdiplus::REAL>(-center.y), Gdiplus::MatrixOrderPrepend);
  gp::GdipDrawImageRectI(graphics.get(), image.get(), dest.left, dest.top, dest.Width(), dest.Height());
}

void RenderContext_GdiPlus::FillPath(const IPath* path, const IBrush* brush) {
  const Path_Gdiplus* gdiplus_path = dynamic_cast<const Path_Gdiplus*>(path);
  const Brush_Gdiplus* gdiplus_brush = dynamic_cast<const Brush_Gdiplus*>(brush);
  if (!gdiplus_path || !gdiplus_path->GetPath() || !gdiplus_brush) return;
  Gdiplus::GpBrush* native_brush =
      gdiplus_brush->GetSolidBrush() ? gdiplus_brush->GetSolidBrush() : gdiplus_brush->GetTextureBrush();
  if (!native_brush) return;
  UniqueGpGraphics graphics = MakeGraphics(dc_.get(), true);
  if (graphics) gp::GdipFillPath(graphics.get(), native_brush, gdiplus_path->GetPath());
}

}  // namespace ui
