// Scroll bars and scrolling boxes: geometry on its own, then real windows
// driven by real messages, with animations and repeats on a hand clock.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/ui/byte_mutator.h"
#include "tests/ui/manual_timers.h"
#include "tests/ui/mutated_layouts.h"
#include "tests/ui/render_support.h"
#include "tests/ui/test_skin.h"
#include "tests/ui/test_window.h"
#include "ui/controls/label.h"
#include "ui/controls/scroll_bar.h"
#include "ui/controls/scrollable_box.h"
#include "ui/core/markup_builder.h"
#include "ui/core/resource_manager.h"
#include "ui/core/v_layout.h"

namespace ui {
namespace {

using test::TestWindow;

TEST(ScrollBarGeometry, ThumbFollowsRangeAndPositionOnSixtyFourBits) {
  ScrollBar bar;
  bar.SetPos(Rect(0, 0, 16, 200));
  bar.SetScrollRange(100);
  bar.SetScrollPos(50);
  // A = 200 - 32 = 168, L = max(200 x 168 / 300, 30) = 112, top = 16 + 56 x 50 / 100.
  EXPECT_EQ(Rect(0, 0, 16, 16), bar.GetButton1Rect());
  EXPECT_EQ(Rect(0, 184, 16, 200), bar.GetButton2Rect());
  EXPECT_EQ(Rect(0, 44, 16, 156), bar.GetThumbRect());

  bar.SetScrollRange(0);
  EXPECT_EQ(0, bar.GetScrollPos());
  EXPECT_EQ(Rect(0, 16, 16, 184), bar.GetThumbRect()) << "no range: the thumb fills the rail";

  // Products beyond 32 bits: the thumb keeps its minimum and reaches the end.
  bar.SetScrollRange(4000000000LL);
  bar.SetScrollPos(4000000000LL);
  EXPECT_EQ(Rect(0, 154, 16, 184), bar.GetThumbRect());
  bar.SetScrollPos(2000000000LL);
  EXPECT_EQ(Rect(0, 85, 16, 115), bar.GetThumbRect());

  bar.SetShowButton1(false);
  bar.SetScrollRange(100);
  bar.SetScrollPos(0);
  EXPECT_TRUE(bar.GetButton1Rect().IsEmpty());
  EXPECT_EQ(0, bar.GetThumbRect().top);

  ScrollBar horizontal;
  horizontal.SetHorizontal(true);
  EXPECT_EQ(16, horizontal.GetFixedHeight());
  horizontal.SetPos(Rect(0, 0, 200, 16));
  horizontal.SetScrollPos(50);
  EXPECT_EQ(Rect(44, 0, 156, 16), horizontal.GetThumbRect());
}

TEST(ScrollBarGeometry, ShortBarHasTwoHalfButtonsAndNoThumb) {
  ScrollBar bar;
  bar.SetPos(Rect(10, 10, 26, 34));  // 24 high, less than three 16-pixel buttons
  EXPECT_EQ(Rect(10, 10, 26, 22), bar.GetButton1Rect());
  EXPECT_EQ(Rect(10, 22, 26, 34), bar.GetButton2Rect());
  EXPECT_TRUE(bar.GetThumbRect().IsEmpty());
  // A minimum longer than the rail never pushes the thumb out of it.
  bar.SetPos(Rect(0, 0, 16, 100));
  bar.SetThumbMinLength(5000);
  bar.SetScrollPos(100);
  EXPECT_EQ(Rect(0, 16, 16, 84), bar.GetThumbRect());
}

TEST(ScrollBarGeometry, MarkupValuesAreClamped) {
  MarkupBuilder builder;
  Control* built = builder.Create(L"<Bars><ScrollBar range=\"10\" value=\"99999999999\" linesize=\"-9\"/></Bars>",
                                  nullptr, nullptr, nullptr);
  auto* bar = dynamic_cast<ScrollBar*>(built);
  ASSERT_NE(nullptr, bar);
  EXPECT_EQ(10, bar->GetScrollRange());
  EXPECT_EQ(10, bar->GetScrollPos()) << "a value above the range is the range";
  EXPECT_EQ(0, bar->GetLineSize());
  bar->SetAttribute(L"range", L"-7");
  EXPECT_EQ(0, bar->GetScrollRange());
  EXPECT_EQ(0, bar->GetScrollPos());
  EXPECT_FALSE(bar->IsVisible()) << "no range hides the bar";
  bar->SetAttribute(L"value", L"-3");
  EXPECT_EQ(0, bar->GetScrollPos());
  delete built;
}

// Scrolling boxes in a real window. "ScrollList" is a vertical scrolling
// box, made by the window's own element factory.
class ScrollWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    test::EnsureGdiplus();
    images_ = test::MakeTempFolder(L"scroll_images");
    auto write = [](const wchar_t* name, int w, int h, uint32_t color) {
      test::WriteFileBytes(images_ + name, test::EncodeArgb(w, h, L"image/png", [color](int, int) { return color; }));
    };
    write(L"rail.png", 16, 16, 0xFFE4E4E8);
    write(L"thumb.png", 16, 16, 0xFF7A7A88);
    write(L"thumb_hot.png", 16, 16, 0xFF50505E);
    write(L"button.png", 16, 16, 0xFFB0B0BC);
  }

