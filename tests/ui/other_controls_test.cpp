// Progress bars, sliders, rings, combos, tab boxes and child boxes in real
// windows, checked by their pixels where they draw.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "tests/ui/mutated_layouts.h"
#include "tests/ui/render_support.h"
#include "tests/ui/test_skin.h"
#include "tests/ui/test_window.h"
#include "ui/controls/button.h"
#include "ui/controls/check_box.h"
#include "ui/controls/child_box.h"
#include "ui/controls/circle_progress.h"
#include "ui/controls/combo.h"
#include "ui/controls/combo_wnd.h"
#include "ui/controls/label.h"
#include "ui/controls/list_container_element.h"
#include "ui/controls/option.h"
#include "ui/controls/progress.h"
#include "ui/controls/rich_edit.h"
#include "ui/controls/scroll_bar.h"
#include "ui/controls/slider.h"
#include "ui/controls/tab_box.h"
#include "ui/controls/tile_box.h"
#include "ui/controls/tree_view.h"
#include "ui/controls/virtual_list_box.h"
#include "ui/core/h_box.h"
#include "ui/core/h_layout.h"
#include "ui/core/markup_builder.h"
#include "ui/core/resource_manager.h"
#include "ui/core/tile_layout.h"
#include "ui/core/v_box.h"
#include "ui/core/v_layout.h"

namespace ui {
namespace {

using test::TestWindow;

constexpr uint32_t kFill = 0xFF2A9D4A;
constexpr uint32_t kTrack = 0xFFE2E6EC;
constexpr uint32_t kRed = 0xFFE02020;
constexpr uint32_t kGreen = 0xFF20C040;
constexpr uint32_t kRing = 0xFF3070D0;

class OtherControls : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    test::EnsureGdiplus();
    folder_ = test::MakeTempFolder(L"other_controls");
    // 200 x 12: red on the left quarter, green on the rest.
    test::WriteFileBytes(folder_ + L"fore.png",
                         test::EncodeArgb(200, 12, L"image/png", [](int x, int) { return x < 50 ? kRed : kGreen; }));
    test::WriteFileBytes(folder_ + L"track.png",
                         test::EncodeArgb(16, 4, L"image/png", [](int, int) { return 0xFFC8CED8u; }));
    test::WriteFileBytes(folder_ + L"thumb.png",
                         test::EncodeArgb(10, 20, L"image/png", [](int, int) { return 0xFF404858u; }));
    test::WriteFileBytes(folder_ + L"dot.png", test::EncodeArgb(8, 8, L"image/png", [](int x, int y) {
                           return (x - 4) * (x - 4) + (y - 4) * (y - 4) < 12 ? 0xFFF0A020u : 0u;
                         }));
  }
  void SetUp() override {
    skin_ = std::make_unique<test::ScopedTestSkin>();
    ResourceManager::AddTextColor(L"oc_white", 0xFFFFFFFF);
    ResourceManager::AddTextColor(L"oc_fill", kFill);
    ResourceManager::AddTextColor(L"oc_track", kTrack);
    ResourceManager::AddTextColor(L"oc_ring", kRing);
    ResourceManager::AddTextColor(L"oc_ring_bk", 0xFFD8DCE4);
    ResourceManager::AddTextColor(L"oc_ring_end", 0xFF90D0FF);
    ResourceManager::AddTextColor(L"oc_ink", 0xFF283040);
    ResourceManager::AddTextColor(L"oc_hot", 0xFFE8ECF6);
    ResourceManager::AddTextColor(L"oc_border", 0xFFA0A8B8);
    ResourceManager::AddTextColor(L"oc_page", 0xFFF6E7C8);
  }
  void TearDown() override {
    TestWindow::Destroy(window_);
    skin_.reset();
  }
  void Open(const std::wstring& body, int width = 260, int height = 200) {
    window_ = TestWindow::Open(L"<Window size=\"" + std::to_wstring(width) + L"," + std::to_wstring(height) +
                               L"\" shadowattached=\"false\"><VBox bkcolor=\"oc_white\" childmargin=\"6\">" + body +
                               L"</VBox></Window>");
    ASSERT_NE(nullptr, window_);
  }
  template <typename T>
  T* Find(const wchar_t* name) {
    return dynamic_cast<T*>(window_->FindControl(name));
  }
  uint32_t Pixel(int x, int y) { return test::PixelAt(*window_->GetRenderContext(), x, y); }
  std::wstring File(const wchar_t* name) { return folder_ + name; }

