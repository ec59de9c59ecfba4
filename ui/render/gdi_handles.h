#pragma once

#include <windows.h>

#include <atomic>

#include "base/unique_handle.h"

namespace ui {

// Owners for the GDI handles the drawing layer creates. Each names its own
// release call, so a memory DC is never released with ReleaseDC and the like.
struct MemoryDcTraits {
  using Type = HDC;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::DeleteDC(handle); }
};

struct RegionHandleTraits {
  using Type = HRGN;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::DeleteObject(handle); }
};

using UniqueMemoryDc = qbase::UniqueHandle<MemoryDcTraits>;
using UniqueRegion = qbase::UniqueHandle<RegionHandleTraits>;

// The owner of a bitmap, with the surface of every owner. It also counts
// the bitmaps owned in the process: the platform's count of GDI objects
// reads 0 under Wine, and a leak check needs a number that moves.
class UniqueBitmap {
 public:
  UniqueBitmap() = default;
  explicit UniqueBitmap(HBITMAP bitmap) { reset(bitmap); }
  UniqueBitmap(UniqueBitmap&& other) noexcept : bitmap_(other.bitmap_) { other.bitmap_ = nullptr; }
  UniqueBitmap& operator=(UniqueBitmap&& other) noexcept {
    if (this != &other) {
      reset();
      bitmap_ = other.bitmap_;
      other.bitmap_ = nullptr;
    }
    return *this;
  }
  UniqueBitmap(const UniqueBitmap&) = delete;
  UniqueBitmap& operator=(const UniqueBitmap&) = delete;
  ~UniqueBitmap() { reset(); }

  HBITMAP get() const { return bitmap_; }
  explicit operator bool() const { return bitmap_ != nullptr; }

  // Hands the bitmap over; whoever takes it deletes it.
  HBITMAP release() {
    HBITMAP bitmap = bitmap_;
    if (bitmap) --owned_;
    bitmap_ = nullptr;
    return bitmap;
  }
  void reset(HBITMAP bitmap = nullptr) {
    if (bitmap_) {
      ::DeleteObject(bitmap_);
      --owned_;
    }
    bitmap_ = bitmap;
    if (bitmap_) ++owned_;
  }

  // Bitmaps held by owners of this kind right now.
  static int OwnedCount() { return owned_.load(); }

 private:
  HBITMAP bitmap_ = nullptr;
  static inline std::atomic<int> owned_{0};
};

// Selects an object into a DC and puts the previous one back on every exit.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
  ~ScopedSelectObject() {
    if (old_) ::SelectObject(dc_, old_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace ui
