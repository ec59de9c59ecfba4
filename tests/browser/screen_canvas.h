#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/ui/render_support.h"
#include "ui/render/render_interface.h"

namespace browser_test {

// A picture of several windows as a desktop would compose them: layered
// windows blended by their alpha over what lies below, plain windows taken
// from the screen. The virtual display runs no compositor, so a plain screen
// grab would show layered windows' transparent parts as black.
class ScreenCanvas {
 public:
  // |origin| is the screen point of the canvas's top-left corner.
  ScreenCanvas(const RECT& area, uint32_t background)
      : origin_{area.left, area.top},
        width_(area.right - area.left),
        height_(area.bottom - area.top),
        pixels_(static_cast<size_t>(width_) * height_, background) {}

  // A window's own premultiplied surface, over what is there.
  void Blend(const ui::IRenderContext& surface, HWND window) {
    ::GdiFlush();
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    const auto* source = static_cast<const uint8_t*>(surface.GetPixelBits());
    for (int y = 0; y < surface.GetHeight(); ++y) {
      for (int x = 0; x < surface.GetWidth(); ++x) {
        uint32_t* target = At(rect.left + x, rect.top + y);
        if (!target) continue;
        const uint8_t* p = source + (static_cast<size_t>(y) * surface.GetWidth() + x) * 4;
        const uint32_t a = p[3];
        uint32_t out = 0xFF000000;
        for (int channel = 0; channel < 3; ++channel) {
          const uint32_t below = (*target >> (8 * channel)) & 0xFF;
          out |= std::min<uint32_t>(255, p[channel] + below * (255 - a) / 255) << (8 * channel);
        }
        *target = out;
      }
    }
  }

  // A plain window's own surface: opaque, whatever its alpha says.
  void Copy(const ui::IRenderContext& surface, HWND window) {
    ::GdiFlush();
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    const auto* source = static_cast<const uint32_t*>(surface.GetPixelBits());
    for (int y = 0; y < surface.GetHeight(); ++y) {
      for (int x = 0; x < surface.GetWidth(); ++x) {
        if (uint32_t* target = At(rect.left + x, rect.top + y))
          *target = source[static_cast<size_t>(y) * surface.GetWidth() + x] | 0xFF000000;
      }
    }
  }

  // What the screen shows of a window that draws itself (a browser's).
  void Grab(HWND window) {
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    std::vector<uint32_t> grabbed(static_cast<size_t>(width) * height);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ::GdiFlush();
    std::copy(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + grabbed.size(), grabbed.begin());
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (uint32_t* target = At(rect.left + x, rect.top + y)) *target = grabbed[y * width + x] | 0xFF000000;
      }
    }
  }

  uint32_t PixelAt(int screen_x, int screen_y) {
    uint32_t* pixel = At(screen_x, screen_y);
    return pixel ? *pixel : 0;
  }

  bool Save(const wchar_t* name) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromScan0(width_, height_, width_ * 4, PixelFormat32bppARGB,
                                                       reinterpret_cast<BYTE*>(pixels_.data()),
                                                       &bitmap) != Gdiplus::Ok) {
      return false;
    }
    std::string png = ui::test::EncodeImage(bitmap, L"image/png");
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
    const std::wstring folder = L"" TARNWELL_SCREENSHOT_DIR;
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return !png.empty() && ui::test::WriteFileBytes(folder + L"\\" + name, png);
  }

 private:
  uint32_t* At(int screen_x, int screen_y) {
    const int x = screen_x - origin_.x;
    const int y = screen_y - origin_.y;
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return nullptr;
    return &pixels_[static_cast<size_t>(y) * width_ + x];
  }

  POINT origin_;
  int width_;
  int height_;
  std::vector<uint32_t> pixels_;
};

}  // namespace browser_test
