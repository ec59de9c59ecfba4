#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "tests/ui/render_support.h"
#include "ui/core/resource_manager.h"
#include "ui/render/auto_clip.h"
#include "ui/render/gdi_handles.h"
#include "ui/render/image_info.h"
#include "ui/render/pixel_cache.h"
#include "ui/render/render_factory_gdiplus.h"

namespace ui {
namespace {

// Every primitive on one 640 x 560 surface.
void DrawScene(RenderFactory_GdiPlus& factory, IRenderContext* context) {
  ResourceManager::AddFont(L"Tahoma", L"scene_font", 14, false, false, false, false);
  ResourceManager::AddFont(L"Tahoma", L"scene_bold", 18, true, false, false, false);
  ResourceManager::AddTextColor(L"scene_panel", 0xFFE8ECF2);
  const uint32_t ink = 0xFF20242C;

  context->FillColor(Rect(0, 0, 640, 560), 0xFFFFFFFF);
  context->FillGradient(Rect(0, 0, 640, 40), 0xFF3A6EA5, 0xFF1D3C5E);
  context->DrawText(Rect(0, 0, 640, 40), L"Render scene", 0xFFFFFFFF, L"scene_bold",
                    kTextCenter | kTextVCenter | kTextSingleLine);

  // Fills: opaque, translucent over a stripe, named colour.
  context->FillNamedColor(Rect(10, 50, 210, 150), L"scene_panel");
  context->FillColor(Rect(20, 60, 100, 140), 0xFFD04040);
  context->FillColor(Rect(60, 80, 200, 120), 0xFF2080D0, 128);

  // Lines, rectangles, round rectangles, ellipses, Bezier.
  context->DrawLine(Rect(220, 50, 420, 150), 1, ink);
  context->DrawLine(Rect(220, 150, 420, 50), 3, 0xFF40A040);
  context->DrawRect(Rect(430, 50, 530, 150), 2, ink);
  context->DrawRoundRect(Rect(540, 50, 630, 150), Size(20, 20), 2, 0xFFB05020);
  context->FillEllipse(Rect(20, 170, 120, 250), 0xFF8040C0);
  context->DrawEllipse(Rect(130, 170, 230, 250), 3, 0xFF8040C0);
  std::unique_ptr<IPen> pen = factory.CreatePen(0xFFE07000, 4);
  pen->SetDashStyle(IPen::kDashStyleDash);
  pen->SetStartCap(IPen::kLineCapRound);
  pen->SetEndCap(IPen::kLineCapTriangle);
  context->StrokeLine(pen.get(), 240, 180, 400, 240);
  context->DrawBezier(pen.get(), 410, 240, 450, 160, 520, 260, 620, 175);

  // Paths: a filled star with a texture brush, outlined.
  const Point star[] = {Point(80, 270), Point(95, 310), Point(140, 310), Point(105, 335), Point(120, 375),
                        Point(80, 350), Point(40, 375), Point(55, 335), Point(20, 310), Point(65, 310)};
  std::unique_ptr<IPath> path = factory.CreatePath();
  path->AddPolygon(star, 10);
  std::unique_ptr<IRenderContext> tile = factory.CreateRenderContext();
  ASSERT_TRUE(tile->Resize(8, 8));
  tile->FillColor(Rect(0, 0, 8, 8), 0xFFFFD040);
  tile->FillColor(Rect(0, 0, 4, 4), 0xFFC03030);
  tile->FillColor(Rect(4, 4, 8, 8), 0xFFC03030);
  HBITMAP tile_bitmap = tile->TakeBitmap();
  ASSERT_NE(nullptr, tile_bitmap);
  std::unique_ptr<IBrush> texture = factory.CreateBrush(tile_bitmap);
  ::DeleteObject(tile_bitmap);
  context->FillPath(path.get(), texture.get());
  std::unique_ptr<IPen> outline = factory.CreatePen(ink, 2);
  context->DrawPath(path.get(), outline.get());
  std::unique_ptr<IPath> pie = factory.CreatePath();
  pie->AddPie(150, 270, 100, 100, -30, 300);
  context->FillPath(pie.get(), factory.CreateBrush(0xFF30A0A0).get());

  // Images: a nine-grid frame stretched and tiled, a faded copy.
  const std::string frame_png = test::EncodeArgb(24, 24, L"image/png", [](int x, int y) {
    const bool border = x < 6 || y < 6 || x >= 18 || y >= 18;
    if (border) return (x + y) % 2 ? 0xFF305080u : 0xFF6080B0u;
    return ((x / 3) + (y / 3)) % 2 ? 0xC0F0C040u : 0xC0F08040u;
  });
  std::unique_ptr<ImageInfo> frame = ImageInfo::LoadFromMemory(frame_png.data(), frame_png.size(), L"frame");
  ASSERT_NE(nullptr, frame);
  const Rect all(0, 0, 640, 560);
  context->DrawImage(all, frame->frame(0), frame->has_alpha(), Rect(270, 270, 400, 370), Rect(0, 0, 24, 24),
                     Rect(6, 6, 6, 6));
  context->DrawImage(all, frame->frame(0), frame->has_alpha(), Rect(410, 270, 540, 370), Rect(0, 0, 24, 24),
                     Rect(6, 6, 6, 6), 255, true, true);
  context->DrawImage(all, frame->frame(0), frame->has_alpha(), Rect(550, 270, 630, 370), Rect(0, 0, 24, 24),
                     Rect(), 110);

  // Text: the alignment flags in boxes, a wrapped paragraph, an ellipsis.
  const Rect boxes[] = {Rect(10, 390, 130, 430), Rect(140, 390, 260, 430), Rect(270, 390, 390, 430)};
  const UINT formats[] = {kTextLeft | kTextTop, kTextCenter | kTextVCenter, kTextRight | kTextBottom};
  const wchar_t* labels[] = {L"left top", L"centre", L"right bottom"};
  for (int i = 0; i < 3; ++i) {
    context->DrawRect(boxes[i], 1, 0xFFA0A0A0);
    context->DrawText(boxes[i], labels[i], ink, L"scene_font", formats[i] | kTextSingleLine);
  }
  const Rect paragraph(400, 385, 630, 475);
  context->DrawRect(paragraph, 1, 0xFFA0A0A0);
  context->DrawText(paragraph, L"A wrapped paragraph of text inside its rectangle, trimmed when it runs long.",
                    ink, L"scene_font", kTextLeft);
  context->DrawText(Rect(10, 440, 390, 470), L"A single line that is far too long for the room it has been given",
                    0xFF902020, L"scene_font", kTextSingleLine | kTextEndEllipsis | kTextVCenter);

  // A round clip over a fill.
  {
    AutoClip clip(context, Rect(560, 180, 630, 250), 30, 30);
    context->FillGradient(Rect(540, 170, 640, 260), 0xFF50C050, 0xFF206020);
  }

  // A round clip over fills, text and a picture that reaches out of it.
  {
    AutoClip clip(context, Rect(10, 485, 220, 555), 24, 24);
    context->FillColor(Rect(0, 480, 230, 560), 0xFF3060A0);
    context->FillColor(Rect(0, 480, 230, 515), 0xFFFFFFFF, 100);
    context->DrawText(Rect(20, 490, 200, 550), L"Clipped text over a fill", 0xFFFFFFFF, L"scene_bold",
                      kTextCenter | kTextVCenter);
    context->DrawImage(all, frame->frame(0), frame->has_alpha(), Rect(170, 470, 280, 560), Rect(0, 0, 24, 24),
                       Rect(6, 6, 6, 6));
  }
  // A moved origin under a picture with bottom-up rows, drawn as it is and
  // stretched, under an outline and a label.
  {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 16;
    info.bmiHeader.biHeight = 16;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    UniqueBitmap bottom_up(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(bottom_up);
    uint32_t* pixels = static_cast<uint32_t*>(bits);
    for (int row = 0; row < 16; ++row) {
      for (int x = 0; x < 16; ++x) {
        // Premultiplied; the first rows in memory are the foot of the
        // picture, which is opaque and clears towards the top.
        const uint32_t alpha = 255 - row * 16;
        pixels[row * 16 + x] = (alpha << 24) | ((alpha * x / 15) << 16) | (alpha / 2);
      }
    }
    const Point old = context->OffsetOrigin(-300, -480);
    context->DrawImage(all, bottom_up.get(), true, Rect(10, 10, 26, 26), Rect(0, 0, 16, 16), Rect(), 200);
    context->DrawImage(all, bottom_up.get(), true, Rect(40, 5, 140, 75), Rect(0, 0, 16, 16), Rect(4, 4, 4, 4));
    // A shadow: one translucent colour in the middle and along the edges.
    ::GdiFlush();
    for (int row = 0; row < 16; ++row) {
      for (int x = 0; x < 16; ++x) {
        const bool corner = (x < 4 || x >= 12) && (row < 4 || row >= 12);
        pixels[row * 16 + x] = corner ? 0x30000000u : 0x6B000000u;
      }
    }
    context->DrawImage(all, bottom_up.get(), true, Rect(260, 5, 330, 75), Rect(0, 0, 16, 16), Rect(4, 4, 4, 4), 180);
    context->DrawRoundRect(Rect(150, 10, 250, 70), Size(12, 12), 1, 0xFF20A060);
    context->DrawText(Rect(150, 10, 250, 70), L"moved", ink, L"scene_font", kTextCenter | kTextVCenter | kTextSingleLine);
    context->SetOrigin(old);
  }

}

// A DC in a mapping mode other than plain pixels, though one to one, keeps
// every drawing on the platform's own calls: how the scene looked before
// drawing went to the pixels and the pixel cache.
void DrawThroughTheDc(IRenderContext* context) {
  HDC dc = context->GetHdc();
  ::SetMapMode(dc, MM_ANISOTROPIC);
  ::SetWindowExtEx(dc, 1, 1, nullptr);
  ::SetViewportExtEx(dc, 1, 1, nullptr);
}

// The largest difference of any channel between two surfaces, and where.
int LargestDifference(const IRenderContext& a, const IRenderContext& b, Point* at) {
  int largest = 0;
  for (int y = 0; y < a.GetHeight(); ++y) {
    for (int x = 0; x < a.GetWidth(); ++x) {
      const uint32_t p = test::PixelAt(a, x, y), q = test::PixelAt(b, x, y);
      for (int shift = 0; shift < 32; shift += 8) {
        const int difference = std::abs(int(test::Channel(p, shift)) - int(test::Channel(q, shift)));
        if (difference > largest) {
          largest = difference;
          *at = Point(x, y);
        }
      }
    }
  }
  return largest;
}

// The scene drawn first, drawn again from what the first drawing left in
// the cache, and drawn through the platform's calls alone look the same;
// the first and the last are saved for a person to compare.
TEST(RenderScene, EveryPrimitiveOnOneSurface) {
  test::EnsureGdiplus();
  RenderFactory_GdiPlus factory;
  PixelCache::Current().Clear();
  std::unique_ptr<IRenderContext> context = factory.CreateRenderContext();
  std::unique_ptr<IRenderContext> again = factory.CreateRenderContext();
  std::unique_ptr<IRenderContext> direct = factory.CreateRenderContext();
  ASSERT_TRUE(context->Resize(640, 560));
  ASSERT_TRUE(again->Resize(640, 560));
  ASSERT_TRUE(direct->Resize(640, 560));
  DrawThroughTheDc(direct.get());
  DrawScene(factory, context.get());
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_GT(PixelCache::Current().block_count(), 10u);
  DrawScene(factory, again.get());
  const size_t blocks = PixelCache::Current().block_count();
  DrawScene(factory, direct.get());
  EXPECT_EQ(blocks, PixelCache::Current().block_count()) << "the platform's calls alone";

  Point at;
  EXPECT_LE(LargestDifference(*context, *direct, &at), 2) << at.x << "," << at.y;
  EXPECT_LE(LargestDifference(*again, *context, &at), 0) << at.x << "," << at.y;

  // Everything drawn: colours where they were put.
  EXPECT_TRUE(test::NearRgb(0xFFD04040, test::PixelAt(*context, 25, 65), 2));
  EXPECT_TRUE(test::NearRgb(0xFF8040C0, test::PixelAt(*context, 70, 210), 8));
  EXPECT_TRUE(test::NearRgb(0xFFFFFFFF, test::PixelAt(*context, 562, 182), 2));  // clipped corner

  ASSERT_FALSE(test::SaveScreenshot(*direct, L"render_scene_direct.png").empty());
  ASSERT_FALSE(test::SaveScreenshot(*context, L"render_scene.png").empty());
  std::unique_ptr<ImageInfo> saved = ImageInfo::LoadFromFile(L"" TARNWELL_SCREENSHOT_DIR L"\\render_scene.png");
  ASSERT_NE(nullptr, saved);
  EXPECT_EQ(640, saved->width());
  EXPECT_EQ(560, saved->height());
}

}  // namespace
}  // namespace ui
