#include <windows.h>
// After the system types it uses.
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#define STBIW_WINDOWS_UTF8
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "engine/remote/frame_decoder.h"
#include "engine/remote/frame_pipeline.h"
#include "engine/remote/view_surface.h"
#include "tests/support/test_support.h"
#include "tests/support/window_capture.h"

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// Four flat quarters, far apart in every channel: red, green, blue, white.
uint32_t QuarterColor(int x, int y, int width = kWidth, int height = kHeight) {
  const bool right = x >= width / 2;
  const bool bottom = y >= height / 2;
  if (!right && !bottom) return 0xFFFF0000;
  if (right && !bottom) return 0xFF00FF00;
  if (!right && bottom) return 0xFF0000FF;
  return 0xFFFFFFFF;
}

std::string Base64(const std::vector<BYTE>& data) {
  DWORD length = 0;
  const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
  ::CryptBinaryToStringA(data.data(), static_cast<DWORD>(data.size()), flags, nullptr, &length);
  std::string text(length, '\0');
  ::CryptBinaryToStringA(data.data(), static_cast<DWORD>(data.size()), flags, &text[0], &length);
  text.resize(length);
  return text;
}

// The quarters as a JPEG file of the browser's usual quality.
std::vector<BYTE> QuartersJpeg(int width = kWidth, int height = kHeight) {
  std::vector<BYTE> rgb(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t color = QuarterColor(x, y, width, height);
      BYTE* pixel = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      pixel[0] = (color >> 16) & 0xFF;
      pixel[1] = (color >> 8) & 0xFF;
      pixel[2] = color & 0xFF;
    }
  }
  std::vector<BYTE> file;
  stbi_write_jpg_to_func(
      [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<BYTE>*>(context);
        out->insert(out->end(), static_cast<BYTE*>(data), static_cast<BYTE*>(data) + size);
      },
      &file, width, height, 3, rgb.data(), 80);
  return file;
}

uint32_t PixelAt(const remote::PageFrame& frame, int x, int y) {
  const uint8_t* p = &frame.pixels[(static_cast<size_t>(y) * frame.width + x) * 4];
  return static_cast<uint32_t>(p[3]) << 24 | p[2] << 16 | p[1] << 8 | p[0];
}

bool Near(uint32_t a, uint32_t b) {
  for (int shift = 0; shift < 32; shift += 8) {
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 24) return false;
  }
  return true;
}

TEST(FrameDecoder, JpegPicturesBecomeOpaqueBgraInTheirOwnColours) {
  remote::FrameDecoder decoder;
  remote::PageFrame frame;
  ASSERT_TRUE(decoder.Decode(Base64(QuartersJpeg()), &frame));
  ASSERT_EQ(frame.width, kWidth);
  ASSERT_EQ(frame.height, kHeight);
  ASSERT_EQ(frame.pixels.size(), static_cast<size_t>(kWidth * kHeight * 4));
  // Away from the quarters' edges, where JPEG blurs.
  for (int y = 4; y < kHeight; y += kHeight / 2) {
    for (int x = 4; x < kWidth; x += kWidth / 2) {
      EXPECT_TRUE(Near(PixelAt(frame, x, y), QuarterColor(x, y)))
          << std::hex << PixelAt(frame, x, y) << " at " << std::dec << x << "," << y;
    }
  }
}

// Frames and the decoder's own memory are reused from picture to picture;
// a picture of another size must still come out whole and in its colours.
TEST(FrameDecoder, PicturesOfChangingSizesDecodeIntoReusedBuffers) {
  remote::FrameDecoder decoder;
  std::shared_ptr<remote::FramePool> pool = std::make_shared<remote::FramePool>();
  const int sizes[][2] = {{640, 400}, {64, 48}, {640, 400}, {800, 600}, {640, 400}};
  const uint8_t* previous_buffer = nullptr;
  for (const auto& size : sizes) {
    const int width = size[0];
    const int height = size[1];
    std::shared_ptr<remote::PageFrame> frame = pool->Take();
    ASSERT_TRUE(decoder.Decode(Base64(QuartersJpeg(width, height)), frame.get()));
    ASSERT_EQ(frame->width, width);
    ASSERT_EQ(frame->height, height);
    ASSERT_EQ(frame->pixels.size(), static_cast<size_t>(width) * height * 4);
    for (int y = 4; y < height; y += height / 2) {
      for (int x = 4; x < width; x += width / 2) {
        EXPECT_TRUE(Near(PixelAt(*frame, x, y), QuarterColor(x, y, width, height)))
            << std::hex << PixelAt(*frame, x, y) << " at " << std::dec << x << "," << y << " of " << width;
      }
    }
    if (previous_buffer && width == 640) {
      EXPECT_EQ(frame->pixels.data(), previous_buffer) << "the buffer came back";
    }
    previous_buffer = frame->pixels.data();
  }
}

