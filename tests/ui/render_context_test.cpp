#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "tests/ui/render_support.h"
#include "ui/core/resource_manager.h"
#include "ui/render/auto_clip.h"
#include "ui/render/gdi_bitmap.h"
#include "ui/render/render_factory_gdiplus.h"

namespace ui {
namespace {

using test::AlphaOf;
using test::BlueOf;
using test::FillSurface;
using test::GreenOf;
using test::NearRgb;
using test::PixelAt;
using test::RedOf;

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;

class RenderContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureGdiplus();
    context_ = factory_.CreateRenderContext();
    ASSERT_TRUE(context_->Resize(100, 80));
    FillSurface(*context_, kBlack);
  }

  RenderFactory_GdiPlus factory_;
  std::unique_ptr<IRenderContext> context_;
};

TEST_F(RenderContextTest, SurfaceLayoutResizeTakeAndClone) {
  ASSERT_NE(nullptr, context_->GetPixelBits());
  EXPECT_EQ(100, context_->GetWidth());
  EXPECT_EQ(80, context_->GetHeight());

  // Pixel (x, y) is at (x + y * width) * 4, bytes B, G, R, A, rows top-down.
  uint8_t* bytes = static_cast<uint8_t*>(context_->GetPixelBits());
  const size_t offset = (7 + 3 * 100) * 4;
  bytes[offset + 0] = 0x11;
  bytes[offset + 1] = 0x22;
  bytes[offset + 2] = 0x33;
  bytes[offset + 3] = 0x44;
  EXPECT_EQ(0x44332211u, PixelAt(*context_, 7, 3));
  context_->FillColor(Rect(0, 0, 1, 1), kRed);
  EXPECT_EQ(0xFFu, bytes[2]);

  // Same size: refused, pixels kept.
  EXPECT_FALSE(context_->Resize(100, 80));
  EXPECT_EQ(0x44332211u, PixelAt(*context_, 7, 3));

  // The clone copies pixels regardless of the source's origin and clip.
  context_->SetOrigin(Point(30, 30));
  context_->PushClip(Rect(40, 40, 41, 41));
  std::unique_ptr<IRenderContext> clone = context_->Clone();
  context_->PopClip();
  ASSERT_EQ(100, clone->GetWidth());
  EXPECT_EQ(0x44332211u, PixelAt(*clone, 7, 3));
  EXPECT_NE(context_->GetPixelBits(), clone->GetPixelBits());

  HBITMAP taken = context_->TakeBitmap();
  ASSERT_NE(nullptr, taken);
  EXPECT_EQ(nullptr, context_->GetPixelBits());
  EXPECT_EQ(0, context_->GetWidth());
  DIBSECTION section = {};
  ASSERT_EQ(static_cast<int>(sizeof(section)), ::GetObjectW(taken, sizeof(section), &section));
  EXPECT_EQ(32, section.dsBm.bmBitsPixel);
  ::DeleteObject(taken);
  EXPECT_EQ(nullptr, context_->TakeBitmap());

  // A failed resize leaves no bitmap; drawing on it is harmless.
  EXPECT_TRUE(clone->Resize(10, 10));
  EXPECT_FALSE(clone->Resize(0, 0));
  EXPECT_EQ(nullptr, clone->GetPixelBits());
  clone->FillColor(Rect(0, 0, 5, 5), kRed);
  clone->FillAlpha(Rect(0, 0, 5, 5), 1);

  GdiBitmap bitmap;
  EXPECT_FALSE(bitmap.Init(nullptr, 10, 10, true));
  HDC screen = ::GetDC(nullptr);
  EXPECT_FALSE(bitmap.Init(screen, 10, -1, true));
  EXPECT_TRUE(bitmap.Init(screen, 4, 3, false));
  ::ReleaseDC(nullptr, screen);
  EXPECT_EQ(4, bitmap.GetWidth());
  // Bottom-up: row 0 of memory is the lowest row on the surface.
  HDC memory = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(memory, bitmap.GetBitmap());
  ::SetPixelV(memory, 0, 2, RGB(255, 0, 0));
  ::GdiFlush();
  EXPECT_EQ(0xFFu, static_cast<uint8_t*>(bitmap.GetPixelBits())[2]);
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
}

