#pragma once

#include <windows.h>

#include "base/unique_handle.h"

namespace ui {

// Owners for the GDI handles the drawing layer creates. Each names its own
// release call, so a memory DC is never released with ReleaseDC and the like.
struct MemoryDcTraits {
  using Type = HDC;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::DeleteDC(handle); }
};

struct BitmapHandleTraits {
  using Type = HBITMAP;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::DeleteObject(handle); }
};

struct RegionHandleTraits {
  using Type = HRGN;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::DeleteObject(handle); }
};

using UniqueMemoryDc = qbase::UniqueHandle<MemoryDcTraits>;
using UniqueBitmap = qbase::UniqueHandle<BitmapHandleTraits>;
using UniqueRegion = qbase::UniqueHandle<RegionHandleTraits>;

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
