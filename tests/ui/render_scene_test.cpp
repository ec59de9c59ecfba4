#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "tests/ui/render_support.h"
#include "ui/core/resource_manager.h"
#include "ui/render/auto_clip.h"
#include "ui/render/image_info.h"
#include "ui/render/render_factory_gdiplus.h"

namespace ui {
namespace {

// Every primitive on one 640 x 480 surface, saved for a person to look at.
TEST(RenderScene, EveryPrimitiveOnOneSurface) {
  test::EnsureGdiplus();
  RenderFactory_GdiPlus factory;
  std::unique_ptr<IRenderContext> context = factory.CreateRenderContext();
  ASSERT_TRUE(context->Resize(640, 480));
  ResourceManager::AddFont(L"Tahoma", L"scene_font", 14, false, false, false, false);
  ResourceManager::AddFont(L"Tahoma", L"scene_bold", 18, true, false, false, false);
  ResourceManager::AddTextColor(L"scene_panel", 0xFFE8ECF2);
  const uint32_t ink = 0xFF20242C;

  context->FillColor(Rect(0, 0, 640, 480), 0xFFFFFFFF);
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
  const Rect all(0, 0, 640, 480);
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
    AutoClip clip(context.get(), Rect(560, 180, 630, 250), 30, 30);
    context->FillGradient(Rect(540, 170, 640, 260), 0xFF50C050, 0xFF206020);
  }

  // Everything drawn: colours where they were put.
  EXPECT_TRUE(test::NearRgb(0xFFD04040, test::PixelAt(*context, 25, 65), 2));
  EXPECT_TRUE(test::NearRgb(0xFF8040C0, test::PixelAt(*context, 70, 210), 8));
  EXPECT_TRUE(test::NearRgb(0xFFFFFFFF, test::PixelAt(*context, 562, 182), 2));  // clipped corner

  ASSERT_FALSE(test::SaveScreenshot(*context, L"render_scene.png").empty());
  std::unique_ptr<ImageInfo> saved = ImageInfo::LoadFromFile(L"" TARNWELL_SCREENSHOT_DIR L"\\render_scene.png");
  ASSERT_NE(nullptr, saved);
  EXPECT_EQ(640, saved->width());
  EXPECT_EQ(480, saved->height());
}

}  // namespace
}  // namespace ui