TEST_F(RenderContextTest, FillColorScalesAlphaAndHonoursOrigin) {
  context_->FillColor(Rect(10, 10, 20, 15), kRed);
  EXPECT_EQ(kRed, PixelAt(*context_, 10, 10));
  EXPECT_EQ(kRed, PixelAt(*context_, 19, 14));
  EXPECT_EQ(kBlack, PixelAt(*context_, 20, 14));  // right edge excluded
  EXPECT_EQ(kBlack, PixelAt(*context_, 19, 15));  // bottom edge excluded
  EXPECT_EQ(kBlack, PixelAt(*context_, 9, 10));

  // Half alpha keeps the colour's channels and blends over black.
  context_->FillColor(Rect(30, 0, 40, 10), kGreen, 128);
  const uint32_t half = PixelAt(*context_, 35, 5);
  EXPECT_NEAR(128, GreenOf(half), 3);
  EXPECT_EQ(0, RedOf(half));
  EXPECT_EQ(0, BlueOf(half));
  // A colour already translucent is scaled again: 0x80 * 128 / 255 = 64.
  context_->FillColor(Rect(40, 0, 50, 10), 0x80FFFFFF, 128);
  EXPECT_NEAR(64, GreenOf(PixelAt(*context_, 45, 5)), 3);

  // Logical point (origin) lands on pixel (0, 0).
  const Point old = context_->SetOrigin(Point(50, 40));
  EXPECT_EQ(0, old.x);
  context_->FillColor(Rect(50, 40, 52, 42), kBlue);
  EXPECT_EQ(kBlue, PixelAt(*context_, 0, 0));
  EXPECT_EQ(kBlue, PixelAt(*context_, 1, 1));
  EXPECT_EQ(kBlack, PixelAt(*context_, 2, 2));
  const Point before = context_->OffsetOrigin(-10, -5);
  EXPECT_EQ(50, before.x);
  EXPECT_EQ(40, context_->GetOrigin().x);
  EXPECT_EQ(35, context_->GetOrigin().y);
  context_->FillColor(Rect(40, 35, 41, 36), kGreen);
  EXPECT_EQ(kGreen, PixelAt(*context_, 0, 0));
}

TEST_F(RenderContextTest, FillAlphaTouchesOnlyTheOverlap) {
  FillSurface(*context_, 0x11223344);
  context_->FillAlpha(Rect(-5, 2, 3, 4), 0x7F);
  EXPECT_EQ(0x7F7F7F7Fu, PixelAt(*context_, 0, 2));
  EXPECT_EQ(0x7F7F7F7Fu, PixelAt(*context_, 2, 3));
  EXPECT_EQ(0x11223344u, PixelAt(*context_, 3, 2));
  EXPECT_EQ(0x11223344u, PixelAt(*context_, 0, 1));
  EXPECT_EQ(0x11223344u, PixelAt(*context_, 0, 4));

  context_->FillAlpha(Rect(95, 75, 500, 500), 0);
  EXPECT_EQ(0u, PixelAt(*context_, 99, 79));
  EXPECT_EQ(0x11223344u, PixelAt(*context_, 94, 79));

  // Empty column span, inverted rows, and a rect wholly outside: no change.
  context_->FillAlpha(Rect(10, 10, 10, 20), 0);
  context_->FillAlpha(Rect(20, 10, 10, 20), 0);
  context_->FillAlpha(Rect(10, 30, 20, 20), 0);
  context_->FillAlpha(Rect(200, 0, 300, 10), 0);
  EXPECT_EQ(0x11223344u, PixelAt(*context_, 10, 10));
  EXPECT_EQ(0x11223344u, PixelAt(*context_, 15, 25));
}

