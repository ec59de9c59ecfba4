#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/ui/byte_mutator.h"
#include "tests/ui/control_test_host.h"
#include "tests/ui/render_support.h"
#include "ui/controls/button.h"
#include "ui/controls/check_box.h"
#include "ui/controls/label.h"
#include "ui/controls/option.h"
#include "ui/core/h_box.h"
#include "ui/core/markup_builder.h"
#include "ui/core/resource_manager.h"
#include "ui/render/render_factory_gdiplus.h"

namespace ui {
namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kGreen = 0xFF00C000;
constexpr uint32_t kGray = 0xFF808080;

// Records the kinds of events that reach a control.
struct EventLog {
  void Watch(Control* control, std::initializer_list<int> kinds) {
    for (int kind : kinds) {
      control->AttachEvent(kind, [this, control](EventArgs* args) {
        entries.push_back({control, args->kind});
        return true;
      });
    }
  }
  int Count(Control* control, int kind) const {
    int count = 0;
    for (const auto& entry : entries) count += entry.first == control && entry.second == kind;
    return count;
  }
  std::vector<std::pair<Control*, int>> entries;
};

TEST(LabelFormat, DefaultsAlignWordsAndEllipsis) {
  Label label;
  Button button;
  EXPECT_EQ(0x8120u, label.GetTextStyle());
  EXPECT_EQ(0x8125u, button.GetTextStyle());
  EXPECT_EQ(kLengthAuto, label.GetFixedWidth());
  EXPECT_EQ(kLengthAuto, button.GetFixedHeight());
  EXPECT_EQ(kLengthStretch, LabelBox().GetFixedWidth());

  label.SetAttribute(L"align", L"right");
  EXPECT_EQ(0x8102u, label.GetTextStyle()) << "right drops the single-line bit";
  label.SetAttribute(L"align", L"vcenter");
  EXPECT_EQ(0x8125u, label.GetTextStyle()) << "vcenter centres horizontally too";
  // Later words in the fixed order win over earlier ones.
  EXPECT_EQ(0x8128u, ApplyTextAlign(L"bottom left", 0x8125));
  EXPECT_EQ(0x8122u, ApplyTextAlign(L"center right top", 0x8100));
  EXPECT_EQ(0x8125u, ApplyTextAlign(L"nonsense", 0x8125));

  button.SetAttribute(L"endellipsis", L"false");
  EXPECT_EQ(0x0125u, button.GetTextStyle());
  button.SetAttribute(L"endellipsis", L"true");
  EXPECT_EQ(0x8125u, button.GetTextStyle());
}

// Labels measured on a real surface, with the skin's colours and fonts.
class LabelSurface : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureGdiplus();
    saved_path_ = ResourceManager::GetResourcePath();
    saved_strings_ = ResourceManager::GetLanguageStrings().entries();
    ResourceManager::Startup(test::TestDataPath(L"skins\\"), nullptr, L"controls", L"lang");
    ASSERT_NE(nullptr, ResourceManager::GetRenderFactory());
    ResourceManager::AddTextColor(L"lbl_white", kWhite);
    ResourceManager::AddTextColor(L"lbl_red", kRed);
    ResourceManager::AddTextColor(L"lbl_blue", kBlue);
    ResourceManager::AddTextColor(L"lbl_green", kGreen);
    ResourceManager::AddTextColor(L"lbl_gray", kGray);
    ASSERT_NE(nullptr, ResourceManager::AddFont(L"Arial", L"lbl_big", 28, true, false, false, false));

