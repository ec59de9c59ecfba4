#include "ui/render/surface_pixels.h"

#include <algorithm>
#include <cstring>

#include "ui/render/gdi_handles.h"

namespace ui {

namespace {

// The platform's rounding of x / 255.
inline uint32_t Div255(uint32_t x) { return (x + 127) / 255; }

inline uint32_t Channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

// Two channels at once, each in its own 16 bits: c x factor / 255 rounded
// as Div255, which (t + (t >> 8)) >> 8 with t = x + 128 matches exactly
// for every product of two bytes.
inline uint32_t ScalePair(uint32_t pair, uint32_t factor) {
  const uint32_t t = pair * factor + 0x00800080u;
  return ((t + ((t >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
}

// All four channels times factor / 255.
inline uint32_t Scale(uint32_t pixel, uint32_t factor) {
  return ScalePair(pixel & 0x00FF00FFu, factor) | (ScalePair((pixel >> 8) & 0x00FF00FFu, factor) << 8);
}

bool IdentityWorld(HDC dc) {
  if (::GetGraphicsMode(dc) == GM_COMPATIBLE) return true;
  XFORM world = {};
  return ::GetWorldTransform(dc, &world) && world.eM11 == 1.0f && world.eM12 == 0.0f && world.eM21 == 0.0f &&
         world.eM22 == 1.0f && world.eDx == 0.0f && world.eDy == 0.0f;
}

}  // namespace

DibRows DibRows::Make(void* bits, int width, int height, bool top_down) {
  DibRows rows;
  if (!bits || width <= 0 || height <= 0) return rows;
  rows.bits = static_cast<uint8_t*>(bits);
  rows.width = width;
  rows.height = height;
  rows.stride = width * 4;
  if (!top_down) {
    // The first row in memory is the last on the surface.
    rows.bits += static_cast<ptrdiff_t>(height - 1) * rows.stride;
    rows.stride = -rows.stride;
  }
  return rows;
}

DibRows DibRows::Of(HBITMAP bitmap, HDC dc) {
  DIBSECTION section = {};
  if (!bitmap || ::GetObjectW(bitmap, sizeof(section), &section) != sizeof(section)) return DibRows();
  if (!section.dsBm.bmBits || section.dsBm.bmBitsPixel != 32 || section.dsBmih.biCompression != BI_RGB)
    return DibRows();
  const int width = section.dsBm.bmWidth;
  const int height = section.dsBm.bmHeight;
  if (width <= 0 || height <= 0 || section.dsBm.bmWidthBytes != width * 4) return DibRows();
  const uint8_t* memory = static_cast<const uint8_t*>(section.dsBm.bmBits);
  const size_t row_bytes = static_cast<size_t>(width) * 4;
  auto memory_row = [&](int y) { return memory + static_cast<size_t>(y) * row_bytes; };

  // A row that differs from its mirror tells the order; an image without
  // one reads the same both ways.
  int probe = 0;
  while (probe < height / 2 && std::memcmp(memory_row(probe), memory_row(height - 1 - probe), row_bytes) == 0)
    ++probe;
  if (probe == height / 2) return Make(section.dsBm.bmBits, width, height, true);

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, so scan lines count from the bottom
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint8_t> row(row_bytes);
  ::GdiFlush();
  if (::GetDIBits(dc, bitmap, static_cast<UINT>(height - 1 - probe), 1, row.data(), &info, DIB_RGB_COLORS) != 1)
    return DibRows();
  if (std::memcmp(row.data(), memory_row(probe), row_bytes) == 0)
    return Make(section.dsBm.bmBits, width, height, true);
  if (std::memcmp(row.data(), memory_row(height - 1 - probe), row_bytes) == 0)
    return Make(section.dsBm.bmBits, width, height, false);
  return DibRows();
}

SurfacePixels::SurfacePixels(HDC dc, HBITMAP bitmap, const DibRows& rows) : dc_(dc) {
  if (!dc || !bitmap || !rows || ::GetCurrentObject(dc, OBJ_BITMAP) != bitmap) return;
  if (::GetMapMode(dc) != MM_TEXT || !IdentityWorld(dc)) return;
  POINT origin = {0, 0};
  if (!::LPtoDP(dc, &origin, 1)) return;
  // Drawing the DC has queued must land before the memory is touched.
  ::GdiFlush();
  rows_ = rows;
  device_origin_ = origin;
}

const std::vector<Rect>& SurfacePixels::Visible(const Rect& logical) {
  visible_.clear();
  if (!ok()) return visible_;
  Rect device = logical;
  device.Offset(device_origin_.x, device_origin_.y);
  if (!device.Intersect(Rect(0, 0, rows_.width, rows_.height))) return visible_;

  UniqueRegion clip(::CreateRectRgn(0, 0, 0, 0));
  if (!clip) return visible_;
  const int has_clip = ::GetClipRgn(dc_, clip.get());
  if (has_clip == 0) {
    visible_.push_back(device);
    return visible_;
  }
  if (has_clip < 0) return visible_;
  Rect box;
  if (::GetRgnBox(clip.get(), &box) == SIMPLEREGION) {
    if (device.Intersect(box)) visible_.push_back(device);
    return visible_;
  }
  UniqueRegion part(::CreateRectRgnIndirect(&device));
  if (!part || ::CombineRgn(part.get(), part.get(), clip.get(), RGN_AND) == ERROR) return visible_;
  const DWORD size = ::GetRegionData(part.get(), 0, nullptr);
  if (size < sizeof(RGNDATAHEADER)) return visible_;
  std::vector<uint8_t> buffer(size);
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  if (::GetRegionData(part.get(), size, data) != size) return visible_;
  const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
  for (DWORD i = 0; i < data->rdh.nCount; ++i) visible_.push_back(Rect(rects[i]));
  return visible_;
}

uint32_t SurfacePixels::Premultiply(uint32_t argb) {
  const uint32_t a = argb >> 24;
  if (a == 255) return argb;
  const uint32_t r = Div255(Channel(argb, 16) * a);
  const uint32_t g = Div255(Channel(argb, 8) * a);
  const uint32_t b = Div255(Channel(argb, 0) * a);
  return (a << 24) | (r << 16) | (g << 8) | b;
}

// A source that is not properly premultiplied carries into the next
// channel, as it does in the platform's blend; it draws wrong colours, no
// worse.
uint32_t SurfacePixels::BlendPixel(uint32_t dst, uint32_t src) { return src + Scale(dst, 255 - (src >> 24)); }

uint32_t SurfacePixels::BlendPixel(uint32_t dst, uint32_t src, uint8_t alpha) {
  return BlendPixel(dst, alpha == 255 ? src : Scale(src, alpha));
}

void SurfacePixels::FillColor(const Rect& logical, uint32_t argb) {
  if ((argb >> 24) == 0) return;
  FillPixel(logical, Premultiply(argb), 255);
}

void SurfacePixels::FillPixel(const Rect& logical, uint32_t pixel, uint8_t alpha) {
  if (alpha != 255) pixel = Scale(pixel, alpha);
  if (pixel == 0) return;
  const bool opaque = (pixel >> 24) == 255;
  const uint32_t inverse = 255 - (pixel >> 24);
  for (const Rect& part : Visible(logical)) {
    for (int y = part.top; y < part.bottom; ++y) {
      uint32_t* row = rows_.Row(y) + part.left;
      const int count = part.Width();
      if (opaque) {
        std::fill(row, row + count, pixel);
      } else {
        for (int x = 0; x < count; ++x) row[x] = pixel + Scale(row[x], inverse);
      }
    }
  }
}

void SurfacePixels::Blend(const Rect& logical, const uint32_t* source, int stride, uint8_t alpha) {
  if (!source || alpha == 0) return;
  Rect device = logical;
  device.Offset(device_origin_.x, device_origin_.y);
  for (const Rect& part : Visible(logical)) {
    for (int y = part.top; y < part.bottom; ++y) {
      uint32_t* row = rows_.Row(y) + part.left;
      const uint32_t* from = source + static_cast<ptrdiff_t>(y - device.top) * stride + (part.left - device.left);
      const int count = part.Width();
      for (int x = 0; x < count; ++x) {
        const uint32_t pixel = from[x];
        if (pixel == 0) continue;
        if ((pixel >> 24) == 255 && alpha == 255) {
          row[x] = pixel;
        } else {
          row[x] = BlendPixel(row[x], pixel, alpha);
        }
      }
    }
  }
}

void SurfacePixels::Copy(const Rect& logical, const uint32_t* source, int stride) {
  if (!source) return;
  Rect device = logical;
  device.Offset(device_origin_.x, device_origin_.y);
  for (const Rect& part : Visible(logical)) {
    for (int y = part.top; y < part.bottom; ++y) {
      const uint32_t* from = source + static_cast<ptrdiff_t>(y - device.top) * stride + (part.left - device.left);
      std::memcpy(rows_.Row(y) + part.left, from, static_cast<size_t>(part.Width()) * 4);
    }
  }
}

}  // namespace ui