TEST_F(RenderContextTest, RepairAlphaSparesShadowCornersAndClearsKey) {
  FillSurface(*context_, 0x10203040);
  context_->RepairAlpha(Rect(0, 0, 100, 80), Rect(3, 4, 5, 6), 0);
  // Corner blocks keep their alpha.
  EXPECT_EQ(0x10u, AlphaOf(PixelAt(*context_, 0, 0)));
  EXPECT_EQ(0x10u, AlphaOf(PixelAt(*context_, 2, 3)));
  EXPECT_EQ(0x10u, AlphaOf(PixelAt(*context_, 95, 0)));
  EXPECT_EQ(0x10u, AlphaOf(PixelAt(*context_, 99, 79)));
  EXPECT_EQ(0x10u, AlphaOf(PixelAt(*context_, 0, 74)));
  // Bands between them, and the middle, become opaque; colour stays.
  EXPECT_EQ(0xFF203040u, PixelAt(*context_, 3, 0));
  EXPECT_EQ(0xFFu, AlphaOf(PixelAt(*context_, 0, 4)));
  EXPECT_EQ(0xFFu, AlphaOf(PixelAt(*context_, 94, 79)));
  EXPECT_EQ(0xFFu, AlphaOf(PixelAt(*context_, 99, 73)));
  EXPECT_EQ(0xFFu, AlphaOf(PixelAt(*context_, 50, 40)));

  // A key turns matching pixels transparent, the rest opaque, inside the rect only.
  FillSurface(*context_, 0x80000000);
  uint8_t* bytes = static_cast<uint8_t*>(context_->GetPixelBits());
  bytes[(10 + 10 * 100) * 4 + 3] = 0x20;
  context_->RepairAlpha(Rect(5, 5, 50, 50), Rect(), 0x20);
  EXPECT_EQ(0u, AlphaOf(PixelAt(*context_, 10, 10)));
  EXPECT_EQ(0xFFu, AlphaOf(PixelAt(*context_, 11, 10)));
  EXPECT_EQ(0x80u, AlphaOf(PixelAt(*context_, 4, 10)));
  EXPECT_EQ(0x80u, AlphaOf(PixelAt(*context_, 50, 10)));
  context_->RepairAlpha(Rect(-10, -10, 1000, 1000), Rect(), 0);
  EXPECT_EQ(0xFFu, AlphaOf(PixelAt(*context_, 99, 79)));
}

TEST_F(RenderContextTest, ClipsNestAndShareTheStateStack) {
  context_->PushClip(Rect(10, 10, 50, 50));
  context_->PushClip(Rect(30, 30, 90, 90));
  context_->FillColor(Rect(0, 0, 100, 80), kRed);
  EXPECT_EQ(kRed, PixelAt(*context_, 30, 30));
  EXPECT_EQ(kRed, PixelAt(*context_, 49, 49));
  EXPECT_EQ(kBlack, PixelAt(*context_, 50, 49));
  EXPECT_EQ(kBlack, PixelAt(*context_, 29, 35));
  context_->PopClip();
  context_->FillColor(Rect(0, 0, 100, 80), kBlue);
  EXPECT_EQ(kBlue, PixelAt(*context_, 10, 10));
  EXPECT_EQ(kBlack, PixelAt(*context_, 9, 10));
  EXPECT_EQ(kBlack, PixelAt(*context_, 60, 60));

  // RestoreState also pops the clips pushed after SaveState.
  context_->SaveState();
  context_->PushClip(Rect(0, 0, 12, 12));
  context_->PushClip(Rect(11, 11, 12, 12));
  context_->RestoreState();
  context_->FillColor(Rect(0, 0, 100, 80), kGreen);
  EXPECT_EQ(kGreen, PixelAt(*context_, 40, 40));
  EXPECT_EQ(kBlack, PixelAt(*context_, 5, 5));
  context_->PopClip();
  // A second restore must not pop anything pushed since.
  context_->PushClip(Rect(0, 0, 2, 2));
  context_->RestoreState();
  context_->FillColor(Rect(0, 0, 100, 80), kWhite);
  EXPECT_EQ(kWhite, PixelAt(*context_, 1, 1));
  EXPECT_EQ(kGreen, PixelAt(*context_, 40, 40));
  context_->PopClip();

  // Clips are given in logical coordinates.
  FillSurface(*context_, kBlack);
  context_->SetOrigin(Point(5, 5));
  {
    AutoClip clip(context_.get(), Rect(10, 10, 20, 20));
    context_->FillColor(Rect(0, 0, 100, 80), kRed);
  }
  EXPECT_EQ(kRed, PixelAt(*context_, 5, 5));
  EXPECT_EQ(kRed, PixelAt(*context_, 14, 14));
  EXPECT_EQ(kBlack, PixelAt(*context_, 15, 15));
  EXPECT_EQ(kBlack, PixelAt(*context_, 4, 4));
  context_->SetOrigin(Point(0, 0));
  {
    AutoClip disabled(context_.get(), Rect(0, 0, 1, 1), false);
    context_->FillColor(Rect(0, 0, 100, 80), kBlue);
  }
  EXPECT_EQ(kBlue, PixelAt(*context_, 60, 60));
}