  static std::wstring folder_;
  std::unique_ptr<test::ScopedTestSkin> skin_;
  TestWindow* window_ = nullptr;
};

std::wstring OtherControls::folder_;

TEST_F(OtherControls, ProgressFillsItsShareAndRevealsOrStretchesItsImage) {
  Open(
      L"<Progress name=\"bar\" width=\"200\" height=\"12\" bkcolor=\"oc_track\" progresscolor=\" oc_fill\" "
      L"value=\"25\"/>"
      L"<Progress name=\"revealed\" width=\"200\" height=\"12\" isstretchfore=\"false\" value=\"25\" "
      L"progressimage=\"file='" +
      File(L"fore.png") +
      L"'\"/>"
      L"<Progress name=\"stretched\" width=\"200\" height=\"12\" value=\"25\" progressimage=\"file='" +
      File(L"fore.png") +
      L"'\"/>"
      L"<Progress name=\"upright\" hor=\"false\" width=\"12\" height=\"100\" progresscolor=\"oc_fill\" value=\"30\"/>");
  auto* bar = Find<Progress>(L"bar");
  ASSERT_NE(nullptr, bar);
  window_->PaintNow();
  const Rect r = bar->GetPos();
  EXPECT_EQ(Rect(0, 0, 50, 12), bar->GetProgressPos()) << "25 of 0..100 on 200 pixels";
  EXPECT_TRUE(test::NearRgb(kFill, Pixel(r.left + 49, r.top + 6), 2));
  EXPECT_TRUE(test::NearRgb(kTrack, Pixel(r.left + 50, r.top + 6), 2));
  // Not stretched: the image's own left 50 pixels; stretched: all of it
  // squeezed into them.
  const Rect revealed = Find<Progress>(L"revealed")->GetPos();
  EXPECT_TRUE(test::NearRgb(kRed, Pixel(revealed.left + 45, revealed.top + 6), 8));
  EXPECT_TRUE(test::NearRgb(0xFFFFFFFF, Pixel(revealed.left + 60, revealed.top + 6), 2));
  const Rect stretched = Find<Progress>(L"stretched")->GetPos();
  EXPECT_TRUE(test::NearRgb(kGreen, Pixel(stretched.left + 45, stretched.top + 6), 8));
  EXPECT_TRUE(test::NearRgb(kRed, Pixel(stretched.left + 5, stretched.top + 6), 8));
  const Rect upright = Find<Progress>(L"upright")->GetPos();
  EXPECT_EQ(Rect(0, 70, 12, 100), Find<Progress>(L"upright")->GetProgressPos()) << "fills from the bottom";
  EXPECT_TRUE(test::NearRgb(kFill, Pixel(upright.left + 6, upright.bottom - 2), 2));

  // Out of range and hostile values stay within the bar.
  bar->SetValue(150);
  EXPECT_EQ(200, bar->GetProgressPos().right) << "above the maximum draws full";
  bar->SetMinValue(10);
  bar->SetMaxValue(10);
  bar->SetValue(10);
  EXPECT_EQ(0, bar->GetProgressPos().right) << "10..10 is 10..11";
  bar->SetValue(10.5);
  EXPECT_EQ(100, bar->GetProgressPos().right);
  bar->SetMaxValue(-50);
  bar->SetValue(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(0, bar->GetProgressPos().right);
  bar->SetValue(std::numeric_limits<double>::infinity());
  EXPECT_EQ(200, bar->GetProgressPos().right);
  bar->SetMinValue(2147483647);
  bar->SetAttribute(L"max", L"99999999999");
  EXPECT_GE(bar->GetProgressPos().right, 0);
  window_->PaintNow();
}

TEST_F(OtherControls, SliderThumbFollowsTheValueAndTheDrag) {
  Open(
      L"<Slider name=\"slider\" width=\"100\" height=\"20\" thumbsize=\"10,20\" value=\"50\" step=\"10\" "
      L"normalimage=\"file='" +
      File(L"track.png") +
      L"'\" progresscolor=\"oc_fill\" progressbarpadding=\"0,8,0,8\" "
      L"thumbnormalimage=\"file='" +
      File(L"thumb.png") +
      L"'\"/>"
      L"<Progress name=\"bar\" width=\"200\" height=\"10\" value=\"70\" bkcolor=\"oc_track\" "
      L"progresscolor=\"oc_fill\"/>");
  auto* slider = Find<Slider>(L"slider");
  ASSERT_NE(nullptr, slider);
  const Rect r = slider->GetPos();
  EXPECT_EQ(r.left + 45, slider->GetThumbRect().left);
  int changes = 0;
  slider->AttachEvent(kEventValueChange, [&changes](EventArgs*) { return ++changes > 0; });
  const Point grab = TestWindow::Center(slider);
  window_->ButtonDown(grab);
  EXPECT_TRUE(slider->IsThumbCaptured());
  window_->MouseMove(Point(r.left - 30, grab.y));
  EXPECT_EQ(0, slider->GetValue()) << "the left edge is the minimum";
  window_->MouseMove(Point(r.right + 30, grab.y));
  EXPECT_EQ(100, slider->GetValue()) << "the right edge is the maximum";
  window_->MouseMove(Point(r.left + 5 + 27, grab.y));
  EXPECT_EQ(30, slider->GetValue());
  window_->ButtonUp(Point(r.left + 5 + 27, grab.y));
  EXPECT_FALSE(slider->IsThumbCaptured());
  EXPECT_EQ(1, changes);
  window_->Wheel(grab, 120);
  EXPECT_EQ(40, slider->GetValue());
  for (int i = 0; i < 20; ++i) window_->Wheel(grab, -120);
  EXPECT_EQ(0, slider->GetValue()) << "the wheel stops at the minimum";
  window_->Wheel(grab, 120);
  EXPECT_EQ(10, slider->GetValue());
  EXPECT_EQ(23, changes);
  slider->SetValue(60);
  window_->PaintNow();
  std::unique_ptr<IRenderContext> shot = window_->GetRenderContext()->Clone();
  EXPECT_FALSE(test::SaveScreenshot(*shot, L"progress_and_slider.png").empty());
}

TEST_F(OtherControls, HalfARingRunsFromTwelveOClockClockwiseOrBack) {
  Open(
      L"<HBox height=\"100\">"
      L"<CircleProgress name=\"clockwise\" width=\"100\" height=\"100\" circlewidth=\"8\" bgcolor=\"oc_ring_bk\" "
      L"fgcolor=\"oc_ring\" value=\"50\"/>"
      L"<CircleProgress name=\"back\" width=\"100\" height=\"100\" circlewidth=\"8\" bgcolor=\"oc_ring_bk\" "
      L"fgcolor=\"oc_ring\" value=\"50\" clockwise=\"false\"/>"
      L"<CircleProgress name=\"fancy\" width=\"60\" height=\"60\" circlewidth=\"6\" bgcolor=\"oc_ring_bk\" "
      L"fgcolor=\"oc_ring\" gradientcolor=\"oc_ring_end\" value=\"75\" indicator=\"" +
          File(L"dot.png") +
          L"\"/>"
          L"</HBox>",
      300, 140);
  window_->PaintNow();
  for (const wchar_t* name : {L"clockwise", L"back"}) {
    SCOPED_TRACE(name);
    const Rect r = Find<CircleProgress>(name)->GetPos();
    const bool clockwise = std::wstring(name) == L"clockwise";
    // The ring's middle line runs 5 pixels inside the box: 50 - 1 - 4.
    const uint32_t right = Pixel(r.left + 95, r.top + 50);
    const uint32_t left = Pixel(r.left + 5, r.top + 50);
    EXPECT_TRUE(test::NearRgb(clockwise ? kRing : 0xFFD8DCE4, right, 30)) << std::hex << right;
    EXPECT_TRUE(test::NearRgb(clockwise ? 0xFFD8DCE4 : kRing, left, 30)) << std::hex << left;
    // Half past four on the ring: 135 degrees on from twelve.
    const uint32_t lower_right = Pixel(r.left + 82, r.top + 82);
    const uint32_t lower_left = Pixel(r.left + 18, r.top + 82);
    EXPECT_TRUE(test::NearRgb(clockwise ? kRing : 0xFFD8DCE4, lower_right, 40)) << std::hex << lower_right;
    EXPECT_TRUE(test::NearRgb(clockwise ? 0xFFD8DCE4 : kRing, lower_left, 40)) << std::hex << lower_left;
  }
  auto* fancy = Find<CircleProgress>(L"fancy");
  EXPECT_TRUE(fancy->HasIndicator());
  fancy->SetIndicator(L"no_such_indicator.png");
  EXPECT_FALSE(fancy->HasIndicator());
  fancy->SetIndicator(File(L"dot.png"));
  window_->PaintNow();
  std::unique_ptr<IRenderContext> shot = window_->GetRenderContext()->Clone();
  EXPECT_FALSE(test::SaveScreenshot(*shot, L"circle_progress.png").empty());
}

TEST_F(OtherControls, ComboOpensBelowOrAboveAndClosesOnChoiceOrFocusLoss) {
  std::wstring items;
  for (int i = 0; i < 4; ++i)
    items += L"<ListContainerElement height=\"24\" text=\"Choice " + std::to_wstring(i) +
             L"\" normaltextcolor=\"oc_ink\" hotcolor=\"oc_hot\" textpadding=\"6,0,0,0\"/>";
  Open(
      L"<Combo name=\"combo\" width=\"160\" height=\"26\" bkcolor=\"oc_white\" bordersize=\"1\" "
      L"bordercolor=\"oc_border\" dropbox=\"bkcolor=&quot;oc_white&quot;\">" +
      items + L"</Combo>");
  auto* combo = Find<Combo>(L"combo");
  ASSERT_NE(nullptr, combo);
  EXPECT_EQ(4u, combo->GetCount());
  EXPECT_TRUE(combo->SelectItem(1));
  EXPECT_FALSE(combo->SelectItem(1)) << "already chosen";
  EXPECT_FALSE(combo->SelectItem(9));
  EXPECT_EQ(L"Choice 1", combo->GetText());

  int selects = 0;
  WPARAM chosen = 0;
  LPARAM before = 0;
  combo->AttachEvent(kEventSelect, [&](EventArgs* args) {
    ++selects;
    chosen = args->wparam;
    before = args->lparam;
    return true;
  });
  window_->Click(TestWindow::Center(combo));
  ASSERT_TRUE(combo->IsPopupOpen());
  HWND popup = combo->GetPopup()->GetHWND();
  Rect popup_rect;
  ::GetWindowRect(popup, &popup_rect);
  POINT combo_bottom = {0, combo->GetPos().bottom};
  ::ClientToScreen(window_->GetHWND(), &combo_bottom);
  EXPECT_EQ(combo_bottom.y + 1, popup_rect.top) << "below the combo";
  EXPECT_EQ(4 * 24 + 2, popup_rect.Height());
  test_support::PumpUntil([] { return false; }, 100);
  combo->GetPopup()->PaintNow();
  std::unique_ptr<IRenderContext> shot = combo->GetPopup()->GetRenderContext()->Clone();
  EXPECT_FALSE(test::SaveScreenshot(*shot, L"combo_open.png").empty());
  // A click on an item chooses it and closes the list.
  ::SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 3 * 24 + 10));
  ::SendMessageW(popup, WM_LBUTTONUP, 0, MAKELPARAM(20, 3 * 24 + 10));
  EXPECT_TRUE(test_support::PumpUntil([combo] { return !combo->IsPopupOpen(); }, 2000));
  EXPECT_EQ(3, combo->GetCurSel());
  EXPECT_EQ(1, selects);
  EXPECT_EQ(3u, chosen);
  EXPECT_EQ(-1, before);
  EXPECT_EQ(L"Choice 3", combo->GetText());

  // Near the bottom of the screen it opens upwards; focus elsewhere closes it.
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(window_->GetHWND(), MONITOR_DEFAULTTONEAREST), &monitor);
  ::SetWindowPos(window_->GetHWND(), nullptr, 50, monitor.rcWork.bottom - 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  window_->Click(TestWindow::Center(combo));
  ASSERT_TRUE(combo->IsPopupOpen());
  ::GetWindowRect(combo->GetPopup()->GetHWND(), &popup_rect);
  POINT combo_top = {0, combo->GetPos().top};
  ::ClientToScreen(window_->GetHWND(), &combo_top);
  EXPECT_EQ(combo_top.y, popup_rect.bottom) << "above the combo";
  ::SetFocus(window_->GetHWND());
  EXPECT_TRUE(test_support::PumpUntil([combo] { return !combo->IsPopupOpen(); }, 2000));
  EXPECT_EQ(1, selects) << "closing without a choice chooses nothing";
  combo->RemoveAll();
  EXPECT_EQ(-1, combo->GetCurSel());
  EXPECT_EQ(L"", combo->GetText());
}

