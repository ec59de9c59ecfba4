#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <string>

#include "tests/ui/byte_mutator.h"
#include "tests/ui/control_test_host.h"
#include "tests/ui/render_support.h"
#include "ui/core/control.h"
#include "ui/core/markup_builder.h"
#include "ui/core/resource_manager.h"
#include "ui/render/image_info.h"
#include "ui/render/render_factory_gdiplus.h"

namespace ui {
namespace {

constexpr uint32_t kDark = 0xFF202020;
constexpr uint32_t kPanel = 0xFF405080;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kGreen = 0xFF00C000;
constexpr uint32_t kYellow = 0xFFFFFF00;
constexpr uint32_t kGray = 0xFF808080;

// The skin tests/data/skins/controls/tree.xml built into a host and
// painted into an off-screen surface of the window's size.
class PaintedTree : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureGdiplus();
    saved_path_ = ResourceManager::GetResourcePath();
    // Start-up installs the render factory that translucent controls need
    // and reads the folder's global.xml.
    ResourceManager::Startup(test::TestDataPath(L"skins\\"), nullptr, L"controls", L"lang");
    ASSERT_NE(nullptr, ResourceManager::GetRenderFactory());
    ASSERT_EQ(0xFF202020u, ResourceManager::GetTextColor(L"ctl_text"));
    ResourceManager::AddTextColor(L"ctl_paint_dark", kDark);
    ResourceManager::AddTextColor(L"ctl_paint_panel", kPanel);
    ResourceManager::AddTextColor(L"ctl_paint_red", kRed);
    ResourceManager::AddTextColor(L"ctl_paint_white", kWhite);
    ResourceManager::AddTextColor(L"ctl_paint_blue", kBlue);

    folder_ = test::MakeTempFolder(L"ctl_state_images");
    const struct {
      const wchar_t* name;
      uint32_t color;
    } images[] = {{L"normal.png", kBlue}, {L"hot.png", kGreen}, {L"pushed.png", kYellow}, {L"disabled.png", kGray}};
    for (const auto& image : images) {
      const uint32_t color = image.color;
      ASSERT_TRUE(test::WriteFileBytes(folder_ + image.name,
                                       test::EncodeArgb(8, 8, L"image/png", [color](int, int) { return color; })));
    }

    MarkupBuilder builder;
    root_ = builder.Create(L"tree.xml", nullptr, &host_);
    ASSERT_NE(nullptr, root_);
    host_.AttachRoot(root_);
    for (const wchar_t* name : {L"normal_state", L"hot_state", L"pushed_state", L"disabled_state"}) {
      Control* cell = host_.FindControl(name);
      ASSERT_NE(nullptr, cell);
      cell->SetAttribute(L"normalimage", folder_ + L"normal.png");
      cell->SetAttribute(L"hotimage", folder_ + L"hot.png");
      cell->SetAttribute(L"pushedimage", folder_ + L"pushed.png");
      cell->SetAttribute(L"disabledimage", folder_ + L"disabled.png");
    }
    // Pushed without a pushed image falls back to the hot one.
    Control* fallback = host_.FindControl(L"fallback_state");
    fallback->SetAttribute(L"normalimage", L"file='" + folder_ + L"normal.png'");
    fallback->SetAttribute(L"hotimage", L"file='" + folder_ + L"hot.png' fade='100'");
    host_.Layout(Rect(0, 0, 240, 160));

    context_ = RenderFactory_GdiPlus().CreateRenderContext();
    ASSERT_TRUE(context_->Resize(240, 160));
    Repaint();
  }

  void TearDown() override {
    ResourceManager::SetResourcePath(saved_path_);
    for (const wchar_t* name : {L"normal.png", L"hot.png", L"pushed.png", L"disabled.png"})
      ::DeleteFileW((folder_ + name).c_str());
    ::RemoveDirectoryW(folder_.c_str());
  }

  void Repaint() {
    test::FillSurface(*context_, 0);
    host_.Paint(context_.get(), Rect(0, 0, 240, 160));
  }
  uint32_t Pixel(int x, int y) const { return test::PixelAt(*context_, x, y); }
  Control* Find(const wchar_t* name) { return host_.FindControl(name); }

  std::wstring saved_path_;
  std::wstring folder_;
  test::TestHost host_;
  Control* root_ = nullptr;
  std::unique_ptr<IRenderContext> context_;
};

