#include "ui/render/gdi_bitmap.h"

#include <algorithm>
#include <cstring>

namespace ui {

bool GdiBitmap::Init(HDC dc, int width, int height, bool top_down) {
  bitmap_.reset();
  Forget();
  // Keeps width * height * 4 inside what a DIB section can describe.
  if (!dc || width <= 0 || height <= 0 || width > 0x7FFF || height > 0x7FFF) return false;

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = top_down ? -height : height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;

  void* bits = nullptr;
  UniqueBitmap bitmap(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return false;
  bitmap_ = std::move(bitmap);
  bits_ = bits;
  width_ = width;
  height_ = height;
  return true;
}

void GdiBitmap::ClearPixels() {
  if (!bits_) return;
  std::memset(bits_, 0, static_cast<size_t>(width_) * height_ * 4);
}

HBITMAP GdiBitmap::TakeBitmap() {
  Forget();
  return bitmap_.release();
}

void GdiBitmap::Forget() {
  bits_ = nullptr;
  width_ = 0;
  height_ = 0;
}

void GdiBitmap::FillAlpha(const Rect& rect, uint8_t value) {
  if (!bits_) return;
  const int left = std::max<int>(rect.left, 0);
  const int right = std::min<int>(rect.right, width_);
  const int top = std::max<int>(rect.top, 0);
  const int bottom = std::min<int>(rect.bottom, height_);
  if (left >= right) return;
  uint8_t* pixels = static_cast<uint8_t*>(bits_);
  for (int y = top; y < bottom; ++y) {
    std::memset(pixels + (static_cast<size_t>(y) * width_ + left) * 4, value, static_cast<size_t>(right - left) * 4);
  }
}

void GdiBitmap::RepairAlpha(const Rect& rect, const Rect& padding, uint8_t key) {
  if (!bits_) return;
  const int left = std::max<int>(rect.left, 0);
  const int right = std::min<int>(rect.right, width_);
  const int top = std::max<int>(rect.top, 0);
  const int bottom = std::min<int>(rect.bottom, height_);
  uint8_t* pixels = static_cast<uint8_t*>(bits_);
  for (int y = top; y < bottom; ++y) {
    // Rows inside the vertical padding band are all outside the corner blocks.
    const bool middle_row = padding.top <= y && y < height_ - padding.bottom;
    uint8_t* row = pixels + static_cast<size_t>(y) * width_ * 4;
    for (int x = left; x < right; ++x) {
      if (!middle_row && !(padding.left <= x && x < width_ - padding.right)) continue;
      uint8_t& alpha = row[x * 4 + 3];
      alpha = (key != 0 && alpha == key) ? 0 : 255;
    }
  }
}

}  // namespace ui
