#include "ui/render/gdi_clip.h"

#include "ui/render/gdi_handles.h"

namespace ui {

namespace {

// Regions are in device coordinates; the rectangle arrives in logical ones.
Rect ToDevice(HDC dc, const Rect& rect) {
  POINT origin = {};
  ::GetWindowOrgEx(dc, &origin);
  Rect device = rect;
  device.Offset(-origin.x, -origin.y);
  return device;
}

void IntersectClip(HDC dc, HRGN region) {
  // With no clip yet, the intersection is the region itself.
  UniqueRegion current(::CreateRectRgn(0, 0, 0, 0));
  if (current && ::GetClipRgn(dc, current.get()) == 1) {
    ::CombineRgn(region, region, current.get(), RGN_AND);
  }
  ::SelectClipRgn(dc, region);
}

}  // namespace

void GdiClip::PushClip(HDC dc, const Rect& rect) {
  if (!dc) return;
  const Rect device = ToDevice(dc, rect);
  ::SaveDC(dc);
  UniqueRegion region(::CreateRectRgnIndirect(&device));
  if (region) IntersectClip(dc, region.get());
}

void GdiClip::PushRoundClip(HDC dc, const Rect& rect, int ellipse_width, int ellipse_height) {
  if (!dc) return;
  const Rect device = ToDevice(dc, rect);
  ::SaveDC(dc);
  // The right and bottom edges belong to a round clip, so the box is one
  // pixel larger than the rectangle; GDI's rounded region then leaves out
  // one more column and row than its box, hence the second pixel.
  UniqueRegion region(::CreateRoundRectRgn(device.left, device.top, device.right + 2, device.bottom + 2,
                                           ellipse_width, ellipse_height));
  if (region) IntersectClip(dc, region.get());
}

void GdiClip::PopClip(HDC dc) {
  if (!dc) return;
  ::RestoreDC(dc, -1);
}

}  // namespace ui
