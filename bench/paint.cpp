// Frames per second for repainting a 1280 x 800 surface with a typical skin
// scene, against the physical floor measured in the same run: copying the
// surface's bytes with memcpy and blitting the surface once with BitBlt.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ui/core/resource_manager.h"
#include "ui/render/gdi_handles.h"
#include "ui/render/gdiplus_session.h"
#include "ui/render/render_factory_gdiplus.h"
#include "bench/bench_support.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
constexpr double kRunSeconds = 2.0;

// Repeats |frame| for about kRunSeconds and returns frames per second.
template <typename Frame>
double MeasureFps(Frame frame) {
  frame();  // warm up
  ::GdiFlush();
  int frames = 0;
  const double start = bench::NowSeconds();
  double elapsed = 0;
  do {
    frame();
    ::GdiFlush();
    ++frames;
    elapsed = bench::NowSeconds() - start;
  } while (elapsed < kRunSeconds);
  return frames / elapsed;
}

// A premultiplied 32-bit DIB section filled by |color| (ARGB).
template <typename Color>
ui::UniqueBitmap MakeImage(int width, int height, Color color) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  ui::UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  uint32_t* pixels = static_cast<uint32_t*>(bits);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t argb = color(x, y);
      const uint32_t a = argb >> 24;
      const uint32_t r = ((argb >> 16) & 0xFF) * a / 255;
      const uint32_t g = ((argb >> 8) & 0xFF) * a / 255;
      const uint32_t b = (argb & 0xFF) * a / 255;
      pixels[y * width + x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  return bitmap;
}

}  // namespace

int main() {
  ui::GdiplusSession gdiplus;
  if (!gdiplus.started()) {
    std::fprintf(stderr, "GDI+ did not start\n");
    return 1;
  }
  ui::RenderFactory_GdiPlus factory;
  std::unique_ptr<ui::IRenderContext> context = factory.CreateRenderContext();
  std::unique_ptr<ui::IRenderContext> screen = factory.CreateRenderContext();
  if (!context->Resize(kWidth, kHeight) || !screen->Resize(kWidth, kHeight)) {
    std::fprintf(stderr, "no surface\n");
    return 1;
  }
  ui::ResourceManager::AddFont(L"Tahoma", L"bench", 14, false, false, false, false);

  // A 48 x 48 window skin with 12-pixel borders, and a 32 x 32 icon with alpha.
  ui::UniqueBitmap skin = MakeImage(48, 48, [](int x, int y) {
    const bool border = x < 12 || y < 12 || x >= 36 || y >= 36;
    return border ? 0xFF2B3A4Au : 0xFFF3F5F8u;
  });
  ui::UniqueBitmap icon = MakeImage(32, 32, [](int x, int y) {
    const int dx = x - 16, dy = y - 16;
    return dx * dx + dy * dy < 196 ? 0xE0D08030u : 0x00000000u;
  });

  const ui::Rect all(0, 0, kWidth, kHeight);
  auto paint_background = [&] {
    context->DrawImage(all, skin.get(), false, all, ui::Rect(0, 0, 48, 48), ui::Rect(12, 12, 12, 12));
  };
  auto paint_boxes = [&] {
    for (int i = 0; i < 200; ++i) {
      const int x = 20 + (i % 20) * 62;
      const int y = 60 + (i / 20) * 45;
      const ui::Rect box(x, y, x + 56, y + 36);
      context->PushRoundClip(box, 8, 8);
      context->FillColor(box, 0xFF5B8DC9);
      context->PopClip();
      context->DrawRoundRect(box, ui::Size(8, 8), 1, 0xFF1D3C5E);
    }
  };
  auto paint_text = [&] {
    for (int i = 0; i < 100; ++i) {
      const int x = 20 + (i % 10) * 124;
      const int y = 520 + (i / 10) * 26;
      context->DrawText(ui::Rect(x, y, x + 120, y + 24), L"Tarnwell text run", 0xFF20242C, L"bench",
                        ui::kTextLeft | ui::kTextVCenter | ui::kTextSingleLine | ui::kTextEndEllipsis);
    }
  };
  auto paint_images = [&] {
    for (int i = 0; i < 50; ++i) {
      const int x = 20 + (i % 25) * 50;
      const int y = 430 + (i / 25) * 40;
      context->DrawImage(all, icon.get(), true, ui::Rect(x, y, x + 32, y + 32), ui::Rect(0, 0, 32, 32), ui::Rect());
    }
  };
  auto paint_scene = [&] {
    paint_background();
    paint_boxes();
    paint_text();
    paint_images();
  };

  std::vector<uint8_t> source(static_cast<size_t>(kWidth) * kHeight * 4, 0x5A);
  std::vector<uint8_t> target(source.size());
  auto copy_bytes = [&] {
    std::memcpy(target.data(), source.data(), source.size());
    // Keeps the copy from being optimised away.
    source[target[source.size() / 2] % source.size()] ^= 1;
  };
  auto blit = [&] { ::BitBlt(screen->GetHdc(), 0, 0, kWidth, kHeight, context->GetHdc(), 0, 0, SRCCOPY); };

  const double scene_fps = MeasureFps(paint_scene);
  const double background_fps = MeasureFps(paint_background);
  const double boxes_fps = MeasureFps(paint_boxes);
  const double text_fps = MeasureFps(paint_text);
  const double images_fps = MeasureFps(paint_images);
  const double memcpy_fps = MeasureFps(copy_bytes);
  const double bitblt_fps = MeasureFps(blit);

  std::printf("paint_scene_1280x800: %.1f fps\n", scene_fps);
  std::printf("paint_scene_frame_time: %.3f ms\n", 1000.0 / scene_fps);
  std::printf("part_nine_grid_background: %.3f ms\n", 1000.0 / background_fps);
  std::printf("part_200_round_boxes: %.3f ms\n", 1000.0 / boxes_fps);
  std::printf("part_100_text_runs: %.3f ms\n", 1000.0 / text_fps);
  std::printf("part_50_images: %.3f ms\n", 1000.0 / images_fps);
  std::printf("memcpy_4000KiB: %.1f fps\n", memcpy_fps);
  std::printf("bitblt_1280x800: %.1f fps\n", bitblt_fps);
  std::printf("ratio_scene_to_memcpy: %.4f x\n", scene_fps / memcpy_fps);
  std::printf("ratio_scene_to_bitblt: %.4f x\n", scene_fps / bitblt_fps);
  return 0;
}
