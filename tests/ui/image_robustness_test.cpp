#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/ui/byte_mutator.h"
#include "tests/ui/render_support.h"
#include "ui/render/image_attribute.h"
#include "ui/render/image_info.h"
#include "ui/render/image_painter.h"
#include "ui/render/render_factory_gdiplus.h"

namespace ui {
namespace {

// The shared seeded generator, with mutations aimed at image headers.
class Mutator : public test::ByteMutator {
 public:
  using ByteMutator::ByteMutator;

  template <typename Text>
  Text Mutate(const Text& source, const Text& tokens) {
    if (Below(4) == 0) return source.substr(0, Below(source.size() + 1));
    Text out = source;
    const size_t ops = 1 + Below(8);
    for (size_t i = 0; i < ops; ++i) {
      const size_t pos = Below(out.size() + 1);
      switch (Below(5)) {
        case 0:
          if (pos < out.size()) out[pos] = static_cast<typename Text::value_type>(Next() & 0xFF);
          break;
        case 1:
          out.erase(pos, Below(24));
          break;
        case 2:
          out.insert(pos, 1, tokens[Below(tokens.size())]);
          break;
        case 3:
          out.insert(pos, out.substr(Below(out.size() + 1), Below(48)));
          break;
        default:
          // Header fields are small numbers; make them huge or zero.
          if (pos + 1 < out.size()) {
            out[pos] = static_cast<typename Text::value_type>(Below(2) ? 0xFF : 0);
            out[pos + 1] = static_cast<typename Text::value_type>(Below(2) ? 0x7F : 0);
          }
          break;
      }
    }
    return out;
  }
};

// Wine always reports 0 here, so the checks also count the bitmaps the
// drawing layer owns, which moves on every platform.
DWORD GdiObjects() { return ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS); }
int OwnedBitmaps() { return UniqueBitmap::OwnedCount(); }

TEST(ImageRobustness, MutatedFilesDecodeToAnImageOrNothing) {
  test::EnsureGdiplus();
  auto gradient = [](int x, int y) { return 0xFF000000u | (x * 16) << 16 | (y * 16) << 8 | 0x40; };
  auto holes = [](int x, int y) { return (x + y) % 3 == 0 ? 0x00000000u : 0xC0FF8000u; };
  const std::vector<std::string> samples = {
      test::EncodeArgb(9, 7, L"image/png", gradient),
      test::EncodeArgb(6, 6, L"image/png", holes),
      test::MakeAnimatedGif(5, 3, {0, 4, 12}),
      test::EncodeArgb(12, 9, L"image/jpeg", gradient),
      test::EncodeArgb(7, 5, L"image/bmp", gradient),
      test::MakeIcon(16, holes),
  };
  for (const std::string& sample : samples) ASSERT_FALSE(sample.empty());
  const std::string tokens("\x00\xFF\x7F\x80\x01\x89PNG\x21\xF9\x2C\x3B\xFF\xD8\xFF\xD9", 22);

  // Warm GDI+ codecs and caches up before counting objects.
  for (const std::string& sample : samples) ImageInfo::LoadFromMemory(sample.data(), sample.size(), L"warm");
  const DWORD gdi_before = GdiObjects();
  const int owned_before = OwnedBitmaps();

  Mutator mutator(20261208);
  int decoded = 0;
  int rejected = 0;
  const int kCases = 5400;
  for (int i = 0; i < kCases; ++i) {
    const std::string& sample = samples[i % samples.size()];
    const std::string bytes = mutator.Mutate(sample, tokens);
    std::unique_ptr<ImageInfo> image = ImageInfo::LoadFromMemory(bytes.data(), bytes.size(), L"fuzz");
    if (!image) {
      ++rejected;
      continue;
    }
    ++decoded;
    // Whatever came out is whole: a size, and a live 32-bit bitmap per frame.
    ASSERT_GT(image->width(), 0) << i;
    ASSERT_GT(image->height(), 0) << i;
    ASSERT_GE(image->frame_count(), 1u) << i;
    std::vector<HBITMAP> frames;
    for (size_t f = 0; f < image->frame_count(); ++f) {
      BITMAP info = {};
      ASSERT_EQ(static_cast<int>(sizeof(info)), ::GetObjectW(image->frame(f), sizeof(info), &info)) << i;
      ASSERT_EQ(32, info.bmBitsPixel) << i;
      frames.push_back(image->frame(f));
    }
    image.reset();
    for (HBITMAP frame : frames) ASSERT_EQ(0u, ::GetObjectType(frame)) << "frame outlived its image, case " << i;
  }
  EXPECT_GT(decoded, 100);
  EXPECT_GT(rejected, 100);
  EXPECT_EQ(gdi_before, GdiObjects());
  EXPECT_EQ(owned_before, OwnedBitmaps());

  // A few through the file path too.
  const std::wstring folder = test::MakeTempFolder(L"tarnwell_image_fuzz");
  const std::wstring path = folder + L"fuzz.bin";
  for (int i = 0; i < 60; ++i) {
    ASSERT_TRUE(test::WriteFileBytes(path, mutator.Mutate(samples[i % samples.size()], tokens)));
    ImageInfo::LoadFromFile(path);
  }
  ASSERT_TRUE(test::WriteFileBytes(path, std::string()));
  EXPECT_EQ(nullptr, ImageInfo::LoadFromFile(path));
  ::DeleteFileW(path.c_str());
  ::RemoveDirectoryW(folder.c_str());
  EXPECT_EQ(gdi_before, GdiObjects());
  EXPECT_EQ(owned_before, OwnedBitmaps());
}

TEST(ImageRobustness, MutatedSpecificationsParseAndDrawSafely) {
  test::EnsureGdiplus();
  const std::vector<std::wstring> samples = {
      L"file='bg.png' corner='4,4,4,4' fade='200' xtiled='true' ytiled='true'",
      L"res='a.png' destscale='false' dest='0,0,16,16' source='0,0,8,8' playcount='3'",
      L"plain.png",
  };
  const std::wstring tokens = L"'= ,;\t-9\x7F\x00";
  const std::string png = test::EncodeArgb(8, 8, L"image/png", [](int, int) { return 0xFF202020u; });

  RenderFactory_GdiPlus factory;
  std::unique_ptr<IRenderContext> context = factory.CreateRenderContext();
  ASSERT_TRUE(context->Resize(64, 64));
  ImagePaintTarget target;
  target.context = context.get();
  target.control_rect = Rect(4, 4, 60, 60);
  target.paint_rect = Rect(0, 0, 64, 64);
  auto shared = std::shared_ptr<ImageInfo>(ImageInfo::LoadFromMemory(png.data(), png.size(), L"p"));
  target.get_image = [&](const std::wstring&) { return shared; };
  const DWORD gdi_before = GdiObjects();
  const int owned_before = OwnedBitmaps();
  ASSERT_GT(owned_before, 0) << "the surface and the image are counted";

  Mutator mutator(77);
  for (int i = 0; i < 5000; ++i) {
    const std::wstring text = mutator.Mutate(samples[i % samples.size()], tokens);
    Image image;
    image.SetImageString(text);
    // The name is the whole string or one quoted value of it.
    ASSERT_NE(std::wstring::npos, text.find(image.attribute.image_name)) << i;
    ASSERT_EQ(text, image.attribute.image_string);
    DrawControlImage(target, image, mutator.Mutate(samples[0], tokens));
  }
  EXPECT_EQ(gdi_before, GdiObjects());
  EXPECT_EQ(owned_before, OwnedBitmaps());
}

}  // namespace
}  // namespace ui
