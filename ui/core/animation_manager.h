#pragma once

#include <map>
#include <memory>

#include "ui/controls/animation_player.h"

namespace ui {

class Control;
class TimerService;

enum AnimationKind {
  kAnimationAlpha = 1,
  kAnimationHeight = 2,
  kAnimationWidth = 3,
  kAnimationHot = 4,
  kAnimationInOutXFromLeft = 5,
  kAnimationInOutXFromRight = 6,
  kAnimationInOutYFromTop = 7,
  kAnimationInOutYFromBottom = 8,
};

// The fade animations of one control: which are switched on, and playing
// them when the control appears, disappears or is hovered.
class AnimationManager {
 public:
  explicit AnimationManager(Control* control) : control_(control) {}
  AnimationManager(const AnimationManager&) = delete;
  AnimationManager& operator=(const AnimationManager&) = delete;

  // Null when the kind is switched off.
  AnimationPlayer* GetAnimationPlayer(int kind) const;

  void SetFadeAlpha(bool on);
  void SetFadeHot(bool on);
  void SetFadeWidth(bool on);
  void SetFadeHeight(bool on);
  void SetFadeInOutX(bool on, bool from_right);
  void SetFadeInOutY(bool on, bool from_bottom);

  // Whether any show/hide animation is on (the hot fade is not one).
  bool HasShowHideAnimation() const;
  // Plays every show/hide animation forwards.
  void Appear();
  // Plays them backwards and hides the control when the last one ends;
  // without any, hides the control at once.
  void Disappear();
  void MouseEnter();
  void MouseLeave();
  void Clear() { players_.clear(); }

  // Tests drive the players on their own service.
  void SetTimerService(TimerService* service);

 private:
  AnimationPlayer* Switch(int kind, bool on);
  // Sets the start and end of a player whose distance depends on the
  // control's size at the time it appears.
  void PrepareDistance(int kind, AnimationPlayer* player);
  void OnDisappearStep();

  Control* control_;
  std::map<int, std::unique_ptr<AnimationPlayer>> players_;
  TimerService* timer_service_ = nullptr;
  int pending_disappear_ = 0;
};

}  // namespace ui
