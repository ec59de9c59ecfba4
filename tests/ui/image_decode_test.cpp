#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/ui/render_support.h"
#include "ui/core/resource_manager.h"
#include "ui/render/image.h"
#include "ui/render/image_animator.h"
#include "ui/render/image_cache.h"
#include "ui/render/image_info.h"
#include "ui/render/image_painter.h"
#include "ui/render/render_factory_gdiplus.h"

namespace ui {
namespace {

using test::EncodeArgb;
using test::PixelAt;

std::unique_ptr<ImageInfo> Decode(const std::string& bytes, const std::wstring& path = L"mem") {
  return ImageInfo::LoadFromMemory(bytes.data(), bytes.size(), path);
}

// 0xAARRGGBB of one pixel of a native frame.
uint32_t FramePixel(HBITMAP frame, int x, int y) {
  DIBSECTION section = {};
  if (::GetObjectW(frame, sizeof(section), &section) != sizeof(section) || !section.dsBm.bmBits) return 0xDEADBEEF;
  const int width = section.dsBm.bmWidth;
  const int height = section.dsBm.bmHeight;
  const int row = section.dsBmih.biHeight > 0 ? height - 1 - y : y;
  const uint8_t* p = static_cast<const uint8_t*>(section.dsBm.bmBits) + (static_cast<size_t>(row) * width + x) * 4;
  return (uint32_t(p[3]) << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

class ImageDecodeTest : public ::testing::Test {
 protected:
  void SetUp() override { test::EnsureGdiplus(); }
};

TEST_F(ImageDecodeTest, AnimatedGifKeepsEveryFrameAndItsDelay) {
  std::unique_ptr<ImageInfo> gif = Decode(test::MakeAnimatedGif(6, 4, {0, 4, 3, 25}), L"anim.gif");
  ASSERT_NE(nullptr, gif);
  EXPECT_EQ(6, gif->width());
  EXPECT_EQ(4, gif->height());
  EXPECT_EQ(L"anim.gif", gif->path());
  ASSERT_EQ(4u, gif->frame_count());
  EXPECT_EQ((std::vector<uint32_t>{0, 4, 3, 25}), gif->frame_delays());
  // Frame i is filled with palette entry i: red, green, blue, white.
  const uint32_t expected[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(expected[i], FramePixel(gif->frame(i), 3, 2)) << i;
  }
  EXPECT_EQ(nullptr, gif->frame(4));
  EXPECT_FALSE(gif->has_alpha());

  // Short stored delays are stretched: 0 -> 100 ms, 40 and 30 -> 50 ms.
  Image image;
  EXPECT_EQ(0, image.GetCurrentFrameDelay());
  image.info = std::shared_ptr<ImageInfo>(std::move(gif));
  const int delays[] = {100, 50, 50, 250, 0};
  for (int frame = 0; frame < 5; ++frame) {
    image.current_frame = frame;
    EXPECT_EQ(delays[frame], image.GetCurrentFrameDelay()) << frame;
  }

  // One frame: no delays at all.
  std::unique_ptr<ImageInfo> still = Decode(test::MakeAnimatedGif(2, 2, {7}));
  ASSERT_NE(nullptr, still);
  EXPECT_EQ(1u, still->frame_count());
  EXPECT_TRUE(still->frame_delays().empty());
}

TEST_F(ImageDecodeTest, AlphaDecisionPerFormat) {
  const std::string opaque_png = EncodeArgb(4, 4, L"image/png", [](int, int) { return 0xFF336699u; });
  const std::string translucent_png =
      EncodeArgb(4, 4, L"image/png", [](int x, int y) { return x == 1 && y == 2 ? 0x80FF0000u : 0xFF336699u; });
  ASSERT_FALSE(opaque_png.empty());
  std::unique_ptr<ImageInfo> opaque = Decode(opaque_png);
  std::unique_ptr<ImageInfo> translucent = Decode(translucent_png);
  ASSERT_NE(nullptr, opaque);
  ASSERT_NE(nullptr, translucent);
  EXPECT_FALSE(opaque->has_alpha());
  EXPECT_TRUE(translucent->has_alpha());
  EXPECT_EQ(0xFF336699u, FramePixel(opaque->frame(0), 0, 0));

  const std::string jpeg = EncodeArgb(8, 6, L"image/jpeg", [](int, int) { return 0xFF808080u; });
  std::unique_ptr<ImageInfo> photo = Decode(jpeg);
  ASSERT_NE(nullptr, photo);
  EXPECT_EQ(8, photo->width());
  EXPECT_EQ(6, photo->height());
  EXPECT_FALSE(photo->has_alpha());

  const std::string bmp = EncodeArgb(5, 3, L"image/bmp", [](int, int) { return 0xFF00FF00u; });
  std::unique_ptr<ImageInfo> plain = Decode(bmp);
  ASSERT_NE(nullptr, plain);
  EXPECT_EQ(5, plain->width());
  EXPECT_EQ(0xFF00FF00u, FramePixel(plain->frame(0), 4, 2));

  const std::string icon = test::MakeIcon(16, [](int x, int) { return x < 8 ? 0x40FF0000u : 0xFF0000FFu; });
  std::unique_ptr<ImageInfo> ico = Decode(icon);
  ASSERT_NE(nullptr, ico);
  EXPECT_EQ(16, ico->width());
  EXPECT_EQ(16, ico->height());
  EXPECT_TRUE(ico->has_alpha());

  EXPECT_EQ(nullptr, Decode(std::string("not an image at all")));
  EXPECT_EQ(nullptr, ImageInfo::LoadFromMemory(nullptr, 10, L"x"));
  EXPECT_EQ(nullptr, ImageInfo::LoadFromFile(L"Z:\\no\\such\\file.png"));
}

TEST_F(ImageDecodeTest, TranslucentFramesBlendCorrectlyWhenDrawn) {
  // Frames must reach AlphaBlend premultiplied, or translucent pixels
  // would come out at full strength.
  std::unique_ptr<ImageInfo> png =
      Decode(EncodeArgb(2, 2, L"image/png", [](int x, int) { return x == 0 ? 0x80FF0000u : 0x00000000u; }));
  ASSERT_NE(nullptr, png);
  RenderFactory_GdiPlus factory;
  std::unique_ptr<IRenderContext> context = factory.CreateRenderContext();
  ASSERT_TRUE(context->Resize(4, 4));
  test::FillSurface(*context, 0xFF000000);
  context->DrawImage(Rect(0, 0, 4, 4), png->frame(0), png->has_alpha(), Rect(0, 0, 2, 2), Rect(0, 0, 2, 2), Rect());
  EXPECT_NEAR(128, test::RedOf(PixelAt(*context, 0, 0)), 3);
  EXPECT_EQ(0xFF000000u, PixelAt(*context, 1, 0));
}

TEST_F(ImageDecodeTest, CacheSharesOneDecodeAndForgetsItWithTheLastHolder) {
  const std::string png = EncodeArgb(3, 3, L"image/png", [](int, int) { return 0xFF112233u; });
  std::map<std::wstring, int> decodes;
  auto cache = std::make_unique<ImageCache>([&](const std::wstring& path) -> std::unique_ptr<ImageInfo> {
    ++decodes[path];
    if (path.find(L"missing") != std::wstring::npos) return nullptr;
    return Decode(png, path);
  });

  std::shared_ptr<ImageInfo> first = cache->GetImage(L"skin/a.png");
  std::shared_ptr<ImageInfo> second = cache->GetImage(L"skin\\\\a.png");
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(first, second);
  EXPECT_EQ(1, decodes[L"skin\\a.png"]);
  EXPECT_TRUE(first->cached());
  EXPECT_EQ(first, cache->FindCachedImage(L"skin/a.png"));
  EXPECT_EQ(nullptr, cache->FindCachedImage(L"skin/b.png"));
  EXPECT_EQ(1u, cache->size());

  first.reset();
  EXPECT_EQ(1u, cache->size()) << "one holder is left";
  second.reset();
  EXPECT_EQ(0u, cache->size());
  EXPECT_EQ(nullptr, cache->FindCachedImage(L"skin/a.png"));
  std::shared_ptr<ImageInfo> again = cache->GetImage(L"skin/a.png");
  ASSERT_NE(nullptr, again);
  EXPECT_EQ(2, decodes[L"skin\\a.png"]);

  EXPECT_EQ(nullptr, cache->GetImage(L"missing.png"));
  EXPECT_EQ(1u, cache->size());

  // An image may outlive the cache that handed it out.
  cache.reset();
  again.reset();

  // The resource manager's cache decodes real files.
  const std::wstring folder = test::MakeTempFolder(L"tarnwell_image_cache");
  ASSERT_TRUE(test::WriteFileBytes(folder + L"c.png", png));
  std::shared_ptr<ImageInfo> held = ResourceManager::GetImage(folder + L"c.png");
  ASSERT_NE(nullptr, held);
  EXPECT_EQ(3, held->width());
  EXPECT_EQ(held, ResourceManager::GetImage(folder + L"c.png"));
  EXPECT_EQ(held, ResourceManager::FindCachedImage(folder + L"c.png"));
  ImageInfo* old_address = held.get();
  held.reset();
  EXPECT_EQ(nullptr, ResourceManager::FindCachedImage(folder + L"c.png"));
  // Decoded again from disk: the file changed meanwhile, and the new size shows.
  ASSERT_TRUE(test::WriteFileBytes(folder + L"c.png", EncodeArgb(5, 2, L"image/png", [](int, int) { return ~0u; })));
  held = ResourceManager::GetImage(folder + L"c.png");
  ASSERT_NE(nullptr, held);
  EXPECT_EQ(5, held->width());
  (void)old_address;
  held.reset();
  ::DeleteFileW((folder + L"c.png").c_str());
  ::RemoveDirectoryW(folder.c_str());
}

// Image files for the drawing rule, served without the disk.
class ImagePaintTest : public ImageDecodeTest {
 protected:
  void SetUp() override {
    ImageDecodeTest::SetUp();
    files_[L"skin\\red.png"] = EncodeArgb(4, 4, L"image/png", [](int, int) { return 0xFFFF0000u; });
    files_[L"skin\\green.png"] = EncodeArgb(4, 4, L"image/png", [](int, int) { return 0xFF00FF00u; });
    files_[L"skin\\anim.gif"] = test::MakeAnimatedGif(4, 4, {10, 10});
    context_ = factory_.CreateRenderContext();
    ASSERT_TRUE(context_->Resize(60, 60));
    test::FillSurface(*context_, 0xFF000000);
    target_.context = context_.get();
    target_.control_rect = Rect(10, 10, 50, 50);
    target_.paint_rect = Rect(0, 0, 60, 60);
    target_.image_folder = L"skin/";
    target_.get_image = [this](const std::wstring& path) -> std::shared_ptr<ImageInfo> {
      ++requests_;
      auto it = files_.find(path);
      if (it == files_.end()) return nullptr;
      return std::shared_ptr<ImageInfo>(Decode(it->second, path));
    };
  }

  RenderFactory_GdiPlus factory_;
  std::unique_ptr<IRenderContext> context_;
  std::map<std::wstring, std::string> files_;
  ImagePaintTarget target_;
  int requests_ = 0;
};

TEST_F(ImagePaintTest, DrawRulePlacesDestAndAppliesModifiersForOneCall) {
  Image image;
  image.SetImageString(L"file='red.png' dest='2,2,6,6'");
  EXPECT_TRUE(DrawControlImage(target_, image, L""));
  EXPECT_EQ(0xFFFF0000u, PixelAt(*context_, 12, 12));
  EXPECT_EQ(0xFFFF0000u, PixelAt(*context_, 15, 15));
  EXPECT_EQ(0xFF000000u, PixelAt(*context_, 16, 16));
  EXPECT_EQ(0xFF000000u, PixelAt(*context_, 11, 11));

  // The modifier moves and fades this draw only; the decode is reused.
  EXPECT_TRUE(DrawControlImage(target_, image, L"destscale='false' dest='20,20,24,24' fade='128'"));
  EXPECT_NEAR(128, test::RedOf(PixelAt(*context_, 31, 31)), 3);
  EXPECT_EQ(Rect(2, 2, 6, 6), image.attribute.dest);
  EXPECT_EQ(255, image.attribute.fade);
  EXPECT_EQ(1, requests_);
  // A fade override wins over the image string.
  EXPECT_TRUE(DrawControlImage(target_, image, L"dest='0,30,4,34'", 0));
  EXPECT_EQ(0xFF000000u, PixelAt(*context_, 11, 41));

  // Without dest the whole control is covered.
  Image whole;
  whole.SetImageString(L"green.png");
  EXPECT_TRUE(DrawControlImage(target_, whole));
  EXPECT_TRUE(test::NearRgb(0xFF00FF00u, PixelAt(*context_, 45, 45), 8));

  // A file that cannot be loaded forgets the image string: no retries.
  Image missing;
  missing.SetImageString(L"file='nothing.png' fade='9'");
  EXPECT_FALSE(DrawControlImage(target_, missing));
  EXPECT_TRUE(missing.attribute.image_name.empty());
  EXPECT_EQ(255, missing.attribute.fade);
  const int before = requests_;
  EXPECT_FALSE(DrawControlImage(target_, missing));
  EXPECT_EQ(before, requests_);

  // An animated background whose animation should run starts it instead of drawing.
  Image background;
  background.SetImageString(L"anim.gif");
  bool started = false;
  target_.background = &background;
  target_.image_animation_on = true;
  target_.start_animation = [&] { started = true; };
  background.info = target_.get_image(L"skin\\anim.gif");
  EXPECT_FALSE(DrawControlImage(target_, whole));
  EXPECT_TRUE(started);
  background.playing = true;
  EXPECT_TRUE(DrawControlImage(target_, background));
}

TEST_F(ImagePaintTest, StateImagesFallBackAndMixUnderTheHotFade) {
  std::map<int, Image> images;
  images[kImageStateNormal].SetImageString(L"red.png");
  images[kImageStateHot].SetImageString(L"file='green.png' fade='100'");

  // Pushed without an image: the hot image at full strength, this time only.
  PaintStateImage(target_, images, kImageStatePushed, L"", false, 0);
  EXPECT_TRUE(test::NearRgb(0xFF00FF00u, PixelAt(*context_, 30, 30), 4));
  EXPECT_EQ(100, images[kImageStateHot].attribute.fade);
  // Hot draws its own fade.
  test::FillSurface(*context_, 0xFF000000);
  PaintStateImage(target_, images, kImageStateHot, L"", false, 0);
  EXPECT_NEAR(100, test::GreenOf(PixelAt(*context_, 30, 30)), 3);
  // Disabled without an image falls back to normal.
  // (A stretched opaque image is copied, and a half-tone copy leaves alpha
  // to the later alpha repair, so only the colour is compared.)
  PaintStateImage(target_, images, kImageStateDisabled, L"", false, 0);
  EXPECT_TRUE(test::NearRgb(0xFFFF0000u, PixelAt(*context_, 30, 30), 4));

  // Hot fade: normal, then hot over it scaled by the hot alpha.
  test::FillSurface(*context_, 0xFF000000);
  PaintStateImage(target_, images, kImageStateNormal, L"", true, 255);
  const uint32_t mixed = PixelAt(*context_, 30, 30);
  EXPECT_NEAR(255 - 100, test::RedOf(mixed), 4);
  EXPECT_NEAR(100, test::GreenOf(mixed), 4);
  // One file in both states: drawn once, fades mixed (255 * 0.5 + 100 * 0.5).
  images[kImageStateHot].SetImageString(L"file='red.png' fade='100'");
  test::FillSurface(*context_, 0xFF000000);
  PaintStateImage(target_, images, kImageStateHot, L"", true, 128);
  EXPECT_NEAR(177, test::RedOf(PixelAt(*context_, 30, 30)), 4);

  // Hot without an image falls back to normal.
  images.erase(kImageStateHot);
  test::FillSurface(*context_, 0xFF000000);
  PaintStateImage(target_, images, kImageStatePushed, L"", false, 0);
  EXPECT_TRUE(test::NearRgb(0xFFFF0000u, PixelAt(*context_, 30, 30), 4));

  // State colours follow the same fallbacks.
  ResourceManager::AddTextColor(L"image_test_blue", 0xFF0000FF);
  ResourceManager::AddTextColor(L"image_test_white", 0xFFFFFFFF);
  std::map<int, std::wstring> colors = {{kImageStateNormal, L"image_test_blue"}};
  PaintStateColor(target_, colors, kImageStatePushed, false, 0);
  EXPECT_EQ(0xFF0000FFu, PixelAt(*context_, 5, 5));
  colors[kImageStateHot] = L"image_test_white";
  PaintStateColor(target_, colors, kImageStateNormal, true, 0);
  EXPECT_EQ(0xFF0000FFu, PixelAt(*context_, 5, 5));
  PaintStateColor(target_, colors, kImageStateNormal, true, 255);
  EXPECT_EQ(0xFFFFFFFFu, PixelAt(*context_, 5, 5));
}

// Records timer periods instead of waiting for them.
class RecordingAnimator : public ImageAnimator {
 public:
  RecordingAnimator(std::function<void()> invalidate, std::function<void()> finished)
      : ImageAnimator(std::move(invalidate), std::move(finished)) {}
  std::vector<int> periods;
  int cancels = 0;

 protected:
  void StartTimer(int period_ms) override { periods.push_back(period_ms); }
  void CancelTimer() override { ++cancels; }
};

TEST_F(ImageDecodeTest, AnimationFollowsDelaysAndStopsAfterThePlayCount) {
  Image image;
  image.SetImageString(L"file='anim.gif' playcount='2'");
  image.info = std::shared_ptr<ImageInfo>(Decode(test::MakeAnimatedGif(2, 2, {0, 4, 20})));
  ASSERT_EQ(3u, image.GetFrameCount());
  int invalidations = 0;
  int finished = 0;
  RecordingAnimator animator([&] { ++invalidations; }, [&] { ++finished; });

  animator.Play(&image);
  EXPECT_TRUE(image.playing);
  EXPECT_EQ((std::vector<int>{100}), animator.periods);  // stored 0 plays at 100 ms
  animator.Tick();
  EXPECT_EQ(1, image.current_frame);
  EXPECT_EQ((std::vector<int>{100, 50}), animator.periods);
  animator.Tick();
  EXPECT_EQ((std::vector<int>{100, 50, 200}), animator.periods);
  animator.Tick();  // wraps: first loop done
  EXPECT_EQ(0, image.current_frame);
  EXPECT_EQ(1, animator.completed_loops());
  animator.Tick();
  animator.Tick();
  EXPECT_EQ(0, finished);
  animator.Tick();  // second loop done: stop on the last frame
  EXPECT_EQ(1, finished);
  EXPECT_FALSE(image.playing);
  EXPECT_EQ(2, image.current_frame);
  EXPECT_GT(invalidations, 6);
  // Used up: playing again does not start.
  const size_t periods = animator.periods.size();
  animator.Play(&image);
  EXPECT_FALSE(image.playing);
  EXPECT_EQ(periods, animator.periods.size());

  // Stopping on request picks the frame; out-of-range frames are clamped.
  animator.Reset();
  image.attribute.play_count = -1;
  animator.Play(&image);
  animator.Tick();
  animator.Stop(ImageAnimator::kStopKeepFrame);
  EXPECT_EQ(1, image.current_frame);
  EXPECT_FALSE(animator.running());
  animator.Stop(ImageAnimator::kStopLastFrame);
  EXPECT_EQ(2, image.current_frame);
  animator.Stop(ImageAnimator::kStopFirstFrame);
  EXPECT_EQ(0, image.current_frame);
  animator.Stop(77);
  EXPECT_EQ(2, image.current_frame);

  // Play count 0 never runs; a single frame never runs.
  image.attribute.play_count = 0;
  animator.Reset();
  animator.Play(&image);
  EXPECT_FALSE(image.playing);
  Image still;
  still.info = std::shared_ptr<ImageInfo>(Decode(test::MakeAnimatedGif(2, 2, {5})));
  animator.Play(&still);
  EXPECT_FALSE(still.playing);
  animator.Tick();
  EXPECT_EQ(0, still.current_frame);
}

}  // namespace
}  // namespace ui
