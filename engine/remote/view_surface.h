#pragma once

#include <windows.h>

#include <memory>
#include <mutex>

#include "engine/remote/frame_decoder.h"

namespace remote {

// What a native view shows. The frame pipeline's thread draws each picture
// into the window as soon as it is decoded, without a hop to the engine's
// UI thread, which may be busy with the page's events; the window's own
// thread repaints from the same picture. The window's thread lets go of the
// window, under the same lock, before the window is destroyed, so nothing is
// drawn into a window that is gone.
class ViewSurface {
 public:
  explicit ViewSurface(HWND window) : window_(window) {}
  ViewSurface(const ViewSurface&) = delete;
  ViewSurface& operator=(const ViewSurface&) = delete;

  // Any thread: keeps the picture and draws it now. False once let go.
  bool Show(std::shared_ptr<const PageFrame> frame);
  // The window's thread, in its paint.
  void Paint(HDC dc, const RECT& area);
  // The window's thread, before the window goes.
  void Detach();
  // The picture shown last.
  std::shared_ptr<const PageFrame> frame();

 private:
  void Draw(HDC dc, const RECT& area);

  std::mutex lock_;
  HWND window_;
  std::shared_ptr<const PageFrame> frame_;
};

}  // namespace remote
