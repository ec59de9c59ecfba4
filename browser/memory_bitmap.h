#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/render/gdi_handles.h"

namespace qiv_comp {

// A 32-bit top-down DIB section selected into a memory DC: where an
// off-screen browser's frames land before they are copied into the window.
class MemoryBitmap {
 public:
  MemoryBitmap() = default;
  ~MemoryBitmap() { Release(); }
  MemoryBitmap(const MemoryBitmap&) = delete;
  MemoryBitmap& operator=(const MemoryBitmap&) = delete;

  // Fails when it already has a DC, for a zero size or without a reference
  // DC; otherwise every pixel starts at 0.
  bool Init(HDC reference, int width, int height);
  // Releases the old bitmap first.
  bool ReInit(HDC reference, int width, int height);
  void Release();

  // Copies whole BGRA rows of the bitmap's own width; false when the
  // buffer is not exactly that size.
  bool CopyPixels(const void* bgra, size_t bytes);

  bool IsValid() const { return valid_ && dc_ && bitmap_; }
  HDC GetDC() const { return dc_.get(); }
  int GetWidth() const { return width_; }
  int GetHeight() const { return height_; }
  const uint32_t* GetPixels() const { return pixels_; }

 private:
  ui::UniqueMemoryDc dc_;
  ui::UniqueBitmap bitmap_;
  HGDIOBJ replaced_ = nullptr;
  BITMAPINFO info_ = {};
  uint32_t* pixels_ = nullptr;
  bool valid_ = false;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace qiv_comp
