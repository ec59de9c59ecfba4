#include <gtest/gtest.h>

#include <climits>

#include "ui/core/attribute_values.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/rect.h"
#include "ui/core/string_util.h"

namespace ui {
namespace {

// Restores the process-wide scale whatever a test did to it.
struct ScopedDpiScale {
  ScopedDpiScale(int percent, bool enabled) {
    DpiScale::GetInstance().set_percent(percent);
    DpiScale::GetInstance().set_enabled(enabled);
  }
  ~ScopedDpiScale() {
    DpiScale::GetInstance().set_percent(100);
    DpiScale::GetInstance().set_enabled(false);
  }
};

TEST(Geometry, ContainmentAndIntersectionEdges) {
  const Rect r(10, 20, 110, 70);
  EXPECT_TRUE(r.Contains(10, 20));
  EXPECT_FALSE(r.Contains(110, 20));  // right and bottom are exclusive
  EXPECT_FALSE(r.Contains(10, 70));
  EXPECT_TRUE(Rect(5, 5, 5, 10).IsEmpty());

  Rect out(1, 2, 3, 4);
  EXPECT_TRUE(out.Intersect(Rect(0, 0, 10, 10), Rect(5, -5, 20, 7)));
  EXPECT_EQ(Rect(5, 0, 10, 7), out);
  // Touching edges do not overlap; the result is all zeros, like the platform's.
  const Rect left(0, 0, 10, 10), right(10, 0, 20, 10);
  EXPECT_FALSE(out.Intersect(left, right));
  Rect platform(1, 1, 1, 1);
  EXPECT_FALSE(::IntersectRect(&platform, &left, &right));
  EXPECT_EQ(platform, out);
  EXPECT_TRUE(out.IsZero());
  // An inverted operand is empty even when the ranges cross.
  EXPECT_FALSE(out.Intersect(left, Rect(5, 5, 2, 8)));
}

TEST(DpiScaleTest, OffIsIdentityAndHalvesRoundAwayFromZero) {
  {
    ScopedDpiScale off(150, false);
    EXPECT_EQ(Rect(1, 1, 3, 3), DpiScale::GetInstance().ScaleRect(Rect(1, 1, 3, 3)));
  }
  ScopedDpiScale on(150, true);
  const DpiScale& dpi = DpiScale::GetInstance();
  EXPECT_EQ(2, dpi.ScaleValue(1));
  EXPECT_EQ(-2, dpi.ScaleValue(-1));
  EXPECT_EQ(5, dpi.ScaleValue(3));
  EXPECT_EQ(1500000000, dpi.ScaleValue(1000000000));  // 64-bit intermediate
  EXPECT_EQ(INT_MAX, dpi.ScaleValue(INT_MAX));
  // Width and height are scaled on their own and put back on the scaled corner.
  EXPECT_EQ(Rect(2, 2, 5, 5), dpi.ScaleRect(Rect(1, 1, 3, 3)));
}

TEST(AttributeValues, NumbersBooleansAndLists) {
  EXPECT_EQ(-17, ParseInt(L"  -17px"));
  EXPECT_EQ(0, ParseInt(L"px12"));
  EXPECT_EQ(0, ParseInt(nullptr));
  EXPECT_EQ(INT_MAX, ParseInt(L"99999999999999999999"));
  EXPECT_EQ(INT_MIN, ParseInt(L"-2147483648"));

  EXPECT_TRUE(ParseBool(L"true"));
  EXPECT_FALSE(ParseBool(L"True"));
  EXPECT_FALSE(ParseBool(L"1"));

  EXPECT_EQ(Size(10, 20), ParseSize(L"10,20"));
  EXPECT_EQ(Size(10, 20), ParseSize(L"10;20"));
  EXPECT_EQ(Size(10, 20), ParseSize(L"10, 20"));
  EXPECT_EQ(Size(10, 0), ParseSize(L"10"));  // must not step past the end
  EXPECT_EQ(Size(0, 5), ParseSize(L",5"));
  EXPECT_EQ(Size(10, 0), ParseSize(L"10,,20"));  // exactly one separator
  EXPECT_EQ(Rect(1, 2, 3, 4), ParseRect(L"1|2 3/4"));
  EXPECT_EQ(Rect(1, -2, 0, 0), ParseRect(L"1,-2"));
}

TEST(AttributeValues, LengthsAlignmentAndColors) {
  int width = 33;
  EXPECT_FALSE(ParseLength(L"-5", true, &width));
  EXPECT_EQ(33, width);
  EXPECT_TRUE(ParseLength(L"0", true, &width));
  EXPECT_EQ(0, width);
  EXPECT_TRUE(ParseLength(L"stretch", true, &width));
  EXPECT_EQ(kLengthStretch, width);
  EXPECT_TRUE(ParseLength(L"auto", true, &width));
  EXPECT_EQ(kLengthAuto, width);
  {
    ScopedDpiScale on(150, true);
    EXPECT_TRUE(ParseLength(L"10", true, &width));
    EXPECT_EQ(15, width);
    EXPECT_TRUE(ParseLength(L"10", false, &width));
    EXPECT_EQ(10, width);
  }

  int align = kAlignRight;
  EXPECT_FALSE(ParseHorizontalAlign(L"top", &align));
  EXPECT_FALSE(ParseHorizontalAlign(L"Center", &align));
  EXPECT_EQ(kAlignRight, align);
  EXPECT_TRUE(ParseVerticalAlign(L"center", &align));
  EXPECT_EQ(kAlignVCenter, align);

  EXPECT_EQ(0xFFFF0000u, ParseColorDefinition(L"#FFFF0000"));
  EXPECT_EQ(0x00FF0000u, ParseColorDefinition(L"#FF0000"));  // six digits: transparent
  EXPECT_EQ(0x80abcdefu, ParseColorDefinition(L"$80abcdef"));
  EXPECT_EQ(0u, ParseColorDefinition(L""));
  EXPECT_EQ(0xFFFFFFFFu, ParseColorDefinition(L"#123456789ABC"));
}

TEST(StringUtil, TrimSplitReplaceNormalize) {
  EXPECT_EQ(L"a b", Trim(L" \t\r\n a b \r\n"));
  // Codes 30 and 31 are kept; 29 goes.
  EXPECT_EQ(std::wstring(L"\x1e" L"x\x1f"), Trim(std::wstring(L"\x1d\x1e" L"x\x1f\x1d")));

  std::vector<std::wstring> tokens = Split(L"==a=b===c=", L"=");
  ASSERT_EQ(3u, tokens.size());
  EXPECT_EQ(L"c", tokens[2]);
  EXPECT_TRUE(Split(L"   ", L" ").empty());

  EXPECT_EQ(L"aaaa", ReplaceAll(L"aa", L"a", L"aa"));  // continues after the insert
  EXPECT_EQ(L"abc", ReplaceAll(L"abc", L"", L"x"));
  EXPECT_EQ(L"themes\\default\\cef\\basic.xml", NormalizePath(L"themes/default\\\\cef//basic.xml"));
}

}  // namespace
}  // namespace ui
