#include "engine/remote/view_surface.h"

namespace remote {

bool ViewSurface::Show(std::shared_ptr<const PageFrame> frame) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    frame_ = std::move(frame);
    if (!window_) return false;
    HDC dc = ::GetDC(window_);
    if (!dc) return false;
    RECT client = {};
    ::GetClientRect(window_, &client);
    Draw(dc, client);
    ::ReleaseDC(window_, dc);
    // What was just drawn needs no second drawing from a pending paint.
    ::ValidateRect(window_, nullptr);
  }
  ::GdiFlush();
  // Wine puts what a thread drew on the screen only when some thread of
  // the process looks at its messages; a drawing thread that never does
  // looks once here, finding none, or the picture waits for the next input.
  MSG message;
  ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
  return true;
}

void ViewSurface::Paint(HDC dc, const RECT& area) {
  std::lock_guard<std::mutex> guard(lock_);
  if (window_) Draw(dc, area);
}

void ViewSurface::Detach() {
  std::lock_guard<std::mutex> guard(lock_);
  window_ = nullptr;
}

std::shared_ptr<const PageFrame> ViewSurface::frame() {
  std::lock_guard<std::mutex> guard(lock_);
  return frame_;
}

void ViewSurface::Draw(HDC dc, const RECT& area) {
  RECT client = {};
  ::GetClientRect(window_, &client);
  int width = client.right;
  int height = client.bottom;
  if (!frame_ || frame_->width <= 0 || frame_->height <= 0) {
    ::FillRect(dc, &area, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    return;
  }
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = frame_->width;
  info.bmiHeader.biHeight = -frame_->height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  // A picture of the old size stays in its corner until the page catches up
  // with a resize; the rest is the page's white.
  ::SetDIBitsToDevice(dc, 0, 0, frame_->width, frame_->height, 0, 0, 0, frame_->height, frame_->pixels.data(), &info,
                      DIB_RGB_COLORS);
  HBRUSH white = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  if (width > frame_->width) {
    RECT right = {frame_->width, 0, width, height};
    ::FillRect(dc, &right, white);
  }
  if (height > frame_->height) {
    RECT bottom = {0, frame_->height, width < frame_->width ? frame_->width : width, height};
    ::FillRect(dc, &bottom, white);
  }
}

}  // namespace remote