TEST_F(OtherControls, TabBoxShowsOnePageAndKeepsItsIndexAsPagesComeAndGo) {
  Open(
      L"<TabBox name=\"tabs\" height=\"80\" selectedid=\"1\">"
      L"<Label name=\"page0\" text=\"First page\" width=\"stretch\" height=\"stretch\" bkcolor=\"oc_track\"/>"
      L"<Label name=\"page1\" text=\"Second page\" width=\"stretch\" height=\"stretch\" bkcolor=\"oc_page\" "
      L"normaltextcolor=\"oc_ink\"/>"
      L"<Label name=\"page2\" text=\"Third page\" width=\"stretch\" height=\"stretch\"/>"
      L"</TabBox>"
      L"<TabBox name=\"lost\" height=\"20\" selectedid=\"99999\"><Control name=\"only\" bkcolor=\"oc_fill\"/>"
      L"<Control name=\"second\"/></TabBox>");
  auto* tabs = Find<TabBox>(L"tabs");
  ASSERT_NE(nullptr, tabs);
  EXPECT_EQ(1, tabs->GetCurSel());
  EXPECT_TRUE(window_->FindControl(L"page1")->IsVisible());
  EXPECT_FALSE(window_->FindControl(L"page0")->IsVisible());
  EXPECT_FALSE(window_->FindControl(L"page2")->IsVisible());
  window_->PaintNow();
  std::unique_ptr<IRenderContext> shot = window_->GetRenderContext()->Clone();
  EXPECT_FALSE(test::SaveScreenshot(*shot, L"tab_box.png").empty());
  EXPECT_TRUE(test::NearRgb(0xFFF6E7C8, Pixel(tabs->GetPos().right - 5, tabs->GetPos().top + 5), 2));

  // A page put before the current one moves the index; removing the
  // current page falls back to the first.
  auto* front = new Control();
  tabs->AddAt(front, 0);
  EXPECT_EQ(2, tabs->GetCurSel());
  EXPECT_FALSE(front->IsVisible());
  EXPECT_EQ(0, front->GetAlpha());
  tabs->Remove(window_->FindControl(L"page1"));
  EXPECT_EQ(0, tabs->GetCurSel());
  EXPECT_TRUE(front->IsVisible());
  EXPECT_EQ(255, front->GetAlpha());
  EXPECT_FALSE(tabs->SelectItem(7));
  EXPECT_TRUE(tabs->SelectItem(2));
  EXPECT_FALSE(front->IsVisible());
  tabs->RemoveAll();
  EXPECT_EQ(-1, tabs->GetCurSel());

  // An index far outside the pages shows the first rather than none.
  auto* lost = Find<TabBox>(L"lost");
  EXPECT_EQ(0, lost->GetCurSel());
  EXPECT_TRUE(window_->FindControl(L"only")->IsVisible());
  lost->Remove(window_->FindControl(L"second"));
  lost->Remove(window_->FindControl(L"only"));
  EXPECT_EQ(-1, lost->GetCurSel()) << "no pages left";
}

