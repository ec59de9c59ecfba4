#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "tests/ui/control_test_host.h"
#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/h_box.h"
#include "ui/core/v_box.h"

namespace ui {
namespace {

// A control configured the way markup configures one.
template <typename T = Control>
T* Make(const std::wstring& attributes) {
  T* control = new T();
  control->ApplyAttributeList(attributes);
  return control;
}

Box* With(Box* box, std::initializer_list<Control*> children) {
  for (Control* child : children) box->Add(child);
  return box;
}

::testing::AssertionResult At(const Control* control, int left, int top, int right, int bottom) {
  const Rect pos = control->GetPos();
  if (pos == Rect(left, top, right, bottom)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "at " << pos.left << "," << pos.top << "," << pos.right << ","
                                       << pos.bottom << " not " << left << "," << top << "," << right << ","
                                       << bottom;
}

TEST(HLayout, StretchShareRoundsTowardTheFirstChildren) {
  HBox box;
  Control* a = Make(L"");
  Control* b = Make(L"");
  Control* c = Make(L"");
  With(&box, {a, b, c});
  box.SetPos(Rect(0, 0, 100, 20));
  EXPECT_TRUE(At(a, 0, 0, 34, 20));
  EXPECT_TRUE(At(b, 34, 0, 67, 20));
  EXPECT_TRUE(At(c, 67, 0, 100, 20));

  // A fixed child and the gap between children come off the share first.
  HBox gapped;
  gapped.ApplyAttributeList(L"childmargin=\"5\"");
  Control* fixed = Make(L"width=\"30\"");
  Control* s1 = Make(L"");
  Control* s2 = Make(L"");
  With(&gapped, {fixed, s1, s2});
  gapped.SetPos(Rect(0, 0, 100, 10));
  EXPECT_TRUE(At(fixed, 0, 0, 30, 10));
  EXPECT_TRUE(At(s1, 35, 0, 65, 10));
  EXPECT_TRUE(At(s2, 70, 0, 100, 10));
}

TEST(HLayout, MixesFixedStretchAndAutoWithBoundsMarginsAndPadding) {
  HBox box;
  box.ApplyAttributeList(L"padding=\"5,5,5,5\"");
  Control* fixed = Make(L"width=\"40\" margin=\"2,0,3,0\"");
  Control* capped = Make(L"maxwidth=\"30\"");
  Control* floored = Make(L"minwidth=\"100\"");
  Box* automatic = With(Make<Box>(L"width=\"auto\""), {Make(L"width=\"25\" height=\"10\"")});
  With(&box, {fixed, capped, floored, automatic});
  const Size used = box.GetLayout()->ArrangeChildren(box.children(), Rect(5, 5, 195, 45));
  // Content 190 wide; fixed 45 and auto 25 leave a share of 60 each, which
  // the bounds then cut to 30 and raise to 100.
  EXPECT_TRUE(At(fixed, 7, 5, 47, 45));
  EXPECT_TRUE(At(capped, 50, 5, 80, 45));
  EXPECT_TRUE(At(floored, 80, 5, 180, 45));
  EXPECT_TRUE(At(automatic, 180, 5, 205, 45));
  EXPECT_EQ(Size(200, 40), used);

  // Vertical alignment of a child shorter than the row, and a maximum of
  // "stretch" that never limits.
  HBox row;
  Control* top = Make(L"width=\"10\" height=\"10\" margin=\"0,2,0,0\"");
  Control* middle = Make(L"width=\"10\" height=\"10\" valign=\"center\"");
  Control* bottom = Make(L"width=\"10\" height=\"10\" valign=\"bottom\" margin=\"0,0,0,3\"");
  Control* open = Make(L"maxwidth=\"stretch\" maxheight=\"stretch\"");
  With(&row, {top, middle, bottom, open});
  row.SetPos(Rect(0, 0, 100, 30));
  EXPECT_TRUE(At(top, 0, 2, 10, 12));
  EXPECT_TRUE(At(middle, 10, 10, 20, 20));
  EXPECT_TRUE(At(bottom, 20, 17, 30, 27));
  EXPECT_TRUE(At(open, 30, 0, 100, 30));
}

TEST(HLayout, FixedChildrenWiderThanTheBoxLeaveStretchChildrenNothing) {
  HBox box;
  Control* wide = Make(L"width=\"150\"");
  Control* empty = Make(L"");
  Control* kept = Make(L"minwidth=\"12\"");
  With(&box, {wide, empty, kept});
  box.SetPos(Rect(0, 0, 100, 10));
  EXPECT_TRUE(At(wide, 0, 0, 150, 10));
  EXPECT_TRUE(At(empty, 150, 0, 150, 10));
  EXPECT_TRUE(At(kept, 150, 0, 162, 10));
}

TEST(VLayout, StacksWithChildMarginAndHorizontalAlignment) {
  VBox box;
  box.ApplyAttributeList(L"childmargin=\"10\"");
  Control* centred = Make(L"width=\"40\" height=\"50\" halign=\"center\"");
  Control* stretched = Make(L"margin=\"4,0,6,0\" minheight=\"20\"");
  Control* right = Make(L"width=\"20\" height=\"30\" halign=\"right\" margin=\"0,0,5,0\"");
  With(&box, {centred, stretched, right});
  box.SetPos(Rect(0, 0, 100, 200));
  EXPECT_TRUE(At(centred, 30, 0, 70, 50));
  EXPECT_TRUE(At(stretched, 4, 60, 94, 160));
  EXPECT_TRUE(At(right, 75, 170, 95, 200));

  // Three stretch rows share 100 pixels as 34, 33, 33; a maximum height
  // caps one without giving its pixels to the others.
  VBox rows;
  Control* r1 = Make(L"");
  Control* r2 = Make(L"maxheight=\"20\"");
  Control* r3 = Make(L"");
  With(&rows, {r1, r2, r3});
  rows.SetPos(Rect(0, 0, 10, 100));
  EXPECT_TRUE(At(r1, 0, 0, 10, 34));
  EXPECT_TRUE(At(r2, 0, 34, 10, 54));
  EXPECT_TRUE(At(r3, 0, 54, 10, 87));
}

TEST(Layout, FloatChildrenSitInThePaddingByTheirOwnAlignment) {
  for (int kind = 0; kind < 3; ++kind) {
    Box* box = kind == 0 ? new Box() : kind == 1 ? static_cast<Box*>(new HBox()) : new VBox();
    box->ApplyAttributeList(L"padding=\"10,10,10,10\"");
    Control* flow = Make(L"");
    Control* corner = Make(L"float=\"true\" width=\"20\" height=\"20\" halign=\"right\" valign=\"bottom\" "
                           L"margin=\"1,1,1,1\"");
    Control* centre = Make(L"float=\"true\" width=\"20\" height=\"20\" halign=\"center\" valign=\"center\"");
    Control* origin = Make(L"float=\"true\" width=\"20\" height=\"20\" margin=\"1,1,1,1\"");
    With(box, {corner, flow, centre, origin});
    box->SetPos(Rect(0, 0, 100, 100));
    SCOPED_TRACE(kind);
    // Floats take no room from the flow child.
    EXPECT_TRUE(At(flow, 10, 10, 90, 90));
    EXPECT_TRUE(At(corner, 69, 69, 89, 89));
    EXPECT_TRUE(At(centre, 40, 40, 60, 60));
    EXPECT_TRUE(At(origin, 11, 11, 31, 31));
    delete box;
  }
}

TEST(Layout, AutoSizedBoxesEstimateTheirChildrenAndCacheIt) {
  HBox row;
  row.ApplyAttributeList(L"width=\"auto\" height=\"auto\" childmargin=\"5\" padding=\"1,2,3,4\"");
  Control* a = Make(L"width=\"10\" height=\"8\" margin=\"0,1,0,1\"");
  Control* b = Make(L"width=\"20\" height=\"6\"");
  Control* hidden = Make(L"width=\"500\" height=\"500\" visible=\"false\"");
  With(&row, {a, b, hidden});
  EXPECT_EQ(Size(10 + 20 + 5 + 4, 10 + 6), row.EstimateSize(Size(1000, 1000)));
  EXPECT_FALSE(row.IsReEstimateSize());

  // A child's new width marks the auto-sized parent stale.
  b->SetFixedWidth(40);
  EXPECT_TRUE(row.IsReEstimateSize());
  EXPECT_EQ(Size(10 + 40 + 5 + 4, 16), row.EstimateSize(Size(1000, 1000)));

  VBox column;
  column.ApplyAttributeList(L"height=\"auto\" width=\"30\"");
  With(&column, {Make(L"height=\"12\""), Make(L"height=\"7\" margin=\"0,3,0,0\"")});
  EXPECT_EQ(Size(30, 22), column.EstimateSize(Size(1000, 1000)));
}

// root VBox: header HBox (icon, title, toolbar of auto width holding two
// buttons) over a body that takes the rest.
class NestedTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = Make<VBox>(L"name=\"root\"");
    header_ = Make<HBox>(L"height=\"40\"");
    icon_ = Make(L"width=\"40\"");
    title_ = Make(L"");
    toolbar_ = Make<HBox>(L"width=\"auto\" childmargin=\"4\"");
    button1_ = Make(L"width=\"20\"");
    button2_ = Make(L"width=\"20\"");
    body_ = Make<Box>(L"");
    With(toolbar_, {button1_, button2_});
    With(header_, {icon_, title_, toolbar_});
    With(root_, {header_, body_});
    host_.AttachRoot(root_);
    host_.Layout(Rect(0, 0, 300, 200));
  }