TEST_F(RenderContextTest, RoundClipIncludesRightAndBottomEdges) {
  {
    AutoClip clip(context_.get(), Rect(10, 10, 40, 40), 12, 12);
    context_->FillColor(Rect(0, 0, 100, 80), kRed);
  }
  EXPECT_EQ(kRed, PixelAt(*context_, 25, 25));
  EXPECT_EQ(kRed, PixelAt(*context_, 40, 25));  // right edge belongs to it
  EXPECT_EQ(kRed, PixelAt(*context_, 25, 40));  // bottom edge too
  EXPECT_EQ(kBlack, PixelAt(*context_, 41, 25));
  EXPECT_EQ(kBlack, PixelAt(*context_, 10, 10));  // rounded corner cut off
  EXPECT_EQ(kBlack, PixelAt(*context_, 40, 40));
  EXPECT_EQ(kBlack, PixelAt(*context_, 60, 60));  // popped: nothing else drawn

  FillSurface(*context_, kBlack);
  {
    AutoClip clip(context_.get(), Rect(10, 10, 40, 40));
    context_->FillColor(Rect(0, 0, 100, 80), kRed);
  }
  EXPECT_EQ(kRed, PixelAt(*context_, 10, 10));
  EXPECT_EQ(kBlack, PixelAt(*context_, 40, 25));
}

// A premultiplied 32-bit DIB filled by |color| (which returns ARGB).
UniqueBitmap MakeSourceBitmap(int width, int height, const std::function<uint32_t(int, int)>& color) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  uint32_t* pixels = static_cast<uint32_t*>(bits);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels[y * width + x] = color(x, y);
  }
  return bitmap;
}

// A 12 x 12 nine-grid image with 4-pixel borders: each corner its own
// colour, edges grey, and a centre whose left two columns are red and
// right two blue, so stretching and tiling can be told apart.
constexpr uint32_t kTopLeft = 0xFF102030, kTopRight = 0xFF405060, kBottomLeft = 0xFF708090,
                   kBottomRight = 0xFFA0B0C0, kEdge = 0xFF808080;
uint32_t NineGridColor(int x, int y) {
  const int column = x < 4 ? 0 : (x < 8 ? 1 : 2);
  const int row = y < 4 ? 0 : (y < 8 ? 1 : 2);
  if (column == 1 && row == 1) return (x - 4) < 2 ? kRed : kBlue;
  if (column == 0 && row == 0) return kTopLeft;
  if (column == 2 && row == 0) return kTopRight;
  if (column == 0 && row == 2) return kBottomLeft;
  if (column == 2 && row == 2) return kBottomRight;
  return kEdge;
}