  void SetUp() override {
    skin_ = std::make_unique<test::ScopedTestSkin>();
    for (int i = 0; i < 20; ++i) ResourceManager::AddTextColor(L"row" + std::to_wstring(i), RowColor(i));
    ResourceManager::AddTextColor(L"scroll_white", 0xFFFFFFFF);
    ResourceManager::AddTextColor(L"scroll_text", 0xFF2A2A38);
    ResourceManager::AddTextColor(L"scroll_stripe", 0xFFEEF0F6);
    ResourceManager::AddTextColor(L"scroll_border", 0xFF9A9AAE);
  }
  void TearDown() override {
    TestWindow::Destroy(window_);
    skin_.reset();
  }

  static uint32_t RowColor(int i) { return 0xFF000000u | (static_cast<uint32_t>(i * 12) << 16) | (200u - i * 8); }

  static std::wstring BarStyle() {
    const std::wstring file = L"file='" + images_;
    std::wstring style = L"autohidescroll=\"false\" bknormalimage=\"" + file + L"rail.png'\" thumbnormalimage=\"" +
                         file + L"thumb.png'\" thumbhotimage=\"" + file + L"thumb_hot.png'\" button1normalimage=\"" +
                         file + L"button.png'\" button2normalimage=\"" + file + L"button.png'\"";
    return style;
  }
  static std::wstring Escape(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
      if (c == L'"') {
        out += L"&quot;";
      } else if (c == L'&') {
        out += L"&amp;";
      } else {
        out += c;
      }
    }
    return out;
  }

  // One 200 x 200 vertical list at the window's top left, with |rows| rows
  // of 40 pixels in the row colours.
  ScrollableBox* OpenList(const std::wstring& list_attributes, int rows = 20) {
    const std::wstring xml =
        L"<Window size=\"300,240\" shadowattached=\"false\"><VBox bkcolor=\"scroll_white\">"
        L"<ScrollList name=\"list\" width=\"200\" height=\"200\" vscrollbarstyle=\"" +
        Escape(BarStyle()) + L"\" " + list_attributes + L"/></VBox></Window>";
    window_ = TestWindow::Open(xml, [](const std::wstring& name) -> Control* {
      if (name == L"ScrollList") return new ScrollableBox(std::make_unique<VLayout>());
      return nullptr;
    });
    if (!window_) return nullptr;
    auto* list = dynamic_cast<ScrollableBox*>(window_->FindControl(L"list"));
    if (!list) return nullptr;
    list->SetTimerService(timers_.service());
    for (int i = 0; i < rows; ++i) AddRow(list, i);
    window_->PaintNow();
    return list;
  }
  static Control* AddRow(ScrollableBox* list, int i) {
    auto* row = new Control();
    row->SetName(L"row" + std::to_wstring(i));
    row->SetFixedHeight(40);
    row->SetBkColor(L"row" + std::to_wstring(i % 20));
    list->Add(row);
    return row;
  }
  // Lets every animation and repeat run out on the hand clock.
  void Settle() { timers_.Advance(1000); }

  static std::wstring images_;
  std::unique_ptr<test::ScopedTestSkin> skin_;
  TestWindow* window_ = nullptr;
  test::ManualTimers timers_;
};