TEST(FrameDecoder, BrokenPicturesAreRefusedWithoutHarm) {
  remote::FrameDecoder decoder;
  remote::PageFrame frame;
  EXPECT_FALSE(decoder.Decode("", &frame));
  EXPECT_FALSE(decoder.Decode("not base64 at all!", &frame));
  EXPECT_FALSE(decoder.Decode("/9j/", &frame)) << "a JPEG's first bytes alone";
  EXPECT_TRUE(frame.pixels.empty());
  // Cut short anywhere, or with a stretch overwritten, a picture either
  // decodes to a frame whose pixels match its size or is refused.
  const std::vector<BYTE> bytes = QuartersJpeg();
  ASSERT_GT(bytes.size(), 100u);
  for (size_t cut = 3; cut < bytes.size(); cut += bytes.size() / 23 + 1) {
    remote::PageFrame part;
    if (decoder.Decode(Base64(std::vector<BYTE>(bytes.begin(), bytes.begin() + cut)), &part)) {
      EXPECT_EQ(part.pixels.size(), static_cast<size_t>(part.width) * part.height * 4);
    }
    std::vector<BYTE> damaged = bytes;
    for (size_t i = cut; i < damaged.size() && i < cut + 64; ++i) damaged[i] = static_cast<BYTE>(i * 151);
    remote::PageFrame garbled;
    if (decoder.Decode(Base64(damaged), &garbled)) {
      EXPECT_EQ(garbled.pixels.size(), static_cast<size_t>(garbled.width) * garbled.height * 4);
    }
  }
}

}  // namespace

namespace {

LRESULT CALLBACK SurfaceWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* surface = reinterpret_cast<remote::ViewSurface*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_PAINT && surface) {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(window, &paint);
    surface->Paint(dc, paint.rcPaint);
    ::EndPaint(window, &paint);
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

HWND MakeSurfaceWindow() {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = SurfaceWindowProc;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"ViewSurfaceTest";
  ::RegisterClassExW(&window_class);
  HWND window = ::CreateWindowExW(WS_EX_TOPMOST, L"ViewSurfaceTest", L"", WS_POPUP | WS_VISIBLE, 40, 40, kWidth,
                                  kHeight, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ::UpdateWindow(window);
  return window;
}

void Blacken(HWND window) {
  HDC dc = ::GetDC(window);
  RECT all = {0, 0, kWidth, kHeight};
  ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  ::ReleaseDC(window, dc);
}

// What the screen shows at a point of the window, read without looking at
// this thread's messages: a picture drawn by another thread must get there
// on its own.
bool ScreenShowsRedAt(HWND window, int x, int y, DWORD timeout_ms) {
  for (DWORD waited = 0; waited < timeout_ms; waited += 5) {
    uint32_t rgb = 0;
    if (test_support::ScreenPixelAt(window, x, y, &rgb) && test_support::ColorNear(rgb, 0xFF0000)) return true;
    ::Sleep(5);
  }
  return false;
}

bool WindowShowsQuarters(HWND window) {
  test_support::Picture picture = test_support::CaptureWindow(window);
  for (int y = 4; y < kHeight; y += kHeight / 2) {
    for (int x = 4; x < kWidth; x += kWidth / 2) {
      if (!test_support::ColorNear(picture.At(x, y), QuarterColor(x, y) & 0xFFFFFF)) return false;
    }
  }
  return true;
}

}  // namespace

// A native view's pictures are drawn by the pipeline's own thread and
// counted as presented there; the window's thread repaints the same picture,
// and once the view lets go of its window nothing more is drawn into it.
TEST(FramePipeline, PicturesAreDrawnIntoTheViewFromThePipelineUntilTheViewLetsGo) {
  HWND window = MakeSurfaceWindow();
  ASSERT_TRUE(window);
  auto surface = std::make_shared<remote::ViewSurface>(window);
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(surface.get()));
  remote::FramePipeline pipeline;
  ASSERT_TRUE(pipeline.Start());
  std::vector<int> acknowledged;
  auto sink = std::make_shared<remote::FrameSink>(
      [&](int number) { acknowledged.push_back(number); },
      [surface](std::shared_ptr<const remote::PageFrame> frame) { return surface->Show(std::move(frame)); });
  const std::string picture = Base64(QuartersJpeg());
  auto decoded = [&](int count) {
    return test_support::PumpUntil([&] { return sink->counts().decoded + sink->counts().failed >= count; }, 5000);
  };
  LARGE_INTEGER before;
  ::QueryPerformanceCounter(&before);
  Blacken(window);
  test_support::PumpUntil([] { return false; }, 100);
  pipeline.Submit(sink, picture, 7);
  EXPECT_TRUE(ScreenShowsRedAt(window, 4, 4, 3000)) << "on the screen with no pumping here";
  ASSERT_TRUE(decoded(1));
  EXPECT_EQ(acknowledged, std::vector<int>{7});
  EXPECT_EQ(sink->counts().presented, 1);
  EXPECT_TRUE(test_support::PumpUntil([&] { return WindowShowsQuarters(window); }, 3000)) << "drawn at once";
  ASSERT_TRUE(surface->frame());
  EXPECT_GE(surface->frame()->received_at, before.QuadPart);

  Blacken(window);
  ::InvalidateRect(window, nullptr, FALSE);
  ::UpdateWindow(window);
  EXPECT_TRUE(test_support::PumpUntil([&] { return WindowShowsQuarters(window); }, 3000)) << "repainted";

  surface->Detach();
  Blacken(window);
  pipeline.Submit(sink, picture, 8);
  ASSERT_TRUE(decoded(2));
  EXPECT_EQ(sink->counts().presented, 1) << "a picture for a view that let go is not presented";
  test_support::PumpUntil([] { return false; }, 200);
  EXPECT_FALSE(WindowShowsQuarters(window));
  pipeline.Stop();
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  ::DestroyWindow(window);
}
