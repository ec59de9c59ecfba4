// Frames per second for repainting a 1280 x 800 surface with a typical skin
// scene, and the time of its first frame, part by part, against baselines measured in the same run: each part
// drawn by plain GDI calls over the same pixels (the same blits in the same
// stretch mode for images, a region fill and a GDI outline for rounded boxes,
// DrawTextW for text), and the physical floor: copying the surface's bytes
// with memcpy and blitting the surface once with BitBlt.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/core/resource_manager.h"
#include "ui/render/gdi_handles.h"
#include "ui/render/gdiplus_session.h"
#include "ui/render/pixel_cache.h"
#include "ui/render/render_factory_gdiplus.h"
#include "bench/bench_support.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
constexpr double kRunSeconds = 2.0;

// Pens and brushes of the GDI baselines.
struct GdiObjectTraits {
  using Type = HGDIOBJ;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::DeleteObject(handle); }
};
using UniqueGdiObject = qbase::UniqueHandle<GdiObjectTraits>;

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
  auto skin_color = [](int x, int y) {
    const bool border = x < 12 || y < 12 || x >= 36 || y >= 36;
    return border ? 0xFF2B3A4Au : 0xFFF3F5F8u;
  };
  auto icon_color = [](int x, int y) {
    const int dx = x - 16, dy = y - 16;
    return dx * dx + dy * dy < 196 ? 0xE0D08030u : 0x00000000u;
  };
  ui::UniqueBitmap skin = MakeImage(48, 48, skin_color);
  ui::UniqueBitmap icon = MakeImage(32, 32, icon_color);

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

  // The same parts in plain GDI, with what a GDI program would make once
  // (source DCs, pen, brush) made once. A bitmap lives in one DC at a time,
  // so the baselines draw from copies of the pictures.
  HDC surface = context->GetHdc();
  ui::UniqueBitmap skin_copy = MakeImage(48, 48, skin_color);
  ui::UniqueBitmap icon_copy = MakeImage(32, 32, icon_color);
  ui::UniqueMemoryDc skin_dc(::CreateCompatibleDC(surface));
  ui::UniqueMemoryDc icon_dc(::CreateCompatibleDC(surface));
  ui::ScopedSelectObject select_skin(skin_dc.get(), skin_copy.get());
  ui::ScopedSelectObject select_icon(icon_dc.get(), icon_copy.get());
  UniqueGdiObject box_brush(::CreateSolidBrush(RGB(0x5B, 0x8D, 0xC9)));
  UniqueGdiObject box_pen(::CreatePen(PS_SOLID, 1, RGB(0x1D, 0x3C, 0x5E)));
  HFONT text_font = ui::ResourceManager::GetFont(L"bench")->font.get();
  auto gdi_background = [&] {
    const int old_mode = ::SetStretchBltMode(surface, HALFTONE);
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    HDC s = skin_dc.get();
    const int r = kWidth - 12, b = kHeight - 12;
    ::StretchBlt(surface, 12, 12, r - 12, b - 12, s, 12, 12, 24, 24, SRCCOPY);
    ::AlphaBlend(surface, 0, 0, 12, 12, s, 0, 0, 12, 12, blend);
    ::StretchBlt(surface, 12, 0, r - 12, 12, s, 12, 0, 24, 12, SRCCOPY);
    ::AlphaBlend(surface, r, 0, 12, 12, s, 36, 0, 12, 12, blend);
    ::StretchBlt(surface, 0, 12, 12, b - 12, s, 0, 12, 12, 24, SRCCOPY);
    ::StretchBlt(surface, r, 12, 12, b - 12, s, 36, 12, 12, 24, SRCCOPY);
    ::AlphaBlend(surface, 0, b, 12, 12, s, 0, 36, 12, 12, blend);
    ::StretchBlt(surface, 12, b, r - 12, 12, s, 12, 36, 24, 12, SRCCOPY);
    ::AlphaBlend(surface, r, b, 12, 12, s, 36, 36, 12, 12, blend);
    ::SetStretchBltMode(surface, old_mode);
  };
  auto gdi_boxes = [&] {
    ui::ScopedSelectObject select_pen(surface, box_pen.get());
    ui::ScopedSelectObject select_brush(surface, ::GetStockObject(NULL_BRUSH));
    for (int i = 0; i < 200; ++i) {
      const int x = 20 + (i % 20) * 62;
      const int y = 60 + (i / 20) * 45;
      ui::UniqueRegion region(::CreateRoundRectRgn(x, y, x + 57, y + 37, 8, 8));
      ::FillRgn(surface, region.get(), static_cast<HBRUSH>(box_brush.get()));
      ::RoundRect(surface, x, y, x + 57, y + 37, 8, 8);
    }
  };
  auto gdi_text = [&] {
    ui::ScopedSelectObject select_font(surface, text_font);
    const int old_mode = ::SetBkMode(surface, TRANSPARENT);
    const COLORREF old_color = ::SetTextColor(surface, RGB(0x20, 0x24, 0x2C));
    for (int i = 0; i < 100; ++i) {
      const int x = 20 + (i % 10) * 124;
      const int y = 520 + (i / 10) * 26;
      RECT rect = {x, y, x + 120, y + 24};
      ::DrawTextW(surface, L"Tarnwell text run", -1, &rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
    ::SetTextColor(surface, old_color);
    ::SetBkMode(surface, old_mode);
  };
  auto gdi_images = [&] {
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    for (int i = 0; i < 50; ++i) {
      const int x = 20 + (i % 25) * 50;
      const int y = 430 + (i / 25) * 40;
      ::AlphaBlend(surface, x, y, 32, 32, icon_dc.get(), 0, 0, 32, 32, blend);
    }
  };
  auto gdi_scene = [&] {
    gdi_background();
    gdi_boxes();
    gdi_text();
    gdi_images();
  };

  std::vector<uint8_t> source(static_cast<size_t>(kWidth) * kHeight * 4, 0x5A);
  std::vector<uint8_t> target(source.size());
  auto copy_bytes = [&] {
    std::memcpy(target.data(), source.data(), source.size());
    // Keeps the copy from being optimised away.
    source[target[source.size() / 2] % source.size()] ^= 1;
  };
  auto blit = [&] { ::BitBlt(screen->GetHdc(), 0, 0, kWidth, kHeight, context->GetHdc(), 0, 0, SRCCOPY); };

  struct Part {
    const char* name;
    std::function<void()> ours;
    std::function<void()> gdi;
    double ours_ms = 0;
    double gdi_ms = 0;
  };
  Part parts[] = {{"scene", paint_scene, gdi_scene},
                  {"nine_grid_background", paint_background, gdi_background},
                  {"200_round_boxes", paint_boxes, gdi_boxes},
                  {"100_text_runs", paint_text, gdi_text},
                  {"50_images", paint_images, gdi_images}};
  for (Part& part : parts) {
    part.ours_ms = 1000.0 / MeasureFps(part.ours);
    part.gdi_ms = 1000.0 / MeasureFps(part.gdi);
  }
  // The first frame finds nothing in the pixel cache: it lays out, rasterises
  // and stretches everything once, as a window's first paint does.
  std::vector<double> first_frames;
  for (int i = 0; i < 5; ++i) {
    ui::PixelCache::Current().Clear();
    const double start = bench::NowSeconds();
    paint_scene();
    ::GdiFlush();
    first_frames.push_back((bench::NowSeconds() - start) * 1000.0);
  }
  const double memcpy_fps = MeasureFps(copy_bytes);
  const double bitblt_fps = MeasureFps(blit);

  const double scene_fps = 1000.0 / parts[0].ours_ms;
  std::printf("paint_scene_1280x800: %.1f fps\n", scene_fps);
  std::printf("paint_scene_frame_time: %.3f ms\n", parts[0].ours_ms);
  std::printf("paint_scene_first_frame: %.3f ms\n", bench::Median(first_frames));
  for (const Part& part : parts) {
    if (&part != &parts[0]) std::printf("part_%s: %.3f ms\n", part.name, part.ours_ms);
  }
  for (const Part& part : parts) std::printf("gdi_%s: %.3f ms\n", part.name, part.gdi_ms);
  std::printf("memcpy_4000KiB: %.1f fps\n", memcpy_fps);
  std::printf("bitblt_1280x800: %.1f fps\n", bitblt_fps);
  for (const Part& part : parts) std::printf("ratio_%s_to_gdi: %.2f x\n", part.name, part.ours_ms / part.gdi_ms);
  std::printf("ratio_scene_to_memcpy: %.4f x\n", scene_fps / memcpy_fps);
  std::printf("ratio_scene_to_bitblt: %.4f x\n", scene_fps / bitblt_fps);
  return 0;
}