TEST_F(PaintedTree, ColoursBordersAndAlpha) {
  ASSERT_EQ(Rect(50, 5, 90, 45), Find(L"framed")->GetPos());
  EXPECT_TRUE(test::NearRgb(kRed, Pixel(25, 25), 0));
  EXPECT_TRUE(test::NearRgb(kDark, Pixel(47, 74), 0)) << "the root's colour shows between the cells";
  EXPECT_TRUE(test::NearRgb(kPanel, Pixel(120, 155), 0));

  // A 2-pixel border lies fully inside the control.
  for (int x : {50, 51, 88, 89}) EXPECT_TRUE(test::NearRgb(kBlue, Pixel(x, 25), 0)) << x;
  for (int y : {5, 6, 43, 44}) EXPECT_TRUE(test::NearRgb(kBlue, Pixel(70, y), 0)) << y;
  for (int x : {52, 87}) EXPECT_TRUE(test::NearRgb(kWhite, Pixel(x, 25), 0)) << x;
  EXPECT_TRUE(test::NearRgb(kWhite, Pixel(70, 7), 0));
  // One side only: a 1-pixel line at the left edge.
  EXPECT_TRUE(test::NearRgb(kBlue, Pixel(95, 25), 0));
  EXPECT_TRUE(test::NearRgb(kWhite, Pixel(96, 25), 0));
  EXPECT_TRUE(test::NearRgb(kWhite, Pixel(134, 25), 0));

  // The row's vertical gradient runs from its first colour to its second.
  const uint32_t top = Pixel(137, 6);
  const uint32_t bottom = Pixel(137, 44);
  EXPECT_TRUE(test::NearRgb(kPanel, Pixel(2, 0), 12));
  EXPECT_TRUE(test::NearRgb(kDark, Pixel(2, 49), 12));
  EXPECT_GT(test::BlueOf(top), test::BlueOf(bottom));

  // An undefined colour paints nothing: the row shows through.
  EXPECT_EQ(Pixel(137, 25), Pixel(160, 25));

  // Alpha 128 blends white half over the row.
  const uint32_t under = Pixel(182, 25);
  const uint32_t blended = Pixel(205, 25);
  for (int shift : {0, 8, 16}) {
    const int expected = (255 * 128 + test::Channel(under, shift) * 127) / 255;
    EXPECT_NEAR(expected, test::Channel(blended, shift), 3) << shift;
  }

  // Alpha 0 paints nothing at all, but the control keeps its place.
  Find(L"red")->SetAlpha(0);
  Repaint();
  EXPECT_EQ(Pixel(2, 25), Pixel(25, 25));
  EXPECT_EQ(Rect(5, 5, 45, 45), Find(L"red")->GetPos());
}

TEST_F(PaintedTree, StateImagesAndStateColours) {
  EXPECT_TRUE(test::NearRgb(kBlue, Pixel(24, 74), 0));
  EXPECT_TRUE(test::NearRgb(kGreen, Pixel(72, 74), 0));
  EXPECT_TRUE(test::NearRgb(kYellow, Pixel(120, 74), 0));
  EXPECT_TRUE(test::NearRgb(kGray, Pixel(168, 74), 0));
  // The hot image stands in for pushed, at full strength despite its fade.
  EXPECT_TRUE(test::NearRgb(kGreen, Pixel(216, 74), 0));

  // States change what the same control shows.
  Control* cell = Find(L"normal_state");
  cell->SetEnabled(false);
  Repaint();
  EXPECT_TRUE(test::NearRgb(kGray, Pixel(24, 74), 0));
  cell->SetEnabled(true);
  cell->SendEvent(kEventMouseButtonDown, 0, 0, 0, 0.0f, Point(24, 74));
  Repaint();
  EXPECT_TRUE(test::NearRgb(kYellow, Pixel(24, 74), 0));

  // With the hot fade, the hot alpha decides how much of hot shows.
  Control* rest = Find(L"rest");
  rest->SetState(kControlStateHot);
  Repaint();
  EXPECT_TRUE(test::NearRgb(kPanel, Pixel(120, 130), 0));
  rest->SetHotAlpha(255);
  Repaint();
  EXPECT_TRUE(test::NearRgb(kRed, Pixel(120, 130), 0));
  rest->SetHotAlpha(128);
  Repaint();
  EXPECT_NEAR((0xFF * 128 + 0x40 * 127) / 255, test::RedOf(Pixel(120, 130)), 3);
}

TEST_F(PaintedTree, CachedControlsRenderAgainOnlyWhenDirty) {
  Control* red = Find(L"red");
  red->SetCacheEnabled(true);
  Repaint();
  EXPECT_TRUE(test::NearRgb(kRed, Pixel(25, 25), 0));
  // A change through the control's own setters dirties the cache.
  red->SetBkColor(L"ctl_paint_blue");
  Repaint();
  EXPECT_TRUE(test::NearRgb(kBlue, Pixel(25, 25), 0));
  // A colour redefined behind the control's back stays cached until then.
  ResourceManager::AddTextColor(L"ctl_paint_blue", kGreen);
  Repaint();
  EXPECT_TRUE(test::NearRgb(kBlue, Pixel(25, 25), 0));
  red->Invalidate();
  Repaint();
  EXPECT_TRUE(test::NearRgb(kGreen, Pixel(25, 25), 0));
  ResourceManager::AddTextColor(L"ctl_paint_blue", kBlue);
}