TEST_F(RenderContextTest, NineGridKeepsCornersAndStretchesOrTilesTheCentre) {
  UniqueBitmap image = MakeSourceBitmap(12, 12, NineGridColor);
  const Rect all(0, 0, 100, 80);
  const Rect corner(4, 4, 4, 4);

  // 40 x 30: corners stay 4 x 4, the centre stretches to 32 x 22.
  context_->DrawImage(all, image.get(), false, Rect(10, 10, 50, 40), Rect(0, 0, 12, 12), corner);
  EXPECT_EQ(kTopLeft, PixelAt(*context_, 10, 10));
  EXPECT_EQ(kTopLeft, PixelAt(*context_, 13, 13));
  EXPECT_TRUE(NearRgb(kEdge, PixelAt(*context_, 14, 10), 2));
  EXPECT_EQ(kTopRight, PixelAt(*context_, 46, 10));
  EXPECT_EQ(kTopRight, PixelAt(*context_, 49, 13));
  EXPECT_EQ(kBottomLeft, PixelAt(*context_, 10, 36));
  EXPECT_EQ(kBottomRight, PixelAt(*context_, 49, 39));
  EXPECT_TRUE(NearRgb(kEdge, PixelAt(*context_, 30, 38), 2));
  EXPECT_TRUE(NearRgb(kEdge, PixelAt(*context_, 11, 25), 2));
  EXPECT_TRUE(NearRgb(kRed, PixelAt(*context_, 16, 25), 8));  // red half stretched to 16 columns
  EXPECT_TRUE(NearRgb(kBlue, PixelAt(*context_, 43, 25), 8));
  EXPECT_EQ(kBlack, PixelAt(*context_, 50, 25));
  EXPECT_EQ(kBlack, PixelAt(*context_, 30, 40));

  // Centre 3.5 tiles wide: four columns, the last cropped to its red half.
  FillSurface(*context_, kBlack);
  context_->DrawImage(all, image.get(), false, Rect(0, 0, 22, 12), Rect(0, 0, 12, 12), corner, 255, true, false);
  const int y = 6;
  for (int tile = 0; tile < 3; ++tile) {
    EXPECT_EQ(kRed, PixelAt(*context_, 4 + tile * 4, y)) << tile;
    EXPECT_EQ(kRed, PixelAt(*context_, 5 + tile * 4, y)) << tile;
    EXPECT_EQ(kBlue, PixelAt(*context_, 6 + tile * 4, y)) << tile;
    EXPECT_EQ(kBlue, PixelAt(*context_, 7 + tile * 4, y)) << tile;
  }
  EXPECT_EQ(kRed, PixelAt(*context_, 16, y));
  EXPECT_EQ(kRed, PixelAt(*context_, 17, y));
  EXPECT_TRUE(NearRgb(kEdge, PixelAt(*context_, 18, y), 2));
  EXPECT_EQ(kTopRight, PixelAt(*context_, 21, 0));

  // Tiled both ways: the rows repeat as well, the last one cropped.
  FillSurface(*context_, kBlack);
  context_->DrawImage(all, image.get(), false, Rect(0, 0, 18, 18), Rect(0, 0, 12, 12), corner, 255, true, true);
  EXPECT_EQ(kRed, PixelAt(*context_, 8, 12));
  EXPECT_EQ(kBlue, PixelAt(*context_, 10, 13));
  EXPECT_EQ(kBottomRight, PixelAt(*context_, 17, 17));

  // No corners, no tiling: one stretched piece over the whole dest.
  FillSurface(*context_, kBlack);
  context_->DrawImage(all, image.get(), false, Rect(0, 0, 24, 24), Rect(4, 4, 8, 8), Rect());
  EXPECT_TRUE(NearRgb(kRed, PixelAt(*context_, 2, 12), 8));
  EXPECT_TRUE(NearRgb(kBlue, PixelAt(*context_, 21, 12), 8));

  // A dest outside the paint rect, or no bitmap, draws nothing; a centre
  // with no width to tile must not hang.
  FillSurface(*context_, kBlack);
  context_->DrawImage(Rect(0, 0, 5, 5), image.get(), false, Rect(10, 10, 30, 30), Rect(0, 0, 12, 12), corner);
  context_->DrawImage(all, nullptr, false, Rect(10, 10, 30, 30), Rect(0, 0, 12, 12), corner);
  context_->DrawImage(all, image.get(), false, Rect(0, 0, 60, 60), Rect(0, 0, 8, 8), corner, 255, true, true);
  EXPECT_EQ(kBlack, PixelAt(*context_, 20, 20));
}

TEST_F(RenderContextTest, BlitChoiceBlendsAlphaAndFadeOrCopies) {
  // Fully transparent source pixels: only a copy changes the destination.
  UniqueBitmap clear = MakeSourceBitmap(10, 10, [](int, int) { return 0u; });
  const Rect all(0, 0, 100, 80);
  FillSurface(*context_, kWhite);
  context_->DrawImage(all, clear.get(), false, Rect(0, 0, 10, 10), Rect(0, 0, 10, 10), Rect());
  EXPECT_EQ(kWhite, PixelAt(*context_, 5, 5)) << "same size blends even when opaque";
  context_->DrawImage(all, clear.get(), true, Rect(20, 0, 40, 20), Rect(0, 0, 10, 10), Rect());
  EXPECT_EQ(kWhite, PixelAt(*context_, 30, 10)) << "an image with alpha blends";
  context_->DrawImage(all, clear.get(), false, Rect(40, 0, 60, 20), Rect(0, 0, 10, 10), Rect(), 254);
  EXPECT_EQ(kWhite, PixelAt(*context_, 50, 10)) << "a fade blends";
  context_->SetTransparentTarget(true);
  EXPECT_TRUE(context_->IsTransparentTarget());
  context_->DrawImage(all, clear.get(), false, Rect(60, 0, 80, 20), Rect(0, 0, 10, 10), Rect());
  EXPECT_EQ(kWhite, PixelAt(*context_, 70, 10)) << "a layered target blends";
  EXPECT_TRUE(context_->SetTransparentTarget(false));
  context_->DrawImage(all, clear.get(), false, Rect(0, 40, 20, 60), Rect(0, 0, 10, 10), Rect());
  EXPECT_EQ(0u, PixelAt(*context_, 10, 50)) << "opaque and stretched is copied";

  // Fade is the constant alpha of the blend.
  UniqueBitmap red = MakeSourceBitmap(10, 10, [](int, int) { return kRed; });
  FillSurface(*context_, kBlack);
  context_->DrawImage(all, red.get(), false, Rect(0, 0, 10, 10), Rect(0, 0, 10, 10), Rect(), 128);
  EXPECT_NEAR(128, RedOf(PixelAt(*context_, 5, 5)), 2);
  context_->DrawImage(all, red.get(), false, Rect(20, 0, 30, 10), Rect(0, 0, 10, 10), Rect(), 0);
  EXPECT_EQ(kBlack, PixelAt(*context_, 25, 5));

  // Straight blits between surfaces.
  std::unique_ptr<IRenderContext> other = factory_.CreateRenderContext();
  ASSERT_TRUE(other->Resize(10, 10));
  FillSurface(*other, 0x800000FF);  // half-transparent premultiplied blue
  EXPECT_TRUE(context_->CopyFrom(0, 20, 10, 10, other->GetHdc(), 0, 0));
  EXPECT_EQ(0x800000FFu, PixelAt(*context_, 5, 25));
  FillSurface(*context_, 0xFFFF0000);
  EXPECT_TRUE(context_->BlendFrom(0, 0, 20, 20, other->GetHdc(), 0, 0, 10, 10, 255));
  const uint32_t mixed = PixelAt(*context_, 10, 10);
  EXPECT_NEAR(127, RedOf(mixed), 3);
  EXPECT_NEAR(255, BlueOf(mixed), 2);
  EXPECT_FALSE(context_->BlendFrom(0, 0, 10, 10, other->GetHdc(), 5, 5, 10, 10, 255)) << "source out of range";
}

