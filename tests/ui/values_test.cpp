#include <gtest/gtest.h>

#include <climits>

#include "ui/core/attribute_values.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/rect.h"
#include "ui/core/string_util.h"

namespace ui {
namespace {

// Restores the process-wide scale whatever a test did to it.
class ScopedDpiScale {
 public:
  ScopedDpiScale(int percent, bool enabled)
      : old_percent_(DpiScale::GetInstance().percent()), old_enabled_(DpiScale::GetInstance().enabled()) {
    DpiScale::GetInstance().set_percent(percent);
    DpiScale::GetInstance().set_enabled(enabled);
  }
  ~ScopedDpiScale() {
    DpiScale::GetInstance().set_percent(old_percent_);
    DpiScale::GetInstance().set_enabled(old_enabled_);
  }

 private:
  int old_percent_;
  bool old_enabled_;
};

TEST(Geometry, RectArithmetic) {
  Rect r(10, 20, 110, 70);
  EXPECT_EQ(100, r.Width());
  EXPECT_EQ(50, r.Height());
  EXPECT_FALSE(r.IsEmpty());
  EXPECT_TRUE(Rect(5, 5, 5, 10).IsEmpty());
  EXPECT_TRUE(Rect(5, 5, 10, 4).IsEmpty());

  // Right and bottom edges are exclusive.
  EXPECT_TRUE(r.Contains(10, 20));
  EXPECT_FALSE(r.Contains(110, 20));
  EXPECT_FALSE(r.Contains(10, 70));
  EXPECT_TRUE(r.Contains(Point(109, 69)));

  Rect d = r;
  d.Deflate(Rect(1, 2, 3, 4));
  EXPECT_EQ(Rect(11, 22, 107, 66), d);
  d.Inflate(Rect(1, 2, 3, 4));
  EXPECT_EQ(r, d);
  d.Offset(-10, 5);
  EXPECT_EQ(Rect(0, 25, 100, 75), d);

  // The type is passed to the platform as a RECT.
  RECT platform = {0, 0, 0, 0};
  ::CopyRect(&platform, &r);
  EXPECT_EQ(110, platform.right);
}

TEST(Geometry, IntersectionZeroesWhenEmpty) {
  Rect out(1, 2, 3, 4);
  EXPECT_TRUE(out.Intersect(Rect(0, 0, 10, 10), Rect(5, -5, 20, 7)));
  EXPECT_EQ(Rect(5, 0, 10, 7), out);

  // Touching edges do not overlap: the result is all zeros, as the platform's.
  EXPECT_FALSE(out.Intersect(Rect(0, 0, 10, 10), Rect(10, 0, 20, 10)));
  EXPECT_TRUE(out.IsZero());
  Rect platform;
  const Rect left_half(0, 0, 10, 10);
  const Rect right_half(10, 0, 20, 10);
  EXPECT_FALSE(::IntersectRect(&platform, &left_half, &right_half));
  EXPECT_EQ(platform, out);

  // An empty operand gives an empty result even when the ranges cross.
  EXPECT_FALSE(out.Intersect(Rect(0, 0, 10, 10), Rect(5, 5, 2, 8)));
  EXPECT_TRUE(out.IsZero());
}

TEST(DpiScaleTest, OffIsIdentityAndHalvesRoundAwayFromZero) {
  {
    ScopedDpiScale scale(150, false);
    EXPECT_EQ(7, DpiScale::GetInstance().ScaleValue(7));
    EXPECT_EQ(Rect(1, 1, 3, 3), DpiScale::GetInstance().ScaleRect(Rect(1, 1, 3, 3)));
  }
  {
    ScopedDpiScale scale(100, true);
    EXPECT_EQ(7, DpiScale::GetInstance().ScaleValue(7));
  }
  ScopedDpiScale scale(150, true);
  const DpiScale& dpi = DpiScale::GetInstance();
  EXPECT_EQ(2, dpi.ScaleValue(1));    // 1.5
  EXPECT_EQ(-2, dpi.ScaleValue(-1));  // -1.5
  EXPECT_EQ(5, dpi.ScaleValue(3));    // 4.5
  EXPECT_EQ(-5, dpi.ScaleValue(-3));  // -4.5
  EXPECT_EQ(3, dpi.ScaleValue(2));
  EXPECT_EQ(15, dpi.ScaleValue(10));
  // The 64-bit intermediate keeps large values exact, and saturates at the end.
  EXPECT_EQ(1500000000, dpi.ScaleValue(1000000000));
  EXPECT_EQ(INT_MAX, dpi.ScaleValue(INT_MAX));

  // Width and height are scaled on their own and put back on the scaled corner.
  EXPECT_EQ(Rect(2, 2, 5, 5), dpi.ScaleRect(Rect(1, 1, 3, 3)));
  EXPECT_EQ(Rect(15, 30, 30, 45), dpi.ScaleRect(Rect(10, 20, 20, 30)));
}

TEST(AttributeValues, IntegersAndBooleans) {
  EXPECT_EQ(42, ParseInt(L"42"));
  EXPECT_EQ(-17, ParseInt(L"  -17px"));
  EXPECT_EQ(5, ParseInt(L"+5"));
  EXPECT_EQ(0, ParseInt(L"px12"));
  EXPECT_EQ(0, ParseInt(L""));
  EXPECT_EQ(0, ParseInt(nullptr));
  EXPECT_EQ(0, ParseInt(L"-"));
  EXPECT_EQ(INT_MAX, ParseInt(L"99999999999999999999"));
  EXPECT_EQ(INT_MIN, ParseInt(L"-2147483648"));
  EXPECT_EQ(INT_MIN, ParseInt(L"-99999999999"));

  EXPECT_TRUE(ParseBool(L"true"));
  EXPECT_FALSE(ParseBool(L"True"));
  EXPECT_FALSE(ParseBool(L"1"));
  EXPECT_FALSE(ParseBool(L"yes"));
  EXPECT_FALSE(ParseBool(L"true "));
  EXPECT_FALSE(ParseBool(nullptr));
}

TEST(AttributeValues, ListsTakeAnySingleSeparator) {
  EXPECT_EQ(Size(10, 20), ParseSize(L"10,20"));
  EXPECT_EQ(Size(10, 20), ParseSize(L"10;20"));
  EXPECT_EQ(Size(10, 20), ParseSize(L"10x20"));
  EXPECT_EQ(Size(10, 20), ParseSize(L"10, 20"));
  EXPECT_EQ(Size(10, 0), ParseSize(L"10"));
  EXPECT_EQ(Size(0, 0), ParseSize(L""));
  EXPECT_EQ(Size(0, 5), ParseSize(L",5"));
  // Exactly one separator: a second one leaves the next number missing.
  EXPECT_EQ(Size(10, 0), ParseSize(L"10,,20"));
  EXPECT_EQ(Point(-3, 4), ParsePoint(L"-3,4"));

  EXPECT_EQ(Rect(1, 2, 3, 4), ParseRect(L"1,2,3,4"));
  EXPECT_EQ(Rect(1, 2, 3, 4), ParseRect(L"1|2 3/4"));
  EXPECT_EQ(Rect(1, -2, 0, 0), ParseRect(L"1,-2"));
  EXPECT_EQ(Rect(4, 4, 4, 4), ParseRect(L"4,\t4,  4, 4"));
}

TEST(AttributeValues, LengthsAndAlignment) {
  int width = 33;
  EXPECT_FALSE(ParseLength(L"-5", true, &width));
  EXPECT_EQ(33, width);
  EXPECT_TRUE(ParseLength(L"0", true, &width));
  EXPECT_EQ(0, width);
  EXPECT_TRUE(ParseLength(L"stretch", true, &width));
  EXPECT_EQ(kLengthStretch, width);
  EXPECT_TRUE(ParseLength(L"auto", true, &width));
  EXPECT_EQ(kLengthAuto, width);
  EXPECT_TRUE(ParseLength(L"-1", true, &width));
  EXPECT_EQ(kLengthStretch, width);
  EXPECT_TRUE(ParseLength(L"Auto", true, &width));  // not the word: reads as 0
  EXPECT_EQ(0, width);
  {
    ScopedDpiScale scale(150, true);
    EXPECT_TRUE(ParseLength(L"10", true, &width));
    EXPECT_EQ(15, width);
    EXPECT_TRUE(ParseLength(L"10", false, &width));
    EXPECT_EQ(10, width);
  }

  int align = 7;
  EXPECT_TRUE(ParseHorizontalAlign(L"right", &align));
  EXPECT_EQ(kAlignRight, align);
  EXPECT_FALSE(ParseHorizontalAlign(L"top", &align));
  EXPECT_FALSE(ParseHorizontalAlign(L"Center", &align));
  EXPECT_EQ(kAlignRight, align);
  EXPECT_TRUE(ParseVerticalAlign(L"center", &align));
  EXPECT_EQ(kAlignVCenter, align);
  EXPECT_TRUE(ParseVerticalAlign(L"bottom", &align));
  EXPECT_EQ(kAlignBottom, align);
  EXPECT_FALSE(ParseVerticalAlign(L"left", &align));
  EXPECT_EQ(kAlignBottom, align);
}

TEST(AttributeValues, ColorDefinitions) {
  EXPECT_EQ(0xFFFF0000u, ParseColorDefinition(L"#FFFF0000"));
  // Six digits leave alpha at 0: transparent.
  EXPECT_EQ(0x00FF0000u, ParseColorDefinition(L"#FF0000"));
  EXPECT_EQ(0x80abcdefu, ParseColorDefinition(L"$80abcdef"));  // any first character
  EXPECT_EQ(0u, ParseColorDefinition(L"#"));
  EXPECT_EQ(0u, ParseColorDefinition(L""));
  EXPECT_EQ(0u, ParseColorDefinition(nullptr));
  EXPECT_EQ(0xFFu, ParseColorDefinition(L"#FFzz00"));
  EXPECT_EQ(0xFFFFFFFFu, ParseColorDefinition(L"#123456789ABC"));
}

TEST(StringUtil, TrimSplitReplace) {
  EXPECT_EQ(L"a b", Trim(L" \t\r\n a b \r\n"));
  // Codes 30 and 31 are not trimmed; 29 is.
  EXPECT_EQ(std::wstring(L"\x1e" L"x\x1f"), Trim(std::wstring(L"\x1d\x1e" L"x\x1f\x1d")));
  EXPECT_EQ(L"", Trim(L" \t "));

  std::vector<std::wstring> tokens = Split(L"==a=b===c=", L"=");
  ASSERT_EQ(3u, tokens.size());
  EXPECT_EQ(L"a", tokens[0]);
  EXPECT_EQ(L"c", tokens[2]);
  EXPECT_EQ(2u, Split(L"click  buttondown", L" ").size());
  EXPECT_TRUE(Split(L"   ", L" ").empty());
  EXPECT_EQ(3u, Split(L"a,b;c", L",;").size());

  EXPECT_EQ(L"xbxb", ReplaceAll(L"abab", L"a", L"x"));
  // Continues after the inserted text: no endless growth.
  EXPECT_EQ(L"aaaa", ReplaceAll(L"aa", L"a", L"aa"));
  EXPECT_EQ(L"abc", ReplaceAll(L"abc", L"", L"x"));
  EXPECT_EQ(L"line\nnext", ReplaceAll(L"line\\nnext", L"\\n", L"\n"));

  EXPECT_EQ(L"themes\\default\\cef\\basic.xml", NormalizePath(L"themes/default\\\\cef//basic.xml"));
}

}  // namespace
}  // namespace ui