TEST_F(PaintedTree, ACachedControlFirstPaintedInPartKeepsAWholeCache) {
  Control* red = Find(L"red");  // (5, 5) to (45, 45)
  red->SetCacheEnabled(true);
  // The first paint of the fresh cache only updates the control's left part.
  test::FillSurface(*context_, 0);
  host_.Paint(context_.get(), Rect(0, 0, 20, 160));
  Repaint();
  for (int x : {10, 25, 40}) EXPECT_TRUE(test::NearRgb(kRed, Pixel(x, 25), 0)) << x;
  EXPECT_TRUE(test::NearRgb(kRed, Pixel(40, 40), 0));
}

// A box that paints through its own bitmap (alpha below 255, or the cache)
// still clips its children to its rectangle and its rounded corners.
TEST_F(PaintedTree, ChildrenOfTranslucentAndCachedBoxesStayInsideTheirClip) {
  for (const wchar_t* mode : {L"alpha=\"200\"", L"cache=\"true\""}) {
    SCOPED_TRACE(testing::Message() << std::string(mode, mode + wcslen(mode)));
    test::TestHost host;
    MarkupBuilder builder;
    Control* root = builder.Create(
        std::wstring(L"<Window><Box bkcolor=\"ctl_paint_dark\"><Box name=\"panel\" float=\"true\" "
                     L"margin=\"20,20,0,0\" width=\"60\" height=\"60\" bkcolor=\"ctl_paint_white\" "
                     L"borderround=\"24,24\" ") +
            mode + L"><Control width=\"120\" height=\"120\" bkcolor=\"ctl_paint_red\"/></Box></Box></Window>",
        nullptr, &host);
    ASSERT_NE(nullptr, root);
    host.AttachRoot(root);
    host.Layout(Rect(0, 0, 120, 120));
    ASSERT_EQ(Rect(20, 20, 80, 80), host.FindControl(L"panel")->GetPos());
    std::unique_ptr<IRenderContext> surface = RenderFactory_GdiPlus().CreateRenderContext();
    ASSERT_TRUE(surface->Resize(120, 120));
    test::FillSurface(*surface, 0);
    host.Paint(surface.get(), Rect(0, 0, 120, 120));
    // The child reaches to (140, 140); outside the box only the root shows.
    for (const Point& p : {Point(90, 50), Point(50, 90), Point(100, 100)})
      EXPECT_TRUE(test::NearRgb(kDark, test::PixelAt(*surface, p.x, p.y), 0)) << p.x << "," << p.y;
    // Inside the rectangle but outside the rounded corner.
    EXPECT_TRUE(test::NearRgb(kDark, test::PixelAt(*surface, 21, 21), 0));
    EXPECT_TRUE(test::NearRgb(kDark, test::PixelAt(*surface, 78, 78), 0));
    // The child shows in the middle of the box.
    EXPECT_GT(test::RedOf(test::PixelAt(*surface, 50, 50)), 0xC0);
    EXPECT_FALSE(test::SaveScreenshot(*surface, mode[0] == L'a' ? L"translucent_box.png" : L"cached_box.png").empty());
  }
}

TEST_F(PaintedTree, AutoSizedControlsTakeTheirImageSize) {
  Control control;
  control.ApplyAttributeList(L"width=\"auto\" height=\"auto\"");
  control.SetBkImage(folder_ + L"hot.png");
  EXPECT_EQ(Size(8, 8), control.EstimateSize(Size(100, 100)));
  // A source rectangle fixes the size to the sprite piece.
  control.SetBkImage(L"file='" + folder_ + L"hot.png' source='0,0,4,6'");
  EXPECT_EQ(Size(4, 6), control.EstimateSize(Size(100, 100)));
  EXPECT_EQ(4, control.GetFixedWidth());
  // A missing file sizes nothing.
  Control missing;
  missing.ApplyAttributeList(L"width=\"auto\" height=\"30\" bkimage=\"no_such_image.png\"");
  EXPECT_EQ(Size(0, 30), missing.EstimateSize(Size(100, 100)));
}

TEST_F(PaintedTree, SavesAScreenshot) {
  ASSERT_FALSE(test::SaveScreenshot(*context_, L"control_tree.png").empty());
  std::unique_ptr<ImageInfo> saved = ImageInfo::LoadFromFile(L"" TARNWELL_SCREENSHOT_DIR L"\\control_tree.png");
  ASSERT_NE(nullptr, saved);
  EXPECT_EQ(240, saved->width());
}

}  // namespace
}  // namespace ui