    context_ = ResourceManager::GetRenderFactory()->CreateRenderContext();
    ASSERT_TRUE(context_->Resize(300, 100));
    host_.set_render_context(context_.get());
    root_ = new HBox();
    root_->SetBkColor(L"lbl_white");
    host_.AttachRoot(root_);
  }

  void TearDown() override {
    ResourceManager::SetResourcePath(saved_path_);
    ResourceManager::SetDefaultTextColor(ResourceManager::kDefaultTextColor);
    ResourceManager::SetDefaultDisabledTextColor(ResourceManager::kDefaultDisabledTextColor);
    std::string bytes;
    for (const auto& entry : saved_strings_) bytes += qbase::UTF16ToUTF8(entry.first + L"=" + entry.second) + "\n";
    ResourceManager::GetLanguageStrings().LoadFromBytes(bytes.data(), bytes.size());
  }

  void Paint() {
    host_.Layout(Rect(0, 0, 300, 100));
    test::FillSurface(*context_, 0);
    host_.Paint(context_.get(), Rect(0, 0, 300, 100));
  }
  // Pixels of |rect| within a small distance of |color|.
  int CountNear(const Rect& rect, uint32_t color) const {
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
      for (int x = rect.left; x < rect.right; ++x) count += test::NearRgb(test::PixelAt(*context_, x, y), color, 40);
    }
    return count;
  }

  std::wstring saved_path_;
  std::map<std::wstring, std::wstring> saved_strings_;
  std::unique_ptr<IRenderContext> context_;
  test::TestHost host_;
  HBox* root_ = nullptr;
};

TEST_F(LabelSurface, TextSizesTheLabelAndOnlyChangesRelayout) {
  const char strings[] = "LBL_GREETING=Hello there\n";
  ResourceManager::GetLanguageStrings().LoadFromBytes(strings, sizeof(strings) - 1);
  Label* label = new Label();
  label->SetAttribute(L"textid", L"LBL_GREETING");
  label->SetAttribute(L"textpadding", L"5,0,5,0");
  root_->Add(label);
  EXPECT_EQ(L"Hello there", label->GetText()) << "an empty text shows the language string";

  const Rect text = context_->MeasureText(L"Hello there", std::wstring(), kLabelTextFormat, 0);
  ASSERT_GT(text.Width(), 0);
  const Size size = label->EstimateSize(Size(300, 100));
  EXPECT_EQ(text.Width() + 10, size.cx);
  EXPECT_EQ(text.Height(), size.cy);
  host_.Layout(Rect(0, 0, 300, 100));
  EXPECT_EQ(text.Width() + 10, label->GetWidth());

  // The same text again is no change; a new one lays the window out again.
  label->SetText(L"Hello there");
  host_.Layout(Rect(0, 0, 300, 100));
  host_.clear_invalidated();
  label->SetText(L"Hello there");
  EXPECT_FALSE(host_.needs_layout());
  EXPECT_TRUE(host_.invalidated().empty());
  label->SetText(L"Hello there, and a much longer greeting");
  EXPECT_TRUE(host_.needs_layout());
  host_.Layout(Rect(0, 0, 300, 100));
  EXPECT_GT(label->GetWidth(), text.Width() + 10);

  // Multi-line text without a width bound wraps to the width it is given.
  Label* wrapped = new Label();
  wrapped->SetAttribute(L"singleline", L"false");
  wrapped->SetAttribute(L"maxwidth", L"stretch");
  wrapped->SetAttribute(L"text", L"one two three four five six seven eight");
  root_->Add(wrapped);
  const Size wide = wrapped->EstimateSize(Size(1000, 100));
  const Size narrow = wrapped->EstimateSize(Size(60, 100));
  EXPECT_LT(narrow.cx, wide.cx / 2);
  EXPECT_GT(narrow.cy, 2 * wide.cy) << "narrow text runs over several lines";
}

