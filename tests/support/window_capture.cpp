#include "tests/support/window_capture.h"

#include <objbase.h>
#include <wincodec.h>

#include <cstdlib>

namespace test_support {

namespace {

template <typename T>
void Release(T*& pointer) {
  if (pointer) pointer->Release();
  pointer = nullptr;
}

}  // namespace

uint32_t Picture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  return pixels[static_cast<size_t>(y) * width + x] & 0x00FFFFFF;
}

bool ScreenPixelAt(HWND window, int x, int y, uint32_t* rgb) {
  POINT at = {x, y};
  if (!::ClientToScreen(window, &at)) return false;
  HDC screen = ::GetDC(nullptr);
  if (!screen) return false;
  const COLORREF pixel = ::GetPixel(screen, at.x, at.y);
  ::ReleaseDC(nullptr, screen);
  if (pixel == CLR_INVALID) return false;
  *rgb = (GetRValue(pixel) << 16) | (GetGValue(pixel) << 8) | GetBValue(pixel);
  return true;
}

Picture CaptureWindow(HWND window) {
  Picture picture;
  RECT client = {};
  if (!::IsWindow(window) || !::GetClientRect(window, &client)) return picture;
  int width = client.right;
  int height = client.bottom;
  if (width <= 0 || height <= 0) return picture;
  HDC window_dc = ::GetDC(window);
  if (!window_dc) return picture;
  HDC memory = ::CreateCompatibleDC(window_dc);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (memory && bitmap) {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, window_dc, 0, 0, SRCCOPY);
    ::GdiFlush();
    picture.width = width;
    picture.height = height;
    const auto* source = static_cast<const uint32_t*>(bits);
    picture.pixels.assign(source, source + static_cast<size_t>(width) * height);
    ::SelectObject(memory, old);
  }
  if (bitmap) ::DeleteObject(bitmap);
  if (memory) ::DeleteDC(memory);
  ::ReleaseDC(window, window_dc);
  return picture;
}

bool SavePng(const Picture& picture, const std::wstring& path) {
  if (picture.width <= 0 || picture.height <= 0) return false;
  bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  IWICImagingFactory* factory = nullptr;
  IWICStream* stream = nullptr;
  IWICBitmapEncoder* encoder = nullptr;
  IWICBitmapFrameEncode* frame = nullptr;
  bool ok = SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
            SUCCEEDED(factory->CreateStream(&stream)) &&
            SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
            SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
            SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
            SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
            SUCCEEDED(frame->SetSize(picture.width, picture.height));
  if (ok) {
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    std::vector<uint32_t> opaque = picture.pixels;
    for (uint32_t& pixel : opaque) pixel |= 0xFF000000;
    ok = SUCCEEDED(frame->SetPixelFormat(&format)) &&
         SUCCEEDED(frame->WritePixels(picture.height, picture.width * 4,
                                      static_cast<UINT>(opaque.size() * 4),
                                      reinterpret_cast<BYTE*>(opaque.data()))) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
  }
  Release(frame);
  Release(encoder);
  Release(stream);
  Release(factory);
  if (com) ::CoUninitialize();
  return ok;
}

bool ColorNear(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    int difference = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(difference) > tolerance) return false;
  }
  return true;
}

}  // namespace test_support
