#include <gtest/gtest.h>

#include <cstdint>

#include "tests/ui/control_test_host.h"
#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/h_box.h"
#include "ui/core/timer_service.h"

namespace ui {
namespace {

// Fades run on a timer service whose clock moves only by hand.
class FadeTest : public ::testing::Test {
 protected:
  FadeTest() : service_(1000000, [this] { return now_; }) {}

  void Advance(int ms) {
    for (int i = 0; i < ms; ++i) {
      now_ += 1000;
      service_.Poll();
    }
  }

  int64_t now_ = 1000000;
  TimerService service_;
};

TEST_F(FadeTest, HotFadeFollowsTheMouseAndStopsOnRelease) {
  HBox parent;
  Control* control = new Control();
  parent.Add(control);
  parent.SetPos(Rect(0, 0, 100, 20));
  control->ApplyAttributeList(L"hotcolor=\"white\"");
  control->GetAnimationManager().SetTimerService(&service_);

  control->SendEvent(kEventMouseEnter);
  EXPECT_EQ(kControlStateHot, control->GetState());
  Advance(100);
  const int midway = control->GetHotAlpha();
  EXPECT_GT(midway, 0);
  EXPECT_LT(midway, 255);
  Advance(200);
  EXPECT_EQ(255, control->GetHotAlpha());

  // Leaving reverses the fade from where it stands.
  control->SendEvent(kEventMouseLeave);
  EXPECT_EQ(kControlStateNormal, control->GetState());
  Advance(300);
  EXPECT_EQ(0, control->GetHotAlpha());

  // A press and release inside stops any fade and shows full hot.
  control->SendEvent(kEventMouseEnter);
  Advance(50);
  control->SendEvent(kEventMouseButtonDown, 0, 0, 0, 0.0f, Point(5, 5));
  control->SendEvent(kEventMouseButtonUp, 0, 0, 0, 0.0f, Point(5, 5));
  EXPECT_EQ(255, control->GetHotAlpha());
  Advance(300);
  EXPECT_EQ(255, control->GetHotAlpha());
  EXPECT_FALSE(control->GetAnimationManager().GetAnimationPlayer(kAnimationHot)->is_playing());

  // Without a hot look there is nothing to fade.
  Control* plain = new Control();
  parent.Add(plain);
  plain->SendEvent(kEventMouseEnter);
  EXPECT_EQ(kControlStateHot, plain->GetState());
  EXPECT_EQ(nullptr, plain->GetAnimationManager().GetAnimationPlayer(kAnimationHot));
}

TEST_F(FadeTest, FadeVisibleAnimatesAlphaAndHidesAtTheEnd) {
  test::TestHost host;
  HBox* root = new HBox();
  Control* panel = new Control();
  root->Add(panel);
  host.AttachRoot(root);
  panel->GetAnimationManager().SetTimerService(&service_);
  panel->ApplyAttributeList(L"fadealpha=\"true\"");

  panel->SetFadeVisible(false);
  EXPECT_TRUE(panel->IsVisible()) << "stays until the fade ends";
  Advance(120);
  EXPECT_GT(panel->GetAlpha(), 0);
  EXPECT_LT(panel->GetAlpha(), 255);
  Advance(200);
  EXPECT_FALSE(panel->IsVisible());
  EXPECT_EQ(0, panel->GetAlpha());

  panel->SetFadeVisible(true);
  EXPECT_TRUE(panel->IsVisible());
  Advance(300);
  EXPECT_EQ(255, panel->GetAlpha());

  // Destroying a control mid-fade leaves no tick behind.
  panel->SetFadeVisible(false);
  Advance(10);
  root->SetDelayedDestroy(false);
  root->Remove(panel);
  Advance(300);
  EXPECT_EQ(0u, root->GetCount());

  // Without show/hide animations the change is immediate.
  Control* instant = new Control();
  root->Add(instant);
  instant->SetFadeVisible(false);
  EXPECT_FALSE(instant->IsVisible());
}

}  // namespace
}  // namespace ui