std::wstring ScrollWindow::images_;

TEST_F(ScrollWindow, BarAppearsForOverflowAndWheelStepsByTheUnit) {
  ScrollableBox* list = OpenList(L"");
  ASSERT_NE(nullptr, list);
  ScrollBar* bar = list->GetVerticalScrollBar();
  ASSERT_NE(nullptr, bar);
  EXPECT_EQ(600, list->GetScrollRange().cy) << "800 pixels of rows in a 200-pixel view";
  EXPECT_TRUE(bar->IsVisible());
  EXPECT_EQ(Rect(184, 0, 200, 200), bar->GetPos());
  EXPECT_EQ(184, window_->FindControl(L"row0")->GetWidth()) << "rows give the bar its width";

  int changes = 0;
  list->AttachEvent(kEventScrollChange, [&changes](EventArgs*) { return ++changes > 0; });
  const Point center = TestWindow::Center(list);
  // Unit 0 means 20; a unit of 50 steps by 50; a unit above the wheel's
  // 120 steps by what the wheel turned.
  const struct {
    const wchar_t* unit;
    int step;
  } cases[] = {{L"0", 20}, {L"50", 50}, {L"200", 120}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.unit);
    list->SetAttribute(L"vscrollunit", c.unit);
    list->HomeUp();
    window_->Wheel(center, -120);
    Settle();
    EXPECT_EQ(c.step, list->GetScrollPos().cy);
    window_->Wheel(center, 120);
    Settle();
    EXPECT_EQ(0, list->GetScrollPos().cy);
  }
  EXPECT_GT(changes, 6);
  // The wheel over the bar scrolls the box too.
  list->SetAttribute(L"vscrollunit", L"0");
  window_->Wheel(TestWindow::Center(bar), -120);
  Settle();
  EXPECT_EQ(20, list->GetScrollPos().cy);
}

TEST_F(ScrollWindow, KeysPageAndJumpWithinTheRange) {
  ScrollableBox* list = OpenList(L"");
  ASSERT_NE(nullptr, list);
  window_->Click(Point(20, 20));  // a row; its keys bubble up to the list
  window_->KeyDown(VK_NEXT);
  EXPECT_EQ(200, list->GetScrollPos().cy);
  window_->KeyDown(VK_END);
  Settle();
  EXPECT_EQ(600, list->GetScrollPos().cy);
  EXPECT_EQ(0, list->GetRenderOffset().y) << "the settle at the end has run out";
  window_->KeyDown(VK_NEXT);
  EXPECT_EQ(600, list->GetScrollPos().cy) << "clamped at the end";
  window_->KeyDown(VK_UP);
  Settle();
  EXPECT_EQ(580, list->GetScrollPos().cy);
  window_->KeyDown(VK_HOME);
  EXPECT_EQ(0, list->GetScrollPos().cy);
  window_->KeyDown(VK_PRIOR);
  EXPECT_EQ(0, list->GetScrollPos().cy);
  list->SetScrollPos(Size(0, 5000));
  EXPECT_EQ(600, list->GetScrollPos().cy);
  list->SetScrollPos(Size(0, -5));
  EXPECT_EQ(0, list->GetScrollPos().cy);
}