  test::TestHost host_;
  VBox* root_;
  HBox* header_;
  Control* icon_;
  Control* title_;
  HBox* toolbar_;
  Control* button1_;
  Control* button2_;
  Box* body_;
};

TEST_F(NestedTree, ReArrangesAfterSizeAndVisibilityChanges) {
  EXPECT_TRUE(At(title_, 40, 0, 256, 40));
  EXPECT_TRUE(At(toolbar_, 256, 0, 300, 40));
  EXPECT_TRUE(At(button2_, 280, 0, 300, 40));
  EXPECT_TRUE(At(body_, 0, 40, 300, 200));
  EXPECT_FALSE(host_.needs_layout());

  // The toolbar sizes itself, so the header is the box that re-lays out.
  button1_->SetFixedWidth(30);
  EXPECT_TRUE(host_.needs_layout());
  EXPECT_TRUE(header_->IsArranged());
  EXPECT_FALSE(root_->IsArranged());
  host_.Layout(Rect(0, 0, 300, 200));
  EXPECT_TRUE(At(title_, 40, 0, 246, 40));
  EXPECT_TRUE(At(button1_, 246, 0, 276, 40));
  EXPECT_TRUE(At(button2_, 280, 0, 300, 40));

  button2_->SetVisible(false);
  host_.Layout(Rect(0, 0, 300, 200));
  EXPECT_TRUE(At(title_, 40, 0, 270, 40));
  EXPECT_TRUE(At(toolbar_, 270, 0, 300, 40));

  header_->SetVisible(false);
  EXPECT_FALSE(icon_->IsVisible());
  host_.Layout(Rect(0, 0, 300, 200));
  EXPECT_TRUE(At(body_, 0, 0, 300, 200));

  header_->SetVisible(true);
  EXPECT_TRUE(icon_->IsVisible());
  EXPECT_FALSE(button2_->IsVisible());  // its own flag still says hidden
  host_.Layout(Rect(0, 0, 300, 200));
  EXPECT_TRUE(At(body_, 0, 40, 300, 200));
  EXPECT_TRUE(At(title_, 40, 0, 270, 40));
}

TEST_F(NestedTree, ChildrenAddedAndRemovedLater) {
  Control* extra = Make(L"width=\"10\" name=\"extra\"");
  ASSERT_TRUE(toolbar_->AddAt(extra, 0));
  EXPECT_EQ(extra, host_.FindControl(L"extra"));
  EXPECT_EQ(&host_, extra->GetWindow());
  host_.Layout(Rect(0, 0, 300, 200));
  EXPECT_TRUE(At(extra, 242, 0, 252, 40));
  EXPECT_TRUE(At(title_, 40, 0, 242, 40));

  Control* stray = Make(L"");
  EXPECT_FALSE(toolbar_->AddAt(stray, 99));
  delete stray;
  EXPECT_FALSE(toolbar_->Add(nullptr));
  EXPECT_FALSE(toolbar_->Remove(title_));
  EXPECT_EQ(-1, toolbar_->GetItemIndex(title_));
  EXPECT_TRUE(toolbar_->SetItemIndex(extra, 2));
  EXPECT_EQ(extra, toolbar_->GetItemAt(2));
  EXPECT_EQ(nullptr, toolbar_->GetItemAt(3));

  // Removal goes through the window so a control can remove itself from
  // one of its own handlers.
  ASSERT_TRUE(toolbar_->Remove(extra));
  EXPECT_EQ(1u, host_.delayed_count());
  EXPECT_EQ(2u, toolbar_->GetCount());
  host_.FlushDelayedCleanup();
  EXPECT_EQ(nullptr, host_.FindControl(L"extra"));
  host_.Layout(Rect(0, 0, 300, 200));
  EXPECT_TRUE(At(title_, 40, 0, 256, 40));
}

}  // namespace
}  // namespace ui
