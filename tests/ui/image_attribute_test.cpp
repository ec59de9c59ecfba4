#include <gtest/gtest.h>

#include <string>

#include "ui/core/dpi_scale.h"
#include "ui/render/image_attribute.h"

namespace ui {
namespace {

ImageAttribute Parse(const std::wstring& text) {
  ImageAttribute attribute;
  attribute.SetImageString(text);
  return attribute;
}

// Restores the process-wide scale whatever a test does.
class ScopedDpi {
 public:
  explicit ScopedDpi(int percent) : saved_percent_(DpiScale::GetInstance().percent()),
                                    saved_enabled_(DpiScale::GetInstance().enabled()) {
    DpiScale::GetInstance().set_percent(percent);
    DpiScale::GetInstance().set_enabled(true);
  }
  ~ScopedDpi() {
    DpiScale::GetInstance().set_percent(saved_percent_);
    DpiScale::GetInstance().set_enabled(saved_enabled_);
  }

 private:
  int saved_percent_;
  bool saved_enabled_;
};

TEST(ImageAttribute, BareNameAndEveryKey) {
  const ImageAttribute bare = Parse(L"skin/button.png");
  EXPECT_EQ(L"skin/button.png", bare.image_name);
  EXPECT_EQ(L"skin/button.png", bare.image_string);
  EXPECT_EQ(Rect(-1, -1, -1, -1), bare.dest);
  EXPECT_EQ(Rect(-1, -1, -1, -1), bare.source);
  EXPECT_EQ(Rect(0, 0, 0, 0), bare.corner);
  EXPECT_EQ(255, bare.fade);
  EXPECT_FALSE(bare.x_tiled);
  EXPECT_FALSE(bare.y_tiled);
  EXPECT_EQ(-1, bare.play_count);

  const std::wstring full =
      L"file='bg.png' dest='1,2,30,40' source='0,0,16, 8' corner='4;5;6;7' fade='300' xtiled='true' "
      L"ytiled='true' playcount='-7' unknown='x'";
  const ImageAttribute all = Parse(full);
  EXPECT_EQ(full, all.image_string);
  EXPECT_EQ(L"bg.png", all.image_name);
  EXPECT_EQ(Rect(1, 2, 30, 40), all.dest);
  EXPECT_EQ(Rect(0, 0, 16, 8), all.source);
  EXPECT_EQ(Rect(4, 5, 6, 7), all.corner);  // any single separator
  EXPECT_EQ(300 & 0xFF, all.fade);
  EXPECT_TRUE(all.x_tiled);
  EXPECT_TRUE(all.y_tiled);
  EXPECT_EQ(-7, all.play_count);

  EXPECT_EQ(L"icon.ico", Parse(L"res='icon.ico'").image_name);
  // Missing numbers read as 0; blanks around '=' and the quote are allowed.
  const ImageAttribute loose = Parse(L"  file = 'a.png'  source='5,6'  fade ='7'");
  EXPECT_EQ(L"a.png", loose.image_name);
  EXPECT_EQ(Rect(5, 6, 0, 0), loose.source);
  EXPECT_EQ(7, loose.fade);
}

TEST(ImageAttribute, MalformedPairsStopParsingAndKeepEarlierPairs) {
  // A comma is not a separator: the second pair is never read.
  const ImageAttribute comma = Parse(L"file='a.png',fade='10'");
  EXPECT_EQ(L"a.png", comma.image_name);
  EXPECT_EQ(255, comma.fade);
  // No '=', no quote, an unterminated value: stop, keep what came before.
  EXPECT_EQ(255, Parse(L"file='a.png' fade:'10'").fade);
  EXPECT_EQ(255, Parse(L"file='a.png' fade=10").fade);
  const ImageAttribute open = Parse(L"fade='10' file='a.png");
  EXPECT_EQ(10, open.fade);
  EXPECT_EQ(L"fade='10' file='a.png", open.image_name);
  // A trailing lone space ends the list too.
  EXPECT_EQ(L"b.png", Parse(L"file='b.png' ").image_name);
  // Empty values and capitalised booleans change nothing.
  EXPECT_EQ(255, Parse(L"file='a.png' fade=''").fade);
  EXPECT_FALSE(Parse(L"file='a.png' xtiled='TRUE'").x_tiled);
  EXPECT_FALSE(Parse(L"xtiled='1'").x_tiled);
  // Keys are case-sensitive.
  EXPECT_EQ(L"File='x.png'", Parse(L"File='x.png'").image_name);

  // Modifying applies over an attribute without resetting it.
  ImageAttribute attribute = Parse(L"file='a.png' fade='100' corner='1,1,1,1'");
  ImageAttribute::ModifyAttribute(attribute, L"fade='50' dest='0,0,8,8'");
  EXPECT_EQ(L"a.png", attribute.image_name);
  EXPECT_EQ(50, attribute.fade);
  EXPECT_EQ(Rect(1, 1, 1, 1), attribute.corner);
  EXPECT_EQ(Rect(0, 0, 8, 8), attribute.dest);
  ImageAttribute::ModifyAttribute(attribute, L"");
  EXPECT_EQ(50, attribute.fade);
  // A new image string starts over from the defaults.
  attribute.SetImageString(L"b.png");
  EXPECT_EQ(255, attribute.fade);
  EXPECT_EQ(Rect(0, 0, 0, 0), attribute.corner);
}

TEST(ImageAttribute, DestScalesUnlessDestscaleFalseComesFirst) {
  EXPECT_EQ(Rect(0, 0, 10, 10), Parse(L"file='a.png' dest='0,0,10,10'").dest);
  ScopedDpi dpi(150);
  EXPECT_EQ(Rect(0, 0, 15, 15), Parse(L"file='a.png' dest='0,0,10,10'").dest);
  EXPECT_EQ(Rect(0, 0, 10, 10), Parse(L"file='a.png' destscale='false' dest='0,0,10,10'").dest);
  EXPECT_EQ(Rect(0, 0, 15, 15), Parse(L"file='a.png' dest='0,0,10,10' destscale='false'").dest);
  // The flag belongs to one parse call: the next call scales again.
  ImageAttribute attribute = Parse(L"file='a.png' destscale='false'");
  ImageAttribute::ModifyAttribute(attribute, L"dest='2,2,4,4'");
  EXPECT_EQ(Rect(3, 3, 6, 6), attribute.dest);
  // Source and corner are never scaled.
  EXPECT_EQ(Rect(0, 0, 10, 10), Parse(L"source='0,0,10,10'").source);
  EXPECT_EQ(Rect(2, 2, 2, 2), Parse(L"corner='2,2,2,2'").corner);
}

}  // namespace
}  // namespace ui