TEST_F(OtherControls, ChildBoxBuildsItsFileAndSurvivesBadOnes) {
  test::WriteFileBytes(File(L"child_ok.xml"),
                       "<Child><VBox name=\"inner\"><Label name=\"inner_label\" text=\"from a file\"/></VBox></Child>");
  test::WriteFileBytes(File(L"child_self.xml"),
                       "<Child><HBox name=\"self_level\"><ChildBox xmlfile=\"" +
                           std::string(folder_.begin(), folder_.end()) + "child_self.xml\"/><ChildBox xmlfile=\"" +
                           std::string(folder_.begin(), folder_.end()) + "child_self.xml\"/></HBox></Child>");
  test::WriteFileBytes(File(L"child_broken.xml"), "<Child><VBox name=\"broken\"><Label text=");
  const int before = Control::GetInstanceCount();
  Open(L"<ChildBox name=\"good\" height=\"30\" xmlfile=\"" + File(L"child_ok.xml") +
       L"\"/>"
       L"<ChildBox name=\"missing\" height=\"20\" xmlfile=\"" +
       File(L"no_such_child.xml") +
       L"\"/>"
       L"<ChildBox name=\"broken_box\" height=\"20\" xmlfile=\"" +
       File(L"child_broken.xml") +
       L"\"/>"
       L"<ChildBox name=\"self\" height=\"20\" xmlfile=\"" +
       File(L"child_self.xml") + L"\"/>");
  auto* good = Find<ChildBox>(L"good");
  ASSERT_NE(nullptr, good);
  ASSERT_EQ(1u, good->GetCount());
  EXPECT_EQ(L"inner", good->GetItemAt(0)->GetName());
  EXPECT_NE(nullptr, window_->FindControl(L"inner_label"));
  EXPECT_EQ(0u, Find<ChildBox>(L"missing")->GetCount());
  EXPECT_EQ(0u, Find<ChildBox>(L"broken_box")->GetCount());
  // A file that names itself nests a few levels and stops.
  int depth = 0;
  for (Control* level = Find<ChildBox>(L"self"); level;) {
    auto* box = dynamic_cast<Box*>(level);
    level = box && box->GetCount() ? box->GetItemAt(0) : nullptr;
    if (dynamic_cast<ChildBox*>(level)) ++depth;
  }
  EXPECT_GT(depth, 0);
  EXPECT_LT(depth, ChildBox::kMaxNesting * 2);
  TestWindow::Destroy(window_);
  window_ = nullptr;
  EXPECT_EQ(before, Control::GetInstanceCount());
}