TEST_F(RenderContextTest, GradientRunsFromTopColourToBottomColour) {
  context_->FillGradient(Rect(10, 10, 30, 70), kRed, kBlue);
  const uint32_t top = PixelAt(*context_, 20, 10);
  const uint32_t bottom = PixelAt(*context_, 20, 69);
  const uint32_t middle = PixelAt(*context_, 20, 40);
  EXPECT_TRUE(NearRgb(kRed, top, 12)) << std::hex << top;
  EXPECT_TRUE(NearRgb(kBlue, bottom, 12)) << std::hex << bottom;
  EXPECT_NEAR(128, RedOf(middle), 20);
  EXPECT_NEAR(128, BlueOf(middle), 20);
  EXPECT_EQ(kBlack, PixelAt(*context_, 20, 70));
  EXPECT_EQ(kBlack, PixelAt(*context_, 30, 40));
  // Alpha scales the first colour only.
  context_->FillGradient(Rect(50, 10, 70, 70), kRed, kBlue, 0);
  EXPECT_LT(RedOf(PixelAt(*context_, 60, 10)), 20);
  EXPECT_TRUE(NearRgb(kBlue, PixelAt(*context_, 60, 69), 12));
  context_->FillGradient(Rect(50, 10, 50, 70), kRed, kBlue);  // empty: nothing
}

// Bounds of every pixel that is not the background.
Rect InkBounds(const IRenderContext& context, uint32_t background) {
  Rect ink(10000, 10000, -1, -1);
  for (int y = 0; y < context.GetHeight(); ++y) {
    for (int x = 0; x < context.GetWidth(); ++x) {
      if (NearRgb(PixelAt(context, x, y), background, 40)) continue;
      ink.left = std::min<int>(ink.left, x);
      ink.top = std::min<int>(ink.top, y);
      ink.right = std::max<int>(ink.right, x + 1);
      ink.bottom = std::max<int>(ink.bottom, y + 1);
    }
  }
  return ink;
}

class RenderTextTest : public RenderContextTest {
 protected:
  void SetUp() override {
    RenderContextTest::SetUp();
    ASSERT_TRUE(context_->Resize(240, 100));
    ResourceManager::AddFont(L"Tahoma", kFont, 16, false, false, false, false);
  }
  Rect DrawAndMeasure(const std::wstring& text, UINT format) {
    FillSurface(*context_, kWhite);
    context_->DrawText(kBox, text, kBlack, kFont, format);
    return InkBounds(*context_, kWhite);
  }

  static constexpr const wchar_t* kFont = L"render_test_font";
  const Rect kBox = Rect(20, 10, 220, 90);
};

