// The floor of the start-up benchmark: the least a program must do to show
// the start picture as the client does. It starts GDI+, decodes the picture,
// puts it in the middle of a layered window of the given size and shows it,
// then waits to be closed.
//
//   startup_floor.exe <width> <height> <picture path>
#include <windows.h>
// WIN32_LEAN_AND_MEAN leaves out the COM declarations GDI+ needs.
#include <objidl.h>

#include <algorithm>
#include <cwchar>

#include "base/unique_handle.h"
#include "ui/render/gdi_handles.h"

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

namespace {

constexpr wchar_t kClassName[] = L"StartupFloor";

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

struct ScreenDcTraits {
  using Type = HDC;
  static Type Invalid() { return nullptr; }
  static void Close(Type dc) { ::ReleaseDC(nullptr, dc); }
};

class GdiplusToken {
 public:
  GdiplusToken() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
  }
  ~GdiplusToken() {
    if (token_) Gdiplus::GdiplusShutdown(token_);
  }
  GdiplusToken(const GdiplusToken&) = delete;
  GdiplusToken& operator=(const GdiplusToken&) = delete;
  bool started() const { return token_ != 0; }

 private:
  ULONG_PTR token_ = 0;
};

ui::UniqueBitmap DecodePicture(const wchar_t* path) {
  Gdiplus::GpBitmap* decoded = nullptr;
  HBITMAP picture = nullptr;
  if (Gdiplus::DllExports::GdipCreateBitmapFromFile(path, &decoded) == Gdiplus::Ok) {
    Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap(decoded, &picture, 0xFF000000);
    Gdiplus::DllExports::GdipDisposeImage(decoded);
  }
  return ui::UniqueBitmap(picture);
}

// A top-down 32-bit surface of the window's size with the picture in its
// middle; what is not picture stays transparent.
ui::UniqueBitmap MakeSurface(HDC memory, int width, int height, HBITMAP picture) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  ui::UniqueBitmap surface(::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!surface) return surface;
  BITMAP picture_size = {};
  ::GetObjectW(picture, sizeof(picture_size), &picture_size);
  ui::UniqueMemoryDc source(::CreateCompatibleDC(memory));
  ui::ScopedSelectObject select_source(source.get(), picture);
  ui::ScopedSelectObject select_surface(memory, surface.get());
  ::BitBlt(memory, (width - picture_size.bmWidth) / 2, (height - picture_size.bmHeight) / 2, picture_size.bmWidth,
           picture_size.bmHeight, source.get(), 0, 0, SRCCOPY);
  return surface;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR command_line, int) {
  wchar_t* rest = command_line;
  const int width = static_cast<int>(std::wcstol(rest, &rest, 10));
  const int height = static_cast<int>(std::wcstol(rest, &rest, 10));
  while (*rest == L' ') ++rest;
  // The path may be quoted.
  if (*rest == L'"') {
    ++rest;
    if (wchar_t* end = std::wcschr(rest, L'"')) *end = L'\0';
  }
  if (width <= 0 || height <= 0 || !*rest) return 2;

  GdiplusToken gdiplus;
  if (!gdiplus.started()) return 3;
  ui::UniqueBitmap picture = DecodePicture(rest);
  if (!picture) return 4;

  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kClassName;
  ::RegisterClassExW(&window_class);
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  qbase::UniqueWindow window(::CreateWindowExW(WS_EX_LAYERED, kClassName, L"Tarnwell", WS_POPUP, x, y, width, height,
                                               nullptr, nullptr, instance, nullptr));
  if (!window) return 5;

  qbase::UniqueHandle<ScreenDcTraits> screen(::GetDC(nullptr));
  ui::UniqueMemoryDc memory(::CreateCompatibleDC(screen.get()));
  ui::UniqueBitmap surface = MakeSurface(memory.get(), width, height, picture.get());
  if (!surface) return 6;
  ui::ScopedSelectObject select(memory.get(), surface.get());
  POINT origin = {x, y};
  SIZE size = {width, height};
  POINT source = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::UpdateLayeredWindow(window.get(), screen.get(), &origin, &size, memory.get(), &source, 0, &blend, ULW_ALPHA);
  ::ShowWindow(window.get(), SW_SHOW);

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  // The window procedure destroyed the window already.
  window.release();
  return 0;
}