TEST_F(LabelSurface, PushedTextFallsBackToNormalAndSelectedLooksReplaceTheOthers) {
  Button* button = new Button();
  button->ApplyAttributeList(L"width=\"140\" font=\"lbl_big\" text=\"MMMM\" normaltextcolor=\"lbl_red\"");
  root_->Add(button);
  button->SetState(kControlStatePushed);
  Paint();
  const Rect area(0, 0, 140, 100);
  EXPECT_GT(CountNear(area, kRed), 20) << "no pushed or hot colour: the normal colour";
  button->SetStateTextColor(kControlStatePushed, L"lbl_blue");
  Paint();
  EXPECT_GT(CountNear(area, kBlue), 20);
  EXPECT_EQ(0, CountNear(area, kRed));

  CheckBox* box = new CheckBox();
  box->ApplyAttributeList(
      L"width=\"140\" font=\"lbl_big\" text=\"MMMM\" normaltextcolor=\"lbl_red\" normalcolor=\"lbl_gray\" "
      L"selectednormalcolor=\"lbl_green\" selectedtextcolor=\"lbl_blue\"");
  root_->Add(box);
  const Rect box_area(140, 0, 280, 100);
  Paint();
  EXPECT_TRUE(test::NearRgb(kGray, test::PixelAt(*context_, 142, 2), 0));
  EXPECT_GT(CountNear(box_area, kRed), 20);
  box->SetSelected(true);
  Paint();
  EXPECT_TRUE(test::NearRgb(kGreen, test::PixelAt(*context_, 142, 2), 0)) << "selected state colour";
  EXPECT_GT(CountNear(box_area, kBlue), 20) << "selected text colour";
  EXPECT_EQ(0, CountNear(box_area, kRed));

  // A selected image covers the selected colour; unselected shows neither.
  const std::wstring folder = test::MakeTempFolder(L"lbl_selected");
  ASSERT_TRUE(
      test::WriteFileBytes(folder + L"sel.png", test::EncodeArgb(8, 8, L"image/png", [](int, int) { return kBlue; })));
  box->SetAttribute(L"selectednormalimage", folder + L"sel.png");
  Paint();
  EXPECT_TRUE(test::NearRgb(kBlue, test::PixelAt(*context_, 142, 2), 0));
  box->SetSelected(false);
  Paint();
  EXPECT_TRUE(test::NearRgb(kGray, test::PixelAt(*context_, 142, 2), 0));
  box->ReleaseAllImages();
  ::DeleteFileW((folder + L"sel.png").c_str());
  ::RemoveDirectoryW(folder.c_str());
}

TEST(CheckBoxes, ActivationTogglesAndReportsSelectionButNoClick) {
  test::TestHost host;
  HBox* root = new HBox();
  host.AttachRoot(root);
  CheckBox* box = new CheckBox();
  root->Add(box);
  EventLog log;
  log.Watch(box, {kEventClick, kEventSelect, kEventUnSelect});

  box->Activate();
  EXPECT_TRUE(box->IsSelected());
  box->Activate();
  EXPECT_FALSE(box->IsSelected());
  EXPECT_EQ(1, log.Count(box, kEventSelect));
  EXPECT_EQ(1, log.Count(box, kEventUnSelect));
  EXPECT_EQ(0, log.Count(box, kEventClick));

  // Unchanged values and silent calls report nothing; disabled boxes stay.
  box->SetSelected(false);
  box->SetSelected(true, false);
  EXPECT_EQ(2u, log.entries.size());
  box->SetEnabled(false);
  box->Activate();
  EXPECT_TRUE(box->IsSelected());
  EXPECT_FALSE(box->IsActivatable());
}

TEST(Options, OneSelectedPerGroupThroughSelectionGroupChangesAndDestruction) {
  test::TestHost host;
  HBox* root = new HBox();
  host.AttachRoot(root);
  Option* a = new Option();
  OptionBox* b = new OptionBox();
  Option* c = new Option();
  for (Control* option : std::initializer_list<Control*>{a, b, c}) {
    option->SetAttribute(L"group", L"size");
    root->Add(option);
  }
  ASSERT_EQ(3u, host.GetOptionGroup(L"size")->size());
  EventLog log;
  for (Control* option : std::initializer_list<Control*>{a, b, c})
    log.Watch(option, {kEventClick, kEventSelect, kEventUnSelect});

  a->Activate();
  EXPECT_EQ(1, log.Count(a, kEventClick));
  EXPECT_EQ(1, log.Count(a, kEventSelect));
  log.entries.clear();
  b->Activate();
  EXPECT_FALSE(a->IsSelected());
  EXPECT_TRUE(b->IsSelected());
  EXPECT_FALSE(c->IsSelected());
  EXPECT_EQ((std::vector<std::pair<Control*, int>>{{b, kEventClick}, {a, kEventUnSelect}, {b, kEventSelect}}),
            log.entries);

  // A selected option joining a group with a selected member takes over.
  Option* d = new Option();
  d->SetSelected(true, false);
  root->Add(d);
  log.Watch(d, {kEventSelect});
  log.entries.clear();
  d->SetAttribute(L"group", L"size");
  EXPECT_FALSE(b->IsSelected());
  EXPECT_TRUE(d->IsSelected());
  EXPECT_EQ((std::vector<std::pair<Control*, int>>{{b, kEventUnSelect}, {d, kEventSelect}}), log.entries);
  // Leaving for another group, and being destroyed, leave the registry.
  d->SetGroup(L"colour");
  EXPECT_EQ(3u, host.GetOptionGroup(L"size")->size());
  EXPECT_EQ(1u, host.GetOptionGroup(L"colour")->size());
  root->SetDelayedDestroy(false);
  root->Remove(d);
  EXPECT_EQ(nullptr, host.GetOptionGroup(L"colour"));

  // A member destroyed by another member's unselect handler is skipped.
  b->SetSelected(true, false);
  b->AttachEvent(kEventUnSelect, [root, c](EventArgs*) {
    root->Remove(c);
    return true;
  });
  a->SetSelected(true);
  EXPECT_TRUE(a->IsSelected());
  EXPECT_FALSE(b->IsSelected());
  EXPECT_EQ(2u, host.GetOptionGroup(L"size")->size());
}