TEST_F(ScrollWindow, HeldButtonStepsAtThePressAndRepeatsFromTheSixthTick) {
  ScrollableBox* list = OpenList(L"");
  ASSERT_NE(nullptr, list);
  ScrollBar* bar = list->GetVerticalScrollBar();
  list->SetScrollPos(Size(0, 300));
  const Point up_button(192, 8);
  window_->ButtonDown(up_button);
  EXPECT_EQ(kControlStatePushed, bar->GetButton1State());
  timers_.Advance(250, 50);  // five ticks: only the step of the press
  timers_.Advance(40, 10);
  EXPECT_EQ(280, list->GetScrollPos().cy);
  timers_.Advance(150, 50);  // ticks 6, 7 and 8 at 300, 350 and 400 ms
  window_->ButtonUp(up_button);
  Settle();
  EXPECT_EQ(220, list->GetScrollPos().cy) << "the press and three repeats of 20 pixels";
  EXPECT_EQ(kControlStateNormal, bar->GetButton1State());
  timers_.Advance(500, 50);
  EXPECT_EQ(220, list->GetScrollPos().cy) << "released: no more repeats";

  // Pressing the rail below the thumb pages down at once.
  window_->ButtonDown(Point(192, 175));
  window_->ButtonUp(Point(192, 175));
  EXPECT_EQ(420, list->GetScrollPos().cy);
}