template <typename T>
bool Is(Control* control) {
  return dynamic_cast<T*>(control) != nullptr;
}

TEST(MarkupElements, EveryElementNameBuildsItsControl) {
  const struct {
    const wchar_t* name;
    bool (*is)(Control*);
  } elements[] = {
      {L"Control", Is<Control>},
      {L"Box", Is<Box>},
      {L"HBox", Is<HBox>},
      {L"VBox", Is<VBox>},
      {L"TabBox", Is<TabBox>},
      {L"TileBox", Is<TileBox>},
      {L"ChildBox", Is<ChildBox>},
      {L"Label", Is<Label>},
      {L"Button", Is<Button>},
      {L"Option", Is<Option>},
      {L"CheckBox", Is<CheckBox>},
      {L"LabelBox", Is<LabelBox>},
      {L"ButtonBox", Is<ButtonBox>},
      {L"OptionBox", Is<OptionBox>},
      {L"CheckBoxBox", Is<CheckBoxBox>},
      {L"Combo", Is<Combo>},
      {L"Slider", Is<Slider>},
      {L"Progress", Is<Progress>},
      {L"CircleProgress", Is<CircleProgress>},
      {L"RichEdit", Is<RichEdit>},
      {L"ScrollBar", Is<ScrollBar>},
      {L"ListBox", Is<ListBox>},
      {L"VListBox", Is<ListBox>},
      {L"HListBox", Is<ListBox>},
      {L"TileListBox", Is<ListBox>},
      {L"VirtualListBox", Is<VirtualListBox>},
      {L"ListContainerElement", Is<ListContainerElement>},
      {L"TreeView", Is<TreeView>},
      {L"TreeNode", Is<TreeNode>},
  };
  for (const auto& element : elements) {
    std::unique_ptr<Control> control(MarkupBuilder::CreateBuiltInControl(element.name));
    EXPECT_TRUE(control && element.is(control.get())) << std::string(element.name, element.name + wcslen(element.name));
  }
  // The list boxes differ by their layouts.
  std::unique_ptr<Control> vertical(MarkupBuilder::CreateBuiltInControl(L"VListBox"));
  std::unique_ptr<Control> horizontal(MarkupBuilder::CreateBuiltInControl(L"HListBox"));
  std::unique_ptr<Control> tiles(MarkupBuilder::CreateBuiltInControl(L"TileListBox"));
  EXPECT_TRUE(dynamic_cast<VLayout*>(static_cast<Box*>(vertical.get())->GetLayout()));
  EXPECT_TRUE(dynamic_cast<HLayout*>(static_cast<Box*>(horizontal.get())->GetLayout()));
  EXPECT_TRUE(dynamic_cast<TileLayout*>(static_cast<Box*>(tiles.get())->GetLayout()));
  EXPECT_EQ(nullptr, MarkupBuilder::CreateBuiltInControl(L"listbox")) << "names are case-sensitive";
}

