#pragma once

#include <windows.h>

namespace ui {

// One GDI+ start-up, shut down with the object. GDI+ counts start-ups, so
// independent holders (the resource manager, a test) can each keep one.
class GdiplusSession {
 public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

  bool started() const { return token_ != 0; }

 private:
  ULONG_PTR token_ = 0;
};

}  // namespace ui