TEST_F(RenderTextTest, TextStaysInsideItsRectForEveryAlignment) {
  const std::wstring text = L"Tarnwell";
  const Rect left = DrawAndMeasure(text, kTextLeft | kTextTop | kTextSingleLine);
  ASSERT_GT(left.right, left.left) << "no text drawn";
  EXPECT_LE(kBox.left, left.left);
  EXPECT_LT(left.left, kBox.left + 6);
  EXPECT_LT(left.top, kBox.top + 8);
  const int width = left.Width();

  const Rect right = DrawAndMeasure(text, kTextRight | kTextSingleLine);
  EXPECT_GE(kBox.right, right.right);
  EXPECT_GT(right.right, kBox.right - 6);
  EXPECT_NEAR(width, right.Width(), 2);

  const Rect centre = DrawAndMeasure(text, kTextCenter | kTextVCenter | kTextSingleLine);
  EXPECT_NEAR((kBox.left + kBox.right) / 2, (centre.left + centre.right) / 2, 4);
  EXPECT_NEAR((kBox.top + kBox.bottom) / 2, (centre.top + centre.bottom) / 2, 5);

  const Rect bottom = DrawAndMeasure(text, kTextBottom | kTextSingleLine);
  EXPECT_GE(kBox.bottom, bottom.bottom);
  EXPECT_GT(bottom.bottom, kBox.bottom - 8);
  EXPECT_LT(bottom.left, kBox.left + 6);

  // Wrapped text stays inside; a single line with an ellipsis too.
  const std::wstring long_text = L"The quick brown fox jumps over the lazy dog again and again and again";
  const Rect wrapped = DrawAndMeasure(long_text, kTextLeft);
  // Anti-aliased glyph edges may bleed one pixel.
  EXPECT_LE(kBox.left - 1, wrapped.left);
  EXPECT_GE(kBox.right + 1, wrapped.right);
  EXPECT_GT(wrapped.Height(), left.Height() + 8);
  const Rect trimmed = DrawAndMeasure(long_text, kTextSingleLine | kTextEndEllipsis);
  EXPECT_GE(kBox.right + 1, trimmed.right);
  EXPECT_NEAR(left.Height(), trimmed.Height(), 4);

  // Nothing at all for empty text or fully transparent alpha.
  EXPECT_EQ(-1, DrawAndMeasure(L"", kTextLeft).right);
  FillSurface(*context_, kWhite);
  context_->DrawText(kBox, text, kBlack, kFont, 0, 0);
  EXPECT_EQ(-1, InkBounds(*context_, kWhite).right);
}

TEST_F(RenderTextTest, MeasureTextSingleLineAndWrapped) {
  const Rect word = context_->MeasureText(L"Tarnwell", kFont, kTextSingleLine);
  EXPECT_EQ(0, word.left);
  EXPECT_EQ(0, word.top);
  EXPECT_GT(word.Width(), 30);
  EXPECT_LT(word.Width(), 120);
  EXPECT_GT(word.Height(), 10);
  EXPECT_LT(word.Height(), 30);
  // The measure agrees with what DrawText puts on the surface.
  const Rect drawn = DrawAndMeasure(L"Tarnwell", kTextSingleLine);
  EXPECT_NEAR(drawn.Width(), word.Width(), 4);

  const Rect twice = context_->MeasureText(L"Tarnwell Tarnwell", kFont, kTextSingleLine);
  EXPECT_GT(twice.Width(), word.Width() * 3 / 2);
  EXPECT_EQ(word.Height(), twice.Height());

  const std::wstring sentence = L"one two three four five six seven eight nine ten";
  const Rect wrapped = context_->MeasureText(sentence, kFont, 0, 80);
  EXPECT_LE(wrapped.Width(), 81);
  EXPECT_GT(wrapped.Height(), word.Height() * 3);
  // A single line with a width does not wrap; it is one probe line high.
  const Rect single = context_->MeasureText(sentence, kFont, kTextSingleLine, 80);
  EXPECT_LE(single.Height(), word.Height() + 2);
  // Unknown font ids still measure, with the fallback font.
  EXPECT_GT(context_->MeasureText(L"abc", L"no such font", 0).Width(), 1);
}