TEST_F(OtherControls, HostileAttributesOfTheOtherControlsNeverCrash) {
  const std::string base =
      "<Window><VBox><Progress min=\"50\" max=\"-50\" value=\"99999999999\" hor=\"false\" isstretchfore=\"false\"/>"
      "<Slider thumbsize=\"-10,99999\" step=\"-2147483648\" progressbarpadding=\"-5,-5,99999,0\" value=\"-1\"/>"
      "<CircleProgress circlewidth=\"-3\" value=\"NaN\" clockwise=\"false\" indicator=\"*?\"/>"
      "<Combo dropboxsize=\"-1,-99999\" dropbox=\"vscrollbar=&quot;true\"/><TabBox selectedid=\"-7\"><Control/>"
      "</TabBox><ChildBox xmlfile=\"..\\..\\..\\nothing.xml\"/></VBox></Window>";
  const int before = Control::GetInstanceCount();
  EXPECT_GT(test::BuildMutatedLayouts(base, 9001, 600), 8);
  EXPECT_EQ(before, Control::GetInstanceCount());
  // The same skin in a real window lays out and paints.
  window_ = TestWindow::Open(std::wstring(base.begin(), base.end()));
  ASSERT_NE(nullptr, window_);
  window_->PaintNow();
}

}  // namespace
}  // namespace ui
