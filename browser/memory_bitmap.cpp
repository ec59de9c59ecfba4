#include "browser/memory_bitmap.h"

#include <cstring>

namespace qiv_comp {

bool MemoryBitmap::Init(HDC reference, int width, int height) {
  if (dc_ || width <= 0 || height <= 0 || !reference) return false;
  ui::UniqueMemoryDc dc(::CreateCompatibleDC(reference));
  if (!dc) return false;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down, as the engine's rows come
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;
  void* bits = nullptr;
  ui::UniqueBitmap bitmap(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return false;
  HGDIOBJ replaced = ::SelectObject(dc.get(), bitmap.get());
  std::memset(bits, 0, info.bmiHeader.biSizeImage);

  dc_ = std::move(dc);
  bitmap_ = std::move(bitmap);
  replaced_ = replaced;
  info_ = info;
  pixels_ = static_cast<uint32_t*>(bits);
  width_ = width;
  height_ = height;
  valid_ = true;
  return true;
}

bool MemoryBitmap::ReInit(HDC reference, int width, int height) {
  Release();
  return Init(reference, width, height);
}

void MemoryBitmap::Release() {
  if (dc_ && replaced_) ::SelectObject(dc_.get(), replaced_);
  replaced_ = nullptr;
  bitmap_.reset();
  dc_.reset();
  pixels_ = nullptr;
  valid_ = false;
  width_ = 0;
  height_ = 0;
}

bool MemoryBitmap::CopyPixels(const void* bgra, size_t bytes) {
  if (!IsValid() || !bgra || bytes != static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4) return false;
  ::GdiFlush();
  std::memcpy(pixels_, bgra, bytes);
  return true;
}

}  // namespace qiv_comp
