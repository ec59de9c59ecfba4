#pragma once

// The flat GDI+ API with owners for its objects. The drawing layer calls the
// flat functions directly, so no GDI+ C++ wrapper class is involved.

#include <windows.h>
// WIN32_LEAN_AND_MEAN leaves out the COM declarations GDI+ needs.
#include <objidl.h>

#include <algorithm>

// The platform's GDI+ headers use unqualified min and max, which NOMINMAX
// takes away.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus

#include <gdiplus.h>

#include "base/unique_handle.h"

namespace ui {

namespace gp = Gdiplus::DllExports;

template <typename T, Gdiplus::GpStatus(WINGDIPAPI* Release)(T*)>
struct GdiplusTraits {
  using Type = T*;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { Release(handle); }
};

using UniqueGpGraphics = qbase::UniqueHandle<GdiplusTraits<Gdiplus::GpGraphics, gp::GdipDeleteGraphics>>;
using UniqueGpPen = qbase::UniqueHandle<GdiplusTraits<Gdiplus::GpPen, gp::GdipDeletePen>>;
using UniqueGpBrush = qbase::UniqueHandle<GdiplusTraits<Gdiplus::GpBrush, gp::GdipDeleteBrush>>;
using UniqueGpPath = qbase::UniqueHandle<GdiplusTraits<Gdiplus::GpPath, gp::GdipDeletePath>>;
using UniqueGpMatrix = qbase::UniqueHandle<GdiplusTraits<Gdiplus::GpMatrix, gp::GdipDeleteMatrix>>;
using UniqueGpStringFormat =
    qbase::UniqueHandle<GdiplusTraits<Gdiplus::GpStringFormat, gp::GdipDeleteStringFormat>>;
using UniqueGpFont = qbase::UniqueHandle<GdiplusTraits<Gdiplus::GpFont, gp::GdipDeleteFont>>;
using UniqueGpImage = qbase::UniqueHandle<GdiplusTraits<Gdiplus::GpImage, gp::GdipDisposeImage>>;

}  // namespace ui