TEST(Buttons, MarkupButtonsClickOnActivateKeysAndRaiseMenus) {
  test::TestHost host;
  MarkupBuilder builder;
  Control* root = builder.Create(
      L"<Window><HBox>"
      L"<Button name=\"ok\" text=\"OK\" menu=\"true\"/><ButtonBox name=\"panel\"/>"
      L"<Button name=\"mute\" keyboard=\"false\"/><Label name=\"caption\"/>"
      L"<CheckBox name=\"check\" selected=\"true\"/><CheckBoxBox name=\"check_box\"/>"
      L"<Option name=\"first\" group=\"g\" selected=\"true\"/><OptionBox name=\"second\" group=\"g\"/>"
      L"<LabelBox name=\"caption_box\"/>"
      L"</HBox></Window>",
      nullptr, &host);
  ASSERT_NE(nullptr, root);
  host.AttachRoot(root);
  for (const wchar_t* name : {L"ok", L"panel", L"mute", L"check", L"check_box", L"first", L"second"})
    EXPECT_TRUE(IsButton(host.FindControl(name))) << name;
  EXPECT_FALSE(IsButton(host.FindControl(L"caption")));
  EXPECT_FALSE(IsButton(host.FindControl(L"caption_box")));
  EXPECT_TRUE(dynamic_cast<CheckBoxBase*>(host.FindControl(L"check"))->IsSelected());
  auto* second = dynamic_cast<OptionBox*>(host.FindControl(L"second"));
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(2u, host.GetOptionGroup(L"g")->size());
  second->Activate();
  EXPECT_FALSE(dynamic_cast<CheckBoxBase*>(host.FindControl(L"first"))->IsSelected());

  EventLog log;
  Control* ok = host.FindControl(L"ok");
  Control* panel = host.FindControl(L"panel");
  Control* mute = host.FindControl(L"mute");
  for (Control* button : {ok, panel, mute}) log.Watch(button, {kEventClick, kEventMouseMenu});
  ok->Activate();
  panel->Activate();
  ok->SendEvent(kEventKeyDown, 0, 0, VK_SPACE);
  ok->SendEvent(kEventKeyDown, 0, 0, VK_RETURN);
  ok->SendEvent(kEventKeyDown, 0, 0, L'A');
  mute->SendEvent(kEventKeyDown, 0, 0, VK_SPACE);
  EXPECT_EQ(3, log.Count(ok, kEventClick));
  EXPECT_EQ(1, log.Count(panel, kEventClick));
  EXPECT_EQ(0, log.Count(mute, kEventClick)) << "keyboard off";

  ok->SendEvent(kEventInternalMenu, 7, 9);
  EXPECT_EQ(1, log.Count(ok, kEventMouseMenu));
  mute->SendEvent(kEventInternalMenu);
  EXPECT_EQ(0, log.Count(mute, kEventMouseMenu)) << "no context menu";
}

}  // namespace
}  // namespace ui
