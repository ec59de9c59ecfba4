#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/control_test_host.h"
#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/h_box.h"
#include "ui/core/resource_manager.h"

namespace ui {
namespace {

class Clickable : public Control {
 public:
  void Activate() override { ++activations; }
  int activations = 0;
};

EventHandler Record(std::vector<std::string>* log, const std::string& tag, bool result = true) {
  return [log, tag, result](EventArgs*) {
    log->push_back(tag);
    return result;
  };
}

TEST(ControlEvents, CodeThenMarkupHandlersForTheKindAndForAll) {
  HBox parent;
  Control* control = new Control();
  parent.Add(control);
  std::vector<std::string> log;
  control->AttachEvent(kEventClick, Record(&log, "code"));
  control->AttachEvent(kEventAll, Record(&log, "code-all"));
  control->AttachMarkupEvent(kEventClick, Record(&log, "markup"));
  control->AttachMarkupEvent(kEventAll, Record(&log, "markup-all"));
  parent.AttachBubbledEvent(kEventClick, Record(&log, "parent"));
  control->SendEvent(kEventClick);
  EXPECT_EQ((std::vector<std::string>{"code", "code-all", "markup", "markup-all", "parent"}), log);

  // "all" answering false stops the markup handlers and the climb, even
  // though the kind's own handler said go on; the list stops at once too.
  Control* other = new Control();
  parent.Add(other);
  log.clear();
  other->AttachEvent(kEventClick, Record(&log, "code"));
  other->AttachEvent(kEventAll, Record(&log, "stop", false));
  other->AttachEvent(kEventAll, Record(&log, "after-stop"));
  other->AttachMarkupEvent(kEventClick, Record(&log, "markup"));
  other->SendEvent(kEventClick);
  EXPECT_EQ((std::vector<std::string>{"code", "stop"}), log);
}

TEST(ControlEvents, DescendantEventsBubbleUntilAHandlerSaysStop) {
  Box outer;
  Box* middle = new Box();
  Control* leaf = new Control();
  middle->Add(leaf);
  outer.Add(middle);
  std::vector<std::string> log;
  middle->AttachBubbledEvent(kEventSelect, Record(&log, "middle"));
  outer.AttachBubbledEvent(kEventAll, Record(&log, "outer-all"));
  outer.AttachMarkupBubbledEvent(kEventSelect, Record(&log, "outer-markup"));
  leaf->SendEvent(kEventSelect);
  EXPECT_EQ((std::vector<std::string>{"middle", "outer-all", "outer-markup"}), log);

  log.clear();
  middle->AttachBubbledEvent(kEventValueChange, Record(&log, "middle-stops", false));
  leaf->SendEvent(kEventValueChange);
  EXPECT_EQ((std::vector<std::string>{"middle-stops"}), log);

  // Internal kinds never reach handlers of a box.
  log.clear();
  middle->SendEvent(kEventInternalSetFocus);
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(middle->IsFocused());
}

TEST(ControlEvents, PressAndReleaseInsideActivatesOutsideDoesNot) {
  HBox parent;
  Clickable* button = new Clickable();
  parent.Add(button);
  parent.SetPos(Rect(0, 0, 100, 20));
  ASSERT_EQ(Rect(0, 0, 100, 20), button->GetPos());

  button->SendEvent(kEventMouseButtonDown, 0, 0, 0, 0.0f, Point(5, 5));
  EXPECT_EQ(kControlStatePushed, button->GetState());
  EXPECT_TRUE(button->IsMouseCaptured());
  button->SendEvent(kEventMouseButtonUp, 0, 0, 0, 0.0f, Point(5, 5));
  EXPECT_EQ(kControlStateHot, button->GetState());
  EXPECT_EQ(255, button->GetHotAlpha());
  EXPECT_EQ(1, button->activations);

  button->SendEvent(kEventMouseButtonDown, 0, 0, 0, 0.0f, Point(5, 5));
  button->SendEvent(kEventMouseButtonUp, 0, 0, 0, 0.0f, Point(150, 5));
  EXPECT_EQ(kControlStateNormal, button->GetState());
  EXPECT_EQ(0, button->GetHotAlpha());
  EXPECT_EQ(1, button->activations);

  // A release without a press does nothing; a disabled control never
  // presses.
  button->SendEvent(kEventMouseButtonUp, 0, 0, 0, 0.0f, Point(5, 5));
  EXPECT_EQ(1, button->activations);
  button->SetEnabled(false);
  EXPECT_EQ(kControlStateDisabled, button->GetState());
  button->SendEvent(kEventMouseButtonDown, 0, 0, 0, 0.0f, Point(5, 5));
  EXPECT_FALSE(button->IsMouseCaptured());
  button->SetEnabled(true);
  EXPECT_EQ(kControlStateNormal, button->GetState());
}

TEST(ControlEvents, MouseDisabledControlsPassMouseEventsToTheirContainer) {
  test::TestHost host;
  HBox* root = new HBox();
  Clickable* under = new Clickable();
  root->Add(under);
  Control* overlay = new Control();
  overlay->ApplyAttributeList(L"float=\"true\" mouse=\"false\"");
  root->Add(overlay);
  host.AttachRoot(root);
  host.Layout(Rect(0, 0, 50, 50));

  // Hit testing skips the overlay and lands on what lies beneath it.
  EXPECT_EQ(under, host.HitTest(Point(10, 10)));
  EXPECT_EQ(nullptr, host.HitTest(Point(60, 10)));

  std::vector<std::string> log;
  root->AttachBubbledEvent(kEventMouseButtonDown, Record(&log, "root"));
  overlay->SendEvent(kEventMouseButtonDown, 0, 0, 0, 0.0f, Point(10, 10));
  EXPECT_EQ((std::vector<std::string>{"root"}), log);
  EXPECT_FALSE(overlay->IsMouseCaptured());
  EXPECT_EQ(kControlStatePushed, root->GetState()) << "the container takes the press";

  // With mouse children off the box answers for everything inside it.
  root->ApplyAttributeList(L"mousechild=\"false\"");
  EXPECT_EQ(root, host.HitTest(Point(10, 10)));
}

TEST(ControlEvents, EnterAndLeaveFollowTheHoverControl) {
  test::TestHost host;
  HBox* root = new HBox();
  Control* child = new Control();
  child->ApplyAttributeList(L"hotcolor=\"white\"");
  root->Add(child);
  root->ApplyAttributeList(L"hotcolor=\"white\"");
  host.AttachRoot(root);

  host.set_hover(root);
  root->SendEvent(kEventMouseEnter);
  EXPECT_EQ(kControlStateHot, root->GetState());

  // Moving onto the child: the child enters, the parent's leave is ignored
  // while the mouse is still inside it.
  host.set_hover(child);
  child->SendEvent(kEventMouseEnter);
  root->SendEvent(kEventMouseLeave);
  EXPECT_EQ(kControlStateHot, child->GetState());
  EXPECT_EQ(kControlStateHot, root->GetState()) << "a leave towards a child is ignored";

  host.set_hover(nullptr);
  child->SendEvent(kEventMouseLeave);
  EXPECT_EQ(kControlStateNormal, child->GetState());
  EXPECT_EQ(kControlStateNormal, root->GetState()) << "the child's leave reaches the parent";
}

TEST(ControlEvents, RemovingItselfFromItsOwnClickHandlerIsSafe) {
  const int before = Control::GetInstanceCount();
  {
    test::TestHost host;
    HBox* root = new HBox();
    Control* doomed = new Control();
    doomed->SetName(L"doomed");
    root->Add(doomed);
    host.AttachRoot(root);
    bool ran_after = false;
    doomed->AttachEvent(kEventClick, [root, doomed](EventArgs*) {
      root->Remove(doomed);
      return true;
    });
    doomed->AttachEvent(kEventClick, [&ran_after](EventArgs*) {
      ran_after = true;
      return true;
    });
    doomed->SendEvent(kEventClick);
    EXPECT_TRUE(ran_after) << "the control lives until the window's cleanup";
    EXPECT_EQ(0u, root->GetCount());
    EXPECT_EQ(before + 2, Control::GetInstanceCount());
    host.FlushDelayedCleanup();
    EXPECT_EQ(before + 1, Control::GetInstanceCount());
    EXPECT_EQ(nullptr, host.FindControl(L"doomed"));

    // A control destroyed at once inside its own handler stops dispatch
    // without touching freed memory.
    root->SetDelayedDestroy(false);
    Control* gone = new Control();
    root->Add(gone);
    bool later = false;
    gone->AttachEvent(kEventClick, [root, gone](EventArgs*) { return root->Remove(gone); });
    gone->AttachMarkupEvent(kEventClick, [&later](EventArgs*) { return later = true; });
    gone->SendEvent(kEventClick);
    EXPECT_FALSE(later);
  }
  EXPECT_EQ(before, Control::GetInstanceCount());
}

TEST(ControlAttributes, ListsClassesAndTexts) {
  Control control;
  control.ApplyAttributeList(L"width=\"10\" height=\"20\"  name=\"skipped\"");
  EXPECT_EQ(10, control.GetFixedWidth());
  EXPECT_EQ(20, control.GetFixedHeight());
  EXPECT_EQ(L"", control.GetName()) << "two spaces end the list";
  control.ApplyAttributeList(L"name=\"a\",dataid=\"b\"");
  EXPECT_EQ(L"a", control.GetName());
  EXPECT_EQ(L"", control.GetDataID());
  control.ApplyAttributeList(L"name=unquoted width=\"3\"");
  EXPECT_EQ(10, control.GetFixedWidth());

  // A class naming itself is applied a bounded number of times.
  ResourceManager::AddClass(L"test_loop", L"class=\"test_loop\" width=\"7\"");
  control.SetClass(L"test_loop");
  EXPECT_EQ(7, control.GetFixedWidth());
  // Global classes win over window classes of the same name.
  test::TestHost host;
  host.AddClass(L"test_local", L"height=\"44\"");
  host.AddClass(L"test_loop", L"height=\"1\"");
  control.SetWindow(&host);
  control.SetAttribute(L"class", L"test_local  test_loop");
  EXPECT_EQ(44, control.GetFixedHeight());
  control.SetWindow(nullptr);

  control.SetAttribute(L"tooltiptext", L"first<n>second");
  EXPECT_EQ(L"first\r\nsecond", control.GetToolTipText());
  control.SetAttribute(L"bordersize", L"2");
  control.SetAttribute(L"leftbordersize", L"3");
  EXPECT_EQ(2, control.GetBorderSize());
  EXPECT_EQ(Rect(3, 0, 0, 0), control.GetBorderSizes());
  control.SetAttribute(L"bordersize", L"1,2,3,4");
  EXPECT_EQ(Rect(1, 2, 3, 4), control.GetBorderSizes());
  control.SetAttribute(L"bkcolor", L"  white");
  EXPECT_EQ(L"white", control.GetBkColor());
  control.SetAttribute(L"maxwidth", L"stretch");
  EXPECT_EQ(-1, control.GetMaxWidth());
  control.SetAttribute(L"width", L"-7");
  EXPECT_EQ(7, control.GetFixedWidth()) << "a negative width is ignored";
  control.SetAttribute(L"state", L"hot");
  EXPECT_EQ(kControlStateHot, control.GetState());
  EXPECT_EQ(255, control.GetHotAlpha());
  control.SetAttribute(L"alpha", L"999");
  EXPECT_EQ(255, control.GetAlpha());
  control.SetAttribute(L"hotimage", L"file='x.png'");
  EXPECT_TRUE(control.HasHotState());
  EXPECT_NE(nullptr, control.GetAnimationManager().GetAnimationPlayer(kAnimationHot));
}

TEST(ControlVisibility, HidingTheFocusedControlClearsTheFocus) {
  test::TestHost host;
  HBox* root = new HBox();
  Box* inner = new Box();
  Control* field = new Control();
  inner->Add(field);
  root->Add(inner);
  host.AttachRoot(root);
  field->SetFocus();
  EXPECT_EQ(field, host.GetFocus());
  inner->SetVisible(false);
  EXPECT_EQ(nullptr, host.GetFocus());
  EXPECT_FALSE(field->IsVisible());
  EXPECT_TRUE(field->IsInternVisible() == false);

  field->SetNoFocus();
  inner->SetVisible(true);
  field->SetFocus();
  EXPECT_EQ(nullptr, host.GetFocus());

  // A box that is hidden when a child arrives hides the child too.
  Box hidden;
  hidden.SetVisible(false);
  Control* late = new Control();
  hidden.Add(late);
  EXPECT_FALSE(late->IsVisible());
}

}  // namespace
}  // namespace ui
