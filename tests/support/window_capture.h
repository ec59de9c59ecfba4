#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

// What a window shows: BGRA pixels, top-down.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  // 0x00RRGGBB at a point; 0 outside.
  uint32_t At(int x, int y) const;
};

// Copies the window's client area from the screen's picture of it.
Picture CaptureWindow(HWND window);
// What the screen shows at a client point of the window, as 0x00RRGGBB;
// false when it cannot be read.
bool ScreenPixelAt(HWND window, int x, int y, uint32_t* rgb);
// Writes a PNG through the platform's imaging component.
bool SavePng(const Picture& picture, const std::wstring& path);
// Saves a window under the test program's screenshot folder; false on failure.
inline bool SaveWindowScreenshot(HWND window, const std::wstring& file_name) {
#ifdef TARNWELL_SCREENSHOT_DIR
  const std::wstring folder = L"" TARNWELL_SCREENSHOT_DIR;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return SavePng(CaptureWindow(window), folder + L"\\" + file_name);
#else
  return false;
#endif
}
// Whether two colours are alike within the tolerance of a compressed picture.
bool ColorNear(uint32_t a, uint32_t b, int tolerance = 24);

}  // namespace test_support