TEST_F(ScrollWindow, DraggingTheThumbReachesTheEndAndStaysInside) {
  ScrollableBox* list = OpenList(L"");
  ASSERT_NE(nullptr, list);
  ScrollBar* bar = list->GetVerticalScrollBar();
  const Rect thumb = bar->GetThumbRect();
  EXPECT_EQ(42, thumb.Height()) << "200 x 168 / 800";
  const Point grab((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
  window_->ButtonDown(grab);
  EXPECT_EQ(kControlStatePushed, bar->GetThumbState());
  window_->MouseMove(Point(grab.x, grab.y + 63));  // half the usable 126 pixels
  EXPECT_EQ(300, list->GetScrollPos().cy);
  window_->MouseMove(Point(grab.x + 300, grab.y + 1000));
  timers_.Advance(100, 50);
  EXPECT_EQ(600, list->GetScrollPos().cy);
  EXPECT_EQ(bar->GetButton2Rect().top, bar->GetThumbRect().bottom);
  window_->MouseMove(Point(grab.x, -500));
  EXPECT_EQ(0, list->GetScrollPos().cy);
  window_->ButtonUp(Point(grab.x, -500));
  EXPECT_EQ(kControlStateNormal, bar->GetThumbState()) << "released away from the bar";
  EXPECT_FALSE(bar->IsMouseCaptured());
}

TEST_F(ScrollWindow, HoldEndKeepsTheViewAtTheEndAsContentGrows) {
  ScrollableBox* list = OpenList(L"holdend=\"true\"");
  ASSERT_NE(nullptr, list);
  list->EndDown(false, false);
  ASSERT_EQ(600, list->GetScrollPos().cy);
  for (int i = 20; i < 25; ++i) AddRow(list, i);
  window_->PaintNow();
  EXPECT_EQ(800, list->GetScrollRange().cy);
  EXPECT_EQ(800, list->GetScrollPos().cy);
  // Away from the end, growth leaves the view alone.
  list->SetScrollPos(Size(0, 100));
  AddRow(list, 25);
  window_->PaintNow();
  EXPECT_EQ(100, list->GetScrollPos().cy);
  // Content that fits again removes the range.
  list->RemoveAll();
  window_->PaintNow();
  EXPECT_EQ(0, list->GetScrollRange().cy);
  EXPECT_FALSE(list->GetVerticalScrollBar()->IsVisible());
}

TEST_F(ScrollWindow, ChildrenArePaintedAndHitAtTheirScrolledPlaces) {
  ScrollableBox* list = OpenList(L"");
  ASSERT_NE(nullptr, list);
  list->SetScrollPos(Size(0, 50));
  window_->PaintNow();
  IRenderContext* surface = window_->GetRenderContext();
  // Row 1 spans 40..80 of the content, so 0..30 of the view shows it.
  EXPECT_EQ(RowColor(1), test::PixelAt(*surface, 20, 10) | 0xFF000000);
  EXPECT_EQ(RowColor(2), test::PixelAt(*surface, 20, 40) | 0xFF000000);
  EXPECT_EQ(RowColor(5), test::PixelAt(*surface, 20, 185) | 0xFF000000);
  EXPECT_EQ(window_->FindControl(L"row1"), window_->FindControlAt(Point(20, 10)));
  EXPECT_EQ(window_->FindControl(L"row5"), window_->FindControlAt(Point(20, 185)));
  EXPECT_EQ(list->GetVerticalScrollBar(), window_->FindControlAt(Point(192, 100)));
  // Outside the view nothing of the list is painted or hit.
  EXPECT_EQ(0xFFFFFFFFu, test::PixelAt(*surface, 20, 220) | 0xFF000000);
  EXPECT_NE(window_->FindControl(L"row6"), window_->FindControlAt(Point(20, 220)));

  // A click on a scrolled row reaches that row.
  Control* row3 = window_->FindControl(L"row3");
  int row3_clicks = 0;
  row3->AttachEvent(kEventMouseButtonDown, [&row3_clicks](EventArgs*) { return ++row3_clicks > 0; });
  window_->Click(Point(20, 75));  // content 125: row 3
  EXPECT_EQ(1, row3_clicks);
}

// The box finds the children near the view from an index of their places;
// every change of a child must show at once, wherever it happens.
TEST_F(ScrollWindow, ChildrenThatMoveHideOrArriveArePaintedAndHitWhereTheyAreNow) {
  ScrollableBox* list = OpenList(L"");
  ASSERT_NE(nullptr, list);
  IRenderContext* surface = window_->GetRenderContext();
  auto shown_at = [&](int y) { return test::PixelAt(*surface, 20, y) | 0xFF000000; };
  list->SetScrollPos(Size(0, 400));
  window_->PaintNow();
  EXPECT_EQ(RowColor(10), shown_at(10));
  EXPECT_EQ(window_->FindControl(L"row10"), window_->FindControlAt(Point(20, 10)));

  window_->FindControl(L"row3")->SetVisible(false);  // above the view: the rest move up
  window_->PaintNow();
  EXPECT_EQ(RowColor(11), shown_at(10));
  EXPECT_EQ(window_->FindControl(L"row11"), window_->FindControlAt(Point(20, 10)));

  Control* first = new Control();
  first->SetFixedHeight(80);
  list->AddAt(first, 0);
  window_->PaintNow();
  EXPECT_EQ(RowColor(9), shown_at(10));
  EXPECT_EQ(window_->FindControl(L"row9"), window_->FindControlAt(Point(20, 10)));

  // The last row placed by hand into the view, out of the column's order,
  // as a recycling list places its rows.
  Control* row19 = window_->FindControl(L"row19");
  const Rect view = list->GetPos();
  row19->SetPos(Rect(view.left, view.top + 400 + 100, view.left + 150, view.top + 400 + 140));
  window_->Invalidate(view);
  window_->PaintNow();
  EXPECT_EQ(RowColor(19), shown_at(120));
  EXPECT_EQ(row19, window_->FindControlAt(Point(20, 120)));
  EXPECT_EQ(RowColor(9), shown_at(10));

  // A float, last in the list, is hit on top of the rows it lies over.
  list->SetScrollPos(Size(0, 0));
  Control* badge = new Control();
  badge->SetFloat(true);
  badge->SetFixedWidth(30);
  badge->SetFixedHeight(30);
  list->Add(badge);
  window_->PaintNow();
  const Rect place = badge->GetPos();
  EXPECT_EQ(badge, window_->FindControlAt(Point(place.left + 5, place.top + 5)));
}

TEST_F(ScrollWindow, AnEmptiedListShowsAndHitsNoneOfItsFormerChildren) {
  ScrollableBox* list = OpenList(L"", 3);  // short: no bar comes or goes
  ASSERT_NE(nullptr, list);
  ASSERT_EQ(window_->FindControl(L"row0"), window_->FindControlAt(Point(20, 20)));
  list->RemoveAll();
  window_->PaintNow();
  EXPECT_EQ(0xFFFFFFFFu, test::PixelAt(*window_->GetRenderContext(), 20, 20) | 0xFF000000);
  EXPECT_EQ(list, window_->FindControlAt(Point(20, 20)));
}

TEST_F(ScrollWindow, TouchDragMovesTheContentWithTheFinger) {
  ScrollableBox* list = OpenList(L"");
  ASSERT_NE(nullptr, list);
  list->SetScrollPos(Size(0, 300));
  list->SendEvent(kEventTouchDown, 0, 0, 0, 0.0f, Point(50, 100));
  list->SendEvent(kEventTouchMove, 0, 0, 0, 0.0f, Point(50, 60));
  EXPECT_EQ(340, list->GetScrollPos().cy) << "finger up 40: content up 40";
  list->SendEvent(kEventTouchMove, 0, 0, 0, 0.0f, Point(50, 160));
  EXPECT_EQ(240, list->GetScrollPos().cy);
  list->SendEvent(kEventTouchUp, 0, 0, 0, 0.0f, Point(50, 160));
  list->SendEvent(kEventTouchMove, 0, 0, 0, 0.0f, Point(50, 10));
  EXPECT_EQ(240, list->GetScrollPos().cy) << "no longer captured";
}

// Records what the box tells a child about its background image.
class ImageRecorder : public Control {
 public:
  void LoadBkImage() override { ++loads; }
  void ReleaseBkImage() override { ++releases; }
  int loads = 0;
  int releases = 0;
};

TEST_F(ScrollWindow, ChildrenNearTheViewKeepTheirImagesAndFarOnesLetGo) {
  ScrollableBox* list = OpenList(L"", 0);
  ASSERT_NE(nullptr, list);
  std::vector<ImageRecorder*> rows;
  for (int i = 0; i < 100; ++i) {
    rows.push_back(new ImageRecorder());
    rows.back()->SetFixedHeight(100);
    list->Add(rows.back());
  }
  window_->PaintNow();
  list->SetScrollPos(Size(0, 5000));
  // The view is 5000..5200; 730 pixels either side reach rows 42 to 59.
  for (int i = 0; i < 100; ++i) {
    const bool near_view = i >= 42 && i <= 59;
    EXPECT_EQ(near_view ? 1 : 0, rows[i]->loads) << i;
    EXPECT_EQ(near_view ? 0 : 1, rows[i]->releases) << i;
  }
}

TEST_F(ScrollWindow, ListOfLabelsWithBothBarsLooksRight) {
  const std::wstring xml =
      L"<Window size=\"260,200\" shadowattached=\"false\"><VBox bkcolor=\"scroll_white\" "
      L"padding=\"10,10,10,10\"><ScrollList name=\"list\" bordersize=\"1\" "
      L"bordercolor=\"scroll_border\" padding=\"1,1,1,1\" vscrollbarstyle=\"" +
      Escape(BarStyle()) + L"\" hscrollbarstyle=\"" + Escape(BarStyle()) + L"\"/></VBox></Window>";
  window_ = TestWindow::Open(xml, [](const std::wstring& name) -> Control* {
    return name == L"ScrollList" ? new ScrollableBox(std::make_unique<VLayout>()) : nullptr;
  });
  ASSERT_NE(nullptr, window_);
  auto* list = dynamic_cast<ScrollableBox*>(window_->FindControl(L"list"));
  ASSERT_NE(nullptr, list);
  for (int i = 0; i < 30; ++i) {
    auto* label = new Label();
    label->SetText(L"Row " + std::to_wstring(i + 1) + L": a line wider than the list it sits in");
    label->SetFixedHeight(22);
    label->SetTextPadding(Rect(6, 3, 6, 3), false);
    label->SetStateTextColor(kControlStateNormal, L"scroll_text");
    if (i % 2) label->SetBkColor(L"scroll_stripe");
    list->Add(label);
  }
  window_->PaintNow();
  ASSERT_GT(list->GetScrollRange().cx, 0);
  ASSERT_GT(list->GetScrollRange().cy, 0);
  list->SetScrollPos(Size(40, 150));
  window_->PaintNow();
  ScrollBar* vertical = list->GetVerticalScrollBar();
  ScrollBar* horizontal = list->GetHorizontalScrollBar();
  EXPECT_LE(horizontal->GetPos().right, vertical->GetPos().left) << "the corner belongs to the vertical bar";
  // At the end of both ranges the last row and the row ends come out from
  // under the bars.
  list->EndDown(false, false);
  list->EndRight();
  window_->PaintNow();
  Control* last = list->GetItemAt(29);
  EXPECT_LE(last->GetPos().bottom - list->GetScrollPos().cy, horizontal->GetPos().top);
  EXPECT_GT(last->GetPos().bottom - list->GetScrollPos().cy, horizontal->GetPos().top - 4);
  EXPECT_LE(last->GetPos().right - list->GetScrollPos().cx, vertical->GetPos().left);
  list->SetScrollPos(Size(40, 150));
  window_->PaintNow();
  IRenderContext* surface = window_->GetRenderContext();
  const Rect thumb = vertical->GetThumbRect();
  EXPECT_TRUE(test::NearRgb(0xFF7A7A88, test::PixelAt(*surface, thumb.left + 8, (thumb.top + thumb.bottom) / 2), 2));
  std::unique_ptr<IRenderContext> copy = surface->Clone();
  EXPECT_FALSE(test::SaveScreenshot(*copy, L"scroll_labels_both_bars.png").empty());
}

TEST_F(ScrollWindow, HostileScrollAttributesAreClamped) {
  ScrollableBox* list = OpenList(
      L"vscrollunit=\"-50\" hscrollunit=\"99999999999\" scrollbarpadding=\"-5,-99999,99999999999,3\" "
      L"hscrollbar=\"true\" hscrollbarstyle=\"range=&quot;-7&quot; value=&quot;-3&quot; "
      L"thumbminlength=&quot;99999999&quot; linesize=&quot;-2&quot;\"");
  ASSERT_NE(nullptr, list);
  EXPECT_EQ(0, list->GetVerScrollUnit());
  EXPECT_GT(list->GetHorScrollUnit(), 0);
  window_->Wheel(TestWindow::Center(list), -120);
  Settle();
  EXPECT_GE(list->GetScrollPos().cy, 0);
  EXPECT_LE(list->GetScrollPos().cy, list->GetScrollRange().cy);
  list->LineRight(-1);
  list->LineDown(-1, false);
  EXPECT_LE(list->GetScrollPos().cy, list->GetScrollRange().cy);
  EXPECT_EQ(0, list->GetScrollPos().cx);

  // Mutated copies of a scrolling layout never crash the builder.
  const std::string base =
      "<Window size=\"200,200\"><VBox><ScrollBar range=\"100\" value=\"50\" hor=\"true\" height=\"16\" "
      "thumbminlength=\"20\" showbutton1=\"false\"/></VBox></Window>";
  const int before = Control::GetInstanceCount();
  EXPECT_GT(test::BuildMutatedLayouts(base, 1234, 400), 8);
  EXPECT_EQ(before, Control::GetInstanceCount());
}

}  // namespace
}  // namespace ui