TEST(RenderObjects, PenBrushPathAndMatrix) {
  test::EnsureGdiplus();
  RenderFactory_GdiPlus factory;
  std::unique_ptr<IPen> pen = factory.CreatePen(kRed, 3);
  EXPECT_EQ(3, pen->GetWidth());
  EXPECT_EQ(kRed, pen->GetColor());
  pen->SetStartCap(IPen::kLineCapRound);
  pen->SetEndCap(IPen::kLineCapTriangle);
  pen->SetDashCap(IPen::kDashCapRound);
  pen->SetLineJoin(IPen::kLineJoinBevel);
  pen->SetDashStyle(IPen::kDashStyleDot);
  std::unique_ptr<IPen> copy = pen->Clone();
  pen->SetWidth(7);
  pen->SetColor(kBlue);
  EXPECT_EQ(7, pen->GetWidth());
  EXPECT_EQ(kBlue, pen->GetColor());
  EXPECT_EQ(3, copy->GetWidth());
  EXPECT_EQ(kRed, copy->GetColor());
  EXPECT_EQ(IPen::kLineCapRound, copy->GetStartCap());
  EXPECT_EQ(IPen::kLineCapTriangle, copy->GetEndCap());
  EXPECT_EQ(IPen::kDashCapRound, copy->GetDashCap());
  EXPECT_EQ(IPen::kLineJoinBevel, copy->GetLineJoin());
  EXPECT_EQ(IPen::kDashStyleDot, copy->GetDashStyle());

  std::unique_ptr<IPath> path = factory.CreatePath();
  EXPECT_EQ(IPath::kFillModeAlternate, path->GetFillMode());
  path->AddRect(Rect(10, 20, 30, 60));
  EXPECT_EQ(Rect(10, 20, 30, 60), path->GetBounds(nullptr));
  EXPECT_TRUE(path->ContainsPoint(15, 25));
  EXPECT_FALSE(path->ContainsPoint(35, 25));
  std::unique_ptr<IPen> wide = factory.CreatePen(kRed, 4);
  EXPECT_TRUE(path->StrokeContainsPoint(10, 40, wide.get()));
  EXPECT_FALSE(path->StrokeContainsPoint(20, 40, wide.get()));
  const Rect widened = path->GetBounds(wide.get());
  EXPECT_LT(widened.left, 10);
  EXPECT_GT(widened.bottom, 60);

  std::unique_ptr<IPath> moved = path->Clone();
  std::unique_ptr<IMatrix> matrix = factory.CreateMatrix();
  matrix->Translate(5, -10);
  moved->Transform(matrix.get());
  moved->Transform(nullptr);
  EXPECT_EQ(Rect(15, 10, 35, 50), moved->GetBounds(nullptr));
  EXPECT_EQ(Rect(10, 20, 30, 60), path->GetBounds(nullptr));
  std::unique_ptr<IMatrix> turn = factory.CreateMatrix();
  turn->RotateAt(180, Point(20, 40));  // about the rectangle's own centre
  std::unique_ptr<IPath> turned = path->Clone();
  turned->Transform(turn.get());
  const Rect turned_bounds = turned->GetBounds(nullptr);
  EXPECT_NEAR(10, turned_bounds.left, 1);
  EXPECT_NEAR(60, turned_bounds.bottom, 1);

  path->Reset();
  path->SetFillMode(IPath::kFillModeWinding);
  EXPECT_EQ(IPath::kFillModeWinding, path->GetFillMode());
  const Point triangle[] = {Point(0, 0), Point(20, 0), Point(0, 20)};
  path->AddPolygon(triangle, 3);
  path->AddPolygon(nullptr, 5);
  EXPECT_TRUE(path->ContainsPoint(3, 3));
  EXPECT_FALSE(path->ContainsPoint(18, 18));

  // Solid and texture brushes both fill a path.
  std::unique_ptr<IRenderContext> context = factory.CreateRenderContext();
  ASSERT_TRUE(context->Resize(40, 40));
  FillSurface(*context, kBlack);
  std::unique_ptr<IBrush> solid = factory.CreateBrush(kGreen);
  EXPECT_EQ(kGreen, solid->Clone()->GetColor());
  context->FillPath(path.get(), solid.get());
  EXPECT_TRUE(NearRgb(kGreen, PixelAt(*context, 3, 3), 2));
  EXPECT_EQ(kBlack, PixelAt(*context, 30, 30));
  UniqueBitmap pattern = MakeSourceBitmap(2, 1, [](int x, int) { return x == 0 ? kRed : kBlue; });
  std::unique_ptr<IBrush> texture = factory.CreateBrush(pattern.get());
  std::unique_ptr<IPath> square = factory.CreatePath();
  square->AddRect(20, 20, 40, 40);
  context->FillPath(square.get(), texture->Clone().get());
  EXPECT_TRUE(NearRgb(kRed, PixelAt(*context, 30, 30), 2));
  EXPECT_TRUE(NearRgb(kBlue, PixelAt(*context, 31, 30), 2));
  EXPECT_EQ(nullptr, texture->GetBitmap());
  std::unique_ptr<IBitmap> empty = factory.CreateBitmap();
  EXPECT_EQ(0, empty->GetWidth());
  EXPECT_EQ(nullptr, empty->GetPixelBits());
}

}  // namespace
}  // namespace ui
